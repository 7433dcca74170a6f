#ifndef NUMBERFORMAT_H
#define NUMBERFORMAT_H

#include <QString>

// Fixed-point text of value with at most maxDec and at least minDec
// decimals, trailing zeros dropped ("2.5", "10", "0"). Negative counts count
// as 0; swapped counts are put in order. Decimals beyond the 15 significant
// digits a double holds are not written, and a value that rounds to zero
// has no minus sign.
QString formatNumber(double value, int maxDec, int minDec);

// Number of decimals of a spin step: the characters after the first "." of
// the step in general format with six significant digits (0.25 gives 2);
// an exponent moves the point (1e-05 gives 5, 1.5e+06 gives 0).
int stepDecimals(double step);

// value cut to the given decimals; halves go to the even neighbour.
double roundToDecimals(double value, int decimals);

// Decimals of the shortest fixed-point text that reads back as value
// exactly (0.13 gives 2, 1950 gives 0, 1e-05 gives 5).
int shownDecimals(double value);

// Fixed-point text of value with at least all the decimals it has and, up
// to maxDec, as formatNumber writes them: a stored 0.13 is never shown as 0.1.
QString exactNumberText(double value, int maxDec);

#endif // NUMBERFORMAT_H
