#include "appsettings.h"
#include "databasefilecheck.h"
#include "dbconnections.h"
#include "idtable.h"
#include "mainwindow.h"
#include "modaldialogscript.h"
#include "testsupport.h"

#include <QAction>
#include <QCryptographicHash>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

// Opening databases from the window: files that are refused, the file
// dialog until one opens, read-only files, and files another connection
// holds locked.
class TestDatabaseOpening : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    AppSettings *m_settings = nullptr;

    static QByteArray checksum(const QString &file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray();
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
    }

    QString writeTextFile(const QString &name)
    {
        const QString path = m_dir.path() + "/" + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray("Kein SQLite, nur eine umbenannte Notiz.\n").repeated(40));
        return path;
    }

    QString sqliteWithoutKolvexTables()
    {
        const QString path = m_dir.path() + "/fremd.glo";
        QFile::remove(path);
        TestSupport::runSqlite3(path, "CREATE TABLE Hersteller (Id INTEGER, Name TEXT);\n"
                                      "CREATE TABLE Kunden (Id INTEGER);\n");
        return path;
    }

    QString demoIn(const QString &subdir)
    {
        const QString dir = m_dir.path() + "/" + subdir;
        QDir().mkpath(dir);
        return TestSupport::copyDemoDatabase(dir);
    }

    static QString shownPath(MainWindow &w)
    {
        return w.findChild<QLabel *>("databasePath")->text();
    }

    // Set for the run of permissionsDecideTheAccess as an unprivileged user:
    // the database copy it opens.
    static constexpr const char *kUnprivilegedCopy = "KOLVEX_TEST_UNPRIVILEGED_DB";

    // A file its user may not write opens read-only (run as a user whom the
    // permissions bind).
    static void opensReadOnlyWithoutWritePermission(const QString &demo)
    {
        QVERIFY(isWritableDatabaseFile(demo));
        QVERIFY(QFile::setPermissions(demo, QFile::ReadOwner | QFile::ReadGroup));
        QVERIFY(!isWritableDatabaseFile(demo));
        MainWindow w;
        QVERIFY(!w.openDataBase(demo).isValid());
        QVERIFY(w.isReadOnly());
        QVERIFY(kolvexDb().connectOptions().contains("QSQLITE_OPEN_READONLY"));
        QCOMPARE(w.findChild<QLabel *>("databaseReadOnly")->isHidden(), false);
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        m_settings = AppSettings::instance();
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        TestSupport::closeAllConnections();
        m_settings->manufacturerMode = false;
        m_settings->currentManufacturerId = -1;
        m_settings->applianceFields = AppSettings::defaultApplianceFields();
        QSettings().remove("DBFile");
    }

    void foreignFilesAreRefusedAndTheOpenDatabaseKept()
    {
        const QString demo = demoIn("a");
        const QString text = writeTextFile("notiz.glo");
        const QByteArray textSum = checksum(text);
        const QString foreign = sqliteWithoutKolvexTables();
        MainWindow w;
        QVERIFY(!w.openDataBase(demo).isValid());

        QSqlError error = w.openDataBase(text);
        QVERIFY(error.isValid());
        QVERIFY2(error.text().contains("keine SQLite-Datenbank"), qPrintable(error.text()));
        QVERIFY(error.text().contains(text));
        QCOMPARE(checksum(text), textSum);

        error = w.openDataBase(foreign);
        QVERIFY2(error.text().contains("keine Kolvex-Datenbank"), qPrintable(error.text()));
        QVERIFY(error.text().contains("Geraete, Werte"));
        QVERIFY(!error.text().contains("Hersteller,"));

        // The database that was open stays open and shown.
        QCOMPARE(kolvexDb().databaseName(), demo);
        QCOMPARE(m_settings->dbFile, demo);
        QCOMPARE(shownPath(w), demo);
        QCOMPARE(TestSupport::scalar(kolvexDb(), "SELECT count(*) FROM seqidxs"), QString("100000"));
        // Nothing was created beside the refused files.
        QVERIFY(!QFile::exists(m_dir.path() + "/kolvex3.glo"));
    }

    void rememberedForeignFileIsForgottenAndTheDialogComesAgain()
    {
        const QString text = writeTextFile("gemerkt.glo");
        const QString foreign = sqliteWithoutKolvexTables();
        const QString demo = demoIn("b");
        QSettings().setValue("DBFile", text);
        MainWindow w;
        w.show();
        ModalDialogScript script;
        script.chooseFile(foreign);   // the remembered file failed: choose another
        script.confirmMessage();      // a database without the tables is refused
        script.chooseFile(demo);      // and the dialog comes again
        w.addConnection();
        QVERIFY(script.done());
        const QStringList seen = script.seen();
        QCOMPARE(seen.size(), 3);
        QVERIFY(seen.at(0).startsWith("Datei|Auswahl KOLVEX Datenbank"));
        QVERIFY2(seen.at(1).startsWith("Datenbank Fehler|Datenbank konnte nicht geöffnet werden: "),
                 qPrintable(seen.at(1)));
        QVERIFY2(seen.at(1).contains("keine Kolvex-Datenbank"), qPrintable(seen.at(1)));
        QVERIFY(seen.at(1).contains(foreign));
        QCOMPARE(kolvexDb().databaseName(), demo);
        QCOMPARE(QSettings().value("DBFile").toString(), demo);
    }

    void cancelledDialogRemembersNothing()
    {
        const QString text = writeTextFile("nochmal.glo");
        QSettings().setValue("DBFile", text);
        MainWindow w;
        w.show();
        {
            // Cancelled at once: the remembered file's failure is shown.
            ModalDialogScript script;
            script.chooseFile(QString());
            script.confirmMessage();
            w.addConnection();
            QVERIFY(script.done());
            QVERIFY2(script.seen().value(1).contains("keine SQLite-Datenbank"),
                     qPrintable(script.seen().value(1)));
        }
        QSettings().remove("DBFile");
        m_settings->dbFile.clear();   // nothing remembered at all
        {
            ModalDialogScript script;
            script.chooseFile(text);
            script.confirmMessage();
            script.chooseFile(QString());   // cancel after a refusal: nothing more
            w.addConnection();
            QVERIFY(script.done());
            QCOMPARE(script.seen().size(), 3);
        }
        QVERIFY(!QSettings().contains("DBFile"));
        QVERIFY(!QSqlDatabase::contains(QLatin1String(kKolvexConnection)));
        QCOMPARE(shownPath(w), QString());
    }

    void openActionOpensAnotherDatabaseAndRemembersIt()
    {
        const QString first = demoIn("c1");
        const QString second = demoIn("c2");
        MainWindow w;
        w.show();
        QVERIFY(!w.openDataBase(first).isValid());
        auto *open = w.findChild<QAction *>("actionDatenbank_oeffnen");
        QVERIFY(open);
        QCOMPARE(open->text(), QString("Datenbank öffnen…"));
        QCOMPARE(open->shortcut(), QKeySequence("Ctrl+O"));

        {
            ModalDialogScript script;
            script.chooseFile(second);
            open->trigger();
            QVERIFY(script.done());
            // The dialog starts in the folder of the open database.
            QCOMPARE(script.seen().value(0),
                     QString("Datei|Auswahl KOLVEX Datenbank|" + m_dir.path() + "/c1"));
        }
        QCOMPARE(kolvexDb().databaseName(), second);
        QCOMPARE(quarnelDb().databaseName(), m_dir.path() + "/c2/kolvex3.glo");
        QCOMPARE(QSettings().value("DBFile").toString(), second);
        QCOMPARE(shownPath(w), second);

        ModalDialogScript cancel;
        cancel.chooseFile(QString());
        open->trigger();
        QVERIFY(cancel.done());
        QCOMPARE(kolvexDb().databaseName(), second);
    }

    void pathStaysInTheStatusBarAndFollowsThePage()
    {
        const QString demo = demoIn("d");
        MainWindow w;
        w.show();
        w.openDataBase(demo);
        // Hovering a menu entry shows its status tip, then clears it.
        w.statusBar()->showMessage("Hinweis eines Menüeintrags");
        w.statusBar()->clearMessage();
        QCOMPARE(shownPath(w), demo);
        QVERIFY(w.findChild<QLabel *>("databasePath")->isVisible());
        w.findChild<QAction *>("actionQuarnel_Datenbank")->trigger();
        QCOMPARE(shownPath(w), m_dir.path() + "/d/kolvex3.glo");
        w.findChild<QAction *>("actionBaustoffe_Datenbank")->trigger();
        QCOMPARE(shownPath(w), demo);
        w.findChild<QAction *>("actionKolvex_Datenbank")->trigger();
        QCOMPARE(shownPath(w), demo);
    }

    void readOnlyDatabaseSaysSoAndIsNotEdited()
    {
        const QString demo = demoIn("ro");
        const QByteArray before = checksum(demo);
        const QString groupsBefore = TestSupport::runSqlite3(
            demo, "SELECT BEZEICHNUNG, werteid FROM gruppen ORDER BY rowid;\n");
        QVERIFY(groupsBefore.contains("Keramik"));
        // With the quality-mark column, whose header switches the marks.
        m_settings->applianceFields = "TIRMAID,HRSTID,TYP1,TYP,DINPLUS AS XXXDINPLUS";
        MainWindow w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QSqlError error = w.openDataBase(demo, MainWindow::ReadOnly);
        QVERIFY2(!error.isValid(), qPrintable(error.text()));
        QVERIFY(kolvexDb().connectOptions().contains("QSQLITE_OPEN_READONLY"));
        QVERIFY(w.isReadOnly());
        // SQLite itself refuses writes on this connection.
        QSqlQuery write(kolvexDb());
        QVERIFY(!write.exec("UPDATE Werte SET TW=1"));
        QCOMPARE(TestSupport::scalar(kolvexDb(), "SELECT count(*) FROM seqidxs"), QString("100000"));

        QCOMPARE(shownPath(w), demo);
        auto *marker = w.findChild<QLabel *>("databaseReadOnly");
        QVERIFY(marker->isVisible());
        QCOMPARE(marker->text(), QString("schreibgeschützt"));

        auto *editMode = w.findChild<QAction *>("actionEditiermodus");
        QCOMPARE(w.editMode(), 0);
        QVERIFY(!editMode->isEnabled());
        editMode->trigger();
        QCOMPARE(w.editMode(), 0);
        QVERIFY(!w.findChild<QAction *>("actionQuarnel_Datenbanken_importieren")->isEnabled());
        QVERIFY(!w.findChild<QMenu *>("menuHerstellerUpdates")->menuAction()->isEnabled());
        QVERIFY(!w.findChild<QWidget *>("formGeraete")->isEnabled());
        QVERIFY(!w.findChild<QWidget *>("formWerte")->isEnabled());
        for (const char *name : {"tableGeraete", "tableAGWerte", "tableHersteller"})
            QCOMPARE(w.findChild<QTableView *>(name)->editTriggers(),
                     QAbstractItemView::NoEditTriggers);
        // No list ends with the "*" row: nothing could be stored there.
        for (const char *name : {"tableGeraete", "tableAGWerte", "tableHersteller"}) {
            const QAbstractItemModel *list = w.findChild<QTableView *>(name)->model();
            QVERIFY(list->rowCount() > 0);
            QVERIFY2(list->headerData(list->rowCount() - 1, Qt::Vertical).toString() != "*",
                     name);
        }

        // Delete on a selected cell changes nothing, not even on screen.
        auto *geraete = w.findChild<QTableView *>("tableGeraete");
        const QModelIndex cell = geraete->model()->index(0, 3);
        const QVariant shown = cell.data();
        QVERIFY(shown.isValid());
        geraete->setFocus();
        geraete->setCurrentIndex(cell);
        geraete->selectionModel()->select(cell, QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(geraete, Qt::Key_Delete);
        QCOMPARE(geraete->model()->index(0, 3).data(), shown);

        // No context menu (copy, paste, delete) and no drops.
        ModalDialogScript popups;
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, geraete->visualRect(cell).center());
        QApplication::sendEvent(geraete->viewport(), &menuEvent);
        QTest::qWait(60);
        QCOMPARE(popups.seen(), QStringList());
        auto *werte = w.findChild<QTableView *>("tableAGWerte");
        QMimeData mime;
        mime.setData("text/csv", "70000");
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(werte->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
        QDragEnterEvent groups(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.findChild<QWidget *>("gruppenView")->findChild<QWidget *>(
                                    "qt_scrollarea_viewport"),
                                &groups);
        QVERIFY(!groups.isAccepted());

        // The quality-mark switch in the header does nothing, not even on
        // screen, and reports no failed change.
        auto *model = geraete->model();
        int dinplus = -1;
        for (int c = 0; c < model->columnCount(); ++c)
            if (model->headerData(c, Qt::Horizontal).toString().toUpper() == "XXXDINPLUS")
                dinplus = c;
        QVERIFY(dinplus >= 0);
        QStringList marks;
        for (int row = 0; row < model->rowCount(); ++row)
            marks << model->index(row, dinplus).data().toString();
        w.statusBar()->clearMessage();
        emit geraete->horizontalHeader()->sectionClicked(dinplus);
        for (int row = 0; row < model->rowCount(); ++row)
            QCOMPARE(model->index(row, dinplus).data().toString(), marks.at(row));
        QCOMPARE(w.statusBar()->currentMessage(), QString());

        // Delete in the group tree, on a group, asks nothing and removes nothing.
        w.findChild<QToolButton *>("toolButtonShowGruppen")->click();
        auto *tree = w.findChild<QTreeView *>("gruppenView");
        QVERIFY(tree->isVisible());
        const int groupRows = tree->model()->rowCount();
        QVERIFY(groupRows > 0);
        tree->setFocus();
        tree->setCurrentIndex(tree->model()->index(0, 0));
        QCOMPARE(QApplication::focusWidget(), tree);
        QTest::keyClick(tree, Qt::Key_Delete);
        QTest::qWait(60);
        QCOMPARE(popups.seen(), QStringList());   // it would note and close a question
        QCOMPARE(tree->model()->rowCount(), groupRows);

        QCOMPARE(checksum(demo), before);
        QVERIFY(TestSupport::journalLines(demo).isEmpty());
        QCOMPARE(TestSupport::runSqlite3(demo, "SELECT BEZEICHNUNG, werteid FROM gruppen ORDER "
                                               "BY rowid;\n"),
                 groupsBefore);

        // A writable file afterwards brings every action back.
        QVERIFY(!w.openDataBase(demo).isValid());
        QVERIFY(!w.isReadOnly());
        {
            const QAbstractItemModel *list = w.findChild<QTableView *>("tableHersteller")->model();
            QCOMPARE(list->headerData(list->rowCount() - 1, Qt::Vertical).toString(), QString("*"));
        }
        QVERIFY(!marker->isVisible());
        QCOMPARE(w.editMode(), 1);
        QVERIFY(editMode->isEnabled());
        QVERIFY(w.findChild<QAction *>("actionQuarnel_Datenbanken_importieren")->isEnabled());
        QVERIFY(w.findChild<QMenu *>("menuHerstellerUpdates")->menuAction()->isEnabled());
        QVERIFY(w.findChild<QWidget *>("formGeraete")->isEnabled());
        QCOMPARE(geraete->editTriggers() == QAbstractItemView::NoEditTriggers, false);
    }

    void readOnlyCompanionIsNotCreated()
    {
        const QString dir = m_dir.path() + "/ohneQuarnel";
        const QString demo = demoIn("ohneQuarnel");
        QVERIFY(QFile::remove(dir + "/kolvex3.glo"));
        MainWindow w;
        QVERIFY(!w.openDataBase(demo, MainWindow::ReadOnly).isValid());
        QVERIFY(!QFile::exists(dir + "/kolvex3.glo"));
        QVERIFY(!QSqlDatabase::contains(QLatin1String(kQuarnelConnection)));
    }

    void permissionsDecideTheAccess()
    {
        // The re-run of this test as an unprivileged user (see below).
        const QString given = qEnvironmentVariable(kUnprivilegedCopy);
        if (!given.isEmpty()) {
            QVERIFY(geteuid() != 0);
            opensReadOnlyWithoutWritePermission(given);
            return;
        }
        const QString demo = demoIn("rechte");
        QVERIFY(isWritableDatabaseFile(demo));
        QVERIFY(!isWritableDatabaseFile(m_dir.path() + "/rechte/fehlt.glo"));
        QVERIFY(!isWritableDatabaseFile(m_dir.path() + "/rechte"));
        if (geteuid() != 0) {
            opensReadOnlyWithoutWritePermission(demo);
            QFile::setPermissions(demo, QFile::ReadOwner | QFile::WriteOwner);
            return;
        }

        // Root may write every file, so the test runs again as "nobody"
        // (CI runs as root): a copy of this program and of the database in
        // a world-writable temporary folder, the database owned by nobody.
        const passwd *nobody = getpwnam("nobody");
        QVERIFY2(nobody, "there is no user 'nobody' to run the test as");
        const QString setpriv = QStandardPaths::findExecutable("setpriv");
        QVERIFY2(!setpriv.isEmpty(), "setpriv (util-linux) is needed to run the test as 'nobody'");
        QTemporaryDir shared;
        QVERIFY(shared.isValid());
        const QString dir = shared.path();
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                               | QFile::ReadGroup | QFile::WriteGroup
                                               | QFile::ExeGroup | QFile::ReadOther
                                               | QFile::WriteOther | QFile::ExeOther));
        const QString self = QCoreApplication::applicationFilePath();
        const QString program = dir + "/" + QFileInfo(self).fileName();
        QVERIFY(QFile::copy(self, program));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner
                                                   | QFile::ExeOwner | QFile::ReadGroup
                                                   | QFile::ExeGroup | QFile::ReadOther
                                                   | QFile::ExeOther));
        const QString copy = TestSupport::copyDemoDatabase(dir);
        for (const QString &file : {copy, dir + "/kolvex3.glo"})
            QCOMPARE(chown(QFile::encodeName(file).constData(), nobody->pw_uid, nobody->pw_gid), 0);
        const QByteArray before = checksum(copy);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kUnprivilegedCopy, copy);
        env.insert("TMPDIR", dir);
        env.insert("HOME", dir);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("XDG_RUNTIME_DIR");
        // A sanitized build: the leak check is the outer run's; nobody may
        // not read the suppressions in the build tree.
        env.remove("LSAN_OPTIONS");
        env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
        QProcess child;
        child.setProcessEnvironment(env);
        child.setWorkingDirectory(dir);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(setpriv, {QString("--reuid=%1").arg(nobody->pw_uid),
                              QString("--regid=%1").arg(nobody->pw_gid), "--clear-groups", "--",
                              program, "permissionsDecideTheAccess"});
        QVERIFY2(child.waitForFinished(240000), "the run as 'nobody' did not end");
        const QByteArray output = child.readAll();
        if (child.exitCode() == 126 || child.exitCode() == 127)
            QSKIP(qPrintable("'nobody' cannot execute the copy of the test in " + dir + ": "
                             + QString::fromLocal8Bit(output)));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 output.constData());
        QVERIFY2(output.contains("PASS   : TestDatabaseOpening::permissionsDecideTheAccess()"),
                 output.constData());
        QCOMPARE(checksum(copy), before);
        QVERIFY(!(QFileInfo(copy).permissions() & (QFile::WriteOwner | QFile::WriteOther)));
        QVERIFY(TestSupport::journalLines(copy).isEmpty());
    }

    void missingFileCreatesNothing()
    {
        const QString dir = m_dir.path() + "/leer";
        QDir().mkpath(dir);
        MainWindow w;
        const QSqlError error = w.openDataBase(dir + "/kolvexDB3.glo");
        QVERIFY(error.text().contains(dir + "/kolvexDB3.glo"));
        QVERIFY(error.text().contains("existiert nicht"));
        QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
    }

    void lockedFileCostsOneWaitAndKeepsNothingHalfOpen()
    {
        const QString demo = demoIn("gesperrt");
        MainWindow w;
        {
            TestSupport::OtherProgram other(demo);
            QVERIFY(other.exec("BEGIN EXCLUSIVE"));
            QVERIFY(other.exec("DELETE FROM Werte"));
            const QSqlError error = w.openDataBase(demo);
            QVERIFY(error.isValid());
            QVERIFY2(error.text().contains("Datenbank ist gesperrt"), qPrintable(error.text()));
            QVERIFY(error.text().contains(demo));
            QVERIFY(!QSqlDatabase::contains(QLatin1String(kKolvexConnection)));
            QVERIFY(!QSqlDatabase::contains(QLatin1String(kQuarnelConnection)));
            QCOMPARE(shownPath(w), QString());
            QVERIFY(other.exec("ROLLBACK"));
        }
        QVERIFY(!w.openDataBase(demo).isValid());
        QCOMPARE(TestSupport::scalar(kolvexDb(), "SELECT count(*) FROM seqidxs"), QString("100000"));
    }

    void idTableIsNotLeftHalfFilledUnderALock()
    {
        const QString demo = demoIn("idlock");
        QSqlDatabase db = TestSupport::openKolvex(demo, /*withIdTable=*/false);
        {
            TestSupport::OtherProgram other(demo);
            QVERIFY(other.exec("BEGIN EXCLUSIVE"));
            QVERIFY(other.exec("DELETE FROM Geraete"));
            QSqlError error;
            QVERIFY(!createIdTable(db, &error));
            QVERIFY2(isLockError(error), qPrintable(error.text()));
            QVERIFY(other.exec("ROLLBACK"));
        }
        QCOMPARE(TestSupport::scalar(db, "SELECT count(*) FROM sqlite_temp_master"), QString("0"));
        QVERIFY(createIdTable(db));
        QCOMPARE(TestSupport::scalar(db, "SELECT count(*) FROM seqidxs"), QString("100000"));
    }
};

QTEST_MAIN(TestDatabaseOpening)
#include "tst_databaseopening.moc"
