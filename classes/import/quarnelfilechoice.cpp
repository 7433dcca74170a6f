#include "quarnelfilechoice.h"

#include <QFileInfo>
#include <QHash>

QVector<int> QuarnelFileChoice::chosen(const QStringList &tableNames, const QStringList &filePaths)
{
    // The best file found so far for each table; among equals the first.
    QHash<QString, int> best;
    for (int i = 0; i < tableNames.size(); ++i) {
        const auto found = best.constFind(tableNames.at(i));
        if (found == best.constEnd()
            || nameRank(tableNames.at(i), filePaths.at(i))
                   < nameRank(tableNames.at(i), filePaths.at(found.value())))
            best.insert(tableNames.at(i), i);
    }
    QVector<int> result;
    result.reserve(tableNames.size());
    for (const QString &table : tableNames)
        result.append(best.value(table));
    return result;
}

int QuarnelFileChoice::nameRank(const QString &tableName, const QString &filePath)
{
    const QString fileName = QFileInfo(filePath).fileName();
    const QString exact = tableName + QLatin1String(".txt");
    if (fileName == exact)
        return 0;
    return fileName.compare(exact, Qt::CaseInsensitive) == 0 ? 1 : 2;
}
