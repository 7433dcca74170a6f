#include "importprogressmarker.h"

#include "filesync.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

ImportProgressMarker::ImportProgressMarker(const QString &databaseFile)
    : m_path(markerPath(databaseFile))
{
}

QString ImportProgressMarker::markerPath(const QString &databaseFile)
{
    return QFileInfo(databaseFile).absoluteFilePath() + QStringLiteral(".import");
}

void ImportProgressMarker::begin(const QStringList &tables)
{
    m_pending = tables;
    write();
}

void ImportProgressMarker::tableReplaced(const QString &table)
{
    m_pending.removeAll(table);
    write();
}

void ImportProgressMarker::finish()
{
    m_pending.clear();
    QFile::remove(m_path);
}

void ImportProgressMarker::write() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(m_pending.join(QLatin1Char('\n')).toUtf8() + '\n');
    syncFileToDisk(file);
}

QString ImportProgressMarker::interruptedNotice(const QString &databaseFile)
{
    QFile file(markerPath(databaseFile));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QStringList pending =
        QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (pending.isEmpty())
        return QCoreApplication::translate("ImportProgressMarker",
                                           "Der letzte Quarnel-Import wurde nach dem Ersetzen der "
                                           "Tabellen unterbrochen; die Ableitungen fehlen.");
    return QCoreApplication::translate("ImportProgressMarker",
                                       "Der letzte Quarnel-Import wurde unterbrochen; nicht "
                                       "ersetzt: %1")
        .arg(pending.join(QStringLiteral(", ")));
}
