#include "quarnelexportfile.h"

#include "quarnelexportreader.h"

#include <QFile>
#include <QFileInfo>

QuarnelExportFile::QuarnelExportFile(const QString &path)
    : m_path(QFileInfo(path).absoluteFilePath())
{
}

QString QuarnelExportFile::path() const
{
    return m_path;
}

QString QuarnelExportFile::tableName() const
{
    return QFileInfo(m_path).baseName().toUpper();
}

bool QuarnelExportFile::canOpen() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly);
}

bool QuarnelExportFile::readFieldNames(QStringList *names) const
{
    names->clear();
    QuarnelExportReader reader(m_path);
    if (!reader.open() || !reader.survey())
        return false;
    // Empty lines before the header are skipped like those after it.
    QString header;
    while (reader.nextLine(&header) && header.isEmpty()) {
    }
    if (!header.isEmpty()) {
        for (const QString &name : header.split(QLatin1Char('|'), Qt::KeepEmptyParts))
            names->append(name.trimmed());
    }
    return !reader.hasReadError();
}

bool QuarnelExportFile::readLines(QStringList *lines, QuarnelExportEncoding::Kind *encoding) const
{
    lines->clear();
    QuarnelExportReader reader(m_path);
    if (!reader.open() || !reader.survey())
        return false;
    QString line;
    while (reader.nextLine(&line)) {
        if (!line.isEmpty())
            lines->append(line);
    }
    if (encoding)
        *encoding = reader.encoding();
    return !reader.hasReadError();
}
