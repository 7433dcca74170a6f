#include "gruppenmodel.h"

#include "appsettings.h"
#include "dbconnections.h"
#include "sqltext.h"
#include "writeaction.h"

#include <QMap>
#include <QMimeData>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

// The group rows of the manufacturer's value sets, walked from gruppen (a
// few rows) with each set looked up by key and its appliance tested
// against the manufacturer's appliances, read once: the rows of the join
// hersteller-geraete-werte-gruppen, without a look-up of every set's
// appliance.
const char *const kGroupsOfManufacturerStatement =
    "SELECT gruppen.bezeichnung, gruppen.werteid FROM gruppen INNER JOIN werte ON "
    "werte.werteid=gruppen.werteid WHERE werte.geraet IN (SELECT tirmaid FROM geraete WHERE "
    "hrstid=%1) AND EXISTS (SELECT 1 FROM hersteller WHERE id=%1)";

const QString kCsvMime = QStringLiteral("text/csv");
const QString kNewPrefix = QStringLiteral("neu");

} // namespace

GruppenModel::GruppenModel(QObject *parent)
    : QStandardItemModel(parent)
{
}

void GruppenModel::loadGroupsOfManufacturer(qint64 manufacturerId)
{
    loadGroups(QString::fromLatin1(kGroupsOfManufacturerStatement).arg(manufacturerId));
}

void GruppenModel::loadGroupsOfValueSets(const QList<qint64> &valueSetIds)
{
    // The group rows are few beside the value sets: read whole, in the order
    // the join walks them, and kept when they name one of the sets. A long
    // IN list would cost more to build than the whole table to read. Only an
    // integer can equal a set's key, as in the join.
    const QSet<qint64> wanted(valueSetIds.begin(), valueSetIds.end());
    loadGroups(QStringLiteral("SELECT bezeichnung, werteid FROM gruppen WHERE typeof(werteid)='integer'"),
               [&wanted](qint64 id) { return wanted.contains(id); });
}

void GruppenModel::loadGroups(const QString &statement, const std::function<bool(qint64)> &keeps)
{
    QSqlQuery query(kolvexDb());
    query.setForwardOnly(true);
    if (!query.exec(statement))
        return;
    QMap<QString, QStringList> members; // ascending, case-sensitive name order
    while (query.next()) {
        if (!keeps || keeps(query.value(1).toLongLong()))
            members[query.value(0).toString()] << query.value(1).toString();
    }
    for (auto it = members.cbegin(); it != members.cend(); ++it)
        addGruppe(it.key(), it.value().join('#'), false);
}

QStringList GruppenModel::memberIds(const QString &text)
{
    QStringList ids;
    for (const QString &part : text.split(QLatin1Char('#'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const qlonglong id = part.trimmed().toLongLong(&ok);
        if (ok)
            ids << QString::number(id);
    }
    return ids;
}

QString GruppenModel::nextNewName() const
{
    bool found = false;
    int highest = 0;
    for (int row = 0; row < rowCount(); ++row) {
        const QString name = index(row, 0).data(Qt::DisplayRole).toString();
        if (!name.startsWith(kNewPrefix, Qt::CaseSensitive))
            continue;
        const int number = name.mid(kNewPrefix.size()).toInt();
        highest = found ? qMax(highest, number) : number;
        found = true;
    }
    return found ? kNewPrefix + QString::number(highest + 1) : kNewPrefix;
}

QModelIndex GruppenModel::addGruppe(const QString &name, const QString &members, bool store)
{
    const QString groupName = name.isEmpty() ? nextNewName() : name;
    // Dropped texts may hold empty parts ("#5#6" from an appliance without
    // value sets); the item keeps the plain "#"-joined ids.
    const QStringList ids = memberIds(members);
    auto *item = new QStandardItem(groupName);
    item->setData(ids.join(QLatin1Char('#')), Qt::UserRole);
    appendRow(item);
    if (store && !insertMemberRows(groupName, ids)) {
        removeRow(item->row());
        return QModelIndex();
    }
    return item->index();
}

QString GruppenModel::ofCurrentManufacturer()
{
    // gruppen has no manufacturer column, and every manufacturer's first new
    // group is called "neu": a statement by name must keep to the rows whose
    // value set belongs to the manufacturer shown.
    return QStringLiteral(" AND werteid IN (SELECT Werte.WerteId FROM Werte INNER JOIN Geraete ON "
                          "Werte.Geraet=Geraete.TirmaId WHERE Geraete.HrstId=%1)")
        .arg(AppSettings::instance()->currentManufacturerId);
}

QString GruppenModel::deleteStatement(const QString &name)
{
    return QStringLiteral("DELETE  FROM gruppen WHERE BEZEICHNUNG='%1'").arg(doubleApostrophes(name))
        + ofCurrentManufacturerOrGone();
}

QString GruppenModel::ofCurrentManufacturerOrGone()
{
    // Rows whose value set no longer exists belong to no manufacturer; left
    // behind, they would hand the group to the set that gets the id next.
    QString own = ofCurrentManufacturer();
    own.replace(0, 5, QStringLiteral(" AND (NOT EXISTS (SELECT 1 FROM Werte WHERE "
                                     "Werte.WerteId=gruppen.werteid) OR "));
    return own + QLatin1Char(')');
}

QString GruppenModel::goneRowsStatement(const QString &name)
{
    return QStringLiteral("DELETE FROM gruppen WHERE BEZEICHNUNG='%1' AND NOT EXISTS (SELECT 1 "
                          "FROM Werte WHERE Werte.WerteId=gruppen.werteid)")
        .arg(doubleApostrophes(name));
}

QString GruppenModel::renameStatement(const QString &newName, const QString &oldName)
{
    return QStringLiteral("UPDATE gruppen SET BEZEICHNUNG='%1' WHERE BEZEICHNUNG='%2'")
               .arg(doubleApostrophes(newName), doubleApostrophes(oldName))
        + ofCurrentManufacturer();
}

QString GruppenModel::insertStatement(const QString &name, const QString &id)
{
    // Only a value set that exists becomes a member: the item may still
    // hold the id of one deleted since the groups were read.
    return QStringLiteral("INSERT INTO gruppen SELECT '%1', WerteId FROM Werte WHERE WerteId=%2")
        .arg(doubleApostrophes(name), id);
}

bool GruppenModel::insertMemberRows(const QString &name, const QStringList &ids)
{
    WriteAction action(QString(), WriteAction::AllOrNothing);
    for (const QString &id : ids)
        action.runUnjournaled(insertStatement(name, id));
    return action.finish();
}

bool GruppenModel::storeMembers(const QModelIndex &index, const QStringList &ids)
{
    const QString name = index.data(Qt::DisplayRole).toString();
    // The item changes only when the rows in the file did.
    WriteAction action(QString(), WriteAction::AllOrNothing);
    action.runUnjournaled(deleteStatement(name));
    for (const QString &id : ids)
        action.runUnjournaled(insertStatement(name, id));
    if (!action.finish())
        return false;
    QStandardItemModel::setData(index, ids.join(QLatin1Char('#')), Qt::UserRole);
    return true;
}

void GruppenModel::addToGruppe(const QModelIndex &index, const QString &ids)
{
    if (!index.isValid())
        return;
    QStringList merged = memberIds(index.data(Qt::UserRole).toString());
    for (const QString &id : memberIds(ids)) {
        if (!merged.contains(id))
            merged << id;
    }
    storeMembers(index, merged);
}

void GruppenModel::setGruppenMembers(const QModelIndex &index, const QString &ids)
{
    if (!index.isValid())
        return;
    storeMembers(index, memberIds(ids));
}

void GruppenModel::removeGruppe(int row, const QModelIndex &parent)
{
    const QModelIndex item = index(row, 0, parent);
    if (!item.isValid())
        return;
    WriteAction action(QString(), WriteAction::AllOrNothing);
    action.runUnjournaled(deleteStatement(item.data(Qt::DisplayRole).toString()));
    if (action.finish())
        removeRow(row, parent);
}

bool GruppenModel::hasGroupNamed(const QString &name) const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (index(row, 0).data(Qt::DisplayRole).toString() == name)
            return true;
    }
    return false;
}

bool GruppenModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return QStandardItemModel::setData(index, value, role);
    const QString newName = value.toString().trimmed();
    if (newName.isEmpty() || hasGroupNamed(newName))
        return false;
    const QString oldName = index.data(Qt::DisplayRole).toString();
    WriteAction action(QString(), WriteAction::AllOrNothing);
    action.runUnjournaled(goneRowsStatement(oldName));
    action.runUnjournaled(renameStatement(newName, oldName));
    if (!action.finish())
        return false;
    return QStandardItemModel::setData(index, newName, Qt::EditRole);
}

QStringList GruppenModel::mimeTypes() const
{
    return {kCsvMime};
}

QMimeData *GruppenModel::mimeData(const QModelIndexList &indexes) const
{
    QStringList ids;
    QSet<QString> seen;
    for (const QModelIndex &index : indexes) {
        for (const QString &id :
             index.data(Qt::UserRole).toString().split(QLatin1Char('#'), Qt::SkipEmptyParts)) {
            if (!seen.contains(id)) {
                seen.insert(id);
                ids << id;
            }
        }
    }
    auto *mime = new QMimeData;
    mime->setData(kCsvMime, ids.join(QLatin1Char('#')).toLatin1());
    return mime;
}
