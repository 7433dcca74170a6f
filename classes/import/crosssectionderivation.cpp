#include "crosssectionderivation.h"

#include "crosssectiongeometry.h"
#include "numberformat.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace {

const int kLayerCount = 5;
const int kEndOfLayers = 0;
const int kOuterShellMarker = 40;

QString text(const QSqlRecord &row, const char *column)
{
    return row.value(QLatin1String(column)).toString();
}

double number(const QSqlRecord &row, const QString &column)
{
    return row.value(column).toDouble();
}

} // namespace

CrossSectionDerivation::CrossSectionDerivation(QSqlDatabase db)
    : m_db(db), m_materials(db)
{
}

void CrossSectionDerivation::setBusyHandler(std::function<void()> handler, int intervalMs)
{
    m_keepAlive.setHandler(std::move(handler));
    m_keepAlive.setInterval(intervalMs);
}

bool CrossSectionDerivation::alreadyDerived() const
{
    QSqlQuery query(m_db);
    return query.exec(QStringLiteral("SELECT WdwInnen FROM QUERSCHN;")) && query.next();
}

void CrossSectionDerivation::addColumns() const
{
    for (const char *column : {"WdwInnen", "WdwAussen", "DickeInnen", "DickeAussen"}) {
        QSqlQuery query(m_db);
        // Fails harmlessly when the column exists or the table is missing.
        query.exec(QStringLiteral("ALTER TABLE QUERSCHN ADD COLUMN %1 Numeric;")
                       .arg(QLatin1String(column)));
    }
}

QVector<CrossSectionDerivation::Derived> CrossSectionDerivation::deriveSections(
    QStringList *messages)
{
    // Only the key and the four numbers of each row are kept, not the joined
    // row itself: a million cross-sections fit in a few dozen megabytes.
    QVector<Derived> derived;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM QUERSCHN INNER JOIN BAUART ON "
                                   "QUERSCHN.SYSNR=BAUART.SYSNR WHERE (LAS_HL!=0 OR "
                                   "LAS_NHL!=0) AND W1_S>0;")))
        return derived;
    while (query.next()) {
        m_keepAlive.tick();
        const QSqlRecord row = query.record();
        Values values;
        QString message;
        if (!derive(row, &values, &message)) {
            messages->append(message);
            continue;
        }
        if (values.fits())
            derived.append(Derived{text(row, "NR"), values});
    }
    return derived;
}

QStringList CrossSectionDerivation::run()
{
    QStringList messages;
    if (alreadyDerived())
        return messages;
    // The columns come in the same transaction as their values: when the
    // values cannot be stored, the table is left without them and the next
    // import derives it again.
    const bool inTransaction = m_db.transaction();
    addColumns();
    m_keepAlive.now();
    // Read first, then write: the updates change the table being read.
    const QVector<Derived> derived = deriveSections(&messages);
    for (const Derived &section : derived) {
        m_keepAlive.tick();
        for (const QString &sql : updateStatements(section.values, section.nr)) {
            QSqlQuery query(m_db);
            query.exec(sql);
        }
    }
    m_keepAlive.now();
    if (inTransaction && !m_db.commit()) {
        const QString reason = m_db.lastError().text();
        m_db.rollback();
        messages.append(QCoreApplication::translate(
                            "CrossSectionDerivation",
                            "Die abgeleiteten Spalten der Tabelle QUERSCHN konnten nicht "
                            "gespeichert werden: %1")
                            .arg(reason));
    }
    m_keepAlive.now();
    return messages;
}

bool CrossSectionDerivation::shellDiameter(const QSqlRecord &row, int side, Values *values,
                                           QString *message) const
{
    static const char *const shapes[2] = {"QFORM", "QFORM_S"};
    static const char *const widths[2] = {"WEITE1", "W1_S"};
    static const char *const heights[2] = {"WEITE2", "W2_S"};
    static const char *const failures[2] = {"Fehler DhInnen: ", "Fehler DhAussen: "};
    const int shape = row.value(QLatin1String(shapes[side])).toInt();
    const CrossSectionGeometry geometry(shape, number(row, QLatin1String(widths[side])),
                                        number(row, QLatin1String(heights[side])));
    // Shapes without a perimeter (and unknown codes) give no diameter to
    // grow the layers from; such a shell is reported like a failed one.
    if (!geometry.hasHydraulicDiameter() || !(geometry.hydraulicDiameter() > 0.0)) {
        *message = QLatin1String(failures[side]) + text(row, "BEZEICHNUN") + text(row, "NR");
        return false;
    }
    values->diameter[side] = geometry.hydraulicDiameter();
    return true;
}

bool CrossSectionDerivation::derive(const QSqlRecord &row, Values *values, QString *message)
{
    *values = Values();
    m_formFactor[0] = m_formFactor[1] = 1.0;
    for (int side = 0; side < 2; ++side) {
        if (!shellDiameter(row, side, values, message))
            return false;
        const char *shape = side == 0 ? "QFORM" : "QFORM_S";
        if (row.value(QLatin1String(shape)).toInt() % 3 != 0)
            m_formFactor[side] = 1.1;
    }
    if (!addLayers(row, values, message))
        return false;
    for (int side = 0; side < 2; ++side) {
        if (!std::isfinite(values->resistance[side]) || !std::isfinite(values->diameter[side])) {
            *message = QStringLiteral("Fehler Schichten: ") + text(row, "BEZEICHNUN")
                       + text(row, "NR");
            return false;
        }
    }
    return true;
}

bool CrossSectionDerivation::addLayers(const QSqlRecord &row, Values *values, QString *message)
{
    int side = 0;
    for (int i = 1; i <= kLayerCount; ++i) {
        const int material = row.value(QStringLiteral("S%1").arg(i)).toInt();
        const double s = number(row, QStringLiteral("W%1").arg(i));
        if (material == kEndOfLayers)
            break;
        if (material == kOuterShellMarker) {
            side = 1;
            continue;
        }
        double wdw = 0.0;
        double wlz = 0.0;
        if (!m_materials.find(material, &wdw, &wlz)) {
            *message = QStringLiteral("Material fehlt ") + QString::number(material);
            return false;
        }
        values->thickness[side] += s;
        double &d = values->diameter[side];
        if (wdw > 0.0) {
            values->resistance[side] = wdw;
        } else if (wlz > 0.0) {
            values->resistance[side] +=
                m_formFactor[side] * d / (2.0 * wlz) * std::log((d + 2.0 * s) / d);
            d += 2.0 * s;
        } else {
            *message = QStringLiteral("Weder Lambda noch Wdw für Material ")
                       + QString::number(material);
            return false;
        }
    }
    return true;
}

QStringList CrossSectionDerivation::updateStatements(const Values &values, const QString &nr)
{
    const auto formatted = [](double value) { return formatNumber(value, 4, 0); };
    return QStringList()
           << QStringLiteral("UPDATE QUERSCHN SET WdwInnen=%1 WHERE NR=%2;")
                  .arg(formatted(values.resistance[0]), nr)
           << QStringLiteral("UPDATE QUERSCHN SET WdwAussen=%1 WHERE NR=%2;")
                  .arg(formatted(values.resistance[1]), nr)
           << QStringLiteral("UPDATE QUERSCHN SET DickeInnen=%1 WHERE NR=%2;")
                  .arg(formatted(values.thickness[0]), nr)
           << QStringLiteral("UPDATE QUERSCHN SET DickeAussen=%1 WHERE NR=%2;")
                  .arg(formatted(values.thickness[1]), nr);
}
