#include "appsettings.h"
#include "baustoffemodel.h"
#include "changereport.h"
#include "dbconnections.h"
#include "feuerraummodel.h"
#include "geraetemodel.h"
#include "gruppenmodel.h"
#include "herstellermodel.h"
#include "mainwindow.h"
#include "testsupport.h"
#include "wertemodel.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QStatusBar>
#include <QtTest>

#include <memory>

#ifdef Q_OS_LINUX
#include "filesizelimit.h"
#endif

using TestSupport::scalar;

// What the user sees is in the file and in the journal: failed statements,
// failed commits and an unwritable journal against real SQLite files and a
// real second connection.
class TestChangeSafety : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;
    QSqlDatabase m_db;
    std::unique_ptr<QSignalSpy> m_reports;

    static AppSettings *settings() { return AppSettings::instance(); }
    QStringList journal() const { return TestSupport::journalLines(m_file); }
    QString journalPath() const { return m_dir->filePath("journal.sql"); }
    QString value(const QString &sql) const { return scalar(m_db, sql); }

    QStringList reports() const
    {
        QStringList texts;
        for (const QList<QVariant> &signal : *m_reports)
            texts << signal.at(0).toString();
        return texts;
    }

    // No transaction of ours is left open: a BEGIN is accepted.
    bool noTransactionOpen() const
    {
        QSqlQuery q(m_db);
        if (!q.exec("BEGIN"))
            return false;
        q.exec("ROLLBACK");
        return true;
    }

    // Another program holding a read transaction: COMMIT then waits for it
    // and fails after the busy timeout.
    QSqlDatabase holdReadLock()
    {
        QSqlDatabase other = TestSupport::openOtherConnection(m_file, "Leser");
        QSqlQuery q(other);
        q.exec("BEGIN");
        q.exec("SELECT count(*) FROM Werte");
        q.next();
        return other;
    }

    // Another program in the middle of writing: every write of ours fails.
    QSqlDatabase holdWriteLock()
    {
        QSqlDatabase other = TestSupport::openOtherConnection(m_file, "Schreiber");
        QSqlQuery(other).exec("BEGIN IMMEDIATE");
        return other;
    }

    static void release(QSqlDatabase other)
    {
        QSqlQuery(other).exec("ROLLBACK");
    }

    static int rowOf(const QAbstractItemModel &model, int id)
    {
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.index(row, 0).data(Qt::EditRole).toInt() == id)
                return row;
        return -1;
    }

    static QModelIndex cell(const EditableSqlQueryModel &model, int id, const QString &column)
    {
        return model.index(rowOf(model, id), model.fieldIndex(column));
    }

    static void invoke(QObject *model, const char *slot, const QList<int> &rows)
    {
        QVERIFY(QMetaObject::invokeMethod(model, slot, Q_ARG(QList<int>, rows)));
    }

    // Both files hold the same appliances and value sets.
    static QString tables(const QString &file)
    {
        return TestSupport::runSqlite3(file, "SELECT * FROM Geraete ORDER BY TirmaId;\n"
                                             "SELECT * FROM Werte ORDER BY WerteId;\n");
    }

    // Replays the journal on a fresh copy of the demo database with
    // "sqlite3 -bail"; returns the copy's path, or an empty text when the
    // shell stopped at an error.
    QString replayJournal()
    {
        const QString dir = m_dir->filePath("replay");
        QDir().mkpath(dir);
        const QString copy = TestSupport::copyDemoDatabase(dir);
        QProcess shell;
        shell.setStandardInputFile(journalPath());
        shell.start(QStringLiteral(KOLVEX_SQLITE3), {"-bail", copy});
        if (!shell.waitForFinished(60000) || shell.exitCode() != 0)
            return QString();
        return copy;
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_file = TestSupport::copyDemoDatabase(m_dir->path());
        m_db = TestSupport::openKolvexWith(m_file, "QSQLITE_BUSY_TIMEOUT=50");
        AppSettings *s = settings();
        s->manufacturerMode = false;
        s->autoErfassdatum = false;
        s->currentManufacturerId = 58;
        s->currentApplianceId = 25000;
        s->currentFireChamberManufacturerId = 58;
        s->applianceFields = AppSettings::defaultApplianceFields();
        s->valueFields = AppSettings::defaultValueFields();
        s->allFilter.clear();
        s->valueFilter.clear();
        s->applianceFilter.clear();
        m_reports.reset(new QSignalSpy(ChangeReport::instance(), &ChangeReport::failed));
    }

    void cleanup()
    {
        m_reports.reset();
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        settings()->autoErfassdatum = true;
        delete m_dir;
        m_dir = nullptr;
    }

    // ------------------------------------------------ single edits

    void failedUpdateOnAReadOnlyCopyIsNotJournaled()
    {
        m_db = TestSupport::openKolvexWith(m_file, "QSQLITE_OPEN_READONLY");
        GeraeteModel model;
        model.selectAppliances();
        const QModelIndex typ = cell(model, 25000, "TYP");
        const QString stored = typ.data().toString();
        QVERIFY(!model.setData(typ, "Umbenannt"));
        QCOMPARE(typ.data().toString(), stored);
        QVERIFY(journal().isEmpty());
        QCOMPARE(reports(),
                 QStringList{"Änderung nicht gespeichert: attempt to write a readonly database"});
    }

    void failedUpdateOnALockedFileIsNotJournaled()
    {
        WerteModel model;
        model.reloadWerte();
        QSqlDatabase writer = holdWriteLock();
        const QModelIndex tw = cell(model, 70001, "TW");
        const QString stored = tw.data().toString();
        QVERIFY(!model.setData(tw, "321"));
        QCOMPARE(tw.data().toString(), stored);
        QVERIFY(journal().isEmpty());
        QCOMPARE(reports(), QStringList{"Änderung nicht gespeichert: database is locked"});

        // Once the other program is done, the same edit goes through.
        release(writer);
        QVERIFY(model.setData(tw, "321"));
        QCOMPARE(journal(), QStringList{"UPDATE werte SET TW='321' WHERE werteid=70001;"});
        QCOMPARE(scalar(writer, "SELECT TW FROM Werte WHERE WerteId=70001"), QString("321"));
        QVERIFY(noTransactionOpen());
    }

    // ------------------------------------------------ bulk actions

    void bulkDeleteWhoseCommitFailsChangesNothing()
    {
        GeraeteModel model;
        model.selectAppliances();
        QVERIFY(model.setData(cell(model, 25002, "TYP"), "Vorher"));
        const QStringList before = journal();
        QSqlDatabase reader = holdReadLock();
        invoke(&model, "datenLoeschen", {rowOf(model, 25000), rowOf(model, 25001)});
        QCOMPARE(reports(), QStringList{"Änderung nicht gespeichert: database is locked"});
        QCOMPARE(journal(), before);
        release(reader);
        QVERIFY(noTransactionOpen());
        QCOMPARE(value("SELECT count(*) FROM Geraete WHERE TirmaId IN (25000,25001)"), QString("2"));
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet IN (25000,25001)"), QString("6"));
        QVERIFY(rowOf(model, 25000) >= 0);
    }

    void bulkActionOnALockedFileStopsAtTheFirstRefusal()
    {
        WerteModel model;
        model.reloadWerte();
        QSqlDatabase writer = holdWriteLock();
        invoke(&model, "datenLoeschen",
               {rowOf(model, 70000), rowOf(model, 70001), rowOf(model, 70002)});
        QCOMPARE(reports(), QStringList{"Änderung nicht gespeichert: database is locked"});
        QVERIFY(journal().isEmpty());
        release(writer);
        QVERIFY(noTransactionOpen());
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=25000"), QString("3"));
    }

    void failedStatementsOfABulkActionAreCountedOnce()
    {
        WerteModel model;
        model.reloadWerte();
        QSqlQuery(m_db).exec("CREATE TRIGGER sperre BEFORE DELETE ON Werte WHEN old.WerteId<>70001 "
                             "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END");
        invoke(&model, "datenLoeschen",
               {rowOf(model, 70000), rowOf(model, 70001), rowOf(model, 70002)});
        // The sets go in one statement: refused for two, it deletes none.
        QCOMPARE(reports(), QStringList{"Änderung nicht gespeichert: gesperrt"});
        QVERIFY(!journal().join('\n').contains("DELETE FROM Werte"));
        QCOMPARE(value("SELECT group_concat(WerteId) FROM Werte WHERE Geraet=25000"),
                 QString("70000,70001,70002"));
    }

    void commitRefusedByAReaderLeavesNoTransactionOpen()
    {
        // The quality-mark switch and the group writes used to ignore a
        // failed commit: every later edit of the session was then rolled
        // back at close while the journal listed it.
        WerteModel werte;
        werte.reloadWerte();
        GruppenModel groups;
        const QModelIndex group = groups.addGruppe("Nordlicht Serie", "70000#70001", false);
        QSqlDatabase reader = holdReadLock();
        werte.setDinplusAll(true);
        groups.addToGruppe(group, "70004");
        QCOMPARE(group.data(Qt::UserRole).toString(), QString("70000#70001"));
        QCOMPARE(reports().size(), 2);
        release(reader);
        QVERIFY(noTransactionOpen());
        QVERIFY(journal().isEmpty());

        QVERIFY(werte.setData(cell(werte, 70001, "BEMERKUNG"), "Teillast neu"));
        groups.addToGruppe(group, "70004");
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        QCOMPARE(TestSupport::runSqlite3(m_file, "SELECT Bemerkung FROM Werte WHERE WerteId=70001;\n"
                                                 "SELECT sum(dinplus) FROM Werte WHERE Geraet=25000;\n"
                                                 "SELECT count(*) FROM gruppen WHERE werteid=70004;\n"),
                 QString("Teillast neu\n1\n1\n"));   // 70001 only, as before
        QCOMPARE(journal(), QStringList{"UPDATE werte SET BEMERKUNG='Teillast neu' WHERE werteid=70001;"});
    }

    void journalOfADuplicateReplaysToTheFile()
    {
        GeraeteModel model;
        model.selectAppliances();
        invoke(&model, "datenDuplizieren", {rowOf(model, 25000), rowOf(model, 25001)});
        QVERIFY(reports().isEmpty());
        const QStringList lines = journal();
        QCOMPARE(lines.size(), 2 * (1 + 3 * 3));
        // The appliances first, then their value sets under ids of one search.
        QVERIFY(lines.at(0).startsWith("insert into Geraete (TIRMAID,HRSTID,"));
        QVERIFY(lines.at(1).startsWith("insert into Geraete (TIRMAID,HRSTID,"));
        QVERIFY(lines.at(2).startsWith("insert into Werte (WERTEID,GERAET,"));
        QCOMPARE(lines.at(3), QString("UPDATE Werte SET Geraet=25003 WHERE WerteId=70003;"));
        QVERIFY(lines.at(4).startsWith("UPDATE Werte SET ERFASSDAT='"));
        QVERIFY(lines.at(11).startsWith("insert into Werte (WERTEID,GERAET,"));
        QCOMPARE(lines.at(12), QString("UPDATE Werte SET Geraet=25005 WHERE WerteId=70015;"));
        const QString replayed = replayJournal();
        QVERIFY(!replayed.isEmpty());
        QCOMPARE(tables(replayed), tables(m_file));
    }

    // ------------------------------------------------ the journal itself

    void unwritableJournalRollsTheChangeBack()
    {
        QVERIFY(QDir().mkdir(journalPath()));   // root may write anywhere, not into a directory
        GeraeteModel model;
        model.selectAppliances();
        const QModelIndex typ = cell(model, 25000, "TYP");
        QVERIFY(!model.setData(typ, "Umbenannt"));
        QCOMPARE(typ.data().toString(), QString("Nordlicht 5"));
        QCOMPARE(value("SELECT Typ FROM Geraete WHERE TirmaId=25000"), QString("Nordlicht 5"));
        QCOMPARE(reports().size(), 1);
        QVERIFY(reports().at(0).startsWith("Änderungsprotokoll nicht schreibbar: "));

        invoke(&model, "datenLoeschen", {rowOf(model, 25001)});
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=25001"), QString("3"));
        QVERIFY(noTransactionOpen());

        // In manufacturer mode nothing is journaled, so nothing stands in the way.
        settings()->manufacturerMode = true;
        QVERIFY(model.setData(typ, "Umbenannt"));
        QCOMPARE(value("SELECT Typ FROM Geraete WHERE TirmaId=25000"), QString("Umbenannt"));
        settings()->manufacturerMode = false;
    }

    void fullDiskLeavesTheJournalReplayable()
    {
#ifndef Q_OS_LINUX
        QSKIP("needs a file size limit");
#else
        GeraeteModel model;
        model.selectAppliances();
        QVERIFY(model.setData(cell(model, 25001, "TYP"), "Vorher"));

        // Files may grow to the limit and no further: the journal is filled
        // up to a few bytes below it, the database stays far below.
        const qint64 limit = QFileInfo(m_file).size() + 2 * 1024 * 1024;
        {
            QFile file(journalPath());
            QVERIFY(file.open(QIODevice::Append));
            const QByteArray filler("-- Platzhalter\n");
            while (file.size() + filler.size() < limit - 20)
                file.write(filler);
        }
        const qint64 sizeBefore = QFileInfo(journalPath()).size();

        bool stored = false;
        {
            const FileSizeLimit full{static_cast<rlim_t>(limit)};
            stored = model.setData(cell(model, 25000, "TYP"), "Nach dem vollen Datenträger");
        }

        QVERIFY(!stored);
        QCOMPARE(reports().size(), 1);
        QVERIFY(reports().at(0).startsWith("Änderungsprotokoll nicht schreibbar: "));
        QCOMPARE(QFileInfo(journalPath()).size(), sizeBefore);
        QCOMPARE(value("SELECT Typ FROM Geraete WHERE TirmaId=25000"), QString("Nordlicht 5"));
        const QString replayed = replayJournal();
        QVERIFY(!replayed.isEmpty());
        QCOMPARE(tables(replayed), tables(m_file));
#endif
    }

    // ------------------------------------------------ record keys

    void recordKeysAreShownButNotEdited()
    {
        HerstellerModel hersteller;
        hersteller.setQuery("Select Id, Name from Hersteller where Tirma<>0 order by lower(Name)",
                            kolvexDb());
        GeraeteModel geraete;
        geraete.selectAppliances();
        WerteModel werte;
        werte.reloadWerte();
        FeuerraumModel feuerraum;
        feuerraum.setQuery("Select * from Gkostand where HrstId=58 order by Typ", kolvexDb());
        BaustoffeModel baustoffe;
        baustoffe.setQuery("Select * from Baustoffe order by Bezeichnung", kolvexDb());
        const QList<EditableSqlQueryModel *> models{&hersteller, &geraete, &werte, &feuerraum,
                                                    &baustoffe};
        for (EditableSqlQueryModel *model : models) {
            const QByteArray name = model->metaObject()->className();
            const QModelIndex key = model->index(0, 0);
            const QModelIndex newKey = model->index(model->rowCount() - 1, 0);
            QVERIFY2(!(model->flags(key) & Qt::ItemIsEditable), name);
            QVERIFY2(!(model->flags(newKey) & Qt::ItemIsEditable), name);
            QVERIFY2(model->flags(model->index(0, 1)) & Qt::ItemIsEditable, name);
            const QVariant id = key.data(Qt::EditRole);
            QVERIFY2(!model->setData(key, 4711), name);
            QVERIFY2(!model->setData(newKey, 4712), name);
            QCOMPARE(key.data(Qt::EditRole), id);
        }
        QVERIFY(journal().isEmpty());
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE WerteId IN (4711,4712) OR Geraet IN "
                       "(4711,4712)"),
                 QString("0"));
    }

    void theWindowShowsReportsInItsStatusBar()
    {
        MainWindow window;
        ChangeReport::instance()->changeNotSaved("database is locked");
        QCOMPARE(window.statusBar()->currentMessage(),
                 QString("Änderung nicht gespeichert: database is locked"));
        ChangeReport::instance()->journalNotWritable("No space left on device");
        QCOMPARE(window.statusBar()->currentMessage(),
                 QString("Änderungsprotokoll nicht schreibbar: No space left on device"));
    }

    // ------------------------------------------------ drops

    void droppedNamesLandOnTheManufacturersUnderTheDrop()
    {
        HerstellerModel model;
        model.setQuery("Select Id, Name from Hersteller where Tirma<>0 order by lower(Name)",
                       kolvexDb());
        QCOMPARE(model.index(0, 0).data().toInt(), 550);
        QCOMPARE(model.index(1, 0).data().toInt(), 12);
        QCOMPARE(model.index(2, 0).data().toInt(), 215);
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << QStringList{"Zander", "Adler", "Mitte"};
        }
        QMimeData mime;
        mime.setData("text/plain", bytes);
        // Each name re-sorts the list before the next one is written.
        QVERIFY(model.dropMimeData(&mime, Qt::CopyAction, -1, -1, model.index(0, 1)));
        QCOMPARE(value("SELECT group_concat(Id || '=' || Name, ' ') FROM (SELECT * FROM Hersteller "
                       "WHERE Id IN (550,12,215) ORDER BY Id)"),
                 QString("12=Adler 215=Mitte 550=Zander"));
        QCOMPARE(journal(), (QStringList{"UPDATE Hersteller SET NAME='Zander' WHERE id=550;",
                                         "UPDATE Hersteller SET NAME='Adler' WHERE id=12;",
                                         "UPDATE Hersteller SET NAME='Mitte' WHERE id=215;"}));
        QVERIFY(reports().isEmpty());
    }
};

QTEST_MAIN(TestChangeSafety)
#include "tst_changesafety.moc"
