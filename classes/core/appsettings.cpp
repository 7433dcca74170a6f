#include "appsettings.h"

#include "fieldlistcolumns.h"
#include "filesync.h"
#include "sqltext.h"
#include "writeaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QSqlError>
#include <QTextStream>

#include <cerrno>

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

// Default configuration of the numeric editors, one entry per value column.
const EditorDefaults kEditorDefaults[] = {
    {"DHNHF", "m", nullptr, "0.01", "0.35", "0x3"},
    {"M", "g/s", nullptr, "0.1", "1500", "0x2"},
    {"BREITE", "", nullptr, "0.5", "1500", "0x3"},
    {"DHW", "", nullptr, "0.5", "1500", "0x2"},
    {"HOEHE", "", nullptr, "0.5", "1500", "0x3"},
    {"TIEFE", "", nullptr, "0.5", "1500", "0x3"},
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
};

QString genericDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

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

static QString besideDatabase(const QString &dbFile, const char *name)
{
    return QFileInfo(dbFile).absoluteDir().absolutePath() + "/" + QLatin1String(name);
}

QString AppSettings::journalPath() const
{
    return besideDatabase(dbFile, "journal.sql");
}

QString AppSettings::packedJournalPath() const
{
    return besideDatabase(dbFile, "journal.zip");
}

QString AppSettings::journalLine(const QString &statement)
{
    QString line = statement.trimmed();
    if (!line.endsWith(';'))
        line += ';';
    return line;
}

void AppSettings::appendToJournal(const QString &statement)
{
    appendJournalLines({statement});
}

// Writes all of bytes or reports why not.
static bool writeAll(QFileDevice &file, const QByteArray &bytes, QString *error)
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

bool AppSettings::appendJournalLines(const QStringList &statements, QString *error,
                                     qint64 *sizeBefore)
{
    if (sizeBefore)
        *sizeBefore = -1;
    if (manufacturerMode || dbFile.isEmpty() || statements.isEmpty())
        return true;
    // UTF-8 rather than the locale's codec: under the C locale the latter
    // would turn umlauts in the journaled texts into question marks.
    QByteArray bytes;
    for (const QString &statement : statements)
        bytes += journalLine(statement).toUtf8() + '\n';

    QString reason;
    QFile file(journalPath());
    // Unbuffered, so that a write that fails is seen here and nothing of it
    // is written later when the file is closed.
    if (!file.open(QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered)) {
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
        reason = tr("unbekannter Fehler");
    if (error)
        *error = reason;
    return false;
}

bool AppSettings::cutJournalBack(qint64 size)
{
    if (size < 0 || dbFile.isEmpty())
        return true;
    return QFile::resize(journalPath(), size);
}

bool AppSettings::packJournal(QString *error)
{
    if (dbFile.isEmpty())
        return true;
    QFile journal(journalPath());
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
        // The earlier pack is replaced only by a complete new one.
        QSaveFile target(packedJournalPath());
        if (reason.isEmpty()
            && (!target.open(QIODevice::WriteOnly) || !writeAll(target, packed, &reason)
                || !target.commit())) {
            if (reason.isEmpty())
                reason = target.errorString();
        }
    }
    if (reason.isEmpty())
        return true;
    if (error)
        *error = reason;
    return false;
}

// ------------------------------------------------- free ids and record copy

int AppSettings::findFreeId(const QString &table, const QString &keyColumn, QSqlDatabase db,
                            QString *error)
{
    if (error)
        error->clear();
    QStringList conditions;
    const bool isWerte = table.compare("Werte", Qt::CaseInsensitive) == 0;
    const bool isGeraete = table.compare("Geraete", Qt::CaseInsensitive) == 0;
    if (isWerte || isGeraete)
        conditions << QStringLiteral("NOT coalesce(hand,0)");
    const auto range = idRangeLow.constFind(currentManufacturerId);
    if (range != idRangeLow.constEnd()) {
        if (isWerte)
            conditions << QStringLiteral("seqidxs.id>=%1").arg(range->second);
        else if (isGeraete)
            conditions << QStringLiteral("seqidxs.id>=%2").arg(range->first);
    }
    const QString extra =
        conditions.isEmpty() ? QString() : QStringLiteral(" AND %1").arg(conditions.join(" AND "));
    QSqlQuery query(db);
    const QString sql = QStringLiteral("select seqidxs.id from seqidxs left join %2 on "
                                       "seqidxs.id=%2.%1 where %2.%1 is NULL %3 limit 1")
                            .arg(keyColumn, table, extra);
    if (!query.exec(sql)) {
        if (error)
            *error = query.lastError().databaseText();
        return -1;
    }
    if (!query.next())
        return -1;
    return query.value(0).toInt();
}

int AppSettings::copyRecord(const QString &table, const QString &keyColumn, int id, QSqlDatabase db)
{
    WriteAction action(db.connectionName());
    QString error;
    const int newId = findFreeId(table, keyColumn, db, &error);
    if (newId < 0) {
        action.noteFailure(error.isEmpty() ? WriteAction::rangeFullText() : error);
        return -1;
    }
    QSqlQuery source(db);
    if (!source.exec(QStringLiteral("select * from %1 where %2=%3").arg(table, keyColumn).arg(id))) {
        action.noteFailure(source.lastError().databaseText());
        return -1;
    }
    if (!source.next())
        return -1;
    const QSqlRecord record = source.record();
    const QString key = keyColumn.toUpper();
    QStringList columns;
    QStringList values;
    for (int i = 0; i < record.count(); ++i) {
        const QString name = record.fieldName(i).toUpper();
        columns << name;
        if (name == key)
            values << QString::number(newId);
        else
            values << quotedText(record.value(i).toString());
    }
    source.finish();
    const QString insert = QStringLiteral("insert into %1 (%2) values (%3)")
                               .arg(table, columns.join(","), values.join(","));
    const bool inserted = action.run(insert);
    return action.finish() && inserted ? newId : -1;
}
