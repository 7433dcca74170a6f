#include "changejournal.h"

#include "filesync.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace {

// Writes all of bytes or reports why not.
bool writeAll(QFileDevice &file, const QByteArray &bytes, QString *error)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            *error = file.errorString();
            if (error->isEmpty() || file.error() == QFileDevice::NoError)
                *error = qt_error_string(errno);
            return false;
        }
        done += written;
    }
    return true;
}

} // namespace

ChangeJournal::ChangeJournal(const QString &dbFile, bool manufacturerMode)
    : m_dbFile(dbFile), m_manufacturerMode(manufacturerMode)
{
}

std::function<ChangeJournal()> &ChangeJournal::currentSource()
{
    static std::function<ChangeJournal()> source;
    return source;
}

void ChangeJournal::setCurrentSource(const std::function<ChangeJournal()> &source)
{
    currentSource() = source;
}

ChangeJournal ChangeJournal::current()
{
    const std::function<ChangeJournal()> &source = currentSource();
    return source ? source() : ChangeJournal(QString(), false);
}

QString ChangeJournal::besideDatabase(const char *name) const
{
    return QFileInfo(m_dbFile).absoluteDir().absolutePath() + "/" + QLatin1String(name);
}

QString ChangeJournal::path() const
{
    return besideDatabase("journal.sql");
}

bool ChangeJournal::isActive() const
{
    return !m_manufacturerMode && !m_dbFile.isEmpty();
}

QString ChangeJournal::packedPath() const
{
    return besideDatabase("journal.zip");
}

QString ChangeJournal::line(const QString &statement)
{
    QString line = statement.trimmed();
    if (!line.endsWith(';'))
        line += ';';
    return line;
}

void ChangeJournal::append(const QString &statement) const
{
    appendLines({statement});
}

bool ChangeJournal::appendLines(const QStringList &statements, QString *error,
                                qint64 *sizeBefore) const
{
    if (sizeBefore)
        *sizeBefore = -1;
    if (m_manufacturerMode || m_dbFile.isEmpty() || statements.isEmpty())
        return true;
    // UTF-8 rather than the locale's codec: under the C locale the latter
    // would turn umlauts in the journaled texts into question marks.
    QByteArray bytes;
    for (const QString &statement : statements)
        bytes += line(statement).toUtf8() + '\n';

    QString reason;
    QFile file(path());
    // Unbuffered, so that a write that fails is seen here and nothing of it
    // is written later when the file is closed. Binary: the lines end with
    // LF on every platform, and the texts keep their own CR as they are.
    if (!file.open(QIODevice::Append | QIODevice::Unbuffered)) {
        reason = file.errorString();
    } else {
        const qint64 before = file.size();
        // The lines reach the disk before the change they record is committed.
        if (writeAll(file, bytes, &reason) && syncFileToDisk(file, &reason)) {
            file.close();
            if (sizeBefore)
                *sizeBefore = before;
            return true;
        }
        // A statement cut in half would glue the next one onto it.
        file.resize(before);
        file.close();
    }
    if (reason.isEmpty())
        reason = QCoreApplication::translate("ChangeJournal", "unbekannter Fehler");
    if (error)
        *error = reason;
    return false;
}

bool ChangeJournal::cutBack(qint64 size) const
{
    if (size < 0 || m_dbFile.isEmpty())
        return true;
    return QFile::resize(path(), size);
}

bool ChangeJournal::hasJournal() const
{
    return !m_dbFile.isEmpty() && QFileInfo(path()).isFile();
}

bool ChangeJournal::pack(QString *error) const
{
    if (m_dbFile.isEmpty())
        return true;
    QFile journal(path());
    if (!journal.exists())
        return true; // nothing to pack; an earlier pack stays as it is
    QString reason;
    if (!journal.open(QIODevice::ReadOnly)) {
        reason = journal.errorString();
    } else {
        const QByteArray packed = qCompress(journal.readAll(), 9);
        if (journal.error() != QFileDevice::NoError)
            reason = journal.errorString();
        journal.close();
        if (reason.isEmpty())
            writePack(packed, &reason);
    }
    if (reason.isEmpty())
        return true;
    if (error)
        *error = reason;
    return false;
}

bool ChangeJournal::writePack(const QByteArray &packed, QString *error) const
{
    // The earlier pack is replaced only by a complete new one.
    QSaveFile target(packedPath());
    if (target.open(QIODevice::WriteOnly)) {
        if (writeAll(target, packed, error) && target.commit())
            return true;
        if (error->isEmpty())
            *error = target.errorString();
        return false;
    }
    // A folder that takes no new file may still hold a writable pack.
    const QFileInfo existing(packedPath());
    if (existing.isFile() && existing.isWritable())
        return rewriteInPlace(packedPath(), packed, error);
    *error = target.errorString();
    return false;
}

bool ChangeJournal::rewriteInPlace(const QString &file, const QByteArray &bytes, QString *error)
{
    QFile target(file);
    if (!target.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        *error = target.errorString();
        return false;
    }
    const QByteArray before = target.readAll();
    if (target.seek(0) && writeAll(target, bytes, error) && target.resize(bytes.size())
        && syncFileToDisk(target, error))
        return true;
    if (error->isEmpty())
        *error = target.errorString();
    // The old pack goes back over the blocks it had; if even that fails a
    // half pack must not stay behind.
    QString ignored;
    if (!(target.seek(0) && writeAll(target, before, &ignored) && target.resize(before.size())
          && syncFileToDisk(target, &ignored))) {
        target.close();
        QFile::remove(file);
    }
    return false;
}
