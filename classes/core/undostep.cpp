#include "undostep.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("UndoStep", text);
}

const int kIdsPerDelete = 500;
const int kRowsPerInsert = 50;

// The image kept for id; an absent row when there is none.
const UndoStep::Image &imageOf(const QHash<qint64, UndoStep::Image> &images, qint64 id)
{
    static const UndoStep::Image absent;
    const auto found = images.constFind(id);
    return found == images.constEnd() ? absent : found.value();
}

} // namespace

bool UndoStep::dropUnchangedRows()
{
    QVector<Table> kept;
    for (Table &table : tables) {
        QList<qint64> changed;
        for (qint64 id : qAsConst(table.order)) {
            const Image &before = imageOf(table.before, id);
            const Image &after = imageOf(table.after, id);
            const bool same = before.has_value() == after.has_value()
                              && (!before || StoredRows::sameValues(*before, *after));
            if (same) {
                table.before.remove(id);
                table.after.remove(id);
            } else {
                changed << id;
            }
        }
        table.order = changed;
        if (!changed.isEmpty())
            kept << table;
    }
    tables = kept;
    return tables.isEmpty();
}

qint64 UndoStep::approximateBytes() const
{
    qint64 bytes = 256;
    for (const Table &table : tables) {
        for (qint64 id : table.order) {
            for (const Image *image : {&imageOf(table.before, id), &imageOf(table.after, id)}) {
                bytes += 48;
                if (*image)
                    bytes += StoredRows::approximateBytes(**image);
            }
        }
    }
    return bytes;
}

QString UndoStep::recordName(const Table &table, qint64 id, const Image &image)
{
    const QString t = table.name.toLower();
    if (t == QLatin1String("geraete"))
        return tr("Feuerstätte %1").arg(id);
    if (t == QLatin1String("werte"))
        return tr("Kenndaten %1").arg(id);
    if (t == QLatin1String("hersteller"))
        return tr("Hersteller %1").arg(id);
    if (t == QLatin1String("gkostand"))
        return tr("Feuerraum %1").arg(id);
    if (t == QLatin1String("baustoffe"))
        return tr("Baustoff %1").arg(id);
    if (t == QLatin1String("gruppen") && image) {
        const int column = table.columns.indexOf(QRegExp(QStringLiteral("bezeichnung"), Qt::CaseInsensitive));
        if (column >= 0)
            return tr("Gruppe '%1'").arg(image->value(column).toString());
    }
    return tr("Datensatz %1 der Tabelle %2").arg(id).arg(table.name);
}

QString UndoStep::conflict(QSqlDatabase db, Direction direction, QString *error) const
{
    for (const Table &table : tables) {
        StoredRows current;
        if (!current.readIds(db, table.name, table.order, error,
                             table.wholeRows ? QStringList() : table.columns))
            return QString();
        if (current.columns.size() != table.columns.size()) {
            *error = tr("Die Tabelle %1 hat inzwischen andere Spalten.").arg(table.name);
            return QString();
        }
        const QHash<qint64, Image> &expected = direction == Back ? table.after : table.before;
        for (qint64 id : table.order) {
            const Image &want = imageOf(expected, id);
            const auto found = current.rows.constFind(id);
            const bool present = found != current.rows.constEnd();
            if (present != want.has_value()
                || (present && !StoredRows::sameValues(*want, found.value())))
                return recordName(table, id, want ? want : Image(present ? Image(found.value()) : Image()));
        }
    }
    return QString();
}

QString UndoStep::keyName(const Table &table)
{
    return table.keyColumn >= 0 ? table.columns.at(table.keyColumn) : QStringLiteral("rowid");
}

void UndoStep::addDeletes(const Table &table, const QList<qint64> &ids, QVector<Statement> &out)
{
    for (int start = 0; start < ids.size(); start += kIdsPerDelete) {
        QStringList chunk;
        for (int i = start; i < qMin(ids.size(), start + kIdsPerDelete); ++i)
            chunk << QString::number(ids.at(i));
        const QString condition = chunk.size() == 1
                                      ? QStringLiteral("=%1").arg(chunk.first())
                                      : QStringLiteral(" IN (%1)").arg(chunk.join(QLatin1Char(',')));
        out << Statement{QStringLiteral("DELETE FROM %1 WHERE %2%3").arg(table.name, keyName(table), condition),
                         table.journaled};
    }
}

void UndoStep::addInserts(const Table &table, const QList<const StoredRows::Values *> &rows,
                          const QList<qint64> &ids, QVector<Statement> &out)
{
    QStringList columns = table.columns;
    if (table.keyColumn < 0)
        columns.prepend(QStringLiteral("rowid"));
    for (int start = 0; start < rows.size(); start += kRowsPerInsert) {
        QStringList tuples;
        for (int i = start; i < qMin(rows.size(), start + kRowsPerInsert); ++i) {
            QStringList values;
            if (table.keyColumn < 0)
                values << QString::number(ids.at(i));
            for (const QVariant &value : *rows.at(i))
                values << StoredRows::literal(value);
            tuples << QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        out << Statement{QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                             .arg(table.name, columns.join(QLatin1Char(',')), tuples.join(QLatin1Char(','))),
                         table.journaled};
    }
}

QString UndoStep::update(const Table &table, qint64 id, const StoredRows::Values &from,
                         const StoredRows::Values &to)
{
    QStringList assignments;
    for (int i = 0; i < to.size(); ++i) {
        if (!StoredRows::sameValue(from.value(i), to.at(i)))
            assignments << table.columns.at(i) + QLatin1Char('=') + StoredRows::literal(to.at(i));
    }
    if (assignments.isEmpty())
        return QString();
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3=%4")
        .arg(table.name, assignments.join(QLatin1Char(',')), keyName(table))
        .arg(id);
}

QVector<UndoStep::Statement> UndoStep::statements(Direction direction) const
{
    // Rows go first, then the changed ones, then the ones that come back,
    // so that no id is taken twice on the way.
    QVector<Statement> deletes, updates, inserts;
    for (const Table &table : tables) {
        const QHash<qint64, Image> &from = direction == Back ? table.after : table.before;
        const QHash<qint64, Image> &to = direction == Back ? table.before : table.after;
        QList<qint64> gone, added;
        QList<const StoredRows::Values *> addedRows;
        for (qint64 id : table.order) {
            const Image &a = imageOf(from, id);
            const Image &b = imageOf(to, id);
            if (a && !b) {
                gone << id;
            } else if (!a && b) {
                added << id;
                addedRows << &*b;
            } else if (a && b) {
                const QString sql = update(table, id, *a, *b);
                if (!sql.isEmpty())
                    updates << Statement{sql, table.journaled};
            }
        }
        addDeletes(table, gone, deletes);
        addInserts(table, addedRows, added, inserts);
    }
    return deletes + updates + inserts;
}

UndoStep::Record UndoStep::focus(Direction direction) const
{
    for (const char *wanted : {"hersteller", "geraete", "werte"}) {
        for (const Table &table : tables) {
            if (table.name.toLower() != QLatin1String(wanted))
                continue;
            const QHash<qint64, Image> &to = direction == Back ? table.before : table.after;
            for (qint64 id : table.order) {
                if (imageOf(to, id))
                    return Record{table.name, id};
            }
        }
    }
    return Record();
}
