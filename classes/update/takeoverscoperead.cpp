#include "takeoverscoperead.h"

#include "readonlyconnection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

TakeOverScopeRead::TakeOverScopeRead(const QString &sql, int comparisons)
    : m_sql(sql), m_comparisons(comparisons)
{
}

TakeOverScopeRead::~TakeOverScopeRead()
{
    if (m_worker)
        m_worker->wait();
}

bool TakeOverScopeRead::run(QSqlDatabase db)
{
    m_ok = readInto(db);
    return m_ok;
}

bool TakeOverScopeRead::readInto(QSqlDatabase db)
{
    rows.clear();
    differing.clear();
    for (int i = 0; i < m_comparisons; ++i)
        differing << QSet<qint64>();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(m_sql)) {
        error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        Row row;
        const qint64 id = query.value(0).toLongLong();
        row.geraet = query.value(1).toLongLong();
        row.sourceId = query.value(2).toLongLong();
        row.attachmentId = query.value(3).toLongLong();
        rows.insert(id, row);
        for (int i = 0; i < m_comparisons; ++i)
            if (query.value(4 + i).toInt())
                differing[i].insert(id);
    }
    return true;
}

bool TakeOverScopeRead::runOwnConnection(const QString &file, const QString &options,
                                         const Attachments &attachments)
{
    ReadOnlyConnection connection(file, options);
    if (!connection.open()) {
        error = connection.lastError().text();
        return false;
    }
    for (const auto &attachment : attachments) {
        QSqlQuery attach(connection.database());
        if (!attach.exec(QStringLiteral("ATTACH DATABASE '%1' AS %2")
                             .arg(QString(attachment.first).replace('\'', "''"), attachment.second))) {
            error = attach.lastError().text();
            return false;
        }
    }
    return readInto(connection.database());
}

void TakeOverScopeRead::start(const QString &file, const QString &options,
                              const Attachments &attachments)
{
    // The connection is made, used and removed in the worker thread alone.
    m_worker.reset(QThread::create(
        [this, file, options, attachments] { m_ok = runOwnConnection(file, options, attachments); }));
    m_worker->start();
}

bool TakeOverScopeRead::wait()
{
    if (m_worker) {
        m_worker->wait();
        m_worker.reset();
    }
    return m_ok;
}
