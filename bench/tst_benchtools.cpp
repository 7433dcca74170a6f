// The measuring tools of the benchmark and the generator of its data: the
// paired statistics, the time marks inside the sqlite3 shell, the statement
// recorder, the process runner, and the generated Quarnel exports, which
// the import and the cross-section derivation must take as they are.
#include "appsettings.h"
#include "benchcase.h"
#include "crosssectionderivation.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "largedb.h"
#include "pairedstats.h"
#include "processrun.h"
#include "quarnelexportfile.h"
#include "quarneltableimport.h"
#include "shelltiming.h"
#include "statementrecorder.h"
#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class TestBenchTools : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString newDir(const QString &name)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(path);
        return path;
    }

    // Runs script in the real sqlite3 shell on file and returns its output.
    QString runShell(const QString &file, const QString &script)
    {
        QProcess shell;
        shell.start(QStringLiteral(KOLVEX_SQLITE3), {file});
        shell.write(script.toUtf8());
        shell.closeWriteChannel();
        shell.waitForFinished(-1);
        return QString::fromUtf8(shell.readAllStandardOutput());
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        QVERIFY(dir.isValid());
    }

    void cleanup() { TestSupport::closeAllConnections(); }

    void pairedStatistics()
    {
        QCOMPARE(median({3.0, 1.0, 2.0}), 2.0);
        QCOMPARE(median({4.0, 1.0, 2.0, 3.0}), 2.5);
        QCOMPARE(median({}), 0.0);

        // The ratio is taken per round, not from the two medians.
        PairedTimes times;
        times.ours = {2.0, 9.0, 3.0};
        times.baseline = {1.0, 3.0, 3.0};
        const PairedSummary ratio = summariseRatio(times);
        QCOMPARE(ratio.rounds, 3);
        QCOMPARE(ratio.oursMedian, 3.0);
        QCOMPARE(ratio.baselineMedian, 3.0);
        QCOMPARE(ratio.ratioMedian, 2.0);
        QCOMPARE(ratio.ratioMin, 1.0);
        QCOMPARE(ratio.ratioMax, 3.0);

        const PairedSummary share = summariseShare(times);
        QCOMPARE(share.ratioMedian, 0.5);
        QCOMPARE(share.ratioMin, 1.0 / 3.0);
        QCOMPARE(share.ratioMax, 1.0);
    }

    void pairedRoundsAlternateTheOrder()
    {
        BenchContext context(dir.path(), dir.path(), 0);
        QString order;
        const PairedTimes times = context.paired(
            4, [&] { order += 'o'; return 2.0; }, [&] { order += 'b'; return 1.0; });
        QCOMPARE(order, QStringLiteral("obboobbo"));
        QCOMPARE(times.ours.size(), 4);
        QCOMPARE(times.baseline.size(), 4);
        // --rounds overrides a line's own number of rounds.
        QCOMPARE(context.rounds(5), 5);
        QCOMPARE(BenchContext(dir.path(), dir.path(), 2).rounds(5), 2);
    }

    void targetTableCountsMissedTargets()
    {
        BenchContext context(dir.path(), dir.path(), 0);
        PairedSummary fast;
        fast.rounds = 3;
        fast.ratioMedian = 1.1;
        context.targetRatioAtMost("fast", fast, 1.2);
        context.targetRatioAtMost("slow", fast, 1.0);
        context.targetShareAtLeast("share", fast, 0.5);
        context.targetSecondsAtMost("start", 0.6, 0.5);
        context.targetMegabytesAtMost("memory", 100, 120);
        context.targetNotMeasured("missing", "<= 1x", "no program");
        QCOMPARE(context.printTargetTable(), 3);
        // No rounds measured is never a met target.
        BenchContext empty(dir.path(), dir.path(), 0);
        empty.targetRatioAtMost("none", PairedSummary(), 1.2);
        QCOMPARE(empty.printTargetTable(), 1);
    }

    void shellMarksLeaveSetupOutside()
    {
        const QString file = dir.filePath("marks.db");
        // A setup that takes clearly longer than the work.
        const QString setup = QStringLiteral(
            "CREATE TABLE t AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
            "WHERE i < 300000) SELECT i FROM n;\n"
            "SELECT count(*) FROM t;\n");
        QElapsedTimer setupTimer;
        setupTimer.start();
        runShell(dir.filePath("setup.db"), setup);
        const double setupSeconds = setupTimer.nsecsElapsed() / 1e9;
        const QString output =
            runShell(file, ShellTiming::timedScript(setup, QStringLiteral("SELECT 1;")));
        const double work = ShellTiming::secondsBetweenMarks(output);
        QVERIFY2(work >= 0, qPrintable(output));
        QVERIFY2(work < setupSeconds / 2, qPrintable(QString::number(work)));
        // Nothing but the two marks reaches the output.
        QCOMPARE(output.trimmed().split('\n').size(), 2);

        // The work lies between the marks, also after a mode change.
        const QString imported = ShellTiming::timedScript(
            QString(), QStringLiteral(".mode csv\nSELECT count(*) FROM t, t AS u WHERE "
                                      "u.i < 40;\n"));
        QVERIFY(ShellTiming::secondsBetweenMarks(runShell(file, imported)) >= 0);
        QCOMPARE(ShellTiming::secondsBetweenMarks(QStringLiteral("KOLVEX_MARK 1.0\n")), -1.0);
        QCOMPARE(ShellTiming::secondsBetweenMarks(
                     QStringLiteral("KOLVEX_MARK 10.25\nKOLVEX_MARK 12.5\n")),
                 2.25);
    }

    void replayScripts()
    {
        QCOMPARE(ShellTiming::script({"SELECT 1", " SELECT 2; ", "", "SELECT ';'"}),
                 QStringLiteral("SELECT 1;\nSELECT 2;\nSELECT ';';\n"));
        QCOMPARE(ShellTiming::withoutTransactionControl(
                     {"BEGIN", "begin transaction", "UPDATE t SET a=1", "COMMIT", "end",
                      "ROLLBACK", "SELECT 'BEGIN'", "BEGINNERS"}),
                 (QStringList{"UPDATE t SET a=1", "SELECT 'BEGIN'", "BEGINNERS"}));
    }

    void recorderOnOneConnection()
    {
        const QString file = dir.filePath("record.db");
        QSqlDatabase db = TestSupport::openKolvex(file, false);
        QSqlQuery(db).exec("CREATE TABLE t (a, b)");
        QStringList statements;
        {
            StatementRecorder recorder(db);
            QVERIFY(recorder.isRecording());
            QSqlQuery insert(db);
            insert.prepare("INSERT INTO t VALUES (?, ?)");
            for (int i = 0; i < 2; ++i) {
                insert.addBindValue(i);
                insert.addBindValue(QStringLiteral("O'Neill %1").arg(i));
                QVERIFY(insert.exec());
            }
            statements = recorder.statements();
        }
        QCOMPARE(statements, (QStringList{"INSERT INTO t VALUES (0, 'O''Neill 0')",
                                          "INSERT INTO t VALUES (1, 'O''Neill 1')"}));
        // Stopped: nothing more is recorded, and replaying gives the same rows.
        QSqlQuery(db).exec("DELETE FROM t");
        const QString copy = dir.filePath("replay.db");
        runShell(copy, "CREATE TABLE t (a, b);\n" + ShellTiming::script(statements));
        QCOMPARE(runShell(copy, "SELECT a, b FROM t;"), QStringLiteral("0|O'Neill 0\n1|O'Neill 1\n"));
    }

    void recorderOnNewConnections()
    {
        const QString main = dir.filePath("main.db");
        const QString other = dir.filePath("other.db");
        StatementRecorder recorder;
        QVERIFY(recorder.isRecording());
        QVERIFY(!openSqliteConnection("first", main, false).isValid());
        QVERIFY(!openSqliteConnection("second", other, false).isValid());
        QSqlQuery(QSqlDatabase::database("first")).exec("CREATE TABLE a (x)");
        QSqlQuery(QSqlDatabase::database("second")).exec("CREATE TABLE b (y)");
        // A closed connection is no longer traced; stopping must not touch it.
        QSqlDatabase::database("second").close();
        QSqlDatabase::removeDatabase("second");
        QSqlQuery(QSqlDatabase::database("first")).exec("SELECT count(*) FROM a");
        recorder.stop();
        QCOMPARE(recorder.statements(main),
                 (QStringList{"CREATE TABLE a (x)", "SELECT count(*) FROM a"}));
        QCOMPARE(recorder.statements(other), QStringList{"CREATE TABLE b (y)"});
        // After stop no new connection is traced.
        QVERIFY(!openSqliteConnection("third", other, false).isValid());
        QSqlQuery(QSqlDatabase::database("third")).exec("SELECT 1");
        QCOMPARE(recorder.statements(other).size(), 1);
        QSqlDatabase::removeDatabase("first");
    }

    void processRunMeasuresTheWholeProcess()
    {
        const QString script = dir.filePath("sleep.sql");
        QFile out(script);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                  "200000) SELECT sum(i) FROM n;\n.exit 3\n");
        out.close();
        const ProcessRun run =
            runProcess(QStringLiteral(KOLVEX_SQLITE3), {":memory:"}, {}, script);
        QVERIFY(run.started);
        QCOMPARE(run.exitCode, 3);
        QVERIFY(run.seconds > 0);
        QVERIFY(run.peakMegabytes > 0.5);
        QVERIFY(!runProcess(dir.filePath("no-such-program"), {}, {}).started);
    }

    // The shell replaying what a bulk action recorded leaves the file as
    // the action left it: the baseline does the same work.
    void replayedBulkActionsGiveTheSameFile_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::newRow("duplicate") << "datenDuplizieren";
        QTest::newRow("delete") << "datenLoeschen";
    }

    void replayedBulkActionsGiveTheSameFile()
    {
        QFETCH(QString, slot);
        const QString ours = TestSupport::copyDemoDatabase(newDir("ours-" + slot));
        const QString shell = TestSupport::copyDemoDatabase(newDir("shell-" + slot));
        AppSettings *settings = AppSettings::instance();
        settings->manufacturerMode = false;
        settings->currentManufacturerId = 58;
        settings->dbFile = ours;
        settings->allFilter.clear();
        settings->applianceFilter.clear();
        settings->valueFilter.clear();
        settings->applianceFields = AppSettings::defaultApplianceFields();
        QSqlDatabase db = TestSupport::openKolvex(ours, true);
        QStringList statements;
        {
            GeraeteModel model;
            model.selectAppliances();
            QVERIFY(model.recordCount() >= 2);
            StatementRecorder recorder(db);
            QVERIFY(QMetaObject::invokeMethod(&model, slot.toLatin1().constData(),
                                              Q_ARG(QList<int>, (QList<int>{0, 1}))));
            statements = ShellTiming::withoutTransactionControl(recorder.statements());
        }
        QVERIFY(!statements.isEmpty());
        TestSupport::closeAllConnections();
        const QString replay = BenchContext::idTableSetup() + "BEGIN;\n"
                               + ShellTiming::script(statements) + "COMMIT;\n";
        QVERIFY(ShellTiming::secondsBetweenMarks(
                    runShell(shell, ShellTiming::timedScript(QString(), replay)))
                >= 0);
        const QString dump = QStringLiteral(
            "SELECT * FROM Geraete ORDER BY TirmaId;\nSELECT * FROM Werte ORDER BY WerteId;\n");
        const QString oursDump = runShell(ours, dump);
        QVERIFY(oursDump.size() > 1000);
        QCOMPARE(runShell(shell, dump), oursDump);
        // And the action did change something.
        QVERIFY(oursDump != runShell(TestSupport::copyDemoDatabase(newDir("fresh-" + slot)), dump));
    }

    // The start-up line times the program as a whole process: with
    // KOLVEX_CLOSE_AFTER_START it ends by itself once its lists are filled.
    void programEndsWhenReady()
    {
        const QString file = TestSupport::copyDemoDatabase(newDir("startup"));
        const QString home = dir.filePath("startup-home");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home);
        environment.insert("XDG_CONFIG_HOME", home + "/config");
        environment.insert("XDG_CONFIG_DIRS", home + "/etc");
        environment.insert("XDG_DATA_HOME", home + "/data");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("KOLVEX_CLOSE_AFTER_START", "1");
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KOLVEX_PROGRAM_DIR) + "/KolvexSelvantoPflege", {file});
        QVERIFY(program.waitForStarted());
        const bool ended = program.waitForFinished(60000);
        if (!ended)
            program.kill();
        QVERIFY(ended);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // It ran as far as closing its window: the window saved its column widths.
        QFile settingsFile(home + "/config/Tirma/KolvexSelvanto.conf");
        QVERIFY(settingsFile.open(QIODevice::ReadOnly));
        QVERIFY(settingsFile.readAll().contains("tableGeraeteSS"));
    }

    // The generated exports go through the import and the derivation as a
    // real export does: the cross-sections carry no field of the import's
    // own key name, so all 10,000 arrive, and those of an approved
    // construction type with an outer shell are derived.
    void generatedExportsImportAndDerive()
    {
        const QString exports = dir.filePath("exports");
        QString error;
        QVERIFY2(LargeDb::writeQuarnelExports(exports, 1, &error), qPrintable(error));
        QStringList header;
        QVERIFY(QuarnelExportFile(exports + "/QUERSCHN.txt").readFieldNames(&header));
        QVERIFY(!header.contains("NR", Qt::CaseInsensitive));
        QCOMPARE(header.first(), QStringLiteral("SYSNR"));

        const QString companion = dir.filePath("kolvex3.glo");
        QVERIFY(!openSqliteConnection(QLatin1String(kQuarnelConnection), companion, false).isValid());
        QSqlDatabase db = quarnelDb();
        for (const char *table : {"BAUART", "MATKENNW", "QUERSCHN"}) {
            const QString path = exports + "/" + table + ".txt";
            QStringList names;
            QVERIFY(QuarnelExportFile(path).readFieldNames(&names));
            QuarnelTableImport import(db, QLatin1String(table), path, names);
            QCOMPARE(import.run(), QuarnelTableImport::Imported);
            QVERIFY2(import.errors().isEmpty(), qPrintable(import.errors().value(0)));
        }
        QCOMPARE(TestSupport::scalar(db, "SELECT count(*) FROM QUERSCHN"), QStringLiteral("10000"));
        QCOMPARE(TestSupport::scalar(db, "SELECT max(NR) FROM QUERSCHN"), QStringLiteral("10000"));

        const QStringList messages = CrossSectionDerivation(db).run();
        QVERIFY2(messages.isEmpty(), qPrintable(messages.value(0)));
        // Construction type 4 is approved for no load: a quarter stays underived.
        QCOMPARE(TestSupport::scalar(db, "SELECT count(*) FROM QUERSCHN WHERE WdwInnen IS NOT NULL"),
                 QStringLiteral("7500"));
        QCOMPARE(TestSupport::scalar(db, "SELECT count(*) FROM QUERSCHN WHERE SYSNR=4 AND "
                                         "WdwInnen IS NULL"),
                 QStringLiteral("2500"));
    }
};

QTEST_MAIN(TestBenchTools)
#include "tst_benchtools.moc"
