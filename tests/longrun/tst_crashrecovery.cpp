#include "appsettings.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "maindatabaseopening.h"
#include "testsupport.h"
#include "wertemodel.h"
#include "writeaction.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdlib>

// The program used at random through its real models, in a child process
// that is killed at the moment a commit is most fragile: after the journal
// lines are on the disk, before the file has the change. After each run the
// database is opened again as the program opens it, and the journal replayed
// by the sqlite3 shell onto the pristine copy must give the file.
//
// Bounded for CI: KOLVEX_RANDOM_ACTIONS actions per child run (default 60),
// KOLVEX_CRASH_RUNS killed runs (default 6).

namespace {

int envNumber(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

// ------------------------------------------------------------ child side

int g_commits = 0;
int g_killAtCommit = 0;

void killAtChosenCommit()
{
    if (++g_commits != g_killAtCommit)
        return;
#ifdef SIGKILL
    std::raise(SIGKILL);
#endif
    std::_Exit(9);
}

const QStringList &texts()
{
    static const QStringList pool = {
        QStringLiteral("Zeile1\r\nZeile2"), QStringLiteral("Ende mit CR\r"),
        QStringLiteral("O'Brien \"Nord\""), QStringLiteral("Kachelofen Süd ÄÖÜß"),
        QStringLiteral("\r\r\n\n"),          QStringLiteral("50%_Teillast"),
        QStringLiteral(""),                  QStringLiteral("  Rand  ")};
    return pool;
}

// One random user action on the models of the main page.
class RandomUser
{
public:
    explicit RandomUser(quint32 seed) : m_random(seed) {}

    void act()
    {
        AppSettings *s = AppSettings::instance();
        s->currentManufacturerId = m_random.bounded(4) == 0 ? 550 : 58;
        m_appliances.selectAppliances();
        if (m_appliances.recordCount() == 0)
            return;
        const int applianceRow = m_random.bounded(m_appliances.recordCount());
        s->currentApplianceId =
            m_appliances.data(m_appliances.index(applianceRow, 0), Qt::EditRole).toLongLong();
        m_values.reloadWerte();
        switch (m_random.bounded(8)) {
        case 0:
        case 1:
            editValue(QStringLiteral("BEMERKUNG"), randomText());
            break;
        case 2:
            editValue(QStringLiteral("TW"), QString::number(m_random.bounded(1000) / 8.0));
            break;
        case 3:
            typeNewValueSet();
            break;
        case 4:
            invoke(&m_values, "datenDuplizieren", randomValueRow());
            break;
        case 5:
            invoke(&m_values, "datenLoeschen", randomValueRow());
            break;
        case 6:
            invoke(&m_appliances, "datenDuplizieren", applianceRow);
            break;
        default:
            m_appliances.setData(m_appliances.index(applianceRow,
                                                    m_appliances.fieldIndex(QStringLiteral("TYP"))),
                                 randomText());
        }
    }

private:
    QString randomText() { return texts().at(m_random.bounded(texts().size())); }

    int randomValueRow()
    {
        const int count = m_values.rowCount() - 1;
        return count > 0 ? m_random.bounded(count) : -1;
    }

    void editValue(const QString &column, const QString &value)
    {
        const int row = randomValueRow();
        if (row >= 0)
            m_values.setData(m_values.index(row, m_values.fieldIndex(column)), value);
    }

    void typeNewValueSet()
    {
        const int newRow = m_values.rowCount() - 1;
        if (newRow >= 0)
            m_values.setData(m_values.index(newRow, m_values.fieldIndex(QStringLiteral("BEMERKUNG"))),
                             randomText());
    }

    static void invoke(QObject *model, const char *slot, int row)
    {
        if (row >= 0)
            QMetaObject::invokeMethod(model, slot, Q_ARG(QList<int>, QList<int>{row}));
    }

    QRandomGenerator m_random;
    GeraeteModel m_appliances;
    WerteModel m_values;
};

int runChild(const QStringList &args)
{
    // args: --child <settings dir> <database> <seed> <actions> <kill at commit>
    const QString base = args.at(2);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, base + "/user");
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, base + "/system");
    QLocale::setDefault(QLocale(QLocale::C, QLocale::AnyCountry));
    QCoreApplication::setApplicationName("KolvexSelvanto");
    QCoreApplication::setOrganizationName("Tirma");
    AppSettings *s = AppSettings::instance();
    s->manufacturerMode = false;
    s->allFilter.clear();
    const MainDatabaseOpening opening = MainDatabaseOpening::open(args.at(3), false);
    if (!opening.opened)
        return 3;
    g_killAtCommit = args.at(6).toInt();
    WriteAction::setBeforeCommitHook(killAtChosenCommit);
    RandomUser user(args.at(4).toUInt());
    const int actions = args.at(5).toInt();
    for (int i = 0; i < actions; ++i)
        user.act();
    return 0;
}

} // namespace

// ------------------------------------------------------------ parent side

class TestCrashRecovery : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_dbFile;
    QString m_pristine;

    QString journalPath() const { return QFileInfo(m_dbFile).absolutePath() + "/journal.sql"; }

    int runChildProcess(quint32 seed, int actions, int killAtCommit)
    {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--child", TestSupport::settingsDir(), m_dbFile, QString::number(seed),
                     QString::number(actions), QString::number(killAtCommit)});
        child.waitForFinished(-1);
        return child.exitStatus() == QProcess::CrashExit ? -1 : child.exitCode();
    }

    // Replays the journal onto a copy of the pristine file with the sqlite3
    // shell and compares every table but the groups: rowid, value and type.
    QStringList replayDifferences()
    {
        const QString replayed = m_dir->path() + "/replayed.glo";
        QFile::remove(replayed);
        QFile::copy(m_pristine, replayed);
        QFile journal(journalPath());
        journal.open(QIODevice::ReadOnly);
        QProcess shell;
        shell.start(QStringLiteral(KOLVEX_SQLITE3), {"-bail", replayed});
        shell.waitForStarted();
        shell.write(journal.readAll());
        shell.closeWriteChannel();
        shell.waitForFinished(-1);
        if (shell.exitCode() != 0)
            return {QStringLiteral("replay stopped: ") + shell.readAllStandardError()};

        QStringList differences;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "vergleich");
            db.setDatabaseName(m_dbFile);
            db.open();
            QSqlQuery q(db);
            q.exec(QStringLiteral("ATTACH DATABASE '%1' AS r").arg(replayed));
            q.exec("SELECT name FROM main.sqlite_master WHERE type='table' AND name<>'gruppen'");
            QStringList tables;
            while (q.next())
                tables << q.value(0).toString();
            for (const QString &table : tables)
                differences << tableDifferences(db, table);
        }
        QSqlDatabase::removeDatabase("vergleich");
        return differences;
    }

    static QStringList tableDifferences(QSqlDatabase db, const QString &table)
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("PRAGMA main.table_info(\"%1\")").arg(table));
        QStringList columns{"rowid"};
        while (q.next()) {
            const QString c = "\"" + q.value(1).toString() + "\"";
            columns << c << "typeof(" + c + ")";
        }
        const QString list = columns.join(',');
        QStringList result;
        for (const auto &pair : {qMakePair(QString("main"), QString("r")),
                                 qMakePair(QString("r"), QString("main"))}) {
            q.exec(QStringLiteral("SELECT count(*) FROM (SELECT %1 FROM %2.\"%4\" "
                                  "EXCEPT SELECT %1 FROM %3.\"%4\")")
                       .arg(list, pair.first, pair.second, table));
            if (!q.next())
                result << table + ": " + q.lastError().text();
            else if (q.value(0).toInt() > 0)
                result << QStringLiteral("%1: %2 rows only in %3").arg(table).arg(q.value(0).toInt()).arg(pair.first);
        }
        return result;
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        m_dir = new QTemporaryDir;
        m_dbFile = TestSupport::copyDemoDatabase(m_dir->path());
        m_pristine = m_dir->path() + "/pristine.glo";
        QFile::copy(m_dbFile, m_pristine);
        AppSettings::instance()->manufacturerMode = false;
    }

    void cleanupTestCase()
    {
        TestSupport::closeAllConnections();
        delete m_dir;
    }

    // Random use runs through; then it is killed again and again just
    // before a commit. The file and the replayed journal agree every time,
    // and the lines of each lost change are kept aside.
    void killedBeforeCommitTheJournalIsCutBackToTheFile()
    {
        const int actions = envNumber("KOLVEX_RANDOM_ACTIONS", 60);
        const int runs = envNumber("KOLVEX_CRASH_RUNS", 6);
        QCOMPARE(runChildProcess(1, actions, 0), 0);
        QVERIFY(QFileInfo(journalPath()).size() > 0);
        QCOMPARE(replayDifferences().join('\n'), QString());

        QRandomGenerator random(7);
        int killed = 0;
        for (int run = 0; run < runs; ++run) {
            const int status = runChildProcess(100 + run, actions, 1 + random.bounded(actions / 2));
            if (status == 0)
                continue; // the chosen commit never came
            QCOMPARE(status, -1);
            ++killed;
            const qint64 before = QFileInfo(journalPath()).size();
            const MainDatabaseOpening opening = MainDatabaseOpening::open(m_dbFile, false);
            QVERIFY(opening.opened);
            QVERIFY2(opening.journalNotice.contains("nicht-gespeichert"),
                     qPrintable(opening.journalNotice));
            QVERIFY(QFileInfo(journalPath()).size() < before);
            TestSupport::closeAllConnections();
            QCOMPARE(replayDifferences().join('\n'), QString());
        }
        QVERIFY(killed > 0);
        const QStringList aside =
            QDir(m_dir->path()).entryList({"journal.sql.nicht-gespeichert-*"}, QDir::Files);
        QCOMPARE(aside.size(), killed);
    }

    // Texts with CR and CR LF are written so that the shell reads them back.
    void textsWithCarriageReturnsReplayExactly()
    {
        QVERIFY(MainDatabaseOpening::open(m_dbFile, false).opened);
        AppSettings *s = AppSettings::instance();
        s->currentApplianceId = 25000;
        WerteModel values;
        values.reloadWerte();
        const int column = values.fieldIndex(QStringLiteral("BEMERKUNG"));
        QVERIFY(values.setData(values.index(0, column), QStringLiteral("Zeile1\r\nZeile2")));
        QVERIFY(values.setData(values.index(1, column), QStringLiteral("\rA'\r")));
        const QString id = values.data(values.index(0, 0), Qt::EditRole).toString();
        QCOMPARE(TestSupport::scalar(kolvexDb(), "SELECT hex(Bemerkung) FROM Werte WHERE WerteId="
                                         + id),
                 QString("5A65696C65310D0A5A65696C6532"));
        TestSupport::closeAllConnections();
        QCOMPARE(replayDifferences().join('\n'), QString());
    }

    // A journal shorter than the recorded state is reported, not padded.
    void aShortenedJournalIsReported()
    {
        TestSupport::closeAllConnections();
        const qint64 size = QFileInfo(journalPath()).size();
        QVERIFY(size > 10);
        QFile::resize(journalPath(), size - 10);
        const MainDatabaseOpening opening = MainDatabaseOpening::open(m_dbFile, false);
        QVERIFY(opening.journalNotice.contains(QStringLiteral("kürzer")));
        QCOMPARE(QFileInfo(journalPath()).size(), size - 10);
        TestSupport::closeAllConnections();
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 7 && args.at(1) == QLatin1String("--child"))
        return runChild(args);
    TestCrashRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashrecovery.moc"
