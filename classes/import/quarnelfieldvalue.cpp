#include "quarnelfieldvalue.h"

#include "quarnelinsertbuilder.h"

#include <QString>

#include <limits>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isDecimalMark(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char(',');
}

bool isSign(QChar c)
{
    return c == QLatin1Char('+') || c == QLatin1Char('-');
}

} // namespace

QVariant QuarnelFieldValue::read(QStringView field, bool *isReal)
{
    *isReal = false;
    if (field.isEmpty()) {
        static const QVariant empty(QStringLiteral(""));  // the empty text, not NULL
        return empty;
    }
    if (field.contains(QLatin1Char('"')))
        return quotedText(field);
    const QStringView trimmed = field.trimmed();
    bool integral = false;
    if (!readNumber(trimmed, &integral))
        return field.toString();
    if (integral)
        return integralValue(trimmed, isReal);
    *isReal = true;
    QString number = trimmed.toString();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    return number;
}

QVariant QuarnelFieldValue::quotedText(QStringView field)
{
    // Most texts are enclosed in quotes and hold neither a quote nor an
    // apostrophe: their text is what lies between the quotes.
    if (field.size() >= 2 && field.front() == QLatin1Char('"') && field.back() == QLatin1Char('"')) {
        const QStringView inner = field.mid(1, field.size() - 2);
        if (!inner.contains(QLatin1Char('"')) && !inner.contains(QLatin1Char('\'')))
            return inner.toString();
    }
    return QuarnelInsertBuilder::textOfQuotedField(field.toString());
}

// [+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)([eE][+-]?[0-9]+)?
bool QuarnelFieldValue::readNumber(QStringView text, bool *integral)
{
    const int size = int(text.size());
    int i = 0;
    if (i < size && isSign(text.at(i)))
        ++i;
    int digits = 0;
    while (i < size && isDigit(text.at(i))) {
        ++i;
        ++digits;
    }
    bool mark = false;
    if (i < size && isDecimalMark(text.at(i))) {
        mark = true;
        ++i;
        while (i < size && isDigit(text.at(i))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    bool exponent = false;
    if (i < size && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        exponent = true;
        ++i;
        if (i < size && isSign(text.at(i)))
            ++i;
        int exponentDigits = 0;
        while (i < size && isDigit(text.at(i))) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    *integral = !mark && !exponent;
    return i == size;
}

// SQLite reads the digits of an integer literal (a sign is an operator of
// its own): up to 9223372036854775807 they are an integer, above that a
// real; the one value 9223372036854775808 after a minus sign is the
// smallest integer.
QVariant QuarnelFieldValue::integralValue(QStringView number, bool *isReal)
{
    const bool negative = number.startsWith(QLatin1Char('-'));
    QStringView digits = number;
    if (isSign(digits.front()))
        digits = digits.mid(1);
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits = digits.mid(1);
    static const QLatin1String kLimit("9223372036854775808");
    int order = int(digits.size()) - kLimit.size();
    if (order == 0)
        order = digits.compare(kLimit);
    if (order < 0) {
        qint64 magnitude = 0;
        for (const QChar c : digits)
            magnitude = magnitude * 10 + (c.unicode() - '0');
        return qlonglong(negative ? -magnitude : magnitude);
    }
    if (order == 0 && negative)
        return qlonglong(std::numeric_limits<qint64>::min());
    *isReal = true;
    return number.toString();
}
