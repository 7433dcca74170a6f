#include "aufsatzcache.h"

#include <QSqlQuery>
#include <QSqlRecord>

bool AufsatzCache::readFrom(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT * FROM Aufsatz LIMIT 0")) || query.record().isEmpty())
        return false;
    clear();
    m_connection = db.connectionName();
    m_keyColumn = query.record().fieldName(0);
    return true;
}

const AufsatzCache::Row &AufsatzCache::row(qint64 id) const
{
    const auto known = m_rows.constFind(id);
    if (known != m_rows.constEnd())
        return known.value();
    Row found;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!m_connection.isEmpty()
        && query.exec(QStringLiteral("SELECT * FROM Aufsatz WHERE \"%1\"=%2")
                          .arg(QString(m_keyColumn).replace('"', QLatin1String("\"\"")))
                          .arg(id))
        && query.next()) {
        const QSqlRecord record = query.record();
        QMap<QString, QVariant> values;
        for (int c = 0; c < record.count(); ++c)
            values.insert(record.fieldName(c), record.value(c));
        found = values;
    }
    return m_rows.insert(id, found).value();
}

int AufsatzCache::size() const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (m_connection.isEmpty() || !query.exec(QStringLiteral("SELECT count(*) FROM Aufsatz"))
        || !query.next())
        return 0;
    return query.value(0).toInt();
}

void AufsatzCache::remove(qint64 id)
{
    m_rows.insert(id, Row());
}

void AufsatzCache::clear()
{
    m_connection.clear();
    m_keyColumn.clear();
    m_rows.clear();
}
