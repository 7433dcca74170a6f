#ifndef APPSETTINGS_H
#define APPSETTINGS_H

#include "aufsatzcache.h"

#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

class ChangeJournal;
class IdAllocation;
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

    // The change journal beside the database file (see ChangeJournal); the
    // journal methods below are short forms of its own.
    ChangeJournal journal() const;
    QString journalPath() const;
    QString packedJournalPath() const;
    // One statement, written at once (see appendJournalLines).
    void appendToJournal(const QString &statement);
    // Appends and flushes the statements' lines (see ChangeJournal::appendLines);
    // in manufacturer mode, or without a database file, nothing is written.
    bool appendJournalLines(const QStringList &statements, QString *error = nullptr,
                            qint64 *sizeBefore = nullptr);
    // Cuts the journal back to size (no-op for a negative size).
    bool cutJournalBack(qint64 size);
    // The journal line of a statement: trimmed, ending with exactly one ";".
    static QString journalLine(const QString &statement);

    // The id allocation within the current manufacturer's range (see
    // IdAllocation, of which the two methods below are short forms): lowest
    // free id of table/keyColumn, -1 when none is free or the search failed
    // (error then tells why); a copy of one row under such an id.
    IdAllocation idAllocation() const;
    qint64 findFreeId(const QString &table, const QString &keyColumn, QSqlDatabase db,
                      QString *error = nullptr);
    qint64 copyRecord(const QString &table, const QString &keyColumn, qint64 id, QSqlDatabase db);

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
    qint64 currentManufacturerId = -1;
    qint64 currentApplianceId = -1;
    qint64 currentFireChamberManufacturerId = -1;
    QString imagesPath;
    QString translatorFile;
    QString styleSheet;
    QString dbFile;
    QStringList searchTermsAppliances;
    QStringList searchTermsValues;
    QStringList searchTermsAll;
    bool queryFailed = false;
    QString failedQuery;
    QString failedQueryReason;   // the database's text for failedQuery
    bool manufacturerMode = false;
    qint64 currentValueId = -1;
    qint64 currentAttachmentId = -1;
    bool autoErfassdatum = true;
    bool showOldAppliances = true;
    AufsatzCache aufsatzCache;
    QMap<qint64, QPair<qint64, qint64>> idRangeLow;   // manufacturer -> (lowest TirmaId, lowest WerteId)
    QMap<qint64, QPair<qint64, qint64>> idRangeHigh;  // manufacturer -> (highest TirmaId, highest WerteId)

public slots:
    // Packs the journal into "journal.zip" (see ChangeJournal::pack).
    bool packJournal(QString *error = nullptr);

private:
    void readFieldList(QSettings &userStore, const char *fieldsKey, const char *listKey,
                       const QString &builtIn, const QStringList &keyColumns, QString &fields,
                       QStringList &lists);
    static void writeEditorDefaultsOnFirstRun(QSettings &userStore);
};

#endif // APPSETTINGS_H
