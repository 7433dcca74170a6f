#ifndef MANUFACTURERVALUESETS_H
#define MANUFACTURERVALUESETS_H

#include "filereadmark.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

// The value-set ids of every appliance of one manufacturer, read in one
// pass over Werte, and what tells whether they still hold: nothing was
// written since, by this program or another one.
class ManufacturerValueSets
{
public:
    // Reads them; false (and nothing held) when a statement failed.
    bool read(QSqlDatabase db, qint64 manufacturerId);
    void clear();

    bool holds(qint64 manufacturerId) const { return m_manufacturer == manufacturerId; }
    // Nothing written to the file since they were read.
    bool isFresh(QSqlDatabase db) const;

    // Every id, in the order of the value table per appliance.
    const QList<qint64> &all() const { return m_all; }
    // The ids of one appliance joined with "#", as the appliance list keeps them.
    QString joinedIdsOf(qint64 applianceId) const { return m_joined.value(applianceId); }

    // When they were read.
    const FileReadMark &readMark() const { return m_readMark; }

private:
    qint64 m_manufacturer = -1;
    QHash<qint64, QString> m_joined;
    QList<qint64> m_all;
    FileReadMark m_readMark;
};

#endif // MANUFACTURERVALUESETS_H
