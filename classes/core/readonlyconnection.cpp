#include "readonlyconnection.h"

#include "writeaction.h"

#include <QAtomicInt>
#include <QFileInfo>

ReadOnlyConnection::ReadOnlyConnection(const QString &file, const QString &options)
{
    static QAtomicInt counter;
    m_name = QStringLiteral("KolvexReadOnly%1").arg(counter.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(file);
    db.setConnectOptions(options.isEmpty() ? QStringLiteral("QSQLITE_OPEN_READONLY")
                                           : options + QStringLiteral(";QSQLITE_OPEN_READONLY"));
}

ReadOnlyConnection::~ReadOnlyConnection()
{
    database().close();
    QSqlDatabase::removeDatabase(m_name);
}

bool ReadOnlyConnection::open()
{
    return database().open();
}

QSqlDatabase ReadOnlyConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

QSqlError ReadOnlyConnection::lastError() const
{
    return database().lastError();
}

bool ReadOnlyConnection::seesTheSameAs(const QSqlDatabase &db)
{
    const QString file = db.databaseName();
    return db.isOpen() && !file.startsWith(QLatin1String("file:")) && file != QLatin1String(":memory:")
           && QFileInfo(file).isFile() && !WriteAction::isOpenOn(db.connectionName());
}
