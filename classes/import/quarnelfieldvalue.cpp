#include "quarnelfieldvalue.h"

#include "quarnelinsertbuilder.h"

#include <QString>

#include <cstring>
#include <limits>

namespace {

// A field as characters (a QStringView) or as bytes: at() gives the code of
// a character or a byte, mid() a part of the same kind.
struct Characters
{
    QStringView text;
    int size() const { return int(text.size()); }
    uint at(int i) const { return text.at(i).unicode(); }
    Characters mid(int from) const { return {text.mid(from)}; }
};

struct Bytes
{
    const char *data;
    int length;
    int size() const { return length; }
    uint at(int i) const { return uchar(data[i]); }
    Bytes mid(int from) const { return {data + from, length - from}; }
};

bool isDigit(uint c)
{
    return c >= '0' && c <= '9';
}

bool isDecimalMark(uint c)
{
    return c == '.' || c == ',';
}

bool isSign(uint c)
{
    return c == '+' || c == '-';
}

// The blanks QString::trimmed() removes, as far as they are ASCII.
bool isAsciiBlank(uint c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// [+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)([eE][+-]?[0-9]+)?
template <typename Text>
bool readNumber(const Text &text, bool *integral)
{
    const int size = text.size();
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
    if (i < size && (text.at(i) == 'e' || text.at(i) == 'E')) {
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
// smallest integer. False for a real (the caller keeps the text).
template <typename Text>
bool integralValue(const Text &number, qlonglong *value)
{
    const bool negative = number.at(0) == '-';
    Text digits = isSign(number.at(0)) ? number.mid(1) : number;
    while (digits.size() > 1 && digits.at(0) == '0')
        digits = digits.mid(1);
    static const char kLimit[] = "9223372036854775808";
    const int limitSize = int(sizeof kLimit) - 1;
    int order = digits.size() - limitSize;
    for (int i = 0; order == 0 && i < limitSize; ++i)
        order = int(digits.at(i)) - int(uchar(kLimit[i]));
    if (order < 0) {
        qint64 magnitude = 0;
        for (int i = 0; i < digits.size(); ++i)
            magnitude = magnitude * 10 + qint64(digits.at(i) - '0');
        *value = negative ? -magnitude : magnitude;
        return true;
    }
    if (order == 0 && negative) {
        *value = std::numeric_limits<qint64>::min();
        return true;
    }
    return false;
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
    if (!readNumber(Characters{trimmed}, &integral))
        return field.toString();
    qlonglong integer = 0;
    if (integral && integralValue(Characters{trimmed}, &integer))
        return integer;
    *isReal = true;
    QString number = trimmed.toString();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    return number;
}

QuarnelFieldValue::Kind QuarnelFieldValue::kindOf(QStringView field, const QVariant &value,
                                                  bool isReal)
{
    if (field.isEmpty())
        return Empty;
    if (isReal)
        return Real;
    return value.userType() == QMetaType::LongLong ? Integer : Text;
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

bool QuarnelFieldValue::readUtf8(const char *field, int size, Kind *kind, QVariant *value)
{
    if (size == 0) {
        static const QVariant empty(QStringLiteral(""));
        *kind = Empty;
        *value = empty;
        return true;
    }
    if (std::memchr(field, '"', size_t(size))) {
        *kind = Text;
        *value = quotedUtf8Text(field, size);
        return true;
    }
    int begin = 0;
    int end = size;
    while (begin < end && isAsciiBlank(uchar(field[begin])))
        ++begin;
    while (end > begin && isAsciiBlank(uchar(field[end - 1])))
        --end;
    if (begin < end && (uchar(field[begin]) >= 0x80 || uchar(field[end - 1]) >= 0x80))
        return false;
    const Bytes trimmed{field + begin, end - begin};
    bool integral = false;
    if (!readNumber(trimmed, &integral)) {
        *kind = Text;
        *value = QByteArray(field, size);
        return true;
    }
    qlonglong integer = 0;
    if (integral && integralValue(trimmed, &integer)) {
        *kind = Integer;
        *value = integer;
        return true;
    }
    QByteArray number(trimmed.data, trimmed.length);
    number.replace(',', '.');
    *kind = Real;
    *value = number;
    return true;
}

// As QuarnelInsertBuilder::textOfQuotedField(), on the bytes: the
// enclosing quotes go, a doubled quote stands for one, an apostrophe
// becomes a blank.
QByteArray QuarnelFieldValue::quotedUtf8Text(const char *field, int size)
{
    if (size >= 2 && field[0] == '"' && field[size - 1] == '"') {
        ++field;
        size -= 2;
    }
    // Most texts hold neither a quote nor an apostrophe.
    if (!std::memchr(field, '"', size_t(size)) && !std::memchr(field, '\'', size_t(size)))
        return QByteArray(field, size);
    QByteArray text(size, Qt::Uninitialized);
    char *out = text.data();
    for (int i = 0; i < size; ++i) {
        const char c = field[i];
        if (c == '"' && i + 1 < size && field[i + 1] == '"') {
            *out++ = '"';
            ++i;
        } else {
            *out++ = c == '\'' ? ' ' : c;
        }
    }
    text.truncate(int(out - text.constData()));
    return text;
}
