#include "crosssectionderivation.h"
#include "crosssectiongeometry.h"
#include "dbconnections.h"
#include "numberformat.h"
#include "quarnelderivations.h"
#include "quarnelexportdirectory.h"
#include "quarnelexportfile.h"
#include "quarnelmateriallookup.h"
#include "quarneltableimport.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <cmath>

using TestSupport::scalar;

// The steps after the import: manufacturer numbers, search table, index
// and the derived columns of the cross-sections, on real SQLite files.
class TestImportDerivations : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_target;
    QSqlDatabase m_db;

    void exec(const QString &sql)
    {
        QSqlQuery q(m_db);
        QVERIFY2(q.exec(sql), qPrintable(sql + ": " + q.lastError().text()));
    }

    QString shell(const QString &sql) const
    {
        return TestSupport::runSqlite3(m_target, sql + "\n").trimmed();
    }

    // Tables as the import creates them.
    void createCrossSectionTables()
    {
        exec("CREATE TABLE BAUART(NR INTEGER PRIMARY KEY,SYSNR,BEZEICHNUN,LAS_HL,LAS_NHL)");
        exec("INSERT INTO BAUART(SYSNR,BEZEICHNUN,LAS_HL,LAS_NHL) VALUES "
             "(1,'Zug',1,0),(2,'Rohr',0,1),(3,'Ohne',0,0)");
        exec("CREATE TABLE MATKENNW(NR INTEGER PRIMARY KEY,MATNR,BEZEICHNUN,WDW,WLZ)");
        exec("INSERT INTO MATKENNW(MATNR,BEZEICHNUN,WDW,WLZ) VALUES (11,'Wolle',0,0.05),"
             "(12,'Luft',0.17,0),(13,'Stahl','',50),(14,'Putz',0,0)");
        exec("CREATE TABLE QUERSCHN(NR INTEGER PRIMARY KEY,SYSNR,BEZEICHNUN,QFORM,WEITE1,WEITE2,"
             "QFORM_S,W1_S,W2_S,S1,S2,S3,S4,S5,W1,W2,W3,W4,W5)");
    }

    struct Layer
    {
        int material;
        double thickness;
    };

    // Adds a cross-section and returns its NR.
    int addSection(int sysnr, const QString &name, int inner, double a, double b, int outer,
                   double as, double bs, const QList<Layer> &layers)
    {
        QStringList materials;
        QStringList thicknesses;
        for (int i = 0; i < 5; ++i) {
            materials << QString::number(i < layers.size() ? layers.at(i).material : 0);
            thicknesses << QString::number(i < layers.size() ? layers.at(i).thickness : 0);
        }
        QSqlQuery q(m_db);
        const QString sql =
            QString("INSERT INTO QUERSCHN(SYSNR,BEZEICHNUN,QFORM,WEITE1,WEITE2,QFORM_S,W1_S,W2_S,"
                    "S1,S2,S3,S4,S5,W1,W2,W3,W4,W5) VALUES (%1,'%2',%3,%4,%5,%6,%7,%8,%9,%10)")
                .arg(sysnr)
                .arg(name)
                .arg(inner)
                .arg(a)
                .arg(b)
                .arg(outer)
                .arg(as)
                .arg(bs)
                .arg(materials.join(','), thicknesses.join(','));
        if (!q.exec(sql))
            qWarning() << sql << q.lastError().text();
        return q.lastInsertId().toInt();
    }

    // WdwInnen, WdwAussen, DickeInnen, DickeAussen of one section.
    QList<QVariant> derived(int nr)
    {
        QSqlQuery q(m_db);
        q.exec(QString("SELECT WdwInnen,WdwAussen,DickeInnen,DickeAussen FROM QUERSCHN WHERE NR=%1")
                   .arg(nr));
        QList<QVariant> values;
        if (q.next()) {
            for (int i = 0; i < 4; ++i)
                values << q.value(i);
        }
        return values;
    }

    static bool near(const QVariant &stored, double expected)
    {
        // Stored with at most four decimals.
        return !stored.isNull() && std::abs(stored.toDouble() - expected) <= 0.00005 + 1e-12;
    }

    static double wall(double factor, double d, double s, double lambda)
    {
        return factor * d / (2 * lambda) * std::log((d + 2 * s) / d);
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_target = m_dir->path() + "/kolvex3.glo";
        TestSupport::closeAllConnections();
        m_db = QSqlDatabase::addDatabase("QSQLITE", QLatin1String(kQuarnelConnection));
        m_db.setDatabaseName(m_target);
        QVERIFY(m_db.open());
    }

    void cleanup()
    {
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void geometry_data()
    {
        const double pi = CrossSectionGeometry::kPi;
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::addColumn<bool>("succeeded");
        QTest::addColumn<double>("area");
        QTest::addColumn<double>("diameter");  // -1: none
        QTest::newRow("circle") << 0 << 20.0 << 0.0 << true << pi * 100 << 20.0;
        QTest::newRow("square") << 1 << 20.0 << 99.0 << true << 400.0 << 20.0;
        QTest::newRow("rectangle") << 2 << 20.0 << 30.0 << true << 600.0 << 24.0;
        QTest::newRow("ellipse") << 3 << 180.0 << 220.0 << true << pi * 9900 << 198.0;
        QTest::newRow("ring") << 4 << 120.0 << 160.0 << true << pi * 2800 << 40.0;
        QTest::newRow("ring inside out") << 4 << 160.0 << 120.0 << false << 0.0 << -1.0;
        QTest::newRow("circle without size") << 0 << 0.0 << 0.0 << false << 0.0 << -1.0;
        QTest::newRow("rectangle without width") << 2 << 0.0 << 30.0 << false << 0.0 << -1.0;
        QTest::newRow("code 5") << 5 << 20.0 << 30.0 << true << 300.0 << -1.0;
        QTest::newRow("code 6") << 6 << 20.0 << 30.0 << true << 600.0 << -1.0;
        QTest::newRow("code 6 without size") << 6 << 0.0 << 30.0 << false << 0.0 << -1.0;
        QTest::newRow("unknown code") << 9 << 20.0 << 30.0 << true << 0.0 << -1.0;
    }

    void geometry()
    {
        QFETCH(int, code);
        QFETCH(double, a);
        QFETCH(double, b);
        QFETCH(bool, succeeded);
        QFETCH(double, area);
        QFETCH(double, diameter);
        const CrossSectionGeometry g(code, a, b);
        QCOMPARE(g.succeeded(), succeeded);
        if (succeeded)
            QVERIFY(qAbs(g.area() - area) < 1e-9 * qMax(1.0, area));
        QCOMPARE(g.hasHydraulicDiameter(), diameter >= 0);
        if (diameter >= 0)
            QVERIFY(qAbs(g.hydraulicDiameter() - diameter) < 1e-9);
    }

    void manufacturersWithoutOldTable()
    {
        exec("CREATE TABLE Hersteller(NR INTEGER PRIMARY KEY,id,hnr,hersteller,vonwas)");
        // An empty number arrives as empty text; it must not hide the highest
        // one. Numbers of rows with vonwas 3 are a range of their own.
        exec("INSERT INTO Hersteller(id,hnr,hersteller,vonwas) VALUES (1,5,'A',1),(2,0,'B',1),"
             "(3,0,'-',1),(4,0,'C',1),(0,0,'Null',1),(5,'','D',1),(6,9,'Alt',3),(7,0,'E',3)");
        QuarnelDerivations(m_db).numberManufacturers();
        QCOMPARE(shell("SELECT group_concat(hersteller || '=' || hnr, ' ') FROM "
                       "(SELECT * FROM Hersteller ORDER BY NR);"),
                 QString("A=5 B=6 -=0 C=7 Null=0 D=8 Alt=9 E=9"));
    }

    void manufacturersKeepTheirOldNumbers()
    {
        exec("CREATE TABLE Hersteller(NR INTEGER PRIMARY KEY,id,hnr,hersteller,vonwas)");
        exec("INSERT INTO Hersteller(id,hnr,hersteller,vonwas) VALUES (1,5,'A',1),(2,0,'B',1),"
             "(3,0,'C',1),(4,0,'D',1)");
        exec("CREATE TABLE Hersteller_alt(id,hnr,hersteller,vonwas)");
        exec("INSERT INTO Hersteller_alt VALUES (1,12,'C',1),(2,20,'X',1),(3,40,'Y',3),"
             "(4,0,'D',1)");
        QuarnelDerivations(m_db).numberManufacturers();
        QCOMPARE(shell("SELECT group_concat(hersteller || '=' || hnr, ' ') FROM "
                       "(SELECT * FROM Hersteller ORDER BY NR);"),
                 QString("A=5 B=21 C=12 D=22"));
    }

    void searchTableAndIndex()
    {
        exec("CREATE TABLE waermedb(NR INTEGER PRIMARY KEY,Hersteller,Typ,QN)");
        exec("INSERT INTO waermedb(Hersteller,Typ,QN) VALUES ('A','T1',5),('B','T2',6)");
        exec("CREATE TABLE waermedbfts(Hersteller,Typ)");
        exec("INSERT INTO waermedbfts VALUES ('stale','row')");
        QString error;
        QVERIFY(QuarnelDerivations(m_db).refreshSearchTable(&error));
        QCOMPARE(shell("SELECT group_concat(Hersteller || '/' || Typ, ' ') FROM waermedbfts;"),
                 QString("A/T1 B/T2"));
        QVERIFY(QuarnelDerivations(m_db).runAfterImport().isEmpty());
        QVERIFY(QuarnelDerivations(m_db).runAfterImport().isEmpty());
        QCOMPARE(shell("SELECT tbl_name FROM sqlite_master WHERE type='index' AND name='i1';"),
                 QString("waermedb"));
        exec("DROP TABLE waermedbfts");
        QVERIFY(!QuarnelDerivations(m_db).refreshSearchTable(&error));
        QVERIFY(error.contains("waermedbfts"));
    }

    void materialLookup()
    {
        exec("CREATE TABLE MATKENNW(NR INTEGER PRIMARY KEY,MATNR,WDW,WLZ)");
        // The middle row by position, unsorted: second of three, second of four.
        exec("INSERT INTO MATKENNW(MATNR,WDW,WLZ) VALUES (15,0,0.3),(15,0,0.1),(15,0,0.2),"
             "(16,0,0.4),(16,0,0.1),(16,0,0.3),(16,0,0.2),(17,0.5,0.9),(17,0,0.7),(18,'',0.6)");
        QuarnelMaterialLookup lookup(m_db);
        double wdw = -1;
        double wlz = -1;
        QVERIFY(lookup.find(15, &wdw, &wlz));
        QCOMPARE(wdw, 0.0);
        QCOMPARE(wlz, 0.1);
        QVERIFY(lookup.find(16, &wdw, &wlz));
        QCOMPARE(wlz, 0.1);
        QVERIFY(lookup.find(17, &wdw, &wlz));
        QCOMPARE(wdw, 0.5);
        QCOMPARE(wlz, 0.0);
        QVERIFY(lookup.find(18, &wdw, &wlz));
        QCOMPARE(wlz, 0.6);

        // Found materials are kept, missing ones asked for again.
        QVERIFY(!lookup.find(19, &wdw, &wlz));
        exec("DELETE FROM MATKENNW WHERE MATNR=15");
        exec("INSERT INTO MATKENNW(MATNR,WDW,WLZ) VALUES (19,0,0.8)");
        QVERIFY(lookup.find(15, &wdw, &wlz));
        QCOMPARE(wlz, 0.1);
        QVERIFY(lookup.find(19, &wdw, &wlz));
        QCOMPARE(wlz, 0.8);
    }

    void resistancesAndThicknesses()
    {
        createCrossSectionTables();
        const int circle = addSection(1, "Rund", 0, 20, 20, 0, 100, 100, {{11, 5}});
        const int square = addSection(2, "Quadrat", 1, 20, 20, 0, 100, 100, {{11, 5}});
        const int outer = addSection(1, "Mantel", 0, 20, 20, 1, 100, 100,
                                     {{11, 5}, {40, 99}, {13, 10}});
        const int resistance = addSection(1, "Luft", 0, 20, 20, 0, 100, 100,
                                          {{11, 5}, {12, 3}, {11, 2}});
        const int bare = addSection(1, "Leer", 0, 20, 20, 0, 30, 30, {{0, 5}, {11, 5}});
        const int tooNarrow = addSection(1, "Eng", 0, 20, 20, 0, 20, 20, {});
        QVERIFY(CrossSectionDerivation(m_db).run().isEmpty());

        QList<QVariant> v = derived(circle);
        QVERIFY(near(v.at(0), wall(1.0, 20, 5, 0.05)));   // 20/(2λ)·ln(30/20)
        QVERIFY(near(v.at(1), 0.0));
        QVERIFY(near(v.at(2), 5.0));
        QVERIFY(near(v.at(3), 0.0));
        QVERIFY(near(derived(square).at(0), wall(1.1, 20, 5, 0.05)));

        v = derived(outer);
        QVERIFY(near(v.at(0), wall(1.0, 20, 5, 0.05)));
        QVERIFY(near(v.at(1), wall(1.1, 100, 10, 50)));
        QVERIFY(near(v.at(2), 5.0));
        QVERIFY(near(v.at(3), 10.0));

        // A resistance of its own replaces what was summed; the diameter
        // grows only with conducting layers.
        QVERIFY(near(derived(resistance).at(0), 0.17 + wall(1.0, 30, 2, 0.05)));
        QVERIFY(near(derived(resistance).at(2), 10.0));

        v = derived(bare);
        QCOMPARE(v.size(), 4);
        for (const QVariant &value : v)
            QVERIFY(near(value, 0.0));
        for (const QVariant &value : derived(tooNarrow))
            QVERIFY(value.isNull());
    }

    // run() binds the values of its statements: what it stores must be
    // what the statement texts store, type and bits, also in a column that
    // came with the export (no NUMERIC affinity: 5 stays an integer, 0.1 a
    // real) and for values the texts cannot write as numbers (an infinite
    // layer thickness).
    void boundUpdatesStoreWhatTheStatementTextsStore()
    {
        createCrossSectionTables();
        exec("ALTER TABLE QUERSCHN ADD COLUMN DickeAussen");
        for (int i = 0; i < 40; ++i)
            addSection(1 + i % 2, QString("Q%1").arg(i), i % 4, 20 + i, 20 + 2 * i, i % 2,
                       100 + 3 * i, 120 + i, {{11, 0.5 * i}, {40, 0}, {13, 1.0 / (i + 1)}});
        exec("UPDATE QUERSCHN SET W3='1e400' WHERE BEZEICHNUN='Q7'");
        const QString copy = m_dir->path() + "/texts.glo";
        QVERIFY(QFile::copy(m_target, copy));
        CrossSectionDerivation(m_db).run();

        QSqlDatabase texts = QSqlDatabase::addDatabase("QSQLITE", "texts");
        texts.setDatabaseName(copy);
        QVERIFY(texts.open());
        {
            CrossSectionDerivation derivation(texts);
            QSqlQuery q(texts);
            for (const char *column : {"WdwInnen", "WdwAussen", "DickeInnen"})
                q.exec(QString("ALTER TABLE QUERSCHN ADD COLUMN %1 Numeric;").arg(column));
            QSqlQuery rows(texts);
            QVERIFY(rows.exec("SELECT * FROM QUERSCHN INNER JOIN BAUART ON QUERSCHN.SYSNR=BAUART.SYSNR "
                              "WHERE (LAS_HL!=0 OR LAS_NHL!=0) AND W1_S>0;"));
            QStringList statements;
            while (rows.next()) {
                CrossSectionDerivation::Values values;
                QString message;
                if (derivation.derive(rows.record(), &values, &message) && values.fits())
                    statements += CrossSectionDerivation::updateStatements(
                        values, rows.record().value("NR").toString());
            }
            QVERIFY(statements.size() > 100);
            for (const QString &statement : statements)
                q.exec(statement);
        }
        const QString cells = "SELECT group_concat(NR || typeof(WdwInnen) || quote(WdwInnen) || "
                              "typeof(WdwAussen) || quote(WdwAussen) || typeof(DickeInnen) || "
                              "quote(DickeInnen) || typeof(DickeAussen) || quote(DickeAussen), '|') "
                              "FROM (SELECT * FROM QUERSCHN ORDER BY NR);";
        const QString bound = shell(cells);
        QCOMPARE(bound, TestSupport::runSqlite3(copy, cells + "\n").trimmed());
        QVERIFY(bound.contains("integer5"));  // an integer in the column of the export
        QVERIFY(bound.contains("real0.1"));
        texts = QSqlDatabase();
        QSqlDatabase::removeDatabase("texts");
    }

    void statementsOfOneSection()
    {
        CrossSectionDerivation::Values values;
        values.resistance[0] = 81.09302162;
        values.resistance[1] = 0.17;
        values.thickness[0] = 5;
        values.thickness[1] = 12.5;
        QCOMPARE(CrossSectionDerivation::updateStatements(values, "7"),
                 QStringList({"UPDATE QUERSCHN SET WdwInnen=81.093 WHERE NR=7;",
                              "UPDATE QUERSCHN SET WdwAussen=0.17 WHERE NR=7;",
                              "UPDATE QUERSCHN SET DickeInnen=5 WHERE NR=7;",
                              "UPDATE QUERSCHN SET DickeAussen=12.5 WHERE NR=7;"}));
    }

    void sectionsThatCannotBeDerived()
    {
        createCrossSectionTables();
        const int noSize = addSection(1, "Ohne Maß", 0, 0, 0, 0, 100, 100, {{11, 5}});
        const int badRing = addSection(1, "Ring", 0, 20, 20, 4, 100, 80, {{11, 5}});
        const int missing = addSection(2, "Fremd", 0, 20, 20, 0, 100, 100, {{11, 5}, {99, 5}});
        const int neither = addSection(2, "Putz", 0, 20, 20, 0, 100, 100, {{14, 5}});
        const int noPerimeter = addSection(1, "Dreieck", 5, 20, 20, 0, 100, 100, {{11, 5}});
        const int unapproved = addSection(3, "Ohne Zulassung", 0, 20, 20, 0, 100, 100, {{11, 5}});
        const int noShell = addSection(1, "Ohne Mantel", 0, 20, 20, 0, 0, 0, {{11, 5}});
        const int good = addSection(1, "Gut", 0, 20, 20, 0, 100, 100, {{11, 5}});
        const int shrinking = addSection(1, "Negativ", 0, 20, 20, 0, 100, 100, {{11, -10}});

        const QStringList messages = CrossSectionDerivation(m_db).run();
        QCOMPARE(messages,
                 QStringList({QString("Fehler DhInnen: Ohne Maß%1").arg(noSize),
                              QString("Fehler DhAussen: Ring%1").arg(badRing),
                              "Material fehlt 99",
                              QString::fromUtf8("Weder Lambda noch Wdw für Material 14"),
                              QString("Fehler DhInnen: Dreieck%1").arg(noPerimeter),
                              QString("Fehler Schichten: Negativ%1").arg(shrinking)}));
        for (int nr : {noSize, badRing, missing, neither, noPerimeter, unapproved, noShell, shrinking})
            QVERIFY2(derived(nr).at(0).isNull(), qPrintable(QString::number(nr)));
        QVERIFY(near(derived(good).at(0), wall(1.0, 20, 5, 0.05)));
    }

    void derivationRunsOncePerTable()
    {
        createCrossSectionTables();
        // An empty table gets its columns.
        QVERIFY(CrossSectionDerivation(m_db).run().isEmpty());
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM pragma_table_info('QUERSCHN') WHERE name IN "
                              "('WdwInnen','WdwAussen','DickeInnen','DickeAussen')"),
                 QString("4"));
        exec("DROP TABLE QUERSCHN");
        exec("CREATE TABLE QUERSCHN(NR INTEGER PRIMARY KEY,SYSNR,BEZEICHNUN,QFORM,WEITE1,WEITE2,"
             "QFORM_S,W1_S,W2_S,S1,S2,S3,S4,S5,W1,W2,W3,W4,W5)");
        const int nr = addSection(1, "Rund", 0, 20, 20, 0, 100, 100, {{11, 5}});
        QVERIFY(!CrossSectionDerivation(m_db).alreadyDerived());
        QVERIFY(QuarnelDerivations(m_db).runAfterImport().isEmpty());
        QVERIFY(near(derived(nr).at(0), wall(1.0, 20, 5, 0.05)));

        // Once the table has the columns and rows, later presses leave it alone.
        exec(QString("UPDATE QUERSCHN SET WdwInnen=999 WHERE NR=%1").arg(nr));
        const int later = addSection(1, "Neu", 0, 20, 20, 0, 100, 100, {{11, 5}});
        QVERIFY(CrossSectionDerivation(m_db).alreadyDerived());
        QVERIFY(QuarnelDerivations(m_db).runAfterImport().isEmpty());
        QCOMPARE(derived(nr).at(0).toInt(), 999);
        QVERIFY(derived(later).at(0).isNull());
    }

    void derivationThatCannotBeStoredIsReportedAndTriedAgain()
    {
        createCrossSectionTables();
        const int nr = addSection(1, "Rund", 0, 20, 20, 0, 100, 100, {{11, 5}});
        QSqlDatabase quick = QSqlDatabase::addDatabase("QSQLITE", "kurzesWarten");
        quick.setConnectOptions("QSQLITE_BUSY_TIMEOUT=50");
        quick.setDatabaseName(m_target);
        QVERIFY(quick.open());
        {
            // Another program reads the file while the results are stored.
            TestSupport::OtherProgram other(m_target);
            QVERIFY(other.exec("BEGIN"));
            QVERIFY(other.exec("SELECT count(*) FROM QUERSCHN"));
            const QStringList messages = CrossSectionDerivation(quick).run();
            QCOMPARE(messages.size(), 1);
            QVERIFY2(messages.first().contains("QUERSCHN"), qPrintable(messages.first()));
            QVERIFY(other.exec("ROLLBACK"));
        }
        quick.close();
        // Nothing is left half done: the next import derives the table.
        QVERIFY(!CrossSectionDerivation(m_db).alreadyDerived());
        QVERIFY(CrossSectionDerivation(m_db).run().isEmpty());
        QVERIFY(near(derived(nr).at(0), wall(1.0, 20, 5, 0.05)));
    }

    // The demo exports, imported as the dialog does it, then derived.
    void demoExportsEndToEnd()
    {
        const QString exports = m_dir->path() + "/exports";
        QDir().mkpath(exports);
        const QDir demo(QStringLiteral(KOLVEX_SOURCE_DIR) + "/demo/quarnel");
        for (const QString &name : demo.entryList(QDir::Files))
            QVERIFY(QFile::copy(demo.filePath(name), exports + "/" + name));
        exec("CREATE TABLE waermedbfts(Hersteller,Typ)");
        exec("CREATE TABLE Hersteller_alt(id,hnr,hersteller,vonwas)");
        exec(QString::fromUtf8("INSERT INTO Hersteller_alt VALUES (9,7,'Wärmewerk Ost',1)"));
        QString failed;
        const QuarnelExportDirectory directory(exports);
        QVERIFY(directory.prepareManufacturerFile(&failed));
        const QStringList used = {"WAERMEDB", "BAUART", "HERSTELLER", "SAUGER",
                                  "MATERIAL", "MATKENNW", "QUERSCHN"};
        for (const QuarnelExportFile &file : directory.exportFiles()) {
            if (!used.contains(file.tableName()))
                continue;
            QStringList fields;
            file.readFieldNames(&fields);
            QuarnelTableImport import(m_db, file.tableName(), file.path(), fields);
            QCOMPARE(import.run(), QuarnelTableImport::Imported);
            QVERIFY2(import.errors().isEmpty(), qPrintable(import.errors().join('\n')));
        }
        // The steps give the window a chance between the rows they work through.
        QuarnelDerivations derivations(m_db);
        int busy = 0;
        derivations.setBusyHandler([&busy] { ++busy; }, 0);
        const QStringList messages = derivations.runAfterImport();
        QVERIFY2(busy >= 13, qPrintable(QString::number(busy)));  // 13 sections read and derived
        QCOMPARE(messages, QStringList({QString::fromUtf8("Fehler DhInnen: Rund ohne Maß11"),
                                        QString::fromUtf8("Weder Lambda noch Wdw für Material 14"),
                                        "Material fehlt 99"}));

        // Numbers: 1 and 3 kept, the Waerme manufacturer its old 7, the
        // new ones above everything in use.
        QCOMPARE(shell("SELECT group_concat(ID || '=' || HNR, ' ') FROM "
                       "(SELECT * FROM HERSTELLER ORDER BY ID);"),
                 QString("1=1 2=8 3=3 4=7 5=0 6=9"));
        QCOMPARE(shell("SELECT count(*) FROM waermedbfts WHERE Hersteller='Kachelbau Süd';"),
                 QString("2"));

        // Section 1: Mineralwolle (middle conductivity 0.05) replaced by the
        // air gap's resistance, then Schamotte outside.
        const QList<QVariant> first = derived(1);
        QVERIFY(near(first.at(0), 0.17));
        QVERIFY(near(first.at(1), wall(1.0, 350, 50, 0.9)));
        QVERIFY(near(first.at(2), 65));
        QVERIFY(near(first.at(3), 50));
        // Section 5: Blähton takes 0.15, the second of its four rows.
        QVERIFY(near(derived(5).at(0), wall(1.0, 180, 30, 0.15) + wall(1.0, 240, 20, 0.05)));
        // Section 8: a ring of hydraulic diameter 40 with the factor 1.1.
        QVERIFY(near(derived(8).at(0), wall(1.1, 40, 30, 0.05)));
        QCOMPARE(shell("SELECT group_concat(NR, ',') FROM QUERSCHN WHERE WdwInnen IS NOT NULL;"),
                 QString("1,2,3,5,6,7,8,9,15,16"));
    }
};

QTEST_GUILESS_MAIN(TestImportDerivations)
#include "tst_importderivations.moc"
