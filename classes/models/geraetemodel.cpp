#include "geraetemodel.h"

#include "appsettings.h"
#include "busycursor.h"
#include "changereport.h"
#include "dbconnections.h"
#include "fieldlistcolumns.h"
#include "filternarrowing.h"
#include "generalfilterhits.h"
#include "idallocation.h"
#include "idcondition.h"
#include "keyranges.h"
#include "sqltext.h"
#include "statementrunner.h"
#include "valuesetidlookup.h"
#include "valuesetcopy.h"
#include "valuesetdeletion.h"
#include "workprogress.h"
#include "writeaction.h"

#include <QDebug>
#include <QMimeData>
#include <QSqlQuery>
#include <QVariant>

namespace {

const QString kDinplusColumn = QStringLiteral("XXXDINPLUS");
const QString kCsvMime = QStringLiteral("text/csv");
const QString kDbTableMime = QStringLiteral("dbtable/id");

const QString kOrderClause = QStringLiteral(
    "ORDER BY lower(coalesce(Typ1,'') || coalesce(Typ2,'') || coalesce(Typ3,'') || "
    "coalesce(Typ,'') || coalesce(Variante,''))");

AppSettings *settings()
{
    return AppSettings::instance();
}

// Old appliances are listed only when the user wants them.
QString oldAppliancesCondition(bool showOldAppliances)
{
    return showOldAppliances ? QStringLiteral("1") : QStringLiteral("NOT coalesce(TirmaAlt,0)");
}

// Ids of a "#"-joined member or buffer text, empty parts dropped.
QStringList idParts(const QString &text)
{
    return text.split(QLatin1Char('#'), Qt::SkipEmptyParts);
}

} // namespace

GeraeteModel::GeraeteModel(QObject *parent)
    : EditableSqlQueryModel(parent)
    , m_filterHits(std::make_shared<GeneralFilterHits>())
{
}

void GeraeteModel::shareFilterHits(std::shared_ptr<GeneralFilterHits> hits)
{
    if (hits)
        m_filterHits = std::move(hits);
}

QString GeraeteModel::applianceListStatement(const QString &fields, qint64 manufacturerId,
                                             bool showOldAppliances, const QString &allFilter,
                                             const QString &valueFilter,
                                             const QString &applianceFilter)
{
    const QString manufacturer = QString::number(manufacturerId);
    const QString oldCondition = oldAppliancesCondition(showOldAppliances);
    // One pass of arg() for all placeholders, so that a "%1" typed into a
    // search field is not taken for a placeholder.
    if (!allFilter.isEmpty())
        return QString(QStringLiteral(
                           "SELECT %1 FROM Geraete WHERE HRSTID=%2 AND %3 AND TirmaId IN (SELECT "
                           "TirmaId FROM Geraete INNER JOIN Werte ON Geraete.TirmaId=Werte.Geraet "
                           "WHERE %4) ")
                       + kOrderClause)
            .arg(fields, manufacturer, oldCondition, allFilter);
    if (!valueFilter.isEmpty() && !applianceFilter.isEmpty())
        return QString(QStringLiteral(
                           "SELECT %1 FROM Geraete WHERE HRSTID=%2 AND %3  AND (Typ LIKE '%%4%' OR "
                           "Typ1 LIKE '%%4%' OR Typ2 LIKE '%%4%' OR Typ3 LIKE '%%4%' OR variante "
                           "LIKE '%%4%') AND tirmaid IN  (SELECT Werte.Geraet  FROM Werte  WHERE "
                           "Bemerkung LIKE '%%5%') ")
                       + kOrderClause)
            .arg(fields, manufacturer, oldCondition, doubleApostrophes(applianceFilter),
                 doubleApostrophes(valueFilter));
    if (!valueFilter.isEmpty())
        return QString(QStringLiteral("SELECT %1 FROM Geraete WHERE hrstid=%2 AND %3 AND tirmaid "
                                      "IN (SELECT Werte.Geraet FROM Werte WHERE Bemerkung LIKE "
                                      "'%%4%') ")
                       + kOrderClause)
            .arg(fields, manufacturer, oldCondition, doubleApostrophes(valueFilter));
    if (!applianceFilter.isEmpty())
        return QString(QStringLiteral("SELECT %1 FROM Geraete WHERE hrstid=%2 AND %3 AND (Typ LIKE "
                                      "'%%4%' OR Typ1 LIKE '%%4%' OR Typ2 LIKE '%%4%' OR Typ3 LIKE "
                                      "'%%4%' OR variante LIKE '%%4%') ")
                       + kOrderClause)
            .arg(fields, manufacturer, oldCondition, doubleApostrophes(applianceFilter));
    return QString(QStringLiteral("SELECT %1 FROM Geraete WHERE hrstid=%2 AND %3 ") + kOrderClause)
        .arg(fields, manufacturer, oldCondition);
}

void GeraeteModel::selectAppliances()
{
    const AppSettings *s = settings();
    const QString fields = FieldListColumns::withKeyColumns(s->applianceFields,
                                                            FieldListColumns::applianceKeyColumns());
    const QString whole = applianceListStatement(fields, s->currentManufacturerId,
                                                 s->showOldAppliances, s->allFilter,
                                                 s->valueFilter, s->applianceFilter);
    if (selectFromFilterHits(fields, whole))
        return;
    setQuery(whole, kolvexDb());
}

// Under the general filter the list's sub-select passes over all value
// sets of the file. Its rows are the appliances of the filter's hits, so
// the manufacturer's found appliances are named by key instead. The list
// then holds the user's statement, for every re-read.
bool GeraeteModel::selectFromFilterHits(const QString &fields, const QString &whole)
{
    const AppSettings *s = settings();
    QSqlDatabase db = kolvexDb();
    if (s->allFilter.isEmpty()
        || (!m_filterHits->holds(s->allFilter, db) && !m_filterHits->read(db, s->allFilter)))
        return false;
    setQuery(QString(QStringLiteral("SELECT %1 FROM Geraete WHERE HRSTID=%2 AND %3 AND TirmaId IN (%4) ")
                     + kOrderClause)
                 .arg(fields, QString::number(s->currentManufacturerId),
                      oldAppliancesCondition(s->showOldAppliances),
                      idList(m_filterHits->appliancesOf(s->currentManufacturerId))),
             db);
    if (s->queryFailed || !m_filterHits->holds(s->allFilter, db)) {
        // Something changed the file meanwhile, or the list failed: the
        // statement as the user's filter makes it.
        setQuery(whole, db);
        return true;
    }
    queryText = whole;
    return true;
}

void GeraeteModel::setQuery(const QString &sql, const QSqlDatabase &db)
{
    EditableSqlQueryModel::setQuery(sql, db);
    dinplusStates.clear();
    rebuildRowValueSetIds();
}

void GeraeteModel::refresh()
{
    EditableSqlQueryModel::refresh();
    rebuildRowValueSetIds();
}

void GeraeteModel::rebuildRowValueSetIds()
{
    QList<qint64> ids;
    const int rows = rowCount();
    ids.reserve(rows);
    for (int row = 0; row < rows; ++row)
        ids << rowId(row);
    m_idsReadMark.take(runner().database());
    m_idsValueFilter = settings()->valueFilter;
    rowValueSetIds =
        ValueSetIdLookup::joinedIdsPerAppliance(ids, m_idsValueFilter, runner().database());
}

bool GeraeteModel::valueSetIdsAreFresh() const
{
    return m_idsReadMark.isCurrent(runner().database());
}

std::optional<QList<qint64>> GeraeteModel::freshValueSetIdsOfManufacturer(qint64 manufacturerId) const
{
    const AppSettings *s = settings();
    if (manufacturerId != s->currentManufacturerId || !m_idsValueFilter.isEmpty()
        || !s->valueFilter.isEmpty() || !s->allFilter.isEmpty() || !s->applianceFilter.isEmpty()
        || !s->showOldAppliances || s->queryFailed || !valueSetIdsAreFresh())
        return std::nullopt;
    QList<qint64> ids;
    for (int row = 0; row < recordCount() && row < rowValueSetIds.size(); ++row) {
        for (const QString &id : idParts(rowValueSetIds.at(row)))
            ids << id.toLongLong();
    }
    return ids;
}

std::optional<QList<qint64>> GeraeteModel::freshValueSetIds(qint64 applianceId) const
{
    const AppSettings *s = settings();
    // The value list shows the sets whose Bemerkung matches the value search,
    // or those the general filter finds: ids read for another search, or
    // narrowed by one while the general filter decides, would miss some.
    if (m_idsValueFilter != s->valueFilter || (!s->allFilter.isEmpty() && !m_idsValueFilter.isEmpty()))
        return std::nullopt;
    // A filter that reaches out of its sub-select would take the ids'
    // condition into its own alternatives.
    if (!s->allFilter.isEmpty() && !FilterNarrowing::isSelfContained(s->allFilter))
        return std::nullopt;
    if (!valueSetIdsAreFresh())
        return std::nullopt;
    const int row = rowOfRecord(applianceId);
    if (row < 0 || row >= rowValueSetIds.size())
        return std::nullopt;
    QList<qint64> ids;
    for (const QString &id : idParts(rowValueSetIds.at(row)))
        ids << id.toLongLong();
    return ids;
}

void GeraeteModel::rereadValueSetIds()
{
    rebuildRowValueSetIds();
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {});
}

QString GeraeteModel::valueSetIdsOfRow(int row) const
{
    return rowValueSetIds.value(row);
}

int GeraeteModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return recordCount() + (offersNewRecordRow() && settings()->currentManufacturerId > 0 ? 1 : 0);
}

// ---------------------------------------------------------------- presentation

QVariant GeraeteModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == ContextActionsRole) {
        if (isNewRecordRow(index.row()))
            return QVariant();
        return contextActions(index);
    }
    if (role == Qt::DisplayRole && index.column() == fieldIndex(kDinplusColumn)) {
        switch (dinplusStates.value(index.row(), 0)) {
        case 1:
            return QStringLiteral("\u00D7");
        case 2:
            return QStringLiteral("\u00D7\u00D7");
        default:
            return QString();
        }
    }
    return EditableSqlQueryModel::data(index, role);
}

QStringList GeraeteModel::contextActions(const QModelIndex &index) const
{
    QStringList actions;
    if (isInCurrentGroup(index))
        actions << tr("Von der Gruppe entfernen#removeFromGroup");
    actions << tr("Feuerstätte(n) DUPLIZIEREN#datenDuplizieren#%1").arg(4);
    if (!settings()->manufacturerMode)
        actions << tr("Feuerstätte(n) KOPIEREN#datenKopieren#%1").arg(1);
    actions << tr("Feuerstätte(n) LÖSCHEN#datenLoeschen#%1").arg(3);
    if (!settings()->copiedValueSets.isEmpty())
        actions << tr("Kopierten Kenndaten EINFÜGEN#datenEinfuegen#%1").arg(2);
    return actions;
}

const QSet<QString> &GeraeteModel::currentGroupIds() const
{
    if (m_groupIdsSource != currentGroup) {
        m_groupIdsSource = currentGroup;
        const QStringList ids = idParts(currentGroup);
        m_groupIds = QSet<QString>(ids.begin(), ids.end());
    }
    return m_groupIds;
}

bool GeraeteModel::isInCurrentGroup(const QModelIndex &index) const
{
    if (!index.isValid() || currentGroup.isEmpty())
        return false;
    const QString entry = rowValueSetIds.value(index.row());
    if (entry.isEmpty())
        return false;
    const QSet<QString> &members = currentGroupIds();
    const QStringList ids = idParts(entry);
    for (const QString &id : ids) {
        if (members.contains(id))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- quality marks

void GeraeteModel::setDinplusState(int row, int state)
{
    dinplusStates.insert(row, state);
    const int column = fieldIndex(kDinplusColumn);
    if (column >= 0)
        emit dataChanged(index(row, column), index(row, column));
}

void GeraeteModel::setDinplusAll(bool flag)
{
    const int rows = rowCount();
    for (int row = 0; row < rows; ++row)
        dinplusStates.insert(row, flag ? 2 : 0);
    const int column = fieldIndex(kDinplusColumn);
    if (column >= 0 && rows > 0)
        emit dataChanged(index(0, column), index(rows - 1, column));
}

int GeraeteModel::dinplusState(int row) const
{
    const auto stored = dinplusStates.constFind(row);
    if (stored != dinplusStates.constEnd())
        return stored.value();
    return data(index(row, fieldIndex(kDinplusColumn)), Qt::EditRole).toInt();
}

bool GeraeteModel::isDinplusAll() const
{
    const int rows = rowCount();
    for (int row = 0; row < rows; ++row) {
        if (dinplusState(row) <= 1)
            return false;
    }
    return true;
}

QString GeraeteModel::qualityMarkStatement(bool flag, const QString &appliances,
                                           const QString &valueFilter, const QString &range)
{
    // Sets that already hold the mark stay as they are: the file ends the
    // same, with fewer pages to write and fewer rows for the undo step.
    const QString mark = flag ? QStringLiteral("1") : QStringLiteral("0");
    return QStringLiteral("UPDATE werte SET dinplus=%1 WHERE %2 AND %3 AND Bemerkung LIKE '%%4%' "
                          "AND NOT (typeof(dinplus)='integer' AND dinplus=%1)")
        .arg(mark, range, appliances, doubleApostrophes(valueFilter));
}

bool GeraeteModel::switchQualityMarks(bool flag, int currentRow, const QString &valueFilter,
                                      const std::function<void()> &switchCurrent)
{
    QList<int> marksBefore;
    for (int row = 0; row < rowCount(); ++row)
        marksBefore << dinplusState(row);
    // All listed appliances but the current one (its marks are set through
    // its own list), in one pass over the value sets, range by range.
    QList<qint64> others;
    for (int row = 0; row < recordCount(); ++row) {
        if (row != currentRow)
            others << rowId(row);
    }
    const QString appliances = IdCondition::of(QStringLiteral("Geraet"), others);
    const QList<KeyRanges::Range> ranges =
        others.isEmpty() ? QList<KeyRanges::Range>()
                         : KeyRanges::of(runner().database(), QStringLiteral("Werte"),
                                         QStringLiteral("WerteId"));
    WorkProgress progress(tr("Gütezeichen werden umgeschaltet …"), ranges.size(), true);
    WriteAction action;   // the whole switch is one change
    setDinplusAll(flag);
    switchCurrent();
    for (int i = 0; i < ranges.size(); ++i) {
        action.run(qualityMarkStatement(flag, appliances, valueFilter,
                                        KeyRanges::condition(QStringLiteral("WerteId"), ranges.at(i))));
        if (!progress.advance(i + 1)) {
            action.cancel();   // rolls back the current list's marks too
            break;
        }
    }
    if (action.finish())
        return true;
    for (int row = 0; row < marksBefore.size(); ++row)
        setDinplusState(row, marksBefore.at(row));
    return false;
}

// ---------------------------------------------------------------- drag and drop

QStringList GeraeteModel::mimeTypes() const
{
    return {QStringLiteral("text/plain"), kCsvMime, kDbTableMime};
}

QMimeData *GeraeteModel::mimeData(const QModelIndexList &indexes) const
{
    QMimeData *mime = EditableSqlQueryModel::mimeData(indexes);
    // The ids as the file holds them now: a set deleted or created since
    // the list was read must not go into a group, nor be missing.
    QList<qint64> appliances;
    for (const QModelIndex &index : indexes)
        appliances << rowId(index.row());
    const QStringList ids = ValueSetIdLookup::joinedIdsPerAppliance(
        appliances, settings()->valueFilter, runner().database());
    mime->setData(kCsvMime, ids.join(QLatin1Char('#')).toLatin1());
    return mime;
}

bool GeraeteModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                const QModelIndex &parent)
{
    if (data && data->hasFormat(kDbTableMime)) {
        qDebug() << "Dropped" << data->data(kDbTableMime) << row << column << parent.row()
                 << parent.column();
        insertRows(parent.row(), 1);
        return true;
    }
    return EditableSqlQueryModel::dropMimeData(data, action, row, column, parent);
}

bool GeraeteModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (row < 0 || count < 1)
        return false;
    beginInsertRows(parent, row, row + count - 1);
    endInsertRows();
    return true;
}

// ---------------------------------------------------------------- editing

bool GeraeteModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || isKeyColumn(index) || isHandRecordRow(index.row()))
        return false;
    if (isNewRecordRow(index.row()))
        return insertFromNewRecordRow(index, value);
    return updateStoredRow(index, value, role);
}

QString GeraeteModel::handRecordsStatement() const
{
    const AppSettings *s = settings();
    if (!s->manufacturerMode)
        return QString();
    return QStringLiteral("SELECT TirmaId FROM Geraete WHERE HrstId=%1 AND coalesce(hand,0)")
        .arg(s->currentManufacturerId);
}

bool GeraeteModel::updateStoredRow(const QModelIndex &index, const QVariant &value, int role)
{
    return updateStoredCell(index, value, role,
                            QStringLiteral("UPDATE Geraete SET %1='%2' WHERE tirmaid=%3"));
}

bool GeraeteModel::insertFromNewRecordRow(const QModelIndex &index, const QVariant &value)
{
    // An editor closed without typing commits an empty text: no blank record.
    if (value.isNull() || value.toString().isEmpty())
        return false;
    WriteAction action(connectionName);
    QString error;
    const qint64 newId = settings()->findFreeId(QStringLiteral("Geraete"), QStringLiteral("TirmaId"),
                                             action.database(), &error);
    qDebug() << "Geräte " << newId;
    if (newId < 0) {
        // No appliance with id -1: it would be unreachable.
        action.noteFailure(error.isEmpty()
                               ? tr("Für neue Feuerstätten ist im Id-Bereich des Herstellers "
                                    "keine Id mehr frei.")
                               : error);
        return false;
    }
    QVariant insertedId;
    const bool inserted = action.run(
        QStringLiteral("INSERT INTO Geraete (%1, HRSTID, TIRMAID) VALUES ('%2',%3,%4)")
            .arg(columnName(index), doubleApostrophes(value.toString()),
                 QString::number(settings()->currentManufacturerId), QString::number(newId)),
        &insertedId);
    const bool kept = action.finish();
    if (inserted && kept)
        noteInsertedRecord(index.row(), insertedId);
    refresh();
    return inserted && kept;
}

// ---------------------------------------------------------------- context actions

void GeraeteModel::datenKopieren(QList<int> rows)
{
    QStringList ids;
    for (int row : rows)
        ids << data(index(row, 0), Qt::EditRole).toString();
    settings()->copiedAppliances = ids.join(QLatin1Char('#'));
    qDebug() << "Kopierte Feuerstätten" << settings()->copiedAppliances;
}

void GeraeteModel::datenDuplizieren(QList<int> rows)
{
    BusyCursor busy;
    const QList<qint64> appliances = rowIds(rows);
    WriteAction action(connectionName);
    const StatementRunner sql = runner();
    const QHash<qint64, QList<qint64>> valueSets = ValueSetCopy::valueSetsOf(sql, appliances);
    // The appliances first, then all their value sets with one id search.
    QList<ValueSetCopy::Copy> copies;
    for (const qint64 applianceId : appliances) {
        const qint64 copyId = settings()->copyRecord(QStringLiteral("Geraete"), QStringLiteral("TirmaId"),
                                                  applianceId, sql.database());
        if (copyId != -1)
            copies << ValueSetCopy::Copy{valueSets.value(applianceId), copyId};
    }
    ValueSetCopy::copyAll(sql, copies);
    action.finish();
    refresh();
}

void GeraeteModel::datenLoeschen(QList<int> rows)
{
    const QList<qint64> appliances = rowIds(rows);
    if (appliances.isEmpty())
        return;
    WorkProgress progress(tr("Feuerstätten werden gelöscht …"), 2, true);
    WriteAction action(connectionName);
    const StatementRunner sql = runner();
    // Set-based: the value sets of the whole selection are found in one pass
    // over Werte and deleted by their keys with their group rows; the sets
    // derived from them become plain.
    for (const QString &ids : idListChunks(appliances))
        sql.runJournaled(QStringLiteral("DELETE FROM Geraete WHERE tirmaid IN (%1)").arg(ids));
    if (progress.advance(1))
        ValueSetDeletion::deleteSelected(
            action, QStringLiteral("SELECT WerteId FROM Werte WHERE %1")
                        .arg(IdCondition::of(QStringLiteral("geraet"), appliances)));
    if (!progress.advance(2))
        action.cancel();
    action.finish();
    refresh();
    emit werteAktualisieren();
}

void GeraeteModel::datenEinfuegen(QList<int> rows)
{
    QList<qint64> valueSets;
    for (const QString &part : idParts(settings()->copiedValueSets)) {
        bool ok = false;
        const qint64 id = part.trimmed().toLongLong(&ok);
        if (ok)
            valueSets << id;
    }
    BusyCursor busy;
    const QList<qint64> appliances = rowIds(rows);
    if (valueSets.isEmpty() || appliances.isEmpty())
        return;
    bool pasted = false;
    {
        WriteAction action(connectionName);
        const StatementRunner sql = runner();
        // One search for every new id: each search reads the whole value table.
        QString error;
        const QList<qint64> newIds = settings()->idAllocation().findFreeIds(
            QStringLiteral("Werte"), QStringLiteral("WerteId"), sql.database(),
            int(appliances.size() * valueSets.size()), &error);
        int used = 0;
        for (const qint64 applianceId : appliances) {
            for (const qint64 valueSetId : valueSets) {
                qDebug() << "Werte " << valueSetId;
                if (used == newIds.size()) {
                    action.noteFailure(error.isEmpty() ? WriteAction::rangeFullText() : error);
                    break;
                }
                if (pasteValueSet(sql, valueSetId, newIds.at(used), applianceId))
                    ++used;
                pasted = true;
            }
        }
        pasted = action.finish() && pasted;
    }
    if (pasted) {
        rereadValueSetIds();
        emit werteAktualisieren();
    }
}

// Copies one value set to the appliance under newId through a temporary
// table; false when nothing was copied (the id stays free for the next one).
bool GeraeteModel::pasteValueSet(const StatementRunner &sql, qint64 valueSetId, qint64 newId,
                                 qint64 applianceId)
{
    QSqlQuery source(sql.database());
    const bool present = source.exec(QStringLiteral("SELECT 1 FROM Werte WHERE WerteId=%1").arg(valueSetId))
        && source.next();
    source.finish();
    if (!sql.runJournaled(
            QStringLiteral("CREATE TEMP TABLE TBL  AS SELECT * FROM Werte WHERE WerteId=%1")
                .arg(valueSetId)))
        return false;
    sql.runJournaled(
        QStringLiteral("UPDATE TBL  SET WerteId=%1, Geraet=%2, AUSATZRINGEID=0,BEMERKUNGID=0")
            .arg(newId)
            .arg(applianceId));
    const bool inserted = sql.runJournaled(QStringLiteral("INSERT INTO Werte SELECT * FROM TBL"));
    sql.runJournaled(QStringLiteral("DROP TABLE TBL"));
    return present && inserted;
}

void GeraeteModel::removeFromGroup(QList<int> rows)
{
    QStringList members = idParts(currentGroup);
    for (int row : rows) {
        for (const QString &id : idParts(rowValueSetIds.value(row)))
            members.removeAll(id);
        currentGroup = members.join(QLatin1Char('#'));
        if (columnCount() > 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    emit currentGroupChangedTo(currentGroup);
}
