#include "aboutbox.h"
#include "appsettings.h"
#include "commandline.h"
#include "dbconnections.h"
#include "mainwindow.h"
#include "modaldialogscript.h"
#include "testsupport.h"

#include <QAction>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QActionGroup>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

// The main window shell: widget tree, actions, shortcuts, state saved at
// exit, and the opening of connections.
class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir dataDir;
    AppSettings *settings = nullptr;

    template <typename T> static T *child(QWidget &w, const char *name)
    {
        T *found = w.findChild<T *>(QLatin1String(name));
        if (!found)
            qWarning("missing child %s", name);
        return found;
    }

    static QStringList actionNames(const QList<QAction *> &actions)
    {
        QStringList names;
        for (QAction *a : actions)
            names << (a->isSeparator() ? QStringLiteral("|")
                                       : a->menu() ? a->menu()->objectName() : a->objectName());
        return names;
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        settings = AppSettings::instance();
    }

    void init()
    {
        TestSupport::closeAllConnections();
        settings->manufacturerMode = false;
        settings->currentManufacturerId = -1;
        settings->autoErfassdatum = true;
        settings->showOldAppliances = true;
    }

    void windowHasItsTitleSizesAndPages()
    {
        MainWindow w;
        QCOMPARE(w.windowTitle(), QString("Kolvex DatenBank Pflege"));
        QCOMPARE(w.minimumSize(), QSize(900, 750));
        QCOMPARE(w.size(), QSize(995, 794));
        QVERIFY(!w.windowIcon().isNull());
        auto *stack = child<QStackedWidget>(w, "stackedWidget");
        QVERIFY(stack);
        QStringList pages;
        for (int i = 0; i < stack->count(); ++i)
            pages << stack->widget(i)->objectName();
        QCOMPARE(pages, (QStringList{"pageKolvex", "pageQuarnel", "pageFeuerraume", "pageBaustoffe",
                                     "pageGeraeteForm", "pageWerteForm"}));
        QCOMPARE(stack->currentIndex(), 0);
        for (const char *name : {"tableHersteller", "tableGeraete", "tableAGWerte", "tableFRHersteller",
                                 "tableFRTypen", "tableBaustoffe"})
            QVERIFY2(child<QTableView>(w, name)->inherits("DragTableView"), name);
        for (const char *name : {"gruppenView", "gruppenView2"}) {
            auto *view = child<QTreeView>(w, name);
            QVERIFY(view->inherits("GruppenView"));
            QCOMPARE(view->indentation(), 0);
            QVERIFY(!view->rootIsDecorated());
        }
        QVERIFY(child<QTableView>(w, "tableViewQuarnelHersteller"));
        QVERIFY(child<QTableView>(w, "tableViewQuarnelGeraete"));
        auto *hersteller = child<QTableView>(w, "tableHersteller");
        QVERIFY(hersteller->alternatingRowColors());
        QCOMPARE(hersteller->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!hersteller->tabKeyNavigation());
        QCOMPARE(child<QTableView>(w, "tableGeraete")->horizontalHeader()->defaultSectionSize(), 150);
        QCOMPARE(child<QPushButton>(w, "pbGeraeteShowTable")->text(), QString("Zurück"));
        QCOMPARE(child<QPushButton>(w, "pbWerteShowTable")->text(), QString("Zurück"));
        QVERIFY(w.findChild<QGridLayout *>("gridLayoutGeraeteForm"));
        QVERIFY(w.findChild<QGridLayout *>("gridLayoutWerteForm"));
    }

    void searchFieldsAndButtonsAtStart()
    {
        MainWindow w;
        w.show();
        QVERIFY(!child<QWidget>(w, "suchleiste")->isVisible());
        QVERIFY(child<QWidget>(w, "suchleisteGeraete")->isVisible());
        QVERIFY(!child<QWidget>(w, "gruppenView")->isVisible());
        for (const char *name : {"toolButtonFilterGeraete", "toolButtonFilterWerte", "toolButtonFilterAll"})
            QVERIFY2(!child<QToolButton>(w, name)->isEnabled(), name);
        QCOMPARE(child<QToolButton>(w, "toolButtonFilterWerte")->toolTip(),
                 QString("Feldinhalte der Suchmaske Werte löschen"));
        auto *showGroups = child<QToolButton>(w, "toolButtonShowGruppen");
        QCOMPARE(showGroups->text(), QString(">\n>\n>"));
        QCOMPARE(showGroups->maximumWidth(), 12);
        QCOMPARE(showGroups->toolTip(), QString("Gruppenmaske anzeigen bzw. verstecken"));
        for (const char *name : {"lineEditFilterAll", "lineEditFilterGeraete", "lineEditFilterWerte"}) {
            auto *edit = child<QLineEdit>(w, name);
            QCOMPARE(edit->contextMenuPolicy(), Qt::CustomContextMenu);
            QVERIFY(edit->completer());
        }
        showGroups->click();
        QVERIFY(child<QWidget>(w, "gruppenView")->isVisible());
        QCOMPARE(showGroups->text(), QString("<\n<\n<"));
        showGroups->click();
        QVERIFY(!child<QWidget>(w, "gruppenView")->isVisible());
    }

    void actionsHaveTextsIconsAndShortcuts()
    {
        MainWindow w;
        struct Expected { const char *name; const char *text; bool icon; bool checkable; };
        const Expected expected[] = {
            {"actionGeraetemaske_anpassen", "&Feuerstättenmaske anpassen", false, false},
            {"actionWertemaske_anpassen", "&Kenndatenmaske anpassen", false, false},
            {"actionSchrift", "&Schrift", true, false},
            {"actionQuarnel_Datenbank", "Quarnel Datenbank", true, true},
            {"actionKolvex_Datenbank", "Kolvex Datenbank", true, true},
            {"actionQuarnel_Datenbanken_importieren", "Quarnel Datenbanken importieren", true, false},
            {"actionEditiermodus", "Editiermodus", true, false},
            {"actionFeuerraume_Datenbank", "Feuerraume Datenbank", true, true},
            {"actionUpdate_vorbereiten", "Update vorbereiten", false, false},
            {"actionSuchleisteAnzeigen", "Suchleiste anzeigen", false, true},
            {"actionSicherungErstellen", "Sicherung erstellen", true, false},
            {"actionBaustoffe_Datenbank", "Baustoffe Datenbank", true, true},
            {"actionAltGeraeteAnzeigen", "Alte Feuerst. verstecken", false, false},
        };
        for (const Expected &e : expected) {
            auto *a = w.findChild<QAction *>(QLatin1String(e.name));
            QVERIFY2(a, e.name);
            QCOMPARE(a->text(), QString::fromUtf8(e.text));
            QCOMPARE(!a->icon().isNull(), e.icon);
            QCOMPARE(a->isCheckable(), e.checkable);
        }
        QCOMPARE(w.findChild<QAction *>("actionEditiermodus")->shortcut(),
                 QKeySequence("Alt+Shift+F2"));
        // Shown where the journal is kept: the maintenance edition.
        QVERIFY(w.findChild<QAction *>("actionUpdate_vorbereiten")->isVisible());
        QCOMPARE(w.findChild<QAction *>("actionBeenden")->shortcut(), QKeySequence("Ctrl+Q"));
        QCOMPARE(w.findChild<QAction *>("actionUeber")->shortcut(), QKeySequence("F1"));
        QCOMPARE(w.findChild<QAction *>("actionAltGeraeteAnzeigen")->toolTip(),
                 QString("Feuerstätten die nicht mehr im Tirma Sortiment sind anzeigen/verstecken"));
        auto *kolvex = w.findChild<QAction *>("actionKolvex_Datenbank");
        QVERIFY(kolvex->isChecked());
        QVERIFY(kolvex->actionGroup() && kolvex->actionGroup()->isExclusive());
        QCOMPARE(kolvex->actionGroup()->actions().size(), 4);
        w.findChild<QAction *>("actionBaustoffe_Datenbank")->trigger();
        QVERIFY(!kolvex->isChecked());
        QCOMPARE(w.findChild<QStackedWidget *>("stackedWidget")->currentWidget()->objectName(),
                 QString("pageBaustoffe"));
        QCOMPARE(w.currentPage(), 3);
        QVERIFY(!w.findChild<QAction *>("actionGeraetemaske_anpassen")->isVisible());
        kolvex->trigger();
        QVERIFY(w.findChild<QAction *>("actionGeraetemaske_anpassen")->isVisible());
        QCOMPARE(w.currentPage(), 0);
    }

    void oldAppliancesActionTextFollowsTheFlag()
    {
        settings->showOldAppliances = false;
        MainWindow w;
        QCOMPARE(w.findChild<QAction *>("actionAltGeraeteAnzeigen")->text(),
                 QString("Alte Feuerst. anzeigen"));
    }

    void menusAndToolBarInOrder()
    {
        MainWindow w;
        auto *main = w.findChild<QMenu *>("menuEinstellungen");
        auto *view = w.findChild<QMenu *>("menuAnsicht");
        QCOMPARE(main->title(), QString("Haupmenü"));
        QCOMPARE(view->title(), QString("Ansicht"));
        QCOMPARE(actionNames(w.menuBar()->actions()),
                 (QStringList{"menuEinstellungen", "menuBearbeiten", "menuAnsicht", "menuHilfe"}));
        QCOMPARE(actionNames(main->actions()),
                 (QStringList{"actionDatenbank_oeffnen", "menuZuletzt", "|", "actionKolvex_Datenbank",
                              "actionFeuerraume_Datenbank",
                              "actionBaustoffe_Datenbank", "|", "actionQuarnel_Datenbank",
                              "actionQuarnel_Datenbanken_importieren", "|", "actionSicherungErstellen",
                              "actionUpdate_vorbereiten", "|", "actionBeenden"}));
        QCOMPARE(actionNames(w.findChild<QMenu *>("menuHilfe")->actions()),
                 (QStringList{"actionUeber", "actionUeberQt"}));
        QCOMPARE(actionNames(view->actions()),
                 (QStringList{"actionGeraetemaske_anpassen", "actionWertemaske_anpassen", "|",
                              "actionSuchleisteAnzeigen", "|", "actionSchrift"}));
        auto *toolBar = w.findChild<QToolBar *>("toolBar");
        QCOMPARE(toolBar->windowTitle(), QString("Werkzeugleiste"));
        QCOMPARE(w.toolBarArea(toolBar), Qt::TopToolBarArea);
        QCOMPARE(actionNames(toolBar->actions()),
                 (QStringList{"actionKolvex_Datenbank", "actionFeuerraume_Datenbank",
                              "actionBaustoffe_Datenbank", "actionQuarnel_Datenbank", "|",
                              "actionEditiermodus", "|", "actionSicherungErstellen", "|",
                              "actionSuchleisteAnzeigen", "|", "actionUpdate_vorbereiten",
                              "actionAltGeraeteAnzeigen", "|"}));
    }

    void f12TogglesTheCaptureDateSwitch()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F12);
        QVERIFY(!settings->autoErfassdatum);
        QCOMPARE(w.statusBar()->currentMessage(), QString("Erfassdatum wird nicht automatisch geändert"));
        QTest::keyClick(&w, Qt::Key_F12);
        QVERIFY(settings->autoErfassdatum);
        QCOMPARE(w.statusBar()->currentMessage(), QString("Erfassdatum wird automatisch geändert"));
    }

    void searchBarActionShowsAndHidesTheBar()
    {
        MainWindow w;
        w.show();
        auto *action = w.findChild<QAction *>("actionSuchleisteAnzeigen");
        action->trigger();
        QCOMPARE(action->text(), QString("Suchleiste verstecken"));
        QVERIFY(child<QWidget>(w, "suchleiste")->isVisible());
        QVERIFY(!child<QWidget>(w, "suchleisteGeraete")->isVisible());
        action->trigger();
        QCOMPARE(action->text(), QString("Suchleiste anzeigen"));
        QVERIFY(!child<QWidget>(w, "suchleiste")->isVisible());
        QVERIFY(child<QWidget>(w, "suchleisteWerte")->isVisible());
    }

    void stateIsWrittenAtDestructionAndRestored()
    {
        QSettings().remove("geometry");
        // Three different histories, each to its own key.
        settings->searchTermsAppliances = QStringList{"Fjord"};
        settings->searchTermsValues = QStringList{"Teillast", "Nenn"};
        settings->searchTermsAll = QStringList{"QN>5", "TW<300"};
        for (const char *key : {"suchBegriffeGeraete", "suchBegriffeWerte", "suchBegriffeAll"})
            QSettings().remove(key);
        {
            MainWindow w;
            w.resize(1000, 800);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
        }
        QSettings user;
        QVERIFY(user.contains("geometry"));
        QVERIFY(user.contains("tableGeraeteSS"));
        QVERIFY(user.contains("tableAGWerteSS"));
        QCOMPARE(user.value("suchBegriffeGeraete").toStringList(), QStringList{"Fjord"});
        QCOMPARE(user.value("suchBegriffeWerte").toStringList(), (QStringList{"Teillast", "Nenn"}));
        QCOMPARE(user.value("suchBegriffeAll").toStringList(), (QStringList{"QN>5", "TW<300"}));
        MainWindow again;
        QCOMPARE(again.size(), QSize(1000, 800));
    }

    void storedFontBecomesTheApplicationFont()
    {
        const QFont before = QApplication::font();
        QFont f("Serif", 17);
        QSettings().setValue("Font", f.toString());
        {
            MainWindow w;
            QCOMPARE(QApplication::font().pointSize(), 17);
        }
        QSettings().setValue("Font", "kein Font");
        QApplication::setFont(before);
        MainWindow w;
        QCOMPARE(QApplication::font().pointSize(), before.pointSize());
        QSettings().remove("Font");
    }

    void sqliteDriverCheckIsExact()
    {
        QVERIFY(MainWindow::hasSqliteDriver({"QPSQL", "QSQLITE"}));
        QVERIFY(!MainWindow::hasSqliteDriver({"QSQLite", "QSQLITE2"}));
        QVERIFY(!MainWindow::hasSqliteDriver({}));
    }

    void openDataBaseRegistersBothConnectionsAndTheIdTable()
    {
        const QString file = TestSupport::copyDemoDatabase(dataDir.path());
        MainWindow w;
        for (int round = 0; round < 2; ++round) {
            const QSqlError error = w.openDataBase(file);
            QVERIFY2(!error.isValid(), qPrintable(error.text()));
            QCOMPARE(QSqlDatabase::connectionNames().size(), 2);
            QVERIFY(kolvexDb().isOpen());
            QCOMPARE(quarnelDb().databaseName(), dataDir.path() + "/kolvex3.glo");
            QCOMPARE(TestSupport::scalar(kolvexDb(), "SELECT count(*), min(id), max(id) FROM seqidxs"),
                     QString("100000"));
            QCOMPARE(TestSupport::scalar(kolvexDb(), "SELECT max(id) FROM seqidxs"), QString("100000"));
        }
        QCOMPARE(settings->dbFile, file);
        QCOMPARE(w.findChild<QLabel *>("databasePath")->text(), file);
        QCOMPARE(settings->aufsatzCache.size(), 4);
        QCOMPARE(settings->aufsatzCache.value(3).value("Bezeichnung").toString(), QString("Keramikzug"));
        QCOMPARE(settings->aufsatzCache.value(3).value("DeltaTemp").toDouble(), -10.0);
        // Outside manufacturer mode the first manufacturer (by name) and its
        // first appliance are selected.
        QCOMPARE(settings->currentManufacturerId, 550);
        QCOMPARE(settings->currentApplianceId,
                 TestSupport::scalar(kolvexDb(), "SELECT TirmaId FROM Geraete WHERE HrstId=550 "
                                                 "ORDER BY lower(Typ1||Typ2||Typ3||Typ||Variante) "
                                                 "LIMIT 1").toInt());
    }

    void missingMainFileIsAnErrorAndNotCreated()
    {
        MainWindow w;
        const QString before = settings->dbFile;
        const QString missing = dataDir.path() + "/fehlt/kolvexDB3.glo";
        const QSqlError error = w.openDataBase(missing);
        QVERIFY(error.isValid());
        QVERIFY(error.text().contains(missing));
        QVERIFY(!QFile::exists(missing));
        QVERIFY(!QSqlDatabase::contains(QLatin1String(kKolvexConnection)));
        QCOMPARE(settings->dbFile, before);
    }

    void manufacturerModeHidesTheMaintenanceParts()
    {
        const QString file = TestSupport::copyDemoDatabase(dataDir.path());
        settings->manufacturerMode = true;
        settings->currentManufacturerId = 58;
        MainWindow w;
        w.show();
        // Shown before any database fills it, the window already looks as it will.
        QVERIFY(!w.menuBar()->isVisible());
        QVERIFY(!w.findChild<QToolBar *>("toolBar")->isVisible());
        QVERIFY(!child<QWidget>(w, "tableHersteller")->isVisible());
        QVERIFY(!child<QWidget>(w, "gruppenView2")->isVisible());
        w.openDataBase(file);
        QVERIFY(!w.menuBar()->isVisible());
        QVERIFY(!w.findChild<QToolBar *>("toolBar")->isVisible());
        QVERIFY(!child<QWidget>(w, "tableHersteller")->isVisible());
        QVERIFY(!child<QWidget>(w, "gruppenView2")->isVisible());
        QVERIFY(!child<QWidget>(w, "toolButtonShowGruppen")->isVisible());
        QCOMPARE(settings->currentManufacturerId, 58);
        QVERIFY(!w.findChild<QAction *>("actionUpdate_vorbereiten")->isVisible());
        auto *label = w.findChild<QLabel *>("manufacturerModeLabel");
        QVERIFY(label && label->isVisible());
        QCOMPARE(label->text(), QString("Hersteller: Kaminwerk Nordheim – Änderungen ohne Journal"));
        // F1 reaches the about box without menu bar.
        QVERIFY(QTest::qWaitForWindowActive(&w));
        ModalDialogScript dialogs;
        dialogs.confirmMessage();
        QTest::keyClick(&w, Qt::Key_F1);
        QVERIFY2(dialogs.seen().value(0).startsWith("Über KolvexSelvanto|<h3>KolvexSelvanto 1.0"),
                 qPrintable(dialogs.seen().join('\n')));
    }

    void maintenanceModeKeepsMenusAndManufacturers()
    {
        const QString file = TestSupport::copyDemoDatabase(dataDir.path());
        settings->currentManufacturerId = 58;
        MainWindow w;
        w.show();
        w.openDataBase(file);
        QVERIFY(w.menuBar()->isVisible());
        QVERIFY(w.findChild<QToolBar *>("toolBar")->isVisible());
        QVERIFY(child<QWidget>(w, "tableHersteller")->isVisible());
        QVERIFY(w.findChild<QMenu *>("menuHerstellerUpdates"));
        QCOMPARE(settings->currentManufacturerId, 550); // first in the list
        QVERIFY(!w.findChild<QLabel *>("manufacturerModeLabel"));
        // Reopening replaces the update menu, before "Beenden".
        w.openDataBase(file);
        const QList<QAction *> entries = w.findChild<QMenu *>("menuEinstellungen")->actions();
        QCOMPARE(entries.mid(entries.size() - 4).last()->objectName(), QString("actionBeenden"));
        QCOMPARE(actionNames(entries.mid(entries.size() - 4)),
                 (QStringList{"|", "menuHerstellerUpdates", "|", "actionBeenden"}));
    }

    void commandLineOpensEachValidArgument()
    {
        const QString file = TestSupport::copyDemoDatabase(dataDir.path());
        MainWindow w;
        QTest::ignoreMessage(QtWarningMsg, "Ungültige URL: http://[x");
        const QSqlError error = openCommandLineDatabases(w, {"http://[x", file});
        QVERIFY(!error.isValid());
        QCOMPARE(settings->dbFile, file);
        QVERIFY(kolvexDb().isOpen());
    }

    void commandLineFailureIsLoggedAgainAfterAnInvalidArgument()
    {
        MainWindow w;
        const QString missing = dataDir.path() + "/nicht/da.glo";
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Datenbankverbindung fehlgeschlagen: "));
        QTest::ignoreMessage(QtWarningMsg, "Ungültige URL: http://[y");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Datenbankverbindung fehlgeschlagen: "));
        const QSqlError error = openCommandLineDatabases(w, {missing, "http://[y"});
        QVERIFY(error.isValid());
    }

    void packActionWritesTheZipBesideTheDatabase()
    {
        const QString file = TestSupport::copyDemoDatabase(dataDir.path());
        MainWindow w;
        w.openDataBase(file);
        settings->appendToJournal("DELETE FROM Werte WHERE WerteId=1");
        w.findChild<QAction *>("actionUpdate_vorbereiten")->trigger();
        QVERIFY(QFile::exists(dataDir.path() + "/journal.zip"));
        QCOMPARE(w.statusBar()->currentMessage(),
                 "Journal gepackt: " + QDir::toNativeSeparators(dataDir.path() + "/journal.zip"));
        QFile::remove(dataDir.path() + "/journal.sql");
        w.findChild<QAction *>("actionUpdate_vorbereiten")->trigger();
        QVERIFY(w.statusBar()->currentMessage().startsWith("Kein Journal zum Packen vorhanden"));
    }

    void aboutBoxNamesVersionsAndFiles()
    {
        const QString file = TestSupport::copyDemoDatabase(dataDir.path());
        MainWindow w;
        w.openDataBase(file);
        const QString text = AboutBox::text();
        for (const QString &part :
             {QString("KolvexSelvanto 1.0"), QString("Pflegeausgabe"), QString(qVersion()),
              QString("<td>3."), file, dataDir.path() + "/journal.sql",
              QSettings().fileName().toHtmlEscaped()})
            QVERIFY2(text.contains(part), qPrintable(part + " missing in " + text));
    }

    void recentFilesListTheLastFiveNewestFirst()
    {
        QSettings().remove("ZuletztGeoeffnet");
        QStringList files;
        for (int i = 0; i < 6; ++i) {
            QDir().mkpath(dataDir.path() + QString("/zuletzt%1").arg(i));
            files << TestSupport::copyDemoDatabase(dataDir.path() + QString("/zuletzt%1").arg(i));
        }
        MainWindow w;
        for (const QString &file : files)
            w.openDataBase(file);
        w.openDataBase(files.at(3));
        const QList<QAction *> entries = w.findChild<QMenu *>("menuZuletzt")->actions();
        QCOMPARE(entries.size(), 5);
        QCOMPARE(entries.at(0)->text(), "&1 " + files.at(3));
        QCOMPARE(entries.at(1)->text(), "&2 " + files.at(5));
        QCOMPARE(entries.at(4)->text(), "&5 " + files.at(1));
        entries.at(2)->trigger(); // files.at(4)
        QCOMPARE(settings->dbFile, files.at(4));
        QCOMPARE(QSettings().value("DBFile").toString(), files.at(4));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
