#ifndef UPDATERENUMBERING_H
#define UPDATERENUMBERING_H

#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QString>

// Moves the appliance and value-set ids of a manufacturer's update file into
// the manufacturer's reserved ranges. Works on the working copies "Geraete"
// and "Werte" of an update file whose own tables have been moved aside to
// "GeraeteSave" and "WerteSave".
//
// A new id is free when neither the working copy nor the moved-aside table
// uses it: the copy lacks the hand-entered rows and the other manufacturers'
// rows, and their ids must not be handed out again, or the script would
// collide with those rows where it is read in.
class UpdateRenumbering
{
public:
    UpdateRenumbering(QSqlDatabase db, qint64 applianceLow, qint64 applianceHigh, qint64 valueLow,
                      qint64 valueHigh);

    // The schema name under which the main file is attached to db: a new id
    // must then be free there too, or the script's insert would collide
    // with a record the maintainer added meanwhile.
    void setMainSchema(const QString &schema) { m_mainSchema = schema; }

    // Collects the appliance ids outside the range, creates the id table,
    // renumbers the appliances (their value sets follow), then the value sets
    // (their derived value sets follow). Stops at the first failure; the
    // caller rolls back. Returns whether everything succeeded.
    bool run();

    // Old id -> new id of every moved appliance / value set.
    QMap<qint64, qint64> movedAppliances() const { return m_movedAppliances; }
    QMap<qint64, qint64> movedValueSets() const { return m_movedValueSets; }

    // German description of the first failure (empty on success).
    QString errorText() const { return m_error; }

private:
    void indexWorkingCopies();
    bool collectIds(const QString &sql, QList<qint64> &ids);
    bool freeIds(const QString &table, const QString &savedTable, const QString &key, qint64 low,
                 int count, QList<qint64> &ids);
    bool renumberAppliances(const QList<qint64> &outside);
    bool renumberValueSets(const QList<qint64> &outside);
    bool exec(const QString &sql);
    bool fail(const QString &text);

    QSqlDatabase m_db;
    qint64 m_applianceLow;
    qint64 m_applianceHigh;
    qint64 m_valueLow;
    qint64 m_valueHigh;
    QMap<qint64, qint64> m_movedAppliances;
    QMap<qint64, qint64> m_movedValueSets;
    QString m_error;
    QString m_mainSchema;
};

#endif // UPDATERENUMBERING_H
