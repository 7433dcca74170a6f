#ifndef FILEREADMARK_H
#define FILEREADMARK_H

#include <QSqlDatabase>

// What tells whether something read from the file still holds: nothing
// was written since, by one of our write actions or by another program
// (SQLite's data_version changes when another connection commits).
class FileReadMark
{
public:
    // Notes the moment; false (and nothing noted) when it cannot be told.
    bool take(QSqlDatabase db);
    void clear() { m_dataVersion = -1; }
    // Nothing written since take().
    bool isCurrent(QSqlDatabase db) const;

private:
    static qint64 dataVersionOf(QSqlDatabase db);

    quint64 m_writes = 0;
    qint64 m_dataVersion = -1;
};

#endif // FILEREADMARK_H
