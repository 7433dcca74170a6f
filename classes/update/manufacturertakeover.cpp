#include "manufacturertakeover.h"

#include "appsettings.h"
#include "dbconnections.h"
#include "idtable.h"
#include "sqltext.h"
#include "updatemanufacturernames.h"
#include "updatescriptpath.h"
#include "valuesetdeletion.h"
#include "writeaction.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QVariant>

#include <algorithm>

namespace {

const char kReturned[] = "kxret";
const char kBase[] = "kxbase";
const char kMain[] = "main";

QString tr(const char *text)
{
    return QCoreApplication::translate("ManufacturerTakeOver", text);
}

bool isReference(const QString &column)
{
    const QString upper = column.toUpper();
    return upper == QLatin1String("GERAET") || upper == QLatin1String("BEMERKUNGID")
           || upper == QLatin1String("AUSATZRINGEID");
}

QStringList columnsOf(QSqlDatabase db, const QString &schema, const QString &table)
{
    QStringList columns;
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("PRAGMA %1.table_info(%2)").arg(schema, table)))
        while (query.next())
            columns << query.value(1).toString();
    return columns;
}

bool containsColumn(const QStringList &columns, const QString &name)
{
    return columns.contains(name, Qt::CaseInsensitive);
}

template <typename T> QList<qint64> sortedIds(const QHash<qint64, T> &hash)
{
    QList<qint64> keys = hash.keys();
    std::sort(keys.begin(), keys.end());
    return keys;
}

QString displayText(const QVariant &value)
{
    return value.isNull() ? QStringLiteral("NULL") : value.toString();
}

} // namespace

ManufacturerTakeOver::ManufacturerTakeOver(qint64 manufacturerId, const QString &returnedFile,
                                           const QString &baseFile)
    : m_manufacturerId(manufacturerId)
    , m_returnedFile(returnedFile)
    , m_baseFile(baseFile)
{
    m_geraete.table = QStringLiteral("Geraete");
    m_geraete.key = QStringLiteral("TirmaId");
    m_werte.table = QStringLiteral("Werte");
    m_werte.key = QStringLiteral("WerteId");
}

QString ManufacturerTakeOver::kindName(Kind kind)
{
    switch (kind) {
    case New:
        return tr("neu");
    case Changed:
        return tr("geändert");
    case Deleted:
        return tr("gelöscht");
    case Conflict:
        return tr("Konflikt");
    }
    return QString();
}

bool ManufacturerTakeOver::fail(const QString &text)
{
    m_error = text;
    return false;
}

void ManufacturerTakeOver::setChosen(int index, bool chosen)
{
    if (index >= 0 && index < m_changes.size())
        m_changes[index].chosen = chosen;
}

// ---------------------------------------------------------------- compare

// The records of the take-over in a schema, for the table alias t: the
// manufacturer's appliances not entered by hand, and their value sets not
// entered by hand.
static QString scopeCondition(const QString &table, const QString &schema, qint64 manufacturer)
{
    if (table == QLatin1String("Geraete"))
        return QStringLiteral("t.HrstId=%1 AND NOT coalesce(t.hand,0)").arg(manufacturer);
    // The appliance test first: it fails for most rows of the table, which
    // then need no look at the later column hand.
    return QStringLiteral("t.Geraet IN (SELECT TirmaId FROM %1.Geraete WHERE HrstId=%2 AND NOT "
                          "coalesce(hand,0)) AND NOT coalesce(t.hand,0)")
        .arg(schema)
        .arg(manufacturer);
}

bool ManufacturerTakeOver::compare()
{
    m_error.clear();
    m_changes.clear();
    m_notes.clear();
    m_actions.clear();
    m_pending.clear();
    m_references.clear();
    m_insertLine.clear();
    m_applianceMap.clear();
    m_valueSetMap.clear();
    m_applied = false;
    if (!kolvexDb().isOpen())
        return fail(tr("Es ist keine Datenbank geöffnet."));
    if (!attachFiles()) {
        detachFiles();
        return false;
    }
    bool ok = compareTable(m_geraete) && compareTable(m_werte);
    if (ok) {
        resolveReferences(m_werte);
        ok = readLiterals(m_geraete) && readLiterals(m_werte) && readDisplay(m_geraete)
             && readDisplay(m_werte);
    }
    detachFiles();
    if (!ok)
        m_changes.clear();
    return ok;
}

bool ManufacturerTakeOver::attachFiles()
{
    QSqlDatabase db = kolvexDb();
    const QList<QPair<QString, QString>> files{{m_returnedFile, QLatin1String(kReturned)},
                                               {m_baseFile, QLatin1String(kBase)}};
    for (const auto &file : files) {
        if (file.first.isEmpty())
            continue;
        if (!QFileInfo(file.first).isFile())
            return fail(tr("Die Datei '%1' existiert nicht.").arg(file.first));
        // Read-only through the URI: the returned file and the base copy
        // are never written, not even a journal beside them.
        const QString uri = QUrl::fromLocalFile(QFileInfo(file.first).absoluteFilePath())
                                .toString(QUrl::FullyEncoded)
                            + QStringLiteral("?mode=ro");
        if (file.second == QLatin1String(kBase))
            m_baseUri = uri;
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("ATTACH DATABASE %1 AS %2").arg(quotedText(uri), file.second)))
            return fail(tr("Die Datei '%1' kann nicht gelesen werden: %2")
                            .arg(file.first, query.lastError().text()));
        if (!query.exec(QStringLiteral("SELECT count(*) FROM %1.sqlite_master WHERE type='table' "
                                       "AND lower(name) IN ('geraete','werte')")
                            .arg(file.second)))
            return fail(tr("Die Datei '%1' ist keine lesbare Datenbank: %2")
                            .arg(file.first, query.lastError().text()));
        if (!query.next() || query.value(0).toInt() != 2)
            return fail(tr("Die Datei '%1' enthält nicht die Tabellen Geraete und Werte.")
                            .arg(file.first));
    }
    for (TableScope *scope : {&m_geraete, &m_werte}) {
        const QStringList mainColumns = columnsOf(db, QLatin1String(kMain), scope->table);
        const QStringList returned = columnsOf(db, QLatin1String(kReturned), scope->table);
        const QStringList base = hasBase() ? columnsOf(db, QLatin1String(kBase), scope->table)
                                           : mainColumns;
        scope->columns.clear();
        for (const QString &column : mainColumns)
            if (containsColumn(returned, column) && containsColumn(base, column))
                scope->columns << column;
        if (!containsColumn(scope->columns, scope->key)
            || !containsColumn(scope->columns, QStringLiteral("hand")))
            return fail(tr("Die Tabelle %1 der Datei hat nicht die nötigen Spalten.")
                            .arg(scope->table));
    }
    QSqlQuery query(db);
    m_attachments.clear();
    if (query.exec(QStringLiteral("SELECT Id FROM main.Aufsatz")))
        while (query.next())
            m_attachments.insert(query.value(0).toLongLong());
    return true;
}

void ManufacturerTakeOver::detachFiles()
{
    QSqlDatabase db = kolvexDb();
    for (const char *schema : {kReturned, kBase}) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("DETACH DATABASE %1").arg(QLatin1String(schema)));
    }
}

// The columns compared cell by cell: all common ones but the key and the
// references (those are compared in ids of the main file).
static QStringList comparedColumns(const QStringList &columns, const QString &key)
{
    QStringList compared;
    for (const QString &column : columns)
        if (column.compare(key, Qt::CaseInsensitive) != 0 && !isReference(column))
            compared << column;
    return compared;
}

// "(t.X IS NOT r.X)" per compared column.
static QStringList differenceFlags(const QStringList &compared, const QString &right)
{
    QStringList flags;
    for (const QString &column : compared)
        flags << QStringLiteral("(t.%1 IS NOT %2.%1)").arg(column, right);
    return flags;
}

// The select of the records of the take-over in schema, in the columns
// TakeOverScopeRead reads. Each of againstSchemas is looked up by key in the
// same pass, and comparisons receives how many flags of differing records
// follow: one pass over Werte per file, not one more per comparison.
QString ManufacturerTakeOver::scopeSelect(const QString &schema, const TableScope &scope,
                                          const QStringList &againstSchemas,
                                          int *comparisons) const
{
    const bool values = scope.table == QLatin1String("Werte");
    const bool derived = values && containsColumn(scope.columns, QStringLiteral("BEMERKUNGID"))
                         && containsColumn(scope.columns, QStringLiteral("AUSATZRINGEID"));
    QString columns =
        !values ? QStringLiteral("t.TirmaId, 0, 0, 0")
        : derived
            ? QStringLiteral("t.WerteId, t.Geraet, coalesce(t.BEMERKUNGID,0), coalesce(t.AUSATZRINGEID,0)")
            : QStringLiteral("t.WerteId, t.Geraet, 0, 0");
    const QStringList compared = comparedColumns(scope.columns, scope.key);
    *comparisons = compared.isEmpty() ? 0 : againstSchemas.size();
    QString joins;
    for (int i = 0; i < *comparisons; ++i) {
        const QString alias = QStringLiteral("r%1").arg(i);
        joins += QStringLiteral(" LEFT JOIN %1.%2 %3 ON %3.%4=t.%4")
                     .arg(againstSchemas.at(i), scope.table, alias, scope.key);
        columns += QStringLiteral(", %1.%2 IS NOT NULL AND (%3)")
                       .arg(alias, scope.key,
                            differenceFlags(compared, alias).join(QStringLiteral(" OR ")));
    }
    return QStringLiteral("SELECT %1 FROM %2.%3 t%4 WHERE %5")
        .arg(columns, schema, scope.table, joins,
             scopeCondition(scope.table, schema, m_manufacturerId));
}

// The records of the take-over in the returned file, the main file and the
// base copy, with the ids found differing: the returned file's against the
// main file and the base copy, the main file's against the base copy. The
// main file is read on a connection of its own beside the returned file.
bool ManufacturerTakeOver::readScopes(TableScope &scope, QList<QSet<qint64>> &fromReturned,
                                      QList<QSet<qint64>> &fromMain)
{
    const QString returned = QLatin1String(kReturned);
    const QString main = QLatin1String(kMain);
    const QString base = QLatin1String(kBase);
    QSqlDatabase db = kolvexDb();
    int n = 0;
    const QString mainSelect =
        scopeSelect(main, scope, hasBase() ? QStringList{base} : QStringList(), &n);
    TakeOverScopeRead mainRead(mainSelect, n);
    TakeOverScopeRead::Attachments attachments;
    if (hasBase())
        attachments << qMakePair(m_baseUri, base);
    mainRead.start(db.databaseName(), db.connectOptions(), attachments);
    const QString returnedSelect =
        scopeSelect(returned, scope, hasBase() ? QStringList{main, base} : QStringList{main}, &n);
    TakeOverScopeRead returnedRead(returnedSelect, n);
    const bool returnedOk = returnedRead.run(db);
    // Where the file cannot be opened a second time, it is read here.
    const bool mainOk = mainRead.wait() || mainRead.run(db);
    if (!returnedOk || !mainOk)
        return fail(tr("Die Datei kann nicht gelesen werden: %1")
                        .arg(returnedOk ? mainRead.error : returnedRead.error));
    scope.returned = returnedRead.rows;
    scope.main = mainRead.rows;
    fromReturned = returnedRead.differing;
    fromMain = mainRead.differing;
    if (!hasBase())
        return true;
    const QString baseSelect = scopeSelect(base, scope, QStringList(), &n);
    TakeOverScopeRead baseRead(baseSelect, n);
    if (!baseRead.run(db))
        return fail(tr("Die Datei kann nicht gelesen werden: %1").arg(baseRead.error));
    scope.base = baseRead.rows;
    return true;
}

// The differing columns of the records with the ids (of left's scope, found
// differing by readScopes()) against the record with the same key in right;
// references aside. Looked up by key.
bool ManufacturerTakeOver::diffRows(const TableScope &scope, const QString &left,
                                    const QString &right, const QSet<qint64> &ids,
                                    QHash<qint64, QSet<QString>> &diffs)
{
    diffs.clear();
    const QStringList compared = comparedColumns(scope.columns, scope.key);
    if (compared.isEmpty() || ids.isEmpty())
        return true;
    const QStringList flags = differenceFlags(compared, QStringLiteral("r"));
    QList<qint64> sorted = ids.values();
    std::sort(sorted.begin(), sorted.end());
    for (const QString &chunk : idListChunks(sorted)) {
        const QString sql =
            QStringLiteral("SELECT t.%1, %2 FROM %3.%4 t JOIN %5.%4 r ON r.%1=t.%1 WHERE t.%1 IN "
                           "(%6) AND (%7)")
                .arg(scope.key, flags.join(QLatin1Char(',')), left, scope.table, right, chunk,
                     flags.join(QStringLiteral(" OR ")));
        QSqlQuery query(kolvexDb());
        query.setForwardOnly(true);
        if (!query.exec(sql))
            return fail(tr("Der Vergleich ist fehlgeschlagen: %1").arg(query.lastError().text()));
        while (query.next()) {
            QSet<QString> &columns = diffs[query.value(0).toLongLong()];
            for (int i = 0; i < compared.size(); ++i)
                if (query.value(i + 1).toInt())
                    columns.insert(compared.at(i));
        }
    }
    return true;
}

bool ManufacturerTakeOver::compareTable(TableScope &scope)
{
    const QString returned = QLatin1String(kReturned);
    const QString main = QLatin1String(kMain);
    const QString base = QLatin1String(kBase);
    QList<QSet<qint64>> fromReturned, fromMain;
    if (!readScopes(scope, fromReturned, fromMain))
        return false;
    QHash<qint64, QSet<QString>> diffRM, diffRB, diffMB;
    if (!diffRows(scope, returned, main, fromReturned.value(0), diffRM))
        return false;
    if (hasBase()
        && (!diffRows(scope, returned, base, fromReturned.value(1), diffRB)
            || !diffRows(scope, main, base, fromMain.value(0), diffMB)))
        return false;
    if (scope.table == QLatin1String("Werte"))
        m_returnedValueSets = scope.returned;
    classify(scope, diffRM, diffRB, diffMB);

    QList<int> inserts;
    for (int i = 0; i < m_changes.size(); ++i)
        if (m_changes.at(i).table == scope.table && m_actions.value(i) == Insert)
            inserts << i;
    const AppSettings *settings = AppSettings::instance();
    const bool values = scope.table == QLatin1String("Werte");
    const QPair<qint64, qint64> low = settings->idRangeLow.value(m_manufacturerId, qMakePair(0, 0));
    const QPair<qint64, qint64> high = settings->idRangeHigh.value(m_manufacturerId, qMakePair(0, 0));
    qint64 from = values ? low.second : low.first;
    qint64 to = values ? high.second : high.first;
    if (from <= 0 || to < from) {
        from = 1;
        to = kIdTableSize;
    }
    return allocateIds(scope, inserts, from, to);
}

QSet<QString> ManufacturerTakeOver::referenceDiff(const TableScope &scope, const Row &left,
                                                  const Row &right) const
{
    QSet<QString> columns;
    if (scope.table != QLatin1String("Werte"))
        return columns;
    if (left.geraet != right.geraet)
        columns.insert(QStringLiteral("Geraet"));
    if (left.sourceId != right.sourceId)
        columns.insert(QStringLiteral("BEMERKUNGID"));
    if (left.attachmentId != right.attachmentId)
        columns.insert(QStringLiteral("AUSATZRINGEID"));
    return columns;
}

qint64 ManufacturerTakeOver::mappedAppliance(qint64 returnedId) const
{
    return m_applianceMap.value(returnedId, 0);
}

int ManufacturerTakeOver::addChange(const TableScope &scope, Kind kind, Action action,
                                    qint64 returnedId, qint64 mainId, const QSet<QString> &columns,
                                    bool chosen)
{
    Change change;
    change.table = scope.table;
    change.kind = kind;
    change.returnedId = action == Remove ? 0 : returnedId;
    change.mainId = mainId;
    change.chosen = chosen;
    if (action == Insert) {
        for (const QString &column : scope.columns)
            if (column.compare(scope.key, Qt::CaseInsensitive) != 0)
                change.columns << column;
    } else {
        // In the table's column order.
        for (const QString &column : scope.columns)
            for (const QString &changed : columns)
                if (changed.compare(column, Qt::CaseInsensitive) == 0)
                    change.columns << column;
    }
    m_changes << change;
    const int index = m_changes.size() - 1;
    m_actions.insert(index, action);
    if (action == Insert)
        m_insertLine[scope.table].insert(returnedId, index);
    return index;
}

void ManufacturerTakeOver::classify(TableScope &scope, const QHash<qint64, QSet<QString>> &diffRM,
                                    const QHash<qint64, QSet<QString>> &diffRB,
                                    const QHash<qint64, QSet<QString>> &diffMB)
{
    const bool values = scope.table == QLatin1String("Werte");
    QSet<qint64> matchedMain;
    for (const qint64 id : sortedIds(scope.returned)) {
        const Row r = scope.returned.value(id);
        Row rMapped = r;
        rMapped.geraet = values ? mappedAppliance(r.geraet) : 0;
        // A derivation that cannot come in (attachment missing, source not a
        // set of the same appliance) arrives plain; where the main set is
        // plain already, or holds the same references, it does not differ.
        Row rPlain = rMapped;
        if (values && (r.sourceId > 0 || r.attachmentId > 0)
            && (!m_attachments.contains(r.attachmentId) || !scope.returned.contains(r.sourceId)
                || scope.returned.value(r.sourceId).geraet != r.geraet)) {
            rPlain.sourceId = 0;
            rPlain.attachmentId = 0;
        }
        auto toMainReferences = [&](const Row &m) {
            const QSet<QString> raw = referenceDiff(scope, rMapped, m);
            return raw.isEmpty() ? raw : referenceDiff(scope, rPlain, m);
        };
        bool inMain = scope.main.contains(id);
        // Without a base, a value set is the same record only when it
        // belongs to the same appliance; else the id was used meanwhile.
        if (inMain && values && !hasBase() && scope.main.value(id).geraet != rMapped.geraet)
            inMain = false;
        const bool inBase = hasBase() && scope.base.contains(id);
        // The same record keeps its id, whether it changed or not: what the
        // returned file names it by (a new set's appliance) maps onto it.
        if (inMain) {
            matchedMain.insert(id);
            if (values)
                m_valueSetMap.insert(id, id);
            else
                m_applianceMap.insert(id, id);
        }
        if (hasBase() && inBase && inMain) {
            const QSet<QString> byManufacturer =
                diffRB.value(id) | referenceDiff(scope, r, scope.base.value(id));
            if (byManufacturer.isEmpty())
                continue;
            const Row m = scope.main.value(id);
            const QSet<QString> byMaintainer = diffMB.value(id) | referenceDiff(scope, m, scope.base.value(id));
            const QSet<QString> toMain = diffRM.value(id) | toMainReferences(m);
            const QSet<QString> columns = byManufacturer & toMain;
            if (columns.isEmpty())
                continue;
            const bool conflict = !(columns & byMaintainer).isEmpty();
            addChange(scope, conflict ? Conflict : Changed, Update, id, id, columns, !conflict);
        } else if (hasBase() && inBase) {
            // The maintainer deleted it meanwhile; the manufacturer changed it.
            if ((diffRB.value(id) | referenceDiff(scope, r, scope.base.value(id))).isEmpty())
                continue;
            addChange(scope, Conflict, Insert, id, 0, {}, false);
        } else if (!hasBase() && inMain) {
            const QSet<QString> columns = diffRM.value(id) | toMainReferences(scope.main.value(id));
            if (!columns.isEmpty())
                addChange(scope, Changed, Update, id, id, columns, true);
        } else {
            addChange(scope, New, Insert, id, 0, {}, true);
        }
    }
    for (const qint64 id : sortedIds(scope.main)) {
        if (matchedMain.contains(id))
            continue;
        if (!hasBase()) {
            addChange(scope, Deleted, Remove, id, id, {}, false);
        } else if (scope.base.contains(id) && !scope.returned.contains(id)) {
            const bool changedMeanwhile =
                !(diffMB.value(id) | referenceDiff(scope, scope.main.value(id), scope.base.value(id)))
                     .isEmpty();
            addChange(scope, changedMeanwhile ? Conflict : Deleted, Remove, id, id, {},
                      !changedMeanwhile);
        }
        // Not in the base: the maintainer added it after the file was sent.
    }
}

bool ManufacturerTakeOver::usedIds(const QString &schema, const TableScope &scope,
                                   const QList<qint64> &ids, QSet<qint64> &used)
{
    for (const QString &chunk : idListChunks(ids)) {
        QSqlQuery query(kolvexDb());
        if (!query.exec(QStringLiteral("SELECT %1 FROM %2.%3 WHERE %1 IN (%4)")
                            .arg(scope.key, schema, scope.table, chunk)))
            return fail(tr("Die Ids können nicht geprüft werden: %1").arg(query.lastError().text()));
        while (query.next())
            used.insert(query.value(0).toLongLong());
    }
    return true;
}

// A new record keeps its id when the id lies in the range and the main file
// does not use it; the others get the lowest ids of the range that neither
// file uses.
bool ManufacturerTakeOver::allocateIds(const TableScope &scope, QList<int> &changeIndexes,
                                       qint64 low, qint64 high)
{
    QList<qint64> ids;
    for (int index : changeIndexes)
        ids << m_changes.at(index).returnedId;
    QSet<qint64> used;
    if (!usedIds(QLatin1String(kMain), scope, ids, used))
        return false;
    QList<int> moving;
    for (int index : changeIndexes) {
        const qint64 id = m_changes.at(index).returnedId;
        if (id >= low && id <= high && !used.contains(id))
            m_changes[index].mainId = id;
        else
            moving << index;
    }
    if (!moving.isEmpty()) {
        // Only ids of the range can stand in the way: by the key the
        // subqueries read the range, not the whole table.
        const QString sql =
            QStringLiteral("WITH RECURSIVE r(id) AS (SELECT %1 UNION ALL SELECT id+1 FROM r "
                           "WHERE id<%2) SELECT id FROM r WHERE id NOT IN (SELECT %3 FROM main.%4 "
                           "WHERE %3 BETWEEN %1 AND %2) AND id NOT IN (SELECT %3 FROM %5.%4 WHERE "
                           "%3 BETWEEN %1 AND %2) LIMIT %6")
                .arg(low)
                .arg(high)
                .arg(scope.key, scope.table, QLatin1String(kReturned))
                .arg(moving.size());
        QSqlQuery query(kolvexDb());
        if (!query.exec(sql))
            return fail(tr("Freie Ids können nicht gesucht werden: %1").arg(query.lastError().text()));
        QList<qint64> free;
        while (query.next())
            free << query.value(0).toLongLong();
        if (free.size() < moving.size())
            return fail(tr("Im Id-Bereich %1 bis %2 der Tabelle %3 sind nur %4 Ids frei, "
                           "gebraucht werden %5.")
                            .arg(low)
                            .arg(high)
                            .arg(scope.table)
                            .arg(free.size())
                            .arg(moving.size()));
        for (int i = 0; i < moving.size(); ++i)
            m_changes[moving.at(i)].mainId = free.at(i);
    }
    for (int index : changeIndexes) {
        const Change &change = m_changes.at(index);
        if (scope.table == QLatin1String("Werte"))
            m_valueSetMap.insert(change.returnedId, change.mainId);
        else
            m_applianceMap.insert(change.returnedId, change.mainId);
    }
    return true;
}

// The references of value sets to insert or update, in ids of the main file.
// A derived set whose source is not a value set of the same appliance, or
// whose attachment the main file lacks, comes in as a plain set.
void ManufacturerTakeOver::resolveReferences(const TableScope &scope)
{
    for (int i = 0; i < m_changes.size(); ++i) {
        const Change &change = m_changes.at(i);
        if (change.table != scope.table || m_actions.value(i) == Remove)
            continue;
        const Row r = scope.returned.value(change.returnedId);
        Row mapped;
        mapped.geraet = mappedAppliance(r.geraet);
        if (r.sourceId > 0 || r.attachmentId > 0) {
            const bool sourceHere = scope.returned.contains(r.sourceId)
                                    && scope.returned.value(r.sourceId).geraet == r.geraet
                                    && m_valueSetMap.value(r.sourceId, 0) > 0;
            const bool attachmentHere = m_attachments.contains(r.attachmentId);
            if (r.sourceId > 0 && sourceHere && attachmentHere) {
                mapped.sourceId = m_valueSetMap.value(r.sourceId);
                mapped.attachmentId = r.attachmentId;
            } else if (!attachmentHere && r.attachmentId > 0) {
                m_notes << tr("Kenndaten %1: der Aufsatz %2 fehlt in der Hauptdatei, die "
                              "Kenndaten kommen als einfache Kenndaten.")
                               .arg(change.returnedId)
                               .arg(r.attachmentId);
            } else {
                m_notes << tr("Kenndaten %1: die Quelle %2 gehört nicht zu dieser Feuerstätte, "
                              "die Kenndaten kommen als einfache Kenndaten.")
                               .arg(change.returnedId)
                               .arg(r.sourceId);
            }
        }
        m_references.insert(i, mapped);
    }
}

bool ManufacturerTakeOver::readLiterals(const TableScope &scope)
{
    QHash<qint64, QList<int>> linesByReturnedId;
    for (int i = 0; i < m_changes.size(); ++i)
        if (m_changes.at(i).table == scope.table && m_actions.value(i) != Remove)
            linesByReturnedId[m_changes.at(i).returnedId] << i;
    if (linesByReturnedId.isEmpty())
        return true;
    QStringList quoted;
    for (const QString &column : scope.columns)
        quoted << QStringLiteral("quote(%1)").arg(column);
    for (const QString &chunk : idListChunks(sortedIds(linesByReturnedId))) {
        QSqlQuery query(kolvexDb());
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("SELECT %1,%2 FROM %3.%4 WHERE %1 IN (%5)")
                            .arg(scope.key, quoted.join(QLatin1Char(',')),
                                 QLatin1String(kReturned), scope.table, chunk)))
            return fail(tr("Die Datei kann nicht gelesen werden: %1").arg(query.lastError().text()));
        while (query.next()) {
            for (int index : linesByReturnedId.value(query.value(0).toLongLong())) {
                const Change &change = m_changes.at(index);
                Pending pending;
                for (int c = 0; c < scope.columns.size(); ++c) {
                    const QString &column = scope.columns.at(c);
                    if (column.compare(scope.key, Qt::CaseInsensitive) != 0
                        && !containsColumn(change.columns, column))
                        continue;
                    pending.columns << column;
                    pending.literals << query.value(c + 1).toString();
                }
                m_pending.insert(index, pending);
            }
        }
    }
    return true;
}

bool ManufacturerTakeOver::readDisplay(const TableScope &scope)
{
    const bool values = scope.table == QLatin1String("Werte");
    const QString labelColumn = values ? QStringLiteral("Bemerkung") : QStringLiteral("Typ");
    for (const QString &schema : {QString::fromLatin1(kMain), QString::fromLatin1(kReturned)}) {
        const bool fromMain = schema == QLatin1String(kMain);
        QHash<qint64, QList<int>> lines;
        for (int i = 0; i < m_changes.size(); ++i) {
            const Change &change = m_changes.at(i);
            const qint64 id = fromMain ? (m_actions.value(i) == Insert ? 0 : change.mainId)
                                    : change.returnedId;
            if (change.table == scope.table && id > 0)
                lines[id] << i;
        }
        for (const QString &chunk : idListChunks(sortedIds(lines))) {
            QSqlQuery query(kolvexDb());
            query.setForwardOnly(true);
            if (!query.exec(QStringLiteral("SELECT * FROM %1.%2 WHERE %3 IN (%4)")
                                .arg(schema, scope.table, scope.key, chunk)))
                return fail(tr("Die Datei kann nicht gelesen werden: %1")
                                .arg(query.lastError().text()));
            while (query.next()) {
                const QSqlRecord record = query.record();
                for (int index : lines.value(record.value(scope.key).toLongLong())) {
                    Change &change = m_changes[index];
                    if (change.label.isEmpty() || fromMain)
                        change.label = record.value(labelColumn).toString();
                    if (fromMain)
                        change.applianceId = values ? record.value(QStringLiteral("Geraet")).toLongLong()
                                                    : change.mainId;
                    if (change.kind != Changed && change.kind != Conflict)
                        continue;
                    if (m_actions.value(index) != Update)
                        continue;
                    QStringList &shown = fromMain ? change.mainValues : change.returnedValues;
                    for (const QString &column : change.columns)
                        shown << displayText(record.value(column));
                }
            }
        }
    }
    for (int i = 0; i < m_changes.size(); ++i) {
        Change &change = m_changes[i];
        if (change.table == scope.table && m_actions.value(i) == Insert)
            change.applianceId = values ? m_references.value(i).geraet : change.mainId;
        // References are shown in ids of the main file.
        if (values && m_actions.value(i) == Update) {
            const Row ref = m_references.value(i);
            for (int c = 0; c < change.columns.size() && c < change.returnedValues.size(); ++c) {
                const QString upper = change.columns.at(c).toUpper();
                if (upper == QLatin1String("GERAET"))
                    change.returnedValues[c] = QString::number(ref.geraet);
                else if (upper == QLatin1String("BEMERKUNGID"))
                    change.returnedValues[c] = QString::number(ref.sourceId);
                else if (upper == QLatin1String("AUSATZRINGEID"))
                    change.returnedValues[c] = QString::number(ref.attachmentId);
            }
        }
    }
    return true;
}

// ---------------------------------------------------------------- apply

bool ManufacturerTakeOver::insertTargetExists(qint64 mainAppliance,
                                              const QSet<qint64> &deletedAppliances) const
{
    if (mainAppliance <= 0 || deletedAppliances.contains(mainAppliance))
        return false;
    if (m_geraete.main.contains(mainAppliance))
        return true;
    for (auto it = m_insertLine.value(m_geraete.table).constBegin();
         it != m_insertLine.value(m_geraete.table).constEnd(); ++it) {
        const Change &line = m_changes.at(it.value());
        if (line.mainId == mainAppliance)
            return line.chosen;
    }
    return false;
}

QString ManufacturerTakeOver::insertStatement(const Change &change, const Pending &pending) const
{
    QStringList literals = pending.literals;
    for (int c = 0; c < pending.columns.size(); ++c) {
        const QString upper = pending.columns.at(c).toUpper();
        if (upper == QLatin1String("TIRMAID") || upper == QLatin1String("WERTEID"))
            literals[c] = QString::number(change.mainId);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(change.table, pending.columns.join(QLatin1Char(',')), literals.join(QLatin1Char(',')));
}

QString ManufacturerTakeOver::updateStatement(const Change &change, const Pending &pending) const
{
    const QString key = change.table == QLatin1String("Werte") ? QStringLiteral("WerteId")
                                                               : QStringLiteral("TirmaId");
    QStringList assignments;
    for (int c = 0; c < pending.columns.size(); ++c)
        if (pending.columns.at(c).compare(key, Qt::CaseInsensitive) != 0)
            assignments << QStringLiteral("%1=%2").arg(pending.columns.at(c), pending.literals.at(c));
    if (assignments.isEmpty())
        return QString();
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3=%4")
        .arg(change.table, assignments.join(QLatin1Char(',')), key)
        .arg(change.mainId);
}

// Deleting value sets: their group rows go with them, and the sets derived
// from them become plain sets, so that nothing points at a set that is gone.
// The statements are those of every other value-set delete; here they are
// collected for the script as well.
void ManufacturerTakeOver::addValueSetDeletion(const QList<qint64> &ids, QStringList &statements,
                                               QStringList &unjournaled) const
{
    for (const QString &chunk : idListChunks(ids)) {
        const QString groups = ValueSetDeletion::groupRowsStatement(chunk);
        statements << groups;
        unjournaled << groups;
        statements << ValueSetDeletion::plainDerivedStatement(chunk);
        statements << ValueSetDeletion::deleteStatement(chunk);
    }
}

QStringList ManufacturerTakeOver::buildStatements(QStringList &unjournaled)
{
    m_applyNotes.clear();
    // Appliances to delete, unless value sets outside the take-over (entered
    // by hand) still belong to them.
    QSet<qint64> deletedAppliances;
    QList<qint64> applianceDeletions;
    for (int i = 0; i < m_changes.size(); ++i)
        if (m_changes.at(i).chosen && m_actions.value(i) == Remove
            && m_changes.at(i).table == m_geraete.table)
            applianceDeletions << m_changes.at(i).mainId;
    QSet<qint64> keptForHand;
    for (const QString &chunk : idListChunks(applianceDeletions)) {
        QSqlQuery query(kolvexDb());
        if (query.exec(QStringLiteral("SELECT DISTINCT Geraet FROM Werte WHERE coalesce(hand,0) "
                                      "AND Geraet IN (%1)")
                           .arg(chunk)))
            while (query.next())
                keptForHand.insert(query.value(0).toLongLong());
    }
    for (const qint64 id : applianceDeletions) {
        if (keptForHand.contains(id))
            m_applyNotes << tr("Feuerstätte %1 bleibt: sie hat von Hand erfasste Kenndaten.").arg(id);
        else
            deletedAppliances.insert(id);
    }

    // Main id of a value set to insert -> its line, for the sources.
    QHash<qint64, int> insertLineByMainId;
    for (int line : m_insertLine.value(m_werte.table))
        insertLineByMainId.insert(m_changes.at(line).mainId, line);

    QStringList inserts[2], updates;
    QList<qint64> valueSetDeletions;
    for (int i = 0; i < m_changes.size(); ++i) {
        Change &change = m_changes[i];
        if (!change.chosen)
            continue;
        const bool values = change.table == m_werte.table;
        const Action action = m_actions.value(i);
        if (action == Remove) {
            if (values)
                valueSetDeletions << change.mainId;
            continue;
        }
        Pending pending = m_pending.value(i);
        if (values) {
            Row ref = m_references.value(i);
            if ((action == Insert || containsColumn(change.columns, QStringLiteral("Geraet")))
                && !insertTargetExists(ref.geraet, deletedAppliances)) {
                m_applyNotes << tr("Kenndaten %1 nicht übernommen: ihre Feuerstätte wird nicht "
                                   "übernommen.")
                                    .arg(change.returnedId);
                change.chosen = false;
                continue;
            }
            // A source that is not taken over leaves a plain set.
            const int sourceLine = insertLineByMainId.value(ref.sourceId, -1);
            if (ref.sourceId > 0 && sourceLine >= 0 && !m_changes.at(sourceLine).chosen) {
                ref.sourceId = 0;
                ref.attachmentId = 0;
                m_applyNotes << tr("Kenndaten %1 kommen als einfache Kenndaten: ihre Quelle "
                                   "wird nicht übernommen.")
                                    .arg(change.returnedId);
            }
            for (int c = 0; c < pending.columns.size(); ++c) {
                const QString upper = pending.columns.at(c).toUpper();
                if (upper == QLatin1String("GERAET"))
                    pending.literals[c] = QString::number(ref.geraet);
                else if (upper == QLatin1String("BEMERKUNGID"))
                    pending.literals[c] = QString::number(ref.sourceId);
                else if (upper == QLatin1String("AUSATZRINGEID"))
                    pending.literals[c] = QString::number(ref.attachmentId);
            }
        }
        if (action == Insert) {
            inserts[values ? 1 : 0] << insertStatement(change, pending);
        } else {
            const QString sql = updateStatement(change, pending);
            if (!sql.isEmpty())
                updates << sql;
        }
    }
    // The value sets of a deleted appliance go with it.
    for (auto it = m_werte.main.constBegin(); it != m_werte.main.constEnd(); ++it)
        if (deletedAppliances.contains(it.value().geraet) && !valueSetDeletions.contains(it.key()))
            valueSetDeletions << it.key();
    std::sort(valueSetDeletions.begin(), valueSetDeletions.end());

    QStringList statements = inserts[0] + inserts[1] + updates;
    addValueSetDeletion(valueSetDeletions, statements, unjournaled);
    QList<qint64> appliances = deletedAppliances.values();
    std::sort(appliances.begin(), appliances.end());
    for (const QString &chunk : idListChunks(appliances))
        statements << QStringLiteral("DELETE FROM Geraete WHERE TirmaId IN (%1)").arg(chunk);
    return statements;
}

bool ManufacturerTakeOver::apply()
{
    m_error.clear();
    m_scriptPath.clear();
    m_statements.clear();
    if (m_applied)
        return fail(tr("Die Übernahme ist schon geschehen."));
    QStringList unjournaled;
    const QStringList statements = buildStatements(unjournaled);
    if (statements.isEmpty()) {
        m_result = summary();
        return true;
    }
    const QString script = freeScriptPath();
    const QString partial = script + QStringLiteral(".part");
    if (!writeScript(partial, statements))
        return false;
    if (!run(statements, unjournaled)) {
        QFile::remove(partial);
        return false;
    }
    m_applied = true;
    m_statements = statements;
    if (QFile::rename(partial, script)) {
        m_scriptPath = script;
    } else {
        QFile::remove(partial);
        m_applyNotes << tr("Das Skript %1 konnte nicht abgelegt werden.").arg(script);
    }
    m_result = summary();
    return true;
}

bool ManufacturerTakeOver::run(const QStringList &statements, const QStringList &unjournaled)
{
    const QSet<QString> plain(unjournaled.constBegin(), unjournaled.constEnd());
    WriteAction action(QString(), WriteAction::AllOrNothing);
    action.setStepName(tr("Update übernehmen"));
    int done = 0;
    bool ok = true;
    for (const QString &sql : statements) {
        ok = plain.contains(sql) ? action.runUnjournaled(sql) : action.run(sql);
        if (!ok) {
            m_error = tr("Die Übernahme wurde nicht ausgeführt, die Hauptdatei ist unverändert.\n"
                         "%1\n%2")
                          .arg(sql.left(300), action.lastError());
            break;
        }
        ++done;
        if (m_progress && (done % 200 == 0 || done == statements.size()))
            m_progress(done, statements.size());
    }
    const bool committed = action.finish();
    if (ok && !committed)
        m_error = tr("Die Übernahme konnte nicht gespeichert werden, die Hauptdatei ist "
                     "unverändert.");
    return ok && committed;
}

QString ManufacturerTakeOver::freeScriptPath() const
{
    const QFileInfo mainFile(kolvexDb().databaseName());
    QString name = UpdateManufacturerNames::of(kolvexDb(), m_manufacturerId).value(0);
    if (name.isEmpty())
        name = QString::number(m_manufacturerId);
    return freeUpdateScriptPath(mainFile.absolutePath(), name, QDate::currentDate());
}

bool ManufacturerTakeOver::writeScript(const QString &path, const QStringList &statements)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(tr("Das Skript %1 kann nicht geschrieben werden: %2")
                        .arg(path, file.errorString()));
    QByteArray bytes;
    for (const QString &sql : statements)
        bytes += (sql.trimmed() + QStringLiteral(";\n")).toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.close();
        file.remove();
        return fail(tr("Das Skript %1 kann nicht geschrieben werden: %2").arg(path, reason));
    }
    return true;
}

QString ManufacturerTakeOver::summary() const
{
    int taken[4] = {0, 0, 0, 0};
    int left = 0;
    for (const Change &change : m_changes) {
        if (change.chosen && m_applied)
            ++taken[change.kind];
        else
            ++left;
    }
    QString text = tr("Übernommen: %1 neu, %2 geändert, %3 gelöscht, %4 Konflikte; nicht "
                      "übernommen: %5.")
                       .arg(taken[New])
                       .arg(taken[Changed])
                       .arg(taken[Deleted])
                       .arg(taken[Conflict])
                       .arg(left);
    if (!m_scriptPath.isEmpty())
        text += QLatin1Char('\n') + tr("Skript: %1").arg(m_scriptPath);
    for (const QString &note : m_applyNotes)
        text += QLatin1Char('\n') + note;
    return text;
}
