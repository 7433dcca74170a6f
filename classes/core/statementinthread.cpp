#include "statementinthread.h"

#include "workprogress.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include <memory>

namespace {

QString workerConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("KolvexWorker%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

bool StatementInThread::run(const QString &file, const QString &options, const QString &sql,
                            const QVariantList &binds, WorkProgress &progress,
                            const std::function<int()> &stepsDone)
{
    const QString name = workerConnectionName();
    bool ok = false;
    QSqlError error;
    const QString readOnly = options.isEmpty() ? QStringLiteral("QSQLITE_OPEN_READONLY")
                                               : options + QStringLiteral(";QSQLITE_OPEN_READONLY");
    // The connection is made, used and removed in the worker thread alone.
    std::unique_ptr<QThread> worker(QThread::create([&] {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(file);
            db.setConnectOptions(readOnly);
            if (!db.open()) {
                error = db.lastError();
            } else {
                QSqlQuery query(db);
                query.prepare(sql);
                for (const QVariant &value : binds)
                    query.addBindValue(value);
                ok = query.exec();
                if (!ok)
                    error = query.lastError();
            }
        }
        QSqlDatabase::removeDatabase(name);
    }));
    worker->start();
    while (!worker->wait(50))
        progress.advance(stepsDone ? stepsDone() : 0);
    m_error = error;
    return ok;
}
