#ifndef FILTERNARROWING_H
#define FILTERNARROWING_H

#include <QList>
#include <QString>

// The general filter is a condition the user types over the joined
// appliances and value sets; the lists put it into sub-selects that pass
// over the whole value table. Where the value sets that can count are
// known by key, the condition is narrowed to them, so that SQLite reads
// those sets by rowid instead of passing over Werte.
class FilterNarrowing
{
public:
    // True when the condition is one self-contained expression: balanced
    // parentheses and quotes, no comment, no statement end. Only such a
    // condition can be put inside another without changing what it means.
    static bool isSelfContained(const QString &condition);

    // "Werte.WerteId IN (ids) AND (condition)", or an empty text when the
    // condition is not self-contained.
    static QString narrowed(const QString &condition, const QList<qint64> &valueSetIds);
};

#endif // FILTERNARROWING_H
