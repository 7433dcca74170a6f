#include "updaterenumbering.h"

#include "idtable.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("UpdateRenumbering", text);
}

} // namespace

UpdateRenumbering::UpdateRenumbering(QSqlDatabase db, qint64 applianceLow, qint64 applianceHigh,
                                     qint64 valueLow, qint64 valueHigh)
    : m_db(db)
    , m_applianceLow(applianceLow)
    , m_applianceHigh(applianceHigh)
    , m_valueLow(valueLow)
    , m_valueHigh(valueHigh)
{
}

bool UpdateRenumbering::run()
{
    m_movedAppliances.clear();
    m_movedValueSets.clear();
    m_error.clear();

    indexWorkingCopies();
    QList<qint64> appliances;
    if (!collectIds(QStringLiteral("SELECT TirmaId FROM Geraete WHERE TirmaId<%1 OR TirmaId>%2 "
                                   "Order By TirmaId")
                        .arg(m_applianceLow)
                        .arg(m_applianceHigh),
                    appliances))
        return false;
    if (!createIdTable(m_db))
        return fail(tr("Die Id-Tabelle konnte nicht angelegt werden: %1")
                        .arg(m_db.lastError().text()));
    if (!renumberAppliances(appliances))
        return false;

    QList<qint64> valueSets;
    if (!collectIds(QStringLiteral("SELECT WerteId FROM Werte WHERE WerteId<%1 OR WerteId>%2 "
                                   "Order By WerteId")
                        .arg(m_valueLow)
                        .arg(m_valueHigh),
                    valueSets))
        return false;
    return renumberValueSets(valueSets);
}

// The working copies come without indexes, and every renumbering statement
// looks its rows up by id. The indexes go with the copies when those are
// dropped; one that cannot be built only costs time.
void UpdateRenumbering::indexWorkingCopies()
{
    const QStringList statements{
        QStringLiteral("CREATE INDEX UpdateCopyGeraeteTirmaId ON Geraete (TirmaId)"),
        QStringLiteral("CREATE INDEX UpdateCopyWerteWerteId ON Werte (WerteId)"),
        QStringLiteral("CREATE INDEX UpdateCopyWerteGeraet ON Werte (Geraet)"),
        QStringLiteral("CREATE INDEX UpdateCopyWerteBemerkungId ON Werte (BEMERKUNGID)")};
    for (const QString &sql : statements) {
        QSqlQuery query(m_db);
        query.exec(sql);
    }
}

bool UpdateRenumbering::collectIds(const QString &sql, QList<qint64> &ids)
{
    QSqlQuery query(m_db);
    if (!query.exec(sql))
        return fail(tr("Abfrage fehlgeschlagen: %1 (%2)").arg(sql, query.lastError().text()));
    while (query.next())
        ids << query.value(0).toLongLong();
    return true;
}

// The `count` lowest ids of the id table from `low` on that neither table
// uses, in ascending order: what repeated free-id searches would hand out
// one by one, found in one statement.
bool UpdateRenumbering::freeIds(const QString &table, const QString &savedTable,
                                const QString &key, qint64 low, int count, QList<qint64> &ids)
{
    ids.clear();
    if (count == 0)
        return true;
    const QString sql =
        QStringLiteral("SELECT id FROM seqidxs WHERE id>=%1 "
                       "AND id NOT IN (SELECT %2 FROM %3 WHERE %2 IS NOT NULL) "
                       "AND id NOT IN (SELECT %2 FROM %4 WHERE %2 IS NOT NULL) "
                       "%6ORDER BY id LIMIT %5")
            .arg(low)
            .arg(key, table, savedTable)
            .arg(count)
            .arg(m_mainSchema.isEmpty()
                     ? QString()
                     : QStringLiteral("AND id NOT IN (SELECT %1 FROM %2.%3 WHERE %1 IS NOT NULL) ")
                           .arg(key, m_mainSchema, table));
    if (!collectIds(sql, ids))
        return false;
    if (ids.size() < count)
        return fail(tr("Für %1 Datensätze der Tabelle %2 sind nur %3 freie Ids ab %4 vorhanden.")
                        .arg(count)
                        .arg(table)
                        .arg(ids.size())
                        .arg(low));
    return true;
}

bool UpdateRenumbering::renumberAppliances(const QList<qint64> &outside)
{
    QList<qint64> newIds;
    if (!freeIds(QStringLiteral("Geraete"), QStringLiteral("GeraeteSave"),
                 QStringLiteral("TirmaId"), m_applianceLow, outside.size(), newIds))
        return false;
    for (int i = 0; i < outside.size(); ++i) {
        const qint64 oldId = outside.at(i);
        const qint64 newId = newIds.at(i);
        if (!exec(QStringLiteral("Update Werte Set Geraet=%1 WHERE Geraet=%2").arg(newId).arg(oldId))
            || !exec(QStringLiteral("Update Geraete Set tirmaid=%1 WHERE tirmaid=%2")
                         .arg(newId)
                         .arg(oldId)))
            return false;
        m_movedAppliances.insert(oldId, newId);
    }
    return true;
}

bool UpdateRenumbering::renumberValueSets(const QList<qint64> &outside)
{
    QList<qint64> newIds;
    if (!freeIds(QStringLiteral("Werte"), QStringLiteral("WerteSave"), QStringLiteral("WerteId"),
                 m_valueLow, outside.size(), newIds))
        return false;
    // A derived value set names its source in BEMERKUNGID; it follows the
    // source to its new id so that the derivation survives the read-in.
    const bool hasSourceColumn = m_db.record(QStringLiteral("Werte")).contains("BEMERKUNGID");
    for (int i = 0; i < outside.size(); ++i) {
        const qint64 oldId = outside.at(i);
        const qint64 newId = newIds.at(i);
        if (!exec(QStringLiteral("Update Werte Set WerteId=%1 WHERE WerteId=%2")
                      .arg(newId)
                      .arg(oldId)))
            return false;
        if (hasSourceColumn
            && !exec(QStringLiteral("Update Werte Set BEMERKUNGID=%1 WHERE BEMERKUNGID=%2")
                         .arg(newId)
                         .arg(oldId)))
            return false;
        m_movedValueSets.insert(oldId, newId);
    }
    return true;
}

bool UpdateRenumbering::exec(const QString &sql)
{
    QSqlQuery query(m_db);
    if (!query.exec(sql))
        return fail(tr("Anweisung fehlgeschlagen: %1 (%2)").arg(sql, query.lastError().text()));
    return true;
}

bool UpdateRenumbering::fail(const QString &text)
{
    m_error = text;
    return false;
}
