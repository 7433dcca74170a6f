#include "appsettings.h"
#include "dbconnections.h"
#include "editablesqlquerymodel.h"
#include "geraetemodel.h"
#include "idcondition.h"
#include "keyranges.h"
#include "mainwindow.h"
#include "testsupport.h"
#include "wertemodel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QDate>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

// The main window on the demo database: selection chain, search fields with
// their histories, groups, edit modes, form pages, side pages and backup.
class TestBrowsing : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString file;
    AppSettings *settings = nullptr;
    MainWindow *window = nullptr;

    template <typename T> T *child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QTableView *table(const char *name) const { return child<QTableView>(name); }

    static QSet<QString> toSet(const QStringList &list)
    {
        return QSet<QString>(list.begin(), list.end());
    }

    static QStringList column(const QAbstractItemModel *model, int col, bool withNewRow = false)
    {
        QStringList texts;
        const int rows = model->rowCount() - (withNewRow ? 0 : 1);
        for (int r = 0; r < rows; ++r)
            texts << model->index(r, col).data(Qt::EditRole).toString();
        return texts;
    }

    static QStringList dbColumn(const QString &sql)
    {
        QStringList texts;
        QSqlQuery q(kolvexDb());
        q.exec(sql);
        while (q.next())
            texts << q.value(0).toString();
        return texts;
    }

    // Closes the next message box (or dialog) that opens, remembering its text.
    static void closeNextMessageBox(QString *text)
    {
        QTimer::singleShot(0, [text] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                *text = box->text();
                box->accept();
            } else {
                closeNextMessageBox(text);
            }
        });
    }

    void press(QLineEdit *edit, const QString &text)
    {
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
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
        TestSupport::resetBrowsingSettings();
        settings->searchTermsAppliances.clear();
        settings->applianceFieldLists = QStringList{"Standard#" + settings->applianceFields};
        settings->valueFieldLists = QStringList{"Standard#" + settings->valueFields};
        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QSqlError error = window->openDataBase(file);
        QVERIFY2(!error.isValid(), qPrintable(error.text()));
    }

    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    void manufacturerListShowsParticipatingManufacturersByName()
    {
        QAbstractItemModel *model = table("tableHersteller")->model();
        QCOMPARE(column(model, 1),
                 dbColumn("SELECT Name FROM Hersteller WHERE Tirma<>0 ORDER BY lower(Name)"));
        QVERIFY(!column(model, 1).contains("Alte Ofenfabrik")); // Tirma = 0
        QVERIFY(table("tableHersteller")->isColumnHidden(0));
        // The first manufacturer is selected and its appliances are listed.
        QCOMPARE(table("tableHersteller")->currentIndex().row(), 0);
        const int first = model->index(0, 0).data().toInt();
        QCOMPARE(settings->currentManufacturerId, first);
        QAbstractItemModel *appliances = table("tableGeraete")->model();
        QCOMPARE(toSet(column(appliances, 1)).size(), 1);
        QCOMPARE(column(appliances, 1).value(0).toInt(), first);
        QVERIFY(table("tableGeraete")->isColumnHidden(0));
        QVERIFY(table("tableGeraete")->isColumnHidden(1));
    }

    void selectingManufacturerApplianceAndValueSetsFollowsTheChain()
    {
        QAbstractItemModel *model = table("tableHersteller")->model();
        const int row = column(model, 1).indexOf("Kaminwerk Nordheim");
        table("tableHersteller")->setCurrentIndex(model->index(row, 1));
        QCOMPARE(settings->currentManufacturerId, 58);
        QAbstractItemModel *appliances = table("tableGeraete")->model();
        QCOMPARE(toSet(column(appliances, 0)),
                 toSet(dbColumn("SELECT TirmaId FROM Geraete WHERE HrstId=58")));
        QCOMPARE(table("tableGeraete")->currentIndex().row(), 0);
        const int appliance = appliances->index(0, 0).data().toInt();
        QCOMPARE(settings->currentApplianceId, appliance);
        QAbstractItemModel *values = table("tableAGWerte")->model();
        QCOMPARE(toSet(column(values, 0)),
                 toSet(dbColumn(QString("SELECT WerteId FROM Werte WHERE Geraet=%1").arg(appliance))));
        // Another appliance row re-reads the value list.
        table("tableGeraete")->setCurrentIndex(appliances->index(1, 2));
        const int second = appliances->index(1, 0).data().toInt();
        QCOMPARE(settings->currentApplianceId, second);
        QCOMPARE(toSet(column(values, 0)),
                 toSet(dbColumn(QString("SELECT WerteId FROM Werte WHERE Geraet=%1").arg(second))));
        // A click into another column of the same manufacturer row changes nothing.
        settings->currentApplianceId = -7;
        table("tableHersteller")->setCurrentIndex(model->index(row, 0));
        QCOMPARE(settings->currentApplianceId, -7);
    }

    void applianceSearchKeepsDistinctHistoryMostRecentFirst()
    {
        auto *edit = child<QLineEdit>("lineEditFilterGeraete");
        auto *clear = child<QToolButton>("toolButtonFilterGeraete");
        edit->setText("  Fjord ");
        QCOMPARE(settings->applianceFilter, QString("Fjord"));
        QVERIFY(clear->isEnabled());
        press(edit, "Fjord");
        press(edit, "fjord");
        press(edit, "Fjord");
        QCOMPARE(settings->searchTermsAppliances, (QStringList{"Fjord", "fjord"}));
        QCOMPARE(edit->completer()->model()->rowCount(), 2);
        clear->click();
        QVERIFY(edit->text().isEmpty());
        QVERIFY(!clear->isEnabled());
    }

    void applianceSearchNarrowsTheList()
    {
        QAbstractItemModel *model = table("tableHersteller")->model();
        table("tableHersteller")->setCurrentIndex(
            model->index(column(model, 1).indexOf("Kaminwerk Nordheim"), 1));
        press(child<QLineEdit>("lineEditFilterGeraete"), "Fjord");
        QAbstractItemModel *appliances = table("tableGeraete")->model();
        QCOMPARE(toSet(column(appliances, 0)),
                 toSet(dbColumn("SELECT TirmaId FROM Geraete WHERE HrstId=58 AND Typ1 LIKE '%Fjord%'")));
        // A search text with an apostrophe lists nothing but breaks nothing.
        press(child<QLineEdit>("lineEditFilterGeraete"), "Fa's");
        QCOMPARE(appliances->rowCount(), 1);
    }

    // The history submenu shows each search text as typed, an "&" included,
    // and choosing an entry puts exactly that text into the field.
    void historyMenuShowsAndChoosesTextsWithAmpersands()
    {
        auto *edit = child<QLineEdit>("lineEditFilterWerte");
        settings->searchTermsValues.clear();
        press(edit, "Holz&Kohle");
        press(edit, "Teil");
        QStringList shown;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            poll.stop();
            QMenu *terms = nullptr;
            for (QAction *a : menu->actions())
                if (a->menu() && a->text() == "Suchbegriffliste")
                    terms = a->menu();
            QVERIFY(terms);
            QAction *chosen = nullptr;
            for (QAction *a : terms->actions()) {
                // What the menu paints: "&&" is one "&", a single "&" marks
                // the shortcut letter and is not painted.
                QString painted;
                const QString text = a->text();
                for (int i = 0; i < text.size(); ++i) {
                    if (text.at(i) == '&' && i + 1 < text.size())
                        ++i;
                    painted += text.at(i);
                }
                shown << painted;
                if (painted.contains("Kohle"))
                    chosen = a;
            }
            QVERIFY(chosen);
            // Into the submenu, which opens on its first entry, down to the
            // chosen one.
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Right);
            QCOMPARE(QApplication::activePopupWidget(), terms);
            for (int i = 0; i < terms->actions().indexOf(chosen); ++i)
                QTest::keyClick(terms, Qt::Key_Down);
            QTest::keyClick(terms, Qt::Key_Return);
        });
        poll.start();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 3),
                                edit->mapToGlobal(QPoint(3, 3)));
        QCoreApplication::sendEvent(edit, &event);
        QCOMPARE(shown, (QStringList{"Teil", "Holz&Kohle"}));
        QCOMPARE(edit->text(), QString("Holz&Kohle"));
        QCOMPARE(settings->searchTermsValues.value(0), QString("Holz&Kohle"));
    }

    void oldAppliancesSwitch()
    {
        QAbstractItemModel *model = table("tableHersteller")->model();
        table("tableHersteller")->setCurrentIndex(
            model->index(column(model, 1).indexOf("Kaminwerk Nordheim"), 1));
        QAbstractItemModel *appliances = table("tableGeraete")->model();
        QVERIFY(column(appliances, 0).contains("1202")); // TirmaAlt = 1
        auto *action = child<QAction>("actionAltGeraeteAnzeigen");
        action->trigger();
        QVERIFY(!settings->showOldAppliances);
        QCOMPARE(action->text(), QString("Alte Feuerst. anzeigen"));
        QVERIFY(!column(appliances, 0).contains("1202"));
        QVERIFY(column(appliances, 0).contains("25004")); // TirmaAlt NULL counts as current
        action->trigger();
        QCOMPARE(action->text(), QString("Alte Feuerst. verstecken"));
        QVERIFY(column(appliances, 0).contains("1202"));
    }

    // The header of the quality-mark column switches the mark of every value
    // set of the manufacturer: the current appliance's through the value
    // list, every other appliance with one statement each, all journaled.
    void qualityMarkHeaderSwitchesEveryApplianceOfTheManufacturer()
    {
        settings->applianceFields = "TIRMAID,HRSTID,TYP1,DINPLUS AS XXXDINPLUS";
        QAbstractItemModel *model = table("tableHersteller")->model();
        table("tableHersteller")->setCurrentIndex(
            model->index(column(model, 1).indexOf("Kaminwerk Nordheim"), 1));
        QTableView *geraete = table("tableGeraete");
        QAbstractItemModel *appliances = geraete->model();
        const QStringList ids = column(appliances, 0);
        QCOMPARE(toSet(ids), toSet(dbColumn("SELECT TirmaId FROM Geraete WHERE HrstId=58")));
        const QString othersMarks = "SELECT group_concat(dinplus, '') FROM Werte WHERE Geraet "
                                    "NOT IN (SELECT TirmaId FROM Geraete WHERE HrstId=58)";
        const QString othersBefore = TestSupport::scalar(kolvexDb(), othersMarks);
        const int section = static_cast<GeraeteModel *>(appliances)->fieldIndex("XXXDINPLUS");
        QVERIFY(section >= 0);
        QHeaderView *header = geraete->horizontalHeader();
        const QPoint onSection(header->sectionViewportPosition(section) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, onSection);
        // The click selects the column, which makes the first row current.
        const int current = settings->currentApplianceId;
        QCOMPARE(appliances->index(geraete->currentIndex().row(), 0).data().toInt(), current);
        // The current list by key, the other appliances in one set-based
        // statement (the demo's value-set ids fit into one range).
        QStringList valueSets = column(table("tableAGWerte")->model(), 0);
        valueSets.removeAll(QString());
        QStringList expected{QString("UPDATE werte SET dinplus=1 WHERE werteid IN (%1) AND NOT "
                                     "(typeof(dinplus)='integer' AND dinplus=1);")
                                 .arg(valueSets.join(','))};
        QList<qint64> others;
        for (const QString &id : ids) {
            if (id.toInt() != current)
                others << id.toLongLong();
        }
        QCOMPARE(others.size(), ids.size() - 1);
        // Range by range of value-set ids, each range walked once.
        for (const KeyRanges::Range &range : KeyRanges::of(kolvexDb(), "Werte", "WerteId"))
            expected << GeraeteModel::qualityMarkStatement(true, IdCondition::of("Geraet", others),
                                                           QString(),
                                                           KeyRanges::condition("WerteId", range))
                    + ";";
        const QString marksOf58 = "SELECT group_concat(dinplus, '') FROM Werte WHERE Geraet IN "
                                  "(SELECT TirmaId FROM Geraete WHERE HrstId=58)";
        QCOMPARE(TestSupport::scalar(kolvexDb(), marksOf58),
                 QString(dbColumn("SELECT WerteId FROM Werte WHERE Geraet IN (SELECT TirmaId "
                                  "FROM Geraete WHERE HrstId=58)").size(), QChar('1')));
        QCOMPARE(TestSupport::scalar(kolvexDb(), othersMarks), othersBefore);
        QCOMPARE(TestSupport::journalLines(file), expected);
        for (int row = 0; row < ids.size(); ++row)
            QCOMPARE(appliances->index(row, section).data().toString(), QString("××"));
    }

    void generalFilterListsMatchingManufacturersAndClearsTheOtherFields()
    {
        child<QLineEdit>("lineEditFilterGeraete")->setText("Fjord");
        child<QLineEdit>("lineEditFilterWerte")->setText("Teil");
        child<QAction>("actionSuchleisteAnzeigen")->trigger();
        QVERIFY(child<QWidget>("suchleiste")->isVisible());
        press(child<QLineEdit>("lineEditFilterAll"), "QN>11");
        QVERIFY(child<QLineEdit>("lineEditFilterGeraete")->text().isEmpty());
        QVERIFY(child<QLineEdit>("lineEditFilterWerte")->text().isEmpty());
        QCOMPARE(column(table("tableHersteller")->model(), 1),
                 dbColumn("SELECT Name from Hersteller WHERE Tirma<>0 AND Id IN (SELECT DISTINCT "
                          "HRSTID FROM Geraete INNER JOIN Werte ON Geraete.TirmaId=Werte.Geraet "
                          "WHERE QN>11) ORDER BY lower(Name)"));
        QCOMPARE(settings->searchTermsAll.value(0), QString("QN>11"));
        // Closing the bar re-runs the lists without the filter.
        child<QAction>("actionSuchleisteAnzeigen")->trigger();
        QVERIFY(settings->allFilter.isEmpty());
        QCOMPARE(column(table("tableHersteller")->model(), 1).size(),
                 dbColumn("SELECT Name FROM Hersteller WHERE Tirma<>0").size());
    }

    void invalidGeneralFilterIsReportedAndKeepsTheList()
    {
        const QStringList before = column(table("tableHersteller")->model(), 1);
        child<QAction>("actionSuchleisteAnzeigen")->trigger();
        QString message;
        closeNextMessageBox(&message);
        press(child<QLineEdit>("lineEditFilterAll"), "QN>>");
        // The statement on the first line, SQLite's reason on the second.
        const QStringList lines = message.split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).startsWith("Abfrage 'SELECT Id, Name from Hersteller"));
        QVERIFY(lines.at(0).endsWith("WHERE QN>>) ORDER BY lower(Name)' ist fehlerhaft!"));
        QCOMPARE(lines.at(1), QString("near \")\": syntax error"));
        QCOMPARE(column(table("tableHersteller")->model(), 1), before);
    }

    void groupsOfTheManufacturerAreListedAndMarkMembers()
    {
        QAbstractItemModel *model = table("tableHersteller")->model();
        table("tableHersteller")->setCurrentIndex(
            model->index(column(model, 1).indexOf("Kaminwerk Nordheim"), 1));
        child<QToolButton>("toolButtonShowGruppen")->click();
        auto *groups = child<QTreeView>("gruppenView");
        QVERIFY(groups->isVisible());
        QAbstractItemModel *groupModel = groups->model();
        QCOMPARE(column(groupModel, 0, true), (QStringList{"Nordlicht Serie", "Prüfung 2025"}));
        groups->setCurrentIndex(groupModel->index(1, 0));
        const QString members = groupModel->index(1, 0).data(Qt::UserRole).toString();
        QCOMPARE(window->currentGroupText(), members);
        QCOMPARE(toSet(members.split('#')),
                 toSet(dbColumn("SELECT werteid FROM gruppen WHERE BEZEICHNUNG='Prüfung 2025'")));
    }

    void editModeCyclesAndSetsTriggers()
    {
        QCOMPARE(window->editMode(), 1);
        auto *action = child<QAction>("actionEditiermodus");
        action->trigger();
        QCOMPARE(window->editMode(), 2);
        QCOMPARE(table("tableGeraete")->editTriggers(), QAbstractItemView::AllEditTriggers);
        QCOMPARE(table("tableHersteller")->editTriggers(),
                 QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                     | QAbstractItemView::AnyKeyPressed);
        action->trigger();
        QCOMPARE(window->editMode(), 0);
        QCOMPARE(table("tableAGWerte")->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(table("tableHersteller")->editTriggers(), QAbstractItemView::NoEditTriggers);
        action->trigger();
        QCOMPARE(window->editMode(), 1);
        // Opening the group view leaves mode 2.
        action->trigger();
        child<QToolButton>("toolButtonShowGruppen")->click();
        QCOMPARE(window->editMode(), 0);
    }

    void rowHeaderOpensTheApplianceForm()
    {
        QAbstractItemModel *appliances = table("tableGeraete")->model();
        const int last = appliances->rowCount() - 1;
        auto *stack = child<QStackedWidget>("stackedWidget");
        window->rowHeaderGeraeteClicked(last); // the "*" row opens nothing
        QCOMPARE(stack->currentWidget()->objectName(), QString("pageKolvex"));
        window->rowHeaderGeraeteClicked(0);
        QCOMPARE(stack->currentWidget()->objectName(), QString("pageGeraeteForm"));
        auto *grid = window->findChild<QGridLayout *>("gridLayoutGeraeteForm");
        QVERIFY(grid->count() > 10);
        QStringList labels;
        for (QLabel *label : window->findChild<QWidget *>("formGeraete")->findChildren<QLabel *>())
            if (label->buddy())
                labels << label->text();
        QVERIFY(labels.contains("TYP1"));
        QVERIFY(!labels.contains("TIRMAID"));
        QVERIFY(!labels.contains("HRSTID"));
        QStringList boxes;
        for (QCheckBox *box : window->findChild<QWidget *>("formGeraete")->findChildren<QCheckBox *>())
            boxes << box->text();
        QVERIFY(boxes.contains("DINPLUS"));
        QCOMPARE(grid->columnStretch(0), 1);
        QCOMPARE(grid->columnStretch(1), 2);
        QMetaObject::invokeMethod(window, "on_pbGeraeteShowTable_clicked");
        QCOMPARE(stack->currentWidget()->objectName(), QString("pageKolvex"));
    }

    void formFieldListNamedFormIsUsed()
    {
        settings->valueFieldLists << "form#WERTEID,GERAET,BEMERKUNG,TW";
        window->rowHeaderAGWerteClicked(0);
        QStringList labels;
        for (QLabel *label : window->findChild<QWidget *>("formWerte")->findChildren<QLabel *>())
            if (label->buddy())
                labels << label->text();
        QCOMPARE(toSet(labels), (QSet<QString>{"BEMERKUNG", "TW"}));
        QCOMPARE(labels.size(), 2);
    }

    void sidePagesListTheirTables()
    {
        child<QAction>("actionBaustoffe_Datenbank")->trigger();
        QCOMPARE(window->currentPage(), 3);
        QCOMPARE(column(table("tableBaustoffe")->model(), 2),
                 dbColumn("SELECT Bezeichnung FROM Baustoffe ORDER BY Bezeichnung"));
        child<QAction>("actionFeuerraume_Datenbank")->trigger();
        QCOMPARE(window->currentPage(), 2);
        QCOMPARE(column(table("tableFRHersteller")->model(), 1),
                 dbColumn("SELECT Name FROM Hersteller WHERE Tirma<>0 AND Id IN (SELECT HrstId "
                          "FROM Gkostand) ORDER BY lower(Name)"));
        QCOMPARE(toSet(column(table("tableFRTypen")->model(), 0)),
                 toSet(dbColumn(QString("SELECT Id FROM Gkostand WHERE HrstId=%1")
                              .arg(settings->currentFireChamberManufacturerId))));
        child<QAction>("actionQuarnel_Datenbank")->trigger();
        QCOMPARE(window->currentPage(), 1);
        QAbstractItemModel *quarnel = table("tableViewQuarnelHersteller")->model();
        QCOMPARE(quarnel->rowCount(), 3); // vonwas = 1 only
        QVERIFY(table("tableViewQuarnelGeraete")->model()->rowCount() > 0);
    }

    // The manufacturer chosen on the main page is still chosen, with its
    // appliances and value sets, when the user comes back from another page,
    // also when the general search bar was open on the way.
    void pageSwitchKeepsTheChosenManufacturer()
    {
        QTableView *manufacturers = table("tableHersteller");
        QAbstractItemModel *model = manufacturers->model();
        const int row = column(model, 1).indexOf("Kaminwerk Nordheim");
        QVERIFY(row > 0);   // not the one chosen at start
        manufacturers->setCurrentIndex(model->index(row, 1));
        QAbstractItemModel *appliances = table("tableGeraete")->model();
        table("tableGeraete")->setCurrentIndex(appliances->index(1, 2));
        const int appliance = settings->currentApplianceId;
        const QStringList values = column(table("tableAGWerte")->model(), 0);
        for (const char *page : {"actionFeuerraume_Datenbank", "actionBaustoffe_Datenbank",
                                 "actionQuarnel_Datenbank"}) {
            child<QAction>(page)->trigger();
            QTest::qWait(20);
            child<QAction>("actionKolvex_Datenbank")->trigger();
            QTest::qWait(20);
            QCOMPARE(window->currentPage(), 0);
            QCOMPARE(settings->currentManufacturerId, 58);
            QCOMPARE(manufacturers->currentIndex().row(), row);
            QCOMPARE(settings->currentApplianceId, appliance);
            QCOMPARE(column(table("tableAGWerte")->model(), 0), values);
        }
        child<QAction>("actionSuchleisteAnzeigen")->trigger();
        child<QAction>("actionFeuerraume_Datenbank")->trigger();
        child<QAction>("actionKolvex_Datenbank")->trigger();
        QCOMPARE(settings->currentManufacturerId, 58);
        QCOMPARE(manufacturers->currentIndex().row(), row);
        QCOMPARE(settings->currentApplianceId, appliance);
        QCOMPARE(column(table("tableAGWerte")->model(), 0), values);
        // The fire-chamber page keeps its own choice the same way.
        child<QAction>("actionFeuerraume_Datenbank")->trigger();
        QTableView *chamberMakers = table("tableFRHersteller");
        const int last = chamberMakers->model()->rowCount() - 2;
        QVERIFY(last > 0);
        chamberMakers->setCurrentIndex(chamberMakers->model()->index(last, 1));
        const int chosen = settings->currentFireChamberManufacturerId;
        child<QAction>("actionKolvex_Datenbank")->trigger();
        child<QAction>("actionFeuerraume_Datenbank")->trigger();
        QCOMPARE(chamberMakers->currentIndex().row(), last);
        QCOMPARE(settings->currentFireChamberManufacturerId, chosen);
        QCOMPARE(toSet(column(table("tableFRTypen")->model(), 0)),
                 toSet(dbColumn(QString("SELECT Id FROM Gkostand WHERE HrstId=%1").arg(chosen))));
        // And the Quarnel page.
        child<QAction>("actionQuarnel_Datenbank")->trigger();
        QTableView *quarnel = table("tableViewQuarnelHersteller");
        QCOMPARE(quarnel->model()->rowCount(), 3);
        quarnel->setCurrentIndex(quarnel->model()->index(2, 1));
        const QString name = quarnel->model()->index(2, 1).data().toString();
        const int quarnelAppliances = table("tableViewQuarnelGeraete")->model()->rowCount();
        child<QAction>("actionKolvex_Datenbank")->trigger();
        child<QAction>("actionQuarnel_Datenbank")->trigger();
        QCOMPARE(quarnel->currentIndex().row(), 2);
        QCOMPARE(quarnel->model()->index(2, 1).data().toString(), name);
        QCOMPARE(table("tableViewQuarnelGeraete")->model()->rowCount(), quarnelAppliances);
    }

    // A record typed into the "*" row under a search it does not match stays
    // listed and becomes the current row; the lists after it follow it.
    void newRecordOutsideTheSearchIsShownAndCurrent()
    {
        QAbstractItemModel *model = table("tableHersteller")->model();
        table("tableHersteller")->setCurrentIndex(
            model->index(column(model, 1).indexOf("Kaminwerk Nordheim"), 1));
        press(child<QLineEdit>("lineEditFilterGeraete"), "Fjord");
        QTableView *geraete = table("tableGeraete");
        auto *appliances = static_cast<GeraeteModel *>(geraete->model());
        const int listed = appliances->recordCount();
        QVERIFY(appliances->setData(
            appliances->index(appliances->rowCount() - 1, appliances->fieldIndex("TYP")), "Anders"));
        QTest::qWait(20);
        QCOMPARE(appliances->recordCount(), listed + 1);
        const int id = appliances->keptRecordId();
        QCOMPARE(TestSupport::scalar(kolvexDb(), QString("SELECT Typ FROM Geraete WHERE TirmaId=%1")
                                                     .arg(id)),
                 QString("Anders"));
        QCOMPARE(appliances->index(geraete->currentIndex().row(), 0).data().toInt(), id);
        QVERIFY(appliances->isKeptOutsideFilter(geraete->currentIndex().row()));
        QCOMPARE(settings->currentApplianceId, id);
        QCOMPARE(table("tableAGWerte")->model()->rowCount(), 1);   // only the "*" row
        // The same for a value set under the value search.
        table("tableGeraete")->setCurrentIndex(appliances->index(0, 2));
        press(child<QLineEdit>("lineEditFilterWerte"), "Nenn");
        QTableView *werte = table("tableAGWerte");
        auto *values = static_cast<WerteModel *>(werte->model());
        QVERIFY(values->setData(values->index(values->rowCount() - 1,
                                              values->fieldIndex("BEMERKUNG")), "Teillast neu"));
        QTest::qWait(20);
        const int valueId = values->keptRecordId();
        QVERIFY(valueId > 0);
        QCOMPARE(values->index(werte->currentIndex().row(), 0).data().toInt(), valueId);
        QVERIFY(values->isKeptOutsideFilter(werte->currentIndex().row()));
        // Another search lets both go.
        press(child<QLineEdit>("lineEditFilterWerte"), "");
        QCOMPARE(values->keptRecordId(), -1);
        // A manufacturer under the general filter: kept, current, followed.
        child<QAction>("actionSuchleisteAnzeigen")->trigger();
        press(child<QLineEdit>("lineEditFilterAll"), "QN>11");
        QTableView *hersteller = table("tableHersteller");
        auto *makers = static_cast<EditableSqlQueryModel *>(hersteller->model());
        QVERIFY(makers->setData(makers->index(makers->rowCount() - 1, 1), "Neuer Ofenbau"));
        QTest::qWait(20);
        const int maker = makers->keptRecordId();
        QCOMPARE(makers->index(hersteller->currentIndex().row(), 1).data().toString(),
                 QString("Neuer Ofenbau"));
        QVERIFY(makers->isKeptOutsideFilter(hersteller->currentIndex().row()));
        QCOMPARE(settings->currentManufacturerId, maker);
        QCOMPARE(table("tableGeraete")->model()->rowCount(), 1);   // only the "*" row
    }

    // Walking the appliances with the keys re-reads no value list until the
    // row rests; then the values are those of the row reached. A press on
    // the value list, or a use of the lists from the window, first catches up.
    void walkingTheAppliancesReadsTheValuesOnceTheRowRests()
    {
        QAbstractItemModel *model = table("tableHersteller")->model();
        table("tableHersteller")->setCurrentIndex(
            model->index(column(model, 1).indexOf("Kaminwerk Nordheim"), 1));
        QTableView *geraete = table("tableGeraete");
        QAbstractItemModel *appliances = geraete->model();
        QVERIFY(appliances->rowCount() >= 4);
        QAbstractItemModel *values = table("tableAGWerte")->model();
        const auto valuesOf = [this](int appliance) {
            return toSet(dbColumn(QString("SELECT WerteId FROM Werte WHERE Geraet=%1").arg(appliance)));
        };
        const int first = appliances->index(0, 0).data().toInt();
        QCOMPARE(settings->currentApplianceId, first);
        QSignalSpy rereads(values, &QAbstractItemModel::modelReset);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(geraete, Qt::Key_Down);
        QCOMPARE(geraete->currentIndex().row(), 3);
        QCOMPARE(rereads.count(), 0);
        // The value list and the current id still belong together.
        QCOMPARE(settings->currentApplianceId, first);
        QCOMPARE(toSet(column(values, 0)), valuesOf(first));
        const int reached = appliances->index(3, 0).data().toInt();
        QTRY_COMPARE(settings->currentApplianceId, reached);
        QCOMPARE(rereads.count(), 1);
        QCOMPARE(toSet(column(values, 0)), valuesOf(reached));

        // Walking back to where the lists are changes nothing at all.
        QTest::keyClick(geraete, Qt::Key_Up);
        QTest::keyClick(geraete, Qt::Key_Down);
        QTest::mouseClick(table("tableAGWerte")->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(rereads.count(), 1);
        QCOMPARE(settings->currentApplianceId, reached);

        // A press on the value list catches up before it lands.
        QTest::keyClick(geraete, Qt::Key_Up);
        QCOMPARE(settings->currentApplianceId, reached);
        QTest::mousePress(table("tableAGWerte")->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(table("tableAGWerte")->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        const int above = appliances->index(2, 0).data().toInt();
        QCOMPARE(settings->currentApplianceId, above);
        QCOMPARE(toSet(column(values, 0)), valuesOf(above));
        // So does the window's form page.
        QTest::keyClick(geraete, Qt::Key_Up);
        window->rowHeaderAGWerteClicked(0);
        QCOMPARE(settings->currentApplianceId, appliances->index(1, 0).data().toInt());
        QCOMPARE(child<QStackedWidget>("stackedWidget")->currentWidget()->objectName(),
                 QString("pageWerteForm"));
        QCOMPARE(TestSupport::scalar(kolvexDb(), QString("SELECT Geraet FROM Werte WHERE WerteId=%1")
                                                     .arg(values->index(0, 0).data().toInt())),
                 QString::number(settings->currentApplianceId));
    }

    // The same for the manufacturers: the appliances and groups follow once
    // the row rests, and a selection made by the program is followed at once.
    void walkingTheManufacturersReadsTheAppliancesOnceTheRowRests()
    {
        QTableView *manufacturers = table("tableHersteller");
        QAbstractItemModel *model = manufacturers->model();
        QVERIFY(model->rowCount() >= 3);
        QSignalSpy rereads(table("tableGeraete")->model(), &QAbstractItemModel::modelReset);
        const int first = settings->currentManufacturerId;
        QTest::keyClick(manufacturers, Qt::Key_Down);
        QTest::keyClick(manufacturers, Qt::Key_Down);
        QCOMPARE(rereads.count(), 0);
        QCOMPARE(settings->currentManufacturerId, first);
        const int reached = model->index(2, 0).data().toInt();
        QTRY_COMPARE(settings->currentManufacturerId, reached);
        QCOMPARE(rereads.count(), 1);
        for (const QString &maker : column(table("tableGeraete")->model(), 1))
            QCOMPARE(maker.toInt(), reached);
        manufacturers->setCurrentIndex(model->index(0, 1));
        QCOMPARE(settings->currentManufacturerId, first);
        QCOMPARE(rereads.count(), 2);
    }

    void updateMenuListsTheManufacturersWithRanges()
    {
        auto *menu = window->findChild<QMenu *>("menuHerstellerUpdates");
        QVERIFY(menu);
        QStringList texts;
        for (QAction *a : menu->actions())
            texts << a->text();
        QCOMPARE(texts, (QStringList{"Update vom Kaminwerk_Nordheim einlesen",
                                     "Update vom Kaminwerk_Nordheim übernehmen…",
                                     "Datei für Kaminwerk_Nordheim erstellen…",
                                     "Update vom Brunner_Söhne einlesen",
                                     "Update vom Brunner_Söhne übernehmen…",
                                     "Datei für Brunner_Söhne erstellen…"}));
        // Reopening does not duplicate the submenu.
        window->openDataBase(file);
        QCOMPARE(window->findChildren<QMenu *>("menuHerstellerUpdates").size(), 1);
    }

    void backupCopiesTheDatabaseUnderADatedName()
    {
        const QString expected = dir.path() + "/"
                                 + QDate::currentDate().toString("yyyyMMdd") + "kolvexDB3.glo";
        QString proposed;
        QTimer::singleShot(0, [&proposed] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            proposed = dialog->selectedFiles().value(0);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        window->findChild<QAction *>("actionSicherungErstellen")->trigger();
        QCOMPARE(proposed, expected);
        QVERIFY(QFile::exists(expected));
        QCOMPARE(QFileInfo(expected).size(), QFileInfo(file).size());
    }
};

QTEST_MAIN(TestBrowsing)
#include "tst_browsing.moc"
