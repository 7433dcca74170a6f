#ifndef UNDOSTEP_H
#define UNDOSTEP_H

#include "storedrows.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <optional>

// What one committed user action did to the file: for every row it touched
// the row before and after the action (absent when it did not exist), with
// every value typed. Undo writes the before-images back, redo the
// after-images, each only while the rows still hold what the other left.
class UndoStep
{
public:
    using Image = std::optional<StoredRows::Values>;
    enum Direction { Back, Forward };

    struct Table
    {
        QString name;
        QStringList columns;
        // Column that holds the row id (INTEGER PRIMARY KEY), or -1.
        int keyColumn = -1;
        // Whether its statements go to the change journal.
        bool journaled = true;
        // False when the action only updated some columns of the table:
        // columns then holds the key and those columns, and the images only
        // their values.
        bool wholeRows = true;
        QList<qint64> order;
        QHash<qint64, Image> before;
        QHash<qint64, Image> after;
    };

    struct Statement
    {
        QString sql;
        bool journaled = true;
    };

    // A record named for the user, and where to find it.
    struct Record
    {
        QString table;
        qint64 id = -1;
    };

    QString name;
    // Set when the action could not be recorded: the step only says so.
    QString notUndoableReason;
    QVector<Table> tables;

    bool isUndoable() const { return notUndoableReason.isEmpty(); }
    // Drops the rows the action left as they were; true when none is left.
    bool dropUnchangedRows();
    qint64 approximateBytes() const;

    // Empty when every touched row holds what the step left (Back) or what
    // it found (Forward); else the German name of the first record that
    // differs. error: a read that failed.
    QString conflict(QSqlDatabase db, Direction direction, QString *error) const;
    // The statements that take the rows to the other side.
    QVector<Statement> statements(Direction direction) const;
    // The record to show after going in direction: the first manufacturer,
    // appliance or value set that exists then.
    Record focus(Direction direction) const;

    // "Feuerstätte 4711", "Kenndaten 12", "Gruppe 'Name'", ...
    static QString recordName(const Table &table, qint64 id, const Image &image);

private:
    static QString keyName(const Table &table);
    static void addDeletes(const Table &table, const QList<qint64> &ids, QVector<Statement> &out);
    static void addInserts(const Table &table, const QList<const StoredRows::Values *> &rows,
                           const QList<qint64> &ids, QVector<Statement> &out);
    static QString update(const Table &table, qint64 id, const StoredRows::Values &from,
                          const StoredRows::Values &to);
};

#endif // UNDOSTEP_H
