#include "quarnelexportencoding.h"

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
