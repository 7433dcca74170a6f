#include "dbconnections.h"
#include "quarnelderivations.h"
#include "quarnelexportdirectory.h"
#include "quarnelexportfile.h"
#include "quarnelexportreader.h"
#include "quarnelfilechoice.h"
#include "quarnelimport.h"
#include "quarnelinsertbuilder.h"
#include "quarneltableimport.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using TestSupport::scalar;

// Reading the Quarnel text exports and importing them table by table into
// a real SQLite file.
class TestImportFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_exports;   // copy of the demo exports
    QString m_target;    // the Quarnel database file
    QSqlDatabase m_db;

    static void writeBytes(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray readBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void exec(const QString &sql)
    {
        QSqlQuery q(m_db);
        QVERIFY2(q.exec(sql), qPrintable(sql + ": " + q.lastError().text()));
    }

    QString exportPath(const QString &name) const { return m_exports + "/" + name; }

    // Imports one export file of the demo copy under its table name.
    QuarnelTableImport::Outcome importFile(const QString &name, QStringList *errors = nullptr)
    {
        const QuarnelExportFile file(exportPath(name));
        QStringList fields;
        file.readFieldNames(&fields);
        QuarnelTableImport import(m_db, file.tableName(), file.path(), fields);
        const QuarnelTableImport::Outcome outcome = import.run();
        if (errors)
            *errors = import.errors();
        return outcome;
    }

    QString shell(const QString &sql) const
    {
        return TestSupport::runSqlite3(m_target, sql + "\n").trimmed();
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_exports = m_dir->path() + "/exports";
        QDir().mkpath(m_exports);
        const QDir demo(QStringLiteral(KOLVEX_SOURCE_DIR) + "/demo/quarnel");
        for (const QString &name : demo.entryList(QDir::Files))
            QVERIFY(QFile::copy(demo.filePath(name), exportPath(name)));
        m_target = m_dir->path() + "/kolvex3.glo";
        TestSupport::closeAllConnections();
        m_db = QSqlDatabase::addDatabase("QSQLITE", QLatin1String(kQuarnelConnection));
        m_db.setDatabaseName(m_target);
        QVERIFY(m_db.open());
        exec("CREATE TABLE waermedbfts(Hersteller,Typ)");
    }

    void cleanup()
    {
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void fieldValues_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << "" << "''";
        QTest::newRow("text") << "\"Kaminofen\"" << "'Kaminofen'";
        QTest::newRow("empty text") << "\"\"" << "''";
        QTest::newRow("apostrophe in text") << "\"Q'Line\"" << "'Q Line'";
        QTest::newRow("doubled quote in text") << "\"12\"\" Rohr\"" << "'12\" Rohr'";
        QTest::newRow("quote inside text") << "\"KS \"Kompakt\"\"" << "'KS \"Kompakt\"'";
        QTest::newRow("inch mark only") << "12\"" << "'12\"'";
        QTest::newRow("lone quote") << "\"" << "'\"'";
        QTest::newRow("text built to leave the literal")
            << "\"a\"||(SELECT 1)||\"b\"" << "'a\"||(SELECT 1)||\"b'";
        QTest::newRow("decimal comma") << "3,5" << "3.5";
        QTest::newRow("decimal point") << "0.040" << "0.040";
        QTest::newRow("negative") << "-12" << "-12";
        QTest::newRow("exponent") << "1,5E3" << "1.5E3";
        QTest::newRow("blanks around a number") << " 7 " << "7";
        QTest::newRow("unquoted date") << "01.10.2026" << "'01.10.2026'";
        QTest::newRow("unquoted word with apostrophe") << "it's" << "'it''s'";
        QTest::newRow("statement in a number field") << "1);DELETE FROM x;--" << "'1);DELETE FROM x;--'";
    }

    void fieldValues()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QCOMPARE(QuarnelInsertBuilder::sqlValue(field), value);
    }

    void statementTexts()
    {
        const QuarnelInsertBuilder builder("SAUGER", {"\"HERSTELLER\"", "TYP", "DRUCK"});
        QCOMPARE(builder.columnNames(), QString("HERSTELLER,TYP,DRUCK"));
        QCOMPARE(builder.dropStatement(), QString("DROP TABLE SAUGER"));
        QCOMPARE(builder.createStatement(),
                 QString("CREATE TABLE SAUGER(NR INTEGER PRIMARY KEY,HERSTELLER,TYP,DRUCK);"));
        QCOMPARE(builder.insertStatement("\"Q'Line\"|\"Sauger 3\"|15,0"),
                 QString("INSERT INTO SAUGER(HERSTELLER,TYP,DRUCK) VALUES ('Q Line','Sauger 3',15.0);"));
        QCOMPARE(builder.insertStatement("|\"x\"|"),
                 QString("INSERT INTO SAUGER(HERSTELLER,TYP,DRUCK) VALUES ('','x','');"));
        QVERIFY(builder.hasPlainNames());
    }

    void namesThatCannotGoIntoAStatement()
    {
        QVERIFY(QuarnelInsertBuilder("QUERSCHN", {"W1_S", "Größe", "_X"}).hasPlainNames());
        // A header line ending with "|" has an empty last name.
        QVERIFY(!QuarnelInsertBuilder("T", {"A", "B", ""}).hasPlainNames());
        QVERIFY(!QuarnelInsertBuilder("T", {"A B"}).hasPlainNames());
        QVERIFY(!QuarnelInsertBuilder("T", {"1A"}).hasPlainNames());
        QVERIFY(!QuarnelInsertBuilder("T", {"A) ; DROP TABLE X; --"}).hasPlainNames());
        QVERIFY(!QuarnelInsertBuilder("MY TABLE", {"A"}).hasPlainNames());
        QVERIFY(!QuarnelInsertBuilder("T", {}).hasPlainNames());
    }

    void readingAnExportFile()
    {
        const QString path = m_dir->path() + "/Waermedb.export.txt";
        writeBytes(path, "HERSTELLER|TYP||\r\n\r\n\"W\xe4rmewerk\"|\"S\xfc\x64\"|1|2\r\n\r\r\nlast");
        const QuarnelExportFile file(path);
        QCOMPARE(file.tableName(), QString("WAERMEDB"));
        QStringList names;
        QVERIFY(file.readFieldNames(&names));
        QCOMPARE(names, QStringList({"HERSTELLER", "TYP", "", ""}));
        QStringList lines;
        QVERIFY(file.readLines(&lines));
        QCOMPARE(lines, QStringList({"HERSTELLER|TYP||", QString::fromUtf8("\"Wärmewerk\"|\"Süd\"|1|2"),
                                     "last"}));

        const QString empty = m_dir->path() + "/LEER.txt";
        writeBytes(empty, "");
        QVERIFY(QuarnelExportFile(empty).readFieldNames(&names));
        QVERIFY(names.isEmpty());
        QVERIFY(!QuarnelExportFile(m_dir->path() + "/missing.txt").readFieldNames(&names));
        QVERIFY(!QuarnelExportFile(m_dir->path() + "/missing.txt").canOpen());
    }

    void singleManufacturerFileIsRenamed()
    {
        QDir dir(m_exports);
        QVERIFY(dir.remove("Herstell_Bauart.txt") && dir.remove("Herstell_Waerme.txt"));
        writeBytes(exportPath("Herstell.txt"), "ID|HNR|HERSTELLER|VONWAS\r\n1|1|\"A\"|1\r\n");
        QString failed;
        QVERIFY(QuarnelExportDirectory(m_exports).prepareManufacturerFile(&failed));
        QVERIFY(!QFile::exists(exportPath("Herstell.txt")));
        QCOMPARE(readBytes(exportPath("Hersteller.txt")),
                 QByteArray("ID|HNR|HERSTELLER|VONWAS\r\n1|1|\"A\"|1\r\n"));

        // An existing Hersteller.txt is never replaced.
        writeBytes(exportPath("Herstell.txt"), "other");
        QVERIFY(QuarnelExportDirectory(m_exports).prepareManufacturerFile(&failed));
        QCOMPARE(readBytes(exportPath("Herstell.txt")), QByteArray("other"));
        QVERIFY(readBytes(exportPath("Hersteller.txt")).startsWith("ID|HNR"));
    }

    void splitManufacturerFilesAreMerged()
    {
        const QByteArray bauart = readBytes(exportPath("Herstell_Bauart.txt"));
        const QByteArray waerme = readBytes(exportPath("Herstell_Waerme.txt"));
        QString failed;
        QVERIFY(QuarnelExportDirectory(m_exports).prepareManufacturerFile(&failed));
        QVERIFY(failed.isEmpty());
        QStringList merged;
        QVERIFY(QuarnelExportFile(exportPath("Hersteller.txt")).readLines(&merged));
        QCOMPARE(merged, QStringList({"ID|HNR|HERSTELLER|VONWAS|KURZZEICHEN",
                                      QString::fromUtf8("1|1|\"Quarnel Öfen\"|1|\"QOE\""),
                                      "2|0|\"Thermo-Quarnel\"|1|\"TQ\"", "3|3|\"Q'Line\"|1|\"QL\"",
                                      QString::fromUtf8("4|0|\"Wärmewerk Ost\"|1|"), "5|0|\"-\"|3|",
                                      QString::fromUtf8("6||\"Kachelbau Süd\"|1|")}));
        // Latin-1 bytes come out as they went in; the split files stay.
        QVERIFY(readBytes(exportPath("Hersteller.txt")).contains("\"W\xe4rmewerk Ost\""));
        QCOMPARE(readBytes(exportPath("Herstell_Bauart.txt")), bauart);
        QCOMPARE(readBytes(exportPath("Herstell_Waerme.txt")), waerme);

        // A second scan leaves the merged file alone.
        writeBytes(exportPath("Hersteller.txt"), "kept");
        QVERIFY(QuarnelExportDirectory(m_exports).prepareManufacturerFile(&failed));
        QCOMPARE(readBytes(exportPath("Hersteller.txt")), QByteArray("kept"));
    }

    void mergeRules()
    {
        // Lines already ending with "|" get no second one; the Waerme
        // header goes, empty lines were dropped by the reader.
        QCOMPARE(QuarnelExportDirectory::mergedManufacturerText({"A|B|C", "1|2|3"},
                                                                {"A|B", "4|5", "6|"}),
                 QString("A|B|C\n1|2|3\n4|5|\n6|"));
        QCOMPARE(QuarnelExportDirectory::mergedManufacturerText({"A|B"}, {"A"}), QString("A|B\n"));
    }

    void unreadableSplitFileEndsTheMerge()
    {
        QVERIFY(QFile::remove(exportPath("Herstell_Waerme.txt")));
        // A directory of that name exists but cannot be read as a file.
        QVERIFY(QDir(m_exports).mkdir("Herstell_Waerme.txt"));
        QString failed;
        QVERIFY(!QuarnelExportDirectory(m_exports).prepareManufacturerFile(&failed));
        QCOMPARE(failed, QString("Herstell_Waerme.txt"));
        QVERIFY(!QFile::exists(exportPath("Hersteller.txt")));
    }

    void listingOrder()
    {
        writeBytes(exportPath("aaa.txt"), "X\n");
        writeBytes(exportPath("Zeta.TXT"), "X\n");
        writeBytes(exportPath("readme.md"), "X\n");
        QVERIFY(QDir(m_exports).mkdir("folder.txt"));
        QString failed;
        const QuarnelExportDirectory directory(m_exports);
        QVERIFY(directory.prepareManufacturerFile(&failed));
        QStringList tables;
        for (const QuarnelExportFile &file : directory.exportFiles())
            tables << file.tableName();
        QCOMPARE(tables, QStringList({"AAA", "BAUART", "HERSTELL_BAUART", "HERSTELL_WAERME",
                                      "HERSTELLER", "MATERIAL", "MATKENNW", "NOTIZEN", "QUERSCHN",
                                      "SAUGER", "WAERMEDB", "ZETA"}));
    }

    void demoTablesImport()
    {
        QString failed;
        QVERIFY(QuarnelExportDirectory(m_exports).prepareManufacturerFile(&failed));
        const QStringList names = {"BAUART.txt",   "Hersteller.txt", "MATERIAL.txt", "MATKENNW.txt",
                                   "NOTIZEN.txt",  "QUERSCHN.txt",   "SAUGER.txt",   "WAERMEDB.txt"};
        for (const QString &name : names) {
            QStringList errors;
            QCOMPARE(importFile(name, &errors), QuarnelTableImport::Imported);
            QVERIFY2(errors.isEmpty(), qPrintable(name + ": " + errors.join('\n')));
            QStringList lines;
            QuarnelExportFile(exportPath(name)).readLines(&lines);
            const QString table = QuarnelExportFile(exportPath(name)).tableName();
            QCOMPARE(scalar(m_db, "SELECT count(*) FROM " + table).toInt(), lines.size() - 1);
            // NR numbers the rows in file order.
            QCOMPARE(scalar(m_db, "SELECT max(NR) FROM " + table).toInt(), lines.size() - 1);
        }
        // Read back with the shell: numbers with a point, texts without
        // apostrophes, umlauts from Latin-1.
        QCOMPARE(shell("SELECT DRUCK, typeof(DRUCK) FROM SAUGER WHERE NR=2;"), QString("12.5|real"));
        QCOMPARE(shell("SELECT quote(BEZEICHNUN) FROM BAUART WHERE SYSNR=3;"), QString("'Keramik  Typ A '"));
        QCOMPARE(shell("SELECT HERSTELLER FROM HERSTELLER WHERE ID=4;"), QString("Wärmewerk Ost"));
        QCOMPARE(shell("SELECT quote(KURZZEICHEN) FROM HERSTELLER WHERE ID=4;"), QString("''"));
        QCOMPARE(shell("SELECT TYP FROM WAERMEDB WHERE TYP LIKE 'KS 141%';"),
                 QString("KS 141 \"Kompakt\""));
        QCOMPARE(shell("SELECT WLZ FROM MATKENNW WHERE MATNR=11 ORDER BY NR LIMIT 1;"), QString("0.04"));
        QCOMPARE(shell("SELECT TEXT FROM NOTIZEN;"), QString("Export der Quarnel-Datenbank, Stand Oktober"));
        // The search table follows the appliance table.
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM waermedbfts").toInt(),
                 scalar(m_db, "SELECT count(*) FROM waermedb").toInt());
    }

    void rowsWithWrongFieldCountsAreReported()
    {
        writeBytes(exportPath("SAUGER.txt"), "HERSTELLER|TYP|DRUCK\r\n\"A\"|\"S1\"|1\r\n"
                                             "\"B\"|\"S2\"\r\n\"C\"|\"S3\"|3|4\r\n\"D\"|\"S4\"|4\r\n");
        QStringList errors;
        QCOMPARE(importFile("SAUGER.txt", &errors), QuarnelTableImport::Imported);
        QCOMPARE(scalar(m_db, "SELECT group_concat(HERSTELLER) FROM SAUGER"), QString("A,D"));
        QCOMPARE(errors.size(), 4);
        QCOMPARE(errors.at(0),
                 QString("Fehler in: INSERT INTO SAUGER(HERSTELLER,TYP,DRUCK) VALUES ('B','S2');"));
        QVERIFY(errors.at(1).startsWith("Fehler Text: "));
        QVERIFY(errors.at(1).contains("2 values for 3 columns"));
        QVERIFY(errors.at(2).startsWith("Fehler in: INSERT INTO SAUGER"));
    }

    void progressIsPacedAndEndsWithTheExactCount()
    {
        const QuarnelExportFile file(exportPath("SAUGER.txt"));
        QStringList fields;
        file.readFieldNames(&fields);
        QuarnelTableImport import(m_db, "SAUGER", file.path(), fields);
        QList<QPair<int, int>> calls;
        import.setProgressHandler([&calls](int n, int total) { calls << qMakePair(n, total); });
        // Five rows take far less than one interval: only the final count.
        QCOMPARE(import.run(), QuarnelTableImport::Imported);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first(), qMakePair(5, 5));
        QCOMPARE(import.importedRows(), 5);

        // Without pacing every row reports, the final count comes last.
        calls.clear();
        int busy = 0;
        import.setProgressInterval(0);
        import.setBusyHandler([&busy] { ++busy; });
        QCOMPARE(import.run(), QuarnelTableImport::Imported);
        QCOMPARE(calls.size(), 6);
        QCOMPARE(calls.first(), qMakePair(1, 5));
        QCOMPARE(calls.last(), qMakePair(5, 5));
        QVERIFY(busy >= 1);  // while the file was surveyed
    }

    void failedTablesKeepTheirOldContents()
    {
        QCOMPARE(importFile("SAUGER.txt"), QuarnelTableImport::Imported);
        exec("CREATE INDEX keepme ON SAUGER(TYP)");

        // The file vanished between scan and import.
        QStringList fields({"HERSTELLER", "TYP", "DRUCK"});
        QuarnelTableImport missing(m_db, "SAUGER", exportPath("gone.txt"), fields);
        QCOMPARE(missing.run(), QuarnelTableImport::FileUnreadable);

        // The header ends with "|": an empty column name.
        writeBytes(exportPath("SAUGER.txt"), "HERSTELLER|TYP|\r\n\"X\"|\"Y\"|\r\n");
        QCOMPARE(importFile("SAUGER.txt"), QuarnelTableImport::CreateFailed);

        // NR is the row key of every imported table; a field of that name
        // makes the creation fail in the database.
        writeBytes(exportPath("SAUGER.txt"), "NR|HERSTELLER|TYP\r\n1|\"X\"|\"Y\"\r\n");
        QCOMPARE(importFile("SAUGER.txt"), QuarnelTableImport::CreateFailed);

        QCOMPARE(scalar(m_db, "SELECT count(*) FROM SAUGER").toInt(), 5);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM sqlite_master WHERE name='keepme'").toInt(), 1);
        QVERIFY(m_db.transaction());  // no transaction was left open
        m_db.rollback();
    }

    void headerOnlyFileEmptiesTheTable()
    {
        QCOMPARE(importFile("SAUGER.txt"), QuarnelTableImport::Imported);
        writeBytes(exportPath("SAUGER.txt"), "HERSTELLER|TYP|DRUCK\r\n");
        QCOMPARE(importFile("SAUGER.txt"), QuarnelTableImport::Imported);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM SAUGER").toInt(), 0);
    }

    // What each cell holds after the import, read with the shell: value
    // and type per column, rows in file order.
    QString storedCells(const QString &table, const QStringList &columns) const
    {
        QStringList cells;
        for (const QString &column : columns)
            cells << "quote(" + column + "),typeof(" + column + ")";
        return shell(".separator ~\nSELECT " + cells.join(',') + " FROM " + table + " ORDER BY NR;");
    }

    void recordFormats_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("stored");
        QTest::newRow("separator inside quotes")
            << QByteArray("ID|TEXT|N\r\n1|\"a|b\"|3\r\n2|\"x \"\"y\"\" |z\"|\"|\"\r\n3|\"KS \"K\"\"|1,5\r\n")
            << QStringList({"ID", "TEXT", "N"})
            << "1~integer~'a|b'~text~3~integer\n2~integer~'x \"y\" |z'~text~'|'~text\n"
               "3~integer~'KS \"K\"'~text~1.5~real";
        QTest::newRow("padded header names")
            << QByteArray("ID | NAME \r\n1|\"x\"\r\n") << QStringList({"ID", "NAME"})
            << "1~integer~'x'~text";
        QTest::newRow("leading empty lines")
            << QByteArray("\r\n\r\nID|NAME\r\n\r\n2|\"y\"\r\n") << QStringList({"ID", "NAME"})
            << "2~integer~'y'~text";
        QTest::newRow("carriage returns only")
            << QByteArray("ID|NAME\r1|\"x\"\r\r2|\"y\"\r") << QStringList({"ID", "NAME"})
            << "1~integer~'x'~text\n2~integer~'y'~text";
    }

    void recordFormats()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, fields);
        QFETCH(QString, stored);
        writeBytes(exportPath("FORMAT.txt"), bytes);
        QStringList names;
        QVERIFY(QuarnelExportFile(exportPath("FORMAT.txt")).readFieldNames(&names));
        QCOMPARE(names, fields);
        QStringList errors;
        QCOMPARE(importFile("FORMAT.txt", &errors), QuarnelTableImport::Imported);
        QCOMPARE(errors, QStringList());
        QCOMPARE(storedCells("FORMAT", fields), stored);
    }

    void quotedSeparatorInTheStatementText()
    {
        const QuarnelInsertBuilder builder("T", {"A", "B", "C"});
        QCOMPARE(builder.insertStatement("1|\"a|b\"|3"), QString("INSERT INTO T(A,B,C) VALUES (1,'a|b',3);"));
        // A quote that never closes leaves the line to the plain split.
        QCOMPARE(builder.insertStatement("1|\"a|b"), QString("INSERT INTO T(A,B,C) VALUES (1,'\"a','b');"));
    }

    void fileChangedDuringTheImportIsNotCommitted_data()
    {
        QTest::addColumn<bool>("truncate");
        QTest::newRow("cut short") << true;
        QTest::newRow("appended to") << false;
    }

    void fileChangedDuringTheImportIsNotCommitted()
    {
        QFETCH(bool, truncate);
        QCOMPARE(importFile("WAERMEDB.txt"), QuarnelTableImport::Imported);
        // Larger than one piece of the reader, so a cut reaches the reading.
        const QString path = exportPath("WAERMEDB.neu.txt");
        QByteArray bytes = "HERSTELLER|TYP\r\n";
        for (int i = 0; bytes.size() < 3 * QuarnelExportReader::kPieceSize; ++i)
            bytes += "\"Quarnel\"|\"Typ " + QByteArray::number(i) + "\"\r\n";
        writeBytes(path, bytes);

        QuarnelImport import(m_db);
        import.setProgressInterval(0);
        bool changed = false;
        import.setProgressHandler([&](int, int) {
            if (changed)
                return;
            changed = true;
            QFile file(path);
            if (truncate)
                file.resize(2 * QuarnelExportReader::kPieceSize + 7);
            else if (file.open(QIODevice::Append))
                file.write("\"Neu\"|\"X\"\r\n");
        });
        QVERIFY(import.run({{"WAERMEDB", path, {"HERSTELLER", "TYP"}}}));
        QVERIFY(changed);
        QCOMPARE(import.errors(), QStringList("Datei während des Imports geändert: " + path));
        QCOMPARE(import.importedRows(), 0);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM WAERMEDB").toInt(), 42);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM waermedbfts").toInt(), 42);
        // The old table keeps the index it was committed with.
        QCOMPARE(shell("SELECT count(*) FROM WAERMEDB INDEXED BY i1 WHERE hersteller>'';"),
                 QString("42"));
    }

    void tableImportCommitsTheManufacturerIndex()
    {
        QCOMPARE(importFile("WAERMEDB.txt"), QuarnelTableImport::Imported);
        // Written with the rows, before any step after all tables; the
        // shell checks that it holds every row.
        QCOMPARE(shell("SELECT lower(tbl_name) || ':' || sql FROM sqlite_master WHERE name='i1';"
                       "PRAGMA integrity_check;"),
                 QString("waermedb:CREATE INDEX i1 on waermedb(hersteller)\nok"));
        QCOMPARE(shell("SELECT count(*) FROM WAERMEDB INDEXED BY i1 WHERE hersteller>'';"),
                 QString("42"));
        // The step after all tables finds it and changes nothing.
        QVERIFY(QuarnelDerivations(m_db).runAfterImport().isEmpty());
        QCOMPARE(shell("SELECT count(*) FROM sqlite_master WHERE type='index';"), QString("1"));
    }

    void oneFilePerTable()
    {
        for (const char *name : {"WAERMEDB.xyz.txt", "Waermedb.TXT"})
            QVERIFY(QFile::copy(exportPath("SAUGER.txt"), exportPath(name)));
        const QList<QuarnelExportFile> files = QuarnelExportDirectory(m_exports).exportFiles();
        QStringList tables;
        QStringList paths;
        for (const QuarnelExportFile &file : files) {
            tables << file.tableName();
            paths << file.path();
        }
        const int exact = paths.indexOf(exportPath("WAERMEDB.txt"));
        const QVector<int> chosen = QuarnelFileChoice::chosen(tables, paths);
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(chosen.at(i), tables.at(i) == "WAERMEDB" ? exact : i);
        // Without the exact name the one differing in case comes first.
        QCOMPARE(QuarnelFileChoice::chosen({"T", "T"}, {"/x/T.alt.txt", "/x/t.txt"}), QVector<int>({1, 1}));

        // Two ticked files going into one table: the exact name wins, the
        // other is named in the error list.
        QStringList fields;
        QVERIFY(QuarnelExportFile(exportPath("WAERMEDB.txt")).readFieldNames(&fields));
        QuarnelImport import(m_db);
        QVERIFY(import.run({{"WAERMEDB", exportPath("Waermedb.TXT"), {"HERSTELLER", "TYP", "DRUCK"}},
                            {"WAERMEDB", exportPath("WAERMEDB.txt"), fields}}));
        QCOMPARE(import.errors(), QStringList("Datei Waermedb.TXT nicht importiert: Tabelle WAERMEDB "
                                              "wird aus WAERMEDB.txt importiert"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM WAERMEDB").toInt(), 42);
    }

    void olderMergedManufacturerFileIsMergedAgain()
    {
        writeBytes(exportPath("Hersteller.txt"), "ID|HNR|HERSTELLER|VONWAS|KURZZEICHEN\r\n1|1|\"Alt\"|1|\"A\"\r\n");
        QFile merged(exportPath("Hersteller.txt"));
        QVERIFY(merged.open(QIODevice::ReadWrite));
        QVERIFY(merged.setFileTime(QDateTime::currentDateTime().addDays(-30),
                                   QFileDevice::FileModificationTime));
        merged.close();
        QString failed;
        QVERIFY(QuarnelExportDirectory(m_exports).prepareManufacturerFile(&failed));
        QStringList lines;
        QVERIFY(QuarnelExportFile(exportPath("Hersteller.txt")).readLines(&lines));
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.last(), QString::fromUtf8("6||\"Kachelbau Süd\"|1|"));
    }

    void missingSearchTableIsReported()
    {
        exec("DROP TABLE waermedbfts");
        QStringList errors;
        QCOMPARE(importFile("WAERMEDB.txt", &errors), QuarnelTableImport::Imported);
        QCOMPARE(errors.size(), 1);
        // German text of ours, then the database's own text, no driver text.
        QCOMPARE(errors.first(),
                 QString("Suchtabelle waermedbfts nicht aufgefrischt: no such table: waermedbfts"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM WAERMEDB").toInt(), 42);
    }
};

QTEST_GUILESS_MAIN(TestImportFiles)
#include "tst_importfiles.moc"
