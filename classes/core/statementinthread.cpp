#include "statementinthread.h"

#include "readonlyconnection.h"
#include "workprogress.h"

#include <QSqlQuery>
#include <QThread>

#include <memory>

bool StatementInThread::run(const QString &file, const QString &options, const QString &sql,
                            const QVariantList &binds, WorkProgress &progress,
                            const std::function<int()> &stepsDone)
{
    bool ok = false;
    QSqlError error;
    // The connection is made, used and removed in the worker thread alone.
    std::unique_ptr<QThread> worker(QThread::create([&] {
        ReadOnlyConnection connection(file, options);
        if (!connection.open()) {
            error = connection.lastError();
            return;
        }
        QSqlQuery query(connection.database());
        query.prepare(sql);
        for (const QVariant &value : binds)
            query.addBindValue(value);
        ok = query.exec();
        if (!ok)
            error = query.lastError();
    }));
    worker->start();
    while (!worker->wait(50))
        progress.advance(stepsDone ? stepsDone() : 0);
    m_error = error;
    return ok;
}
