#ifndef LEFTOVERCLEANUP_H
#define LEFTOVERCLEANUP_H

#include <QDateTime>
#include <QString>
#include <QStringList>

// What a crashed run of the program leaves beside a database: the hidden
// working folder of a manufacturer update export (".kolvexupdate-XXXXXX",
// holding a full copy of the returned file) and the unfinished copy of a
// backup ("<target>.XXXXXX.part"). Only entries with exactly these name
// patterns are touched, and only when they are older than the cut-off, so
// that the work of another running instance stays.
class LeftoverCleanup
{
public:
    // Removes the leftovers in dir last changed before olderThan; returns
    // the names removed.
    static QStringList removeIn(const QString &dir, const QDateTime &olderThan);
    // The same with the cut-off of a normal start: an hour ago.
    static QStringList removeIn(const QString &dir);
};

#endif // LEFTOVERCLEANUP_H
