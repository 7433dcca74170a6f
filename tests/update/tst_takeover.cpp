#include "appsettings.h"
#include "dbconnections.h"
#include "manufacturerbasecopy.h"
#include "manufacturertakeover.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

// Taking a manufacturer's returned file back into the main file, on copies of
// the demo database changed with the real sqlite3 shell the way a
// manufacturer and, meanwhile, the maintainer would change them.
class TestTakeOver : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> m_dir;
    QString m_main;      // the maintainer's file
    QString m_pristine;  // the main file before the take-over
    QString m_returned;  // the manufacturer's file
    QString m_base;      // the file as it was sent

    using Change = ManufacturerTakeOver::Change;

    static QByteArray checksum(const QString &file)
    {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }

    static QString shell(const QString &file, const QString &sql)
    {
        return TestSupport::runSqlite3(file, sql);
    }

    // Rows as the shell prints them.
    static QString rows(const QString &file, const QString &select)
    {
        return shell(file, ".mode insert x\n" + select + ";\n");
    }

    // Everything outside the take-over: other manufacturers, hand rows,
    // the other tables.
    static QString outsideScope(const QString &file, int manufacturer)
    {
        const QString m = QString::number(manufacturer);
        return rows(file, "SELECT * FROM Geraete WHERE HrstId<>" + m
                              + " OR coalesce(hand,0) ORDER BY TirmaId")
               + rows(file, "SELECT * FROM Werte WHERE coalesce(hand,0) OR Geraet NOT IN (SELECT "
                            "TirmaId FROM Geraete WHERE HrstId=" + m
                              + " AND NOT coalesce(hand,0)) ORDER BY WerteId")
               + rows(file, "SELECT * FROM Hersteller ORDER BY Id")
               + rows(file, "SELECT * FROM Aufsatz ORDER BY Id");
    }

    int indexOf(const ManufacturerTakeOver &takeOver, const QString &table, int returnedId,
                int mainId = -1) const
    {
        const QList<Change> changes = takeOver.changes();
        for (int i = 0; i < changes.size(); ++i)
            if (changes.at(i).table == table
                && (returnedId ? changes.at(i).returnedId == returnedId
                               : changes.at(i).mainId == mainId))
                return i;
        return -1;
    }

    void replayOnto(const QString &statementsFile, const QString &target)
    {
        const QString out = shell(target, ".bail on\nBEGIN;\n.read '" + statementsFile
                                              + "'\nCOMMIT;\nSELECT 'ok';\n");
        QVERIFY2(out.trimmed().endsWith("ok"), qPrintable(out));
    }

    void checkJournalReplays()
    {
        const QString journal = QFileInfo(m_main).absolutePath() + "/journal.sql";
        QProcess oracle;
        oracle.start("python3", {"/work/shared/tools/journal_oracle.py", m_pristine, journal,
                                 m_main, "--skip", "gruppen,seqidxs"});
        QVERIFY(oracle.waitForFinished(60000));
        QVERIFY2(oracle.exitCode() == 0, oracle.readAllStandardOutput() + oracle.readAllStandardError());
    }

    void openMainAt()
    {
        QFile::remove(m_pristine);
        QVERIFY(QFile::copy(m_main, m_pristine));
        TestSupport::openKolvex(m_main);
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        AppSettings::instance()->manufacturerMode = false;
    }

    void init()
    {
        m_dir.reset(new QTemporaryDir);
        QDir().mkpath(m_dir->path() + "/main");
        m_main = TestSupport::copyDemoDatabase(m_dir->path() + "/main");
        m_returned = m_dir->path() + "/returned.glo";
        m_base = m_dir->path() + "/base.glo";
        m_pristine = m_dir->path() + "/pristine.glo";
        QVERIFY(QFile::copy(m_main, m_returned));
        QVERIFY(QFile::copy(m_main, m_base));
        AppSettings::instance()->dbFile = m_main;
    }

    void cleanup()
    {
        TestSupport::closeAllConnections();
    }

    void returnedFileWithoutChangeShowsNoLine()
    {
        openMainAt();
        ManufacturerTakeOver twoWay(58, m_returned);
        QVERIFY2(twoWay.compare(), qPrintable(twoWay.errorText()));
        QCOMPARE(twoWay.changes().size(), 0);
        ManufacturerTakeOver threeWay(58, m_returned, m_base);
        QVERIFY2(threeWay.compare(), qPrintable(threeWay.errorText()));
        QCOMPARE(threeWay.changes().size(), 0);
    }

    void unreadableFilesAreRefused()
    {
        openMainAt();
        ManufacturerTakeOver missing(58, m_dir->path() + "/gibtsnicht.glo");
        QVERIFY(!missing.compare());
        QVERIFY(missing.errorText().contains("existiert nicht"));
        const QString empty = m_dir->path() + "/leer.glo";
        shell(empty, "CREATE TABLE Hersteller (Id INTEGER);\n");
        ManufacturerTakeOver noTables(58, empty);
        QVERIFY(!noTables.compare());
        QVERIFY2(noTables.errorText().contains("Geraete und Werte"), qPrintable(noTables.errorText()));
    }

    // Two-way: new, changed and deleted records, ids outside the range or
    // used meanwhile, derived sets, a missing attachment.
    void twoWayTakeOverBringsTheManufacturersWork()
    {
        // The maintainer meanwhile adds value set 70013 to appliance 25001.
        shell(m_main, "INSERT INTO Werte (WerteId,Geraet,Bemerkung,TW) VALUES (70013,25001,'Pflege',1);\n");
        shell(m_main, "INSERT INTO gruppen VALUES ('Pflege',70005);\n"
                      "INSERT INTO Werte (WerteId,Geraet,Bemerkung) VALUES (130,400,'Anderer Hersteller');\n");
        // The manufacturer: a new appliance outside the range (900) with a
        // source set and a set derived from it, a new set whose id the main
        // file uses for another appliance (70013) and one whose id a hand
        // other manufacturer's set uses (130), a derived set whose attachment is missing, a
        // changed set, a changed appliance, a deleted set.
        shell(m_returned,
              "INSERT INTO Geraete (TirmaId,HrstId,Typ,hand) VALUES (900,58,'Neu 1',0);\n"
              "INSERT INTO Werte (WerteId,Geraet,Bemerkung,TW,PW,QN) VALUES (500,900,'Quelle',200.25,10,7);\n"
              "INSERT INTO Werte (WerteId,Geraet,Bemerkung,TW,BEMERKUNGID,AUSATZRINGEID) VALUES (501,900,'Aufsatz',205.25,500,1);\n"
              "INSERT INTO Werte (WerteId,Geraet,Bemerkung,TW) VALUES (70013,25000,'Hersteller',3.5);\n"
              "INSERT INTO Werte (WerteId,Geraet,Bemerkung) VALUES (130,25002,'Kollision');\n"
              "INSERT INTO Werte (WerteId,Geraet,Bemerkung,BEMERKUNGID,AUSATZRINGEID) VALUES (70014,25002,'Ohne Aufsatz',70007,77);\n"
              "UPDATE Werte SET TW=240.125, Bemerkung='Teillast ''neu''' WHERE WerteId=70001;\n"
              "UPDATE Geraete SET Typ='Fjord 7W plus' WHERE TirmaId=25001;\n"
              "DELETE FROM Werte WHERE WerteId=70005;\n"
              "UPDATE Geraete SET Typ='Hand geändert' WHERE TirmaId=1201;\n"
              "UPDATE Werte SET TW=1 WHERE WerteId=60000;\n");
        const QByteArray returnedSum = checksum(m_returned);
        openMainAt();
        const QString outsideBefore = outsideScope(m_main, 58);

        ManufacturerTakeOver takeOver(58, m_returned);
        QVERIFY2(takeOver.compare(), qPrintable(takeOver.errorText()));
        const QList<Change> changes = takeOver.changes();

        const int appliance = indexOf(takeOver, "Geraete", 900);
        QVERIFY(appliance >= 0);
        QCOMPARE(changes.at(appliance).kind, ManufacturerTakeOver::New);
        QCOMPARE(changes.at(appliance).mainId, 25003); // first free id of the range
        const int source = indexOf(takeOver, "Werte", 500);
        const int derived = indexOf(takeOver, "Werte", 501);
        const int usedMeanwhile = indexOf(takeOver, "Werte", 70013);
        const int handId = indexOf(takeOver, "Werte", 130);
        QVERIFY(source >= 0 && derived >= 0 && usedMeanwhile >= 0 && handId >= 0);
        // Moved to the lowest ids free in both files: the gap 70003, then
        // past 70013 (the maintainer's) and 70014 (kept by the returned set).
        QCOMPARE(changes.at(handId).mainId, 70003);
        QCOMPARE(changes.at(source).mainId, 70015);
        QCOMPARE(changes.at(usedMeanwhile).mainId, 70017);
        QCOMPARE(changes.at(indexOf(takeOver, "Werte", 70014)).mainId, 70014);
        const int changed = indexOf(takeOver, "Werte", 70001);
        QCOMPARE(changes.at(changed).kind, ManufacturerTakeOver::Changed);
        QCOMPARE(changes.at(changed).columns, (QStringList{"Bemerkung", "TW"}));
        QCOMPARE(changes.at(changed).returnedValues.at(1), QString("240.125"));
        const int changedAppliance = indexOf(takeOver, "Geraete", 25001);
        QCOMPARE(changes.at(changedAppliance).columns, QStringList{"Typ"});
        // Two-way: deletions are shown unticked, also the maintainer's own set.
        const int deleted = indexOf(takeOver, "Werte", 0, 70005);
        QCOMPARE(changes.at(deleted).kind, ManufacturerTakeOver::Deleted);
        QVERIFY(!changes.at(deleted).chosen);
        const int maintainers = indexOf(takeOver, "Werte", 0, 70013);
        QCOMPARE(changes.at(maintainers).kind, ManufacturerTakeOver::Deleted);
        QVERIFY(!changes.at(maintainers).chosen);
        QCOMPARE(changes.size(), 10);
        QVERIFY2(takeOver.notes().join(" ").contains("Aufsatz 77"), qPrintable(takeOver.notes().join("\n")));

        takeOver.setChosen(deleted, true);
        QVERIFY2(takeOver.apply(), qPrintable(takeOver.errorText()));
        QVERIFY2(takeOver.resultText().contains("6 neu, 2 geändert, 1 gelöscht, 0 Konflikte; nicht "
                                                "übernommen: 1"),
                 qPrintable(takeOver.resultText()));

        // The returned file is untouched; outside the take-over nothing moved.
        QCOMPARE(checksum(m_returned), returnedSum);
        QCOMPARE(outsideScope(m_main, 58), outsideBefore);
        // Every taken record stands in the main file as it was returned.
        const int sourceId = changes.at(source).mainId;
        QCOMPARE(rows(m_main, "SELECT Geraet,Bemerkung,TW,PW,QN FROM Werte WHERE WerteId=" + QString::number(sourceId)),
                 rows(m_returned, "SELECT 25003,Bemerkung,TW,PW,QN FROM Werte WHERE WerteId=500"));
        QCOMPARE(shell(m_main, "SELECT Geraet,BEMERKUNGID,AUSATZRINGEID FROM Werte WHERE WerteId="
                                   + QString::number(changes.at(derived).mainId) + ";\n").trimmed(),
                 QString("25003|%1|1").arg(sourceId));
        QCOMPARE(shell(m_main, "SELECT BEMERKUNGID,AUSATZRINGEID FROM Werte WHERE Bemerkung='Ohne Aufsatz';\n").trimmed(),
                 QString("0|0"));
        QCOMPARE(rows(m_main, "SELECT * FROM Werte WHERE WerteId=70001"),
                 rows(m_returned, "SELECT * FROM Werte WHERE WerteId=70001"));
        QCOMPARE(rows(m_main, "SELECT * FROM Geraete WHERE TirmaId=25001"),
                 rows(m_returned, "SELECT * FROM Geraete WHERE TirmaId=25001"));
        QCOMPARE(shell(m_main, "SELECT count(*) FROM Werte WHERE WerteId=70005;\n"
                               "SELECT count(*) FROM gruppen WHERE werteid=70005;\n"
                               "SELECT Geraet FROM Werte WHERE WerteId=70013;\n").trimmed(),
                 QString("0\n0\n25001"));
        // No value set points at a missing appliance or source.
        QCOMPARE(shell(m_main, "SELECT count(*) FROM Werte WHERE Geraet NOT IN (SELECT TirmaId FROM Geraete)"
                               " OR (BEMERKUNGID>0 AND BEMERKUNGID NOT IN (SELECT WerteId FROM Werte));\n").trimmed(),
                 QString("0"));

        // Journal and script both reproduce the file from the state before.
        checkJournalReplays();
        const QString expectedScript = QFileInfo(m_main).absolutePath() + "/Kaminwerk_Nordheim_"
                                       + QDate::currentDate().toString("yyyyMMdd") + ".sql";
        QCOMPARE(takeOver.scriptPath(), expectedScript);
        const QString copy = m_dir->path() + "/scriptcopy.glo";
        QVERIFY(QFile::copy(m_pristine, copy));
        replayOnto(expectedScript, copy);
        QCOMPARE(rows(copy, "SELECT * FROM Werte ORDER BY WerteId") + rows(copy, "SELECT * FROM Geraete ORDER BY TirmaId")
                     + rows(copy, "SELECT * FROM gruppen ORDER BY werteid"),
                 rows(m_main, "SELECT * FROM Werte ORDER BY WerteId") + rows(m_main, "SELECT * FROM Geraete ORDER BY TirmaId")
                     + rows(m_main, "SELECT * FROM gruppen ORDER BY werteid"));

        // Taken over once more: nothing is left to show, and a second
        // script of the day would get a suffix.
        ManufacturerTakeOver again(58, m_returned);
        QVERIFY(again.compare());
        for (const Change &change : again.changes())
            QVERIFY2(change.kind == ManufacturerTakeOver::Deleted
                         || change.kind == ManufacturerTakeOver::New,
                     qPrintable(change.table + QString::number(change.returnedId)));
    }

    void threeWayKeepsTheMaintainersWork()
    {
        shell(m_returned, "UPDATE Werte SET TW=999.5 WHERE WerteId=70001;\n"
                          "UPDATE Werte SET TW=333 WHERE WerteId=70004;\n"
                          "DELETE FROM Werte WHERE WerteId=70000;\n");
        shell(m_main, "UPDATE Werte SET TW=111 WHERE WerteId=70010;\n"
                      "UPDATE Werte SET TW=222 WHERE WerteId=70004;\n"
                      "INSERT INTO Werte (WerteId,Geraet,Bemerkung) VALUES (70013,25004,'Neu vom Pfleger');\n");
        openMainAt();
        ManufacturerTakeOver takeOver(58, m_returned, m_base);
        QVERIFY2(takeOver.compare(), qPrintable(takeOver.errorText()));
        const QList<Change> changes = takeOver.changes();
        QCOMPARE(changes.size(), 3);
        const int taken = indexOf(takeOver, "Werte", 70001);
        QCOMPARE(changes.at(taken).kind, ManufacturerTakeOver::Changed);
        QVERIFY(changes.at(taken).chosen);
        const int conflict = indexOf(takeOver, "Werte", 70004);
        QCOMPARE(changes.at(conflict).kind, ManufacturerTakeOver::Conflict);
        QVERIFY(!changes.at(conflict).chosen);
        QCOMPARE(changes.at(conflict).mainValues, QStringList{"222"});
        QCOMPARE(changes.at(conflict).returnedValues, QStringList{"333"});
        const int deleted = indexOf(takeOver, "Werte", 0, 70000);
        QCOMPARE(changes.at(deleted).kind, ManufacturerTakeOver::Deleted);
        QVERIFY(changes.at(deleted).chosen);

        QVERIFY2(takeOver.apply(), qPrintable(takeOver.errorText()));
        QCOMPARE(shell(m_main, "SELECT TW FROM Werte WHERE WerteId IN (70001,70004,70010) ORDER BY WerteId;\n"
                               "SELECT count(*) FROM Werte WHERE WerteId IN (70000,70013);\n"
                               "SELECT count(*) FROM gruppen WHERE werteid=70000;\n"
                               "SELECT BEMERKUNGID, AUSATZRINGEID FROM Werte WHERE WerteId=70002;\n").trimmed(),
                 QString("999.5\n222.0\n111.0\n1\n0\n0|0"));
        checkJournalReplays();
    }

    // Each record is compared in all three files at once: a cell set where
    // it was empty (NULL) counts as changed, the maintainer's change of
    // another column of the same set is kept, a change both made alike is
    // no line, and a set the maintainer changed the manufacturer did not
    // touch is no line either.
    void threeWayComparesEveryCellOfAllThreeFiles()
    {
        shell(m_returned, "UPDATE Werte SET DHW=140 WHERE WerteId=70002;\n"
                          "UPDATE Werte SET TW=77 WHERE WerteId=70006;\n");
        shell(m_main, "UPDATE Werte SET PW=3 WHERE WerteId=70002;\n"
                      "UPDATE Werte SET TW=77 WHERE WerteId=70006;\n"
                      "UPDATE Werte SET CO2=NULL WHERE WerteId=70007;\n");
        openMainAt();
        ManufacturerTakeOver takeOver(58, m_returned, m_base);
        QVERIFY2(takeOver.compare(), qPrintable(takeOver.errorText()));
        const QList<Change> changes = takeOver.changes();
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.at(0).table, QString("Werte"));
        QCOMPARE(changes.at(0).returnedId, 70002);
        QCOMPARE(changes.at(0).kind, ManufacturerTakeOver::Changed);
        QCOMPARE(changes.at(0).columns, QStringList{"DHW"});
        QCOMPARE(changes.at(0).mainValues, QStringList{"NULL"});
        QCOMPARE(changes.at(0).returnedValues, QStringList{"140"});
        QVERIFY2(takeOver.apply(), qPrintable(takeOver.errorText()));
        QCOMPARE(shell(m_main, "SELECT DHW, PW, TW FROM Werte WHERE WerteId IN (70002,70006) ORDER BY WerteId;\n"
                               "SELECT quote(CO2) FROM Werte WHERE WerteId=70007;\n").trimmed(),
                 QString("140.0|3.0|235.2\n|11.9|77.0\nNULL"));
        checkJournalReplays();
    }

    // The appliance itself is unchanged, so it is no line of the preview;
    // the new set must still land on it, not on appliance 0.
    void threeWayNewValueSetOfAnUnchangedAppliance()
    {
        shell(m_returned, "INSERT INTO Werte (WerteId,Geraet,Bemerkung,TW) VALUES (70014,25002,'Neu',12.5);\n");
        openMainAt();
        ManufacturerTakeOver takeOver(58, m_returned, m_base);
        QVERIFY2(takeOver.compare(), qPrintable(takeOver.errorText()));
        QCOMPARE(takeOver.changes().size(), 1);
        QCOMPARE(takeOver.changes().at(0).applianceId, 25002);
        QVERIFY2(takeOver.apply(), qPrintable(takeOver.errorText()));
        QCOMPARE(shell(m_main, "SELECT Geraet||'|'||Bemerkung FROM Werte WHERE Bemerkung='Neu';\n").trimmed(),
                 QString("25002|Neu"));
        checkJournalReplays();
    }

    void nonAsciiManufacturerGetsItsScriptAndASecondOneASuffix()
    {
        shell(m_returned, "UPDATE Werte SET TW=1.5 WHERE WerteId=60003;\n");
        openMainAt();
        const QString day = QDate::currentDate().toString("yyyyMMdd");
        const QString dir = QFileInfo(m_main).absolutePath();
        ManufacturerTakeOver first(550, m_returned);
        QVERIFY(first.compare());
        QCOMPARE(first.changes().size(), 1);
        QVERIFY(first.apply());
        QCOMPARE(first.scriptPath(), dir + QString("/Brunner_S\u00f6hne_") + day + ".sql");
        shell(m_returned, "UPDATE Werte SET TW=2.5 WHERE WerteId=60003;\n");
        ManufacturerTakeOver second(550, m_returned);
        QVERIFY(second.compare());
        QVERIFY(second.apply());
        QCOMPARE(second.scriptPath(), dir + QString("/Brunner_S\u00f6hne_") + day + "_2.sql");
        QVERIFY(QFileInfo::exists(first.scriptPath()));
        QCOMPARE(shell(m_main, "SELECT TW FROM Werte WHERE WerteId=60003;\n").trimmed(), QString("2.5"));
    }

    void failedApplyLeavesTheMainFileUnchanged()
    {
        shell(m_returned, "UPDATE Werte SET TW=5 WHERE WerteId=70001;\n");
        openMainAt();
        ManufacturerTakeOver takeOver(58, m_returned);
        QVERIFY(takeOver.compare());
        // Another program now makes the statement fail.
        {
            QSqlQuery q(kolvexDb());
            QVERIFY(q.exec("CREATE TRIGGER refuse BEFORE UPDATE ON Werte BEGIN SELECT RAISE(ABORT,'nein'); END"));
        }
        const QByteArray before = checksum(m_main);
        QVERIFY(!takeOver.apply());
        QVERIFY(takeOver.errorText().contains("unverändert"));
        QCOMPARE(checksum(m_main), before);
        QVERIFY(TestSupport::journalLines(m_main).isEmpty());
    }

    void baseCopyIsTheSentFile()
    {
        openMainAt();
        ManufacturerBaseCopy copy(58, m_main);
        QVERIFY(copy.existingBase().isEmpty());
        const QString sent = m_dir->path() + "/an_hersteller.glo";
        QVERIFY2(copy.create(kolvexDb(), sent), qPrintable(copy.errorText()));
        QCOMPARE(checksum(copy.existingBase()), checksum(sent));
        QVERIFY(copy.basePath().startsWith(QFileInfo(m_main).absolutePath()));
    }
};

QTEST_GUILESS_MAIN(TestTakeOver)
#include "tst_takeover.moc"
