#include "appsettings.h"
#include "dbconnections.h"
#include "manufacturerupdateexport.h"
#include "testsupport.h"
#include "updaterenumbering.h"

#include <QByteArrayList>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QtTest>

// The manufacturer update export on update files built from the demo
// database, with the real sqlite3 shell writing the script and the script
// read back into a fresh database by the same shell.
class TestUpdateExport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_mainDir;   // main database, shell link and script
    QString m_mainDb;
    QString m_update;    // the manufacturer's file
    QMap<qint64, QPair<qint64, qint64>> m_low;
    QMap<qint64, QPair<qint64, qint64>> m_high;

    static QString prepConnection() { return QStringLiteral("prep"); }

    // Runs statements on file through a connection of its own.
    static bool execOn(const QString &file, const QStringList &statements)
    {
        bool ok = true;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", prepConnection());
            db.setDatabaseName(file);
            ok = db.open();
            for (const QString &sql : statements) {
                QSqlQuery q(db);
                if (!q.exec(sql)) {
                    qWarning() << sql << q.lastError().text();
                    ok = false;
                }
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(prepConnection());
        return ok;
    }

    // Every row of Geraete and Werte plus the list of tables, as the shell prints them.
    static QString contents(const QString &file)
    {
        return TestSupport::runSqlite3(
            file, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name;\n"
                  ".mode insert Geraete\nSELECT * FROM Geraete ORDER BY TirmaId;\n"
                  ".mode insert Werte\nSELECT * FROM Werte ORDER BY WerteId;\n");
    }

    static QString ids(const QString &file, const QString &sql)
    {
        return TestSupport::runSqlite3(file, sql + ";\n").trimmed().replace('\n', ' ');
    }

    // Reads the script into a fresh database with the demo schema.
    QString loadScript(const QString &script)
    {
        const QString fresh = m_dir.path() + "/fresh.glo";
        QFile::remove(fresh);
        const QString schema = QStringLiteral(KOLVEX_SOURCE_DIR) + "/demo/kolvex_schema.sql";
        const QString errors = TestSupport::runSqlite3(
            fresh, QString(".bail on\n.read '%1'\n.read '%2'\nSELECT 'ok';\n").arg(schema, script));
        if (errors.trimmed() != "ok")
            qWarning() << "script read-in:" << errors;
        return fresh;
    }

    // All columns of one row except the named ones, as text.
    static QStringList rowWithout(const QString &file, const QString &table, const QString &key,
                                  int id, const QStringList &skip)
    {
        QStringList values;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", prepConnection());
            db.setDatabaseName(file);
            db.open();
            QSqlQuery q(db);
            q.exec(QString("SELECT * FROM %1 WHERE %2=%3").arg(table, key).arg(id));
            if (q.next()) {
                const QSqlRecord r = q.record();
                for (int i = 0; i < r.count(); ++i)
                    if (!skip.contains(r.fieldName(i), Qt::CaseInsensitive))
                        values << r.fieldName(i) + "=" + r.value(i).toString();
            }
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(prepConnection());
        return values;
    }

    void linkShell()
    {
        QVERIFY(QFile::link(QStringLiteral(KOLVEX_SQLITE3), m_mainDir + "/sqlite3"));
    }

    void writeFakeShell(const QByteArray &content, QFile::Permissions permissions)
    {
        QFile shell(m_mainDir + "/sqlite3");
        QVERIFY(shell.open(QIODevice::WriteOnly));
        shell.write(content);
        shell.close();
        QVERIFY(shell.setPermissions(permissions));
    }

    QStringList scripts() const
    {
        return QDir(m_mainDir).entryList({"*.sql"}, QDir::Files);
    }

    // Every entry of dir, hidden ones included.
    static QStringList entries(const QString &dir)
    {
        return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                       | QDir::NoDotAndDotDot,
                                   QDir::Name);
    }

    static QByteArray checksum(const QString &file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray();
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
    }

    // The update file of manufacturer 58: the demo rows plus
    //  - appliance 1200 (below the range) with value sets 90 and 91 (hand),
    //  - appliance 28000 (above the range) with value set 80000,
    //  - hand appliance 25003 and hand value set 70003 inside the range,
    //  - value set 70013 of manufacturer 550 inside 58's value range,
    //  - value set 70020 (in range) of appliance 1202 (below the range).
    // Demo: 1201 is a hand appliance; 105 is derived from 103 (both on 1202).
    void buildUpdateFile()
    {
        const QString dir = m_dir.path() + "/upd";
        QDir().mkpath(dir);
        const QString copy = TestSupport::copyDemoDatabase(dir);
        m_update = dir + "/update_58.glo";
        QFile::remove(m_update);
        QFile::remove(m_update + "-journal");
        QVERIFY(QFile::rename(copy, m_update));
        QVERIFY(execOn(
            m_update,
            {"INSERT INTO Geraete (TirmaId,HrstId,Typ,hand) VALUES (1200,58,'Kamin d''Or',0)",
             "INSERT INTO Geraete (TirmaId,HrstId,Typ,hand) VALUES (28000,58,'Hoch 9',NULL)",
             "INSERT INTO Geraete (TirmaId,HrstId,Typ,hand) VALUES (25003,58,'Handarbeit',1)",
             "INSERT INTO Werte (WerteId,Geraet,Bemerkung,hand,TW) VALUES (90,1200,'neu',0,310.5)",
             "INSERT INTO Werte (WerteId,Geraet,Bemerkung,hand) VALUES (91,1200,'von Hand',1)",
             "INSERT INTO Werte (WerteId,Geraet,Bemerkung,hand) VALUES (80000,28000,'hoch',0)",
             "INSERT INTO Werte (WerteId,Geraet,Bemerkung,hand) VALUES (70003,25000,'Hand',1)",
             "INSERT INTO Werte (WerteId,Geraet,Bemerkung,hand) VALUES (70013,20000,'fremd',0)",
             "INSERT INTO Werte (WerteId,Geraet,Bemerkung,hand) VALUES (70020,1202,'im Bereich',0)"}));
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        QVERIFY(m_dir.isValid());
        m_low = AppSettings::instance()->idRangeLow;
        m_high = AppSettings::instance()->idRangeHigh;
        QCOMPARE(m_low.value(58), (qMakePair<qint64, qint64>(25000, 70000)));
        QCOMPARE(m_high.value(58), (qMakePair<qint64, qint64>(27500, 75000)));
    }

    void init()
    {
        AppSettings *s = AppSettings::instance();
        s->manufacturerMode = false;
        s->currentManufacturerId = 550;
        s->idRangeLow = m_low;
        s->idRangeHigh = m_high;
        m_mainDir = m_dir.path() + "/main";
        QDir(m_mainDir).removeRecursively();
        QDir().mkpath(m_mainDir);
        m_mainDb = TestSupport::copyDemoDatabase(m_mainDir);
        buildUpdateFile();
    }

    void cleanup()
    {
        TestSupport::closeAllConnections();
    }

    void exportWritesRenumberedRowsAndLeavesTheFileAsItWas()
    {
        linkShell();
        const QString before = contents(m_update);
        const QByteArray sumBefore = checksum(m_update);
        const QStringList updateDirBefore = entries(QFileInfo(m_update).absolutePath());
        const QStringList mainDirBefore = entries(m_mainDir);
        ManufacturerUpdateExport update(58, "Kaminwerk_Nordheim", m_mainDb);
        QCOMPARE(update.run(m_update), ManufacturerUpdateExport::Exported);
        QVERIFY2(update.errorText().isEmpty(), qPrintable(update.errorText()));

        // The returned file is only read: the same bytes, nothing beside it,
        // and beside the main database nothing but the script.
        QCOMPARE(checksum(m_update), sumBefore);
        QCOMPARE(entries(QFileInfo(m_update).absolutePath()), updateDirBefore);
        QStringList expectedMainDir = mainDirBefore;
        expectedMainDir << QFileInfo(update.scriptPath()).fileName();
        expectedMainDir.sort();
        QCOMPARE(entries(m_mainDir), expectedMainDir);

        const QString script = update.scriptPath();
        QCOMPARE(script, m_mainDir + "/Kaminwerk_Nordheim_"
                             + QDate::currentDate().toString("yyyyMMdd") + ".sql");
        QCOMPARE(scripts(), QStringList{QFileInfo(script).fileName()});
        QFile scriptFile(script);
        QVERIFY(scriptFile.open(QIODevice::ReadOnly));
        const QByteArray text = scriptFile.readAll();
        QVERIFY(text.indexOf("INSERT INTO Geraete") >= 0);
        QVERIFY(text.indexOf("INSERT INTO Geraete") < text.indexOf("INSERT INTO Werte"));

        // The manufacturer's file holds its rows unchanged, nothing left aside.
        QCOMPARE(contents(m_update), before);
        QCOMPARE(AppSettings::instance()->currentManufacturerId, 550);
        QVERIFY(!QSqlDatabase::contains(QLatin1String(kUpdateConnection)));

        const QString fresh = loadScript(script);
        // 58's appliances without hand rows; 1200, 1202 and 28000 move to
        // the lowest ids from 25000 that no row of the file holds (25003 is
        // the hand appliance's).
        QCOMPARE(ids(fresh, "SELECT group_concat(TirmaId || ':' || HrstId, ' ') FROM "
                            "(SELECT * FROM Geraete ORDER BY TirmaId)"),
                 QString("25000:58 25001:58 25002:58 25004:58 25005:58 25006:58 25007:58"));
        QCOMPARE(ids(fresh, "SELECT Typ FROM Geraete WHERE TirmaId=25005"), QString("Kamin d'Or"));
        // Value sets of those appliances without hand rows; the ones outside
        // 70000..75000 move to ids no row of the file holds (70003 hand,
        // 70013 another manufacturer's); value sets follow their appliance
        // and a derived value set follows its source (105 from 103).
        QCOMPARE(ids(fresh, "SELECT group_concat(WerteId || ':' || Geraet || ':' || BEMERKUNGID, ' ')"
                            " FROM (SELECT * FROM Werte WHERE WerteId NOT BETWEEN 70000 AND 70012"
                            " ORDER BY WerteId)"),
                 QString("70014:25005:0 70015:25006:0 70016:25006:0 70017:25006:70015 "
                         "70018:25007:0 70020:25006:0"));
        QCOMPARE(ids(fresh, "SELECT count(*) FROM Werte WHERE WerteId BETWEEN 70000 AND 70012"),
                 QString("12"));

        // Apart from the ids, every exported row equals the file's row.
        const QMap<int, int> appliances{{25000, 25000}, {25001, 25001}, {25002, 25002},
                                        {25004, 25004}, {1200, 25005},  {1202, 25006},
                                        {28000, 25007}};
        for (auto it = appliances.cbegin(); it != appliances.cend(); ++it)
            QCOMPARE(rowWithout(fresh, "Geraete", "TirmaId", it.value(), {"TirmaId"}),
                     rowWithout(m_update, "Geraete", "TirmaId", it.key(), {"TirmaId"}));
        const QMap<int, int> valueSets{{90, 70014},    {103, 70015},   {104, 70016},
                                       {105, 70017},   {80000, 70018}, {70020, 70020},
                                       {70002, 70002}, {70012, 70012}};
        const QStringList moved{"WerteId", "Geraet", "BEMERKUNGID"};
        for (auto it = valueSets.cbegin(); it != valueSets.cend(); ++it) {
            const QStringList exported = rowWithout(fresh, "Werte", "WerteId", it.value(), moved);
            QVERIFY(!exported.isEmpty());
            QCOMPARE(exported, rowWithout(m_update, "Werte", "WerteId", it.key(), moved));
        }
    }

    void renumberedIdsAreFreeInTheMainFileTooAndTheMessageSaysWhatIsLeftOut()
    {
        linkShell();
        // The maintainer meanwhile used the first id the update file leaves free.
        QVERIFY(execOn(m_mainDb, {"INSERT INTO Werte (WerteId,Geraet,Bemerkung) VALUES "
                                  "(70014,25001,'Pflege')"}));
        ManufacturerUpdateExport update(58, "Kaminwerk_Nordheim", m_mainDb);
        QCOMPARE(update.run(m_update), ManufacturerUpdateExport::Exported);
        const QString fresh = loadScript(update.scriptPath());
        QCOMPARE(ids(fresh, "SELECT count(*) FROM Werte WHERE WerteId=70014"), QString("0"));
        QCOMPARE(ids(fresh, "SELECT Bemerkung FROM Werte WHERE WerteId=70015"), QString("neu"));
        // The update file holds the records of the main file as well: their
        // inserts fail, and the message says so instead of claiming success.
        QVERIFY2(update.caveats().join(' ').contains("gibt es in der Hauptdatei schon"),
                 qPrintable(update.caveats().join('\n')));
    }

    void renumberingWithoutShell()
    {
        ManufacturerUpdateExport update(58, "Kaminwerk_Nordheim", m_mainDb);
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", QLatin1String(kUpdateConnection));
        db.setDatabaseName(m_update);
        QVERIFY(db.open());
        QVERIFY2(update.prepareTables(db), qPrintable(update.errorText()));
        QCOMPARE(TestSupport::scalar(db, "SELECT group_concat(TirmaId, ' ') FROM "
                                         "(SELECT TirmaId FROM Geraete ORDER BY TirmaId)"),
                 QString("25000 25001 25002 25004 25005 25006 25007"));
        QCOMPARE(TestSupport::scalar(db, "SELECT group_concat(WerteId || ':' || Geraet, ' ') FROM "
                                         "(SELECT * FROM Werte WHERE Geraet>=25005 ORDER BY WerteId)"),
                 QString("70014:25005 70015:25006 70016:25006 70017:25006 70018:25007 70020:25006"));
        // The file's tables wait aside, untouched.
        QCOMPARE(TestSupport::scalar(db, "SELECT count(*) FROM GeraeteSave"), QString("23"));
        QCOMPARE(TestSupport::scalar(db, "SELECT Geraet FROM WerteSave WHERE WerteId=90"),
                 QString("1200"));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QLatin1String(kUpdateConnection));
    }

    void renumberingStartsAtTheLowestIdOfTheRange()
    {
        // Nothing of the range in use: the first appliance and the first
        // value set outside it get exactly the lower bounds.
        const QString file = m_dir.path() + "/grenze.glo";
        QFile::remove(file);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "Grenze");
            db.setDatabaseName(file);
            QVERIFY(db.open());
            for (const char *sql :
                 {"CREATE TABLE Geraete (TirmaId INTEGER PRIMARY KEY, HrstId INTEGER)",
                  "CREATE TABLE Werte (WerteId INTEGER PRIMARY KEY, Geraet INTEGER, "
                  "BEMERKUNGID INTEGER)",
                  "CREATE TABLE GeraeteSave (TirmaId INTEGER PRIMARY KEY, HrstId INTEGER)",
                  "CREATE TABLE WerteSave (WerteId INTEGER PRIMARY KEY, Geraet INTEGER, "
                  "BEMERKUNGID INTEGER)",
                  "INSERT INTO Geraete VALUES (1200, 58)", "INSERT INTO Geraete VALUES (1300, 58)",
                  "INSERT INTO Werte VALUES (90, 1200, 0)", "INSERT INTO Werte VALUES (91, 1300, 90)"})
                QVERIFY2(QSqlQuery(db).exec(sql), sql);
            UpdateRenumbering renumbering(db, 25000, 27500, 70000, 75000);
            QVERIFY2(renumbering.run(), qPrintable(renumbering.errorText()));
            QCOMPARE(renumbering.movedAppliances(), (QMap<qint64, qint64>{{1200, 25000}, {1300, 25001}}));
            QCOMPARE(renumbering.movedValueSets(), (QMap<qint64, qint64>{{90, 70000}, {91, 70001}}));
            QCOMPARE(TestSupport::scalar(db, "SELECT Geraet || ':' || BEMERKUNGID FROM Werte "
                                             "WHERE WerteId=70001"),
                     QString("25001:70000"));
            db.close();
        }
        QSqlDatabase::removeDatabase("Grenze");
    }

    void rangeWithoutEnoughFreeIdsChangesNothing()
    {
        // Only 99999 and 100000 are left for seven appliances: nothing may
        // be renumbered halfway, nothing exported.
        linkShell();
        AppSettings::instance()->idRangeLow[58] = qMakePair(99999, 70000);
        AppSettings::instance()->idRangeHigh[58] = qMakePair(100000, 75000);
        const QString before = contents(m_update);
        ManufacturerUpdateExport update(58, "Kaminwerk_Nordheim", m_mainDb);
        QCOMPARE(update.run(m_update), ManufacturerUpdateExport::PreparationFailed);
        QVERIFY(update.errorText().contains("freie Ids"));
        QCOMPARE(contents(m_update), before);
        QVERIFY(scripts().isEmpty());
        QCOMPARE(AppSettings::instance()->currentManufacturerId, 550);
    }

    void filesThatCannotBeOpened()
    {
        linkShell();
        ManufacturerUpdateExport update(58, "Kaminwerk_Nordheim", m_mainDb);
        // A path that does not exist: refused, and no empty database created.
        const QString missing = m_dir.path() + "/upd/gibtsnicht.glo";
        QCOMPARE(update.run(missing), ManufacturerUpdateExport::CannotOpen);
        QVERIFY(!QFile::exists(missing));
        QCOMPARE(update.run(m_dir.path() + "/upd"), ManufacturerUpdateExport::CannotOpen);
        // Not a database at all.
        const QString text = m_dir.path() + "/upd/notiz.txt";
        const QByteArray note =
            QByteArray("Dies ist keine Datenbank, sondern eine Notiz.\n").repeated(50);
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(note);
        file.close();
        QCOMPARE(update.run(text), ManufacturerUpdateExport::CannotOpen);
        QVERIFY(!update.errorText().isEmpty());
        QCOMPARE(QFileInfo(text).size(), qint64(note.size()));
        QVERIFY(scripts().isEmpty());
        QCOMPARE(AppSettings::instance()->currentManufacturerId, 550);
        QVERIFY(!QSqlDatabase::contains(QLatin1String(kUpdateConnection)));
    }

    void fileWithoutTheTables()
    {
        linkShell();
        const QString other = m_dir.path() + "/upd/nurgeraete.glo";
        QFile::remove(other);
        QVERIFY(execOn(other, {"CREATE TABLE Geraete (TirmaId INTEGER PRIMARY KEY, HrstId INTEGER, "
                               "hand INTEGER)",
                               "INSERT INTO Geraete VALUES (1200,58,0)"}));
        ManufacturerUpdateExport update(58, "Kaminwerk_Nordheim", m_mainDb);
        QCOMPARE(update.run(other), ManufacturerUpdateExport::NotAnUpdateFile);
        QCOMPARE(ids(other, "SELECT group_concat(name) FROM sqlite_master"), QString("Geraete"));
        QCOMPARE(ids(other, "SELECT TirmaId FROM Geraete"), QString("1200"));
        QVERIFY(scripts().isEmpty());

        // Tables of an older layout without the hand column: the copies
        // cannot be built; the file keeps its tables.
        const QString old = m_dir.path() + "/upd/altesschema.glo";
        QFile::remove(old);
        QVERIFY(execOn(old, {"CREATE TABLE Geraete (TirmaId INTEGER PRIMARY KEY, HrstId INTEGER)",
                             "CREATE TABLE Werte (WerteId INTEGER PRIMARY KEY, Geraet INTEGER)",
                             "INSERT INTO Geraete VALUES (1200,58)",
                             "INSERT INTO Werte VALUES (90,1200)"}));
        const QString before = contents(old);
        QCOMPARE(update.run(old), ManufacturerUpdateExport::PreparationFailed);
        QCOMPARE(contents(old), before);
        QVERIFY(scripts().isEmpty());
    }

    void shellFailuresLeaveTheFileAlone()
    {
        const QString before = contents(m_update);
        const QByteArray sumBefore = checksum(m_update);
        ManufacturerUpdateExport update(58, "Kaminwerk_Nordheim", m_mainDb);

        // A shell that cannot be executed.
        writeFakeShell("kein Programm\n", QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(ManufacturerUpdateExport::sqliteShell(m_mainDb), m_mainDir + "/sqlite3");
        QCOMPARE(update.run(m_update), ManufacturerUpdateExport::ShellNotStarted);
        QCOMPARE(contents(m_update), before);

        // A shell that reads everything and reports an error.
        QFile::remove(m_mainDir + "/sqlite3");
        writeFakeShell("#!/bin/sh\ncat > /dev/null\necho kaputt >&2\nexit 1\n",
                       QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(update.run(m_update), ManufacturerUpdateExport::ShellFailed);
        QVERIFY(update.errorText().contains("kaputt"));
        QCOMPARE(contents(m_update), before);
        QVERIFY(scripts().isEmpty());
        QCOMPARE(AppSettings::instance()->currentManufacturerId, 550);

        // A shell that changes the file it is given and writes no script:
        // it only ever gets the working copy.
        QFile::remove(m_mainDir + "/sqlite3");
        writeFakeShell(QByteArray("#!/bin/sh\ncat > /dev/null\n") + KOLVEX_SQLITE3
                           + " \"$1\" 'ALTER TABLE GeraeteSave RENAME TO Weg'\n",
                       QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(update.run(m_update), ManufacturerUpdateExport::ShellFailed);
        QVERIFY(update.errorText().contains("nicht geschrieben"));
        QCOMPARE(checksum(m_update), sumBefore);
        QVERIFY(scripts().isEmpty());
        // The working copy is gone with its folder.
        QCOMPARE(entries(m_mainDir), (QStringList{"kolvex3.glo", "kolvexDB3.glo", "sqlite3"}));
    }

    void tablesLeftAsideByAnInterruptedRunAreRecovered()
    {
        // A run that ended between building the copies and putting the
        // tables back: GeraeteSave/WerteSave hold the file's rows.
        linkShell();
        const QString before = contents(m_update);
        QVERIFY(execOn(m_update,
                       {"Alter Table Geraete Rename To GeraeteSave",
                        "Alter Table Werte Rename To WerteSave",
                        "CREATE TABLE Geraete AS SELECT * FROM GeraeteSave where NOT "
                        "coalesce(hand,0) AND HrstId=58",
                        "CREATE TABLE Werte AS SELECT * FROM WerteSave WHERE NOT coalesce(hand,0) "
                        "AND Geraet IN (SELECT TirmaId FROM Geraete)",
                        "Update Geraete Set tirmaid=25005 WHERE tirmaid=1200"}));
        const QByteArray sumBefore = checksum(m_update);
        ManufacturerUpdateExport update(58, "Kaminwerk_Nordheim", m_mainDb);
        QCOMPARE(update.run(m_update), ManufacturerUpdateExport::Exported);
        // The leftovers are put back in the working copy only.
        QCOMPARE(checksum(m_update), sumBefore);
        QVERIFY(contents(m_update) != before);
        const QString fresh = loadScript(update.scriptPath());
        QCOMPARE(ids(fresh, "SELECT count(*) FROM Geraete"), QString("7"));
        QCOMPARE(ids(fresh, "SELECT count(*) FROM Werte"), QString("18"));
    }

    void nonAsciiManufacturerNameGetsItsCompleteScript()
    {
        // "Brunner & Söhne" as the update menu passes it on.
        linkShell();
        const QString name = QStringLiteral("Brunner_S\u00f6hne");
        ManufacturerUpdateExport update(550, name, m_mainDb);
        QCOMPARE(update.run(m_update), ManufacturerUpdateExport::Exported);
        QVERIFY2(update.errorText().isEmpty(), qPrintable(update.errorText()));
        const QString expected = m_mainDir + "/" + name + "_"
                                 + QDate::currentDate().toString("yyyyMMdd") + ".sql";
        QCOMPARE(update.scriptPath(), expected);
        QVERIFY(QFileInfo(expected).isFile());
        QCOMPARE(scripts(), QStringList{QFileInfo(expected).fileName()});
        const QString fresh = loadScript(expected);
        QCOMPARE(ids(fresh, "SELECT count(*) FROM Geraete WHERE HrstId=550"),
                 ids(m_update, "SELECT count(*) FROM Geraete WHERE HrstId=550 AND NOT "
                               "coalesce(hand,0)"));
        QVERIFY(ids(fresh, "SELECT count(*) FROM Werte").toInt() > 0);

        // A second export on the same day keeps the first script and
        // writes its own under a suffix.
        const QByteArray firstScript = checksum(expected);
        QVERIFY(execOn(m_update, {"DELETE FROM Werte WHERE Geraet IN (SELECT TirmaId FROM "
                                  "Geraete WHERE HrstId=550)"}));
        QCOMPARE(update.run(m_update), ManufacturerUpdateExport::Exported);
        const QString second = m_mainDir + "/" + name + "_"
                               + QDate::currentDate().toString("yyyyMMdd") + "_2.sql";
        QCOMPARE(update.scriptPath(), second);
        QCOMPARE(scripts().size(), 2);
        QCOMPARE(checksum(expected), firstScript);
        QCOMPARE(ids(loadScript(second), "SELECT count(*) FROM Werte"), QString("0"));
    }

    void fileLockedByAnotherProgramIsNotExported()
    {
        // Another program in the middle of a large write holds the file
        // exclusively: no copy of a half-written state, one wait, a message.
        linkShell();
        const QByteArray sumBefore = checksum(m_update);
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(m_update);
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec("BEGIN EXCLUSIVE"));
            QVERIFY(q.exec("DELETE FROM Werte"));
            ManufacturerUpdateExport update(58, "Kaminwerk_Nordheim", m_mainDb);
            QCOMPARE(update.run(m_update), ManufacturerUpdateExport::CannotOpen);
            QVERIFY2(update.errorText().contains("Datenbank ist gesperrt"),
                     qPrintable(update.errorText()));
            QVERIFY(q.exec("ROLLBACK"));
            other.close();
        }
        QSqlDatabase::removeDatabase("other");
        QCOMPARE(checksum(m_update), sumBefore);
        QVERIFY(scripts().isEmpty());
        QCOMPARE(entries(m_mainDir), (QStringList{"kolvex3.glo", "kolvexDB3.glo", "sqlite3"}));
    }

    void fileLeftMidChangeIsRolledBackOnACopy()
    {
        // The manufacturer's program ended in the middle of a change: its
        // file comes back with the rollback journal beside it.
        linkShell();
        const QString crashed = m_dir.path() + "/absturz.glo";
        QFile::remove(crashed);
        QVERIFY(QFile::copy(m_update, crashed));
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(crashed);
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec("PRAGMA cache_size=1"));
            QVERIFY(q.exec("BEGIN"));
            QVERIFY(q.exec("DELETE FROM Werte"));
            QVERIFY(q.exec("DELETE FROM Geraete"));
            QFile::remove(m_update);
            QVERIFY(QFile::copy(crashed, m_update));
            QVERIFY(QFile::copy(crashed + "-journal", m_update + "-journal"));
            QVERIFY(q.exec("ROLLBACK"));
            other.close();
        }
        QSqlDatabase::removeDatabase("other");
        const QByteArray sumBefore = checksum(m_update);
        const QByteArray journalBefore = checksum(m_update + "-journal");
        QVERIFY(QFileInfo(m_update + "-journal").size() > 0);

        ManufacturerUpdateExport update(58, "Kaminwerk_Nordheim", m_mainDb);
        QCOMPARE(update.run(m_update), ManufacturerUpdateExport::Exported);
        QCOMPARE(checksum(m_update), sumBefore);
        QCOMPARE(checksum(m_update + "-journal"), journalBefore);
        // The committed state: every appliance of 58, 1200 among them.
        const QString fresh = loadScript(update.scriptPath());
        QCOMPARE(ids(fresh, "SELECT count(*) FROM Geraete"), QString("7"));
        QCOMPARE(ids(fresh, "SELECT Typ FROM Geraete WHERE TirmaId=25005"), QString("Kamin d'Or"));

    }

    void shellCommandsAndShellLocation()
    {
        const QList<QByteArray> commands =
            ManufacturerUpdateExport::shellCommands(".kolvexupdate-Ab12Cd/script.sql");
        QCOMPARE(commands.join(),
                 QByteArray(".output .kolvexupdate-Ab12Cd/script.sql\n.mode insert Geraete\n"
                            "Select * From Geraete;\n.mode insert Werte\nSelect * From Werte;\n"
                            ".quit\n"));
        // Nothing beside the main database: the shell from the PATH.
        QVERIFY(!QFile::exists(m_mainDir + "/sqlite3"));
        QCOMPARE(ManufacturerUpdateExport::sqliteShell(m_mainDb),
                 QStandardPaths::findExecutable("sqlite3"));
        linkShell();
        QCOMPARE(ManufacturerUpdateExport::sqliteShell(m_mainDb), m_mainDir + "/sqlite3");
    }
};

QTEST_GUILESS_MAIN(TestUpdateExport)
#include "tst_updateexport.moc"
