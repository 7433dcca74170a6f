#include "appsettings.h"
#include "filesizelimit.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>


// Construction of the settings object from prepared stores.
class TestAppSettings : public QObject
{
    Q_OBJECT

    struct Stores
    {
        QTemporaryDir dir;
        QSettings system{dir.filePath("system.ini"), QSettings::IniFormat};
        QSettings kolvex{dir.filePath("kolvex.ini"), QSettings::IniFormat};
        QSettings user{dir.filePath("user.ini"), QSettings::IniFormat};
    };

    static QStringList sorted(QStringList list)
    {
        list.sort();
        return list;
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void packingThatCannotBeWrittenKeepsTheOldPackAndSaysWhy()
    {
        Stores s;
        AppSettings settings(s.system, s.kolvex, s.user);
        settings.dbFile = s.dir.filePath("kolvexDB3.glo");
        // A journal that does not compress well, and the pack of yesterday.
        QFile journal(settings.journalPath());
        QVERIFY(journal.open(QIODevice::WriteOnly));
        for (int i = 0; i < 4000; ++i)
            journal.write(QByteArray::number(QRandomGenerator::global()->generate64(), 36) + '\n');
        journal.close();
        QFile old(settings.packedJournalPath());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("gestern");
        old.close();

        // The disk takes no more than 8 KiB of one file.
        QString error;
        bool packed = false;
        {
            const FileSizeLimit limit(8192);
            QVERIFY(limit.isActive());
            packed = settings.packJournal(&error);
        }

        QVERIFY(!packed);
        QVERIFY(!error.isEmpty());
        QFile after(settings.packedJournalPath());
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), QByteArray("gestern"));

        // With room on the disk the pack is replaced.
        QVERIFY(settings.packJournal(&error));
        QVERIFY(journal.open(QIODevice::ReadOnly));
        QFile fresh(settings.packedJournalPath());
        QVERIFY(fresh.open(QIODevice::ReadOnly));
        QCOMPARE(qUncompress(fresh.readAll()), journal.readAll());
    }

    void firstRunOnEmptyStoresGivesDefaults()
    {
        Stores s;
        AppSettings settings(s.system, s.kolvex, s.user);
        const QString program = AppSettings::defaultProgramDir();
        QCOMPARE(settings.imagesPath, program + "/images4");
        QCOMPARE(settings.translatorFile, program + "/qt_de.qm");
        QCOMPARE(settings.dbFile, AppSettings::defaultDataDir() + "/kolvexDB3.glo");
        QCOMPARE(settings.styleSheet,
                 QString("QAbstractItemView {selection-color: black; "
                         "selection-background-color: lightBlue}"));
        QCOMPARE(settings.valueFields, AppSettings::defaultValueFields());
        QCOMPARE(settings.applianceFields, AppSettings::defaultApplianceFields());
        QCOMPARE(settings.valueFieldLists, QStringList{"Standard#" + settings.valueFields});
        QCOMPARE(settings.applianceFieldLists,
                 QStringList{"Standard#" + settings.applianceFields});
        QVERIFY(settings.searchTermsAll.isEmpty());
        QCOMPARE(settings.currentManufacturerId, -1);
        QCOMPARE(settings.currentApplianceId, -1);
        QCOMPARE(settings.currentFireChamberManufacturerId, -1);
        QCOMPARE(settings.currentValueId, -1);
        QVERIFY(!settings.manufacturerMode);
        QVERIFY(settings.autoErfassdatum);
        QVERIFY(settings.showOldAppliances);
        QVERIFY(!settings.queryFailed);
        QCOMPARE(settings.idRangeLow.value(58), (qMakePair<qint64, qint64>(25000, 70000)));
        QCOMPARE(settings.idRangeHigh.value(58), (qMakePair<qint64, qint64>(27500, 75000)));
        QCOMPARE(settings.idRangeLow.value(550), (qMakePair<qint64, qint64>(20000, 60000)));
        QCOMPARE(settings.idRangeHigh.value(550), (qMakePair<qint64, qint64>(22500, 65000)));
        QCOMPARE(settings.idRangeLow.keys(), (QList<qint64>{58, 550}));
    }

    void firstRunWritesAllEditorDefaults()
    {
        Stores s;
        AppSettings settings(s.system, s.kolvex, s.user);
        s.user.beginGroup("Combospins");
        const QStringList keys = s.user.childKeys();
        QCOMPARE(keys.size(), 216);   // 36 number columns, six keys each
        // The editor defaults of every number column: column, Einheit, Combo (empty: the default
        // steps), SpinStep, Max, MaxDec; Min is "0" everywhere.
        const char *const steps = "1:5:0.5;6:20:1;22:34:2;35:200:5";
        const struct { const char *column, *einheit, *combo, *spinStep, *max, *maxDec; } table[] = {
            {"DHNHF", "m", "", "0.01", "0.35", "0x3"},
            {"M", "g/s", "", "0.1", "1500", "0x2"},
            {"BREITE", "", "", "0.5", "3000", "0x3"},
            {"DHW", "", "", "0.5", "1500", "0x2"},
            {"HOEHE", "", "", "0.5", "3000", "0x3"},
            {"TIEFE", "", "", "0.5", "3000", "0x3"},
            {"DHA", "", "", "0.5", "1500", "0x3"},
            {"FGHOEHE", "", "", "0.5", "1500", "0x3"},
            {"FGBREITE", "", "", "0.5", "1500", "0x3"},
            {"L1", "m", "", "0.5", "1500", "0x1"},
            {"PW", "Pa", "", "0.5", "1500", "0x1"},
            {"QHE", "kW", "", "0.1", "1500", "0x2"},
            {"QN_NHF", "kW", "", "0.5", "1500", "0x1"},
            {"BETA", "#", "", "0.5", "1500", "0x1"},
            {"QN", "kW", "", "0.5", "1500", "0x1"},
            {"QW", "kW", "", "0.5", "1500", "0x2"},
            {"ABSTANDHK", "mm", "", "0.5", "1500", "0x1"},
            {"CO2", "%", "6:20:0.5", "0.1", "45", "0x2"},
            {"TW", "°C", "", "0.5", "1500", "0x1"},
            {"QF", "kW", "", "0.5", "1500", "0x2"},
            {"QFR", "#", "", "0.1", "1500", "0x3"},
            {"ABSTANDSTB", "mm", "", "0.5", "1500", "0x1"},
            {"V_LUFT", "m³/h", "", "0.5", "1500", "0x1"},
            {"ULGITTERAUL", "", "", "0.5", "5000", "0x1"},
            {"ZUGITTER", "", "", "0.5", "5000", "0x1"},
            {"ULGITTERVBL", "", "", "0.5", "5000", "0x1"},
            {"MBS", "", "", "0.5", "1500", "0x2"},
            {"MAB", "", "", "0.5", "1500", "0x2"},
            {"HAND", "", "0;1", "1", "999999", "0x0"},
            {"A_FR", "", "0.05:0.5:0.01", "0.01", "10", "0x3"},
            {"KATEGORIE", "", "1:10:1", "1", "999", "0x0"},
            {"ROSTFLAECHE", "m²", "0.05:0.5:0.01", "0.01", "10", "0x3"},
            {"SORTIERUNG", "", "10:100:10", "10", "999999", "0x0"},
            {"ROHDICHTE", "kg/m³", "100:2500:100", "10", "25000", "0x2"},
            {"LAMBDA", "W/mK", "0.02:0.1:0.005;0.2:2:0.1", "0.001", "500", "0x4"},
            {"WAERMEKAPAZITAET", "kJ/kgK", "0.5:2:0.05", "0.01", "20", "0x3"},
        };
        QStringList expectedKeys;
        for (const auto &row : table) {
            const QString prefix = QString("WerteModel_Editor_") + row.column;
            const QStringList values{QString::fromUtf8(row.einheit),
                                     QString(*row.combo ? row.combo : steps), row.spinStep, "0",
                                     row.max, row.maxDec};
            int k = 0;
            for (const char *key : {"_Einheit", "_Combo", "_SpinStep", "_Min", "_Max", "_MaxDec"}) {
                expectedKeys << prefix + key;
                const QVariant stored = s.user.value(prefix + key);
                QVERIFY2(stored.userType() == QMetaType::QString, qPrintable(prefix + key));
                QCOMPARE(prefix + key + "=" + stored.toString(),
                         prefix + key + "=" + values.at(k++));
            }
        }
        QCOMPARE(sorted(keys), sorted(expectedKeys));
        s.user.endGroup();
        // Survives a round trip through the file.
        s.user.sync();
        QSettings reread(s.dir.filePath("user.ini"), QSettings::IniFormat);
        QCOMPARE(reread.value("Combospins/WerteModel_Editor_TW_Einheit").toString(),
                 QString("°C"));
    }

    void existingTuningIsNeverOverwritten()
    {
        Stores s;
        s.user.setValue("Combospins/WerteModel_Editor_DHNHF_Combo", "1:2:1");
        s.user.setValue("Combospins/WerteModel_Editor_TW_Max", "99");
        AppSettings settings(s.system, s.kolvex, s.user);
        s.user.beginGroup("Combospins");
        QCOMPARE(s.user.childKeys().size(), 2);
        QCOMPARE(s.user.value("WerteModel_Editor_TW_Max").toString(), QString("99"));
        s.user.endGroup();
    }

    void kolvexPfadSelectsImagesDirectory()
    {
        Stores s;
        s.system.setValue("kolvexPfad", "/opt/kolvex");
        s.kolvex.setValue("Pfad", "/srv/prog");
        AppSettings settings(s.system, s.kolvex, s.user);
        QCOMPARE(settings.imagesPath, QString("/opt/kolvex/images"));
        QCOMPARE(settings.translatorFile, QString("/srv/prog/qt_de.qm"));
    }

    void programAndDataDirectoriesFromKolvexStore()
    {
        Stores s;
        s.kolvex.setValue("Pfad", "/srv/prog");
        s.kolvex.setValue("Einstellungen/WDBDir", "/srv/data");
        s.system.setValue("StyleSheet", "QWidget {}");
        AppSettings settings(s.system, s.kolvex, s.user);
        QCOMPARE(settings.imagesPath, QString("/srv/prog/images4"));
        QCOMPARE(settings.dbFile, QString("/srv/data/kolvexDB3.glo"));
        QCOMPARE(settings.styleSheet, QString("QWidget {}"));
        s.system.setValue("DBFile", "/x/y.glo");
        AppSettings again(s.system, s.kolvex, s.user);
        QCOMPARE(again.dbFile, QString("/x/y.glo"));
    }

    void standardEntryAddedOnlyWithoutMatchingFieldList()
    {
        Stores s;
        s.user.setValue("werteFelder", "WERTEID,TW");
        s.user.setValue("werteFelderList", QStringList{"Eigene#WERTEID,PW", "ohneRaute"});
        s.user.setValue("geraeteFelder", "TIRMAID,TYP");
        s.user.setValue("geraeteFelderList", QStringList{"Kurz#TIRMAID,TYP"});
        AppSettings settings(s.system, s.kolvex, s.user);
        // Lists of earlier versions get their missing key columns when read.
        QCOMPARE(settings.valueFields, QString("WERTEID,GERAET,TW"));
        QCOMPARE(settings.valueFieldLists,
                 (QStringList{"Eigene#WERTEID,GERAET,PW", "ohneRaute",
                              "Standard#WERTEID,GERAET,TW"}));
        QCOMPARE(settings.applianceFields, QString("TIRMAID,HRSTID,TYP"));
        QCOMPARE(settings.applianceFieldLists, QStringList{"Kurz#TIRMAID,HRSTID,TYP"});
        // The appended entry lives in memory only.
        QCOMPARE(s.user.value("werteFelderList").toStringList().size(), 2);
    }

    void searchHistoriesRead()
    {
        Stores s;
        s.user.setValue("suchBegriffeGeraete", QStringList{"Fjord", "BKH"});
        s.user.setValue("suchBegriffeWerte", QStringList{"Teillast"});
        s.user.setValue("suchBegriffeAll", QStringList{"QN>5"});
        AppSettings settings(s.system, s.kolvex, s.user);
        QCOMPARE(settings.searchTermsAppliances, (QStringList{"Fjord", "BKH"}));
        QCOMPARE(settings.searchTermsValues, QStringList{"Teillast"});
        QCOMPARE(settings.searchTermsAll, QStringList{"QN>5"});
    }

    void instanceUsesNativeStoresOfTheApplication()
    {
        QSettings user; // user scope, "Tirma", "KolvexSelvanto" in the temporary location
        QVERIFY(user.fileName().startsWith(TestSupport::settingsDir()));
        AppSettings *settings = AppSettings::instance();
        QCOMPARE(settings, AppSettings::instance());
        user.sync();
        QVERIFY(user.contains("Combospins/WerteModel_Editor_DHNHF_Combo"));
    }

    // Every number column of the material, fire-chamber and appliance lists
    // gets a full tuning on first run.
    void firstRunTunesTheMaterialFireChamberAndApplianceColumns()
    {
        Stores s;
        AppSettings settings(s.system, s.kolvex, s.user);
        s.user.beginGroup("Combospins");
        for (const char *column : {"SORTIERUNG", "ROHDICHTE", "LAMBDA", "WAERMEKAPAZITAET",
                                   "KATEGORIE", "BREITE", "TIEFE", "HOEHE", "ROSTFLAECHE",
                                   "HAND", "DHA", "A_FR"}) {
            for (const char *key : {"_Einheit", "_Combo", "_SpinStep", "_Min", "_Max", "_MaxDec"})
                QVERIFY2(s.user.contains(QString("WerteModel_Editor_%1%2").arg(column, key)),
                         qPrintable(QString(column) + key));
        }
        QCOMPARE(s.user.value("WerteModel_Editor_ROHDICHTE_Max").toString(), QString("25000"));
        QCOMPARE(s.user.value("WerteModel_Editor_ROHDICHTE_Einheit").toString(), QString("kg/m³"));
        QCOMPARE(s.user.value("WerteModel_Editor_LAMBDA_MaxDec").toString(), QString("0x4"));
        QCOMPARE(s.user.value("WerteModel_Editor_ROSTFLAECHE_MaxDec").toString(), QString("0x3"));
        QCOMPARE(s.user.value("WerteModel_Editor_A_FR_MaxDec").toString(), QString("0x3"));
        QCOMPARE(s.user.value("WerteModel_Editor_HOEHE_Max").toString(), QString("3000"));
        QCOMPARE(s.user.value("WerteModel_Editor_KATEGORIE_MaxDec").toString(), QString("0x0"));
        s.user.endGroup();
    }
};

QTEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
