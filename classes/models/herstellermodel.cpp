#include "herstellermodel.h"

#include "appsettings.h"
#include "busycursor.h"
#include "dbconnections.h"
#include "generalfilterhits.h"
#include "sqltext.h"
#include "statementrunner.h"
#include "valuesetcopy.h"
#include "valuesetdeletion.h"
#include "workprogress.h"
#include "writeaction.h"

#include <QDebug>
#include <QMimeData>

namespace {

const char *const kAllManufacturersStatement =
    "Select Id, Name from Hersteller where Tirma<>0 order by lower(Name)";
const char *const kFilteredManufacturersStatement =
    "SELECT Id, Name from Hersteller WHERE Tirma<>0 AND Id IN (SELECT DISTINCT HRSTID FROM Geraete "
    "INNER JOIN Werte ON Geraete.TirmaId=Werte.Geraet WHERE %1) ORDER BY lower(Name)";
const char *const kManufacturersOfIdsStatement =
    "SELECT Id, Name from Hersteller WHERE Tirma<>0 AND Id IN (%1) ORDER BY lower(Name)";

const QString kNameColumn = QStringLiteral("NAME");
const QString kDbTableMime = QStringLiteral("dbtable/id");

AppSettings *settings()
{
    return AppSettings::instance();
}

} // namespace

HerstellerModel::HerstellerModel(QObject *parent)
    : EditableSqlQueryModel(parent)
    , m_filterHits(std::make_shared<GeneralFilterHits>())
{
}

void HerstellerModel::refreshKeepingSelection()
{
    emit saveSelection();
    refresh();
    emit loadSelection();
}

QString HerstellerModel::manufacturersStatement(const QString &filter)
{
    if (filter.isEmpty())
        return QString::fromLatin1(kAllManufacturersStatement);
    return QString::fromLatin1(kFilteredManufacturersStatement).arg(filter);
}

QString HerstellerModel::fireChamberManufacturersStatement(const QString &filter)
{
    if (filter.isEmpty())
        return QStringLiteral("SELECT Id, Name FROM Hersteller WHERE Tirma<>0 AND Id IN (SELECT "
                              "HrstId FROM Gkostand) ORDER BY lower(Name)");
    return QStringLiteral("SELECT Id, Name FROM Hersteller WHERE Tirma<>0 AND Id IN (SELECT "
                          "HrstId FROM Gkostand WHERE %1) ORDER BY lower(Name)")
        .arg(filter);
}

void HerstellerModel::selectManufacturers(const QString &filter)
{
    if (filter.isEmpty())
        m_filterHits->clear();
    else if (selectFromFilterHits(filter))
        return;
    setQuery(manufacturersStatement(filter), kolvexDb());
}

// The filter's sub-select gives the manufacturers of its hits: read once,
// they are named by key, and the same hits give each manufacturer's
// appliances. The list then holds the user's statement, for every re-read.
bool HerstellerModel::selectFromFilterHits(const QString &filter)
{
    QSqlDatabase db = kolvexDb();
    if (!m_filterHits->read(db, filter))
        return false;
    const QString ids = idList(m_filterHits->manufacturers());
    setQuery(QString::fromLatin1(kManufacturersOfIdsStatement).arg(ids), db);
    if (settings()->queryFailed || !m_filterHits->holds(filter, db))
        return false;
    queryText = manufacturersStatement(filter);
    return true;
}

void HerstellerModel::selectFireChamberManufacturers(const QString &filter)
{
    setQuery(fireChamberManufacturersStatement(filter), kolvexDb());
}

QVariant HerstellerModel::data(const QModelIndex &index, int role) const
{
    if (role == ContextActionsRole) {
        if (!index.isValid() || isNewRecordRow(index.row()))
            return QVariant();
        return contextActions(index.row());
    }
    return EditableSqlQueryModel::data(index, role);
}

QStringList HerstellerModel::contextActions(int row) const
{
    QStringList actions;
    if (!settings()->copiedAppliances.isEmpty())
        actions << tr("Kopierten Feuerstätten EINFÜGEN#datenEinfuegen#%1").arg(2);
    const QList<qint64> count = runner().intColumn(
        QStringLiteral("SELECT count(*) FROM Geraete WHERE HrstId=%1").arg(rowId(row)));
    if (count.value(0, -1) == 0)
        actions << tr("Hersteller LÖSCHEN#datenLoeschen#%1").arg(3);
    return actions;
}

bool HerstellerModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || isKeyColumn(index))
        return false;
    if (isNewRecordRow(index.row()))
        return insertFromNewRecordRow(index, value);
    return updateStoredRow(index, value, role);
}

bool HerstellerModel::updateStoredRow(const QModelIndex &index, const QVariant &value, int role)
{
    const bool isName = columnName(index) == kNameColumn;
    if (isName && value.toString().isEmpty())
        return false;
    const bool stored = updateStoredCell(
        index, value, role, QStringLiteral("UPDATE Hersteller SET %1='%2' WHERE id=%3"));
    if (isName)
        refreshKeepingSelection();
    return stored;
}

bool HerstellerModel::insertFromNewRecordRow(const QModelIndex &index, const QVariant &value)
{
    // An editor closed without typing commits an empty text: no blank record.
    if (value.isNull() || value.toString().isEmpty())
        return false;
    WriteAction action(connectionName);
    QVariant insertedId;
    const bool inserted =
        action.run(QStringLiteral("INSERT INTO Hersteller (%1, VonWas, Tirma, Id) VALUES ('%2',1,1,%3)")
                       .arg(columnName(index), doubleApostrophes(value.toString()),
                            QString::number(nextRecordId(QStringLiteral("Hersteller"),
                                                         QStringLiteral("Id")))),
                   &insertedId);
    const bool kept = action.finish();
    if (inserted && kept)
        noteInsertedRecord(index.row(), insertedId);
    refreshKeepingSelection();
    return inserted && kept;
}

bool HerstellerModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row,
                                   int column, const QModelIndex &parent)
{
    if (data && data->hasFormat(kDbTableMime)) {
        qDebug() << "Dropped" << data->data(kDbTableMime) << row << column << parent.row()
                 << parent.column();
        return true;
    }
    return EditableSqlQueryModel::dropMimeData(data, action, row, column, parent);
}

void HerstellerModel::datenLoeschen(QList<int> rows)
{
    BusyCursor busy;
    const QList<qint64> manufacturers = rowIds(rows);
    WorkProgress progress(tr("Hersteller werden gelöscht …"), 1, true);
    WriteAction action(connectionName);
    const StatementRunner sql = runner();
    deleteManufacturers(sql, manufacturers);
    if (!progress.advance(1))
        action.cancel();
    action.finish();
    refreshKeepingSelection();
}

void HerstellerModel::deleteManufacturer(const StatementRunner &sql, qint64 manufacturerId)
{
    deleteManufacturers(sql, {manufacturerId});
}

void HerstellerModel::deleteManufacturers(const StatementRunner &sql, const QList<qint64> &ids)
{
    // Set-based: the value sets of all their appliances go in one pass over
    // Werte. The sub-select names the appliances the same way when the
    // journal is replayed onto a copy in the same state.
    WriteAction action(sql.database().connectionName());   // joins the open one
    for (const QString &list : idListChunks(ids)) {
        sql.runJournaled(QStringLiteral("DELETE FROM Hersteller WHERE id IN (%1)").arg(list));
        // With their group rows; the sets derived from them become plain.
        ValueSetDeletion::deleteSelected(
            action, QStringLiteral("SELECT WerteId FROM Werte WHERE geraet IN (SELECT TirmaId FROM "
                                   "Geraete WHERE HrstId IN (%1))")
                        .arg(list));
        sql.runJournaled(QStringLiteral("DELETE FROM Geraete WHERE HrstId IN (%1)").arg(list));
    }
}

void HerstellerModel::datenEinfuegen(QList<int> rows)
{
    QList<qint64> appliances;
    for (const QString &part :
         settings()->copiedAppliances.split(QLatin1Char('#'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 id = part.trimmed().toLongLong(&ok);
        if (ok)
            appliances << id;
    }
    BusyCursor busy;
    const QList<qint64> manufacturers = rowIds(rows);
    WriteAction action(connectionName);
    const StatementRunner sql = runner();
    const QHash<qint64, QList<qint64>> valueSets = ValueSetCopy::valueSetsOf(sql, appliances);
    // The appliances first, then all their value sets with one id search.
    QList<ValueSetCopy::Copy> copies;
    for (const qint64 manufacturerId : manufacturers) {
        for (const qint64 applianceId : appliances) {
            const qint64 copyId = pasteAppliance(sql, applianceId, manufacturerId);
            if (copyId != -1)
                copies << ValueSetCopy::Copy{valueSets.value(applianceId), copyId};
        }
    }
    ValueSetCopy::copyAll(sql, copies);
    action.finish();
    emit geraeteHinzuaddiert();
}

qint64 HerstellerModel::pasteAppliance(const StatementRunner &sql, qint64 applianceId,
                                       qint64 manufacturerId)
{
    AppSettings *s = settings();
    qDebug() << "Copy Fst " << applianceId;
    const qint64 copyId = s->copyRecord(QStringLiteral("Geraete"), QStringLiteral("TirmaId"),
                                     applianceId, sql.database());
    if (copyId == -1)
        return -1;
    sql.runJournaled(QStringLiteral("UPDATE Geraete SET HrstId=%1 WHERE TirmaId=%2")
                         .arg(manufacturerId)
                         .arg(copyId));
    return copyId;
}
