#ifndef STATEMENTRECORDER_H
#define STATEMENTRECORDER_H

#include <QHash>
#include <QMutex>
#include <QSqlDatabase>
#include <QStringList>
#include <QVector>

// Records the statements SQLite runs, with bound values written in, through
// SQLite's own trace hook: either on one open connection, or on every
// connection opened while the recorder lives (for code that opens its own).
// The benchmark replays the recorded statements in the sqlite3 shell: the
// same work our code did, whatever our code does today.
//
// The SQLite library is the one the Qt driver loaded; it is reached at run
// time, so no SQLite development files are needed.
class StatementRecorder
{
public:
    enum Scope {
        ThisConnection,
        AlsoNewConnections,   // and the connections opened while it lives (worker reads)
    };
    // Records on db.
    explicit StatementRecorder(QSqlDatabase db, Scope scope = ThisConnection);
    // Records on every connection opened from now on (one such recorder at a time).
    StatementRecorder();
    ~StatementRecorder();
    StatementRecorder(const StatementRecorder &) = delete;
    StatementRecorder &operator=(const StatementRecorder &) = delete;

    // False when the trace hook could not be reached.
    bool isRecording() const { return m_recording; }
    // Every recorded statement, in the order they ran.
    QStringList statements() const;
    // The statements that ran on connections to file.
    QStringList statements(const QString &file) const;

    // Stops recording (also done by the destructor).
    void stop();

private:
    struct Entry
    {
        QString file;
        QString sql;
    };

    void attach(void *handle);
    void watchNewConnections();
    static int onTrace(unsigned type, void *context, void *subject, void *text);
    static int onOpen(void *handle, const char **error, const void *api);

    bool m_recording = false;
    bool m_newConnections = false;
    QHash<void *, QString> m_files;  // traced connections and their main files
    QVector<Entry> m_entries;
    // Connections of worker threads trace in those threads.
    mutable QMutex m_mutex;
};

#endif // STATEMENTRECORDER_H
