#include "quarnelexportreader.h"

#include <QFileInfo>

#include <cstring>

namespace {

// Counts the lines with at least one character other than a carriage
// return, in pieces; a line may be split between pieces.
class LineCounter
{
public:
    explicit LineCounter(char lineEnd) : m_lineEnd(lineEnd) {}

    void feed(const char *data, const char *end)
    {
        while (data < end) {
            const char *found =
                static_cast<const char *>(std::memchr(data, m_lineEnd, size_t(end - data)));
            const char *lineEnd = found ? found : end;
            for (const char *c = data; !m_lineHasText && c < lineEnd; ++c)
                m_lineHasText = *c != '\r';
            if (!found)
                return;
            if (m_lineHasText)
                ++m_lines;
            m_lineHasText = false;
            data = found + 1;
        }
    }

    // With the last line, which needs no line end.
    int lines() const { return m_lines + (m_lineHasText ? 1 : 0); }

private:
    char m_lineEnd;
    int m_lines = 0;
    bool m_lineHasText = false;
};

} // namespace

QuarnelExportReader::QuarnelExportReader(const QString &path)
    : m_file(path)
{
}

bool QuarnelExportReader::open()
{
    return m_file.open(QIODevice::ReadOnly);
}

bool QuarnelExportReader::survey(const std::function<void()> &busy)
{
    const QFileInfo before(m_file.fileName());
    m_size = before.size();
    m_modified = before.lastModified();
    if (!m_file.seek(0)) {
        m_readError = true;
        return false;
    }
    QuarnelExportEncoding::Utf8Check utf8;
    QByteArray piece(kPieceSize, Qt::Uninitialized);
    LineCounter byNewline('\n');
    LineCounter byCarriageReturn('\r');
    bool sawNewline = false;
    bool first = true;
    m_surveyedBytes = 0;
    for (;;) {
        const qint64 size = m_file.read(piece.data(), piece.size());
        if (size < 0) {
            m_readError = true;
            return false;
        }
        if (size == 0)
            break;
        m_surveyedBytes += size;
        const char *data = piece.constData();
        const char *end = data + size;
        if (first && QuarnelExportEncoding::hasByteOrderMark(data, size)) {
            // The mark makes no line of its own.
            utf8.feed(data, QuarnelExportEncoding::kByteOrderMarkSize);
            data += QuarnelExportEncoding::kByteOrderMarkSize;
        }
        first = false;
        utf8.feed(data, end - data);
        byNewline.feed(data, end);
        // Once a "\n" turns up, carriage returns end no lines.
        if (!sawNewline) {
            sawNewline = std::memchr(data, '\n', size_t(end - data)) != nullptr;
            byCarriageReturn.feed(data, end);
        }
        if (busy)
            busy();
    }
    m_lineEnd = sawNewline ? '\n' : '\r';
    m_nonEmptyLines = sawNewline ? byNewline.lines() : byCarriageReturn.lines();
    m_surveyed = true;
    m_encoding = utf8.isValid() ? QuarnelExportEncoding::Utf8 : QuarnelExportEncoding::Windows1252;
    rewind();
    return !m_readError;
}

bool QuarnelExportReader::isUnchanged() const
{
    const QFileInfo now(m_file.fileName());
    return m_surveyedBytes == m_size && m_readBytes == m_size && m_linesRead == m_nonEmptyLines
           && now.size() == m_size && now.lastModified() == m_modified;
}

void QuarnelExportReader::rewind()
{
    m_piece.clear();
    m_pos = 0;
    m_readBytes = 0;
    m_linesRead = 0;
    if (!m_file.seek(0)) {
        m_readError = true;
        return;
    }
    if (m_encoding == QuarnelExportEncoding::Utf8 && fill()
        && QuarnelExportEncoding::hasByteOrderMark(m_piece.constData(), m_piece.size()))
        m_pos = QuarnelExportEncoding::kByteOrderMarkSize;
}

bool QuarnelExportReader::fill()
{
    m_piece.resize(kPieceSize);
    const qint64 size = m_file.read(m_piece.data(), m_piece.size());
    if (size < 0)
        m_readError = true;
    else
        m_readBytes += size;
    m_piece.resize(int(qMax<qint64>(size, 0)));
    m_pos = 0;
    return size > 0;
}

bool QuarnelExportReader::nextRawLine(QByteArray *line)
{
    line->clear();
    bool any = false;
    for (;;) {
        if (m_pos >= m_piece.size() && !fill())
            return any && !m_readError;
        any = true;
        const char *start = m_piece.constData() + m_pos;
        const int available = m_piece.size() - m_pos;
        const char *newline = static_cast<const char *>(std::memchr(start, m_lineEnd, size_t(available)));
        if (newline) {
            line->append(start, int(newline - start));
            m_pos += int(newline - start) + 1;
            return true;
        }
        line->append(start, available);
        m_pos = m_piece.size();
    }
}

void QuarnelExportReader::removeCarriageReturns(QByteArray *line)
{
    if (line->endsWith('\r'))
        line->chop(1);
    const int first = line->indexOf('\r');
    if (first < 0)
        return;
    char *data = line->data();
    int kept = first;
    for (int i = first; i < line->size(); ++i) {
        if (data[i] != '\r')
            data[kept++] = data[i];
    }
    line->truncate(kept);
}

bool QuarnelExportReader::nextLine(QString *line)
{
    if (!nextLineBytes(&m_raw)) {
        line->clear();
        return false;
    }
    *line = QuarnelExportEncoding::decode(m_raw.constData(), m_raw.size(), m_encoding);
    return true;
}

bool QuarnelExportReader::nextLineBytes(QByteArray *line)
{
    if (!m_surveyed && !survey()) {
        line->clear();
        return false;
    }
    if (!nextRawLine(line)) {
        line->clear();
        return false;
    }
    if (m_lineEnd == '\n')
        removeCarriageReturns(line);
    if (!line->isEmpty())
        ++m_linesRead;
    return true;
}
