#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class QAbstractItemModel;

// Everything a test needs to run without touching the user's home or /etc:
// settings stores in a temporary directory, fresh copies of the demo
// databases and helpers to read the change journal.
namespace TestSupport {

// Points both settings scopes (and the XDG data location) at a fresh
// temporary directory and sets the application and organisation names and
// the C locale. Call first thing in initTestCase(), before anything reads
// settings. Returns the directory that holds the stores.
QString isolateSettings();

// The directory isolateSettings() created.
QString settingsDir();

// The browsing state a window test starts from: maintenance edition, no
// manufacturer chosen, old appliances shown, no filters, the default field
// lists.
void resetBrowsingSettings();

// Copies the demo main database (and the companion "kolvex3.glo") into dir
// and returns the path of the main file.
QString copyDemoDatabase(const QString &dir);

// Registers connection "Kolvex" (kolvexDb()) on file, removing any earlier
// connections first, and creates the id table seqidxs on it when wanted.
QSqlDatabase openKolvex(const QString &file, bool withIdTable = true);

// Like openKolvex, with QSQLITE driver options set before the connection
// opens ("QSQLITE_BUSY_TIMEOUT=50", "QSQLITE_OPEN_READONLY", ...).
QSqlDatabase openKolvexWith(const QString &file, const QString &options, bool withIdTable = true);

// A second connection to file under name, as another program would hold it
// (short busy timeout).
QSqlDatabase openOtherConnection(const QString &file, const QString &name);

// A second connection with the driver's default options, as another program
// would hold the file; exec() runs one statement on it.
class OtherProgram
{
public:
    explicit OtherProgram(const QString &file);
    ~OtherProgram();
    bool exec(const QString &sql);

    const QString name = QStringLiteral("anderesProgramm");
    QSqlDatabase db;
};

// Removes every registered connection.
void closeAllConnections();

// Lines of "journal.sql" beside the database file (empty when missing).
QStringList journalLines(const QString &dbFile);

// Runs one statement and returns the first column of the first row as text.
QString scalar(QSqlDatabase db, const QString &sql);
// The row of model whose first column holds the record id, or -1.
int rowOfId(const QAbstractItemModel &model, qint64 id);

// Runs the real sqlite3 shell on file with the given SQL on standard input;
// returns its standard output.
QString runSqlite3(const QString &file, const QString &sql);

// Directory with the demo pictures "Bild<n>_scaled.png".
QString demoImagesDir();

} // namespace TestSupport

#endif // TESTSUPPORT_H
