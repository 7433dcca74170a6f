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

void QuarnelDerivations::setBusyHandler(std::function<void()> handler)
{
    m_busy = std::move(handler);
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
            if (m_busy)
                m_busy();
            rows.append(std::make_tuple(query.value(0).toInt(), query.value(1).toInt(),
                                        query.value(2).toString()));
        }
    }
    for (const auto &row : rows) {
        if (m_busy)
            m_busy();
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
    if (!query.exec(QStringLiteral("DELETE from waermedbfts"))
        || !query.exec(QStringLiteral(
            "INSERT INTO waermedbfts(Hersteller,Typ) SELECT Hersteller,Typ FROM waermedb;"))) {
        *errorText = query.lastError().databaseText();
        return false;
    }
    return true;
}

void QuarnelDerivations::createManufacturerIndex() const
{
    QSqlQuery query(m_db);
    query.exec(QStringLiteral("CREATE INDEX i1 on waermedb(hersteller)"));
}

QStringList QuarnelDerivations::runAfterImport() const
{
    if (m_busy)
        m_busy();
    createManufacturerIndex();
    CrossSectionDerivation crossSections(m_db);
    crossSections.setBusyHandler(m_busy);
    return crossSections.run();
}
