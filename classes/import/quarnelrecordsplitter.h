#ifndef QUARNELRECORDSPLITTER_H
#define QUARNELRECORDSPLITTER_H

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// Splits a record line of a Quarnel export into its fields at "|".
//
// A field that begins with a double quote is a text, and the quotes
// protect the separator: the field runs to the first quote that is
// followed by "|" or by the end of the line, so "1|"a|b"|3" has the three
// fields 1, "a|b" and 3. Quotes inside a text may be doubled or not; both
// forms occur in the exports ("KS "Kompakt""). When no such closing quote
// follows, the field ends at the next "|" like any other.
//
// The same rule splits the line as bytes: the separator and the quote are
// ASCII, and neither Windows-1252 nor UTF-8 uses their bytes inside another
// character, so the fields of the bytes are those of the decoded text.
class QuarnelRecordSplitter
{
public:
    // A field of a line of bytes: where it starts and how many bytes it has.
    struct ByteField
    {
        int start;
        int size;
    };

    static void split(QStringView line, std::vector<QStringView> *fields);
    static QStringList split(const QString &line);
    static void split(const char *line, int size, std::vector<ByteField> *fields);
};

#endif // QUARNELRECORDSPLITTER_H
