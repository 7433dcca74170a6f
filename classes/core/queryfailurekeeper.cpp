#include "queryfailurekeeper.h"

#include "appsettings.h"

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
}

void QueryFailureKeeper::capture()
{
    m_failed = m_settings->queryFailed;
    m_statement = m_settings->failedQuery;
}
