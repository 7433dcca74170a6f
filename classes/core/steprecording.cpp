#include "steprecording.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSqlQuery>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("StepRecording", text);
}

} // namespace

StepRecording::StepRecording(std::function<void(UndoStep)> committed)
    : m_committed(std::move(committed))
{
}

QString StepRecording::defaultName(WriteStatement::Kind kind, const QString &table)
{
    const QString t = table.toLower();
    QString what;
    if (t == QLatin1String("gruppen"))
        return tr("Gruppe ändern");
    if (t == QLatin1String("geraete"))
        what = tr("Feuerstätte");
    else if (t == QLatin1String("werte"))
        what = tr("Kenndaten");
    else if (t == QLatin1String("hersteller"))
        what = tr("Hersteller");
    else if (t == QLatin1String("gkostand"))
        what = tr("Feuerraum");
    else if (t == QLatin1String("baustoffe"))
        what = tr("Baustoff");
    else
        return tr("Änderung");
    if (kind == WriteStatement::Insert)
        return tr("%1 einfügen").arg(what);
    if (kind == WriteStatement::Delete)
        return tr("%1 löschen").arg(what);
    return tr("%1 ändern").arg(what);
}

void StepRecording::giveUp(const QString &reason)
{
    if (m_step.isUndoable())
        m_step.notUndoableReason = reason;
    m_step.tables.clear();
    m_tableIndex.clear();
}

bool StepRecording::isTemporary(QSqlDatabase db, const QString &table)
{
    // Asked once per table and action: a bulk action names the same few
    // tables in hundreds of statements.
    const QString key = table.toLower();
    const auto known = m_temporary.constFind(key);
    if (known != m_temporary.constEnd())
        return known.value();
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT 1 FROM sqlite_temp_master WHERE type='table' AND name=? COLLATE NOCASE"));
    query.addBindValue(table);
    const bool temporary = query.exec() && query.next();
    m_temporary.insert(key, temporary);
    return temporary;
}

UndoStep::Table *StepRecording::tableFor(QSqlDatabase db, const QString &name, bool journaled)
{
    const QString key = name.toLower();
    auto found = m_tableIndex.constFind(key);
    if (found != m_tableIndex.constEnd()) {
        UndoStep::Table &table = m_step.tables[found.value()];
        if (table.journaled != journaled) {
            giveUp(tr("Die Tabelle %1 wurde teils mit, teils ohne Protokoll geändert.").arg(name));
            return nullptr;
        }
        return &table;
    }
    UndoStep::Table table;
    table.name = name;
    table.journaled = journaled;
    StoredRows shape;
    QString error;
    if (!shape.readWhere(db, name, QStringLiteral("0"), &error)) {
        giveUp(error);
        return nullptr;
    }
    // The images are told apart by the row id; a column of that name
    // would stand in for it in every statement that reads them.
    for (const char *rowidName : {"rowid", "oid", "_rowid_"}) {
        if (shape.columns.contains(QLatin1String(rowidName), Qt::CaseInsensitive)) {
            giveUp(tr("Die Tabelle %1 hat eine Spalte namens %2.").arg(name, QLatin1String(rowidName)));
            return nullptr;
        }
    }
    table.columns = shape.columns;
    QSqlQuery info(db);
    int keys = 0;
    if (info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(name))) {
        while (info.next()) {
            if (info.value(5).toInt() > 0) {
                ++keys;
                if (info.value(2).toString().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                    table.keyColumn = table.columns.indexOf(info.value(1).toString());
            }
        }
    }
    if (keys != 1)
        table.keyColumn = -1;
    // An INTEGER PRIMARY KEY is the row id itself unless SQLite keeps an
    // index for it (declared DESC, or a table without row ids).
    bool keyIsRowid = table.keyColumn >= 0;
    if (keyIsRowid && info.exec(QStringLiteral("PRAGMA index_list(%1)").arg(name))) {
        while (info.next()) {
            if (info.value(3).toString() == QLatin1String("pk"))
                keyIsRowid = false;
        }
    }
    if (keyIsRowid)
        m_rowidKeyTables.insert(key);
    // The journal is replayed on another copy; its rows must be found by a
    // key of their own, not by the copy's hidden row ids.
    if (journaled && table.keyColumn < 0) {
        giveUp(tr("Die Tabelle %1 hat keinen ganzzahligen Schlüssel.").arg(name));
        return nullptr;
    }
    // A table the action starts by updating some columns keeps only those
    // in its images (a quality-mark switch writes one column of 200,000
    // sets); a later statement that needs more completes them.
    const QStringList some = columnsOfUpdate(table.columns, table.keyColumn);
    if (!some.isEmpty()) {
        table.keyColumn = some.indexOf(table.columns.at(table.keyColumn));
        table.columns = some;
        table.wholeRows = false;
    }
    m_tableIndex.insert(key, m_step.tables.size());
    m_step.tables << table;
    return &m_step.tables.last();
}

void StepRecording::touch(UndoStep::Table &table, qint64 id, const UndoStep::Image &before)
{
    if (table.before.contains(id))
        return;   // the step keeps what the row held before its first change
    table.before.insert(id, before);
    table.after.insert(id, UndoStep::Image());
    table.order << id;
}

QStringList StepRecording::columnsOfUpdate(const QStringList &columns, int keyColumn) const
{
    if (m_pending.kind != WriteStatement::Update || keyColumn < 0)
        return QStringList();
    const QStringList assigned = m_pending.assignedColumns();
    if (assigned.isEmpty())
        return QStringList();
    QSet<int> wanted{keyColumn};
    for (const QString &column : assigned) {
        int position = -1;
        for (int i = 0; i < columns.size() && position < 0; ++i) {
            if (columns.at(i).compare(column, Qt::CaseInsensitive) == 0)
                position = i;
        }
        if (position < 0)
            return QStringList();
        wanted.insert(position);
    }
    QStringList some;
    for (int i = 0; i < columns.size(); ++i) {
        if (wanted.contains(i))
            some << columns.at(i);
    }
    return some;
}

bool StepRecording::fitsImages(const UndoStep::Table &table) const
{
    // An update fits when every column it sets is one the images hold.
    return table.wholeRows || !columnsOfUpdate(table.columns, table.keyColumn).isEmpty();
}

bool StepRecording::widenToWholeRows(QSqlDatabase db, UndoStep::Table &table)
{
    // Only updates of the image columns ran so far: every other column
    // still holds what it held before the action.
    StoredRows rows;
    QString error;
    if (!rows.readIds(db, table.name, table.order, &error)) {
        giveUp(error);
        return false;
    }
    QList<int> positions;
    for (const QString &column : qAsConst(table.columns))
        positions << rows.columns.indexOf(column);
    for (qint64 id : qAsConst(table.order)) {
        const auto row = rows.rows.constFind(id);
        const UndoStep::Image &some = table.before.value(id);
        if (row == rows.rows.constEnd() || !some || positions.contains(-1)) {
            giveUp(tr("Eine geänderte Zeile der Tabelle %1 fehlt.").arg(table.name));
            return false;
        }
        StoredRows::Values whole = row.value();
        for (int i = 0; i < positions.size(); ++i)
            whole[positions.at(i)] = some->at(i);
        table.before.insert(id, UndoStep::Image(whole));
    }
    table.keyColumn = rows.columns.indexOf(table.columns.at(table.keyColumn));
    table.columns = rows.columns;
    table.wholeRows = true;
    return true;
}

QString StepRecording::byRowIds(const QString &table, const QList<qint64> &ids) const
{
    QStringList list;
    list.reserve(ids.size());
    for (qint64 id : ids)
        list << QString::number(id);
    const QString condition = ids.isEmpty()
        ? QStringLiteral("0")
        : QStringLiteral("rowid IN (%1)").arg(list.join(QLatin1Char(',')));
    if (m_pending.kind == WriteStatement::Delete)
        return QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, condition);
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, m_pending.assignments, condition);
}

QString StepRecording::beforeStatement(QSqlDatabase db, const QString &sql, bool journaled)
{
    m_pending = WriteStatement::parse(sql);
    m_pendingRows = -1;
    m_pendingIds.clear();
    if (!m_step.isUndoable())
        return QString();
    if (!m_checkedTriggers) {
        m_checkedTriggers = true;
        QSqlQuery triggers(db);
        // A trigger changes rows that no statement of ours names.
        if (triggers.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='trigger'")) && triggers.next()) {
            giveUp(tr("Die Datenbank enthält Trigger."));
            return QString();
        }
    }
    if (m_pending.kind == WriteStatement::CreateTemp || m_pending.kind == WriteStatement::DropTable)
        m_temporary.clear();   // a temporary table may come or go, or hide one of the file
    switch (m_pending.kind) {
    case WriteStatement::CreateTemp:
        return QString();
    case WriteStatement::Unknown:
        giveUp(tr("Eine Anweisung lässt sich nicht umkehren: %1").arg(sql.left(80)));
        return QString();
    default:
        break;
    }
    if (isTemporary(db, m_pending.table)) {
        m_pending.kind = WriteStatement::CreateTemp;   // nothing of it stays in the file
        return QString();
    }
    if (m_pending.kind == WriteStatement::DropTable) {
        giveUp(tr("Eine Tabelle wird gelöscht: %1").arg(m_pending.table));
        return QString();
    }
    if (m_firstName.isEmpty())
        m_firstName = defaultName(m_pending.kind, m_pending.table);
    UndoStep::Table *table = tableFor(db, m_pending.table, journaled);
    if (!table)
        return QString();
    if (!fitsImages(*table) && !widenToWholeRows(db, *table))
        return QString();
    if (m_pending.kind == WriteStatement::Insert)
        return QString();
    if (m_pending.kind == WriteStatement::Update) {
        const QStringList keys = {QStringLiteral("rowid"), QStringLiteral("oid"), QStringLiteral("_rowid_")};
        for (const QString &key : keys + QStringList(table->keyColumn >= 0 ? table->columns.at(table->keyColumn) : QString())) {
            if (!key.isEmpty() && m_pending.assigns(key)) {
                giveUp(tr("Eine Anweisung ändert den Schlüssel: %1").arg(sql.left(80)));
                return QString();
            }
        }
    }
    const qint64 held = heldRowOfCondition(*table);
    if (held >= 0) {
        // Copies change the row they have just inserted: nothing to read.
        m_pendingRows = 1;
        m_pendingIds = {held};
        return byRowIds(table->name, m_pendingIds);
    }
    StoredRows rows;
    QString error;
    if (!rows.readWhere(db, table->name, m_pending.where, &error,
                        table->wholeRows ? QStringList() : table->columns)) {
        // The statement itself will fail the same way and change nothing.
        return QString();
    }
    for (qint64 id : qAsConst(rows.order))
        touch(*table, id, rows.rows.value(id));
    m_pendingRows = rows.order.size();
    m_pendingIds = rows.order;
    // The rows are known now, in this very transaction: a condition that
    // needs a pass over the whole table is not evaluated twice, also not
    // when it found no row at all.
    if (m_pending.where.isEmpty())
        return QString();
    return byRowIds(table->name, m_pendingIds);
}

qint64 StepRecording::heldRowOfCondition(const UndoStep::Table &table) const
{
    static const QRegularExpression keyEquals(
        QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_]*)\\s*=\\s*(-?[0-9]{1,18})\\s*$"));
    const QRegularExpressionMatch match = keyEquals.match(m_pending.where);
    if (!match.hasMatch())
        return -1;
    const QString column = match.captured(1);
    const bool rowidName = column.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0
                           || column.compare(QLatin1String("oid"), Qt::CaseInsensitive) == 0
                           || column.compare(QLatin1String("_rowid_"), Qt::CaseInsensitive) == 0;
    // Such a name is the row id only where no column of the table has it.
    const bool namesRowid = rowidName && table.wholeRows
                            && !table.columns.contains(column, Qt::CaseInsensitive);
    const bool namesKey = table.keyColumn >= 0 && m_rowidKeyTables.contains(table.name.toLower())
                          && column.compare(table.columns.at(table.keyColumn), Qt::CaseInsensitive) == 0;
    const qint64 id = match.captured(2).toLongLong();
    const bool existsNow = m_toRead.value(table.name.toLower()).contains(id);
    if ((!namesKey && !namesRowid) || !existsNow || !table.before.contains(id))
        return -1;
    return id;
}

void StepRecording::afterStatement(const QString &sql, int rowsAffected, const QVariant &insertId)
{
    Q_UNUSED(sql);
    if (m_pending.kind == WriteStatement::CreateTemp) {
        m_temporary.clear();   // it may have created or dropped a temporary table
        return;
    }
    m_changedSomething = true;
    if (!m_step.isUndoable())
        return;
    UndoStep::Table *table = nullptr;
    const auto found = m_tableIndex.constFind(m_pending.table.toLower());
    if (found != m_tableIndex.constEnd())
        table = &m_step.tables[found.value()];
    if (!table)
        return;
    if (m_pending.kind == WriteStatement::Insert) {
        if (rowsAffected == 0)
            return;
        if (rowsAffected != 1 || !insertId.isValid()) {
            giveUp(tr("Eine Anweisung fügt mehrere Zeilen ein."));
            return;
        }
        touch(*table, insertId.toLongLong(), UndoStep::Image());
        m_toRead[table->name.toLower()].insert(insertId.toLongLong());
        m_inserted[table->name.toLower()].insert(insertId.toLongLong());
        return;
    }
    if (rowsAffected != m_pendingRows) {
        giveUp(tr("Eine Anweisung hat andere Zeilen geändert als erwartet."));
        return;
    }
    if (m_pending.kind == WriteStatement::Update)
        noteAssignments(*table);
    QSet<qint64> &toRead = m_toRead[table->name.toLower()];
    for (qint64 id : qAsConst(m_pendingIds)) {
        if (m_pending.kind == WriteStatement::Delete)
            toRead.remove(id);
        else
            toRead.insert(id);
    }
}

void StepRecording::noteAssignments(const UndoStep::Table &table)
{
    const QString key = table.name.toLower();
    const QStringList columns = m_pending.assignedColumns();
    QSet<QString> &assigned = m_assigned[key];
    for (const QString &column : columns) {
        bool known = false;
        for (const QString &name : table.columns)
            known = known || name.compare(column, Qt::CaseInsensitive) == 0;
        if (!known) {
            m_readWholeRows.insert(key);
            return;
        }
        assigned.insert(column.toLower());
    }
    if (columns.isEmpty())
        m_readWholeRows.insert(key);
}

// The rows as the action leaves them. A row only updated differs from its
// image before the first change in the columns the updates set: those are
// read, the rest is taken over; inserted rows are read whole.
bool StepRecording::readAfterImages(QSqlDatabase db, UndoStep::Table &table, QString *error)
{
    const QString key = table.name.toLower();
    const QSet<qint64> toRead = m_toRead.value(key);
    const QSet<qint64> inserted = m_inserted.value(key);
    const bool wholeRows = m_readWholeRows.contains(key);
    QList<qint64> whole;
    QList<qint64> partly;
    for (qint64 id : qAsConst(table.order)) {
        if (!toRead.contains(id))
            continue;
        if (wholeRows || inserted.contains(id) || !table.before.value(id).has_value())
            whole << id;
        else
            partly << id;
    }
    StoredRows now;
    if (!now.readIds(db, table.name, whole, error))
        return false;
    QStringList assignedColumns;
    QList<int> positions;
    for (int i = 0; i < table.columns.size(); ++i) {
        if (m_assigned.value(key).contains(table.columns.at(i).toLower())) {
            assignedColumns << table.columns.at(i);
            positions << i;
        }
    }
    StoredRows changed;
    if (!partly.isEmpty() && !changed.readIds(db, table.name, partly, error, assignedColumns))
        return false;
    for (qint64 id : qAsConst(table.order)) {
        const auto row = now.rows.constFind(id);
        if (row != now.rows.constEnd()) {
            table.after.insert(id, UndoStep::Image(row.value()));
            continue;
        }
        const auto part = changed.rows.constFind(id);
        if (part == changed.rows.constEnd()) {
            table.after.insert(id, UndoStep::Image());   // deleted, or gone meanwhile
            continue;
        }
        StoredRows::Values values = *table.before.value(id);
        for (int i = 0; i < positions.size(); ++i)
            values[positions.at(i)] = part.value().at(i);
        table.after.insert(id, UndoStep::Image(values));
    }
    return true;
}

void StepRecording::beforeCommit(QSqlDatabase db)
{
    if (!m_step.isUndoable())
        return;
    for (UndoStep::Table &table : m_step.tables) {
        QString error;
        if (!readAfterImages(db, table, &error)) {
            giveUp(error);
            return;
        }
    }
}

void StepRecording::committed(const QString &name)
{
    if (!m_changedSomething)
        return;
    m_step.name = !name.isEmpty() ? name : !m_firstName.isEmpty() ? m_firstName : tr("Änderung");
    if (m_step.isUndoable() && m_step.dropUnchangedRows())
        return;   // the action left every row as it was
    m_committed(std::move(m_step));
}
