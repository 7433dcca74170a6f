#include "quarnelexportreader.h"

#include <cstring>

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
    if (!m_file.seek(0)) {
        m_readError = true;
        return false;
    }
    QuarnelExportEncoding::Utf8Check utf8;
    QByteArray piece(kPieceSize, Qt::Uninitialized);
    m_nonEmptyLines = 0;
    bool lineHasText = false;
    bool first = true;
    for (;;) {
        const qint64 size = m_file.read(piece.data(), piece.size());
        if (size < 0) {
            m_readError = true;
            return false;
        }
        if (size == 0)
            break;
        const char *data = piece.constData();
        const char *end = data + size;
        if (first && QuarnelExportEncoding::hasByteOrderMark(data, size)) {
            // The mark makes no line of its own.
            utf8.feed(data, QuarnelExportEncoding::kByteOrderMarkSize);
            data += QuarnelExportEncoding::kByteOrderMarkSize;
        }
        first = false;
        utf8.feed(data, end - data);
        while (data < end) {
            const char *newline =
                static_cast<const char *>(std::memchr(data, '\n', size_t(end - data)));
            const char *lineEnd = newline ? newline : end;
            for (const char *c = data; !lineHasText && c < lineEnd; ++c)
                lineHasText = *c != '\r';
            if (!newline)
                break;
            if (lineHasText)
                ++m_nonEmptyLines;
            lineHasText = false;
            data = newline + 1;
        }
        if (busy)
            busy();
    }
    if (lineHasText)
        ++m_nonEmptyLines;
    m_surveyed = true;
    m_encoding = utf8.isValid() ? QuarnelExportEncoding::Utf8 : QuarnelExportEncoding::Windows1252;
    rewind();
    return !m_readError;
}

void QuarnelExportReader::rewind()
{
    m_piece.clear();
    m_pos = 0;
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
        const char *newline = static_cast<const char *>(std::memchr(start, '\n', size_t(available)));
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
    if (!m_surveyed && !survey()) {
        line->clear();
        return false;
    }
    if (!nextRawLine(&m_raw)) {
        line->clear();
        return false;
    }
    removeCarriageReturns(&m_raw);
    *line = QuarnelExportEncoding::decode(m_raw.constData(), m_raw.size(), m_encoding);
    return true;
}
