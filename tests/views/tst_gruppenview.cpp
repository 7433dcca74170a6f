#include "appsettings.h"
#include "dbconnections.h"
#include "gruppenmodel.h"
#include "dragtableview.h"
#include "gruppenview.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDrag>
#include <QFrame>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

using TestSupport::scalar;

namespace {

class ProbeGruppenView : public GruppenView
{
public:
    using GruppenView::GruppenView;
    QDrag *dragOfSelection() { return createDrag(); }
};

// Answers every question box that comes up while it lives and counts them.
class QuestionAnswerer : public QObject
{
public:
    explicit QuestionAnswerer(QMessageBox::StandardButton answer)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, answer] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                titles << box->windowTitle();
                texts << box->text();
                box->button(answer)->click();
            }
        });
        m_timer.start(10);
    }
    QStringList titles;
    QStringList texts;

private:
    QTimer m_timer;
};

} // namespace

// The group tree on a fresh demo copy, filled as the main window fills it for
// manufacturer 58: "Nordlicht Serie" 70000#70001#70002#70004 and
// "Prüfung 2025" 70001#70002.
class TestGruppenView : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QSqlDatabase m_db;
    QWidget *m_window = nullptr;
    DragTableView *m_table = nullptr;
    QStandardItemModel *m_cells = nullptr;
    ProbeGruppenView *m_view = nullptr;
    GruppenModel *m_model = nullptr;

    QString stored(const QString &name)
    {
        QSqlQuery q(m_db);
        q.prepare("SELECT werteid FROM gruppen WHERE BEZEICHNUNG=? ORDER BY rowid");
        q.addBindValue(name);
        q.exec();
        QStringList ids;
        while (q.next())
            ids << q.value(0).toString();
        return ids.join('#');
    }

    QString members(int row) { return m_model->index(row, 0).data(Qt::UserRole).toString(); }
    QPoint centreOf(int row) { return m_view->visualRect(m_model->index(row, 0)).center(); }
    QPoint emptySpace() { return QPoint(10, m_view->viewport()->height() - 10); }
    QBrush background(int row) { return m_model->index(row, 0).data(Qt::BackgroundRole).value<QBrush>(); }

    static QSet<QString> idSet(const QString &ids)
    {
        const QStringList list = ids.split('#');
        return QSet<QString>(list.begin(), list.end());
    }

    static QMimeData *csv(const QByteArray &ids)
    {
        auto *data = new QMimeData;
        data->setData("text/csv", ids);
        return data;
    }

    bool enter(const QMimeData *data, const QPoint &pos)
    {
        QDragEnterEvent event(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &event);
        return event.isAccepted();
    }

    bool move(const QMimeData *data, const QPoint &pos)
    {
        QDragMoveEvent event(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &event);
        return event.isAccepted();
    }

    bool drop(const QMimeData *data, const QPoint &pos)
    {
        enter(data, pos);
        move(data, pos);
        QDropEvent event(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &event);
        return event.isAccepted();
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_db = TestSupport::openKolvex(TestSupport::copyDemoDatabase(m_dir->path()));
        AppSettings::instance()->manufacturerMode = false;
        AppSettings::instance()->currentManufacturerId = 58;
        m_model = new GruppenModel;
        m_model->addGruppe("Nordlicht Serie", "70000#70001#70002#70004", false);
        m_model->addGruppe("Prüfung 2025", "70001#70002", false);
        m_window = new QWidget;
        auto *layout = new QVBoxLayout(m_window);
        m_cells = new QStandardItemModel(2, 2, m_window);
        m_cells->setItem(0, 0, new QStandardItem("abc"));
        m_table = new DragTableView(m_window);
        m_table->setModel(m_cells);
        m_view = new ProbeGruppenView(m_window);
        layout->addWidget(m_table);
        layout->addWidget(m_view);
        m_view->setModel(m_model);
        m_window->resize(300, 300);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        QApplication::setActiveWindow(m_window);
    }

    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
        delete m_model;
        m_model = nullptr;
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void viewIsReadyForDrops()
    {
        QVERIFY(m_view->acceptDrops());
        QCOMPARE(m_view->dragDropMode(), QAbstractItemView::DragDrop);
        QVERIFY(m_view->dropLine()->isHidden());
        QCOMPARE(m_view->dropLine()->height(), 2);
        QCOMPARE(m_view->dropLine()->styleSheet(), QString("color: blue"));
    }

    void dropOnEmptySpaceMakesANewStoredGroup()
    {
        QScopedPointer<QMimeData> data(csv("60000#60001"));
        QVERIFY(drop(data.data(), emptySpace()));
        QCOMPARE(m_model->rowCount(), 3);
        QCOMPARE(m_model->index(2, 0).data().toString(), QString("neu"));
        QCOMPARE(members(2), QString("60000#60001"));
        QCOMPARE(stored("neu"), QString("60000#60001"));
        QVERIFY(!m_view->selectionModel()->currentIndex().isValid());
        QVERIFY(m_view->dropLine()->isHidden());

        // The next one counts on after the highest "neu".
        QScopedPointer<QMimeData> next(csv("60002"));
        QVERIFY(drop(next.data(), emptySpace()));
        QCOMPARE(m_model->index(3, 0).data().toString(), QString("neu1"));
    }

    void dropOnAGroupAddsOnlyNewIdsAndMakesItCurrent()
    {
        m_view->selectionModel()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::ClearAndSelect);
        // The appliance list drags "#"-joined ids that may hold empty parts;
        // everything after a zero byte is not part of the drop.
        QByteArray ids("70002#70010##70011");
        ids.append('\0').append("99999");
        QScopedPointer<QMimeData> data(csv(ids));
        QVERIFY(drop(data.data(), centreOf(1)));
        QCOMPARE(members(1), QString("70001#70002#70010#70011"));
        QCOMPARE(stored("Prüfung 2025"), QString("70001#70002#70010#70011"));
        QCOMPARE(members(0), QString("70000#70001#70002#70004"));
        QCOMPARE(m_view->selectionModel()->currentIndex(), m_model->index(1, 0));
        QCOMPARE(m_view->selectionModel()->selectedIndexes(), QModelIndexList{m_model->index(1, 0)});
    }

    void onlyValueSetIdsAreAccepted()
    {
        QMimeData plain;
        plain.setText("70000");
        QVERIFY(!enter(&plain, centreOf(0)));
        QVERIFY(!move(&plain, emptySpace()));
        QVERIFY(m_view->dropLine()->isHidden());
        QDropEvent event(centreOf(0), Qt::CopyAction, &plain, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &event);
        QVERIFY(!event.isAccepted());
        QCOMPARE(members(0), QString("70000#70001#70002#70004"));
        QCOMPARE(m_model->rowCount(), 2);
    }

    void draggingMarksTheGroupUnderTheCursorOrTheNewPlace()
    {
        QScopedPointer<QMimeData> data(csv("60000"));
        const QBrush base = QApplication::palette().base();
        QVERIFY(enter(data.data(), centreOf(0)));
        QVERIFY(move(data.data(), centreOf(0)));
        QCOMPARE(background(0).color(), QColor(Qt::blue));
        QCOMPARE(background(1), base);
        QVERIFY(m_view->dropLine()->isHidden());

        QVERIFY(move(data.data(), centreOf(1)));
        QCOMPARE(background(0), base);
        QCOMPARE(background(1).color(), QColor(Qt::blue));

        QVERIFY(move(data.data(), emptySpace()));
        QCOMPARE(background(1), base);
        QVERIFY(m_view->dropLine()->isVisible());
        const QRect last = m_view->visualRect(m_model->index(1, 0));
        QCOMPARE(m_view->dropLine()->geometry().topLeft(),
                 m_view->viewport()->mapTo(m_view, QPoint(last.left(), last.bottom())));
        QCOMPARE(m_view->dropLine()->width(), m_view->viewport()->width());

        QVERIFY(move(data.data(), centreOf(0)));
        QDragLeaveEvent leave;
        QApplication::sendEvent(m_view->viewport(), &leave);
        QCOMPARE(background(0), base);
        QCOMPARE(background(1), base);
        QVERIFY(m_view->dropLine()->isHidden());
    }

    void draggedGroupsCarryTheUnionOfTheirMembers()
    {
        QVERIFY(!m_view->dragOfSelection());
        m_model->addGruppe("Dritte", "70010#70000", false);
        m_view->selectionModel()->select(m_model->index(2, 0), QItemSelectionModel::Select);
        m_view->selectionModel()->select(m_model->index(1, 0), QItemSelectionModel::Select);
        QScopedPointer<QDrag> drag(m_view->dragOfSelection());
        QVERIFY(drag);
        QCOMPARE(drag->pixmap().size(), QSize(20, 10));
        const QByteArray ids = drag->mimeData()->data("text/csv");
        QCOMPARE(idSet(QString::fromLatin1(ids)), QSet<QString>({"70010", "70000", "70001", "70002"}));

        // Dropped on another group it extends that one; the dragged ones stay.
        QVERIFY(drop(drag->mimeData(), centreOf(0)));
        QCOMPARE(members(0), QString("70000#70001#70002#70004#70010"));
        QCOMPARE(members(1), QString("70001#70002"));
        QCOMPARE(members(2), QString("70010#70000"));
        // Dropped on empty space it makes a new group with the same members.
        QVERIFY(drop(drag->mimeData(), emptySpace()));
        QCOMPARE(m_model->rowCount(), 4);
        QCOMPARE(idSet(members(3)), QSet<QString>({"70010", "70000", "70001", "70002"}));
    }

    void deleteAsksAndRemovesTheCurrentGroup()
    {
        m_view->setFocus();
        m_view->selectionModel()->setCurrentIndex(m_model->index(1, 0), QItemSelectionModel::ClearAndSelect);
        {
            QuestionAnswerer no(QMessageBox::No);
            QTest::keyClick(m_view, Qt::Key_Delete);
            QCOMPARE(no.titles, QStringList{"Nachfrage"});
            QCOMPARE(no.texts, QStringList{"Soll die Gruppe unwiderruflich gelöscht werden?"});
        }
        QCOMPARE(m_model->rowCount(), 2);
        QCOMPARE(stored("Prüfung 2025"), QString("70001#70002"));
        QApplication::setActiveWindow(m_window);
        m_view->setFocus();
        {
            QuestionAnswerer yes(QMessageBox::Yes);
            QTest::keyClick(m_view, Qt::Key_Delete);
            QCOMPARE(yes.titles.size(), 1);
        }
        QCOMPARE(m_model->rowCount(), 1);
        QCOMPARE(m_model->index(0, 0).data().toString(), QString("Nordlicht Serie"));
        QVERIFY(stored("Prüfung 2025").isEmpty());
        QCOMPARE(stored("Nordlicht Serie"), QString("70000#70001#70002#70004"));
    }

    void deleteElsewhereInTheWindowLeavesTheGroups()
    {
        m_view->selectionModel()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::ClearAndSelect);
        // Delete in a table of the same window clears its cells.
        m_table->setFocus();
        m_table->selectionModel()->select(m_cells->index(0, 0), QItemSelectionModel::Select);
        QuestionAnswerer yes(QMessageBox::Yes);
        QTest::keyClick(m_table, Qt::Key_Delete);
        QVERIFY(yes.titles.isEmpty());
        QVERIFY(m_cells->index(0, 0).data().toString().isEmpty());
        QCOMPARE(m_model->rowCount(), 2);
    }

    void contextMenuRemovesTheCurrentGroup()
    {
        QVERIFY(!m_view->createContextMenu(emptySpace(), nullptr));
        // The current group is the first one; the menu is opened over the second.
        m_view->selectionModel()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::NoUpdate);
        QScopedPointer<QMenu> menu(m_view->createContextMenu(centreOf(1), nullptr));
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), QString("Gruppe entfernen"));
        QuestionAnswerer yes(QMessageBox::Yes);
        menu->actions().first()->trigger();
        QCOMPARE(yes.titles.size(), 1);
        QCOMPARE(m_model->rowCount(), 1);
        QCOMPARE(m_model->index(0, 0).data().toString(), QString("Prüfung 2025"));
        QVERIFY(stored("Nordlicht Serie").isEmpty());
    }

    void anEmptyTreeTakesAndLosesItsOnlyGroup()
    {
        m_model->removeGruppe(1);
        m_model->removeGruppe(0);
        QCOMPARE(m_model->rowCount(), 0);
        QScopedPointer<QMimeData> data(csv("70001"));
        QVERIFY(enter(data.data(), emptySpace()));
        QVERIFY(move(data.data(), emptySpace()));
        QVERIFY(m_view->dropLine()->isVisible());
        QVERIFY(drop(data.data(), emptySpace()));
        QCOMPARE(m_model->rowCount(), 1);
        QCOMPARE(stored("neu"), QString("70001"));

        m_view->setFocus();
        m_view->selectionModel()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::ClearAndSelect);
        {
            QuestionAnswerer yes(QMessageBox::Yes);
            QTest::keyClick(m_view, Qt::Key_Delete);
            QCOMPARE(yes.titles.size(), 1);
        }
        QCOMPARE(m_model->rowCount(), 0);
        QVERIFY(stored("neu").isEmpty());
        QVERIFY(!m_view->selectionModel()->currentIndex().isValid());
        QApplication::setActiveWindow(m_window);
        m_view->setFocus();
        QuestionAnswerer again(QMessageBox::Yes);
        QTest::keyClick(m_view, Qt::Key_Delete);
        QVERIFY(again.titles.isEmpty());
    }

    void withoutCurrentGroupNothingIsAskedOrRemoved()
    {
        // Taking the focus makes the first group current: clear afterwards.
        m_view->setFocus();
        m_view->selectionModel()->clear();
        QuestionAnswerer yes(QMessageBox::Yes);
        QTest::keyClick(m_view, Qt::Key_Delete);
        QVERIFY(yes.titles.isEmpty());
        QCOMPARE(m_model->rowCount(), 2);
    }
};

QTEST_MAIN(TestGruppenView)
#include "tst_gruppenview.moc"
