#ifndef QUARNELFILECHOICE_H
#define QUARNELFILECHOICE_H

#include <QString>
#include <QStringList>
#include <QVector>

// Several export files may name the same table: "WAERMEDB.txt",
// "Waermedb.TXT" and "WAERMEDB.alt.txt" all go into WAERMEDB. Only one of
// them is imported: the one named exactly like the table with ".txt",
// else one that differs from that only in case, else the first in the
// order given. The others are left out, and whoever leaves them out says
// so.
class QuarnelFileChoice
{
public:
    // tableNames and filePaths side by side. For each file, the index of
    // the file imported into its table: its own index when it is that one.
    static QVector<int> chosen(const QStringList &tableNames, const QStringList &filePaths);

    // 0 for "TABLE.txt", 1 for the same name in other case, 2 otherwise.
    static int nameRank(const QString &tableName, const QString &filePath);
};

#endif // QUARNELFILECHOICE_H
