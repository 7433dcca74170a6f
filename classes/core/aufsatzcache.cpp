#include "aufsatzcache.h"

#include "appsettings.h"

#include <QSqlQuery>
#include <QSqlRecord>

void AufsatzCache::fill(const QSqlDatabase &db)
{
    AufsatzCache read;
    if (read.readFrom(db))
        AppSettings::instance()->aufsatzCache = std::move(read);
}

bool AufsatzCache::readFrom(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("Select * from Aufsatz")))
        return false;
    clear();
    const QSqlRecord record = query.record();
    for (int c = 0; c < record.count(); ++c)
        m_columns << record.fieldName(c);
    while (query.next()) {
        QVector<QVariant> values;
        values.reserve(m_columns.size());
        for (int c = 0; c < m_columns.size(); ++c)
            values << query.value(c);
        m_rows.insert(values.value(0).toLongLong(), values);
    }
    return true;
}

QMap<QString, QVariant> AufsatzCache::value(qint64 id) const
{
    const auto asked = m_asked.constFind(id);
    if (asked != m_asked.constEnd())
        return asked.value();
    const auto row = m_rows.constFind(id);
    if (row == m_rows.constEnd())
        return {};
    QMap<QString, QVariant> named;
    for (int c = 0; c < m_columns.size(); ++c)
        named.insert(m_columns.at(c), row->at(c));
    m_asked.insert(id, named);
    return named;
}

void AufsatzCache::remove(qint64 id)
{
    m_rows.remove(id);
    m_asked.remove(id);
}

void AufsatzCache::clear()
{
    m_columns.clear();
    m_rows.clear();
    m_asked.clear();
}
