#include "manufacturerbasecopy.h"

#include "databasebackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ManufacturerBaseCopy", text);
}

} // namespace

ManufacturerBaseCopy::ManufacturerBaseCopy(qint64 manufacturerId, const QString &mainDbFile)
    : m_manufacturerId(manufacturerId)
    , m_mainDbFile(mainDbFile)
{
}

QString ManufacturerBaseCopy::basePath() const
{
    const QFileInfo main(m_mainDbFile);
    return QDir(main.absolutePath())
        .filePath(QStringLiteral("%1_Herstellerbasis/Hersteller_%2.glo")
                      .arg(main.fileName())
                      .arg(m_manufacturerId));
}

QString ManufacturerBaseCopy::existingBase() const
{
    const QString path = basePath();
    return QFileInfo(path).isFile() ? path : QString();
}

bool ManufacturerBaseCopy::create(QSqlDatabase db, const QString &target)
{
    m_error.clear();
    DatabaseBackup backup;
    if (backup.copyTo(db, target) != DatabaseBackup::Written) {
        m_error = backup.errorText();
        if (m_error.isEmpty())
            m_error = tr("Die Datei %1 kann nicht ersetzt werden.").arg(target);
        return false;
    }
    const QString base = basePath();
    if (!QDir().mkpath(QFileInfo(base).absolutePath())) {
        m_error = tr("Der Ordner %1 kann nicht angelegt werden.").arg(QFileInfo(base).absolutePath());
        return false;
    }
    const QString partial = base + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(target, partial)) {
        m_error = tr("Die Basiskopie %1 kann nicht geschrieben werden.").arg(base);
        return false;
    }
    if ((QFileInfo::exists(base) && !QFile::remove(base)) || !QFile::rename(partial, base)) {
        QFile::remove(partial);
        m_error = tr("Die Basiskopie %1 kann nicht ersetzt werden.").arg(base);
        return false;
    }
    return true;
}
