#include "picklist.h"

#include <cmath>

namespace {
// Accumulated rounding must not drop the last value of a range (0:1:0.1).
constexpr double kRangeTolerance = 0.0001;
}

QStringList pickListRange(double from, double to, double step)
{
    QStringList entries;
    for (int k = 0; k < kMaxRangeEntries; ++k) {
        double value = from + k * step;
        if (to < value - kRangeTolerance)
            break;
        // A value that should be zero may come out as 1e-17 or so.
        if (std::fabs(value) < std::fabs(step) * 1e-9)
            value = 0.0;
        entries << QString::number(value, 'g', 6);
        if (!(step > 0.0))
            break;
    }
    return entries;
}

QStringList pickListEntries(const QString &comboWerte)
{
    QStringList entries;
    const QStringList parts = comboWerte.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QStringList pieces = part.split(QLatin1Char(':'), Qt::SkipEmptyParts);
        if (pieces.size() == 1)
            entries << pieces.first();
        else if (pieces.size() == 3)
            entries << pickListRange(pieces[0].toDouble(), pieces[1].toDouble(),
                                     pieces[2].toDouble());
    }
    return entries;
}
