#include "idtable.h"

#include <QSqlError>
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

bool createIdTable(QSqlDatabase db, QSqlError *error)
{
    QSqlQuery q(db);
    const auto fail = [&q, error] {
        if (error)
            *error = q.lastError();
        return false;
    };
    // A table already present, or a file another program holds locked:
    // nothing more to try.
    if (!q.exec(QStringLiteral("CREATE TEMP TABLE seqidxs (id INTEGER PRIMARY KEY ASC)")))
        return fail();
    const bool ownTransaction = db.transaction();
    for (int first = 1; first <= kIdTableSize; first += kIdsPerStatement) {
        if (q.exec(idTableInsertStatement(first, kIdsPerStatement)))
            continue;
        // Stop at the first failure instead of waiting out every statement;
        // a half-filled table would hand out wrong ids.
        fail();
        if (ownTransaction)
            db.rollback();
        q.exec(QStringLiteral("DROP TABLE temp.seqidxs"));
        return false;
    }
    if (ownTransaction && !db.commit()) {
        if (error)
            *error = db.lastError();
        db.rollback();
        q.exec(QStringLiteral("DROP TABLE temp.seqidxs"));
        return false;
    }
    return true;
}
