#ifndef QUERYFAILUREKEEPER_H
#define QUERYFAILUREKEEPER_H

#include <QString>

class AppSettings;
class QSqlError;

// A list refresh runs further statements (the lists that depend on the one
// refreshed), and each of them clears AppSettings::queryFailed before it is
// tried. The failure of the statement the refresh started with is the one
// the user must see: capture() takes the flag and statement after it, and
// the destructor puts a captured failure back.
class QueryFailureKeeper
{
public:
    QueryFailureKeeper();
    ~QueryFailureKeeper();
    QueryFailureKeeper(const QueryFailureKeeper &) = delete;
    QueryFailureKeeper &operator=(const QueryFailureKeeper &) = delete;

    void capture();

    // The database's own words for a failed statement (SQLite's message),
    // as the user is told them; the driver's text when the database gave none.
    static QString reasonOf(const QSqlError &error);

private:
    AppSettings *m_settings;
    bool m_failed = false;
    QString m_statement;
    QString m_reason;
};

#endif // QUERYFAILUREKEEPER_H
