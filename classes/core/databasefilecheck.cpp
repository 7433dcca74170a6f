#include "databasefilecheck.h"

#include "dbconnections.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>

namespace {

const char kCheckConnection[] = "KolvexFileCheck";

// SQLite's primary result codes the check tells apart.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteNotADatabase = 26;

QString tr(const char *text)
{
    return QCoreApplication::translate("DatabaseFileCheck", text);
}

int primaryCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

} // namespace

bool isWritableDatabaseFile(const QString &file)
{
    const QFileInfo info(file);
    return info.isFile() && info.isWritable() && QFileInfo(info.absolutePath()).isWritable();
}

QSqlError databaseFileError(const QString &text)
{
    return QSqlError(QString(), text, QSqlError::ConnectionError);
}

bool isLockError(const QSqlError &error)
{
    const int code = primaryCode(error);
    return code == kSqliteBusy || code == kSqliteLocked;
}

QString describeDatabaseError(const QSqlError &error, const QString &file)
{
    if (isLockError(error))
        return tr("Datenbank ist gesperrt: Die Datei '%1' wird gerade von einem anderen Programm "
                  "benutzt. Bitte später noch einmal versuchen.")
            .arg(file);
    if (primaryCode(error) == kSqliteNotADatabase)
        return tr("Die Datei '%1' ist keine SQLite-Datenbank.").arg(file);
    return tr("Die Datei '%1' kann nicht gelesen werden: %2").arg(file, error.text().trimmed());
}

QSqlError checkKolvexTables(QSqlDatabase db, const QString &file)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")))
        return databaseFileError(describeDatabaseError(query.lastError(), file));
    QStringList missing{QStringLiteral("Hersteller"), QStringLiteral("Geraete"),
                        QStringLiteral("Werte")};
    while (query.next()) {
        const QString table = query.value(0).toString();
        missing.erase(std::remove_if(missing.begin(), missing.end(),
                                     [&table](const QString &name) {
                                         return name.compare(table, Qt::CaseInsensitive) == 0;
                                     }),
                      missing.end());
    }
    if (missing.isEmpty())
        return QSqlError();
    return databaseFileError(tr("Die Datei '%1' ist keine Kolvex-Datenbank: Es fehlen die "
                                "Tabellen %2.")
                                 .arg(file, missing.join(QStringLiteral(", "))));
}

QSqlError checkKolvexDatabaseFile(const QString &file, bool readOnly)
{
    const QFileInfo info(file);
    if (!info.exists())
        return databaseFileError(tr("Die Datei '%1' existiert nicht.").arg(file));
    if (!info.isFile())
        return databaseFileError(tr("'%1' ist keine Datei.").arg(file));

    const QString name = QLatin1String(kCheckConnection);
    QSqlError error = openSqliteConnection(name, file, /*mustExist=*/true, readOnly);
    if (error.isValid())
        return databaseFileError(describeDatabaseError(error, file));
    error = checkKolvexTables(QSqlDatabase::database(name, false), file);
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}
