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
    void appendToJournal(const QString &statement);

    // Lowest id of table/keyColumn not in use, respecting the lower bound of
    // the current manufacturer's range; -1 when none is free.
    int findFreeId(const QString &table, const QString &keyColumn, QSqlDatabase db);
    // Copies one row under a new free id; returns the new id or -1.
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
    void packJournal();

private:
    void readFieldList(QSettings &userStore, const char *fieldsKey, const char *listKey,
                       const QString &builtIn, QString &fields, QStringList &lists);
    static void writeEditorDefaultsOnFirstRun(QSettings &userStore);
};

#endif // APPSETTINGS_H
