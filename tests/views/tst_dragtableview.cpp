#include "appsettings.h"
#include "changereport.h"
#include "dbconnections.h"
#include "dragtableview.h"
#include "geraetemodel.h"
#include "herstellermodel.h"
#include "modaldialogscript.h"
#include "resources.h"
#include "testsupport.h"
#include "wertemodel.h"

#include <QApplication>
#include <QDataStream>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>
#include <QtTest>

using TestSupport::scalar;

namespace {

// Records the drags the view starts instead of running them.
class ProbeTableView : public DragTableView
{
public:
    int drags = 0;
    Qt::DropActions lastActions;
    QDrag *dragOfSelection() { return createDrag(); }

protected:
    void startDrag(Qt::DropActions supportedActions) override
    {
        ++drags;
        lastActions = supportedActions;
    }
};

// Chooses an entry of the next pop-up menu by its text, as a user would with
// the keyboard, and remembers the texts the menu offered.
class MenuChooser : public QObject
{
public:
    explicit MenuChooser(const QString &choice)
        : m_choice(choice)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            m_timer.stop();
            for (QAction *action : menu->actions()) {
                offered << action->text();
                if (action->text() == m_choice)
                    menu->setActiveAction(action);
            }
            if (menu->activeAction() && menu->activeAction()->text() == m_choice)
                QTest::keyClick(menu, Qt::Key_Return);
            else
                menu->close();
        });
        m_timer.start(10);
    }
    QStringList offered;

private:
    QString m_choice;
    QTimer m_timer;
};

QByteArray plainTextList(const QStringList &texts)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << texts;
    return bytes;
}

// Runs its drags by hand: each drag moves over this view to dropAt and is
// dropped there, as the mouse would do it; the result is remembered.
class DroppingTableView : public DragTableView
{
public:
    QPoint dropAt;
    int drags = 0;
    bool moveAccepted = false;
    bool dropAccepted = false;
    QStringList carried;

protected:
    Qt::DropAction runDrag(QDrag *drag, Qt::DropActions actions) override
    {
        ++drags;
        QMimeData *data = drag->mimeData();
        QDataStream in(data->data("text/plain"));
        carried.clear();
        in >> carried;
        QDragEnterEvent enter(dropAt, actions, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &enter);
        QDragMoveEvent move(dropAt, actions, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &move);
        moveAccepted = move.isAccepted();
        QDropEvent drop(dropAt, actions, data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &drop);
        dropAccepted = drop.isAccepted() && drop.dropAction() != Qt::IgnoreAction;
        delete drag;
        return dropAccepted ? Qt::CopyAction : Qt::IgnoreAction;
    }
};

} // namespace

// The table view on the real models and a fresh demo copy: appliance 25000 of
// manufacturer 58 holds 70000 "Nennleistung", 70002 "Speicheraufsatz 'Nord'"
// (derived from 70000) and 70001 "Teillast", in this order.
class TestDragTableView : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;
    QSqlDatabase m_db;
    WerteModel *m_werte = nullptr;
    ProbeTableView *m_view = nullptr;

    static AppSettings *s() { return AppSettings::instance(); }

    void exec(const QString &sql)
    {
        QSqlQuery q(m_db);
        QVERIFY2(q.exec(sql), qPrintable(sql));
    }

    void fillAufsatzCache()
    {
        s()->aufsatzCache.clear();
        QVERIFY(s()->aufsatzCache.readFrom(m_db));
        QVERIFY(s()->aufsatzCache.size() > 0);
    }

    static int rowOf(QAbstractItemModel *model, int id)
    {
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, 0).data().toInt() == id)
                return row;
        return -1;
    }

    QModelIndex werteCell(int id, const QString &column)
    {
        return m_werte->index(rowOf(m_werte, id), m_werte->fieldIndex(column));
    }

    void selectCells(QAbstractItemView *view, const QList<QModelIndex> &cells)
    {
        view->selectionModel()->clearSelection();
        for (const QModelIndex &cell : cells)
            view->selectionModel()->select(cell, QItemSelectionModel::Select);
    }

    static QStringList texts(QMenu *menu)
    {
        QStringList list;
        for (QAction *action : menu->actions())
            list << action->text();
        return list;
    }

    static QAction *actionNamed(QMenu *menu, const QString &text)
    {
        for (QAction *action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    QPoint centre(const QModelIndex &index) { return m_view->visualRect(index).center(); }

    // The cell texts a drag carries; the drag is deleted.
    static QStringList payload(QDrag *drag)
    {
        QScopedPointer<QDrag> owned(drag);
        if (!drag)
            return {};
        QStringList texts;
        QDataStream in(drag->mimeData()->data("text/plain"));
        in >> texts;
        return texts;
    }

    static void dragMoveTo(QAbstractItemView *view, const QPoint &pos)
    {
        QMouseEvent move(QEvent::MouseMove, pos, view->viewport()->mapToGlobal(pos),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
    }

    // A move with the left button held, delivered to the viewport.
    void dragMoveTo(const QPoint &pos)
    {
        QMouseEvent move(QEvent::MouseMove, pos, m_view->viewport()->mapToGlobal(pos),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &move);
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        initKolvexResources();
    }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_file = TestSupport::copyDemoDatabase(m_dir->path());
        m_db = TestSupport::openKolvex(m_file);
        AppSettings *a = s();
        a->dbFile = m_file;
        a->manufacturerMode = false;
        a->currentManufacturerId = 58;
        a->currentApplianceId = 25000;
        a->valueFilter.clear();
        a->applianceFilter.clear();
        a->allFilter.clear();
        a->showOldAppliances = true;
        a->valueFields = AppSettings::defaultValueFields();
        a->applianceFields = AppSettings::defaultApplianceFields();
        a->autoErfassdatum = false;
        a->currentValueId = -1;
        a->currentAttachmentId = -1;
        a->copiedValueSets.clear();
        a->copiedAppliances.clear();
        a->idRangeLow[58] = qMakePair(25000, 70000);
        fillAufsatzCache();
        m_werte = new WerteModel;
        m_werte->reloadWerte();
        m_view = new ProbeTableView;
        m_view->setModel(m_werte);
        m_view->resize(900, 300);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view));
    }

    void cleanup()
    {
        delete m_view;
        m_view = nullptr;
        delete m_werte;
        m_werte = nullptr;
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    // ---------------------------------------------------------- entries

    void entriesAreSplitIntoTheirFields()
    {
        DragTableView::ContextAction a = DragTableView::parseContextAction("Kopieren#datenKopieren#1");
        QCOMPARE(a.text, QString("Kopieren"));
        QCOMPARE(a.slot, QString("datenKopieren"));
        QCOMPARE(a.icon, 1);
        QCOMPARE(a.attachments, 0);
        a = DragTableView::parseContextAction("Auswahl der NHF#datenVererben##1");
        QCOMPARE(a.slot, QString("datenVererben"));
        QCOMPARE(a.icon, 0);
        QCOMPARE(a.attachments, 1);
        a = DragTableView::parseContextAction("Von der Gruppe entfernen#removeFromGroup");
        QCOMPARE(a.icon, 0);
        QCOMPARE(a.attachments, 0);
        a = DragTableView::parseContextAction("Nur Text");
        QCOMPARE(a.text, QString("Nur Text"));
        QVERIFY(a.slot.isEmpty());
        QCOMPARE(DragTableView::parseContextAction("x#y#zwei#3").icon, 0);
        QCOMPARE(DragTableView::parseContextAction("x#y#zwei#3").attachments, 3);

        QCOMPARE(DragTableView::contextIconPath(2), QString(":/images/editpaste.png"));
        QCOMPARE(DragTableView::contextIconPath(4), QString(":/images/edit_add.png"));
        QVERIFY(DragTableView::contextIconPath(5).isEmpty());
        QVERIFY(DragTableView::contextIconPath(0).isEmpty());
    }

    void onlyEntriesOfEveryRowRemainInTheFirstRowsOrder()
    {
        QCOMPARE(DragTableView::commonContextActions({{"a", "b", "c", "d"}, {"d", "c", "a"}, {"c", "x", "a"}}),
                 QStringList({"a", "c"}));
        QCOMPARE(DragTableView::commonContextActions({{"a", "b"}}), QStringList({"a", "b"}));
        QVERIFY(DragTableView::commonContextActions({{"a"}, {}}).isEmpty());
        QVERIFY(DragTableView::commonContextActions({}).isEmpty());

        QModelIndexList indexes{m_werte->index(2, 3), m_werte->index(0, 1), m_werte->index(2, 1),
                                m_werte->index(0, 4), m_werte->index(1, 0)};
        QCOMPARE(DragTableView::distinctRows(indexes), QList<int>({2, 0, 1}));
    }

    void menuOffersWhatAllSelectedRowsOffer()
    {
        m_werte->setCurrentGroup("70000");
        const int nenn = rowOf(m_werte, 70000);
        const int teil = rowOf(m_werte, 70001);
        QVERIFY(m_werte->index(nenn, 0).data(DragTableView::ContextActionsRole).toStringList()
                    .first().startsWith("Von der Gruppe entfernen"));

        QScopedPointer<QMenu> one(m_view->createContextMenu({nenn}, nullptr));
        QVERIFY(one);
        QCOMPARE(texts(one.data()).first(), QString("Von der Gruppe entfernen"));
        QScopedPointer<QMenu> both(m_view->createContextMenu({nenn, teil}, nullptr));
        QCOMPARE(texts(both.data()),
                 QStringList({"Kenndaten DUPLIZIEREN", "Kenndaten KOPIEREN", "Kenndaten LÖSCHEN",
                              "Diese Kenndaten für eine NHF verwenden"}));
        QCOMPARE(actionNamed(both.data(), "Kenndaten KOPIEREN")->data().toString(),
                 QString("datenKopieren"));
        QVERIFY(!actionNamed(both.data(), "Kenndaten KOPIEREN")->icon().isNull());
        QVERIFY(actionNamed(both.data(), "Diese Kenndaten für eine NHF verwenden")->icon().isNull());

        // The derived set 70002 offers no "use for NHF": it drops out for all.
        QScopedPointer<QMenu> withNhf(m_view->createContextMenu({nenn, rowOf(m_werte, 70002)}, nullptr));
        QVERIFY(!actionNamed(withNhf.data(), "Diese Kenndaten für eine NHF verwenden"));

        // The new-record row offers nothing, so nothing is common.
        QVERIFY(!m_view->createContextMenu({nenn, m_werte->rowCount() - 1}, nullptr));
    }

    void attachmentSubmenuListsTheManufacturersAttachments()
    {
        s()->currentValueId = 70000;
        const int teil = rowOf(m_werte, 70001);
        QScopedPointer<QMenu> menu(m_view->createContextMenu({teil}, nullptr));
        QAction *nhf = actionNamed(menu.data(), "Auswahl der NHF");
        QVERIFY(nhf && nhf->menu());
        // The source comes first, named, and cannot be chosen.
        QCOMPARE(texts(nhf->menu()), QStringList({"Quelle: Nennleistung (70000)", "",
                                                  "Speicheraufsatz 'Nord'", "Nachheizfläche klein"}));
        QVERIFY(!nhf->menu()->actions().at(0)->isEnabled());
        QVERIFY(nhf->menu()->actions().at(1)->isSeparator());
        QAction *klein = actionNamed(nhf->menu(), "Nachheizfläche klein");
        QCOMPARE(klein->data().toStringList(), QStringList({"datenVererben", "2"}));

        // A manufacturer without attachments gets no submenu at all.
        s()->currentManufacturerId = 12;
        QScopedPointer<QMenu> none(m_view->createContextMenu({teil}, nullptr));
        QVERIFY(none);
        QVERIFY(!actionNamed(none.data(), "Auswahl der NHF"));
        QCOMPARE(texts(none.data()).size(), texts(menu.data()).size() - 1);
        s()->currentManufacturerId = 58;

        // Choosing it stores the attachment before the slot derives the set;
        // 70001 holds values, so the user is asked first.
        ModalDialogScript script;
        script.answerQuestion(QMessageBox::Yes);
        m_view->runContextAction(klein->data(), {teil});
        QCOMPARE(script.seen().size(), 1);
        QVERIFY(script.seen().at(0).startsWith("NHF ableiten|Die Kenndaten \"Teillast\" (70001)"));
        QCOMPARE(s()->currentAttachmentId, 2);
        QCOMPARE(scalar(m_db, "SELECT BEMERKUNGID FROM Werte WHERE WerteId=70001"), QString("70000"));
        QCOMPARE(scalar(m_db, "SELECT AUSATZRINGEID FROM Werte WHERE WerteId=70001"), QString("2"));
    }

    void chosenEntryCallsTheSlotWithTheSelectedRows()
    {
        selectCells(m_view, {werteCell(70001, "BEMERKUNG"), werteCell(70001, "TW"),
                             werteCell(70002, "TW")});
        MenuChooser chooser("Kenndaten LÖSCHEN");
        QContextMenuEvent event(QContextMenuEvent::Mouse, centre(werteCell(70001, "TW")),
                                m_view->viewport()->mapToGlobal(centre(werteCell(70001, "TW"))));
        QApplication::sendEvent(m_view->viewport(), &event);
        QVERIFY(chooser.offered.contains("Kenndaten DUPLIZIEREN"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Werte WHERE WerteId IN (70001,70002)"), QString("0"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Werte WHERE WerteId=70000"), QString("1"));
        QCOMPARE(m_werte->rowCount(), 2);
    }

    void noSelectionOrUnknownSlotDoesNothing()
    {
        m_view->selectionModel()->clearSelection();
        MenuChooser chooser("Kenndaten LÖSCHEN");
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
        QApplication::sendEvent(m_view->viewport(), &event);
        QVERIFY(chooser.offered.isEmpty());

        m_view->runContextAction(QString("gibtEsNicht"), {0});
        m_view->runContextAction(QVariant(), {0});
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Werte WHERE Geraet=25000"), QString("3"));
    }

    void manufacturerAndApplianceSlotsAreReachedByName()
    {
        exec("INSERT INTO Hersteller (Id,Name,Tirma) VALUES (900,'Leer GmbH',1)");
        HerstellerModel hersteller;
        hersteller.setQuery("Select Id, Name from Hersteller where Tirma<>0 order by lower(Name)", kolvexDb());
        DragTableView view;
        view.setModel(&hersteller);
        const int leer = rowOf(&hersteller, 900);
        const int nordheim = rowOf(&hersteller, 58);
        QCOMPARE(view.contextActionsFor({leer}), QStringList({"Hersteller LÖSCHEN#datenLoeschen#3"}));
        QVERIFY(view.contextActionsFor({leer, nordheim}).isEmpty());
        view.runContextAction(QString("datenLoeschen"), {leer});
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Hersteller WHERE Id=900"), QString("0"));

        GeraeteModel geraete;
        geraete.selectAppliances();
        view.setModel(&geraete);
        const int before = scalar(m_db, "SELECT count(*) FROM Geraete WHERE HrstId=58").toInt();
        QScopedPointer<QMenu> menu(view.createContextMenu({0, 1}, nullptr));
        QAction *duplicate = actionNamed(menu.data(), "Feuerstätte(n) DUPLIZIEREN");
        QVERIFY(duplicate);
        view.runContextAction(duplicate->data(), {0, 1});
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Geraete WHERE HrstId=58").toInt(), before + 2);
    }

    // ---------------------------------------------------------- pressing and dragging

    void dragModesSwitchDraggingAndDropping()
    {
        const struct { int mode; bool out; bool in; } cases[] = {
            {0, false, false}, {1, true, false}, {2, false, true}, {3, true, true}, {4, true, true}, {5, false, false}};
        for (const auto &c : cases) {
            m_view->setDragMode(c.mode, 300);
            QCOMPARE(m_view->dragsOut(), c.out);
            QCOMPARE(m_view->dropsIn(), c.in);
            QCOMPARE(m_view->dragDropMode(),
                     c.in ? QAbstractItemView::DropOnly : QAbstractItemView::NoDragDrop);
        }
        QCOMPARE(m_view->pressDelay(), 300);
    }

    void pressOnTheSelectionWaitsForTheRelease()
    {
        m_view->setDragMode(3, 500);
        const QModelIndex a = werteCell(70000, "TW");
        const QModelIndex b = werteCell(70001, "TW");
        const QModelIndex other = werteCell(70000, "PW");
        selectCells(m_view, {a, b});

        QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, centre(b));
        QVERIFY(m_view->isPressPending());
        QCOMPARE(m_view->selectionModel()->selectedIndexes().size(), 2);
        // A small move is swallowed.
        dragMoveTo(centre(b) + QPoint(2, 1));
        QVERIFY(m_view->isPressPending());
        QCOMPARE(m_view->drags, 0);
        QTest::mouseRelease(m_view->viewport(), Qt::LeftButton, {}, centre(b));
        QVERIFY(!m_view->isPressPending());
        QCOMPARE(m_view->selectionModel()->selectedIndexes(), QModelIndexList{b});
        QCOMPARE(m_view->drags, 0);

        // A press beside the selection selects at once.
        QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, centre(other));
        QVERIFY(!m_view->isPressPending());
        QCOMPARE(m_view->selectionModel()->selectedIndexes(), QModelIndexList{other});
        QTest::mouseRelease(m_view->viewport(), Qt::LeftButton, {}, centre(other));

        // Without drag-out a press on the selection is an ordinary press.
        m_view->setDragMode(0, 500);
        selectCells(m_view, {a, b});
        QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, centre(b));
        QVERIFY(!m_view->isPressPending());
        QTest::mouseRelease(m_view->viewport(), Qt::LeftButton, {}, centre(b));
        QCOMPARE(m_view->selectionModel()->selectedIndexes(), QModelIndexList{b});
    }

    void heldPressOrMoveStartsTheDrag()
    {
        m_view->setDragMode(3, 500);
        const QModelIndex a = werteCell(70000, "TW");
        const QModelIndex b = werteCell(70001, "TW");
        selectCells(m_view, {a, b});

        QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, centre(a));
        QVERIFY(QMetaObject::invokeMethod(m_view, "myTimer_timeout"));
        QVERIFY(!m_view->isPressPending());
        QCOMPARE(m_view->drags, 1);
        QCOMPARE(m_view->lastActions, Qt::DropActions(Qt::CopyAction));
        QTest::mouseRelease(m_view->viewport(), Qt::LeftButton, {}, centre(a));
        QCOMPARE(m_view->selectionModel()->selectedIndexes().size(), 2);

        QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, centre(a));
        dragMoveTo(centre(a) + QPoint(QApplication::startDragDistance() - 1, 0));
        QCOMPARE(m_view->drags, 1);
        QVERIFY(m_view->isPressPending());
        dragMoveTo(centre(a) + QPoint(QApplication::startDragDistance() - 1, 1));
        QCOMPARE(m_view->drags, 2);
        QVERIFY(!m_view->isPressPending());
    }

    void dragCarriesTheSelectedCellsWithoutTheNewRecordRow()
    {
        const int last = m_werte->rowCount() - 1;
        selectCells(m_view, {werteCell(70001, "BEMERKUNG"), werteCell(70000, "BEMERKUNG"),
                             m_werte->index(last, m_werte->fieldIndex("BEMERKUNG"))});
        QScopedPointer<QDrag> drag(m_view->dragOfSelection());
        QVERIFY(drag);
        QCOMPARE(drag->pixmap().size(), QSize(20, 10));
        const QStringList ids = QString::fromLatin1(drag->mimeData()->data("text/csv")).split('#');
        QCOMPARE(QSet<QString>(ids.begin(), ids.end()), QSet<QString>({"70000", "70001"}));
        QVERIFY(drag->mimeData()->hasFormat("text/plain"));

        m_view->selectionModel()->clearSelection();
        QVERIFY(!m_view->dragOfSelection());
        selectCells(m_view, {m_werte->index(last, 2)});
        QVERIFY(!m_view->dragOfSelection());
    }

    void dropPastesOnlyWhenDropsAreAccepted()
    {
        const QModelIndex target = werteCell(70000, "BEMERKUNG");
        auto dropOn = [this](const QModelIndex &cell, const QStringList &texts) {
            QMimeData data;
            data.setData("text/plain", plainTextList(texts));
            const QPoint pos = centre(cell);
            QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_view->viewport(), &enter);
            QDragMoveEvent move(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_view->viewport(), &move);
            QDropEvent drop(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_view->viewport(), &drop);
            return drop.isAccepted();
        };
        m_view->setDragMode(0, 500);
        QVERIFY(!dropOn(target, {"Erste", "Zweite"}));
        QCOMPARE(scalar(m_db, "SELECT Bemerkung FROM Werte WHERE WerteId=70000"), QString("Nennleistung"));

        m_view->setDragMode(3, 500);
        QVERIFY(dropOn(target, {"Erste", "Zweite"}));
        QCOMPARE(scalar(m_db, "SELECT Bemerkung FROM Werte WHERE WerteId=70000"), QString("Erste"));
        // 70002 is derived: its Bemerkung comes from the attachment, read-only.
        QCOMPARE(scalar(m_db, "SELECT Bemerkung FROM Werte WHERE WerteId=70002"),
                 QString("Speicheraufsatz 'Nord'"));
    }


    // ---------------------------------------------------------- drags onto themselves

    void dragEndingWhereItStartedChangesNothing()
    {
        GeraeteModel geraete;
        geraete.selectAppliances();
        DroppingTableView view;
        view.setModel(&geraete);
        view.setDragMode(3, 500);
        view.resize(900, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int typ2 = geraete.fieldIndex("TYP2");
        QVERIFY(geraete.rowCount() >= 5);
        const QString before = TestSupport::runSqlite3(m_file, "SELECT TirmaId, Typ2 FROM Geraete ORDER BY TirmaId;");
        const QStringList journalBefore = TestSupport::journalLines(m_file);
        auto cell = [&](int row) { return geraete.index(row, typ2); };
        auto at = [&](int row) { return view.visualRect(cell(row)).center(); };
        auto holdAndDrop = [&](int pressRow, const QPoint &dropAt) {
            selectCells(&view, {cell(0), cell(1), cell(2)});
            view.dropAt = dropAt;
            QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at(pressRow));
            QVERIFY(view.isPressPending());
            QVERIFY(QMetaObject::invokeMethod(&view, "myTimer_timeout"));
        };

        // Held and released without moving.
        holdAndDrop(1, at(1));
        QCOMPARE(view.drags, 1);
        QCOMPARE(view.carried.size(), 3);
        QVERIFY(!view.moveAccepted);
        QVERIFY(!view.dropAccepted);
        // Dropped on another of the dragged cells.
        holdAndDrop(1, at(2));
        QVERIFY(!view.moveAccepted);
        QVERIFY(!view.dropAccepted);
        // Held on the selection and let go a pixel off: still no move.
        holdAndDrop(0, at(0) + QPoint(1, 0));
        QVERIFY(!view.dropAccepted);
        QCOMPARE(view.drags, 3);
        QCOMPARE(TestSupport::runSqlite3(m_file, "SELECT TirmaId, Typ2 FROM Geraete ORDER BY TirmaId;"), before);
        QCOMPARE(TestSupport::journalLines(m_file), journalBefore);

        // A real drag below the selection pastes downwards from the cell dropped on.
        const QString first = cell(0).data(Qt::EditRole).toString();
        const QString second = cell(1).data(Qt::EditRole).toString();
        const int id3 = geraete.index(3, 0).data().toInt();
        const int id4 = geraete.index(4, 0).data().toInt();
        selectCells(&view, {cell(0), cell(1)});
        view.dropAt = at(3);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at(1));
        dragMoveTo(&view, at(1) + QPoint(0, QApplication::startDragDistance()));
        QVERIFY(view.dropAccepted);
        QCOMPARE(view.carried, QStringList({first, second}));
        QCOMPARE(scalar(m_db, QString("SELECT Typ2 FROM Geraete WHERE TirmaId=%1").arg(id3)), first);
        QCOMPARE(scalar(m_db, QString("SELECT Typ2 FROM Geraete WHERE TirmaId=%1").arg(id4)), second);
        QCOMPARE(TestSupport::journalLines(m_file).size(), journalBefore.size() + 2);

        // After the drag a drop from elsewhere is an ordinary paste again, wherever it lands.
        QMimeData data;
        data.setData("text/plain", plainTextList({"Fremd"}));
        QDragEnterEvent enter(at(1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &enter);
        QDragMoveEvent move(at(1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &move);
        QDropEvent drop(at(1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &drop);
        QCOMPARE(cell(1).data(Qt::EditRole).toString(), QString("Fremd"));
    }

    void pressOnTheNewRecordRowNeverPastesThere()
    {
        DroppingTableView view;
        view.setModel(m_werte);
        view.setDragMode(3, 500);
        view.resize(900, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int column = m_werte->fieldIndex("BEMERKUNG");
        const int last = m_werte->rowCount() - 1;
        const QModelIndex star = m_werte->index(last, column);
        const int rows = m_werte->rowCount();
        selectCells(&view, {m_werte->index(0, column), star});
        view.dropAt = view.visualRect(star).center();
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, view.dropAt);
        QVERIFY(QMetaObject::invokeMethod(&view, "myTimer_timeout"));
        QCOMPARE(view.drags, 1);
        QVERIFY(!view.dropAccepted);
        QCOMPARE(m_werte->rowCount(), rows);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Werte WHERE Geraet=25000"), QString("3"));
    }

    // ---------------------------------------------------------- what a drag carries

    void dragCarriesWhatTheUserSeesSelected()
    {
        m_view->setDragMode(3, 500);
        const int bemerkung = m_werte->fieldIndex("BEMERKUNG");
        const int last = m_werte->rowCount() - 1;
        // Picked bottom up: the drag still runs top down, as the cells appear.
        selectCells(m_view, {m_werte->index(2, bemerkung), m_werte->index(0, bemerkung)});
        QStringList expected{m_werte->index(0, bemerkung).data(Qt::EditRole).toString(),
                             m_werte->index(2, bemerkung).data(Qt::EditRole).toString()};
        QCOMPARE(payload(m_view->dragOfSelection()), expected);

        // A whole row picked by its header: hidden key columns stay out.
        m_view->hideColumn(0);
        m_view->hideColumn(1);
        m_view->selectionModel()->clearSelection();
        m_view->selectRow(1);
        QStringList shown;
        for (int c = 2; c < m_werte->columnCount(); ++c)
            shown << m_werte->index(1, c).data(Qt::EditRole).toString();
        QCOMPARE(payload(m_view->dragOfSelection()), shown);
        m_view->showColumn(0);
        m_view->showColumn(1);

        // The new-record cell is not carried, and the selection shows it.
        DroppingTableView view;
        view.setModel(m_werte);
        view.setDragMode(3, 500);
        view.resize(900, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QModelIndex star = m_werte->index(last, bemerkung);
        selectCells(&view, {m_werte->index(0, bemerkung), star});
        view.dropAt = QPoint(-50, -50);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, view.visualRect(m_werte->index(0, bemerkung)).center());
        QVERIFY(QMetaObject::invokeMethod(&view, "myTimer_timeout"));
        QCOMPARE(view.carried, QStringList{expected.first()});
        QCOMPARE(view.selectionModel()->selectedIndexes(), QModelIndexList{m_werte->index(0, bemerkung)});

        // Only such cells: no drag at all.
        selectCells(&view, {star});
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, view.visualRect(star).center());
        QVERIFY(QMetaObject::invokeMethod(&view, "myTimer_timeout"));
        QCOMPARE(view.drags, 1);
    }

    // ---------------------------------------------------------- keys and clicks

    void deleteClearsEverySelectedCell()
    {
        selectCells(m_view, {werteCell(70000, "TW"), werteCell(70001, "TW"), werteCell(70001, "BRST")});
        QTest::keyClick(m_view, Qt::Key_Delete);
        QCOMPARE(scalar(m_db, "SELECT coalesce(TW,'') FROM Werte WHERE WerteId=70000"), QString());
        QCOMPARE(scalar(m_db, "SELECT coalesce(TW,'') FROM Werte WHERE WerteId=70001"), QString());
        QCOMPARE(scalar(m_db, "SELECT coalesce(BRST,'') FROM Werte WHERE WerteId=70001"), QString());
        QCOMPARE(scalar(m_db, "SELECT BRST FROM Werte WHERE WerteId=70000"), QString("Braunkohle"));
        QVERIFY(!scalar(m_db, "SELECT PW FROM Werte WHERE WerteId=70000").isEmpty());
    }

    void deleteOnWholeRowsLeavesTheHiddenColumns()
    {
        // The window hides the key and the appliance column; a click on the
        // row header selects them as well, but Delete clears what is seen.
        m_view->hideColumn(0);
        m_view->hideColumn(1);
        m_view->selectRow(rowOf(m_werte, 70001));
        QTest::keyClick(m_view, Qt::Key_Delete);
        QCOMPARE(scalar(m_db, "SELECT Geraet FROM Werte WHERE WerteId=70001"), QString("25000"));
        QCOMPARE(scalar(m_db, "SELECT coalesce(TW,'') FROM Werte WHERE WerteId=70001"), QString());
        QCOMPARE(rowOf(m_werte, 70001) >= 0, true);
    }

    void deleteOnSeveralCellsIsOneAction()
    {
        exec("CREATE TRIGGER sperre BEFORE UPDATE ON Werte WHEN old.WerteId=70001 "
             "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END");
        QSignalSpy reports(ChangeReport::instance(), &ChangeReport::failed);
        selectCells(m_view, {werteCell(70000, "TW"), werteCell(70001, "TW"), werteCell(70001, "BRST")});
        QTest::keyClick(m_view, Qt::Key_Delete);
        // All or nothing: the refused cell keeps the others as they were.
        QCOMPARE(scalar(m_db, "SELECT coalesce(TW,'') FROM Werte WHERE WerteId=70000"),
                 QString("230.2"));
        QVERIFY(!scalar(m_db, "SELECT TW FROM Werte WHERE WerteId=70001").isEmpty());
        QCOMPARE(werteCell(70001, "BRST").data().toString(),
                 scalar(m_db, "SELECT BRST FROM Werte WHERE WerteId=70001"));
        // One key, one report of what was not stored.
        QCOMPARE(reports.count(), 1);
        QVERIFY(reports.first().first().toString().contains("gesperrt"));

        // A transaction lost on the way leaves no cell shown cleared that is
        // still stored.
        exec("DROP TRIGGER sperre");
        exec("CREATE TRIGGER sperre BEFORE UPDATE ON Werte WHEN old.WerteId=70001 "
             "BEGIN SELECT RAISE(ROLLBACK, 'gesperrt'); END");
        const QString pw = scalar(m_db, "SELECT PW FROM Werte WHERE WerteId=70000");
        QVERIFY(!pw.isEmpty());
        selectCells(m_view, {werteCell(70000, "PW"), werteCell(70001, "PW")});
        QTest::keyClick(m_view, Qt::Key_Delete);
        QCOMPARE(scalar(m_db, "SELECT PW FROM Werte WHERE WerteId=70000"), pw);
        QCOMPARE(werteCell(70000, "PW").data(Qt::EditRole).toString(), pw);
    }

    void clicksReachTheModelByEditTriggers()
    {
        const QModelIndex flag = werteCell(70001, "DBGESCH");
        auto stored = [this] { return scalar(m_db, "SELECT DBGESCH FROM Werte WHERE WerteId=70001"); };
        const QString before = stored();

        m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                                | QAbstractItemView::AnyKeyPressed);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, centre(flag));
        QCOMPARE(stored(), before);
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, centre(werteCell(70001, "DBGESCH")));
        QVERIFY(stored() != before);

        m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        const QString afterDouble = stored();
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, centre(werteCell(70001, "DBGESCH")));
        QCOMPARE(stored(), afterDouble);

        m_view->setEditTriggers(QAbstractItemView::AllEditTriggers);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, centre(werteCell(70001, "DBGESCH")));
        QVERIFY(stored() != afterDouble);
    }

    // ---------------------------------------------------------- selection across a re-query

    void selectionFollowsTheIdsAcrossARequery()
    {
        HerstellerModel hersteller;
        hersteller.setQuery("Select Id, Name from Hersteller where Tirma<>0 order by lower(Name)", kolvexDb());
        DragTableView view;
        view.setModel(&hersteller);
        const int glut = rowOf(&hersteller, 215);
        const int brunner = rowOf(&hersteller, 550);
        QVERIFY(glut > 1);
        view.selectionModel()->select(hersteller.index(brunner, 1), QItemSelectionModel::Select);
        view.selectionModel()->setCurrentIndex(hersteller.index(glut, 1), QItemSelectionModel::Select);

        // Renaming re-sorts the list: Glutwerk moves to the top.
        QVERIFY(hersteller.setData(hersteller.index(glut, 1), "Aaa Glutwerk"));
        QCOMPARE(rowOf(&hersteller, 215), 0);
        const QModelIndex current = view.selectionModel()->currentIndex();
        QCOMPARE(current.row(), 0);
        QCOMPARE(current.column(), 1);
        QVERIFY(view.selectionModel()->isSelected(hersteller.index(0, 1)));
        QVERIFY(view.selectionModel()->isSelected(hersteller.index(rowOf(&hersteller, 550), 1)));
        QCOMPARE(view.selectionModel()->selectedIndexes().size(), 2);
    }

    void currentCellStaysWhenNothingWasSelected()
    {
        HerstellerModel hersteller;
        hersteller.setQuery("Select Id, Name from Hersteller where Tirma<>0 order by lower(Name)", kolvexDb());
        DragTableView view;
        view.setModel(&hersteller);
        view.selectionModel()->setCurrentIndex(hersteller.index(2, 1), QItemSelectionModel::NoUpdate);
        QMetaObject::invokeMethod(&view, "slotSaveSelection");
        QMetaObject::invokeMethod(&view, "slotLoadSelection");
        QVERIFY(view.selectionModel()->selectedIndexes().isEmpty());
        QCOMPARE(view.selectionModel()->currentIndex().row(), 2);

        // With a selection whose row lost its id the saved current cell is taken.
        view.selectionModel()->select(hersteller.index(1, 1), QItemSelectionModel::Select);
        view.selectionModel()->setCurrentIndex(hersteller.index(2, 1), QItemSelectionModel::NoUpdate);
        QMetaObject::invokeMethod(&view, "slotSaveSelection");
        const int id = hersteller.index(1, 0).data().toInt();
        exec(QString("DELETE FROM Geraete WHERE HrstId=%1").arg(id));
        exec(QString("DELETE FROM Hersteller WHERE Id=%1").arg(id));
        hersteller.refresh();
        QMetaObject::invokeMethod(&view, "slotLoadSelection");
        QVERIFY(view.selectionModel()->selectedIndexes().contains(hersteller.index(2, 1)));
        QCOMPARE(view.selectionModel()->currentIndex(), hersteller.index(2, 1));
    }
};

QTEST_MAIN(TestDragTableView)
#include "tst_dragtableview.moc"
