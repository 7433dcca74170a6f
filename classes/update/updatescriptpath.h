#ifndef UPDATESCRIPTPATH_H
#define UPDATESCRIPTPATH_H

#include <QDate>
#include <QString>

// The update script of a manufacturer for a day: "<name>_<yyyyMMdd>.sql" in
// dir, or, when a script of that day is there already, the first free
// "<name>_<yyyyMMdd>_2.sql", "_3", ..., so that no script is replaced.
QString freeUpdateScriptPath(const QString &dir, const QString &name, const QDate &date);

#endif // UPDATESCRIPTPATH_H
