#include "crosssectionderivation.h"

#include "crosssectiongeometry.h"
#include "numberformat.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>
#include <memory>
#include <vector>

namespace {

const int kLayerCount = 5;
const int kEndOfLayers = 0;
const int kOuterShellMarker = 40;

// The statements that store a derived row, in the order of the values.
const char *const kUpdateTemplates[4] = {"UPDATE QUERSCHN SET WdwInnen=%1 WHERE NR=%2;",
                                         "UPDATE QUERSCHN SET WdwAussen=%1 WHERE NR=%2;",
                                         "UPDATE QUERSCHN SET DickeInnen=%1 WHERE NR=%2;",
                                         "UPDATE QUERSCHN SET DickeAussen=%1 WHERE NR=%2;"};

// What a number text stands for as a literal in a statement.
enum class Literal { Integer, Real, Other };

// [-]digits is an integer literal (when it fits in 64 bits), [-]digits.digits
// a real one; anything else ("inf", "nan") is left to the statement text.
Literal literalOf(const QString &text, qlonglong *integer)
{
    const int start = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    int digits = 0;
    int points = 0;
    for (int i = start; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('.'))
            ++points;
        else if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++digits;
        else
            return Literal::Other;
    }
    if (digits == 0 || points > 1 || text.endsWith(QLatin1Char('.'))
        || text.midRef(start).startsWith(QLatin1Char('.')))
        return Literal::Other;
    if (points == 1)
        return Literal::Real;
    bool fits = false;
    *integer = text.toLongLong(&fits);
    return fits ? Literal::Integer : Literal::Other;
}

// One of those statements, prepared for an integer and for a real value,
// each bound as its literal in the statement text would be read (a real as
// its text inside "CAST(? AS REAL)", converted digit for digit alike).
class BoundUpdate
{
public:
    BoundUpdate(QSqlDatabase db, const QString &statementTemplate)
        : m_integer(db), m_real(db)
    {
        const QString key = QStringLiteral("?");
        m_prepared = m_integer.prepare(statementTemplate.arg(key, key))
                     && m_real.prepare(statementTemplate.arg(QStringLiteral("CAST(? AS REAL)"), key));
    }

    // False when the value cannot be bound like its literal: the caller
    // runs the statement text then.
    bool exec(const QString &value, qlonglong nr)
    {
        qlonglong integer = 0;
        const Literal literal = m_prepared ? literalOf(value, &integer) : Literal::Other;
        if (literal == Literal::Other)
            return false;
        QSqlQuery &query = literal == Literal::Integer ? m_integer : m_real;
        query.bindValue(0, literal == Literal::Integer ? QVariant(integer) : QVariant(value));
        query.bindValue(1, nr);
        query.exec();  // a failure leaves the row as it is, as the statement text would
        return true;
    }

private:
    QSqlQuery m_integer;
    QSqlQuery m_real;
    bool m_prepared = false;
};

// The columns derive() reads, in the order of the compact row.
enum Column { Nr, Designation, Shape, Width, Height, OuterShape, OuterWidth, OuterHeight, Layers };
const char *const kColumnNames[Layers] = {"NR",      "BEZEICHNUN", "QFORM", "WEITE1",
                                          "WEITE2",  "QFORM_S",    "W1_S",  "W2_S"};
// Material and thickness of layer i (from 1) follow the others in pairs.
int materialColumn(int i) { return Layers + 2 * (i - 1); }
int thicknessColumn(int i) { return Layers + 2 * (i - 1) + 1; }

QStringList compactColumnNames()
{
    QStringList names;
    for (const char *name : kColumnNames)
        names << QLatin1String(name);
    for (int i = 1; i <= kLayerCount; ++i)
        names << QStringLiteral("S%1").arg(i) << QStringLiteral("W%1").arg(i);
    return names;
}

QString text(const QSqlRecord &row, int column)
{
    return row.value(column).toString();
}

double number(const QSqlRecord &row, int column)
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
    // Only the columns the derivation reads, found once by name (the first
    // of that name, so NR is the cross-section's): a whole joined record
    // per row would cost more than the derivation itself.
    QSqlRecord row;
    QVector<int> columns;
    while (query.next()) {
        m_keepAlive.tick();
        if (columns.isEmpty())
            row = readColumns(query.record(), &columns);
        for (int i = 0; i < columns.size(); ++i) {
            if (columns.at(i) >= 0)
                row.setValue(i, query.value(columns.at(i)));
        }
        Values values;
        QString message;
        if (!deriveCompact(row, &values, &message)) {
            messages->append(message);
            continue;
        }
        if (values.fits())
            derived.append(Derived{text(row, Nr), values});
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
    storeSections(derived);
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

QSqlRecord CrossSectionDerivation::readColumns(const QSqlRecord &joined, QVector<int> *columns)
{
    static const QStringList names = compactColumnNames();
    QSqlRecord row;
    columns->clear();
    for (const QString &name : names) {
        // The first column of that name; a missing one stays empty, and
        // reads as 0 like a missing name.
        const int index = joined.indexOf(name);
        row.append(index < 0 ? QSqlField(name) : joined.field(index));
        row.setNull(row.count() - 1);
        columns->append(index);
    }
    return row;
}

void CrossSectionDerivation::storeSections(const QVector<Derived> &derived)
{
    std::vector<std::unique_ptr<BoundUpdate>> updates;
    for (const char *statement : kUpdateTemplates)
        updates.emplace_back(new BoundUpdate(m_db, QLatin1String(statement)));
    for (const Derived &section : derived) {
        m_keepAlive.tick();
        bool keyFits = false;
        const qlonglong nr = section.nr.toLongLong(&keyFits);
        const QStringList values = formattedValues(section.values);
        for (int i = 0; i < values.size(); ++i) {
            if (keyFits && updates[size_t(i)]->exec(values.at(i), nr))
                continue;
            QSqlQuery query(m_db);
            query.exec(QString(QLatin1String(kUpdateTemplates[i])).arg(values.at(i), section.nr));
        }
    }
}

bool CrossSectionDerivation::shellDiameter(const QSqlRecord &row, int side, Values *values,
                                           QString *message) const
{
    static const int shapes[2] = {Shape, OuterShape};
    static const int widths[2] = {Width, OuterWidth};
    static const int heights[2] = {Height, OuterHeight};
    static const char *const failures[2] = {"Fehler DhInnen: ", "Fehler DhAussen: "};
    const int shape = row.value(shapes[side]).toInt();
    const CrossSectionGeometry geometry(shape, number(row, widths[side]),
                                        number(row, heights[side]));
    // Shapes without a perimeter (and unknown codes) give no diameter to
    // grow the layers from; such a shell is reported like a failed one.
    if (!geometry.hasHydraulicDiameter() || !(geometry.hydraulicDiameter() > 0.0)) {
        *message = QLatin1String(failures[side]) + text(row, Designation) + text(row, Nr);
        return false;
    }
    values->diameter[side] = geometry.hydraulicDiameter();
    return true;
}

bool CrossSectionDerivation::derive(const QSqlRecord &row, Values *values, QString *message)
{
    QVector<int> columns;
    QSqlRecord compact = readColumns(row, &columns);
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i) >= 0)
            compact.setValue(i, row.value(columns.at(i)));
    }
    return deriveCompact(compact, values, message);
}

bool CrossSectionDerivation::deriveCompact(const QSqlRecord &row, Values *values, QString *message)
{
    *values = Values();
    m_formFactor[0] = m_formFactor[1] = 1.0;
    for (int side = 0; side < 2; ++side) {
        if (!shellDiameter(row, side, values, message))
            return false;
        if (row.value(side == 0 ? Shape : OuterShape).toInt() % 3 != 0)
            m_formFactor[side] = 1.1;
    }
    if (!addLayers(row, values, message))
        return false;
    for (int side = 0; side < 2; ++side) {
        if (!std::isfinite(values->resistance[side]) || !std::isfinite(values->diameter[side])) {
            *message = QStringLiteral("Fehler Schichten: ") + text(row, Designation)
                       + text(row, Nr);
            return false;
        }
    }
    return true;
}

bool CrossSectionDerivation::addLayers(const QSqlRecord &row, Values *values, QString *message)
{
    int side = 0;
    for (int i = 1; i <= kLayerCount; ++i) {
        const int material = row.value(materialColumn(i)).toInt();
        const double s = number(row, thicknessColumn(i));
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

QStringList CrossSectionDerivation::formattedValues(const Values &values)
{
    const auto formatted = [](double value) { return formatNumber(value, 4, 0); };
    return QStringList() << formatted(values.resistance[0]) << formatted(values.resistance[1])
                         << formatted(values.thickness[0]) << formatted(values.thickness[1]);
}

QStringList CrossSectionDerivation::updateStatements(const Values &values, const QString &nr)
{
    const QStringList texts = formattedValues(values);
    QStringList statements;
    for (int i = 0; i < texts.size(); ++i)
        statements << QString(QLatin1String(kUpdateTemplates[i])).arg(texts.at(i), nr);
    return statements;
}
