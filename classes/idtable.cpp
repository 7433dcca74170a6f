#include "idtable.h"

#include <QSqlQuery>

namespace {

constexpr int kIdsPerStatement = 100;

} // namespace

QString idTableInsertStatement(int first, int count)
{
    QString values;
    values.reserve(count * 8);
    for (int id = first; id < first + count; ++id)
        values += (id == first ? QStringLiteral("(%1)") : QStringLiteral(",(%1)")).arg(id);
    return QStringLiteral("INSERT INTO seqidxs VALUES %1").arg(values);
}

bool createIdTable(QSqlDatabase db)
{
    QSqlQuery q(db);
    bool ok = q.exec(QStringLiteral("CREATE TEMP TABLE seqidxs (id INTEGER PRIMARY KEY ASC)"));
    const bool ownTransaction = db.transaction();
    for (int first = 1; first <= kIdTableSize; first += kIdsPerStatement)
        ok = q.exec(idTableInsertStatement(first, kIdsPerStatement)) && ok;
    if (ownTransaction && !db.commit()) {
        db.rollback();
        ok = false;
    }
    return ok;
}
