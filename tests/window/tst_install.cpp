// What `cmake --install` puts into a prefix: both programs, their desktop
// entries and icon, the demo data and the system settings; nothing of the
// tests, benchmark or generators. The installed programs and the demo
// launcher are started headless from the prefix.
#include "testsupport.h"

#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_prefix;
    QTemporaryDir m_home;
    QStringList m_installed; // paths relative to the prefix

    QString prefixed(const QString &relative) const { return m_prefix.filePath(relative); }

    // Key/value pairs of the [Desktop Entry] group of a desktop file.
    static QMap<QString, QString> desktopEntry(const QString &path)
    {
        QMap<QString, QString> entry;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return entry;
        bool inGroup = false;
        for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
            if (line.startsWith('['))
                inGroup = line == QLatin1String("[Desktop Entry]");
            else if (inGroup && line.contains('=') && !line.startsWith('#'))
                entry.insert(line.section('=', 0, 0), line.section('=', 1));
        }
        return entry;
    }

    // Runs an installed program in a fresh home below m_home, with the
    // installed system store; the window closes as soon as the event loop runs.
    int runHeadless(const QString &home, const QString &program, const QStringList &args,
                    QString *output) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home);
        env.insert("XDG_CONFIG_DIRS", prefixed("etc/xdg"));
        env.insert("XDG_CONFIG_HOME", home + "/config");
        env.insert("XDG_DATA_HOME", home + "/data");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("KOLVEX_CLOSE_AFTER_START", "1");
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, args);
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            *output = "did not end: " + QString::fromLocal8Bit(process.readAll());
            return -1;
        }
        *output = QString::fromLocal8Bit(process.readAll());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString freshDemoHome(const QString &name)
    {
        const QString home = m_home.filePath(name);
        QDir().mkpath(home);
        return home;
    }

private slots:
    void initTestCase()
    {
#ifndef Q_OS_LINUX
        QSKIP("desktop entries, icon theme and demo launcher are installed on Linux only");
#endif
        QVERIFY(m_prefix.isValid() && m_home.isValid());
        const QString cmake = QStandardPaths::findExecutable("cmake");
        if (cmake.isEmpty())
            QSKIP("cmake not on PATH");
        const QString buildDir = QFileInfo(KOLVEX_DEMO_DIR).absolutePath();
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(cmake, {"--install", buildDir, "--prefix", m_prefix.path()});
        QVERIFY(install.waitForFinished(300000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());
        QDirIterator it(m_prefix.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            m_installed << QDir(m_prefix.path()).relativeFilePath(it.next());
        m_installed.sort();
    }

    void installsProgramsEntriesIconsAndDemoOnly()
    {
        const QStringList expected = {
            "bin/KolvexSelvanto",
            "bin/KolvexSelvantoPflege",
            "bin/kolvexselvanto-demo",
            "share/applications/com.tirma.KolvexSelvanto.desktop",
            "share/applications/com.tirma.KolvexSelvantoPflege.desktop",
            "share/applications/com.tirma.KolvexSelvantoDemo.desktop",
            "share/icons/hicolor/48x48/apps/kolvexselvanto.png",
            "share/icons/hicolor/128x128/apps/kolvexselvanto.png",
            "share/icons/hicolor/256x256/apps/kolvexselvanto.png",
            "share/icons/hicolor/scalable/apps/kolvexselvanto.svg",
            "share/man/man1/KolvexSelvanto.1.gz",
            "share/man/man1/KolvexSelvantoPflege.1.gz",
            "share/man/man1/kolvexselvanto-demo.1.gz",
            "share/doc/kolvexselvanto/copyright",
            "share/doc/kolvexselvanto/changelog.gz",
            "share/mime/packages/kolvexselvanto.xml",
            "share/kolvexselvanto/demo/kolvexDB3.glo",
            "share/kolvexselvanto/demo/kolvex3.glo",
            "share/kolvexselvanto/demo/images/Bild1_scaled.png",
            "share/kolvexselvanto/demo/quarnel/WAERMEDB.txt",
            "etc/xdg/Tirma/KolvexSelvanto.conf",
        };
        for (const QString &path : expected)
            QVERIFY2(m_installed.contains(path), qPrintable(path + " not installed"));
        // Only the demo data itself, nothing a run left in the build's demo folder.
        const QRegularExpression demoFile(
            "^share/kolvexselvanto/demo/(kolvexDB3\\.glo|kolvex3\\.glo|images/Bild[0-9]+_scaled\\.png"
            "|quarnel/[A-Za-z_]+\\.txt)$");
        for (const QString &path : m_installed) {
            const bool known = path.startsWith("bin/") || path.startsWith("share/applications/")
                               || path.startsWith("share/icons/hicolor/")
                               || path.startsWith("share/mime/packages/")
                               || path.startsWith("share/man/man1/")
                               || path.startsWith("share/doc/kolvexselvanto/")
                               || demoFile.match(path).hasMatch()
                               || path.startsWith("etc/xdg/Tirma/");
            QVERIFY2(known, qPrintable("unexpected file " + path));
        }
        const QStringList programs = QDir(prefixed("bin")).entryList(QDir::Files, QDir::Name);
        QCOMPARE(programs, QStringList({"KolvexSelvanto", "KolvexSelvantoPflege",
                                        "kolvexselvanto-demo"}));
    }

    void desktopEntriesOpenFilesFromTheMenu_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("takesFile");
        QTest::newRow("manufacturer") << "com.tirma.KolvexSelvanto.desktop" << "KolvexSelvanto" << true;
        QTest::newRow("maintenance")
            << "com.tirma.KolvexSelvantoPflege.desktop" << "KolvexSelvantoPflege" << true;
        QTest::newRow("demo") << "com.tirma.KolvexSelvantoDemo.desktop" << "kolvexselvanto-demo"
                              << false;
    }

    void desktopEntriesOpenFilesFromTheMenu()
    {
        QFETCH(QString, file);
        QFETCH(QString, program);
        QFETCH(bool, takesFile);
        const QString path = prefixed("share/applications/" + file);
        const QMap<QString, QString> entry = desktopEntry(path);
        QCOMPARE(entry.value("Type"), QString("Application"));
        QCOMPARE(entry.value("Categories"), QString("Office;Database;"));
        QCOMPARE(entry.value("Exec"), takesFile ? program + " %f" : program);
        QVERIFY(QFileInfo(prefixed("bin/" + program)).isExecutable());
        QCOMPARE(entry.value("Icon"), QString("kolvexselvanto"));
        for (const char *key : {"Name", "GenericName", "Comment"})
            QVERIFY2(!entry.value(key).isEmpty(), key);
        QVERIFY(entry.value("Name").startsWith("Kolvex DatenBank"));

        const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
        if (validator.isEmpty())
            QSKIP("desktop-file-validate not installed");
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {path});
        QVERIFY(validate.waitForFinished());
        QVERIFY2(validate.exitCode() == 0 && validate.readAll().trimmed().isEmpty(),
                 qPrintable(path));
    }

    void iconHasEachThemeSize()
    {
        for (int size : {48, 128, 256}) {
            const QImage icon(
                prefixed(QStringLiteral("share/icons/hicolor/%1x%1/apps/kolvexselvanto.png").arg(size)));
            QCOMPARE(icon.size(), QSize(size, size));
            QVERIFY(icon.hasAlphaChannel());
        }
    }

    // The system store shipped with the programs names Qt's German catalogs.
    void systemStoreNamesGermanStandardTexts()
    {
        QSettings store(prefixed("etc/xdg/Tirma/KolvexSelvanto.conf"), QSettings::IniFormat);
        QCOMPARE(store.status(), QSettings::NoError);
        QCOMPARE(store.allKeys(), QStringList({"Translator"}));
        const QString catalog = store.value("Translator").toString();
        QCOMPARE(catalog, QString("/usr/share/qt5/translations/qt_de.qm"));
        if (!QFile::exists(catalog))
            QSKIP("qttranslations5-l10n not installed");
        QTranslator translator;
        QVERIFY(translator.load(catalog));
        // The catalog pulls in Qt's own texts: the standard buttons are German.
        QCOMPARE(translator.translate("QPlatformTheme", "Cancel"), QString("Abbrechen"));
    }

    void installedProgramsStartOnTheDemoAndEndCleanly_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("manufacturer") << "KolvexSelvanto";
        QTest::newRow("maintenance") << "KolvexSelvantoPflege";
    }

    void installedProgramsStartOnTheDemoAndEndCleanly()
    {
        QFETCH(QString, program);
        const QString home = freshDemoHome(program);
        const QString demo = home + "/kolvexDB3.glo";
        QVERIFY(QFile::copy(prefixed("share/kolvexselvanto/demo/kolvexDB3.glo"), demo));
        QVERIFY(QFile::copy(prefixed("share/kolvexselvanto/demo/kolvex3.glo"),
                            home + "/kolvex3.glo"));
        QString output;
        QCOMPARE(runHeadless(home, prefixed("bin/" + program), {demo}, &output), 0);
        QVERIFY2(!output.contains("Datenbankverbindung fehlgeschlagen"), qPrintable(output));
        // The window's state is saved on the normal way out.
        QSettings user(home + "/config/Tirma/KolvexSelvanto.conf", QSettings::IniFormat);
        QVERIFY2(user.contains("geometry"), qPrintable(output));
    }

    // The demo launcher makes the user's own copy once, keeps it on later
    // starts and never overwrites pictures the user already has.
    void demoLauncherKeepsTheUsersCopy()
    {
        const QString home = freshDemoHome("launcher");
        const QString launcher = prefixed("bin/kolvexselvanto-demo");
        const QString copy = home + "/data/KolvexSelvanto-demo/kolvexDB3.glo";
        const QString pictures = home + "/data/Tirma/KOLVEX/images4";
        QVERIFY(QDir().mkpath(pictures));
        {
            QFile mine(pictures + "/Bild1_scaled.png");
            QVERIFY(mine.open(QIODevice::WriteOnly));
            mine.write("mine");
        }

        QString output;
        QCOMPARE(runHeadless(home, launcher, {}, &output), 0);
        QVERIFY2(QFileInfo(copy).isWritable(), qPrintable(output));
        QVERIFY(QFile::exists(home + "/data/KolvexSelvanto-demo/kolvex3.glo"));
        QVERIFY(QFile::exists(home + "/data/KolvexSelvanto-demo/quarnel/WAERMEDB.txt"));
        QVERIFY(QFile::exists(pictures + "/Bild2_scaled.png"));
        QCOMPARE(QFileInfo(pictures + "/Bild1_scaled.png").size(), qint64(4));

        const QString marker = "SELECT count(*) FROM sqlite_master WHERE name='mine';";
        TestSupport::runSqlite3(copy, "CREATE TABLE mine(x);");
        QCOMPARE(TestSupport::runSqlite3(copy, marker).trimmed(), QString("1"));
        QCOMPARE(runHeadless(home, launcher, {}, &output), 0);
        QCOMPARE(TestSupport::runSqlite3(copy, marker).trimmed(), QString("1"));

        QCOMPARE(runHeadless(home, launcher, {"--neu"}, &output), 0);
        QCOMPARE(TestSupport::runSqlite3(copy, marker).trimmed(), QString("0"));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
