#include "leftovercleanup.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isOldEnough(const QFileInfo &entry, const QDateTime &olderThan)
{
    return entry.lastModified() < olderThan;
}

} // namespace

QStringList LeftoverCleanup::removeIn(const QString &dir)
{
    return removeIn(dir, QDateTime::currentDateTime().addSecs(-3600));
}

QStringList LeftoverCleanup::removeIn(const QString &dir, const QDateTime &olderThan)
{
    static const QRegularExpression updateFolder(QStringLiteral("^\\.kolvexupdate-\\w{6}$"));
    static const QRegularExpression backupPart(QStringLiteral("^.+\\.\\w{6}\\.part$"));
    QStringList removed;
    const QFileInfoList entries =
        QDir(dir).entryInfoList(QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink() || !isOldEnough(entry, olderThan))
            continue;
        const QString name = entry.fileName();
        bool gone = false;
        if (entry.isDir() && updateFolder.match(name).hasMatch())
            gone = QDir(entry.absoluteFilePath()).removeRecursively();
        else if (entry.isFile() && backupPart.match(name).hasMatch())
            gone = QFile::remove(entry.absoluteFilePath());
        if (gone) {
            qDebug() << "Überbleibsel entfernt:" << entry.absoluteFilePath();
            removed << name;
        }
    }
    return removed;
}
