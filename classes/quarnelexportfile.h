#ifndef QUARNELEXPORTFILE_H
#define QUARNELEXPORTFILE_H

#include <QString>
#include <QStringList>

class QTextCodec;

// One text table export of the Quarnel database: a header line with the
// field names separated by "|", then one record per line in header order.
//
// The exports come in the 8-bit encoding of the exporting Windows system.
// We read and write them as Latin-1, whatever the locale of the running
// process: it maps every byte to one character and back, so the umlauts of
// the German exports arrive as such and a file we rewrite keeps its bytes.
class QuarnelExportFile
{
public:
    explicit QuarnelExportFile(const QString &path);

    // Absolute path of the file.
    QString path() const;
    // The table the file is imported into: the base name before the first
    // dot, in upper case ("Waermedb.txt" gives "WAERMEDB").
    QString tableName() const;

    bool canOpen() const;

    // Field names of the first line, empty parts kept; no names for an
    // empty first line or an empty file. False when the file cannot be
    // opened.
    bool readFieldNames(QStringList *names) const;

    // Every non-empty line of the file, the header first; line ends of
    // either kind are removed. False when the file cannot be opened.
    bool readLines(QStringList *lines) const;

    // Splits text into lines, dropping empty ones.
    static QStringList splitLines(const QString &text);

    // The encoding of the export files.
    static QTextCodec *codec();

private:
    QString m_path;
};

#endif // QUARNELEXPORTFILE_H
