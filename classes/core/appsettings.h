#ifndef APPSETTINGS_H
#define APPSETTINGS_H

#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

class QSettings;
class QSqlDatabase;

// Process-wide settings and shared application state: paths, the database
// file, field lists, search histories, filter texts, current ids, copy
// buffers, the attachment cache, the id ranges per manufacturer and the
// mode flags. Fields are read and written directly by the windows and models.
class AppSettings : public QObject
{
    Q_OBJECT
public:
    // Reads the system store, the Kolvex program store and the user store
    // (in that order) and writes the numeric-editor defaults on first run.
    AppSettings(QSettings &systemStore, QSettings &kolvexStore, QSettings &userStore,
                QObject *parent = nullptr);

    // The single object of the process, built on first use from the native stores.
    static AppSettings *instance();

    static QString defaultValueFields();
    static QString defaultApplianceFields();
    static QString defaultProgramDir();   // P when the Kolvex store has no "Pfad"
    static QString defaultDataDir();      // W when the Kolvex store has no "WDBDir"

    // Change journal beside the database file.
    QString journalPath() const;
    QString packedJournalPath() const;
    // One statement, written at once (see appendJournalLines).
    void appendToJournal(const QString &statement);
    // Appends the statements, each trimmed and ended by ";" on a line of its
    // own, and flushes them to the disk. When the journal cannot be written
    // (no permission, disk full) whatever got written of them is cut off
    // again and false is returned with the reason. sizeBefore receives the
    // journal's size before the lines (-1 when nothing was written), so that
    // a change that then fails to reach the file can cut them off again.
    // In manufacturer mode, or without a database file, nothing is written.
    bool appendJournalLines(const QStringList &statements, QString *error = nullptr,
                            qint64 *sizeBefore = nullptr);
    // Cuts the journal back to size (no-op for a negative size).
    bool cutJournalBack(qint64 size);
    // The journal line of a statement: trimmed, ending with exactly one ";".
    static QString journalLine(const QString &statement);

    // Lowest id of table/keyColumn not in use, respecting the lower bound of
    // the current manufacturer's range; -1 when none is free or the search
    // failed. error receives the database's text when the search failed and
    // is emptied otherwise, so that a full range can be told from a locked
    // file or a missing id table.
    int findFreeId(const QString &table, const QString &keyColumn, QSqlDatabase db,
                   QString *error = nullptr);
    // Copies one row under a new free id; returns the new id or -1. Runs as
    // part of the write action open on db (or as an action of its own).
    int copyRecord(const QString &table, const QString &keyColumn, int id, QSqlDatabase db);

    QString copiedValueSets;
    QString copiedAppliances;
    QString copiedFireChambers;
    QString valueFilter;
    QString applianceFilter;
    QString allFilter;
    QString applianceFields;
    QStringList applianceFieldLists;
    QString valueFields;
    QStringList valueFieldLists;
    int currentManufacturerId = -1;
    int currentApplianceId = -1;
    int currentFireChamberManufacturerId = -1;
    QString imagesPath;
    QString translatorFile;
    QString styleSheet;
    QString dbFile;
    QStringList searchTermsAppliances;
    QStringList searchTermsValues;
    QStringList searchTermsAll;
    bool queryFailed = false;
    QString failedQuery;
    bool manufacturerMode = false;
    int currentValueId = -1;
    int currentAttachmentId = -1;
    bool autoErfassdatum = true;
    bool showOldAppliances = true;
    QMap<int, QMap<QString, QVariant>> aufsatzCache;
    QMap<int, QPair<int, int>> idRangeLow;   // manufacturer -> (lowest TirmaId, lowest WerteId)
    QMap<int, QPair<int, int>> idRangeHigh;  // manufacturer -> (highest TirmaId, highest WerteId)

public slots:
    // Packs the journal into "journal.zip", replacing an earlier pack only
    // with a complete new one. Without a journal nothing happens. False with
    // the reason when the journal cannot be read or the pack not written.
    bool packJournal(QString *error = nullptr);

private:
    void readFieldList(QSettings &userStore, const char *fieldsKey, const char *listKey,
                       const QString &builtIn, const QStringList &keyColumns, QString &fields,
                       QStringList &lists);
    static void writeEditorDefaultsOnFirstRun(QSettings &userStore);
};

#endif // APPSETTINGS_H
