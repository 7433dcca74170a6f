#include "editablesqlquerymodel.h"

#include "appsettings.h"
#include "busycursor.h"
#include "dbconnections.h"
#include "queryfailurekeeper.h"
#include "sqltext.h"
#include "statementrunner.h"
#include "writeaction.h"

#include <QColor>
#include <QDataStream>
#include <QFont>
#include <QMimeData>
#include <QRegularExpression>
#include <QSize>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString kPlainTextMime = QStringLiteral("text/plain");
// The table of the list a drag came from, as Latin-1 text.
const QString kSourceTableMime = QStringLiteral("application/x-kolvex-table");

// Column part of a statement: everything between the first "SELECT " and the
// last " FROM" of the upper-cased text. Null when the statement has none.
QString columnPart(const QString &upperSql)
{
    static const QRegularExpression re(QStringLiteral("SELECT (.*) FROM"),
                                       QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(upperSql);
    return m.hasMatch() ? m.captured(1) : QString();
}

// Tables named right after the first FROM; a blank ends the list.
QStringList fromTables(const QString &upperSql)
{
    static const QRegularExpression re(QStringLiteral("FROM ([\\w,]+)"));
    const QRegularExpressionMatch m = re.match(upperSql);
    if (!m.hasMatch())
        return {};
    return m.captured(1).split(QLatin1Char(','), Qt::KeepEmptyParts);
}

bool containsNoCase(const QStringList &list, const QString &text)
{
    return list.contains(text, Qt::CaseInsensitive);
}

// Decodes a "text/plain" payload written by mimeData: a 32-bit count and that
// many texts. Anything else (plain text from another program) yields false,
// without trusting the count it happens to start with.
bool decodeTextList(const QByteArray &bytes, QStringList &texts)
{
    QDataStream in(bytes);
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok)
        return false;
    // Every serialised text takes at least its 32-bit length.
    if (count > quint32((bytes.size() - 4) / 4))
        return false;
    texts.clear();
    for (quint32 i = 0; i < count; ++i) {
        QString text;
        in >> text;
        if (in.status() != QDataStream::Ok)
            return false;
        texts << text;
    }
    return in.atEnd();
}

} // namespace

EditableSqlQueryModel::EditableSqlQueryModel(QObject *parent)
    : QSqlQueryModel(parent)
{
    // The table views call the context-action slots by name with the rows.
    qRegisterMetaType<QList<int>>("QList<int>");
}

qint64 EditableSqlQueryModel::rowId(int row) const
{
    return data(index(row, 0), Qt::EditRole).toLongLong();
}

QList<qint64> EditableSqlQueryModel::rowIds(const QList<int> &rows) const
{
    QList<qint64> ids;
    for (int row : rows)
        ids << rowId(row);
    return ids;
}

void EditableSqlQueryModel::duplicateRecords(const QList<int> &rows, const QString &table,
                                             const QString &keyColumn)
{
    BusyCursor busy;
    const QList<qint64> ids = rowIds(rows);
    WriteAction action(connectionName);
    const StatementRunner sql = runner();
    for (const qint64 id : ids)
        AppSettings::instance()->copyRecord(table, keyColumn, id, sql.database());
    action.finish();
    refresh();
}

void EditableSqlQueryModel::deleteRecords(const QList<int> &rows, const QString &table,
                                          const QString &keyColumn)
{
    BusyCursor busy;
    const QList<qint64> ids = rowIds(rows);
    WriteAction action(connectionName);
    const StatementRunner sql = runner();
    for (qint64 id : ids)
        sql.runJournaled(
            QStringLiteral("DELETE FROM %1 WHERE %2=%3").arg(table, keyColumn, QString::number(id)));
    action.finish();
    refresh();
}

StatementRunner EditableSqlQueryModel::runner() const
{
    return StatementRunner(connectionName);
}

bool EditableSqlQueryModel::isKeyColumn(const QModelIndex &index)
{
    return index.column() == 0;
}

bool EditableSqlQueryModel::updateStoredCell(const QModelIndex &index, const QVariant &value,
                                             int role, const QString &updateTemplate)
{
    if (isKeyColumn(index))
        return false;
    const QString id = QString::number(rowId(index.row()));
    if (!EditableSqlQueryModel::setData(index, value, role))
        return false;
    WriteAction action(connectionName);
    const bool written = action.runOnRecord(
        updateTemplate.arg(columnName(index), doubleApostrophes(value.toString()), id));
    return keepOrUndoEdit(index, written, action.finish());
}

bool EditableSqlQueryModel::keepOrUndoEdit(const QModelIndex &index, bool written, bool kept)
{
    if (!written)
        dropEdit(index);
    else if (!kept)
        refresh();   // the whole action was rolled back
    return written && kept;
}

void EditableSqlQueryModel::dropEdit(const QModelIndex &index)
{
    if (pendingEdits.remove(qMakePair(index.row(), index.column())) > 0)
        emit dataChanged(index, index);
}

bool EditableSqlQueryModel::insertNewRecord(const QModelIndex &index,
                                            const QString &insertStatement)
{
    WriteAction action(connectionName);
    QVariant insertedId;
    const bool inserted = action.run(insertStatement, &insertedId);
    const bool kept = action.finish();
    if (inserted && kept)
        noteInsertedRecord(index.row(), insertedId);
    refresh();
    return inserted && kept;
}

void EditableSqlQueryModel::noteInsertedRecord(int row, const QVariant &id)
{
    EditableSqlQueryModel::setData(index(row, 0), id, Qt::EditRole);
    m_keptId = id.toLongLong();
    m_keptOutsideFilter = false;
    m_announceInserted = m_keptId > 0;
}

QString EditableSqlQueryModel::statementKeeping(const QString &sql, const QString &keyColumn,
                                                qint64 id)
{
    // The outer condition runs from the first WHERE to the last ORDER BY;
    // sub-selects sit inside it and stay whole.
    static const QRegularExpression where(QStringLiteral("\\bWHERE\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression orderBy(QStringLiteral("\\bORDER\\s+BY\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch first = where.match(sql);
    if (!first.hasMatch() || keyColumn.isEmpty())
        return QString();
    int end = sql.size();
    for (auto it = orderBy.globalMatch(sql, first.capturedEnd()); it.hasNext();)
        end = it.next().capturedStart();
    const QString condition = sql.mid(first.capturedEnd(), end - first.capturedEnd()).trimmed();
    return QStringLiteral("%1 (%2) OR %3=%4 %5")
        .arg(sql.left(first.capturedEnd()), condition, keyColumn, QString::number(id),
             sql.mid(end))
        .trimmed();
}

bool EditableSqlQueryModel::isKeptOutsideFilter(int row) const
{
    return m_keptOutsideFilter && row >= 0 && row < recordCount() && rowId(row) == m_keptId;
}

// The list's own statement has run: a kept record it no longer lists is
// read once more beside it.
void EditableSqlQueryModel::keepRecordInSight()
{
    m_keptOutsideFilter = false;
    if (m_keptId <= 0 || rowOfRecord(m_keptId) >= 0)
        return;
    const QString keeping = statementKeeping(queryText, columnNames.value(0), m_keptId);
    if (keeping.isEmpty())
        return;
    QSqlQueryModel::setQuery(keeping, QSqlDatabase::database(connectionName, true));
    fetchAllRows();
    if (rowOfRecord(m_keptId) >= 0) {
        m_keptOutsideFilter = true;
        return;
    }
    // Gone from the file, or the statement failed: the list as it is.
    QSqlQueryModel::setQuery(queryText, QSqlDatabase::database(connectionName, true));
    fetchAllRows();
}

qlonglong EditableSqlQueryModel::nextRecordId(const QString &table, const QString &keyColumn) const
{
    QSqlQuery query(QSqlDatabase::database(connectionName, true));
    if (!query.exec(QStringLiteral("SELECT coalesce(max(%2),0)+1 FROM %1").arg(table, keyColumn))
        || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

bool EditableSqlQueryModel::isClearableCell(const QModelIndex &index) const
{
    if (!index.isValid() || isKeyColumn(index) || isNewRecordRow(index.row()))
        return false;
    static const QStringList kIdColumns{QStringLiteral("WERTEID"),      QStringLiteral("GERAET"),
                                        QStringLiteral("TIRMAID"),      QStringLiteral("HRSTID"),
                                        QStringLiteral("BEMERKUNGID"),  QStringLiteral("AUSATZRINGEID")};
    if (kIdColumns.contains(columnName(index)))
        return false;
    return isBoolColumn(index) || (flags(index) & Qt::ItemIsEditable);
}

bool EditableSqlQueryModel::isSameValue(const QVariant &value, const QVariant &stored)
{
    const bool emptyValue = value.isNull() || value.toString().isEmpty();
    const bool emptyStored = stored.isNull() || stored.toString().isEmpty();
    if (emptyValue || emptyStored)
        return emptyValue == emptyStored;
    return value == stored;
}

bool EditableSqlQueryModel::flagValue(const QVariant &stored)
{
    const QString text = stored.toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return stored.toDouble() != 0.0;
}

QString EditableSqlQueryModel::sourceTable() const
{
    return fromTables(queryText.toUpper()).value(0);
}

bool EditableSqlQueryModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int row,
                                            int column, const QModelIndex &parent) const
{
    if (data && data->hasFormat(kSourceTableMime)
        && QString::fromLatin1(data->data(kSourceTableMime)) != sourceTable())
        return false;
    return QSqlQueryModel::canDropMimeData(data, action, row, column, parent);
}

int EditableSqlQueryModel::rowOfRecord(qint64 id, int hint) const
{
    if (hint >= 0 && hint < recordCount() && rowId(hint) == id)
        return hint;
    for (int row = 0; row < recordCount(); ++row) {
        if (rowId(row) == id)
            return row;
    }
    return -1;
}

void EditableSqlQueryModel::setQuery(const QString &sql, const QSqlDatabase &db)
{
    AppSettings *settings = AppSettings::instance();
    settings->queryFailed = false;
    // The statement runs once: the list, its column kinds and, under a
    // general filter, the test whether the user's condition is valid all
    // come from this one result. A failed filter keeps the rows shown.
    QSqlQuery result(db);
    const bool executed = result.exec(sql);
    if (!executed && !settings->allFilter.isEmpty()) {
        settings->queryFailed = true;
        settings->failedQuery = sql;
        settings->failedQueryReason = QueryFailureKeeper::reasonOf(result.lastError());
        return;
    }

    queryText = sql;
    connectionName = db.connectionName();
    pendingEdits.clear();
    m_keptId = -1;
    m_keptOutsideFilter = false;

    const QString columns = columnPart(sql.toUpper());
    if (!columns.isNull()) {
        const QString heldColumns = columnPart(query().lastQuery().toUpper());
        if (heldColumns.isNull() || heldColumns != columns)
            learnColumnKinds(sql, executed ? result.record() : QSqlRecord(), db);
    }

    readOnlyDatabase = isReadOnlyConnection(db);
    QSqlQueryModel::setQuery(result);
    fetchAllRows();
    readHandRecords();
}

void EditableSqlQueryModel::readHandRecords()
{
    m_handRecords.clear();
    const QString sql = handRecordsStatement();
    if (sql.isEmpty())
        return;
    QSqlQuery query(QSqlDatabase::database(connectionName, true));
    query.setForwardOnly(true);
    // A file without the column has no hand records.
    if (!query.exec(sql))
        return;
    while (query.next())
        m_handRecords.insert(query.value(0).toLongLong());
}

bool EditableSqlQueryModel::isHandRecordRow(int row) const
{
    return !m_handRecords.isEmpty() && row >= 0 && row < recordCount()
           && m_handRecords.contains(rowId(row));
}

void EditableSqlQueryModel::learnColumnKinds(const QString &sql, const QSqlRecord &record,
                                              const QSqlDatabase &db)
{
    columnNames.clear();
    boolColumns.clear();
    numericColumns.clear();
    referenceColumns.clear();
    referenceTexts.clear();

    for (int i = 0; i < record.count(); ++i)
        columnNames << record.fieldName(i).toUpper();

    const QStringList tables = fromTables(sql.toUpper());
    if (tables.isEmpty())
        return;

    QStringList createStatements;
    {
        QSqlQuery master(db);
        master.setForwardOnly(true);
        if (!master.exec(QStringLiteral("SELECT * from sqlite_master")))
            return;
        while (master.next()) {
            if (master.value(0).toString() == QLatin1String("table")
                && containsNoCase(tables, master.value(1).toString()))
                createStatements << master.value(4).toString();
        }
    }
    for (const QString &create : createStatements)
        learnTableColumns(create, db);
}

void EditableSqlQueryModel::learnTableColumns(const QString &createStatement,
                                              const QSqlDatabase &db)
{
    static const QRegularExpression body(QStringLiteral("\\((.+)\\)"),
                                         QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = body.match(createStatement);
    if (!m.hasMatch())
        return;

    const QStringList declarations = m.captured(1).split(QLatin1Char(','));
    for (const QString &declaration : declarations) {
        const QStringList words = declaration.simplified().split(QLatin1Char(' '));
        const QString name = words.value(0).trimmed().toUpper();
        const QString type = words.value(1).trimmed().toUpper();
        const QString rest = words.mid(2).join(QLatin1Char(' ')).trimmed().toUpper();

        if (type.startsWith(QLatin1String("BOOL"))) {
            boolColumns << name;
        } else if (type.startsWith(QLatin1String("NUM")) || type.startsWith(QLatin1String("INT"))) {
            QMap<qint64, QString> texts;
            if (rest.startsWith(QLatin1String("REFERENCES"))) {
                const QString target = rest.split(QLatin1Char(' ')).value(1).trimmed().toUpper();
                if (!target.isEmpty()) {
                    QSqlQuery referenced(db);
                    referenced.setForwardOnly(true);
                    if (referenced.exec(QStringLiteral("SELECT * from %1").arg(target))) {
                        while (referenced.next())
                            texts.insert(referenced.value(0).toLongLong(),
                                         referenced.value(1).toString());
                    }
                }
            }
            if (texts.isEmpty()) {
                numericColumns << name;
            } else {
                referenceColumns << name;
                referenceTexts.insert(name, texts);
            }
        } else if (type.startsWith(QLatin1String("REAL"))) {
            numericColumns << name;
        }
    }
}

void EditableSqlQueryModel::fetchAllRows()
{
    while (canFetchMore())
        fetchMore();
}

QMap<qint64, QString> EditableSqlQueryModel::referenceTextsFor(const QString &column) const
{
    return referenceTexts.value(column.toUpper());
}

int EditableSqlQueryModel::recordCount() const
{
    return QSqlQueryModel::rowCount();
}

bool EditableSqlQueryModel::isNewRecordRow(int row) const
{
    return row >= recordCount() && row < rowCount();
}

void EditableSqlQueryModel::refresh()
{
    pendingEdits.clear();
    if (queryText.isEmpty())
        return;
    QSqlQueryModel::setQuery(queryText, QSqlDatabase::database(connectionName, true));
    fetchAllRows();
    keepRecordInSight();
    readHandRecords();
    if (m_announceInserted) {
        m_announceInserted = false;
        if (rowOfRecord(m_keptId) >= 0)
            emit recordInserted(m_keptId);
    }
}

void EditableSqlQueryModel::setCurrentGroup(const QString &group)
{
    currentGroup = group;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {});
}

bool EditableSqlQueryModel::isInCurrentGroup(const QModelIndex &) const
{
    return false;
}

int EditableSqlQueryModel::fieldIndex(const QString &name) const
{
    return columnNames.indexOf(name.toUpper());
}

bool EditableSqlQueryModel::columnIn(const QModelIndex &index, const QStringList &kind) const
{
    if (!index.isValid() || index.column() >= columnNames.size())
        return false;
    return kind.contains(columnNames.at(index.column()));
}

bool EditableSqlQueryModel::isNumericColumn(const QModelIndex &index) const
{
    return columnIn(index, numericColumns);
}

bool EditableSqlQueryModel::isBoolColumn(const QModelIndex &index) const
{
    return columnIn(index, boolColumns);
}

bool EditableSqlQueryModel::isReferenceColumn(const QModelIndex &index) const
{
    return columnIn(index, referenceColumns);
}

QString EditableSqlQueryModel::columnName(const QModelIndex &index) const
{
    if (!index.isValid())
        return QString();
    return columnNames.value(index.column());
}

bool EditableSqlQueryModel::indexClicked(const QModelIndex &index, QAbstractItemView *)
{
    if (!isBoolColumn(index))
        return false;
    // 'true' from an older form is set too: the click clears it.
    const int v = flagValue(data(index, Qt::EditRole)) ? 1 : 0;
    setData(index, (v + 1) % 2, Qt::EditRole);
    return true;
}

int EditableSqlQueryModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return recordCount() + (offersNewRecordRow() ? 1 : 0);
}

QVariant EditableSqlQueryModel::headerData(int section, Qt::Orientation orientation,
                                           int role) const
{
    if (orientation == Qt::Vertical && role == Qt::DisplayRole) {
        if (rowCount() == 0)
            return QString();
        if (isNewRecordRow(section))
            return QStringLiteral("*");
    }
    return QSqlQueryModel::headerData(section, orientation, role);
}

Qt::ItemFlags EditableSqlQueryModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!isNewRecordRow(index.row()))
        f |= Qt::ItemIsDragEnabled;
    // The record key is shown, never edited in place: the rows of other
    // tables that point to the record would be left behind.
    if (isHandRecordRow(index.row()))
        return f;
    if (isBoolColumn(index) || (index.isValid() && isKeyColumn(index)))
        f |= Qt::ItemIsDropEnabled;
    else
        f |= Qt::ItemIsEditable | Qt::ItemIsDropEnabled;
    return f;
}

bool EditableSqlQueryModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || isSameValue(value, data(index, role)))
        return false;
    pendingEdits.insert(qMakePair(index.row(), index.column()), value);
    emit dataChanged(index, index);
    return true;
}

QVariant EditableSqlQueryModel::data(const QModelIndex &item, int role) const
{
    if (!item.isValid())
        return QVariant();
    QVariant v = isNewRecordRow(item.row()) ? QVariant() : QSqlQueryModel::data(item, role);
    const QPair<int, int> cell(item.row(), item.column());

    switch (role) {
    case Qt::DisplayRole: {
        const auto edited = pendingEdits.constFind(cell);
        if (edited != pendingEdits.constEnd())
            v = edited.value();
        if (isBoolColumn(item))
            return flagValue(v) ? QStringLiteral("\u00D7") : QString();
        if (isReferenceColumn(item) && v.isValid())
            return referenceTexts.value(columnName(item)).value(v.toLongLong());
        if (isNumericColumn(item) && v.toDouble() == 0.0)
            return QString();
        return v;
    }
    case Qt::EditRole:
        return pendingEdits.value(cell, v);
    case Qt::FontRole:
        if (isBoolColumn(item))
            return QFont(QStringLiteral("Sans"), 14);
        return v;
    case Qt::TextAlignmentRole:
        if (isBoolColumn(item))
            return int(Qt::AlignHCenter | Qt::AlignVCenter);
        if (isNumericColumn(item))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return v;
    case Qt::BackgroundRole:
        if (isInCurrentGroup(item))
            return QColor(200, 200, 0, 122);
        return v;
    case Qt::ForegroundRole:
        if (isKeptOutsideFilter(item.row()) || isHandRecordRow(item.row()))
            return QColor(Qt::gray);
        if (isBoolColumn(item))
            return QColor(Qt::darkGreen);
        return v;
    case Qt::SizeHintRole:
        if (isNumericColumn(item))
            return QSize(60, 0);
        return v;
    case Qt::ToolTipRole:
        if (isHandRecordRow(item.row()))
            return tr("Von Hand in der Hauptdatenbank gepflegt: wird weder an den Hersteller "
                      "übergeben noch von ihm übernommen, daher hier nicht änderbar.");
        if (isKeptOutsideFilter(item.row()))
            return tr("Neu angelegt; passt nicht zum Filter und bleibt sichtbar, bis der "
                      "Filter wechselt.");
        return v;
    case GroupMemberRole:
        return isInCurrentGroup(item) ? 1 : 0;
    default:
        return v;
    }
}

QStringList EditableSqlQueryModel::mimeTypes() const
{
    return {kPlainTextMime};
}

QMimeData *EditableSqlQueryModel::mimeData(const QModelIndexList &indexes) const
{
    QStringList texts;
    for (const QModelIndex &index : indexes)
        texts << data(index, Qt::EditRole).toString();
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << texts;
    }
    auto *mime = new QMimeData;
    mime->setData(kPlainTextMime, bytes);
    mime->setData(kSourceTableMime, sourceTable().toLatin1());
    return mime;
}

bool EditableSqlQueryModel::dropMimeData(const QMimeData *data, Qt::DropAction, int, int,
                                         const QModelIndex &parent)
{
    if (!data || !data->hasFormat(kPlainTextMime))
        return false;
    // Cells of another table's list (value sets onto appliances) would be
    // written into columns of this table under their names.
    if (!canDropMimeData(data, Qt::CopyAction, -1, -1, parent))
        return false;
    QStringList texts;
    if (!decodeTextList(data->data(kPlainTextMime), texts))
        return false;
    // The records under the drop are taken before the first write: a write
    // may re-sort the list (a manufacturer's name), and every value must
    // still land on the record it was dropped on.
    const int column = parent.column();
    struct Target
    {
        int row;
        qint64 id;
        bool newRecord;
        QString text;
    };
    QList<Target> targets;
    for (int i = 0; i < texts.size(); ++i) {
        const QModelIndex target = i == 0 ? parent : index(parent.row() + i, column);
        if (!target.isValid())
            continue;
        const bool newRecord = isNewRecordRow(target.row());
        targets << Target{target.row(), newRecord ? 0 : rowId(target.row()), newRecord,
                          texts.at(i)};
    }
    if (targets.isEmpty())
        return true;
    WriteAction action(connectionName);
    for (const Target &target : qAsConst(targets)) {
        const int row = target.newRecord ? rowCount() - 1 : rowOfRecord(target.id, target.row);
        if (row < 0 || (target.newRecord && !isNewRecordRow(row)))
            continue;
        setData(index(row, column), target.text, Qt::EditRole);
    }
    if (!action.finish())
        refresh();
    return true;
}
