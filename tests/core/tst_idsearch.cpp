#include "appsettings.h"
#include "idtable.h"
#include "testsupport.h"

#include <QSqlQuery>
#include <QtTest>

// Free-id search, record copy and the id table on copies of the demo database.
class TestIdSearch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;
    QSqlDatabase m_db;

    void exec(const QString &sql)
    {
        QSqlQuery q(m_db);
        QVERIFY2(q.exec(sql), qPrintable(sql));
    }
    int freeId(const QString &table, const QString &key, int manufacturer)
    {
        AppSettings::instance()->currentManufacturerId = manufacturer;
        return AppSettings::instance()->findFreeId(table, key, m_db);
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        AppSettings *s = AppSettings::instance();
        s->manufacturerMode = false;
        s->currentManufacturerId = -1;
        QFile::remove(m_dir.path() + "/journal.sql");
        m_file = TestSupport::copyDemoDatabase(m_dir.path());
        m_db = TestSupport::openKolvex(m_file);
    }

    void cleanup()
    {
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
    }

    void idTableHoldsOneToHundredThousand()
    {
        QCOMPARE(TestSupport::scalar(m_db, "SELECT count(*) FROM seqidxs"), QString("100000"));
        QCOMPARE(TestSupport::scalar(m_db, "SELECT min(id) || '-' || max(id) FROM seqidxs"),
                 QString("1-100000"));
        QCOMPARE(TestSupport::scalar(m_db, "SELECT count(*) FROM sqlite_temp_master "
                                           "WHERE name='seqidxs'"),
                 QString("1"));
        // Temporary: the file itself never gets the table.
        QVERIFY(!TestSupport::runSqlite3(m_file, "SELECT name FROM sqlite_master;\n")
                     .contains("seqidxs"));
        QVERIFY(TestSupport::journalLines(m_file).isEmpty());
        // A second fill on the same connection changes nothing.
        QVERIFY(!createIdTable(m_db));
        QCOMPARE(TestSupport::scalar(m_db, "SELECT count(*) FROM seqidxs"), QString("100000"));
        QVERIFY(m_db.transaction());   // no transaction was left open
        m_db.rollback();
    }

    void idTableStatementTexts()
    {
        const QString first = idTableInsertStatement(1, 100);
        QVERIFY(first.startsWith("INSERT INTO seqidxs VALUES (1),(2),(3),"));
        QVERIFY(first.endsWith(",(99),(100)"));
        QCOMPARE(first.count('('), 100);
        QCOMPARE(idTableInsertStatement(99901, 3),
                 QString("INSERT INTO seqidxs VALUES (99901),(99902),(99903)"));
    }

    void idTableOnAFreshConnection()
    {
        m_db = QSqlDatabase();
        m_db = TestSupport::openKolvex(m_file, false);
        QVERIFY(createIdTable(m_db));
        QCOMPARE(TestSupport::scalar(m_db, "SELECT sum(id) FROM seqidxs"),
                 QString("5000050000"));
    }

    void freeIdsRespectTheManufacturersLowerBound()
    {
        // 58 uses 25000, 25001, 25002 and 25004; 550 uses 20000, 20001 and 20003.
        QCOMPARE(freeId("Geraete", "TirmaId", 58), 25003);
        QCOMPARE(freeId("geraete", "TirmaId", 550), 20002);
        QCOMPARE(freeId("Werte", "WerteId", 58), 70003);
        QCOMPARE(freeId("WERTE", "WerteId", 550), 60009);
        // Without a range the search starts at 1, also for appliances and value sets.
        exec("INSERT INTO Geraete (TirmaId, HrstId, Typ) VALUES (1, 12, 'eins')");
        QCOMPARE(freeId("Geraete", "TirmaId", 12), 2);
        QCOMPARE(freeId("Werte", "WerteId", 12), 1);
        QCOMPARE(freeId("Geraete", "TirmaId", -1), 2);
        // Other tables never get a bound.
        QCOMPARE(freeId("Gkostand", "Id", 58), 6);
        QCOMPARE(freeId("Hersteller", "Id", 550), 1);
        // The key column need not be indexed.
        QCOMPARE(freeId("gruppen", "werteid", 58), 1);
    }

    void lowestIdOfTheRangeIsFoundWhenFree()
    {
        exec("DELETE FROM Geraete WHERE TirmaId=25000");
        exec("DELETE FROM Werte WHERE WerteId=70000");
        QCOMPARE(freeId("Geraete", "TirmaId", 58), 25000);
        // 70000 is still named as the source of 70002 and in a group.
        QCOMPARE(freeId("Werte", "WerteId", 58), 70003);
        exec("UPDATE Werte SET BEMERKUNGID=0 WHERE BEMERKUNGID=70000");
        exec("DELETE FROM gruppen WHERE werteid=70000");
        QCOMPARE(freeId("Werte", "WerteId", 58), 70000);
        QCOMPARE(freeId("Geraete", "TirmaId", 550), 20002);
    }

    void failedSearchIsToldFromAFullRange()
    {
        AppSettings *s = AppSettings::instance();
        s->currentManufacturerId = 58;
        QString error = "alt";
        QCOMPARE(s->findFreeId("Werte", "WerteId", m_db, &error), 70003);
        QVERIFY(error.isEmpty());
        exec("DROP TABLE temp.seqidxs");
        QCOMPARE(s->findFreeId("Werte", "WerteId", m_db, &error), -1);
        QCOMPARE(error, QString("no such table: seqidxs"));
    }

    void onlyTheLowerBoundApplies()
    {
        exec("WITH RECURSIVE n(i) AS (SELECT 25005 UNION ALL SELECT i+1 FROM n WHERE i<27600) "
             "INSERT INTO Geraete (TirmaId, HrstId, Typ) SELECT i, 58, 'voll' FROM n");
        exec("INSERT INTO Geraete (TirmaId, HrstId, Typ) VALUES (25003, 58, 'Lücke')");
        // Above the manufacturer's upper bound 27500.
        QCOMPARE(freeId("Geraete", "TirmaId", 58), 27601);
    }

    void fullRangeGivesNothing()
    {
        exec("WITH RECURSIVE n(i) AS (SELECT 70000 UNION ALL SELECT i+1 FROM n WHERE i<100000) "
             "INSERT OR IGNORE INTO Werte (WerteId, Geraet, Bemerkung) SELECT i, 25000, 'voll' "
             "FROM n");
        QCOMPARE(freeId("Werte", "WerteId", 58), -1);
        QCOMPARE(AppSettings::instance()->copyRecord("Werte", "WerteId", 70000, m_db), -1);
        QVERIFY(TestSupport::journalLines(m_file).isEmpty());
        // The lower range of 550 still has room.
        QCOMPARE(freeId("Werte", "WerteId", 550), 60009);
    }

    void failingSearchGivesMinusOne()
    {
        QCOMPARE(freeId("GibtEsNicht", "Id", -1), -1);
        m_db = QSqlDatabase();
        m_db = TestSupport::openKolvex(m_file, false);
        QCOMPARE(freeId("Werte", "WerteId", 58), -1);
    }

    void copyKeepsTextsAndTurnsNullIntoEmptyText()
    {
        AppSettings *s = AppSettings::instance();
        s->currentManufacturerId = 58;
        exec("UPDATE Werte SET Bemerkung=NULL WHERE WerteId=70000");
        const int copy = s->copyRecord("Werte", "WerteId", 70000, m_db);
        QCOMPARE(copy, 70003);
        QCOMPARE(TestSupport::scalar(m_db, "SELECT typeof(Bemerkung) || ':' || Bemerkung "
                                           "FROM Werte WHERE WerteId=70003"),
                 QString("text:"));
        // Numbers come back as numbers through the column affinity.
        QCOMPARE(TestSupport::scalar(m_db, "SELECT typeof(TW) || typeof(Geraet) FROM Werte "
                                           "WHERE WerteId=70003"),
                 TestSupport::scalar(m_db, "SELECT typeof(TW) || typeof(Geraet) FROM Werte "
                                           "WHERE WerteId=70000"));
        QCOMPARE(TestSupport::scalar(m_db, "SELECT TW FROM Werte WHERE WerteId=70003"),
                 TestSupport::scalar(m_db, "SELECT TW FROM Werte WHERE WerteId=70000"));

        const int second = s->copyRecord("Werte", "WerteId", 70002, m_db);
        QCOMPARE(second, 70013);
        QCOMPARE(TestSupport::scalar(m_db, "SELECT Bemerkung FROM Werte WHERE WerteId=70013"),
                 QString("Speicheraufsatz 'Nord'"));

        const QStringList journal = TestSupport::journalLines(m_file);
        QCOMPARE(journal.size(), 2);
        QVERIFY(journal.at(0).startsWith("insert into Werte (WERTEID,GERAET,BEMERKUNG,"));
        QVERIFY(journal.at(0).contains(" select 70003,coalesce(GERAET,''),coalesce(BEMERKUNG,''),"));
        QVERIFY(journal.at(1).endsWith(" from Werte where WerteId=70002;"));
        // The whole row matches the original apart from the key.
        QCOMPARE(TestSupport::runSqlite3(m_file,
                                         "SELECT count(*) FROM (SELECT * FROM Werte WHERE "
                                         "WerteId=70002 UNION SELECT * FROM Werte WHERE "
                                         "WerteId=70013);\n")
                     .trimmed(),
                 QString("2"));
        QCOMPARE(TestSupport::runSqlite3(m_file,
                                         "SELECT count(*) FROM (SELECT Geraet, TW, M, Bemerkung "
                                         "FROM Werte WHERE WerteId=70002 UNION SELECT Geraet, TW, "
                                         "M, Bemerkung FROM Werte WHERE WerteId=70013);\n")
                     .trimmed(),
                 QString("1"));
    }

    // Values are copied inside SQLite: nothing passes through a text.
    void copyIsExactForBlobsInvalidTextAndInfinity()
    {
        AppSettings *s = AppSettings::instance();
        s->currentManufacturerId = 58;
        exec("UPDATE Werte SET STUTZENLISTE=randomblob(30000000), "
             "Bemerkung=CAST(X'5A65696C65C328FF0D0A' AS TEXT), TW=9e999 WHERE WerteId=70000");
        const QString pristine = m_dir.path() + "/vorher.glo";
        QFile::remove(pristine);
        QVERIFY(QFile::copy(m_file, pristine));
        const int copy = s->copyRecord("Werte", "WerteId", 70000, m_db);
        QCOMPARE(copy, 70003);
        const QString sameRows = "SELECT count(*) FROM (SELECT STUTZENLISTE, Bemerkung, TW, "
                                 "typeof(STUTZENLISTE), typeof(TW) FROM Werte WHERE WerteId=70000 "
                                 "UNION SELECT STUTZENLISTE, Bemerkung, TW, typeof(STUTZENLISTE), "
                                 "typeof(TW) FROM Werte WHERE WerteId=70003)";
        QCOMPARE(TestSupport::scalar(m_db, sameRows), QString("1"));
        QCOMPARE(TestSupport::scalar(m_db, "SELECT length(STUTZENLISTE) FROM Werte "
                                           "WHERE WerteId=70003"),
                 QString("30000000"));
        // The journal replays the copy exactly.
        QFile journal(m_dir.path() + "/journal.sql");
        QVERIFY(journal.open(QIODevice::ReadOnly));
        TestSupport::runSqlite3(pristine, QString::fromUtf8(journal.readAll()));
        QCOMPARE(TestSupport::runSqlite3(pristine, sameRows + ";\n").trimmed(), QString("1"));
        QFile::remove(pristine);
    }

    void copyOfAMissingRowIsNotJournaled()
    {
        QCOMPARE(AppSettings::instance()->copyRecord("Gkostand", "Id", 4711, m_db), -1);
        QVERIFY(TestSupport::journalLines(m_file).isEmpty());
        QCOMPARE(TestSupport::scalar(m_db, "SELECT count(*) FROM Gkostand"), QString("5"));
    }

    void failingInsertIsNotJournaled()
    {
        exec("CREATE TABLE eindeutig (Id INTEGER PRIMARY KEY, Code TEXT UNIQUE)");
        exec("INSERT INTO eindeutig VALUES (3, 'O''Brien')");
        QCOMPARE(AppSettings::instance()->copyRecord("eindeutig", "Id", 3, m_db), -1);
        // The journal holds exactly what is in the file.
        QVERIFY(TestSupport::journalLines(m_file).isEmpty());
        QCOMPARE(TestSupport::scalar(m_db, "SELECT count(*) FROM eindeutig"), QString("1"));
    }

    void manufacturerModeCopiesWithoutJournal()
    {
        AppSettings *s = AppSettings::instance();
        s->manufacturerMode = true;
        s->currentManufacturerId = 58;
        QCOMPARE(s->copyRecord("Geraete", "TirmaId", 25000, m_db), 25003);
        QCOMPARE(TestSupport::scalar(m_db, "SELECT HrstId FROM Geraete WHERE TirmaId=25003"),
                 QString("58"));
        QVERIFY(TestSupport::journalLines(m_file).isEmpty());
        s->manufacturerMode = false;
    }
};

QTEST_MAIN(TestIdSearch)
#include "tst_idsearch.moc"
