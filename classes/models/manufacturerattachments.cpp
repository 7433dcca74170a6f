#include "manufacturerattachments.h"

#include "dbconnections.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {
const char kAttachmentsStatement[] = "SELECT * FROM Aufsatz WHERE HrstId=%1";
}

QList<QPair<qint64, QString>> manufacturerAttachments(qint64 manufacturerId)
{
    QList<QPair<qint64, QString>> attachments;
    QSqlQuery query(kolvexDb());
    if (!query.exec(QString::fromLatin1(kAttachmentsStatement).arg(manufacturerId)))
        return attachments;
    while (query.next()) {
        const QSqlRecord record = query.record();
        attachments << qMakePair(record.value(QStringLiteral("Id")).toLongLong(),
                                 record.value(QStringLiteral("Bezeichnung")).toString());
    }
    return attachments;
}
