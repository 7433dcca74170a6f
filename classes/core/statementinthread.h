#ifndef STATEMENTINTHREAD_H
#define STATEMENTINTHREAD_H

#include <QSqlError>
#include <QString>
#include <QVariantList>

#include <functional>

class WorkProgress;

// One long statement that only reads the database file (a VACUUM INTO, a
// search over every value set) run on a connection of its own in a worker
// thread, so that the window keeps showing the progress while SQLite works:
// a single statement blocks the thread it runs in, and SQLite cannot be
// reached beside Qt's driver to interrupt it. The calling thread waits,
// advancing progress with what stepsDone() tells, until the statement ends.
class StatementInThread
{
public:
    // file: the database file; options: the connect options of the caller's
    // connection (busy timeout), opened read-only here. Returns whether the
    // statement succeeded; error() tells why not.
    bool run(const QString &file, const QString &options, const QString &sql,
             const QVariantList &binds, WorkProgress &progress,
             const std::function<int()> &stepsDone);

    QSqlError error() const { return m_error; }

private:
    QSqlError m_error;
};

#endif // STATEMENTINTHREAD_H
