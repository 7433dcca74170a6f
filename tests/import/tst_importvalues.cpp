#include "dbconnections.h"
#include "quarnelexportdirectory.h"
#include "quarnelexportencoding.h"
#include "quarnelexportfile.h"
#include "quarnelinsertbuilder.h"
#include "quarnelprogresspacer.h"
#include "quarnelrowinserter.h"
#include "quarneltableimport.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include <cmath>
#include <cstring>

using TestSupport::scalar;

// What the import stores, compared cell by cell with what the INSERT
// statement texts store, and how it reads the encodings of the exports.
class TestImportValues : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_target;
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

    QString path(const QString &name) const { return m_dir->path() + "/" + name; }

    // The way rows went in before: one INSERT statement text per line.
    void importAsStatementTexts(const QString &table, const QString &file)
    {
        QStringList fields;
        QStringList lines;
        QVERIFY(QuarnelExportFile(file).readFieldNames(&fields));
        QVERIFY(QuarnelExportFile(file).readLines(&lines));
        lines.removeFirst();
        const QuarnelInsertBuilder builder(table, fields);
        QSqlQuery query(m_db);
        QVERIFY(query.exec(builder.createStatement()));
        QVERIFY(m_db.transaction());
        for (const QString &line : lines)
            query.exec(builder.insertStatement(line));  // failing rows are skipped
        QVERIFY(m_db.commit());
    }

    QuarnelTableImport::Outcome importTable(const QString &table, const QString &file,
                                            QStringList *errors = nullptr)
    {
        QStringList fields;
        QuarnelExportFile(file).readFieldNames(&fields);
        QuarnelTableImport import(m_db, table, file, fields);
        const QuarnelTableImport::Outcome outcome = import.run();
        if (errors)
            *errors = import.errors();
        return outcome;
    }

    // Every cell of both tables: same SQLite type, same value (reals bit
    // for bit, so that -0.0 and 0.0 or a last digit count).
    void compareTables(const QString &a, const QString &b)
    {
        QSqlQuery left(m_db);
        QSqlQuery right(m_db);
        QVERIFY(left.exec("SELECT * FROM " + a + " ORDER BY NR"));
        QVERIFY(right.exec("SELECT * FROM " + b + " ORDER BY NR"));
        const int columns = left.record().count();
        QCOMPARE(right.record().count(), columns);
        QStringList typeColumns;
        for (int c = 0; c < columns; ++c)
            typeColumns << "typeof(" + left.record().fieldName(c) + ")";
        QSqlQuery leftTypes(m_db);
        QSqlQuery rightTypes(m_db);
        QVERIFY(leftTypes.exec("SELECT " + typeColumns.join(',') + " FROM " + a + " ORDER BY NR"));
        QVERIFY(rightTypes.exec("SELECT " + typeColumns.join(',') + " FROM " + b + " ORDER BY NR"));
        int rows = 0;
        while (left.next()) {
            QVERIFY2(right.next(), qPrintable(QString("row %1 missing").arg(rows + 1)));
            QVERIFY(leftTypes.next() && rightTypes.next());
            for (int c = 0; c < columns; ++c) {
                const QString where = QString("row %1 column %2: %3 / %4")
                                          .arg(rows + 1)
                                          .arg(left.record().fieldName(c),
                                               left.value(c).toString(), right.value(c).toString());
                QVERIFY2(leftTypes.value(c) == rightTypes.value(c), qPrintable(where));
                const QVariant l = left.value(c);
                const QVariant r = right.value(c);
                if (leftTypes.value(c).toString() == "real") {
                    const double x = l.toDouble();
                    const double y = r.toDouble();
                    QVERIFY2(std::memcmp(&x, &y, sizeof x) == 0, qPrintable(where));
                } else {
                    QVERIFY2(l == r, qPrintable(where));
                }
            }
            ++rows;
        }
        QVERIFY(!right.next());
    }

    // A line of fields drawn from the tricky cases and from random numbers.
    // A lone quote would open a text that runs on to a later closing quote,
    // so the lines hold it the way the export writes it, doubled inside a
    // quoted text.
    static QString randomLine(QRandomGenerator &random, int fields)
    {
        static const QStringList tricky = {
            "", "\"\"", "\"\"\"", "\"Q'Line\"", "\"a\"\"b\"", "\"KS \"Kompakt\"\"", "12\"", "it's",
            "01.10.2026", "1,5,3", ".", "-", "+", "e5", "1e", "5,", ",5", "-,5", "+5", "007", "-0",
            "-0,0", "0,0", "1e5", "1E+05", "2,5e-3", " 7 ", QString::fromUtf8("\u00a07,5\u00a0"),
            "\t3", "9223372036854775807", "9223372036854775808", "-9223372036854775808",
            "-9223372036854775809", "0009223372036854775807", "123456789012345678901234567890",
            "-123456789012345678901234567890", "1,7976931348623157e309", "4,9e-325", "1e400",
            "0,1", "0,30000000000000004", "3,14159265358979323846264338327950288",
            "Kaminofen", "%1", "NULL", "x'00'"};
        QStringList line;
        for (int i = 0; i < fields; ++i) {
            switch (random.bounded(4)) {
            case 0:
                line << tricky.at(random.bounded(tricky.size()));
                break;
            case 1:
                line << QString::number(random.generateDouble() * std::pow(10.0, random.bounded(-8, 12)),
                                        'g', random.bounded(1, 18))
                            .replace('.', ',');
                break;
            case 2:
                line << QString::number(qint64(random.generate64() >> random.bounded(64)));
                break;
            default:
                line << QString::number(random.bounded(100000)) + "," + QString::number(random.bounded(1000));
            }
        }
        return line.join('|');
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_target = path("kolvex3.glo");
        TestSupport::closeAllConnections();
        m_db = QSqlDatabase::addDatabase("QSQLITE", QLatin1String(kQuarnelConnection));
        m_db.setDatabaseName(m_target);
        QVERIFY(m_db.open());
        QSqlQuery(m_db).exec("CREATE TABLE waermedbfts(Hersteller,Typ)");
    }

    void cleanup()
    {
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void demoExportsAsTheStatementsStoredThem()
    {
        const QDir demo(QStringLiteral(KOLVEX_SOURCE_DIR) + "/demo/quarnel");
        for (const QString &name : demo.entryList({"*.txt"}, QDir::Files)) {
            const QString file = demo.filePath(name);
            const QString table = QuarnelExportFile(file).tableName();
            importAsStatementTexts(table + "_ALT", file);
            QStringList errors;
            QCOMPARE(importTable(table, file, &errors), QuarnelTableImport::Imported);
            QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
            compareTables(table + "_ALT", table);
        }
    }

    void everyFieldKindAsTheStatementsStoredIt()
    {
        QRandomGenerator random(4711);
        const int fields = 12;
        QStringList header;
        for (int i = 0; i < fields; ++i)
            header << QString("F%1").arg(i);
        QByteArray bytes = header.join('|').toUtf8() + "\r\n";
        for (int row = 0; row < 3000; ++row)
            bytes += randomLine(random, fields).toUtf8() + "\r\n";
        // Rows the database refuses, in between.
        bytes += "1|2\r\n";
        bytes += QByteArray("\"mit NUL \0 drin\"", 16) + "|1|2|3|4|5|6|7|8|9|10|11\r\n";
        const QString file = path("ALLES.txt");
        writeBytes(file, bytes);

        importAsStatementTexts("ALT", file);
        QStringList errors;
        QCOMPARE(importTable("NEU", file, &errors), QuarnelTableImport::Imported);
        compareTables("ALT", "NEU");
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM NEU").toInt(), 3000);
        QCOMPARE(errors.size(), 4);
        QCOMPARE(errors.at(0), QString("Fehler in: INSERT INTO NEU(%1) VALUES (1,2);").arg(header.join(',')));
        QVERIFY(errors.at(1).startsWith("Fehler Text: "));
        QVERIFY(errors.at(2).startsWith("Fehler in: INSERT INTO NEU("));
        for (const QString &line : errors)
            QVERIFY2(!line.contains("Unable"), qPrintable(line));
    }

    // The lines of a Windows-1252 export: every byte of the code page in
    // texts, numbers padded with its no-break space (0xA0, a blank to
    // QString::trimmed()), unquoted texts with umlauts, among the random
    // fields. Read from the bytes, the rows must hold what the statement
    // texts of the decoded lines hold.
    void windows1252FieldsAsTheStatementsStoredThem()
    {
        QRandomGenerator random(1252);
        const int fields = 8;
        QByteArray bytes = "F0|F1|F2|F3|F4|F5|F6|F7\r\n";
        QByteArray everyByte;
        for (int b = 0x20; b < 0x100; ++b) {
            if (b != '"' && b != '|')
                everyByte.append(char(b));
        }
        static const QByteArray special[] = {"\"" + everyByte + "\"", "\xa0" "7,5\xa0", "\xa0" "12",
                                             "3\xa0", "W\xe4rme", "\"K\xfchl'\"\"er\"\"\"",
                                             "\x80\x81\x8d", " 42 ", "\"\x84Ofen\x93\"", "1\xa0" "2"};
        for (int row = 0; row < 400; ++row) {
            QList<QByteArray> line;
            for (int i = 0; i < fields; ++i) {
                if (random.bounded(3) == 0)
                    line << special[random.bounded(int(sizeof special / sizeof *special))];
                else
                    line << randomLine(random, 1).toLatin1();
            }
            bytes += line.join('|') + "\r\n";
        }
        const QString file = path("ALT1252.txt");
        writeBytes(file, bytes);
        importAsStatementTexts("ALT", file);
        QStringList errors;
        QCOMPARE(importTable("NEU", file, &errors), QuarnelTableImport::Imported);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.value(0)));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM NEU").toInt(), 400);
        compareTables("ALT", "NEU");
        // The umlaut arrived as the character, not as its code-page byte.
        QCOMPARE(scalar(m_db, QString::fromUtf8("SELECT count(*) FROM NEU WHERE F0 LIKE 'W\u00e4rme' "
                                                "OR F1 LIKE 'W\u00e4rme' OR F2 LIKE 'W\u00e4rme' OR "
                                                "F3 LIKE 'W\u00e4rme'"))
                     .toInt() > 0,
                 true);
    }

    // UTF-8 lines that decoding changes or that only the decoded text can
    // tell: a byte-order mark at the start of a later line (decoding drops
    // it) and inside a text (kept), blanks of other scripts around numbers,
    // characters of four bytes, a line of nothing but a byte-order mark.
    void utf8LinesAsTheStatementsStoredThem()
    {
        const QByteArray bom("\xef\xbb\xbf");
        QByteArray bytes = "A|B|C\r\n";
        bytes += bom + "1|\"x\"|2,5\r\n";
        bytes += "\"" + bom + "innen\"|" + bom + "|7\r\n";
        bytes += "\xe2\x80\x83" "7,5\xe2\x80\x83|\xc2\xa0" "12|\xe3\x80\x80-3\r\n";
        bytes += "\"\xf0\x9f\x94\xa5 Feuer\"|\xe2\x80\x8b" "5|5\xc2\x85\r\n";
        bytes += bom + "\r\n";
        bytes += "\"\xe2\x82\xac\"|\"K\xc3\xa4lte\"|\r\n";
        const QString file = path("UTF8.txt");
        writeBytes(file, bytes);
        importAsStatementTexts("ALT", file);
        QStringList errors;
        QCOMPARE(importTable("NEU", file, &errors), QuarnelTableImport::Imported);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.value(0)));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM NEU"), QString("5"));
        compareTables("ALT", "NEU");
        QCOMPARE(scalar(m_db, "SELECT typeof(A) || typeof(B) FROM NEU WHERE NR=3"),
                 QString("realinteger"));
    }

    // Rows go in by batches; a row the database refuses inside a batch
    // fails alone, and the rows keep the order of the file, also around a
    // row that goes in as statement text.
    void refusedRowsInsideBatchesFailAlone()
    {
        QSqlQuery query(m_db);
        QVERIFY(query.exec("CREATE TABLE T(NR INTEGER PRIMARY KEY, A CHECK (A <> 'nein'), B)"));
        QStringList failures;
        QuarnelRowInserter inserter(m_db, QuarnelInsertBuilder("T", {"A", "B"}),
                                    [&](const QString &statement, const QString &error) {
                                        failures << statement;
                                        QVERIFY(!error.isEmpty());
                                    });
        const int rows = 3 * QuarnelRowInserter::kBatchRows + 7;
        QStringList expected;
        for (int row = 1; row <= rows; ++row) {
            QByteArray line = row % 31 == 0 ? QByteArray("\"nein\"|") + QByteArray::number(row)
                                            : "\"ja\"|" + QByteArray::number(row);
            if (row == 40)
                line += "|zuviel";
            if (row % 31 != 0 && row != 40)
                expected << QString::number(row);
            if (inserter.readBytes(line, QuarnelExportEncoding::Utf8))
                inserter.addRead();
            else
                inserter.add(QString::fromUtf8(line));
        }
        inserter.finish();
        QCOMPARE(inserter.inserted(), expected.size());
        QCOMPARE(failures, QStringList({"INSERT INTO T(A,B) VALUES ('nein',31);",
                                        "INSERT INTO T(A,B) VALUES ('ja',40,'zuviel');",
                                        "INSERT INTO T(A,B) VALUES ('nein',62);"}));
        QCOMPARE(scalar(m_db, "SELECT group_concat(B, ',') FROM (SELECT B FROM T ORDER BY NR)"),
                 expected.join(','));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM T WHERE typeof(A)<>'text' OR typeof(B)<>'integer'"),
                 QString("0"));
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QString text = QString::fromUtf8("\u201eOfen\u201c \u2013 100 \u20ac \u00e4\u00df");
        QTest::newRow("Windows-1252") << QByteArray("\x84Ofen\x93 \x96 100 \x80 \xe4\xdf");
        QTest::newRow("UTF-8") << text.toUtf8();
        QTest::newRow("UTF-8 with byte-order mark") << text.toUtf8();
    }

    void encodings()
    {
        QFETCH(QByteArray, bytes);
        const bool bom = QByteArray(QTest::currentDataTag()).contains("mark");
        const QString file = path("SAUGER.txt");
        writeBytes(file, (bom ? QByteArray("\xef\xbb\xbf") : QByteArray()) + "HERSTELLER|TYP\r\n\""
                             + bytes + "\"|\"" + bytes + "\"\r\n");
        QStringList fields;
        QVERIFY(QuarnelExportFile(file).readFieldNames(&fields));
        QCOMPARE(fields, QStringList({"HERSTELLER", "TYP"}));
        QCOMPARE(importTable("SAUGER", file), QuarnelTableImport::Imported);
        const QString expected = QString::fromUtf8("\u201eOfen\u201c \u2013 100 \u20ac \u00e4\u00df");
        QCOMPARE(scalar(m_db, "SELECT HERSTELLER FROM SAUGER"), expected);
        QCOMPARE(TestSupport::runSqlite3(m_target, "SELECT TYP FROM SAUGER;").trimmed(), expected);
    }

    void utf8Validity_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ASCII") << QByteArray("Ofen|12,5") << true;
        QTest::newRow("umlauts") << QByteArray("W\xc3\xa4rme") << true;
        QTest::newRow("euro, four bytes") << QByteArray("\xe2\x82\xac \xf0\x9f\x94\xa5") << true;
        // The narrowed range of a second byte (after E0, ED, F0, F4) holds
        // for that byte only.
        QTest::newRow("fire, euro") << QByteArray("\xf0\x9f\x94\xa5 \xe2\x82\xac") << true;
        QTest::newRow("U+0800") << QByteArray("\xe0\xa0\x80") << true;
        QTest::newRow("U+D7FF, umlaut") << QByteArray("\xed\x9f\xbf \xc3\xa4") << true;
        QTest::newRow("U+100000, euro") << QByteArray("\xf4\x80\x80\x80\xe2\x82\xac") << true;
        QTest::newRow("Windows-1252 umlaut") << QByteArray("W\xe4rme") << false;
        QTest::newRow("Windows-1252 quotes only") << QByteArray("\x84Ofen\x93") << false;
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << false;
        QTest::newRow("overlong three bytes") << QByteArray("\xe0\x80\xaf") << false;
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false;
        QTest::newRow("above U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false;
        QTest::newRow("cut off at the end") << QByteArray("abc\xe2\x82") << false;
        QTest::newRow("stray continuation") << QByteArray("abcdefghij\x80") << false;
    }

    void utf8Validity()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QuarnelExportEncoding::Utf8Check whole;
        whole.feed(bytes.constData(), bytes.size());
        QCOMPARE(whole.isValid(), valid);
        // Pieces may end inside a character.
        QuarnelExportEncoding::Utf8Check bytewise;
        for (char c : bytes)
            bytewise.feed(&c, 1);
        QCOMPARE(bytewise.isValid(), valid);
    }

    void windows1252RoundTrip()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = QuarnelExportEncoding::decodeWindows1252(all.constData(), all.size());
        QCOMPARE(text.at(0x80), QChar(0x20AC));
        QCOMPARE(text.at(0x9E), QChar(0x017E));
        QCOMPARE(text.at(0xE4), QChar(0x00E4));
        QCOMPARE(QuarnelExportEncoding::encodeWindows1252(text), all);
        QCOMPARE(QuarnelExportEncoding::encodeWindows1252(QString::fromUtf8("\u0416")), QByteArray("?"));
    }

    void mergedManufacturerFileKeepsEveryCharacter()
    {
        const QString dir = path("exports");
        QDir().mkpath(dir);
        writeBytes(dir + "/Herstell_Bauart.txt", "ID|HERSTELLER|X\r\n1|\"W\xe4rme \x80\"|1\r\n");
        writeBytes(dir + "/Herstell_Waerme.txt",
                   "ID|HERSTELLER\r\n2|\"K\xc3\xa4lte \xe2\x80\x93 S\xc3\xbc\x64\"\r\n");
        QString failed;
        QVERIFY(QuarnelExportDirectory(dir).prepareManufacturerFile(&failed));
        // One file is UTF-8, so the merged one is too.
        const QByteArray merged = readBytes(dir + "/Hersteller.txt");
        QCOMPARE(QString::fromUtf8(merged).remove('\r'),
                 QString::fromUtf8("ID|HERSTELLER|X\n1|\"W\u00e4rme \u20ac\"|1\n2|\"K\u00e4lte \u2013 S\u00fcd\"|"));
    }

    void longFailingLinesAreShortenedInTheErrorList()
    {
        const QString file = path("SAUGER.txt");
        const QByteArray longText(400 * 1024, 'x');
        writeBytes(file, "HERSTELLER|TYP\r\n\"A\"|\"" + longText + "\"|zuviel\r\n\"B\"|\"S\"\r\n");
        QStringList errors;
        QCOMPARE(importTable("SAUGER", file, &errors), QuarnelTableImport::Imported);
        QCOMPARE(scalar(m_db, "SELECT group_concat(HERSTELLER) FROM SAUGER"), QString("B"));
        QCOMPARE(errors.size(), 2);
        const QString statement = QuarnelInsertBuilder("SAUGER", {"HERSTELLER", "TYP"})
                                      .insertStatement("\"A\"|\"" + longText + "\"|zuviel");
        QVERIFY(errors.at(0).size() < 4000);
        QVERIFY(errors.at(0).startsWith("Fehler in: INSERT INTO SAUGER(HERSTELLER,TYP) VALUES ('A','xxx"));
        QVERIFY(errors.at(0).endsWith(QString::fromUtf8(" … (gekürzt, %1 Zeichen)").arg(statement.size())));
        QCOMPARE(errors.at(1), QString("Fehler Text: 3 values for 2 columns"));
        // Short statements stay whole.
        QCOMPARE(QuarnelTableImport::statementForErrorList("INSERT INTO T(A) VALUES (1);"),
                 QString("INSERT INTO T(A) VALUES (1);"));
    }

    void failedRowsBeyondTheLimitAreCounted()
    {
        const QString file = path("SAUGER.txt");
        QByteArray bytes = "HERSTELLER|TYP\r\n";
        const int failing = QuarnelTableImport::kMaxReportedRows + 250;
        for (int i = 0; i < failing; ++i)
            bytes += "\"A\"|\"S\"|1\r\n\"B\"|\"S\"\r\n";
        writeBytes(file, bytes);
        QStringList fields({"HERSTELLER", "TYP"});
        QuarnelTableImport import(m_db, "SAUGER", file, fields);
        QCOMPARE(import.run(), QuarnelTableImport::Imported);
        QCOMPARE(import.importedRows(), failing);
        QCOMPARE(import.failedRows(), failing);
        QCOMPARE(import.errors().size(), 2 * QuarnelTableImport::kMaxReportedRows + 1);
        QCOMPARE(import.errors().last(),
                 QString::fromUtf8("… und 250 weitere fehlerhafte Zeilen der Tabelle SAUGER"));
    }

    void pacer()
    {
        QuarnelProgressPacer always(0);
        QVERIFY(always.isDue());
        QVERIFY(always.isDue());
        QuarnelProgressPacer slow(60 * 1000);
        QVERIFY(!slow.isDue());
        QCOMPARE(QuarnelProgressPacer().interval(), 50);  // 20 repaints a second
    }
};

QTEST_GUILESS_MAIN(TestImportValues)
#include "tst_importvalues.moc"
