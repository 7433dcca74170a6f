#include "quarnelrecordsplitter.h"

namespace {

const QChar kSeparator = QLatin1Char('|');
const QChar kQuote = QLatin1Char('"');

} // namespace

void QuarnelRecordSplitter::split(QStringView line, std::vector<QStringView> *fields)
{
    fields->clear();
    const int size = int(line.size());
    int start = 0;
    for (;;) {
        const int end = fieldEnd(line, start);
        fields->push_back(line.mid(start, end - start));
        if (end >= size)
            return;
        start = end + 1;  // behind the separator
    }
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

int QuarnelRecordSplitter::fieldEnd(QStringView line, int start)
{
    const int size = int(line.size());
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
