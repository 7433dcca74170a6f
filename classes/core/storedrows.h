#ifndef STOREDROWS_H
#define STOREDROWS_H

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// Rows of one table exactly as the file holds them: every value with its
// storage class (NULL, integer, real, text, blob), keyed by row id.
class StoredRows
{
public:
    using Values = QVector<QVariant>;

    // Reads "SELECT rowid,* FROM table WHERE where" (all rows for an empty
    // condition; only the named columns when columns is not empty). False
    // with the database's text when the statement fails.
    bool readWhere(QSqlDatabase db, const QString &table, const QString &where, QString *error,
                   const QStringList &columns = QStringList());
    // Reads the rows with the given ids that exist; only the named columns
    // (in the given order) when columns is not empty.
    bool readIds(QSqlDatabase db, const QString &table, const QList<qint64> &ids, QString *error,
                 const QStringList &columns = QStringList());

    QStringList columns;
    QHash<qint64, Values> rows;
    // Row ids in the order read.
    QList<qint64> order;

    // Same storage class and same value; NULL and '' differ, so do 1 and 1.0.
    static bool sameValue(const QVariant &a, const QVariant &b);
    static bool sameValues(const Values &a, const Values &b);
    // A literal that SQLite reads back as the very same value and class.
    static QString literal(const QVariant &value);
    // Rough bytes held by values, for the memory bound.
    static qint64 approximateBytes(const Values &values);

private:
    bool read(QSqlDatabase db, const QString &sql, QString *error);
};

#endif // STOREDROWS_H
