#ifndef QUARNELEXPORTREADER_H
#define QUARNELEXPORTREADER_H

#include "quarnelexportencoding.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <functional>

// Reads a Quarnel text export line by line, in pieces of a fixed size, so
// that even an export of hundreds of thousands of lines never sits in
// memory as a whole.
//
// survey() reads the file once before: it decides the encoding (UTF-8 when
// the whole file is valid UTF-8, else Windows-1252) and the line end, and
// counts the lines. Lines end at "\n" and every carriage return is dropped,
// as a text stream with line-end conversion does; only a file without any
// "\n" has its lines ended by carriage returns (old Mac exports).
//
// A file may be rewritten while it is read. isUnchanged() tells, after the
// last line, whether the lines read are those the survey counted.
class QuarnelExportReader
{
public:
    explicit QuarnelExportReader(const QString &path);

    // False when the file cannot be opened for reading.
    bool open();

    // Reads the whole file once: encoding and line count. busy is called
    // between the pieces. Afterwards reading starts again at the first
    // line (behind a UTF-8 byte-order mark). False on a read error.
    bool survey(const std::function<void()> &busy = std::function<void()>());

    QuarnelExportEncoding::Kind encoding() const { return m_encoding; }
    // Lines with at least one character other than a carriage return.
    int nonEmptyLines() const { return m_nonEmptyLines; }
    // True for a file whose lines end with a carriage return alone.
    bool endsLinesWithCarriageReturn() const { return m_lineEnd == '\r'; }

    // The next line, empty ones included, decoded, without its line end
    // and carriage returns. False at the end of the file or on a read
    // error (see hasReadError()). Surveys the file first when survey()
    // has not been called.
    bool nextLine(QString *line);
    // The same line as its bytes in the file's encoding (see encoding()),
    // not decoded: carriage returns dropped, a byte-order mark at the
    // start of the line kept.
    bool nextLineBytes(QByteArray *line);

    bool hasReadError() const { return m_readError; }

    // After nextLine() returned false: true when the file still has the
    // size and modification time it had before the survey, and both the
    // survey and the reading found exactly that many bytes, and the reading
    // the number of non-empty lines the survey counted.
    bool isUnchanged() const;

    static const int kPieceSize = 1 << 20;

private:
    bool fill();
    bool nextRawLine(QByteArray *line);
    void rewind();
    static void removeCarriageReturns(QByteArray *line);

    QFile m_file;
    char m_lineEnd = '\n';
    // The file as the survey found it.
    qint64 m_size = -1;
    QDateTime m_modified;
    qint64 m_surveyedBytes = 0;
    // What the reading has found so far.
    qint64 m_readBytes = 0;
    int m_linesRead = 0;
    QuarnelExportEncoding::Kind m_encoding = QuarnelExportEncoding::Windows1252;
    int m_nonEmptyLines = 0;
    bool m_surveyed = false;
    QByteArray m_piece;
    int m_pos = 0;
    QByteArray m_raw;
    bool m_readError = false;
};

#endif // QUARNELEXPORTREADER_H
