#include "storedrows.h"

#include "sqltext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cmath>

namespace {

enum StorageClass { Null, Integer, Real, Text, Blob };

StorageClass storageClass(const QVariant &v)
{
    if (v.isNull())
        return Null;
    switch (v.userType()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::ULongLong:
    case QMetaType::UInt:
    case QMetaType::Bool:
        return Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return Real;
    case QMetaType::QByteArray:
        return Blob;
    default:
        return Text;
    }
}

} // namespace

bool StoredRows::read(QSqlDatabase db, const QString &sql, QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    if (!query.exec(sql)) {
        if (error)
            *error = query.lastError().databaseText();
        return false;
    }
    const QSqlRecord record = query.record();
    if (columns.isEmpty()) {
        for (int i = 1; i < record.count(); ++i)
            columns << record.fieldName(i);
    }
    const int count = record.count();
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        Values values;
        values.reserve(count - 1);
        for (int i = 1; i < count; ++i)
            values << query.value(i);
        if (!rows.contains(id))
            order << id;
        rows.insert(id, values);
    }
    return true;
}

bool StoredRows::readWhere(QSqlDatabase db, const QString &table, const QString &where,
                           QString *error, const QStringList &onlyColumns)
{
    const QString selected = onlyColumns.isEmpty() ? QStringLiteral("*")
                                                   : onlyColumns.join(QLatin1Char(','));
    QString sql = QStringLiteral("SELECT rowid,%1 FROM %2").arg(selected, table);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    return read(db, sql, error);
}

bool StoredRows::readIds(QSqlDatabase db, const QString &table, const QList<qint64> &ids,
                         QString *error, const QStringList &onlyColumns)
{
    const QString selected = onlyColumns.isEmpty() ? QStringLiteral("*")
                                                   : onlyColumns.join(QLatin1Char(','));
    if (columns.isEmpty()
        && !read(db, QStringLiteral("SELECT rowid,%1 FROM %2 LIMIT 0").arg(selected, table), error))
        return false;
    for (int start = 0; start < ids.size(); start += 500) {
        QStringList chunk;
        for (int i = start; i < qMin(ids.size(), start + 500); ++i)
            chunk << QString::number(ids.at(i));
        if (!read(db, QStringLiteral("SELECT rowid,%1 FROM %2 WHERE rowid IN (%3)")
                          .arg(selected, table, chunk.join(QLatin1Char(','))),
                  error))
            return false;
    }
    return true;
}

bool StoredRows::sameValue(const QVariant &a, const QVariant &b)
{
    const StorageClass kind = storageClass(a);
    if (kind != storageClass(b))
        return false;
    switch (kind) {
    case Null:
        return true;
    case Integer:
        return a.toLongLong() == b.toLongLong();
    case Real:
        return a.toDouble() == b.toDouble();
    case Blob:
        return a.toByteArray() == b.toByteArray();
    case Text:
        return a.toString() == b.toString();
    }
    return false;
}

bool StoredRows::sameValues(const Values &a, const Values &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (!sameValue(a.at(i), b.at(i)))
            return false;
    }
    return true;
}

QString StoredRows::literal(const QVariant &value)
{
    switch (storageClass(value)) {
    case Null:
        return QStringLiteral("NULL");
    case Integer:
        return QString::number(value.toLongLong());
    case Real: {
        const double d = value.toDouble();
        if (std::isinf(d))
            return d < 0 ? QStringLiteral("-9e999") : QStringLiteral("9e999");
        QString text = QString::number(d, 'g', 17);
        // Without a point or an exponent SQLite would read an integer.
        if (!text.contains('.') && !text.contains('e'))
            text += QStringLiteral(".0");
        return text;
    }
    case Blob:
        return QStringLiteral("X'%1'").arg(QString::fromLatin1(value.toByteArray().toHex()));
    case Text:
        return quotedText(value.toString());
    }
    return QStringLiteral("NULL");
}

qint64 StoredRows::approximateBytes(const Values &values)
{
    qint64 bytes = 32 + qint64(values.size()) * qint64(sizeof(QVariant));
    for (const QVariant &v : values) {
        const StorageClass kind = storageClass(v);
        if (kind == Text)
            bytes += 2 * v.toString().size() + 24;
        else if (kind == Blob)
            bytes += v.toByteArray().size() + 24;
    }
    return bytes;
}
