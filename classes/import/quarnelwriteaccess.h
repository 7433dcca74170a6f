#ifndef QUARNELWRITEACCESS_H
#define QUARNELWRITEACCESS_H

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// Makes sure the import can write to the Quarnel database before it drops
// the first table. The check takes the file exclusively and writes a trial
// change that it rolls back at once, so it meets every obstacle a real
// write would meet: a lock held by another program (after one busy
// timeout), a file or directory without write permission, a full disk.
class QuarnelWriteAccess
{
public:
    explicit QuarnelWriteAccess(QSqlDatabase db);

    // True when the database can be written; else reason() tells why.
    // Nothing is changed either way.
    bool check();

    // German text of the obstacle, for the user.
    QString reason() const { return m_reason; }

    // The German reason of a database error, judged by its SQLite result
    // code; the database's own text for codes without one.
    static QString reasonOf(const QSqlError &error);

private:
    QSqlDatabase m_db;
    QString m_reason;
};

#endif // QUARNELWRITEACCESS_H
