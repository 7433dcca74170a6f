#include "appsettings.h"
#include "dbconnections.h"
#include "editablesqlquerymodel.h"
#include "gruppenmodel.h"
#include "mainwindow.h"
#include "queryfailurekeeper.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QFontDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

// Closes every message box that opens while it lives and counts them.
class MessageBoxCloser : public QObject
{
public:
    MessageBoxCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        m_timer.start(10);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

// The main window keeps its parts consistent with each other in both
// editions: shortcuts, font, search fields, failure messages, selected rows
// and current ids, the group view, the side pages and the list widths.
class TestWindowState : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString file;
    AppSettings *settings = nullptr;
    MainWindow *window = nullptr;

    template <typename T> T *child(const char *name) const
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qWarning("missing child %s", name);
        return found;
    }
    QTableView *table(const char *name) const { return child<QTableView>(name); }
    QAction *action(const char *name) const { return child<QAction>(name); }

    void openWindow(bool manufacturerEdition)
    {
        settings->manufacturerMode = manufacturerEdition;
        settings->currentManufacturerId = manufacturerEdition ? 58 : -1;
        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        const QSqlError error = window->openDataBase(file);
        QVERIFY2(!error.isValid(), qPrintable(error.text()));
    }

    void applyGeneralFilter(const QString &condition)
    {
        if (!action("actionSuchleisteAnzeigen")->isChecked())
            action("actionSuchleisteAnzeigen")->trigger();
        auto *edit = child<QLineEdit>("lineEditFilterAll");
        edit->setText(condition);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    // The id (column 0) of the current row of a list; -1 without one.
    static int currentRowId(const QTableView *view)
    {
        const QModelIndex current = view->currentIndex();
        if (!current.isValid())
            return -1;
        return view->model()->index(current.row(), 0).data(Qt::EditRole).toInt();
    }

    static QStringList visibleHeaders(const QTableView *view)
    {
        QStringList names;
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            if (!view->isColumnHidden(c))
                names << view->model()->headerData(c, Qt::Horizontal).toString().toUpper();
        }
        return names;
    }

    static QList<int> columnWidths(const QTableView *view)
    {
        QList<int> widths;
        for (int c = 0; c < view->model()->columnCount(); ++c)
            widths << view->columnWidth(c);
        return widths;
    }

    static int readableWidth(const QWidget *view)
    {
        return view->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 10;
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
        file = TestSupport::copyDemoDatabase(dir.path());
        settings->showOldAppliances = true;
        settings->allFilter.clear();
        settings->applianceFilter.clear();
        settings->valueFilter.clear();
        settings->queryFailed = false;
        settings->applianceFields = AppSettings::defaultApplianceFields();
        settings->valueFields = AppSettings::defaultValueFields();
    }

    void cleanup()
    {
        delete window;
        window = nullptr;
        settings->manufacturerMode = false;
    }

    void theFailureARefreshStartedWithIsKept()
    {
        {
            QueryFailureKeeper keeper;
            settings->queryFailed = true;
            settings->failedQuery = "SELECT erste";
            keeper.capture();
            // A dependent list tries its own statement and succeeds.
            settings->queryFailed = false;
            settings->failedQuery = "SELECT zweite";
        }
        QVERIFY(settings->queryFailed);
        QCOMPARE(settings->failedQuery, QString("SELECT erste"));
        {
            QueryFailureKeeper keeper;
            settings->queryFailed = false;
            keeper.capture();
            settings->queryFailed = true;
            settings->failedQuery = "SELECT abhängig";
        }
        QCOMPARE(settings->failedQuery, QString("SELECT abhängig"));
        settings->queryFailed = false;
    }

    void editModeShortcutWorksInBothEditions_data()
    {
        QTest::addColumn<bool>("manufacturerEdition");
        QTest::newRow("Hersteller") << true;
        QTest::newRow("Pflege") << false;
    }

    void editModeShortcutWorksInBothEditions()
    {
        QFETCH(bool, manufacturerEdition);
        openWindow(manufacturerEdition);
        QCOMPARE(window->editMode(), 1);
        const QList<int> expected{2, 0, 1};
        for (int mode : expected) {
            QTest::keyClick(window, Qt::Key_F2, Qt::AltModifier | Qt::ShiftModifier);
            QCOMPARE(window->editMode(), mode);
        }
    }

    void chosenFontReachesTheWidgetsAtOnceAndAfterARestart()
    {
        const QFont before = QApplication::font();
        qApp->setStyleSheet(settings->styleSheet);
        openWindow(false);
        QFont chosen = QApplication::font();
        chosen.setPointSize(before.pointSize() + 9);
        QTimer::singleShot(0, this, [chosen] {
            auto *dialog = qobject_cast<QFontDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->setCurrentFont(chosen);
            dialog->accept();
        });
        QVERIFY(QMetaObject::invokeMethod(window, "on_actionSchrift_triggered"));
        QCOMPARE(table("tableGeraete")->font().pointSize(), chosen.pointSize());
        QCOMPARE(child<QLineEdit>("lineEditFilterGeraete")->font().pointSize(), chosen.pointSize());

        // A new start finds the widgets built with the old font.
        delete window;
        window = nullptr;
        QApplication::setFont(before);
        openWindow(false);
        QCOMPARE(table("tableAGWerte")->font().pointSize(), chosen.pointSize());

        QSettings().remove("Font");
        QApplication::setFont(before);
        qApp->setStyleSheet(QString());
    }

    void splitterPositionSurvivesARestart()
    {
        openWindow(false);
        auto *splitter = child<QSplitter>("splitter");
        QVERIFY(splitter);
        const int total = splitter->sizes().value(0) + splitter->sizes().value(1);
        QVERIFY(total > 100);
        const QList<int> moved{total / 4, total - total / 4};
        splitter->setSizes(moved);
        QCOMPARE(splitter->sizes(), moved);

        delete window;
        window = nullptr;
        openWindow(false);
        QCOMPARE(child<QSplitter>("splitter")->sizes(), moved);
        QSettings().remove("Splitter");
    }

    void toolBarPlaceSurvivesARestartOfTheMaintenanceEdition()
    {
        QSettings().remove("windowState");
        openWindow(true);
        delete window;
        window = nullptr;
        // The manufacturer edition hides the tool bar and keeps nothing of it.
        QVERIFY(!QSettings().contains("windowState"));
        openWindow(false);
        auto *toolBar = child<QToolBar>("toolBar");
        window->addToolBar(Qt::LeftToolBarArea, toolBar);
        delete window;
        window = nullptr;
        openWindow(false);
        QCOMPARE(window->toolBarArea(child<QToolBar>("toolBar")), Qt::LeftToolBarArea);
        QVERIFY(child<QToolBar>("toolBar")->isVisible());
        QSettings().remove("windowState");
    }

    void searchFieldsReturnAfterAPageSwitch()
    {
        openWindow(false);
        auto *appliances = child<QWidget>("suchleisteGeraete");
        auto *values = child<QWidget>("suchleisteWerte");
        action("actionSuchleisteAnzeigen")->trigger();
        QVERIFY(!appliances->isVisible());
        action("actionQuarnel_Datenbank")->trigger();
        action("actionKolvex_Datenbank")->trigger();
        QVERIFY(appliances->isVisible());
        QVERIFY(values->isVisible());
        QVERIFY(!child<QWidget>("suchleiste")->isVisible());

        // The bar opened on another page hides the fields as well.
        action("actionFeuerraume_Datenbank")->trigger();
        action("actionSuchleisteAnzeigen")->trigger();
        action("actionKolvex_Datenbank")->trigger();
        QVERIFY(appliances->isVisible());
        QVERIFY(values->isVisible());
    }

    void aFailedFilterIsReportedOnce()
    {
        openWindow(false);
        MessageBoxCloser closer;
        applyGeneralFilter("QN>>");
        QCOMPARE(closer.texts.size(), 1);
        QVERIFY(closer.texts.first().startsWith("Abfrage 'SELECT Id, Name from Hersteller"));
        for (const char *page : {"actionBaustoffe_Datenbank", "actionQuarnel_Datenbank",
                                 "actionFeuerraume_Datenbank", "actionKolvex_Datenbank"}) {
            action(page)->trigger();
            QCOMPARE(closer.texts.size(), 1);
        }
        // A valid filter after a failed one reports nothing.
        applyGeneralFilter("QN>11");
        QCOMPARE(closer.texts.size(), 1);
    }

    void currentIdsFollowTheSelectedRowsAfterAFilter_data()
    {
        QTest::addColumn<QString>("condition");
        QTest::newRow("fehlerhaft") << "QN>>";
        QTest::newRow("gültig") << "QN>0";
    }

    void currentIdsFollowTheSelectedRowsAfterAFilter()
    {
        QFETCH(QString, condition);
        openWindow(false);
        MessageBoxCloser closer;
        applyGeneralFilter(condition);
        QVERIFY(table("tableHersteller")->currentIndex().isValid());
        QCOMPARE(settings->currentManufacturerId, currentRowId(table("tableHersteller")));
        QVERIFY(settings->currentManufacturerId > 0);
        QCOMPARE(settings->currentApplianceId, currentRowId(table("tableGeraete")));
        // The new-record row belongs to the selected manufacturer again.
        QAbstractItemModel *appliances = table("tableGeraete")->model();
        QCOMPARE(appliances->headerData(appliances->rowCount() - 1, Qt::Vertical).toString(),
                 QString("*"));
        QVERIFY(appliances->rowCount() > 1);

        action("actionFeuerraume_Datenbank")->trigger();
        applyGeneralFilter(condition == "QN>>" ? "Breite>>" : "Breite>0");
        QVERIFY(table("tableFRHersteller")->currentIndex().isValid());
        QCOMPARE(settings->currentFireChamberManufacturerId,
                 currentRowId(table("tableFRHersteller")));
    }

    void applianceIdFollowsTheSelectionInTheManufacturerEdition()
    {
        openWindow(true);
        MessageBoxCloser closer;
        applyGeneralFilter("QN>>");
        QCOMPARE(closer.texts.size(), 1);
        QVERIFY(table("tableGeraete")->currentIndex().isValid());
        QCOMPARE(settings->currentApplianceId, currentRowId(table("tableGeraete")));
    }

    void selectionFollowsRowsAddedOrDeletedInTheList()
    {
        openWindow(false);
        QTableView *appliances = table("tableGeraete");
        appliances->setCurrentIndex(appliances->model()->index(1, 2));
        const int second = currentRowId(appliances);
        QCOMPARE(settings->currentApplianceId, second);
        // A duplicate re-reads the list; the appliance stays current.
        QVERIFY(QMetaObject::invokeMethod(appliances->model(), "datenDuplizieren",
                                          Q_ARG(QList<int>, QList<int>{0})));
        QTRY_COMPARE(currentRowId(appliances), second);
        QCOMPARE(settings->currentApplianceId, second);
        // Deleting the current appliance makes another one current; the
        // value list no longer offers new value sets for the deleted one.
        const int row = appliances->currentIndex().row();
        QVERIFY(QMetaObject::invokeMethod(appliances->model(), "datenLoeschen",
                                          Q_ARG(QList<int>, QList<int>{row})));
        QTRY_VERIFY(appliances->currentIndex().isValid());
        QVERIFY(currentRowId(appliances) != second);
        QCOMPARE(settings->currentApplianceId, currentRowId(appliances));
        QSqlQuery values(kolvexDb());
        QVERIFY(values.exec(QString("SELECT count(*) FROM Werte WHERE Geraet=%1")
                                .arg(settings->currentApplianceId)));
        QVERIFY(values.next());
        QCOMPARE(table("tableAGWerte")->model()->rowCount(), values.value(0).toInt() + 1);
    }

    void manufacturerListsKeepTheirCurrentRowWhenReRead()
    {
        openWindow(false);
        QTableView *manufacturers = table("tableHersteller");
        manufacturers->setCurrentIndex(manufacturers->model()->index(2, 1));
        const int third = settings->currentManufacturerId;
        qobject_cast<EditableSqlQueryModel *>(manufacturers->model())->refresh();
        QTRY_COMPARE(currentRowId(manufacturers), third);
        QCOMPARE(settings->currentManufacturerId, third);

        action("actionFeuerraume_Datenbank")->trigger();
        QTableView *chambers = table("tableFRHersteller");
        chambers->setCurrentIndex(chambers->model()->index(1, 1));
        const int second = settings->currentFireChamberManufacturerId;
        qobject_cast<EditableSqlQueryModel *>(chambers->model())->refresh();
        QTRY_COMPARE(currentRowId(chambers), second);
        QCOMPARE(settings->currentFireChamberManufacturerId, second);
    }

    void groupButtonOpensTheGroupsInTheMaintenanceEditionOnly()
    {
        openWindow(false);
        auto *button = child<QToolButton>("toolButtonShowGruppen");
        auto *groups = child<QTreeView>("gruppenView");
        QVERIFY(button->isVisible());
        QAbstractItemModel *manufacturers = table("tableHersteller")->model();
        for (int row = 0; row < manufacturers->rowCount(); ++row) {
            if (manufacturers->index(row, 0).data().toInt() == 58)
                table("tableHersteller")->setCurrentIndex(manufacturers->index(row, 1));
        }
        button->click();
        QVERIFY(groups->isVisible());
        QCOMPARE(groups->model()->rowCount(), 2);
        groups->setCurrentIndex(groups->model()->index(0, 0));
        QVERIFY(!window->currentGroupText().isEmpty());
        // Value sets dropped onto the current group are marked at once.
        auto *model = qobject_cast<GruppenModel *>(groups->model());
        QVERIFY(model);
        model->addToGruppe(groups->currentIndex(), "70003");
        QVERIFY2(window->currentGroupText().split('#').contains("70003"),
                 qPrintable(window->currentGroupText()));
        button->click();
        QVERIFY(!groups->isVisible());
        QCOMPARE(button->text(), QString(">\n>\n>"));

        delete window;
        window = nullptr;
        openWindow(true);
        QVERIFY(!child<QToolButton>("toolButtonShowGruppen")->isVisible());
    }

    void sidePagesShowNamesAndTypes()
    {
        openWindow(false);
        action("actionBaustoffe_Datenbank")->trigger();
        QStringList materials = visibleHeaders(table("tableBaustoffe"));
        QCOMPARE(materials.value(0), QString("BEZEICHNUNG"));
        QVERIFY(!materials.contains("ID"));
        QVERIFY(!materials.contains("SORTIERUNG"));
        action("actionFeuerraume_Datenbank")->trigger();
        const QStringList chambers = visibleHeaders(table("tableFRTypen"));
        QCOMPARE(chambers.value(0), QString("TYP"));
        QVERIFY(!chambers.contains("HRSTID"));
        QVERIFY(!chambers.contains("KATEGORIE"));
    }

    void sortColumnStaysVisibleInAFileWithoutTechnicalColumns()
    {
        TestSupport::runSqlite3(file, "CREATE TABLE b AS SELECT Id, Bezeichnung, Lambda, LambdaBer "
                                      "FROM Baustoffe; DROP TABLE Baustoffe; "
                                      "ALTER TABLE b RENAME TO Baustoffe;");
        openWindow(false);
        action("actionBaustoffe_Datenbank")->trigger();
        const QStringList materials = visibleHeaders(table("tableBaustoffe"));
        QCOMPARE(materials.value(0), QString("BEZEICHNUNG"));
        QVERIFY(!materials.contains("ID"));
    }

    void quarnelDetailsFitTheirContents()
    {
        openWindow(false);
        action("actionQuarnel_Datenbank")->trigger();
        QTableView *details = table("tableViewQuarnelGeraete");
        QVERIFY(details->model()->rowCount() > 0);
        const QList<int> shown = columnWidths(details);
        details->resizeColumnsToContents();
        QCOMPARE(shown, columnWidths(details));
    }

    void emptyOrFailedManufacturerListsStayReadable()
    {
        openWindow(false);
        MessageBoxCloser closer;
        applyGeneralFilter("QN>100000");
        QCOMPARE(table("tableHersteller")->model()->rowCount(), 1); // the "*" row only
        QVERIFY(table("tableHersteller")->width() >= readableWidth(table("tableHersteller")));
        action("actionQuarnel_Datenbank")->trigger();
        applyGeneralFilter("gibtsnicht>>");
        QCOMPARE(closer.texts.size(), 1);
        QTableView *quarnel = table("tableViewQuarnelHersteller");
        QVERIFY(quarnel->width() >= readableWidth(quarnel));
    }

    void backFromTheApplianceFormShowsWhatTheFormStored()
    {
        openWindow(false);
        QAbstractItemModel *appliances = table("tableGeraete")->model();
        QVERIFY(appliances->rowCount() > 2);
        const int id = appliances->index(1, 0).data().toInt();
        table("tableGeraete")->setCurrentIndex(appliances->index(1, 2));
        window->rowHeaderGeraeteClicked(1);
        // What the form writes lands in the file.
        QSqlQuery update(kolvexDb());
        QVERIFY(update.exec(QString("UPDATE Geraete SET Typ1='Geändert' WHERE TirmaId=%1").arg(id)));
        child<QPushButton>("pbGeraeteShowTable")->click();
        const int typ1 = [appliances] {
            for (int c = 0; c < appliances->columnCount(); ++c)
                if (appliances->headerData(c, Qt::Horizontal).toString().toUpper() == "TYP1")
                    return c;
            return -1;
        }();
        QVERIFY(typ1 >= 0);
        const int row = table("tableGeraete")->currentIndex().row();
        QCOMPARE(appliances->index(row, 0).data().toInt(), id);
        QCOMPARE(appliances->index(row, typ1).data().toString(), QString("Geändert"));
        QCOMPARE(settings->currentApplianceId, id);
    }
};

QTEST_MAIN(TestWindowState)
#include "tst_windowstate.moc"
