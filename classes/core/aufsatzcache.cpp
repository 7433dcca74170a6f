#include "aufsatzcache.h"

#include "appsettings.h"

#include <QSqlQuery>
#include <QSqlRecord>

void AufsatzCache::fill(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("Select * from Aufsatz")))
        return;
    AppSettings *settings = AppSettings::instance();
    settings->aufsatzCache.clear();
    while (query.next()) {
        const QSqlRecord record = query.record();
        QMap<QString, QVariant> &row = settings->aufsatzCache[record.value(0).toLongLong()];
        for (int c = 0; c < record.count(); ++c)
            row.insert(record.fieldName(c), record.value(c));
    }
}
