#include "quarnelexportencoding.h"

#include <cstring>
#include <limits>

namespace {

QTextCodec *utf8Codec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("UTF-8");
    return codec;
}

QTextCodec *windows1252Codec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("Windows-1252");
    return codec;
}

// The UTF-8 of every Windows-1252 byte, as the codec decodes it: the code
// page is one byte per character, so a table of the 256 bytes reads any
// text alike.
class Windows1252Table
{
public:
    Windows1252Table()
    {
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString decoded = windows1252Codec()->toUnicode(&byte, 1);
            const QByteArray utf8 = decoded.toUtf8();
            if (decoded.size() != 1 || utf8.isEmpty() || utf8.size() > 3)
                continue;  // length 0: such a byte is never converted by the table
            std::memcpy(m_bytes[b], utf8.constData(), size_t(utf8.size()));
            m_length[b] = uchar(utf8.size());
        }
        for (int b = 0; b < 0x80; ++b)
            m_asciiAsIs = m_asciiAsIs && m_length[b] == 1 && m_bytes[b][0] == char(b);
    }

    bool convert(const char *data, int size, QByteArray *utf8) const
    {
        utf8->resize(size * 3);
        char *out = utf8->data();
        for (int i = 0; i < size; ++i) {
            const uchar b = uchar(data[i]);
            if (b < 0x80 && m_asciiAsIs) {
                *out++ = char(b);
                continue;
            }
            const int length = m_length[b];
            if (length == 0)
                return false;
            for (int k = 0; k < length; ++k)
                *out++ = m_bytes[b][k];
        }
        utf8->truncate(int(out - utf8->constData()));
        return true;
    }

private:
    char m_bytes[256][3] = {};
    uchar m_length[256] = {};
    bool m_asciiAsIs = true;
};

} // namespace

void QuarnelExportEncoding::Utf8Check::feed(const char *data, qint64 size)
{
    // Once a byte is wrong the file is not UTF-8, whatever follows.
    const int chunk = std::numeric_limits<int>::max();
    while (size > 0 && m_state.invalidChars == 0) {
        const int part = int(qMin<qint64>(size, chunk));
        utf8Codec()->toUnicode(data, part, &m_state);
        data += part;
        size -= part;
    }
}

bool QuarnelExportEncoding::hasByteOrderMark(const char *data, qint64 size)
{
    return size >= kByteOrderMarkSize && uchar(data[0]) == 0xEF && uchar(data[1]) == 0xBB
           && uchar(data[2]) == 0xBF;
}

QString QuarnelExportEncoding::decode(const char *data, int size, Kind kind)
{
    return kind == Utf8 ? QString::fromUtf8(data, size) : decodeWindows1252(data, size);
}

QByteArray QuarnelExportEncoding::encode(const QString &text, Kind kind)
{
    return kind == Utf8 ? text.toUtf8() : encodeWindows1252(text);
}

QString QuarnelExportEncoding::decodeWindows1252(const char *data, int size)
{
    return windows1252Codec()->toUnicode(data, size);
}

QByteArray QuarnelExportEncoding::encodeWindows1252(const QString &text)
{
    return windows1252Codec()->fromUnicode(text);
}

bool QuarnelExportEncoding::windows1252ToUtf8(const char *data, int size, QByteArray *utf8)
{
    static const Windows1252Table table;
    return table.convert(data, size, utf8);
}
