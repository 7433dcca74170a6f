#ifndef QUARNELEXPORTENCODING_H
#define QUARNELEXPORTENCODING_H

#include <QByteArray>
#include <QString>
#include <QTextCodec>

// The character encodings of the Quarnel text exports.
//
// The exporting program runs on Windows machines: older ones write their
// 8-bit code page Windows-1252 (umlauts, but also the typographic quotes
// „ “, the dash – and the euro sign € in the range 0x80-0x9F), newer ones
// write UTF-8, with or without a byte-order mark. A file is read as UTF-8
// when all of its bytes form valid UTF-8, otherwise as Windows-1252; the
// same rule holds on every platform, whatever the locale.
class QuarnelExportEncoding
{
public:
    enum Kind { Utf8, Windows1252 };

    // Checks a byte stream piece by piece for valid UTF-8 (Qt's decoder
    // rejects stray continuation bytes, overlong forms, surrogates and
    // anything above U+10FFFF); a character may be split between pieces,
    // but none may be cut off at the end.
    class Utf8Check
    {
    public:
        void feed(const char *data, qint64 size);
        // After the last piece.
        bool isValid() const { return m_state.invalidChars == 0 && m_state.remainingChars == 0; }

    private:
        // Keeps the bytes of a character not yet complete between pieces.
        QTextCodec::ConverterState m_state;
    };

    static bool hasByteOrderMark(const char *data, qint64 size);
    static const int kByteOrderMarkSize = 3;

    static QString decode(const char *data, int size, Kind kind);
    static QByteArray encode(const QString &text, Kind kind);

    // Every byte is one character; the bytes 0x81, 0x8D, 0x8F, 0x90 and
    // 0x9D, which the code page leaves free, keep their code points so that
    // encoding gives the same bytes back (as Qt's codec does).
    static QString decodeWindows1252(const char *data, int size);
    // Characters the code page lacks become "?".
    static QByteArray encodeWindows1252(const QString &text);

    // The UTF-8 form of a Windows-1252 text, as the database would store
    // decodeWindows1252() of it, made byte by byte from a table without a
    // QString in between. False (and utf8 undefined) when a byte does not
    // decode to exactly one character.
    static bool windows1252ToUtf8(const char *data, int size, QByteArray *utf8);
};

#endif // QUARNELEXPORTENCODING_H
