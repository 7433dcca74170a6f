// The appliance list of manufacturer 58 on the large database: the list
// statement with the value-set ids of every row, against one pass of the
// sqlite3 shell over the value table.
#include "appsettings.h"
#include "benchcase.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "testsupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

void useApplianceListSettings(const QString &valueFilter)
{
    AppSettings *settings = AppSettings::instance();
    settings->manufacturerMode = true;
    settings->currentManufacturerId = 58;
    settings->applianceFields = AppSettings::defaultApplianceFields();
    settings->showOldAppliances = true;
    settings->allFilter.clear();
    settings->applianceFilter.clear();
    settings->valueFilter = valueFilter;
}

// The ids one statement per row would give for the first rows of the list.
int rowsDifferingFromLookupPerRow(const GeraeteModel &model, QSqlDatabase db, int rows)
{
    const QString filter = QString(AppSettings::instance()->valueFilter).replace("'", "''");
    int differing = 0;
    for (int row = 0; row < std::min(rows, model.rowCount()); ++row) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT werteid FROM werte WHERE Geraet=%1 AND Bemerkung LIKE '%%2%'")
                   .arg(model.index(row, 0).data(Qt::EditRole).toInt())
                   .arg(filter));
        QStringList ids;
        while (q.next())
            ids << q.value(0).toString();
        if (ids.join('#') != model.valueSetIdsOfRow(row))
            ++differing;
    }
    return differing;
}

void measureApplianceList(BenchContext &context, QSqlDatabase db, const QString &valueFilter,
                          double onePass)
{
    useApplianceListSettings(valueFilter);
    GeraeteModel model;
    model.selectAppliances();  // learns the column kinds once, as the program does
    const double ours = context.timeOurs(3, [&] { model.selectAppliances(); });
    const int differing = rowsDifferingFromLookupPerRow(model, db, 25);
    QString note = QStringLiteral("%1 rows, value filter '%2'").arg(model.rowCount()).arg(valueFilter);
    if (!valueFilter.isEmpty())
        note += QStringLiteral(", the list statement itself makes a LIKE pass over Werte");
    if (differing > 0)
        note += QStringLiteral(", %1 of 25 rows DIFFER from the lookup per row").arg(differing);
    context.report(QStringLiteral("selectAppliances 58 with value-set ids, filter '%1'")
                       .arg(valueFilter),
                   ours, onePass, note + " (ratio to one shell pass over Werte)");
}

} // namespace

KOLVEX_BENCH_CASE(applianceList)
{
    QSqlDatabase db = TestSupport::openKolvex(context.largeDatabase(), false);
    const double onePass =
        context.timeShell(context.largeDatabase(), QString(), "SELECT max(Geraet) FROM Werte;", 3);
    measureApplianceList(context, db, QString(), onePass);
    measureApplianceList(context, db, QStringLiteral("Betreiber's"), onePass);
}
