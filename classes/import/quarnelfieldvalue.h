#ifndef QUARNELFIELDVALUE_H
#define QUARNELFIELDVALUE_H

#include <QStringView>
#include <QVariant>

// One field of a record line as the value the import stores: the value the
// SQL literal of QuarnelInsertBuilder::sqlValue() stands for, read without
// going through statement text.
//
// A number without decimal point or exponent is an integer when it fits in
// 64 bits, as SQLite reads such a literal. Any other number is a real; its
// text (decimal point, sign and exponent as written) is left to the
// database to convert ("CAST(? AS REAL)"), so that it is converted digit
// for digit as the literal would be. Everything else is text.
class QuarnelFieldValue
{
public:
    // The value to bind; isReal tells that it is the text of a real.
    static QVariant read(QStringView field, bool *isReal);

private:
    static QVariant quotedText(QStringView field);
    static bool readNumber(QStringView trimmed, bool *integral);
    static QVariant integralValue(QStringView number, bool *isReal);
};

#endif // QUARNELFIELDVALUE_H
