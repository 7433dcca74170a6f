#include "quarnelwriteaccess.h"

#include <QCoreApplication>
#include <QSqlQuery>

namespace {

// Primary SQLite result codes (the low byte of extended ones).
enum SqliteCode {
    Busy = 5,
    Locked = 6,
    ReadOnly = 8,
    IoError = 10,
    Corrupt = 11,
    Full = 13,
    CantOpen = 14,
    NotADatabase = 26
};

QString tr(const char *text)
{
    return QCoreApplication::translate("QuarnelWriteAccess", text);
}

} // namespace

QuarnelWriteAccess::QuarnelWriteAccess(QSqlDatabase db)
    : m_db(db)
{
}

bool QuarnelWriteAccess::check()
{
    m_reason.clear();
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("BEGIN EXCLUSIVE"))) {
        m_reason = reasonOf(query.lastError());
        return false;
    }
    // The first change opens the journal beside the file.
    const bool written =
        query.exec(QStringLiteral("CREATE TABLE kolvex_schreibprobe(x)"));
    const QSqlError error = query.lastError();
    query.exec(QStringLiteral("ROLLBACK"));
    if (!written) {
        m_reason = reasonOf(error);
        return false;
    }
    return true;
}

QString QuarnelWriteAccess::reasonOf(const QSqlError &error)
{
    bool known = false;
    const int code = error.nativeErrorCode().toInt(&known) & 0xff;
    if (known) {
        switch (code) {
        case Busy:
        case Locked:
            return tr("Die Datei wird von einem anderen Programm benutzt und ist gesperrt.");
        case ReadOnly:
            return tr("Die Datei ist schreibgeschützt.");
        case CantOpen:
            return tr("Die Datei oder ihr Verzeichnis kann nicht beschrieben werden.");
        case Full:
            return tr("Der Datenträger ist voll.");
        case IoError:
            return tr("Beim Zugriff auf den Datenträger ist ein Fehler aufgetreten.");
        case Corrupt:
        case NotADatabase:
            return tr("Die Datei ist beschädigt oder keine SQLite-Datenbank.");
        default:
            break;
        }
    }
    return tr("Die Datenbank meldet: %1").arg(error.databaseText());
}
