#include "quarnelrecordsplitter.h"

namespace {

const char kSeparator = '|';
const char kQuote = '"';

// Index just behind the field that starts at start; Text is a QStringView
// or a view of bytes, at() gives a character or a byte.
template <typename Text>
int fieldEnd(const Text &line, int size, int start)
{
    if (start < size && line.at(start) == kQuote) {
        for (int i = start + 1; i < size; ++i) {
            if (line.at(i) == kQuote && (i + 1 == size || line.at(i + 1) == kSeparator))
                return i + 1;
        }
    }
    for (int i = start; i < size; ++i) {
        if (line.at(i) == kSeparator)
            return i;
    }
    return size;
}

template <typename Text, typename Add>
void splitInto(const Text &line, int size, const Add &add)
{
    int start = 0;
    for (;;) {
        const int end = fieldEnd(line, size, start);
        add(start, end - start);
        if (end >= size)
            return;
        start = end + 1;  // behind the separator
    }
}

struct Bytes
{
    const char *data;
    char at(int i) const { return data[i]; }
};

struct Characters
{
    QStringView text;
    ushort at(int i) const { return text.at(i).unicode(); }
};

} // namespace

void QuarnelRecordSplitter::split(QStringView line, std::vector<QStringView> *fields)
{
    fields->clear();
    splitInto(Characters{line}, int(line.size()),
              [&](int start, int size) { fields->push_back(line.mid(start, size)); });
}

QStringList QuarnelRecordSplitter::split(const QString &line)
{
    std::vector<QStringView> views;
    split(QStringView(line), &views);
    QStringList fields;
    fields.reserve(int(views.size()));
    for (const QStringView &view : views)
        fields.append(view.toString());
    return fields;
}

void QuarnelRecordSplitter::split(const char *line, int size, std::vector<ByteField> *fields)
{
    fields->clear();
    splitInto(Bytes{line}, size, [&](int start, int length) { fields->push_back({start, length}); });
}
