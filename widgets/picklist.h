#ifndef PICKLIST_H
#define PICKLIST_H

#include <QString>
#include <QStringList>

// Entries of a numeric editor's pick list from its source text: parts
// separated by ";", each either one entry taken as it stands (a number,
// perhaps followed by a blank and a comment) or a range "from:to:step".
// Parts with two or more than three pieces are skipped.
QStringList pickListEntries(const QString &comboWerte);

// Entries of one range. A step of zero or below gives the first value only
// (nothing when from lies above to); a range never yields more than
// kMaxRangeEntries entries.
QStringList pickListRange(double from, double to, double step);

constexpr int kMaxRangeEntries = 10000;

#endif // PICKLIST_H
