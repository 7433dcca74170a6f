#include "filereadmark.h"

#include "writeaction.h"

#include <QSqlQuery>
#include <QVariant>

bool FileReadMark::take(QSqlDatabase db)
{
    m_writes = WriteAction::finishedCount();
    m_dataVersion = dataVersionOf(db);
    return m_dataVersion >= 0;
}

bool FileReadMark::isCurrent(QSqlDatabase db) const
{
    return m_dataVersion >= 0 && m_writes == WriteAction::finishedCount()
        && m_dataVersion == dataVersionOf(db);
}

qint64 FileReadMark::dataVersionOf(QSqlDatabase db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("PRAGMA data_version")) && query.next()
        ? query.value(0).toLongLong()
        : -2;
}
