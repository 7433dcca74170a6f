#include "appsettings.h"

#include "changejournal.h"
#include "fieldlistcolumns.h"
#include "idallocation.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSqlDatabase>
#include <QStandardPaths>

namespace {

const char *const kDefaultStyleSheet =
    "QAbstractItemView {selection-color: black; selection-background-color: lightBlue}";

const char *const kDefaultCombo = "1:5:0.5;6:20:1;22:34:2;35:200:5";

struct EditorDefaults
{
    const char *column;
    const char *einheit;
    const char *combo;   // nullptr: the default pick list
    const char *spinStep;
    const char *max;
    const char *maxDec;
};

// Default configuration of the numeric editors, one entry per number
// column; a column name stands for that column in every table. Widths and
// heights in mm cover appliances up to 3 m.
const EditorDefaults kEditorDefaults[] = {
    {"DHNHF", "m", nullptr, "0.01", "0.35", "0x3"},
    {"M", "g/s", nullptr, "0.1", "1500", "0x2"},
    {"BREITE", "", nullptr, "0.5", "3000", "0x3"},
    {"DHW", "", nullptr, "0.5", "1500", "0x2"},
    {"HOEHE", "", nullptr, "0.5", "3000", "0x3"},
    {"TIEFE", "", nullptr, "0.5", "3000", "0x3"},
    {"DHA", "", nullptr, "0.5", "1500", "0x3"},
    {"FGHOEHE", "", nullptr, "0.5", "1500", "0x3"},
    {"FGBREITE", "", nullptr, "0.5", "1500", "0x3"},
    {"L1", "m", nullptr, "0.5", "1500", "0x1"},
    {"PW", "Pa", nullptr, "0.5", "1500", "0x1"},
    {"QHE", "kW", nullptr, "0.1", "1500", "0x2"},
    {"QN_NHF", "kW", nullptr, "0.5", "1500", "0x1"},
    {"BETA", "#", nullptr, "0.5", "1500", "0x1"},
    {"QN", "kW", nullptr, "0.5", "1500", "0x1"},
    {"QW", "kW", nullptr, "0.5", "1500", "0x2"},
    {"ABSTANDHK", "mm", nullptr, "0.5", "1500", "0x1"},
    {"CO2", "%", "6:20:0.5", "0.1", "45", "0x2"},
    {"TW", "\u00b0C", nullptr, "0.5", "1500", "0x1"},
    {"QF", "kW", nullptr, "0.5", "1500", "0x2"},
    {"QFR", "#", nullptr, "0.1", "1500", "0x3"},
    {"ABSTANDSTB", "mm", nullptr, "0.5", "1500", "0x1"},
    {"V_LUFT", "m\u00b3/h", nullptr, "0.5", "1500", "0x1"},
    {"ULGITTERAUL", "", nullptr, "0.5", "5000", "0x1"},
    {"ZUGITTER", "", nullptr, "0.5", "5000", "0x1"},
    {"ULGITTERVBL", "", nullptr, "0.5", "5000", "0x1"},
    {"MBS", "", nullptr, "0.5", "1500", "0x2"},
    {"MAB", "", nullptr, "0.5", "1500", "0x2"},
    // Appliances and value sets: entered by hand (0 or another number).
    {"HAND", "", "0;1", "1", "999999", "0x0"},
    // Appliances: the fire-chamber area A_FR.
    {"A_FR", "", "0.05:0.5:0.01", "0.01", "10", "0x3"},
    // Fire chambers.
    {"KATEGORIE", "", "1:10:1", "1", "999", "0x0"},
    {"ROSTFLAECHE", "m\u00b2", "0.05:0.5:0.01", "0.01", "10", "0x3"},
    // Building materials.
    {"SORTIERUNG", "", "10:100:10", "10", "999999", "0x0"},
    {"ROHDICHTE", "kg/m\u00b3", "100:2500:100", "10", "25000", "0x2"},
    {"LAMBDA", "W/mK", "0.02:0.1:0.005;0.2:2:0.1", "0.001", "500", "0x4"},
    {"WAERMEKAPAZITAET", "kJ/kgK", "0.5:2:0.05", "0.01", "20", "0x3"},
};

QString genericDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

// The write actions journal beside the database file of the process's
// settings, which are read on the first change when nothing read them before.
struct CurrentJournalSource
{
    CurrentJournalSource()
    {
        ChangeJournal::setCurrentSource([] { return AppSettings::instance()->journal(); });
    }
};
const CurrentJournalSource kCurrentJournalSource;

} // namespace

QString AppSettings::defaultValueFields()
{
    return QStringLiteral(
        "WERTEID,GERAET,BEMERKUNG,BILDID,OPT_KAT,BRST,DBGESCH,DBTEILLAST,DBOFFEN,KEINKZ,WLO,"
        "WLO2G,ZWSH,HYP,MEHRFACHBELEG,M,TW,PW,CO2,DHNHF,STUTZENLISTE,QN,QF,QHE,QW,QFR,V_LUFT,"
        "PWMAX,ABSTANDHK,ABSTANDSTB,ULGITTERVBL,ZUGITTER");
}

QString AppSettings::defaultApplianceFields()
{
    return QStringLiteral(
        "TIRMAID,HRSTID,TYP1,TYP2,TYP3,VARIANTE,TYP,TYPZUSATZ,FLAG_M,FLAG_R,AACHEN,DUSSELDORF,"
        "O_15A,CH_LRV11,CEZEICHEN,DINPLUS,RAUMLUFTUNABHENGIG,BREITE,TIEFE,HOEHE,DHA,NORMTYPPR,"
        "PRUEFSTELLE,PRUEFSTELLENR,DINPLUSREGNR,A_FR");
}

// On Windows the Kolvex program lives in fixed places; elsewhere those paths
// mean nothing, so the directories default to the user's data location.
QString AppSettings::defaultProgramDir()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:/KOLVEX");
#else
    return genericDataDir() + QStringLiteral("/Tirma/KOLVEX");
#endif
}

QString AppSettings::defaultDataDir()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:/Users/Public/Tirma/Kolvex");
#else
    return genericDataDir() + QStringLiteral("/Tirma/Kolvex");
#endif
}

AppSettings::AppSettings(QSettings &systemStore, QSettings &kolvexStore, QSettings &userStore,
                         QObject *parent)
    : QObject(parent)
{
    const QString programDir = kolvexStore.value("Pfad", defaultProgramDir()).toString();
    if (systemStore.contains("kolvexPfad"))
        imagesPath = systemStore.value("kolvexPfad").toString() + "/images";
    else
        imagesPath = programDir + "/images4";
    translatorFile = systemStore.value("Translator", programDir + "/qt_de.qm").toString();
    styleSheet = systemStore.value("StyleSheet", QString::fromLatin1(kDefaultStyleSheet)).toString();

    kolvexStore.beginGroup("Einstellungen");
    const QString dataDir = kolvexStore.value("WDBDir", defaultDataDir()).toString();
    kolvexStore.endGroup();
    dbFile = systemStore.value("DBFile", dataDir + "/kolvexDB3.glo").toString();

    currentManufacturerId = -1;
    currentApplianceId = -1;
    currentFireChamberManufacturerId = -1;
    valueFields = defaultValueFields();
    applianceFields = defaultApplianceFields();

    readFieldList(userStore, "werteFelder", "werteFelderList", defaultValueFields(),
                  FieldListColumns::valueKeyColumns(), valueFields, valueFieldLists);
    readFieldList(userStore, "geraeteFelder", "geraeteFelderList", defaultApplianceFields(),
                  FieldListColumns::applianceKeyColumns(), applianceFields, applianceFieldLists);

    searchTermsAppliances = userStore.value("suchBegriffeGeraete", QStringList()).toStringList();
    searchTermsValues = userStore.value("suchBegriffeWerte", QStringList()).toStringList();
    searchTermsAll = userStore.value("suchBegriffeAll", QStringList()).toStringList();

    currentValueId = -1;
    queryFailed = false;
    manufacturerMode = false;
    autoErfassdatum = true;
    showOldAppliances = true;

    idRangeLow.insert(58, qMakePair(25000, 70000));
    idRangeHigh.insert(58, qMakePair(27500, 75000));
    idRangeLow.insert(550, qMakePair(20000, 60000));
    idRangeHigh.insert(550, qMakePair(22500, 65000));

    writeEditorDefaultsOnFirstRun(userStore);
}

void AppSettings::readFieldList(QSettings &userStore, const char *fieldsKey, const char *listKey,
                                const QString &builtIn, const QStringList &keyColumns,
                                QString &fields, QStringList &lists)
{
    // Lists stored by earlier versions may lack the key columns.
    fields = FieldListColumns::withKeyColumns(userStore.value(fieldsKey, builtIn).toString(),
                                              keyColumns);
    lists = FieldListColumns::listsWithKeyColumns(
        userStore.value(listKey, QStringList()).toStringList(), keyColumns);
    for (const QString &entry : qAsConst(lists)) {
        if (entry.section('#', 1, 1) == fields)
            return;
    }
    lists.append(QStringLiteral("Standard#") + fields);
}

void AppSettings::writeEditorDefaultsOnFirstRun(QSettings &userStore)
{
    userStore.beginGroup("Combospins");
    if (!userStore.contains("WerteModel_Editor_DHNHF_Combo")) {
        for (const EditorDefaults &d : kEditorDefaults) {
            const QString prefix = QStringLiteral("WerteModel_Editor_") + QLatin1String(d.column);
            userStore.setValue(prefix + "_Einheit", QString::fromUtf8(d.einheit));
            userStore.setValue(prefix + "_Combo",
                               QString::fromLatin1(d.combo ? d.combo : kDefaultCombo));
            userStore.setValue(prefix + "_SpinStep", QString::fromLatin1(d.spinStep));
            userStore.setValue(prefix + "_Min", QStringLiteral("0"));
            userStore.setValue(prefix + "_Max", QString::fromLatin1(d.max));
            userStore.setValue(prefix + "_MaxDec", QString::fromLatin1(d.maxDec));
        }
    }
    userStore.endGroup();
}

AppSettings *AppSettings::instance()
{
    static AppSettings *settings = [] {
        const QString org = QCoreApplication::organizationName();
        const QString app = QCoreApplication::applicationName();
        QSettings systemStore(QSettings::NativeFormat, QSettings::SystemScope, org, app);
        QSettings kolvexStore(QSettings::NativeFormat, QSettings::SystemScope, org, "kolvex");
        QSettings userStore(QSettings::NativeFormat, QSettings::UserScope, org, app);
        return new AppSettings(systemStore, kolvexStore, userStore);
    }();
    return settings;
}

// ---------------------------------------------------------------- journal

ChangeJournal AppSettings::journal() const
{
    return ChangeJournal(dbFile, manufacturerMode);
}

QString AppSettings::journalPath() const
{
    return journal().path();
}

QString AppSettings::packedJournalPath() const
{
    return journal().packedPath();
}

QString AppSettings::journalLine(const QString &statement)
{
    return ChangeJournal::line(statement);
}

void AppSettings::appendToJournal(const QString &statement)
{
    journal().append(statement);
}

bool AppSettings::appendJournalLines(const QStringList &statements, QString *error,
                                     qint64 *sizeBefore)
{
    return journal().appendLines(statements, error, sizeBefore);
}

bool AppSettings::cutJournalBack(qint64 size)
{
    return journal().cutBack(size);
}

bool AppSettings::packJournal(QString *error)
{
    return journal().pack(error);
}

// ------------------------------------------------- free ids and record copy

IdAllocation AppSettings::idAllocation() const
{
    const auto range = idRangeLow.constFind(currentManufacturerId);
    return range != idRangeLow.constEnd() ? IdAllocation(range.value()) : IdAllocation();
}

qint64 AppSettings::findFreeId(const QString &table, const QString &keyColumn, QSqlDatabase db,
                               QString *error)
{
    return idAllocation().findFreeId(table, keyColumn, db, error);
}

qint64 AppSettings::copyRecord(const QString &table, const QString &keyColumn, qint64 id,
                              QSqlDatabase db)
{
    return idAllocation().copyRecord(table, keyColumn, id, db);
}
