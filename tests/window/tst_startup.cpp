#include "appsettings.h"
#include "commandline.h"
#include "dbconnections.h"
#include "deferredstartup.h"
#include "mainwindow.h"
#include "modaldialogscript.h"
#include "startup.h"
#include "testsupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTableView>
#include <QTranslator>
#include <QtTest>

// Start-up: locale, names, style sheet, editions, and the real programs
// started on the command line.
class TestStartup : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    // Starts a program headless with isolated settings and returns everything
    // it wrote to the log: once the log holds until, or, with until empty, once
    // the program has closed its window and ended (at most a minute, so that a
    // slow machine is given time rather than a failure).
    QString runProgram(const QString &program, const QStringList &args,
                       const QString &until = QString())
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", dir.path());
        env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        env.insert("XDG_CONFIG_DIRS", dir.path() + "/etc");
        env.insert("XDG_DATA_HOME", dir.path() + "/data");
        env.insert("QT_FORCE_STDERR_LOGGING", "1");
        env.insert("QT_MESSAGE_PATTERN", "%{file}|%{function}|%{message}");
        env.insert("KOLVEX_CLOSE_AFTER_START", "1");
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        if (!p.waitForStarted())
            return QString();
        QByteArray log;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 60000 && p.state() == QProcess::Running
               && (until.isEmpty() || !QString::fromLocal8Bit(log).contains(until))) {
            p.waitForReadyRead(100);
            log += p.readAll();
        }
        p.kill();
        p.waitForFinished();
        return QString::fromLocal8Bit(log + p.readAll());
    }

    static QString binary(const char *name)
    {
        return QCoreApplication::applicationDirPath() + "/../" + QLatin1String(name);
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void numbersUseThePointUnderAGermanSystemLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QTranslator translator;
        prepareApplication(*qApp, translator, false);
        QCOMPARE(QLocale().toString(1234.5, 'f', 1), QString("1234.5"));
        QCOMPARE(QLocale().toDouble("2.25"), 2.25);
        QCOMPARE(QCoreApplication::applicationName(), QString("KolvexSelvanto"));
        QCOMPARE(QCoreApplication::organizationName(), QString("Tirma"));
        QCOMPARE(qApp->styleSheet(), AppSettings::instance()->styleSheet);
        QVERIFY(!AppSettings::instance()->manufacturerMode);
    }

    void manufacturerEditionWorksForManufacturer58()
    {
        QTranslator translator;
        prepareApplication(*qApp, translator, true);
        QVERIFY(AppSettings::instance()->manufacturerMode);
        QCOMPARE(AppSettings::instance()->currentManufacturerId, 58);
        AppSettings::instance()->manufacturerMode = false;
    }

    void qtsOwnTextsAreGerman()
    {
        // The "Translator" setting names no readable file here.
        QVERIFY(!QFile::exists(AppSettings::instance()->translatorFile));
        QTranslator translator;
        prepareApplication(*qApp, translator, false);
        QMessageBox question(QMessageBox::Question, "Nachfrage", "Wirklich?",
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(question.button(QMessageBox::Yes)->text(), QString("&Ja"));
        QCOMPARE(question.button(QMessageBox::No)->text(), QString("&Nein"));
        QCOMPARE(question.button(QMessageBox::Cancel)->text(), QString("Abbrechen"));
        QLineEdit edit;
        QMenu *menu = edit.createStandardContextMenu();
        QStringList entries;
        for (QAction *a : menu->actions())
            entries << a->text().section('\t', 0, 0);
        delete menu;
        QVERIFY2(entries.contains("&Rückgängig"), qPrintable(entries.join('|')));
    }

    void aReadableTranslatorFileIsLoadedInstead()
    {
        const QString own = dir.path() + "/eigene_de.qm";
        QVERIFY(QFile::copy(QLibraryInfo::location(QLibraryInfo::TranslationsPath)
                                + "/qtbase_de.qm",
                            own));
        QTranslator translator;
        QCOMPARE(loadQtTranslations(translator, own), own);
        QTranslator fallback;
        const QString loaded = loadQtTranslations(fallback, dir.path() + "/fehlt.qm");
        QVERIFY2(loaded.startsWith(QLibraryInfo::location(QLibraryInfo::TranslationsPath)),
                 qPrintable(loaded));
    }

    void programReportsAnInvalidUrlAndOpensTheValidFile()
    {
        const QString file = TestSupport::copyDemoDatabase(dir.path());
        const QString log = runProgram(binary("KolvexSelvanto"), {"http://[x", file});
        QVERIFY2(log.contains("classes/main|qMain|Ungültige URL: http://[x"),
                 qPrintable(log));
        QVERIFY2(!log.contains("Datenbankverbindung fehlgeschlagen"), qPrintable(log));
    }

    void programLogsAFailedDatabase()
    {
        const QString log = runProgram(binary("KolvexSelvantoPflege"),
                                       {dir.path() + "/fehlt/nichts.glo"},
                                       "Datenbankverbindung fehlgeschlagen: ");
        QVERIFY2(log.contains("Datenbankverbindung fehlgeschlagen: "), qPrintable(log));
        // A missing file in an existing folder: nothing is created there.
        const QString folder = dir.path() + "/leer";
        QDir().mkpath(folder);
        runProgram(binary("KolvexSelvantoPflege"), {folder + "/kolvexDB3.glo"},
                   "Datenbankverbindung fehlgeschlagen: ");
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void missingCommandLineFileIsToldToTheUser()
    {
        const QString folder = dir.path() + "/leer2";
        QDir().mkpath(folder);
        const QString missing = folder + "/kolvexDB3.glo";
        MainWindow window;
        window.show();
        QList<QSqlError> failures;
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^Datenbankverbindung fehlgeschlagen: "));
        openCommandLineDatabases(window, {missing}, &failures);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

        ModalDialogScript script;
        script.confirmMessage();
        showCommandLineFailures(window, failures);
        QCOMPARE(script.seen(),
                 QStringList{"Datenbank Fehler|Datenbank konnte nicht geöffnet werden: Die Datei '"
                             + missing + "' existiert nicht."});
    }

    // The window is shown empty under the wait cursor before any database
    // is opened; once it has been painted the command-line file fills it
    // and the cursor goes. What the user then sees is what opening shows.
    void windowComesFirstThenTheCommandLineFileFillsIt()
    {
        AppSettings *settings = AppSettings::instance();
        settings->manufacturerMode = false;
        TestSupport::closeAllConnections();
        QDir().mkpath(dir.path() + "/zuerst");
        const QString file = TestSupport::copyDemoDatabase(dir.path() + "/zuerst");
        MainWindow window;
        DeferredStartup startup(window, {file}, false);
        QSignalSpy filled(&startup, &DeferredStartup::filled);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        window.show();
        // Nothing is opened before the window has been on the screen.
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
        auto *manufacturers = window.findChild<QTableView *>("tableHersteller");
        QVERIFY(!manufacturers->model() || manufacturers->model()->rowCount() == 0);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(filled.count(), 1);
        QVERIFY(startup.isDone());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(settings->dbFile, file);
        QCOMPARE(manufacturers->model()->rowCount() - 1,
                 TestSupport::scalar(kolvexDb(), "SELECT count(*) FROM Hersteller WHERE Tirma<>0")
                     .toInt());
        QCOMPARE(manufacturers->currentIndex().row(), 0);
        QVERIFY(settings->currentManufacturerId > 0);
        TestSupport::closeAllConnections();
    }

    // A file that is missing is told after the window is shown, as before,
    // and then the remembered database is opened instead.
    void missingFileAtStartIsToldThenTheRememberedOneOpens()
    {
        AppSettings::instance()->manufacturerMode = false;
        TestSupport::closeAllConnections();
        QDir().mkpath(dir.path() + "/gemerkt");
        const QString remembered = TestSupport::copyDemoDatabase(dir.path() + "/gemerkt");
        QSettings().setValue("DBFile", remembered);
        const QString missing = dir.path() + "/fehlt/kolvexDB3.glo";
        MainWindow window;
        ModalDialogScript script;
        script.confirmMessage();
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^Datenbankverbindung fehlgeschlagen: "));
        DeferredStartup startup(window, {missing}, false);
        window.show();
        QTRY_VERIFY(startup.isDone());
        QCOMPARE(script.seen().size(), 1);
        QVERIFY(script.seen().at(0).startsWith("Datenbank Fehler|Datenbank konnte nicht geöffnet "
                                               "werden: "));
        QCOMPARE(AppSettings::instance()->dbFile, remembered);
        QVERIFY(!QFile::exists(missing));
        QVERIFY(!QApplication::overrideCursor());
        QSettings().remove("DBFile");
        TestSupport::closeAllConnections();
    }

    void helpAndVersionAnswerWithoutAWindow_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("manufacturer") << "KolvexSelvanto";
        QTest::newRow("maintenance") << "KolvexSelvantoPflege";
    }

    void helpAndVersionAnswerWithoutAWindow()
    {
        QFETCH(QString, program);
        for (const QString &option : {QString("--help"), QString("--version")}) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.remove("QT_QPA_PLATFORM"); // no screen is needed
            p.setProcessEnvironment(env);
            p.start(binary(qPrintable(program)), {dir.path() + "/a.glo", option});
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 0);
            const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
            if (option == "--help")
                QVERIFY2(out.startsWith("Aufruf: " + program + " [DATENBANK...]\n")
                             && out.contains("--version"),
                         qPrintable(out));
            else
                QVERIFY2(out.startsWith(program + " 1.0 (KolvexSelvanto, "), qPrintable(out));
        }
        QVERIFY(!QFile::exists(dir.path() + "/a.glo"));
    }

    void diagnosticsGoToALogFileOfTheLastThreeRuns()
    {
        const QString file = TestSupport::copyDemoDatabase(dir.path());
        const QString logDir = dir.path() + "/data/Tirma/KolvexSelvanto/";
        for (const char *url : {"http://[1", "http://[2", "http://[3", "http://[4"}) {
            const QString out = runProgram(binary("KolvexSelvanto"), {url, file});
            // stderr keeps every message.
            QVERIFY2(out.contains(QString("Ungültige URL: ") + url), qPrintable(out));
        }
        QFile log(logDir + "KolvexSelvanto.log");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY2(text.contains(" Warnung classes/main Ungültige URL: http://[4"), qPrintable(text));
        QFile earlier(logDir + "KolvexSelvanto.log.2");
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QVERIFY(earlier.readAll().contains("http://[2"));
        QCOMPARE(QDir(logDir).entryList({"KolvexSelvanto.log*"}, QDir::Files),
                 (QStringList{"KolvexSelvanto.log", "KolvexSelvanto.log.1",
                              "KolvexSelvanto.log.2"}));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
