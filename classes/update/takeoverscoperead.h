#ifndef TAKEOVERSCOPEREAD_H
#define TAKEOVERSCOPEREAD_H

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

#include <memory>

class QThread;

// The records of a take-over in one file, read by one select whose columns
// are: the key, the appliance, the source set and the attachment, then one
// flag per comparison (whether the record differs from the one with the
// same key in another file). Reads on a given connection, or in a worker
// thread on a read-only connection of its own, so that the passes over the
// value tables of two files run side by side.
class TakeOverScopeRead
{
public:
    struct Row
    {
        qint64 geraet = 0;
        qint64 sourceId = 0;     // BEMERKUNGID
        qint64 attachmentId = 0; // AUSATZRINGEID
    };
    // (URI of a file, schema name) to attach read-only on the worker's connection.
    using Attachments = QList<QPair<QString, QString>>;

    TakeOverScopeRead(const QString &sql, int comparisons);
    ~TakeOverScopeRead();
    TakeOverScopeRead(const TakeOverScopeRead &) = delete;
    TakeOverScopeRead &operator=(const TakeOverScopeRead &) = delete;

    // Reads on db, in the calling thread.
    bool run(QSqlDatabase db);
    // Starts the read on a connection of its own to file (connect options
    // as given, opened read-only, the attachments made); wait() ends it.
    void start(const QString &file, const QString &options, const Attachments &attachments);
    bool wait();

    QHash<qint64, Row> rows;
    QList<QSet<qint64>> differing;  // per comparison, the ids that differ
    QString error;

private:
    bool readInto(QSqlDatabase db);
    bool runOwnConnection(const QString &file, const QString &options,
                          const Attachments &attachments);

    QString m_sql;
    int m_comparisons;
    bool m_ok = false;
    std::unique_ptr<QThread> m_worker;
};

#endif // TAKEOVERSCOPEREAD_H
