#ifndef CHANGEJOURNAL_H
#define CHANGEJOURNAL_H

#include <QString>
#include <QStringList>

#include <functional>

// The change journal "journal.sql" beside a database file: every statement
// that changed the file, one line each, so that the changes of a copy can
// be replayed on another one. In manufacturer mode, or without a database
// file, nothing is journaled.
class ChangeJournal
{
public:
    ChangeJournal(const QString &dbFile, bool manufacturerMode);

    // The journal the write actions of the process use. Whoever knows the
    // database file and the mode installs where it comes from; without
    // that, nothing is journaled.
    static ChangeJournal current();
    static void setCurrentSource(const std::function<ChangeJournal()> &source);

    QString path() const;
    // Whether statements are journaled at all (a database file, not in
    // manufacturer mode).
    bool isActive() const;
    QString packedPath() const;

    // One statement, written at once (see appendLines).
    void append(const QString &statement) const;
    // Appends the statements, each trimmed and ended by ";" on a line of its
    // own, and flushes them to the disk. When the journal cannot be written
    // (no permission, disk full) whatever got written of them is cut off
    // again and false is returned with the reason. sizeBefore receives the
    // journal's size before the lines (-1 when nothing was written), so that
    // a change that then fails to reach the file can cut them off again.
    bool appendLines(const QStringList &statements, QString *error = nullptr,
                     qint64 *sizeBefore = nullptr) const;
    // Cuts the journal back to size (no-op for a negative size).
    bool cutBack(qint64 size) const;
    // Packs the journal into "journal.zip", replacing an earlier pack only
    // with a complete new one. Without a journal nothing happens. False with
    // the reason when the journal cannot be read or the pack not written.
    // In a folder that takes no new file a writable pack is rewritten in
    // place; should that fail, the earlier pack is put back.
    bool pack(QString *error = nullptr) const;
    // Whether there is a journal to pack.
    bool hasJournal() const;

    // Overwrites file with bytes; on failure its old content is put back,
    // or, when that fails too, the file is removed. False with the reason.
    static bool rewriteInPlace(const QString &file, const QByteArray &bytes, QString *error);

    // The journal line of a statement: trimmed, ending with exactly one ";".
    static QString line(const QString &statement);

private:
    static std::function<ChangeJournal()> &currentSource();
    QString besideDatabase(const char *name) const;
    bool writePack(const QByteArray &packed, QString *error) const;

    QString m_dbFile;
    bool m_manufacturerMode;
};

#endif // CHANGEJOURNAL_H
