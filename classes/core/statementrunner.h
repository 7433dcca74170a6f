#ifndef STATEMENTRUNNER_H
#define STATEMENTRUNNER_H

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// Runs the write statements of the table models on one connection and
// records them in the change journal. Every statement belongs to a write
// action (see WriteAction): the one open on the connection, or one of its
// own. A statement that fails is not journaled; the models go on with the
// next item and the action reports the failures once.
class StatementRunner
{
public:
    // An empty name means the main connection "Kolvex".
    explicit StatementRunner(const QString &connectionName);

    QSqlDatabase database() const;

    // Executes sql without journaling it.
    bool run(const QString &sql) const;
    // Executes sql and, when it succeeds and reaches the file, journals it;
    // the new row id of an insert goes to lastInsertId when given.
    bool runJournaled(const QString &sql, QVariant *lastInsertId = nullptr) const;
    // First column of every result row as integer; empty when sql fails.
    QList<qint64> intColumn(const QString &sql) const;

    // Capture date of new copies, "dd.MM.yyyy".
    static QString today();

private:
    QString m_connectionName;
};

#endif // STATEMENTRUNNER_H
