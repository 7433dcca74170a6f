#include "importprogressmarker.h"
#include "leftovercleanup.h"
#include "tiedprocess.h"

#include <QDir>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

// A start removes what a crashed run left beside the database, and nothing else.
class TestLeftovers : public QObject
{
    Q_OBJECT

    static void touch(const QString &path)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }

private slots:
    void onlyOwnOldLeftoversAreRemoved()
    {
        QTemporaryDir dir;
        const QString base = dir.path();
        QVERIFY(QDir(base).mkpath(".kolvexupdate-a1B2c3/sub"));
        touch(base + "/.kolvexupdate-a1B2c3/sub/update.glo");
        touch(base + "/20260101kolvexDB3.glo.Xy12Ab.part");
        // Look-alikes that are not ours.
        QVERIFY(QDir(base).mkpath(".kolvexupdate-zu-lang"));
        QVERIFY(QDir(base).mkpath("kolvexupdate-a1B2c3"));
        touch(base + "/kolvexDB3.glo");
        touch(base + "/Bericht.part");
        touch(base + "/journal.sql");

        // Fresh leftovers may belong to a running instance.
        QVERIFY(LeftoverCleanup::removeIn(base).isEmpty());

        const QStringList removed =
            LeftoverCleanup::removeIn(base, QDateTime::currentDateTime().addSecs(60));
        QCOMPARE(removed.size(), 2);
        QVERIFY(!QFileInfo::exists(base + "/.kolvexupdate-a1B2c3"));
        QVERIFY(!QFileInfo::exists(base + "/20260101kolvexDB3.glo.Xy12Ab.part"));
        for (const char *kept : {".kolvexupdate-zu-lang", "kolvexupdate-a1B2c3", "kolvexDB3.glo",
                                 "Bericht.part", "journal.sql"})
            QVERIFY2(QFileInfo::exists(base + "/" + kept), kept);
    }

    // The marker of a running import names the tables still to be replaced.
    void anInterruptedImportNamesTheTablesNotReplaced()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("kolvex3.glo");
        QVERIFY(ImportProgressMarker::interruptedNotice(db).isEmpty());
        {
            ImportProgressMarker marker(db);
            marker.begin({"WAERMEDB", "QUERSCHNITTE", "HERSTELLER"});
            marker.tableReplaced("WAERMEDB");
            // The program ends here.
        }
        QCOMPARE(ImportProgressMarker::interruptedNotice(db),
                 QString("Der letzte Quarnel-Import wurde unterbrochen; nicht ersetzt: "
                         "QUERSCHNITTE, HERSTELLER"));
        ImportProgressMarker marker(db);
        marker.begin({"WAERMEDB"});
        marker.tableReplaced("WAERMEDB");
        QVERIFY(ImportProgressMarker::interruptedNotice(db).contains("Ableitungen"));
        marker.finish();
        QVERIFY(ImportProgressMarker::interruptedNotice(db).isEmpty());
        QVERIFY(!QFileInfo::exists(db + ".import"));
    }

#ifdef Q_OS_LINUX
    // A program that ends without stopping its shell takes the shell along.
    void aTiedChildEndsWithTheProgram()
    {
        QTemporaryDir dir;
        const QString pidFile = dir.filePath("kind.pid");
        QProcess program;
        program.start(QCoreApplication::applicationFilePath(), {"--tie-a-child", pidFile});
        QVERIFY(program.waitForFinished(-1));
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString stat = "/proc/" + QString::fromLatin1(file.readAll()).trimmed() + "/stat";
        const auto ended = [&stat] {
            QFile proc(stat);
            if (!proc.open(QIODevice::ReadOnly))
                return true;
            return proc.readAll().contains(") Z "); // a zombie nobody reaped yet
        };
        QTRY_VERIFY_WITH_TIMEOUT(ended(), 20000);
    }
#endif
};

// As a program of its own: starts a long-running child, notes its id and
// ends at once without stopping it.
static int tieAChildAndEnd(const QString &pidFile)
{
    TiedProcess child;
    child.start("sleep", {"300"});
    if (!child.waitForStarted())
        return 2;
    QFile file(pidFile);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray::number(child.processId()));
    file.close();
    std::_Exit(0);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--tie-a-child")
        return tieAChildAndEnd(QString::fromLocal8Bit(argv[2]));
    TestLeftovers test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_leftovers.moc"
