#ifndef QUARNELEXPORTDIRECTORY_H
#define QUARNELEXPORTDIRECTORY_H

#include "quarnelexportfile.h"

#include <QList>
#include <QString>
#include <QStringList>

// A directory of Quarnel text table exports.
//
// The exporting program writes the manufacturer table either as one file
// "Herstell.txt" or split into "Herstell_Bauart.txt" and
// "Herstell_Waerme.txt"; both forms are brought to one file
// "Hersteller.txt" before the tables are listed. The split files stay.
class QuarnelExportDirectory
{
public:
    explicit QuarnelExportDirectory(const QString &path);

    // Renames "Herstell.txt" to "Hersteller.txt" (unless that exists), then
    // merges the split files into "Hersteller.txt" when both exist and
    // "Hersteller.txt" does not or is older than one of them (a new
    // delivery of split files). False when a file of the merge could not be
    // opened, read or written; failedFile then holds its name.
    bool prepareManufacturerFile(QString *failedFile) const;

    // The readable "*.txt" files, sorted by name without regard to case.
    QList<QuarnelExportFile> exportFiles() const;

    // Text of the merged manufacturer file: the lines of the Bauart file,
    // then those of the Waerme file without its header, each of them given
    // a trailing "|" (the Waerme export lacks the last field).
    static QString mergedManufacturerText(QStringList bauartLines, QStringList waermeLines);

    static const char *const kSingleFile;   // "Herstell.txt"
    static const char *const kBauartFile;   // "Herstell_Bauart.txt"
    static const char *const kWaermeFile;   // "Herstell_Waerme.txt"
    static const char *const kMergedFile;   // "Hersteller.txt"

private:
    QString filePath(const char *name) const;
    bool isNewerThanSplitFiles(const QString &mergedPath) const;
    bool mergeSplitFiles(QString *failedFile) const;

    QString m_path;
};

#endif // QUARNELEXPORTDIRECTORY_H
