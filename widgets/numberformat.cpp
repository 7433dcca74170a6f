#include "numberformat.h"

#include <QLocale>

#include <cmath>
#include <utility>

namespace {
// Significant digits a double holds reliably; decimals beyond them are noise
// (12345678.1 would come out as 12345678.0999999996 with ten decimals).
constexpr int kSignificantDigits = 15;

int decimalsWithinPrecision(double value, int decimals)
{
    const double magnitude = std::fabs(value);
    if (!std::isfinite(magnitude) || magnitude < 1.0)
        return decimals;
    const int integerDigits = int(std::floor(std::log10(magnitude))) + 1;
    return qMin(decimals, qMax(0, kSignificantDigits - integerDigits));
}

// "-0" and "-0.00" stand for a value that rounds to zero.
QString withoutNegativeZero(const QString &text)
{
    if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0.0)
        return text.mid(1);
    return text;
}
}

QString formatNumber(double value, int maxDec, int minDec)
{
    maxDec = qMax(0, maxDec);
    minDec = qMax(0, minDec);
    if (maxDec < minDec)
        std::swap(maxDec, minDec);
    int decimals = qMax(minDec, decimalsWithinPrecision(value, maxDec));
    QString text = QString::number(value, 'f', decimals);
    // Each shorter text is written from the value again, never cut.
    while (decimals > minDec && text.endsWith(QLatin1Char('0'))) {
        --decimals;
        text = QString::number(value, 'f', decimals);
    }
    return withoutNegativeZero(text);
}

int stepDecimals(double step)
{
    const QString text = QString::number(step, 'g', 6);
    const int exponentAt = text.indexOf(QLatin1Char('e'));
    const QString mantissa = exponentAt < 0 ? text : text.left(exponentAt);
    const int point = mantissa.indexOf(QLatin1Char('.'));
    const int decimals = point < 0 ? 0 : mantissa.length() - point - 1;
    if (exponentAt < 0)
        return decimals;
    // 1e-05 has five decimals, 1.5e+06 none.
    return qMax(0, decimals - text.mid(exponentAt + 1).toInt());
}

double roundToDecimals(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    // nearbyint rounds in the default mode, which sends halves to even.
    return std::nearbyint(value * scale) / scale;
}

int shownDecimals(double value)
{
    if (!std::isfinite(value))
        return 0;
    const QString text = QString::number(value, 'f', QLocale::FloatingPointShortest);
    const int point = text.indexOf(QLatin1Char('.'));
    return point < 0 ? 0 : text.length() - point - 1;
}

QString exactNumberText(double value, int maxDec)
{
    return formatNumber(value, qMax(maxDec, shownDecimals(value)), 0);
}
