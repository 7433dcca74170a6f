#include "quarnelexportdirectory.h"

#include <QDir>
#include <QFile>
#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>

const char *const QuarnelExportDirectory::kSingleFile = "Herstell.txt";
const char *const QuarnelExportDirectory::kBauartFile = "Herstell_Bauart.txt";
const char *const QuarnelExportDirectory::kWaermeFile = "Herstell_Waerme.txt";
const char *const QuarnelExportDirectory::kMergedFile = "Hersteller.txt";

QuarnelExportDirectory::QuarnelExportDirectory(const QString &path)
    : m_path(path)
{
}

QString QuarnelExportDirectory::filePath(const char *name) const
{
    return QDir(m_path).filePath(QLatin1String(name));
}

bool QuarnelExportDirectory::prepareManufacturerFile(QString *failedFile) const
{
    failedFile->clear();
    const QString merged = filePath(kMergedFile);
    // QFile::rename refuses to overwrite an existing target.
    QFile::rename(filePath(kSingleFile), merged);
    if (QFile::exists(filePath(kBauartFile)) && QFile::exists(filePath(kWaermeFile))
        && !isNewerThanSplitFiles(merged))
        return mergeSplitFiles(failedFile);
    return true;
}

bool QuarnelExportDirectory::isNewerThanSplitFiles(const QString &mergedPath) const
{
    const QFileInfo merged(mergedPath);
    if (!merged.exists())
        return false;
    for (const char *split : {kBauartFile, kWaermeFile}) {
        if (QFileInfo(filePath(split)).lastModified() > merged.lastModified())
            return false;
    }
    return true;
}

bool QuarnelExportDirectory::mergeSplitFiles(QString *failedFile) const
{
    QStringList bauart;
    QuarnelExportEncoding::Kind bauartEncoding;
    if (!QuarnelExportFile(filePath(kBauartFile)).readLines(&bauart, &bauartEncoding)) {
        *failedFile = QLatin1String(kBauartFile);
        return false;
    }
    QStringList waerme;
    QuarnelExportEncoding::Kind waermeEncoding;
    if (!QuarnelExportFile(filePath(kWaermeFile)).readLines(&waerme, &waermeEncoding)) {
        *failedFile = QLatin1String(kWaermeFile);
        return false;
    }
    // Two files in the code page give one in the code page, byte for byte;
    // as soon as one of them is UTF-8, the merged file is UTF-8, which
    // holds every character of both.
    const QuarnelExportEncoding::Kind encoding =
        bauartEncoding == QuarnelExportEncoding::Windows1252
                && waermeEncoding == QuarnelExportEncoding::Windows1252
            ? QuarnelExportEncoding::Windows1252
            : QuarnelExportEncoding::Utf8;
    const QByteArray bytes =
        QuarnelExportEncoding::encode(mergedManufacturerText(bauart, waerme), encoding);
    // Written to a temporary file and renamed at the end, so that a failed
    // write never leaves a half manufacturer file that later scans would
    // take as complete.
    QSaveFile file(filePath(kMergedFile));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(bytes) != bytes.size()
        || !file.commit()) {
        *failedFile = QLatin1String(kMergedFile);
        return false;
    }
    return true;
}

QString QuarnelExportDirectory::mergedManufacturerText(QStringList bauartLines,
                                                       QStringList waermeLines)
{
    for (QString &line : waermeLines) {
        if (!line.endsWith(QLatin1Char('|')))
            line.append(QLatin1Char('|'));
    }
    if (!waermeLines.isEmpty())
        waermeLines.removeFirst();
    return bauartLines.join(QLatin1Char('\n')) + QLatin1Char('\n')
           + waermeLines.join(QLatin1Char('\n'));
}

QList<QuarnelExportFile> QuarnelExportDirectory::exportFiles() const
{
    QDir dir(m_path);
    const QStringList names =
        dir.entryList(QStringList() << QStringLiteral("*.txt"), QDir::Files | QDir::Readable,
                      QDir::Name | QDir::IgnoreCase);
    QList<QuarnelExportFile> files;
    for (const QString &name : names) {
        QuarnelExportFile file(dir.filePath(name));
        if (file.canOpen())
            files.append(file);
    }
    return files;
}
