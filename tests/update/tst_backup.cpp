#include "databasebackup.h"
#include "dbconnections.h"
#include "mainwindow.h"
#include "filesizelimit.h"
#include "modaldialogscript.h"
#include "testsupport.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDate>
#include <QSqlQuery>
#include <QtTest>


// Backups of the open database while other connections work on the file:
// always the last committed state, never a partial or corrupt copy, and an
// earlier backup replaced only by a complete one.
class TestBackup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db;
    QString m_committedWerte;
    QByteArray m_committedSum;

    QByteArray committedChecksum() const { return m_committedSum; }

    static QByteArray checksum(const QString &file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray();
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
    }

    static QString shell(const QString &file, const QString &sql)
    {
        return TestSupport::runSqlite3(file, sql + ";\n").trimmed();
    }

    QStringList leftovers() const
    {
        return QDir(m_dir.path()).entryList({"*.part", "*.part-journal"},
                                            QDir::Files | QDir::Hidden);
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        m_db = TestSupport::copyDemoDatabase(m_dir.path());
        TestSupport::openKolvex(m_db);
        m_committedWerte = shell(m_db, "SELECT count(*) FROM Werte");
        m_committedSum = checksum(m_db);
    }

    void cleanup() { TestSupport::closeAllConnections(); }

    void copyHoldsTheCommittedStateWhileAnotherConnectionWrites()
    {
        const QString target = m_dir.path() + "/sicherung.glo";
        TestSupport::OtherProgram other(m_db);
        QVERIFY(other.exec("BEGIN"));
        for (int i = 0; i < 200; ++i)
            QVERIFY(other.exec(QString("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES "
                                       "(%1, 25000, 'offen')")
                                   .arg(90000 + i)));
        DatabaseBackup backup;
        QCOMPARE(backup.copyTo(kolvexDb(), target), DatabaseBackup::Written);
        QVERIFY(other.exec("ROLLBACK"));

        QCOMPARE(shell(target, "PRAGMA integrity_check"), QString("ok"));
        QCOMPARE(shell(target, "SELECT count(*) FROM Werte"), m_committedWerte);
        QCOMPARE(shell(target, "SELECT count(*) FROM Werte WHERE Bemerkung='offen'"), QString("0"));
        // The copy is a plain database of its own: no temporary table, no journal.
        QCOMPARE(shell(target, "SELECT count(*) FROM sqlite_master WHERE name='seqidxs'"),
                 QString("0"));
        QCOMPARE(shell(target, "SELECT group_concat(name) FROM sqlite_master WHERE type='table' "
                               "AND name IN ('Hersteller','Geraete','Werte')"),
                 QString("Hersteller,Geraete,Werte"));
        QVERIFY(leftovers().isEmpty());

        // What the other connection commits afterwards is in the next copy.
        QVERIFY(other.exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (91000, 25000, "
                           "'fest')"));
        QCOMPARE(backup.copyTo(kolvexDb(), target), DatabaseBackup::Written);
        QCOMPARE(shell(target, "SELECT count(*) FROM Werte"),
                 QString::number(m_committedWerte.toInt() + 1));
    }

    void exclusiveLockFailsAfterOneWaitAndKeepsTheEarlierBackup()
    {
        const QString target = m_dir.path() + "/vorher.glo";
        DatabaseBackup backup;
        QCOMPARE(backup.copyTo(kolvexDb(), target), DatabaseBackup::Written);
        const QByteArray earlier = checksum(target);

        TestSupport::OtherProgram other(m_db);
        QVERIFY(other.exec("BEGIN EXCLUSIVE"));
        QVERIFY(other.exec("DELETE FROM Werte"));
        QCOMPARE(backup.copyTo(kolvexDb(), target), DatabaseBackup::Failed);
        QVERIFY2(backup.errorText().contains("Datenbank ist gesperrt"),
                 qPrintable(backup.errorText()));
        QVERIFY(other.exec("ROLLBACK"));
        QCOMPARE(checksum(target), earlier);
        QVERIFY(leftovers().isEmpty());

        // A write too large for the other program's cache reaches the file
        // before its commit; a file copy would now take rows that are
        // rolled back later.
        QVERIFY(other.exec("PRAGMA cache_size=10"));
        QVERIFY(other.exec("BEGIN"));
        for (int i = 0; i < 40; ++i)
            QVERIFY(other.exec(QString("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES "
                                       "(%1, 25000, '%2')")
                                   .arg(95000 + i)
                                   .arg(QString(4000, QChar('x')))));
        QVERIFY(checksum(m_db) != committedChecksum());
        QCOMPARE(backup.copyTo(kolvexDb(), target), DatabaseBackup::Failed);
        QVERIFY(backup.errorText().contains("Datenbank ist gesperrt"));
        QVERIFY(other.exec("ROLLBACK"));
        QCOMPARE(checksum(target), earlier);
        QCOMPARE(backup.copyTo(kolvexDb(), target), DatabaseBackup::Written);
        QCOMPARE(shell(target, "SELECT count(*) FROM Werte"), m_committedWerte);
        QCOMPARE(shell(target, "PRAGMA integrity_check"), QString("ok"));
    }

    void earlierBackupIsReplacedOnlyByACompleteCopy()
    {
        const QString target = m_dir.path() + "/alt.glo";
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("alte Sicherung");
        old.close();
        DatabaseBackup backup;
        QCOMPARE(backup.copyTo(kolvexDb(), target), DatabaseBackup::Written);
        QCOMPARE(shell(target, "SELECT count(*) FROM Werte"), m_committedWerte);
        QVERIFY(leftovers().isEmpty());

        // A target that cannot be deleted (here a folder with content) stays.
        const QString folder = m_dir.path() + "/ordner.glo";
        QDir().mkpath(folder + "/inhalt");
        QCOMPARE(backup.copyTo(kolvexDb(), folder), DatabaseBackup::TargetNotRemovable);
        QVERIFY(QFileInfo(folder + "/inhalt").isDir());
        QVERIFY(leftovers().isEmpty());
    }

    void unusableTargetsAreRefused()
    {
        DatabaseBackup backup;
        const QByteArray before = checksum(m_db);
        // The open database itself would be replaced under its connection.
        QCOMPARE(backup.copyTo(kolvexDb(), m_db), DatabaseBackup::Failed);
        QVERIFY(backup.errorText().contains("geöffnete Datenbank"));
        QCOMPARE(checksum(m_db), before);
        // The same file under other spellings: compared by canonical path,
        // not by text.
        QVERIFY(QDir().mkpath(m_dir.path() + "/sub"));
        const QString link = m_dir.path() + "/sub/verweis.glo";
        QFile::remove(link);
        QVERIFY(QFile::link(m_db, link));
        const QFileInfo opened(m_db);
        for (const QString &spelling : {opened.absolutePath() + "/./" + opened.fileName(),
                                        opened.absolutePath() + "/sub/../" + opened.fileName(),
                                        link}) {
            QCOMPARE(backup.copyTo(kolvexDb(), spelling), DatabaseBackup::Failed);
            QVERIFY2(backup.errorText().contains("geöffnete Datenbank"), qPrintable(spelling));
            QCOMPARE(checksum(m_db), before);
            QVERIFY(!QFileInfo(m_db).isSymLink());
        }
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(leftovers().isEmpty());
        QCOMPARE(backup.copyTo(kolvexDb(), m_dir.path() + "/gibtsnicht/kopie.glo"),
                 DatabaseBackup::Failed);
        QVERIFY(!QFileInfo::exists(m_dir.path() + "/gibtsnicht"));
        TestSupport::closeAllConnections();
        QCOMPARE(backup.copyTo(QSqlDatabase(), m_dir.path() + "/ohne.glo"),
                 DatabaseBackup::Failed);
        QVERIFY(backup.errorText().contains("Keine Datenbank"));
    }

    void backupTakesTheDatabasePermissions()
    {
        const auto shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                            | QFile::WriteGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(m_db, shared));
        DatabaseBackup backup;
        const QString target = m_dir.path() + "/gemeinsam.glo";
        QCOMPARE(backup.copyTo(kolvexDb(), target), DatabaseBackup::Written);
        // Owner, group and others (the user bits only repeat the owner's).
        QCOMPARE(QFileInfo(target).permissions() & 0xf0ff, shared & 0xf0ff);
    }

    void fullDiskNamesTheTargetAndLeavesNothing()
    {
        const QString target = m_dir.path() + "/voll.glo";
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("alte Sicherung");
        old.close();
        // Files may not grow beyond 8 KiB, as if the disk were full.
        DatabaseBackup backup;
        DatabaseBackup::Result result = DatabaseBackup::Written;
        {
            const FileSizeLimit limit(8192);
            QVERIFY(limit.isActive());
            result = backup.copyTo(kolvexDb(), target);
        }
        QCOMPARE(result, DatabaseBackup::Failed);
        QVERIFY2(backup.errorText().startsWith("Die Sicherung '" + target
                                               + "' konnte nicht geschrieben werden: "),
                 qPrintable(backup.errorText()));
        QVERIFY(!backup.errorText().contains(m_db));
        QVERIFY(leftovers().isEmpty());
        QFile kept(target);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("alte Sicherung"));
    }

    void readOnlyConnectionIsCopied()
    {
        TestSupport::closeAllConnections();
        QVERIFY(!openSqliteConnection(QLatin1String(kKolvexConnection), m_db, true, true).isValid());
        DatabaseBackup backup;
        const QString target = m_dir.path() + "/nurlesen.glo";
        QCOMPARE(backup.copyTo(kolvexDb(), target), DatabaseBackup::Written);
        QCOMPARE(shell(target, "SELECT count(*) FROM Werte"), m_committedWerte);
    }

    void fileCopyReadsOnly()
    {
        DatabaseBackup backup;
        const QByteArray before = checksum(m_db);
        const QString copy = m_dir.path() + "/arbeitskopie.glo";
        QFile::remove(copy);
        QVERIFY(backup.copyFile(m_db, copy));
        QCOMPARE(checksum(m_db), before);
        QCOMPARE(shell(copy, "PRAGMA integrity_check"), QString("ok"));

        const QString text = m_dir.path() + "/notiz.glo";
        QFile note(text);
        QVERIFY(note.open(QIODevice::WriteOnly));
        note.write(QByteArray("keine Datenbank\n").repeated(100));
        note.close();
        const QString second = m_dir.path() + "/zweite.glo";
        QVERIFY(!backup.copyFile(text, second));
        QVERIFY(backup.errorText().contains("keine SQLite-Datenbank"));
        QVERIFY(!QFileInfo::exists(second));
        QVERIFY(!backup.copyFile(m_dir.path() + "/fehlt.glo", second));
        QVERIFY(!QFileInfo::exists(m_dir.path() + "/fehlt.glo"));
    }

    void windowProposesTheDatedNameAndReportsFailures()
    {
        TestSupport::closeAllConnections();
        MainWindow w;
        w.show();
        QVERIFY(!w.openDataBase(m_db).isValid());
        const QString proposal =
            m_dir.path() + "/" + QDate::currentDate().toString("yyyyMMdd") + "kolvexDB3.glo";
        QFile::remove(proposal);
        auto *action = w.findChild<QAction *>("actionSicherungErstellen");
        {
            ModalDialogScript script;
            script.chooseFile(proposal);
            action->trigger();
            QVERIFY(script.done());
            QCOMPARE(script.seen(), QStringList{"Datei|Sichern unter...|" + m_dir.path()});
        }
        QCOMPARE(shell(proposal, "SELECT count(*) FROM Werte"), m_committedWerte);

        // Another program holds the file: the user is told, nothing written.
        const QString second = m_dir.path() + "/zweite_sicherung.glo";
        TestSupport::OtherProgram other(m_db);
        QVERIFY(other.exec("BEGIN EXCLUSIVE"));
        QVERIFY(other.exec("DELETE FROM Werte"));
        {
            ModalDialogScript script;
            script.chooseFile(second);
            script.confirmMessage();
            action->trigger();
            QVERIFY(script.done());
            QVERIFY2(script.seen().value(1).startsWith("Fehler|Sicherung fehlgeschlagen: "
                                                       "Datenbank ist gesperrt"),
                     qPrintable(script.seen().value(1)));
        }
        QVERIFY(other.exec("ROLLBACK"));
        QVERIFY(!QFileInfo::exists(second));
        QVERIFY(leftovers().isEmpty());
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
