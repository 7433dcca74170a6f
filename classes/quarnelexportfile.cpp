#include "quarnelexportfile.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCodec>
#include <QTextStream>

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
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream stream(&file);
    stream.setCodec(codec());
    QString header = stream.readLine();
    if (header.endsWith(QLatin1Char('\r')))
        header.chop(1);
    if (!header.isEmpty())
        *names = header.split(QLatin1Char('|'), Qt::KeepEmptyParts);
    return true;
}

bool QuarnelExportFile::readLines(QStringList *lines) const
{
    lines->clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream stream(&file);
    stream.setCodec(codec());
    *lines = splitLines(stream.readAll());
    return true;
}

QStringList QuarnelExportFile::splitLines(const QString &text)
{
    QStringList lines;
    for (QString line : text.split(QLatin1Char('\n'))) {
        // A carriage return the text stream left (a lone one before a line
        // end, or a file read without conversion) belongs to the line end.
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

QTextCodec *QuarnelExportFile::codec()
{
    return QTextCodec::codecForName("ISO-8859-1");
}
