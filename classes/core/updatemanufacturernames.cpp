#include "updatemanufacturernames.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QVariant>

QStringList UpdateManufacturerNames::of(const QSqlDatabase &db, qint64 manufacturerId)
{
    static const QRegularExpression nonWord(QStringLiteral("\\W+"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    QStringList names;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("Select Name From Hersteller Where ID=%1").arg(manufacturerId)))
        return names;
    while (query.next())
        names << query.value(0).toString().replace(nonWord, QStringLiteral("_"));
    return names;
}
