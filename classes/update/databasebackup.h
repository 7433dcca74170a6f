#ifndef DATABASEBACKUP_H
#define DATABASEBACKUP_H

#include <QSqlDatabase>
#include <QString>

// Consistent copies of an SQLite database taken while it stays open and
// other programs may write to it: SQLite writes the copy ("VACUUM INTO")
// inside one read transaction, so it holds exactly the last committed state.
// While another program holds the file exclusively the copy waits at most
// one busy timeout and then fails; it never leaves a partial copy.
class DatabaseBackup
{
public:
    enum Result {
        Written,            // the copy stands under the target name
        TargetNotRemovable, // an existing target could not be replaced; nothing changed
        Failed              // no copy; see errorText()
    };

    // Copies the database of the open connection db to target. The copy is
    // written beside target under a temporary name and replaces an existing
    // target only once it is complete, and it gets the permissions of the
    // database file.
    Result copyTo(QSqlDatabase db, const QString &target);

    // Copies the database file source to copy, a path that must not exist
    // yet, through a read-only connection of its own; source is not written.
    // A rollback journal a crashed program left beside source is rolled
    // back on a private copy of both, so copy holds the last committed state.
    bool copyFile(const QString &source, const QString &copy);

    // German reason of the last failure.
    QString errorText() const { return m_error; }

private:
    // targetName: the file the user knows the copy under, for the messages.
    // besideTheWindow: on a connection of its own in a worker thread, with progress.
    bool writeSnapshot(QSqlDatabase db, const QString &path, const QString &sourceName,
                       const QString &targetName, bool besideTheWindow);
    bool snapshotOfFile(const QString &file, const QString &copy, bool readOnly,
                        const QString &shownName);
    bool copyRollingBack(const QString &source, const QString &copy);
    bool fail(const QString &text);

    QString m_error;
    int m_sqliteCode = 0; // primary SQLite code of the last failure
};

#endif // DATABASEBACKUP_H
