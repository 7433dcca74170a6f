#include "updatescriptpath.h"

#include <QDir>
#include <QFileInfo>

QString freeUpdateScriptPath(const QString &dir, const QString &name, const QDate &date)
{
    const QString stem = QStringLiteral("%1_%2").arg(name, date.toString(QStringLiteral("yyyyMMdd")));
    const QDir folder(dir);
    QString path = folder.filePath(stem + QStringLiteral(".sql"));
    for (int suffix = 2; QFileInfo::exists(path); ++suffix)
        path = folder.filePath(QStringLiteral("%1_%2.sql").arg(stem).arg(suffix));
    return path;
}
