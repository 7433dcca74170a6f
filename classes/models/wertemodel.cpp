#include "wertemodel.h"

#include "statementrunner.h"

#include "appsettings.h"
#include "busycursor.h"
#include "dbconnections.h"
#include "fieldlistcolumns.h"
#include "filternarrowing.h"
#include "idallocation.h"
#include "nhfattachment.h"
#include "sqltext.h"
#include "userinteraction.h"
#include "valuesetdeletion.h"
#include "writeaction.h"

#include <QColor>
#include <QDate>
#include <QDebug>
#include <QMimeData>
#include <QPixmap>
#include <QPixmapCache>
#include <QSize>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const char *const kInheritedColumns[] = {"TW", "PW", "QN", "BEMERKUNG", "BILDID"};
const char *const kReadOnlyColumns[] = {"BILDID", "BEMERKUNGID", "AUSATZRINGEID"};
const char *const kNotCopiedFromSource[] = {"WerteId", "GERAET", "OPT_KAT", "AUSATZRINGEID",
                                             "BEMERKUNGID"};
const int kThumbnailHeight = 22;
const QColor kSourceRowColour(200, 235, 190);

AppSettings *settings()
{
    return AppSettings::instance();
}

bool isAttachmentColumn(const QString &column)
{
    return column == QLatin1String("TW") || column == QLatin1String("PW")
        || column == QLatin1String("QN") || column == QLatin1String("DHNHF")
        || column == QLatin1String("STUTZENLISTE");
}

} // namespace

WerteModel::WerteModel(QObject *parent) : EditableSqlQueryModel(parent) {}

QString WerteModel::valueListStatement(const QString &fields, qint64 applianceId,
                                       const QString &allFilter, const QString &valueFilter)
{
    const QString appliance = QString::number(applianceId);
    if (!allFilter.isEmpty())
        return QStringLiteral("SELECT %1 FROM Werte WHERE Geraet=%2  AND WerteId IN (SELECT WerteId "
                              "FROM Geraete INNER JOIN Werte ON Geraete.TirmaId=Werte.Geraet "
                              "WHERE %3) ORDER BY Bemerkung")
            .arg(fields, appliance, allFilter);
    if (!valueFilter.isEmpty())
        return QStringLiteral("select %1 from Werte where Geraet=%2 AND bemerkung LIKE '%%3%' "
                              "ORDER BY Bemerkung")
            .arg(fields, appliance, doubleApostrophes(valueFilter));
    return QStringLiteral("select %1 from Werte where Geraet=%2 ORDER BY Bemerkung")
        .arg(fields, appliance);
}

bool WerteModel::isCopiedFromSource(const QString &fieldName)
{
    // The table may spell these names in any letter case (Geraet, Opt_Kat);
    // SQLite treats them as the same column, so must we.
    for (const char *excluded : kNotCopiedFromSource) {
        if (fieldName.compare(QLatin1String(excluded), Qt::CaseInsensitive) == 0)
            return false;
    }
    return true;
}

bool WerteModel::holdsDerivableValues(const QSqlRecord &valueSet)
{
    for (int i = 0; i < valueSet.count(); ++i) {
        const QString name = valueSet.fieldName(i);
        if (name.compare(QLatin1String("BEMERKUNGID"), Qt::CaseInsensitive) == 0
            && valueSet.value(i).toLongLong() > 0)
            return true;
        if (!isCopiedFromSource(name)
            || name.compare(QLatin1String("Bemerkung"), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String("ERFASSDAT"), Qt::CaseInsensitive) == 0
            || valueSet.isNull(i))
            continue;
        const QString text = valueSet.value(i).toString().trimmed();
        bool isNumber = false;
        const double number = text.toDouble(&isNumber);
        if (!text.isEmpty() && !(isNumber && number == 0.0))
            return true;
    }
    return false;
}

QString WerteModel::sourceName() const
{
    const qint64 id = settings()->currentValueId;
    if (id <= 0)
        return QString();
    if (m_sourceNameId != id) {
        // Looked up once per marked source: the menu asks for every selected row.
        QSqlQuery query(database());
        QString remark;
        if (query.exec(QStringLiteral("SELECT Bemerkung FROM Werte WHERE WerteId=%1").arg(id))
            && query.next())
            remark = query.value(0).toString();
        m_sourceNameId = id;
        m_sourceName = tr("Quelle: %1 (%2)").arg(remark.simplified(), QString::number(id));
    }
    return m_sourceName;
}

bool WerteModel::isSourceRow(int row) const
{
    const qint64 id = settings()->currentValueId;
    return id > 0 && isStoredRow(row) && rowId(row) == id;
}

void WerteModel::reloadWerte()
{
    const AppSettings *s = settings();
    const QString fields =
        FieldListColumns::withKeyColumns(s->valueFields, FieldListColumns::valueKeyColumns());
    setQuery(valueListStatement(fields, s->currentApplianceId, s->allFilter, s->valueFilter),
             kolvexDb());
}

void WerteModel::reloadWerte(const QList<qint64> &knownIds)
{
    const AppSettings *s = settings();
    const QString fields =
        FieldListColumns::withKeyColumns(s->valueFields, FieldListColumns::valueKeyColumns());
    const QString whole =
        valueListStatement(fields, s->currentApplianceId, s->allFilter, s->valueFilter);
    // The general filter's sub-select is narrowed to the same sets: what the
    // list keeps of it are sets among them anyway, now found without a pass.
    const QString narrowedFilter = FilterNarrowing::narrowed(s->allFilter, knownIds);
    const QString restrictedWhole = restrictedToIds(whole, knownIds);
    const QString restricted = narrowedFilter.isEmpty()
        ? restrictedWhole
        : restrictedToIds(
              valueListStatement(fields, s->currentApplianceId, narrowedFilter, s->valueFilter),
              knownIds);
    setQuery(restricted, kolvexDb());
    if (s->queryFailed && restricted != restrictedWhole)
        setQuery(restrictedWhole, kolvexDb());   // a failing filter fails as the user wrote it
    // A re-read after a change of the list (a set inserted, duplicated)
    // must find the new sets too.
    if (queryText == restricted || queryText == restrictedWhole)
        queryText = whole;
}

QString WerteModel::restrictedToIds(const QString &listStatement, const QList<qint64> &ids)
{
    // Every variant ends with its order clause; the conditions stay, so the
    // rows are those of the whole statement, only found without a pass.
    static const QString order = QStringLiteral(" ORDER BY Bemerkung");
    const int at = listStatement.lastIndexOf(order);
    if (at < 0)
        return listStatement;
    QStringList texts;
    for (qint64 id : ids)
        texts << QString::number(id);
    QString statement = listStatement;
    statement.insert(at, QStringLiteral(" AND WerteId IN (%1)").arg(texts.join(QLatin1Char(','))));
    return statement;
}

void WerteModel::setQuery(const QString &sql, const QSqlDatabase &db)
{
    EditableSqlQueryModel::setQuery(sql, db);
    clearRowCaches();
    m_inheritedColumns.clear();
    for (const char *name : kInheritedColumns) {
        const int column = fieldIndex(QLatin1String(name));
        if (column >= 0)
            m_inheritedColumns.insert(column);
    }
}

void WerteModel::refresh()
{
    EditableSqlQueryModel::refresh();
    clearRowCaches();
}

void WerteModel::clearRowCaches()
{
    m_dinplus.clear();
    m_bemerkungIds.clear();
    m_hasNhfRows.clear();
    m_nhfRows.clear();
    m_ausatzringeIds.clear();
}

int WerteModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return storedRowCount() + (hasNewRecordRow() ? 1 : 0);
}

// ---------------------------------------------------------------- rows

QSqlDatabase WerteModel::database() const
{
    return runner().database();
}

bool WerteModel::hasNewRecordRow() const
{
    return offersNewRecordRow() && settings()->currentApplianceId > 0;
}

int WerteModel::storedRowCount() const
{
    return QSqlQueryModel::rowCount();
}

bool WerteModel::isStoredRow(int row) const
{
    return row >= 0 && row < storedRowCount();
}

QString WerteModel::rowIdText(int row) const
{
    return data(index(row, 0), Qt::DisplayRole).toString();
}

qint64 WerteModel::rowId(int row) const
{
    return rowIdText(row).toLongLong();
}

QString WerteModel::columnNameAt(int column) const
{
    return columnNames.value(column);
}

qint64 WerteModel::getBemerkungId(int row) const
{
    const auto cached = m_bemerkungIds.constFind(row);
    if (cached != m_bemerkungIds.constEnd())
        return *cached;
    qint64 sourceId = 0;
    if (isStoredRow(row)) {
        const int column = fieldIndex(QStringLiteral("BEMERKUNGID"));
        if (column >= 1) {
            sourceId = QSqlQueryModel::data(index(row, column), Qt::DisplayRole).toLongLong();
        } else {
            QSqlQuery query(database());
            if (query.exec(QStringLiteral("SELECT BEMERKUNGID FROM Werte WHERE WerteId=%1")
                               .arg(rowId(row)))
                && query.next())
                sourceId = query.value(0).toLongLong();
        }
    }
    m_bemerkungIds.insert(row, sourceId);
    return sourceId;
}

bool WerteModel::isNhfRow(int row) const
{
    return getBemerkungId(row) > 0;
}

bool WerteModel::hasNhfRows(int row) const
{
    const auto cached = m_hasNhfRows.constFind(row);
    if (cached != m_hasNhfRows.constEnd())
        return *cached;
    m_hasNhfRows.insert(row, false);
    QList<QPair<qint64, qint64>> derived;
    const qint64 id = rowId(row);
    // Sets that are not derived carry BEMERKUNGID 0: a row without an id
    // (the new-record row) must not claim all of them.
    if (id > 0) {
        QSqlQuery query(database());
        if (query.exec(QStringLiteral("SELECT WerteId, AUSATZRINGEID FROM Werte WHERE BEMERKUNGID=%1")
                           .arg(id))) {
            while (query.next()) {
                derived << qMakePair(query.value(0).toLongLong(), query.value(1).toLongLong());
                m_hasNhfRows.insert(row, true);
            }
        }
    }
    m_nhfRows.insert(row, derived);
    return m_hasNhfRows.value(row);
}

QList<QPair<qint64, qint64>> WerteModel::nhfRows(int row) const
{
    hasNhfRows(row);
    return m_nhfRows.value(row);
}

qint64 WerteModel::getAusatzringeId(int row) const
{
    const auto cached = m_ausatzringeIds.constFind(row);
    if (cached != m_ausatzringeIds.constEnd())
        return *cached;
    m_ausatzringeIds.insert(row, -1);
    QSqlQuery query(database());
    if (query.exec(QStringLiteral("SELECT AUSATZRINGEID FROM Werte WHERE WerteId=%1").arg(rowId(row)))
        && query.next())
        m_ausatzringeIds.insert(row, query.value(0).toLongLong());
    return m_ausatzringeIds.value(row);
}

bool WerteModel::isInCurrentGroup(const QModelIndex &index) const
{
    if (!index.isValid())
        return false;
    const QString id = rowIdText(index.row());
    if (id.isEmpty())
        return false;
    // Asked for every painted cell: split the member text once per change.
    if (m_groupText != currentGroup || m_groupIds.isEmpty()) {
        m_groupText = currentGroup;
        const QStringList members = currentGroup.split(QLatin1Char('#'));
        m_groupIds = QSet<QString>(members.begin(), members.end());
    }
    return m_groupIds.contains(id);
}

// ---------------------------------------------------------------- presentation

Qt::ItemFlags WerteModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = EditableSqlQueryModel::flags(index);
    if (!index.isValid())
        return result;
    const int column = index.column();
    for (const char *name : kReadOnlyColumns) {
        if (fieldIndex(QLatin1String(name)) == column)
            result &= ~Qt::ItemIsEditable;
    }
    if (!isNhfRow(index.row()))
        return result;
    if (m_inheritedColumns.contains(column))
        result &= ~Qt::ItemIsEditable;
    const qint64 attachmentId = getAusatzringeId(index.row());
    const auto &cache = settings()->aufsatzCache;
    if (attachmentId >= 0 && cache.contains(attachmentId)
        && NhfAttachment(cache.value(attachmentId)).fixesColumn(columnNameAt(column)))
        result &= ~Qt::ItemIsEditable;
    return result;
}

bool WerteModel::isWritableCell(const QModelIndex &index) const
{
    if (!index.isValid() || isKeyColumn(index) || isHandRecordRow(index.row()))
        return false;
    const QString name = columnNameAt(index.column());
    if (name == QLatin1String("BEMERKUNGID") || name == QLatin1String("AUSATZRINGEID"))
        return false;
    if (!isStoredRow(index.row()) || !isNhfRow(index.row()))
        return true;
    if (m_inheritedColumns.contains(index.column()))
        return false;
    const qint64 attachmentId = getAusatzringeId(index.row());
    const auto &cache = settings()->aufsatzCache;
    return !(attachmentId >= 0 && cache.contains(attachmentId)
             && NhfAttachment(cache.value(attachmentId)).fixesColumn(name));
}

bool WerteModel::isClearableCell(const QModelIndex &index) const
{
    if (!index.isValid() || !isStoredRow(index.row()) || !isWritableCell(index))
        return false;
    const QString name = columnNameAt(index.column());
    return name != QLatin1String("WERTEID") && name != QLatin1String("GERAET")
        && name != QLatin1String("XXXDINPLUS");
}

bool WerteModel::dinplusFlag(int row) const
{
    const auto cached = m_dinplus.constFind(row);
    if (cached != m_dinplus.constEnd())
        return *cached;
    const int column = fieldIndex(QStringLiteral("XXXDINPLUS"));
    if (column < 0 || !isStoredRow(row))
        return false;
    return QSqlQueryModel::data(index(row, column), Qt::DisplayRole).toBool();
}

bool WerteModel::isGrayCell(const QModelIndex &index) const
{
    if (!isStoredRow(index.row()) || !isNhfRow(index.row()))
        return false;
    if (m_inheritedColumns.contains(index.column()))
        return true;
    const QString name = columnNameAt(index.column());
    if (name != QLatin1String("DHNHF") && name != QLatin1String("STUTZENLISTE"))
        return false;
    return !(flags(index) & Qt::ItemIsEditable);
}

QVariant WerteModel::thumbnail(const QModelIndex &index) const
{
    const QString file = QStringLiteral("%1/Bild%2_scaled.png")
                             .arg(settings()->imagesPath)
                             .arg(data(index, Qt::EditRole).toInt());
    QPixmap picture;
    if (!QPixmapCache::find(file, &picture)) {
        if (!picture.load(file))
            return QVariant();
        picture = picture.scaledToHeight(kThumbnailHeight, Qt::SmoothTransformation);
        QPixmapCache::insert(file, picture);
    }
    return picture;
}

QVariant WerteModel::categoryPictures(const QModelIndex &index) const
{
    bool isNumber = false;
    const int category = QSqlQueryModel::data(index, Qt::EditRole).toInt(&isNumber);
    if (!isNumber)
        return QVariant();
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("select distinct BildId from Werte where Opt_Kat=%1 ORDER BY BildId;")
                        .arg(category)))
        return QVariant();
    QStringList pictures;
    while (query.next())
        pictures << query.value(0).toString();
    return pictures.join(QLatin1Char(','));
}

QStringList WerteModel::contextActions(const QModelIndex &index) const
{
    QStringList actions;
    if (isInCurrentGroup(index))
        actions << tr("Von der Gruppe entfernen") + QStringLiteral("#removeFromGroup");
    actions << tr("Kenndaten DUPLIZIEREN") + QStringLiteral("#datenDuplizieren#%1").arg(4)
            << tr("Kenndaten KOPIEREN") + QStringLiteral("#datenKopieren#%1").arg(1)
            << tr("Kenndaten LÖSCHEN") + QStringLiteral("#datenLoeschen#%1").arg(3);
    if (settings()->manufacturerMode)
        return actions;
    if (!isNhfRow(index.row()))
        actions << tr("Diese Kenndaten für eine NHF verwenden") + QStringLiteral("#ausDatenVererben");
    if (settings()->currentValueId > 0) {
        // "#" separates the fields of an entry.
        QString source = sourceName();
        source.replace(QLatin1Char('#'), QLatin1Char(' '));
        actions << tr("Auswahl der NHF") + QStringLiteral("#datenVererben##1#") + source;
    }
    return actions;
}

QVariant WerteModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const int row = index.row();
    const QString name = columnNameAt(index.column());
    const bool stored = isStoredRow(row);
    switch (role) {
    case Qt::DisplayRole:
        if (name == QLatin1String("XXXDINPLUS"))
            return dinplusFlag(row) ? QString(QChar(0x00D7)) : QString();
        break;
    case Qt::DecorationRole:
        if (name == QLatin1String("BILDID")) {
            const QVariant picture = thumbnail(index);
            if (picture.isValid())
                return picture;
        }
        break;
    case Qt::ToolTipRole:
        if (isSourceRow(row) && name != QLatin1String("BILDID"))
            return tr("Quelle für neue NHF-Kenndaten");
        if (name == QLatin1String("BILDID") && stored)
            return QStringLiteral("<html><img src='%1/Bild%2_scaled.png'></html>")
                .arg(settings()->imagesPath,
                     QSqlQueryModel::data(index, Qt::EditRole).toString());
        if (name == QLatin1String("OPT_KAT") && stored)
            return categoryPictures(index);
        if (index.column() == 2)
            return rowIdText(row);
        break;
    case Qt::BackgroundRole:
        if (isGrayCell(index))
            return QColor(Qt::lightGray);
        // The source of the next derivation; its texts keep their widths.
        if (isSourceRow(row))
            return kSourceRowColour;
        break;
    case Qt::SizeHintRole:
        if (name == QLatin1String("BILDID"))
            return QSize(80, kThumbnailHeight);
        break;
    case ContextActionsRole:
        if (stored)
            return contextActions(index);
        break;
    default:
        break;
    }
    return EditableSqlQueryModel::data(index, role);
}

QStringList WerteModel::mimeTypes() const
{
    return EditableSqlQueryModel::mimeTypes()
        << QStringLiteral("text/csv") << QStringLiteral("dbtable/id");
}

QMimeData *WerteModel::mimeData(const QModelIndexList &indexes) const
{
    QMimeData *mime = EditableSqlQueryModel::mimeData(indexes);
    if (!mime)
        mime = new QMimeData;
    QStringList ids;
    for (const QModelIndex &dragged : indexes)
        ids << rowIdText(dragged.row());
    mime->setData(QStringLiteral("text/csv"), ids.join(QLatin1Char('#')).toLatin1());
    return mime;
}

// ---------------------------------------------------------------- editing

QString WerteModel::handRecordsStatement() const
{
    const AppSettings *s = settings();
    if (!s->manufacturerMode)
        return QString();
    // A value set is handed on only with its appliance.
    return QStringLiteral("SELECT WerteId FROM Werte WHERE Geraet=%1 AND (coalesce(hand,0) OR "
                          "Geraet IN (SELECT TirmaId FROM Geraete WHERE coalesce(hand,0)))")
        .arg(s->currentApplianceId);
}

bool WerteModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || isKeyColumn(index))
        return false;
    // Every write path ends here: what the list shows read-only stays so.
    if (!isWritableCell(index))
        return false;
    if (hasNewRecordRow() && index.row() == storedRowCount())
        return insertFromNewRecordRow(index, value);
    return updateStoredRow(index, value, role);
}

bool WerteModel::insertFromNewRecordRow(const QModelIndex &index, const QVariant &value)
{
    if (value.isNull())
        return false;
    AppSettings *s = settings();
    WriteAction action(connectionName);
    QString error;
    const qint64 newId =
        s->findFreeId(QStringLiteral("Werte"), QStringLiteral("WerteId"), action.database(), &error);
    qDebug() << "Werte " << newId;
    if (newId < 0) {
        // A locked file or a missing id table is no full range.
        const QString full =
            tr("Für neue Kenndaten ist im Id-Bereich des Herstellers keine Id mehr frei.");
        if (!error.isEmpty() || action.isNested()) {
            // Part of a larger action (a drop): reported with it.
            action.noteFailure(error.isEmpty() ? full : error);
            return false;
        }
        action.finish();   // no transaction stays open behind the message box
        warn(full);
        return false;
    }
    QVariant insertedId;
    const bool inserted = action.run(
        QStringLiteral("INSERT INTO werte (%1, Geraet, ERFASSDAT, WerteId) VALUES ('%2',%3,'%4',%5)")
            .arg(columnName(index), doubleApostrophes(value.toString()),
                 QString::number(s->currentApplianceId), today(), QString::number(newId)),
        &insertedId);
    if (!action.finish() || !inserted)
        return false;
    noteInsertedRecord(index.row(), insertedId);
    refresh();
    emit valueSetsChanged();
    return true;
}

bool WerteModel::updateStoredRow(const QModelIndex &index, const QVariant &value, int role)
{
    // Read the id before the overlay takes the value.
    const QString id = rowIdText(index.row());
    if (!EditableSqlQueryModel::setData(index, value, role))
        return false;
    // The edit, its capture date and what passes on to the derived sets
    // reach the file together or not at all.
    WriteAction action(connectionName);
    const bool written = action.runOnRecord(QStringLiteral("UPDATE werte SET %1='%2' WHERE werteid=%3")
                                        .arg(columnName(index), doubleApostrophes(value.toString()), id));
    if (written) {
        stampCaptureDate(index, id, role);
        if (hasNhfRows(index.row()))
            passOnToDerivedSets(index, id.toLongLong(), value, role);
    }
    return keepOrUndoEdit(index, written, action.finish());
}

void WerteModel::stampCaptureDate(const QModelIndex &index, const QString &id, int role)
{
    if (!settings()->autoErfassdatum)
        return;
    const int dateColumn = fieldIndex(QStringLiteral("ERFASSDAT"));
    if (dateColumn < 0) {
        // Once a day is enough: clearing a whole row stamps it once.
        QSqlQuery stored(database());
        if (stored.exec(QStringLiteral("SELECT ERFASSDAT FROM Werte WHERE WerteId=%1").arg(id))
            && stored.next() && stored.value(0).toString() == today())
            return;
        stored.finish();
        runner().runJournaled(QStringLiteral("UPDATE Werte SET ERFASSDAT='%1' WHERE WerteId=%2")
                              .arg(today(), id));
    }
    else if (dateColumn != index.column())
        setData(this->index(index.row(), dateColumn), today(), role);
}

void WerteModel::passOnToDerivedSets(const QModelIndex &index, qint64 sourceId, const QVariant &value,
                                     int role)
{
    const QString column = columnName(index);
    if (column == QLatin1String("BEMERKUNG") || column == QLatin1String("BILDID"))
        return;
    if (isAttachmentColumn(column))
        passOnAttachmentColumn(index, value, role);
    else
        passOnPlainColumn(index, sourceId, value, role);
}

void WerteModel::passOnPlainColumn(const QModelIndex &index, qint64 sourceId, const QVariant &value,
                                   int role)
{
    if (!runner().runJournaled(QStringLiteral("UPDATE werte SET %1='%2' WHERE BEMERKUNGID=%3")
                                   .arg(columnName(index), doubleApostrophes(value.toString()),
                                        QString::number(sourceId))))
        return;
    showOverlayInRows(sourceId, index.column(), value, role, true);
}

void WerteModel::passOnAttachmentColumn(const QModelIndex &index, const QVariant &value, int role)
{
    const QString column = columnName(index);
    const auto &cache = settings()->aufsatzCache;
    const QList<QPair<qint64, qint64>> derived = m_nhfRows.value(index.row());
    for (const auto &entry : derived) {
        if (!cache.contains(entry.second))
            continue;
        const NhfAttachment attachment(cache.value(entry.second));
        if (attachment.fixesColumn(column))
            continue;
        const QString passed = attachment.passedOnValue(column, value);
        const QString sql = QStringLiteral("UPDATE Werte SET  %1='%2' WHERE WerteId=%3")
                                .arg(column, doubleApostrophes(passed), QString::number(entry.first));
        // A failure is reported with the whole edit; the next set is tried.
        if (runner().runJournaled(sql))
            showOverlayInRows(entry.first, index.column(), passed, role, false);
    }
}

// Shows a passed-on value in the listed rows of the derived set id (or, with
// bySource, of every set derived from id) until the next refresh.
void WerteModel::showOverlayInRows(qint64 id, int column, const QVariant &value, int role, bool bySource)
{
    for (int row = 0; row < storedRowCount(); ++row) {
        const qint64 key = bySource ? getBemerkungId(row) : rowId(row);
        if (key == id)
            EditableSqlQueryModel::setData(index(row, column), value, role);
    }
}

// ---------------------------------------------------------------- context actions

void WerteModel::datenKopieren(QList<int> rows)
{
    QStringList ids;
    for (int row : rows) {
        if (isStoredRow(row))
            ids << rowIdText(row);
    }
    settings()->copiedValueSets = ids.join(QLatin1Char('#'));
}

void WerteModel::datenDuplizieren(QList<int> rows)
{
    BusyCursor busy;
    AppSettings *s = settings();
    QList<qint64> ids;
    for (int row : rows) {
        if (isStoredRow(row))
            ids << rowId(row);
    }
    WriteAction action(connectionName);
    // One search for all new ids: each search reads the whole value table.
    const IdAllocation allocation = s->idAllocation();
    QString error;
    const QList<qint64> newIds = allocation.findFreeIds(
        QStringLiteral("Werte"), QStringLiteral("WerteId"), action.database(), ids.size(), &error);
    int used = 0;
    for (const qint64 id : qAsConst(ids)) {
        if (used == newIds.size()) {
            action.noteFailure(error.isEmpty() ? WriteAction::rangeFullText() : error);
            break;
        }
        // An id stays free for the next set when its copy did not happen.
        const qint64 copy = newIds.at(used);
        if (!allocation.copyRecordAs(QStringLiteral("Werte"), QStringLiteral("WerteId"), id, copy,
                                     action.database()))
            continue;
        ++used;
        action.run(QStringLiteral("UPDATE Werte SET ERFASSDAT='%1' WHERE WerteId=%2")
                       .arg(today(), QString::number(copy)));
    }
    action.finish();
    refresh();
    emit valueSetsChanged();
}

void WerteModel::datenLoeschen(QList<int> rows)
{
    BusyCursor busy;
    QList<qint64> ids;
    for (int row : rows) {
        if (isStoredRow(row))
            ids << rowId(row);
    }
    if (ids.isEmpty())
        return;
    // Group rows and derived sets go with the sets, in the same action.
    WriteAction action(connectionName);
    const QList<qint64> present = ValueSetDeletion::presentIds(action, ids);
    if (present.size() < ids.size())
        action.noteFailure(tr("Änderung nicht gespeichert: Datensatz nicht mehr vorhanden"));
    if (!present.isEmpty())
        ValueSetDeletion::deleteIds(action, present);
    action.finish();
    refresh();
    emit valueSetsChanged();
}

void WerteModel::ausDatenVererben(QList<int> rows)
{
    if (rows.isEmpty() || !isStoredRow(rows.first()))
        return;
    const qint64 before = settings()->currentValueId;
    settings()->currentValueId = rowId(rows.first());
    repaintRowOf(before);
    repaintRowOf(settings()->currentValueId);
}

void WerteModel::repaintRowOf(qint64 id)
{
    const int row = id > 0 ? rowOfRecord(id) : -1;
    if (row >= 0 && columnCount() > 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void WerteModel::datenVererben(QList<int> rows)
{
    AppSettings *s = settings();
    const qint64 sourceId = s->currentValueId;
    const qint64 attachmentId = s->currentAttachmentId;
    if (sourceId < 1 || rows.isEmpty())
        return;
    QSqlQuery source(database());
    if (!source.exec(QStringLiteral("SELECT * FROM Werte WHERE WerteId=%1").arg(sourceId)))
        return;
    if (!s->aufsatzCache.contains(attachmentId) || !source.next())
        return;
    const qint64 targetId = isStoredRow(rows.first()) ? rowId(rows.first()) : 0;
    // A set derived from itself would feed every edit back into itself.
    if (targetId <= 0 || targetId == sourceId)
        return;
    const QSqlRecord record = source.record();
    source.finish();
    if (!mayOverwrite(targetId, record))
        return;
    BusyCursor busy;
    WriteAction action(connectionName);
    copySourceColumns(action, record, sourceId, targetId);
    const NhfAttachment attachment(s->aufsatzCache.value(attachmentId));
    const QString sql = attachment.derivationStatement(
        record.value(QStringLiteral("TW")).toDouble(), record.value(QStringLiteral("PW")).toDouble(),
        record.value(QStringLiteral("QN")).toDouble(), sourceId, attachmentId, targetId);
    const bool derived = action.run(sql);
    const QString error = action.lastError();
    action.finish();
    refresh();
    if (!derived)
        warn(sql + QLatin1Char('\n') + error);
}

// A target that holds values of its own is overwritten only when the user
// says so; the question comes before any write, with nothing held open.
bool WerteModel::mayOverwrite(qint64 targetId, const QSqlRecord &source)
{
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT * FROM Werte WHERE WerteId=%1").arg(targetId))
        || !query.next())
        return true;
    const QSqlRecord target = query.record();
    query.finish();
    if (!holdsDerivableValues(target))
        return true;
    const QString question =
        tr("Die Kenndaten \"%1\" (%2) enthalten bereits Werte.\n"
           "Sollen sie mit den Werten der Quelle \"%3\" (%4) und der NHF \"%5\" "
           "überschrieben werden?")
            .arg(target.value(QStringLiteral("Bemerkung")).toString().simplified(),
                 QString::number(targetId),
                 source.value(QStringLiteral("Bemerkung")).toString().simplified(),
                 source.value(QStringLiteral("WerteId")).toString(),
                 settings()->aufsatzCache.value(settings()->currentAttachmentId)
                     .value(QStringLiteral("Bezeichnung")).toString().simplified());
    return UserInteraction::current()->confirm(tr("NHF ableiten"), question);
}

// One statement that copies inside SQLite: blobs, texts that are no valid
// UTF-8, line ends and numbers without an exact text (infinity) arrive as
// the source holds them, and an empty source cell stays NULL. The journal
// line reads the source the same way when it is replayed.
void WerteModel::copySourceColumns(WriteAction &action, const QSqlRecord &source, qint64 sourceId,
                                   qint64 targetId)
{
    QStringList assignments;
    for (int i = 0; i < source.count(); ++i) {
        const QString name = source.fieldName(i);
        if (isCopiedFromSource(name))
            assignments << QStringLiteral("%1=(SELECT %1 FROM Werte WHERE WerteId=%2)")
                               .arg(name, QString::number(sourceId));
    }
    if (!assignments.isEmpty())
        action.run(QStringLiteral("UPDATE Werte SET %1 WHERE WerteId=%2")
                       .arg(assignments.join(QLatin1Char(',')), QString::number(targetId)));
}

void WerteModel::removeFromGroup(QList<int> rows)
{
    for (int row : rows) {
        const QString id = rowIdText(row);
        if (id.isEmpty())
            continue;
        QStringList members = currentGroup.split(QLatin1Char('#'));
        members.removeAll(id);
        currentGroup = members.join(QLatin1Char('#'));
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    emit currentGroupChangedTo(currentGroup);
}

bool WerteModel::indexClicked(const QModelIndex &index, QAbstractItemView *view)
{
    if (index.isValid() && columnName(index) == QLatin1String("BILDID") && !isNhfRow(index.row())) {
        openPictureChooser(index, view);
        return true;
    }
    return EditableSqlQueryModel::indexClicked(index, view);
}

void WerteModel::openPictureChooser(const QModelIndex &index, QAbstractItemView *view)
{
    UserInteraction::current()->choosePicture(index, this, view, settings()->imagesPath);
}

// ---------------------------------------------------------------- DINplus

void WerteModel::setDinplusAll(bool flag)
{
    const int rows = rowCount();
    QList<qint64> ids;
    for (int row = 0; row < rows; ++row) {
        if (isStoredRow(row))
            ids << rowId(row);
    }
    const QString mark = flag ? QStringLiteral("1") : QStringLiteral("0");
    WriteAction action(connectionName);
    bool stored = true;
    // By key, the whole list at once; sets that hold the mark already stay.
    for (const QString &chunk : idListChunks(ids))
        stored = action.run(QStringLiteral("UPDATE werte SET dinplus=%1 WHERE werteid IN (%2) AND "
                                           "NOT (typeof(dinplus)='integer' AND dinplus=%1)")
                                .arg(mark, chunk))
            && stored;
    if (!action.finish() || !stored) {
        refresh();   // shows the stored marks again
        return;
    }
    for (int row = 0; row < rows; ++row)
        m_dinplus.insert(row, flag);
    const int column = fieldIndex(QStringLiteral("XXXDINPLUS"));
    if (column >= 0 && rows > 0)
        emit dataChanged(index(0, column), index(rows - 1, column));
}

bool WerteModel::isDinplusAll() const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (!dinplusFlag(row))
            return false;
    }
    return true;
}

bool WerteModel::isDinplusAny() const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (dinplusFlag(row))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- helpers

QString WerteModel::today()
{
    return StatementRunner::today();
}

void WerteModel::warn(const QString &text)
{
    UserInteraction::current()->warn(tr("Fehler"), text);
}
