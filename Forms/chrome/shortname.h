#ifndef SHORTNAME_H
#define SHORTNAME_H

#include <QString>

class QFontMetrics;

// A name as a label or a menu entry shows it: at most about forty
// characters wide, ending in an ellipsis. A manufacturer name of thousands
// of characters would otherwise widen the status bar or a menu beyond the
// screen. Callers put the whole name into the tool tip where it matters.
QString shortName(const QString &name, const QFontMetrics &metrics);

#endif // SHORTNAME_H
