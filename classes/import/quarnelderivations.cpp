#include "quarnelderivations.h"

#include "crosssectionderivation.h"
#include "sqltext.h"

#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <tuple>

QuarnelDerivations::QuarnelDerivations(QSqlDatabase db)
    : m_db(db)
{
}

void QuarnelDerivations::setBusyHandler(std::function<void()> handler, int intervalMs)
{
    m_keepAlive.setHandler(std::move(handler));
    m_keepAlive.setInterval(intervalMs);
}

int QuarnelDerivations::highestNumber(const QString &table) const
{
    // An empty number is imported as empty text, which SQLite would rank
    // above every number; the cast counts it as 0.
    QSqlQuery query(m_db);
    if (query.exec(QStringLiteral("SELECT max(CAST(hnr AS INTEGER)) FROM %1 WHERE vonwas!=3")
                       .arg(table))
        && query.next())
        return query.value(0).toInt();
    return 0;
}

int QuarnelDerivations::oldNumber(const QString &name) const
{
    QSqlQuery query(m_db);
    if (query.exec(QStringLiteral("SELECT hnr FROM Hersteller_alt WHERE hersteller='%1'")
                       .arg(doubleApostrophes(name)))
        && query.next())
        return query.value(0).toInt();
    return 0;
}

void QuarnelDerivations::numberManufacturers() const
{
    int top = qMax(highestNumber(QStringLiteral("Hersteller_alt")),
                   highestNumber(QStringLiteral("Hersteller")));

    // Read first, then write: the updates change the table being read.
    QList<std::tuple<int, int, QString>> rows;
    {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        if (!query.exec(
                QStringLiteral("SELECT id, hnr, hersteller FROM Hersteller WHERE hersteller!='-'")))
            return;
        while (query.next()) {
            m_keepAlive.tick();
            rows.append(std::make_tuple(query.value(0).toInt(), query.value(1).toInt(),
                                        query.value(2).toString()));
        }
    }
    for (const auto &row : rows) {
        m_keepAlive.tick();
        const int id = std::get<0>(row);
        if (id <= 0 || std::get<1>(row) > 0)
            continue;
        int number = oldNumber(std::get<2>(row));
        if (number <= 0)
            number = ++top;
        QSqlQuery update(m_db);
        update.exec(QStringLiteral("UPDATE Hersteller SET hnr=%1 WHERE id=%2").arg(number).arg(id));
    }
}

bool QuarnelDerivations::refreshSearchTable(QString *errorText) const
{
    QSqlQuery query(m_db);
    m_keepAlive.now();
    bool done = query.exec(QStringLiteral("DELETE from waermedbfts"));
    m_keepAlive.now();
    done = done
           && query.exec(QStringLiteral(
               "INSERT INTO waermedbfts(Hersteller,Typ) SELECT Hersteller,Typ FROM waermedb;"));
    m_keepAlive.now();
    if (!done)
        *errorText = query.lastError().databaseText();
    return done;
}

void QuarnelDerivations::createManufacturerIndex() const
{
    QSqlQuery query(m_db);
    m_keepAlive.now();
    query.exec(QStringLiteral("CREATE INDEX i1 on waermedb(hersteller)"));
    m_keepAlive.now();
}

QStringList QuarnelDerivations::runAfterImport() const
{
    createManufacturerIndex();
    CrossSectionDerivation crossSections(m_db);
    crossSections.setBusyHandler(m_keepAlive.handler(), m_keepAlive.interval());
    return crossSections.run();
}
