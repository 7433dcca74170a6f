#ifndef QUARNELEXPORTFILE_H
#define QUARNELEXPORTFILE_H

#include "quarnelexportencoding.h"

#include <QString>
#include <QStringList>

// One text table export of the Quarnel database: a header line with the
// field names separated by "|", then one record per line in header order.
//
// The exports come from Windows machines, as UTF-8 or in the code page
// Windows-1252 (see QuarnelExportEncoding), whatever the locale of the
// running process.
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

    // Field names of the first non-empty line, empty parts kept, blanks
    // around each name removed; no names for a file without any text.
    // False when the file cannot be opened.
    bool readFieldNames(QStringList *names) const;

    // Every non-empty line of the file, the header first; line ends of
    // either kind are removed. False when the file cannot be opened or
    // read. For small files only: the import streams its files.
    bool readLines(QStringList *lines,
                   QuarnelExportEncoding::Kind *encoding = nullptr) const;

private:
    QString m_path;
};

#endif // QUARNELEXPORTFILE_H
