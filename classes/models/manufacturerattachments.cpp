#include "manufacturerattachments.h"

#include "dbconnections.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {
const char kAttachmentsStatement[] = "SELECT * FROM Aufsatz WHERE HrstId=%1";
}

QList<QPair<int, QString>> manufacturerAttachments(int manufacturerId)
{
    QList<QPair<int, QString>> attachments;
    QSqlQuery query(kolvexDb());
    if (!query.exec(QString::fromLatin1(kAttachmentsStatement).arg(manufacturerId)))
        return attachments;
    while (query.next()) {
        const QSqlRecord record = query.record();
        attachments << qMakePair(record.value(QStringLiteral("Id")).toInt(),
                                 record.value(QStringLiteral("Bezeichnung")).toString());
    }
    return attachments;
}
