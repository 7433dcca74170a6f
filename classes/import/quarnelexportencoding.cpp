#include "quarnelexportencoding.h"

#include <cstring>

namespace {

// Code points of the bytes 0x80-0x9F in Windows-1252.
const ushort kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool allAscii(const char *data, qint64 size)
{
    quint64 word;
    qint64 i = 0;
    for (; i + 8 <= size; i += 8) {
        std::memcpy(&word, data + i, 8);
        if (word & Q_UINT64_C(0x8080808080808080))
            return false;
    }
    for (; i < size; ++i) {
        if (uchar(data[i]) & 0x80)
            return false;
    }
    return true;
}

} // namespace

void QuarnelExportEncoding::Utf8Check::feed(const char *data, qint64 size)
{
    if (!m_valid)
        return;
    qint64 i = 0;
    while (i < size) {
        if (m_pending == 0) {
            // Runs of plain ASCII are the bulk of every export.
            qint64 run = 0;
            while (i + run + 8 <= size && allAscii(data + i + run, 8))
                run += 8;
            i += run;
            if (i >= size)
                break;
        }
        feedByte(uchar(data[i]));
        if (!m_valid)
            return;
        ++i;
    }
}

void QuarnelExportEncoding::Utf8Check::feedByte(uchar byte)
{
    if (m_pending > 0) {
        if (byte < m_low || byte > m_high) {
            m_valid = false;
            return;
        }
        --m_pending;
        m_low = 0x80;
        m_high = 0xBF;
        return;
    }
    if (byte < 0x80)
        return;
    if (byte >= 0xC2 && byte <= 0xDF) {
        m_pending = 1;
    } else if (byte == 0xE0) {
        m_pending = 2;
        m_low = 0xA0;  // no overlong forms
    } else if (byte == 0xED) {
        m_pending = 2;
        m_high = 0x9F;  // no surrogates
    } else if (byte >= 0xE1 && byte <= 0xEF) {
        m_pending = 2;
    } else if (byte == 0xF0) {
        m_pending = 3;
        m_low = 0x90;
    } else if (byte >= 0xF1 && byte <= 0xF3) {
        m_pending = 3;
    } else if (byte == 0xF4) {
        m_pending = 3;
        m_high = 0x8F;  // nothing above U+10FFFF
    } else {
        m_valid = false;  // continuation byte without a lead, 0xC0, 0xC1, 0xF5-0xFF
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
    QString text(size, Qt::Uninitialized);
    QChar *out = text.data();
    for (int i = 0; i < size; ++i) {
        const uchar byte = uchar(data[i]);
        out[i] = (byte >= 0x80 && byte < 0xA0) ? QChar(kWindows1252High[byte - 0x80])
                                               : QChar(byte);
    }
    return text;
}

QByteArray QuarnelExportEncoding::encodeWindows1252(const QString &text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (int i = 0; i < text.size(); ++i) {
        const ushort code = text.at(i).unicode();
        char byte = '?';
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            byte = char(code);
        } else {
            for (int b = 0; b < 32; ++b) {
                if (kWindows1252High[b] == code) {
                    byte = char(0x80 + b);
                    break;
                }
            }
        }
        out[i] = byte;
    }
    return bytes;
}
