#ifndef GENERALFILTERHITS_H
#define GENERALFILTERHITS_H

#include "filereadmark.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

// What the general filter finds, read in one pass over the value sets and
// shared by the lists: for every manufacturer the appliances with at least
// one value set the filter finds. The manufacturer list and a
// manufacturer's appliance list name these ids instead of each passing over
// all value sets again, as long as nothing was written since.
class GeneralFilterHits
{
public:
    // Reads them for a condition over the joined appliances and value sets;
    // false (and nothing held) when the condition is not one self-contained
    // expression or its statement fails.
    bool read(QSqlDatabase db, const QString &filter);
    void clear();

    // Read for this filter, and nothing written to the file since.
    bool holds(const QString &filter, QSqlDatabase db) const;

    // The manufacturers of the found appliances, ascending.
    QList<qint64> manufacturers() const;
    // The found appliances of one manufacturer, ascending.
    QList<qint64> appliancesOf(qint64 manufacturerId) const;

    // The statement without its key range: the found appliance and its
    // manufacturer, for every found value set whose manufacturer is an
    // integer (no other value equals a manufacturer's key).
    static QString statement(const QString &filter);

    // Value-set ids per statement of the read.
    static const qint64 kRangeWidth = 50000;

private:
    QString m_filter;
    bool m_held = false;
    QHash<qint64, QList<qint64>> m_appliances;
    FileReadMark m_readMark;
};

#endif // GENERALFILTERHITS_H
