#include "appsettings.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "storedrows.h"
#include "testsupport.h"
#include "undohistory.h"
#include "wertemodel.h"
#include "writeaction.h"
#include "writestatement.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtTest>

#include <functional>

using TestSupport::scalar;

// Undo and redo against real files: every kind of action is done, undone
// and redone, and after each step the file is compared cell by cell (with
// typeof()) with a copy taken before, and the journal replayed onto the
// pristine copy with the file.
class TestUndo : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;
    QString m_pristine;
    UndoHistory *m_history = nullptr;
    int m_copies = 0;

    static AppSettings *s() { return AppSettings::instance(); }
    QSqlDatabase db() const { return kolvexDb(); }

    QString copyOfFile()
    {
        const QString copy = m_dir->filePath(QStringLiteral("stand%1.glo").arg(++m_copies));
        QFile::copy(m_file, copy);
        return copy;
    }

    // The oracle: journal (or /dev/null) replayed onto pristine equals final.
    static QString oracle(const QString &pristine, const QString &journal, const QString &final,
                          const QString &skip)
    {
        QProcess p;
        QStringList args{QStringLiteral("/work/shared/tools/journal_oracle.py"), pristine, journal, final};
        if (!skip.isEmpty())
            args << QStringLiteral("--skip") << skip;
        p.start(QStringLiteral("python3"), args);
        p.waitForFinished(120000);
        const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitCode() == 0 ? QString() : out;
    }

    // Every table, groups included, with the type of every cell.
    QString differenceTo(const QString &copy) const
    {
        return oracle(copy, QStringLiteral("/dev/null"), m_file, QStringLiteral("seqidxs"));
    }

    QString journalDifference() const
    {
        return oracle(m_pristine, m_dir->filePath("journal.sql"), m_file, QStringLiteral("gruppen,seqidxs"));
    }

    void run(const QStringList &statements, const QString &name = QString(), bool journaled = true)
    {
        WriteAction action(QString(), WriteAction::AllOrNothing);
        action.setStepName(name);
        for (const QString &sql : statements)
            journaled ? action.run(sql) : action.runUnjournaled(sql);
        QVERIFY(action.finish());
    }

    // Does the action, undoes it, redoes it, checking the file each time.
    void checkRoundTrip(const std::function<void()> &action, const QString &expectedName)
    {
        const QString before = copyOfFile();
        const int steps = m_history->undoCount();
        action();
        QCOMPARE(m_history->undoCount(), steps + 1);
        QCOMPARE(m_history->undoName(), expectedName);
        QVERIFY(m_history->canUndo());
        const QString after = copyOfFile();
        QVERIFY2(!differenceTo(before).isEmpty(), "the action changed nothing");
        QCOMPARE(journalDifference(), QString());

        QString error;
        QVERIFY2(m_history->undo(&error), qPrintable(error));
        QCOMPARE(differenceTo(before), QString());
        QCOMPARE(journalDifference(), QString());
        QCOMPARE(m_history->redoName(), expectedName);

        QVERIFY2(m_history->redo(&error), qPrintable(error));
        QCOMPARE(differenceTo(after), QString());
        QCOMPARE(journalDifference(), QString());
        QCOMPARE(m_history->undoCount(), steps + 1);
        QCOMPARE(m_history->redoCount(), 0);
    }

    // Calls a context-action slot by name, as the table view does.
    static void invoke(QObject &model, const char *slot, const QList<int> &rows)
    {
        QVERIFY(QMetaObject::invokeMethod(&model, slot, Qt::DirectConnection, Q_ARG(QList<int>, rows)));
    }

    int rowOf(QAbstractItemModel &model, int id) { return TestSupport::rowOfId(model, id); }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_file = TestSupport::copyDemoDatabase(m_dir->path());
        m_pristine = m_dir->filePath("pristine.glo");
        QFile::copy(m_file, m_pristine);
        TestSupport::openKolvex(m_file);
        AppSettings *a = s();
        a->dbFile = m_file;
        a->manufacturerMode = false;
        a->currentManufacturerId = 58;
        a->currentApplianceId = 25000;
        a->showOldAppliances = true;
        a->allFilter.clear();
        a->applianceFilter.clear();
        a->valueFilter.clear();
        a->applianceFields = AppSettings::defaultApplianceFields();
        a->valueFields = QStringLiteral("WERTEID,BEMERKUNG,ERFASSDAT,M,TW");
        a->autoErfassdatum = true;
        a->copiedValueSets.clear();
        a->idRangeLow[58] = qMakePair(25000, 70000);
        m_history = new UndoHistory;
        m_history->startFor(m_file, false);
    }

    void cleanup()
    {
        delete m_history;
        m_history = nullptr;
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void statementShapesAreReadConservatively()
    {
        WriteStatement u = WriteStatement::parse("UPDATE werte SET Bemerkung='a WHERE b', TW=2 WHERE werteid=7;");
        QCOMPARE(u.kind, WriteStatement::Update);
        QCOMPARE(u.table, QString("werte"));
        QCOMPARE(u.where, QString("werteid=7"));
        QVERIFY(u.assigns("TW"));
        QVERIFY(!u.assigns("werteid"));
        QVERIFY(!u.assigns("b"));
        WriteStatement d = WriteStatement::parse(
            "DELETE FROM Werte WHERE geraet IN (SELECT TirmaId FROM Geraete WHERE HrstId IN (58))");
        QCOMPARE(d.kind, WriteStatement::Delete);
        QCOMPARE(d.where, QString("geraet IN (SELECT TirmaId FROM Geraete WHERE HrstId IN (58))"));
        QCOMPARE(WriteStatement::parse("DELETE  FROM gruppen WHERE BEZEICHNUNG='x'").kind, WriteStatement::Delete);
        QCOMPARE(WriteStatement::parse("insert into Geraete (A) values (1)").kind, WriteStatement::Insert);
        for (const char *unknown : {"INSERT OR REPLACE INTO Werte VALUES (1)", "REPLACE INTO Werte VALUES (1)",
                                    "UPDATE Werte SET TW=1 FROM Geraete WHERE 1", "DELETE FROM Werte; DROP TABLE Geraete",
                                    "UPDATE Werte SET TW=1 WHERE Bemerkung='offen", "ALTER TABLE Werte ADD x",
                                    "UPDATE main.Werte SET TW=1"})
            QCOMPARE(WriteStatement::parse(unknown).kind, WriteStatement::Unknown);
    }

    void literalsReadBackAsTheSameValue()
    {
        QSqlQuery q(db());
        for (const QVariant &v : {QVariant(QString()), QVariant(QString("")), QVariant(QString("O'Brien\nzwei")),
                                  QVariant(qlonglong(-9007199254740993LL)), QVariant(3.0), QVariant(0.1),
                                  QVariant(1e300), QVariant(-1.0 / 3.0), QVariant(QByteArray("\x00\xff", 2))}) {
            QVERIFY(q.exec("SELECT " + StoredRows::literal(v)));
            QVERIFY(q.next());
            QVERIFY2(StoredRows::sameValue(q.value(0), v), qPrintable(StoredRows::literal(v)));
        }
        QVERIFY(!StoredRows::sameValue(QVariant(QString()), QVariant(QString(""))));
        QVERIFY(!StoredRows::sameValue(QVariant(qlonglong(1)), QVariant(1.0)));
    }

    void cellEditWithPassOnAndCaptureDate()
    {
        WerteModel model;
        model.reloadWerte();
        checkRoundTrip([&] {
            const int row = rowOf(model, 70000);
            QVERIFY(row >= 0);
            QVERIFY(model.setData(model.index(row, model.fieldIndex("M")), 9.5, Qt::EditRole));
            // The derived set got the value too: one step for all of it.
            QCOMPARE(scalar(db(), "SELECT M FROM Werte WHERE WerteId=70002"), QString("9.5"));
        }, "Kenndaten ändern");
        QCOMPARE(m_history->undoCount(), 1);
    }

    void deleteOfAnApplianceWithItsValueSets()
    {
        GeraeteModel model;
        model.selectAppliances();
        const QString sets = scalar(db(), "SELECT count(*) FROM Werte WHERE Geraet=25000");
        QVERIFY(sets.toInt() > 1);
        checkRoundTrip([&] {
            invoke(model, "datenLoeschen", {rowOf(model, 25000)});
            QCOMPARE(scalar(db(), "SELECT count(*) FROM Werte WHERE Geraet=25000"), QString("0"));
            // The journal keeps the statements as the model wrote them.
            const QString ofAppliance = "70000,70001,70002";   // read once, named by key
            QCOMPARE(TestSupport::journalLines(m_file),
                     (QStringList{"DELETE FROM Geraete WHERE tirmaid IN (25000);",
                                  QString("UPDATE Werte SET BEMERKUNGID=0,AUSATZRINGEID=0 "
                                          "WHERE BEMERKUNGID IN (%1) AND WerteId NOT IN "
                                          "(%1);").arg(ofAppliance),
                                  QString("DELETE FROM Werte WHERE WerteId IN (%1);").arg(ofAppliance)}));
        }, "Feuerstätte löschen");
        QCOMPARE(scalar(db(), "SELECT count(*) FROM Werte WHERE Geraet=25000"), QString("0"));
        QVERIFY(m_history->undo());
        QCOMPARE(scalar(db(), "SELECT count(*) FROM Werte WHERE Geraet=25000"), sets);
    }

    void insertDuplicateAndPaste()
    {
        GeraeteModel model;
        model.selectAppliances();
        checkRoundTrip([&] { invoke(model, "datenDuplizieren", {rowOf(model, 25000)}); }, "Feuerstätte einfügen");
        checkRoundTrip([&] {
            s()->copiedValueSets = QStringLiteral("70000#70001");
            invoke(model, "datenEinfuegen", {rowOf(model, 25001)});
        }, "Kenndaten einfügen");
        checkRoundTrip([&] {
            run({"INSERT INTO Geraete (Typ, HRSTID, TIRMAID) VALUES ('Neu',58,25999)"}, "Feuerstätte anlegen");
        }, "Feuerstätte anlegen");
    }

    void groupChangeIsUndoneWithoutJournal()
    {
        const QString journalBefore = TestSupport::journalLines(m_file).join('\n');
        checkRoundTrip([&] {
            run({"DELETE  FROM gruppen WHERE BEZEICHNUNG=(SELECT min(BEZEICHNUNG) FROM gruppen)",
                 "INSERT INTO gruppen VALUES ('Neue ''Gruppe''', 70000)",
                 "UPDATE gruppen SET werteid=NULL WHERE rowid=(SELECT max(rowid) FROM gruppen)"},
                QString(), false);
        }, "Gruppe ändern");
        QCOMPARE(TestSupport::journalLines(m_file).join('\n'), journalBefore);
    }

    void typesSurviveUndoAndRedo()
    {
        checkRoundTrip([&] {
            run({"UPDATE Werte SET Bemerkung='', TW=NULL, M=X'00ff10', PW=3.0, QN='7,5' WHERE WerteId=70000",
                 "UPDATE Werte SET Bemerkung=NULL, TW='' WHERE WerteId=70001",
                 "UPDATE Geraete SET BREITE=0.1, Typ=12 WHERE TirmaId=25000"});
        }, "Kenndaten ändern");
    }

    // A step that starts by updating some columns keeps only those; a later
    // statement of the same action that sets another column, deletes or
    // inserts completes the images first, from rows it has not yet touched.
    void imagesOfSomeColumnsAreCompletedWhenTheActionNeedsMore()
    {
        checkRoundTrip([&] {
            run({"UPDATE Werte SET TW=5 WHERE Geraet=25000",
                 "UPDATE Werte SET M='neu', TW=TW+1 WHERE WerteId=70000",
                 "DELETE FROM Werte WHERE WerteId=70001"});
        }, "Kenndaten ändern");
        checkRoundTrip([&] {
            run({"UPDATE Werte SET Bemerkung='a''b' WHERE WerteId=70000",
                 "INSERT INTO Werte (WerteId, Geraet, TW) VALUES (99999001, 25000, 1)",
                 "UPDATE Werte SET Bemerkung='c' WHERE WerteId IN (70000, 99999001)"});
        }, "Kenndaten ändern");
    }

    // A row the action inserted or changed is changed again by its key
    // without reading it: undo and redo still give the file back exactly,
    // also when a key is not the row id or a column is called rowid.
    void rowsHeldByTheActionAreChangedByKeyWithoutLosingAnything()
    {
        QSqlQuery setUp(db());
        // An INTEGER PRIMARY KEY DESC is no row id.
        QVERIFY(setUp.exec("CREATE TABLE Abwaerts (Nr INTEGER PRIMARY KEY DESC, Wert TEXT)"));
        QVERIFY(setUp.exec("CREATE TABLE Zeilen (Nr INTEGER PRIMARY KEY, rowid INTEGER, Wert TEXT)"));
        QVERIFY(setUp.exec("INSERT INTO Zeilen VALUES (1, 2, 'eins'), (2, 1, 'zwei')"));
        setUp.finish();
        m_pristine = copyOfFile();
        checkRoundTrip([&] {
            run({"INSERT INTO Werte (WerteId, Geraet, TW) VALUES (99999001, 25000, 1)",
                 "UPDATE Werte SET Geraet=25001 WHERE WerteId=99999001",
                 "UPDATE Werte SET TW=2, Bemerkung='x' WHERE werteid = 99999001",
                 "UPDATE Werte SET M='m' WHERE WerteId=70000",
                 "UPDATE Werte SET M='n' WHERE rowid=70000",
                 "DELETE FROM Werte WHERE WerteId=99999001",
                 "UPDATE Werte SET TW=3 WHERE WerteId=99999001",
                 "INSERT INTO Werte (WerteId, Geraet, TW) VALUES (99999001, 25000, 4)",
                 "UPDATE Werte SET TW=5 WHERE WerteId=99999001"});
        }, "Kenndaten einfügen");
        QCOMPARE(scalar(db(), "SELECT TW FROM Werte WHERE WerteId=99999001"), QString("5"));

        checkRoundTrip([&] {
            // Row ids 1 and 2 for the keys 2 and 1.
            run({"INSERT INTO Abwaerts (Nr, Wert) VALUES (2, 'a')",
                 "INSERT INTO Abwaerts (Nr, Wert) VALUES (1, 'b')",
                 "UPDATE Abwaerts SET Wert='c' WHERE Nr=1"});
        }, "Änderung");
        QCOMPARE(scalar(db(), "SELECT group_concat(Nr || Wert, ' ') FROM (SELECT * FROM Abwaerts ORDER BY Nr)"),
                 QString("1c 2a"));

        // Where a column is called rowid, no image can be told by its row:
        // the change is made and kept, and its undo refused, never mixed up.
        run({"UPDATE Zeilen SET Wert='x' WHERE Nr=1", "UPDATE Zeilen SET Wert='y' WHERE rowid=1"});
        QCOMPARE(scalar(db(), "SELECT group_concat(Wert, ' ') FROM (SELECT * FROM Zeilen ORDER BY Nr)"),
                 QString("x y"));
        QVERIFY(m_history->undoRefusal().contains("rowid"));
        QString error;
        QVERIFY(!m_history->undo(&error));
        QCOMPARE(scalar(db(), "SELECT group_concat(Wert, ' ') FROM (SELECT * FROM Zeilen ORDER BY Nr)"),
                 QString("x y"));
        QCOMPARE(journalDifference(), QString());
    }

    // An image of some columns is checked and written back in those only:
    // another program's change of another column stays, one of the same
    // column refuses the undo.
    void undoOfSomeColumnsKeepsTheOtherColumnsOfAnotherProgram()
    {
        const QString dinplusBefore = scalar(db(), "SELECT quote(dinplus) FROM Werte WHERE WerteId=70000");
        run({"UPDATE Werte SET dinplus=1 WHERE WerteId IN (70000, 70001)"});
        {
            TestSupport::OtherProgram other(m_file);
            QVERIFY(other.exec("UPDATE Werte SET TW=123 WHERE WerteId=70000"));
        }
        QString error;
        QVERIFY2(m_history->undo(&error), qPrintable(error));
        QCOMPARE(scalar(db(), "SELECT quote(dinplus) FROM Werte WHERE WerteId=70000"), dinplusBefore);
        QCOMPARE(scalar(db(), "SELECT TW FROM Werte WHERE WerteId=70000"), QString("123"));
        {
            TestSupport::OtherProgram other(m_file);
            QVERIFY(other.exec("UPDATE Werte SET dinplus=7 WHERE WerteId=70000"));
        }
        QVERIFY(!m_history->redo(&error));
        QVERIFY2(error.contains("Kenndaten 70000"), qPrintable(error));
    }

    void undoRefusedAfterAnotherProgramChangedTheRecord()
    {
        run({"UPDATE Geraete SET Typ='Fjord 8W' WHERE TirmaId=25001"});
        {
            TestSupport::OtherProgram other(m_file);
            QVERIFY(other.exec("UPDATE Geraete SET Typ='fremd' WHERE TirmaId=25001"));
        }
        QString error;
        QVERIFY(!m_history->undo(&error));
        QVERIFY2(error.contains("Feuerstätte 25001"), qPrintable(error));
        QCOMPARE(m_history->undoCount(), 1);
        QCOMPARE(scalar(db(), "SELECT Typ FROM Geraete WHERE TirmaId=25001"), QString("fremd"));
        // A record that is gone is found as well; so is one put back in the way of a redo.
        run({"DELETE FROM Werte WHERE WerteId=70001"});
        QVERIFY(m_history->undo(&error));
        TestSupport::OtherProgram other(m_file);
        QVERIFY(other.exec("UPDATE Werte SET TW=TW+1 WHERE WerteId=70001"));
        QVERIFY(!m_history->redo(&error));
        QVERIFY2(error.contains("Kenndaten 70001"), qPrintable(error));
        QCOMPARE(m_history->redoCount(), 1);
    }

    void onlyCommittedActionsBecomeSteps()
    {
        {
            WriteAction action(QString(), WriteAction::AllOrNothing);
            action.run("UPDATE Werte SET TW=1 WHERE WerteId=70000");
            action.run("UPDATE Werte SET keineSpalte=1");
            QVERIFY(!action.finish());
        }
        QCOMPARE(m_history->undoCount(), 0);
        run({"UPDATE Werte SET TW=TW WHERE WerteId=70000"});
        QCOMPARE(m_history->undoCount(), 0);   // nothing changed, nothing to undo
        // A statement that cannot be taken back: the step says so.
        run({"INSERT INTO Werte (WerteId, Geraet) SELECT WerteId+100000, Geraet FROM Werte WHERE Geraet=25000"});
        QCOMPARE(m_history->undoCount(), 1);
        QVERIFY(!m_history->canUndo());
        QVERIFY(!m_history->undoRefusal().isEmpty());
        QString error;
        QVERIFY(!m_history->undo(&error));
        QVERIFY(error.contains("kann nicht rückgängig gemacht werden"));
    }

    void newActionDropsRedoAndReadOnlyRecordsNothing()
    {
        run({"UPDATE Werte SET TW=1 WHERE WerteId=70000"});
        run({"UPDATE Werte SET TW=2 WHERE WerteId=70000"});
        QVERIFY(m_history->undo());
        QCOMPARE(m_history->redoCount(), 1);
        run({"UPDATE Werte SET TW=3 WHERE WerteId=70000"});
        QCOMPARE(m_history->redoCount(), 0);
        QCOMPARE(m_history->undoCount(), 2);
        QSignalSpy cleared(m_history, &UndoHistory::cleared);
        m_history->startFor(m_file + "x", true);
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(m_history->undoCount(), 0);
        run({"UPDATE Werte SET TW=4 WHERE WerteId=70000"});
        QCOMPARE(m_history->undoCount(), 0);
        QVERIFY(!m_history->canUndo());
    }

    void randomActionsUndoneToTheStart()
    {
        QRandomGenerator random(23);
        const QStringList values{"NULL", "''", "'text'", "7", "7.0", "-0.25", "X'0102'", "'O''Brien'"};
        const QStringList columns{"TW", "PW", "QN", "M", "Bemerkung"};
        int nextId = 71000;
        for (int i = 0; i < 50; ++i) {
            const QString value = values.at(random.bounded(values.size()));
            switch (random.bounded(5)) {
            case 0:
                run({QString("UPDATE Werte SET %1=%2 WHERE WerteId IN (SELECT WerteId FROM Werte ORDER BY "
                             "WerteId LIMIT 3 OFFSET %3)").arg(columns.at(random.bounded(columns.size())), value)
                         .arg(random.bounded(40))});
                break;
            case 1:
                run({QString("INSERT INTO Werte (WerteId, Geraet, TW) VALUES (%1, 25000, %2)").arg(nextId++).arg(value)});
                break;
            case 2:
                run({QString("DELETE FROM Werte WHERE WerteId=(SELECT WerteId FROM Werte ORDER BY WerteId "
                             "LIMIT 1 OFFSET %1)").arg(random.bounded(40))});
                break;
            case 3:
                run({QString("INSERT INTO gruppen VALUES ('G%1', %2)").arg(i).arg(70000 + i)}, QString(), false);
                break;
            default:
                run({QString("UPDATE Geraete SET Typ=%1 WHERE TirmaId=25001").arg(value),
                     QString("DELETE FROM Werte WHERE WerteId=(SELECT max(WerteId) FROM Werte)")});
            }
        }
        QVERIFY(m_history->undoCount() > 40);
        QString error;
        while (m_history->canUndo())
            QVERIFY2(m_history->undo(&error), qPrintable(error));
        QCOMPARE(m_history->undoCount(), 0);
        QCOMPARE(differenceTo(m_pristine), QString());
        QCOMPARE(journalDifference(), QString());
        while (m_history->canRedo())
            QVERIFY2(m_history->redo(&error), qPrintable(error));
        QCOMPARE(journalDifference(), QString());
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
