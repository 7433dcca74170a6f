#ifndef QUARNELFIELDVALUE_H
#define QUARNELFIELDVALUE_H

#include <QByteArray>
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
    // What a field holds, and so which placeholders can take it.
    enum Kind {
        Empty,    // the empty text ''
        Text,     // a text
        Integer,  // a 64-bit integer (a qlonglong)
        Real      // the text of a real number, for "CAST(? AS REAL)"
    };

    // The value to bind; isReal tells that it is the text of a real.
    static QVariant read(QStringView field, bool *isReal);
    static Kind kindOf(QStringView field, const QVariant &value, bool isReal);

    // The same for a field of a line already in UTF-8 (the encoding the
    // database stores): texts and reals come as their UTF-8 bytes (a
    // QByteArray), integers as a qlonglong, the empty text as an empty
    // QString. False when only the decoded field can tell: an unquoted
    // field whose ends, ASCII blanks aside, are not ASCII may end in blanks
    // of other scripts, which read() trims off a number.
    static bool readUtf8(const char *field, int size, Kind *kind, QVariant *value);

private:
    static QVariant quotedText(QStringView field);
    static QByteArray quotedUtf8Text(const char *field, int size);
};

#endif // QUARNELFIELDVALUE_H
