#include "appsettings.h"
#include "changejournal.h"
#include "filesizelimit.h"
#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <zlib.h>

#include <unistd.h>

// The change journal "journal.sql" and its packed form "journal.zip".
class TestJournal : public QObject
{
    Q_OBJECT

    QTemporaryDir *dir = nullptr;
    AppSettings *settings = nullptr;

    QString path(const char *name) const { return dir->filePath(QLatin1String(name)); }

    static QByteArray readFile(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Inflates the packed journal with zlib itself: 4-byte big-endian length, then a zlib stream.
    static QByteArray inflateWithZlib(const QByteArray &packed, quint32 *declared)
    {
        const auto *p = reinterpret_cast<const unsigned char *>(packed.constData());
        *declared = (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
        QByteArray out(int(*declared), '\0');
        uLongf outLen = *declared;
        const int rc = uncompress(reinterpret_cast<Bytef *>(out.data()), &outLen, p + 4,
                                  uLong(packed.size() - 4));
        if (rc != Z_OK)
            return QByteArray("<zlib error>");
        out.resize(int(outLen));
        return out;
    }

    // Lets folder take no new file while its files stay writable: for root,
    // whom permissions do not stop, through the immutable attribute.
    static bool lockFolder(const QString &folder, bool locked)
    {
        if (geteuid() != 0)
            return QFile::setPermissions(folder, locked ? QFile::ReadOwner | QFile::ExeOwner
                                                        : QFile::ReadOwner | QFile::WriteOwner
                                                              | QFile::ExeOwner);
        return QProcess::execute("chattr", {locked ? "+i" : "-i", folder}) == 0;
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        settings = AppSettings::instance();
    }

    void init()
    {
        delete dir;
        dir = new QTemporaryDir;
        settings->dbFile = path("kolvexDB3.glo");
        settings->manufacturerMode = false;
    }

    void cleanupTestCase() { delete dir; }

    void statementsAreTrimmedAndEndWithOneSemicolon()
    {
        settings->appendToJournal("  UPDATE Werte SET TW='12' WHERE WerteId=5 \n");
        settings->appendToJournal("DELETE FROM Werte WHERE WerteId=7;");
        settings->appendToJournal("\tINSERT INTO gruppen VALUES ('a\nb', 3)  ");
        const QStringList lines = TestSupport::journalLines(settings->dbFile);
        QCOMPARE(lines, (QStringList{"UPDATE Werte SET TW='12' WHERE WerteId=5;",
                                     "DELETE FROM Werte WHERE WerteId=7;",
                                     "INSERT INTO gruppen VALUES ('a", "b', 3);"}));
    }

    void journalOnlyGrowsAndKeepsUmlauts()
    {
        settings->appendToJournal("UPDATE Hersteller SET NAME='Müller' WHERE id=1");
        settings->appendToJournal("UPDATE Hersteller SET NAME='Öfen' WHERE id=2");
        QCOMPARE(TestSupport::journalLines(settings->dbFile),
                 (QStringList{"UPDATE Hersteller SET NAME='Müller' WHERE id=1;",
                              "UPDATE Hersteller SET NAME='Öfen' WHERE id=2;"}));
    }

    void manufacturerModeWritesNothing()
    {
        settings->manufacturerMode = true;
        settings->appendToJournal("DELETE FROM Werte WHERE WerteId=1");
        QVERIFY(!QFile::exists(path("journal.sql")));
    }

    void emptyDatabasePathWritesNothing()
    {
        settings->dbFile.clear();
        settings->appendToJournal("DELETE FROM Werte WHERE WerteId=1");
        settings->packJournal();
        QVERIFY(QDir(dir->path()).entryList(QDir::Files).isEmpty());
    }

    void unwritableJournalIsSilentlySkipped()
    {
        QDir().mkpath(path("journal.sql")); // a directory in the journal's place
        settings->appendToJournal("DELETE FROM Werte WHERE WerteId=1");
        settings->packJournal();
        QVERIFY(QFileInfo(path("journal.sql")).isDir());
        QVERIFY(!QFile::exists(path("journal.zip")));
    }

    void linesOfAnActionAreWrittenTogetherAndCanBeCutOff()
    {
        settings->appendToJournal("DELETE FROM Werte WHERE WerteId=1");
        const qint64 size = QFileInfo(path("journal.sql")).size();
        qint64 before = -2;
        QString error;
        QVERIFY(settings->appendJournalLines({"UPDATE Werte SET TW='1' WHERE WerteId=2",
                                              " DELETE FROM Werte WHERE WerteId=3; "},
                                             &error, &before));
        QVERIFY(error.isEmpty());
        QCOMPARE(before, size);
        QCOMPARE(TestSupport::journalLines(settings->dbFile),
                 (QStringList{"DELETE FROM Werte WHERE WerteId=1;",
                              "UPDATE Werte SET TW='1' WHERE WerteId=2;",
                              "DELETE FROM Werte WHERE WerteId=3;"}));
        // A change that then does not reach the file takes its lines back.
        QVERIFY(settings->cutJournalBack(before));
        QCOMPARE(TestSupport::journalLines(settings->dbFile),
                 QStringList{"DELETE FROM Werte WHERE WerteId=1;"});

        settings->manufacturerMode = true;
        QVERIFY(settings->appendJournalLines({"DELETE FROM Werte WHERE WerteId=4"}, &error, &before));
        QCOMPARE(before, qint64(-1));
        QCOMPARE(QFileInfo(path("journal.sql")).size(), size);
    }

    void unwritableJournalGivesTheReason()
    {
        QDir().mkpath(path("journal.sql"));
        QString error;
        QVERIFY(!settings->appendJournalLines({"DELETE FROM Werte WHERE WerteId=1"}, &error));
        QVERIFY(!error.isEmpty());
    }

    void packedJournalIsQCompressLayout()
    {
        settings->appendToJournal("UPDATE Werte SET TW='12' WHERE WerteId=5");
        settings->appendToJournal("DELETE FROM Geraete WHERE tirmaid=25000");
        settings->packJournal();
        const QByteArray journal = readFile(path("journal.sql"));
        const QByteArray packed = readFile(path("journal.zip"));
        QVERIFY(packed.size() > 6);
        quint32 declared = 0;
        QCOMPARE(inflateWithZlib(packed, &declared), journal);
        QCOMPARE(int(declared), journal.size());
        // zlib header with the maximum-compression flag level.
        QCOMPARE(quint8(packed.at(4)), quint8(0x78));
        QCOMPARE(quint8(packed.at(5)), quint8(0xDA));
        QCOMPARE(qUncompress(packed), journal);
    }

    void packingWorksInManufacturerModeAndReplacesTheFile()
    {
        settings->appendToJournal("DELETE FROM Werte WHERE WerteId=1");
        settings->packJournal();
        const QByteArray first = readFile(path("journal.zip"));
        settings->appendToJournal("DELETE FROM Werte WHERE WerteId=2");
        settings->manufacturerMode = true;
        settings->packJournal();
        const QByteArray second = readFile(path("journal.zip"));
        QVERIFY(first != second);
        QCOMPARE(qUncompress(second), readFile(path("journal.sql")));
    }

    void emptyJournalPacksToFourZeroBytes()
    {
        QFile f(path("journal.sql"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        settings->packJournal();
        QCOMPARE(readFile(path("journal.zip")), QByteArray(4, '\0'));
    }

    void missingJournalLeavesPackedFileAlone()
    {
        QFile f(path("journal.zip"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("alt");
        f.close();
        settings->packJournal();
        QCOMPARE(readFile(path("journal.zip")), QByteArray("alt"));
    }

    void packInAFolderTakingNoNewFileIsRewrittenInPlace()
    {
        settings->appendToJournal("DELETE FROM Werte WHERE WerteId=1");
        settings->packJournal();
        settings->appendToJournal("DELETE FROM Werte WHERE WerteId=2");
        if (!lockFolder(dir->path(), true))
            QSKIP("the folder cannot be made read-only here");
        QString error;
        const bool packed = settings->packJournal(&error);
        const QStringList entries = QDir(dir->path()).entryList(QDir::Files);
        lockFolder(dir->path(), false);
        QVERIFY2(packed, qPrintable(error));
        QCOMPARE(qUncompress(readFile(path("journal.zip"))), readFile(path("journal.sql")));
        QCOMPARE(entries, (QStringList{"journal.sql", "journal.zip"}));
    }

    void failedRewriteInPlacePutsTheOldPackBack()
    {
        QFile f(path("journal.zip"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("alt");
        f.close();
        // Files may not grow beyond 4 KiB: the new pack cannot be written.
        QString error;
        bool ok = false;
        {
            const FileSizeLimit limit(4096);
            QVERIFY(limit.isActive());
            ok = ChangeJournal::rewriteInPlace(path("journal.zip"), QByteArray(8192, 'n'), &error);
        }
        QVERIFY(!ok);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readFile(path("journal.zip")), QByteArray("alt"));
        QVERIFY(ChangeJournal::rewriteInPlace(path("journal.zip"), "neu", &error));
        QCOMPARE(readFile(path("journal.zip")), QByteArray("neu"));
    }
};

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
