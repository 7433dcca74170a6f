#ifndef AUFSATZCACHE_H
#define AUFSATZCACHE_H

#include <QHash>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <optional>

// The attachment pieces (table Aufsatz) that the value lists look up again
// and again: id -> column name -> value. A file holds tens of thousands of
// them and a list uses a few, so a row is read by its key when it is first
// asked for and kept from then on, for the database the cache was set to.
class AufsatzCache
{
public:
    // From now on the attachments of db; false, with the cache kept as it
    // was, when the table cannot be read.
    bool readFrom(const QSqlDatabase &db);

    bool contains(qint64 id) const { return row(id).has_value(); }
    // The row's values by column name; empty for an unknown id.
    QMap<QString, QVariant> value(qint64 id) const { return row(id).value_or(QMap<QString, QVariant>()); }
    // The attachments in the table (also those removed from the cache).
    int size() const;
    // From now on the attachment counts as missing.
    void remove(qint64 id);
    void clear();

private:
    using Row = std::optional<QMap<QString, QVariant>>;
    const Row &row(qint64 id) const;

    QString m_connection;
    QString m_keyColumn;
    mutable QHash<qint64, Row> m_rows;
};

#endif // AUFSATZCACHE_H
