#ifndef READONLYCONNECTION_H
#define READONLYCONNECTION_H

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// A read-only connection of its own to a database file, for a worker
// thread that reads beside the window's connection: made, used and removed
// in the thread that creates it. Copies of database() must be gone before
// the object is.
class ReadOnlyConnection
{
public:
    // options: the connect options of the caller's connection (busy timeout).
    ReadOnlyConnection(const QString &file, const QString &options);
    ~ReadOnlyConnection();
    ReadOnlyConnection(const ReadOnlyConnection &) = delete;
    ReadOnlyConnection &operator=(const ReadOnlyConnection &) = delete;

    bool open();
    QSqlDatabase database() const;
    QSqlError lastError() const;

    // Whether a read on a connection of its own finds what a read on db
    // finds: db is a file on disk, and no write action is open on it (its
    // changes would not be seen before the commit).
    static bool seesTheSameAs(const QSqlDatabase &db);

private:
    QString m_name;
};

#endif // READONLYCONNECTION_H
