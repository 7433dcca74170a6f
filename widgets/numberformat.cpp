#include "numberformat.h"

#include <cmath>
#include <utility>

QString formatNumber(double value, int maxDec, int minDec)
{
    maxDec = qMax(0, maxDec);
    minDec = qMax(0, minDec);
    if (maxDec < minDec)
        std::swap(maxDec, minDec);
    int decimals = maxDec;
    QString text = QString::number(value, 'f', decimals);
    // Each shorter text is written from the value again, never cut.
    while (decimals > minDec && text.endsWith(QLatin1Char('0'))) {
        --decimals;
        text = QString::number(value, 'f', decimals);
    }
    return text;
}

int stepDecimals(double step)
{
    const QString text = QString::number(step, 'g', 6);
    const int point = text.indexOf(QLatin1Char('.'));
    return point < 0 ? 0 : text.length() - point - 1;
}

double roundToDecimals(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    // nearbyint rounds in the default mode, which sends halves to even.
    return std::nearbyint(value * scale) / scale;
}
