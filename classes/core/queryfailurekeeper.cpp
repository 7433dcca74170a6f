#include "queryfailurekeeper.h"

#include "appsettings.h"

#include <QSqlError>

QueryFailureKeeper::QueryFailureKeeper()
    : m_settings(AppSettings::instance())
{
}

QueryFailureKeeper::~QueryFailureKeeper()
{
    if (!m_failed)
        return;
    m_settings->queryFailed = true;
    m_settings->failedQuery = m_statement;
    m_settings->failedQueryReason = m_reason;
}

void QueryFailureKeeper::capture()
{
    m_failed = m_settings->queryFailed;
    m_statement = m_settings->failedQuery;
    m_reason = m_settings->failedQueryReason;
}

QString QueryFailureKeeper::reasonOf(const QSqlError &error)
{
    const QString reason = error.databaseText().trimmed();
    return reason.isEmpty() ? error.text().trimmed() : reason;
}
