#include "appsettings.h"
#include "dbconnections.h"
#include "dlgviewcustomise.h"
#include "draglistview.h"
#include "testsupport.h"

#include <QApplication>
#include <QDialog>
#include <QDrag>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <QtTest>

namespace {

class ProbeListView : public DragListView
{
public:
    using DragListView::DragListView;
    using DragListView::createDrag;
    using DragListView::defaultDropAction;
    using DragListView::removeMovedRows;
};

const QStringList kMandatory{"TIRMAID", "HRSTID"};

} // namespace

// The field-list dialog on the appliance table of a fresh demo copy.
class TestDlgViewCustomise : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QSqlDatabase m_db;
    QStringList m_allColumns;  // upper-case, in table order

    static QListWidget *entries(dlgViewCustomise &dialog)
    {
        return dialog.findChild<QListWidget *>("listWidget");
    }
    static DragListView *columnList(dlgViewCustomise &dialog)
    {
        return dialog.findChild<DragListView *>("listView");
    }

    // Texts of the column model: the visible section, then the hidden one.
    static QStringList section(dlgViewCustomise &dialog, bool visible)
    {
        QStandardItemModel *model = dialog.columnModel();
        QStringList names;
        int headings = 0;
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->item(row)->data(dlgViewCustomise::MarkerRole).toInt() == 0) {
                ++headings;
                continue;
            }
            if ((headings == 1) == visible)
                names << model->item(row)->text();
        }
        return names;
    }
    static QStringList visible(dlgViewCustomise &d) { return section(d, true); }
    static QStringList hidden(dlgViewCustomise &d) { return section(d, false); }

    static int rowOf(dlgViewCustomise &dialog, const QString &text)
    {
        const QList<QStandardItem *> found = dialog.columnModel()->findItems(text);
        return found.isEmpty() ? -1 : found.first()->row();
    }

    static void activate(dlgViewCustomise &dialog, const QString &text)
    {
        DragListView *list = columnList(dialog);
        list->setFocus();
        list->setCurrentIndex(dialog.columnModel()->index(rowOf(dialog, text), 0));
        QTest::keyClick(list, Qt::Key_Return);
    }

    QStringList withoutMandatory() const
    {
        QStringList columns = m_allColumns;
        for (const QString &m : kMandatory)
            columns.removeAll(m);
        return columns;
    }

    static QStringList sorted(QStringList list)
    {
        list.sort(Qt::CaseSensitive);
        return list;
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
    }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_db = TestSupport::openKolvex(TestSupport::copyDemoDatabase(m_dir->path()));
        QSqlQuery q(m_db);
        QVERIFY(q.exec("SELECT * FROM Geraete"));
        m_allColumns.clear();
        for (int i = 0; i < q.record().count(); ++i)
            m_allColumns << q.record().fieldName(i).toUpper();
    }

    void cleanup()
    {
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void formAndListsAreSetUp()
    {
        QString fields = "Typ,Breite";
        QStringList lists{"Alle#*", "Kurz#Typ,Breite", "Form#Typ1,Typ2", "Kurz2#Typ,Breite"};
        dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
        QCOMPARE(dialog.size(), QSize(495, 505));
        QCOMPARE(dialog.windowTitle(), QString("Dialog"));
        QCOMPARE(dialog.findChild<QPushButton *>("pushButtonOK")->text(), QString("OK"));
        QCOMPARE(dialog.findChild<QPushButton *>("pushButtonAbbrechen")->text(), QString("Abbrechen"));
        DragListView *list = columnList(dialog);
        QVERIFY(list->keepReturn);
        QCOMPARE(list->dragDropMode(), QAbstractItemView::InternalMove);
        QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);

        QListWidget *names = entries(dialog);
        QCOMPARE(names->count(), 5);
        QCOMPARE(names->item(1)->text(), QString("Kurz"));
        QCOMPARE(names->item(1)->data(Qt::UserRole).toString(), QString("Typ,Breite"));
        QCOMPARE(names->item(4)->text(), QString("*"));
        QVERIFY(names->item(4)->flags() & Qt::ItemIsEditable);
        // The last entry with the current columns is the current one.
        QCOMPARE(names->currentRow(), 3);
        QVERIFY(names->item(3)->isSelected());

        QStandardItemModel *model = dialog.columnModel();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString("Fieldname"));
        QCOMPARE(model->item(0)->text(), QString("Sichtbare Felder"));
        QCOMPARE(model->item(3)->text(), QString("Versteckte Felder"));
        QVERIFY(!(model->item(0)->flags() & (Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled)));
        QCOMPARE(model->item(0)->foreground().color(), QColor(Qt::blue));
        const Qt::ItemFlags column = model->item(1)->flags();
        QVERIFY(column & Qt::ItemIsDragEnabled);
        QVERIFY(!(column & (Qt::ItemIsEditable | Qt::ItemIsDropEnabled)));

        QCOMPARE(visible(dialog), QStringList({"TYP", "BREITE"}));
        QStringList rest = withoutMandatory();
        rest.removeAll("TYP");
        rest.removeAll("BREITE");
        QCOMPARE(hidden(dialog), sorted(rest));
    }

    void starShowsEveryColumnButTheMandatoryOnes()
    {
        QString fields = "*";
        QStringList lists{"Alle#*"};
        dlgViewCustomise dialog("Geraete", fields, lists, {"tirmaid", "HrstId"});
        QCOMPARE(visible(dialog), withoutMandatory());
        QVERIFY(hidden(dialog).isEmpty());
    }

    void mandatoryAndRejectedColumnsAreNeverOffered()
    {
        QString fields = "TirmaId,HrstId,Typ";
        QStringList lists{"Mit#TirmaId,HrstId,Typ", "Falsch#Typ,Gibtsnicht"};
        dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
        QCOMPARE(visible(dialog), QStringList({"TYP"}));
        QVERIFY(!hidden(dialog).contains("TIRMAID"));
        QCOMPARE(hidden(dialog).size(), withoutMandatory().size() - 1);

        // A column text the database rejects: nothing visible, all hidden.
        entries(dialog)->setCurrentRow(1);
        QVERIFY(visible(dialog).isEmpty());
        QCOMPARE(hidden(dialog), sorted(withoutMandatory()));

        entries(dialog)->setCurrentRow(0);
        dialog.accept();
        QCOMPARE(fields, QString("TIRMAID,HRSTID,TYP"));
        // Only looked at, the rejected entry stays as it was stored: a
        // column renamed in the database must not cost the user the list.
        QCOMPARE(lists, QStringList({"Mit#TIRMAID,HRSTID,TYP", "Falsch#Typ,Gibtsnicht"}));
    }

    void rejectedEntriesAreKeptUnlessChanged()
    {
        // Opened on a list the database cannot show, OK changes nothing.
        QString fields = "Typ,Gibtsnicht";
        QStringList lists{"Falsch#Typ,Gibtsnicht", "Mit#Typ"};
        {
            dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
            QCOMPARE(entries(dialog)->currentRow(), 0);
            QVERIFY(visible(dialog).isEmpty());
            dialog.accept();
        }
        QCOMPARE(fields, QString("Typ,Gibtsnicht"));
        QCOMPARE(lists, QStringList({"Falsch#Typ,Gibtsnicht", "Mit#Typ"}));

        // Switching to a rejected entry and accepting keeps the current fields.
        {
            fields = "Typ";
            dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
            entries(dialog)->setCurrentRow(0);
            dialog.accept();
        }
        QCOMPARE(fields, QString("Typ"));
        QCOMPARE(lists, QStringList({"Falsch#Typ,Gibtsnicht", "Mit#TIRMAID,HRSTID,TYP"}));

        // Columns the user gives it replace the rejected text.
        {
            dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
            entries(dialog)->setCurrentRow(0);
            activate(dialog, "AACHEN");
            dialog.accept();
        }
        QCOMPARE(fields, QString("TIRMAID,HRSTID,AACHEN"));
        QCOMPARE(lists,
                 QStringList({"Falsch#TIRMAID,HRSTID,AACHEN", "Mit#TIRMAID,HRSTID,TYP"}));
    }

    void nothingIsDroppedAboveTheVisibleHeading()
    {
        QString fields = "Typ,Breite,Hoehe";
        QStringList lists{"Drei#Typ,Breite,Hoehe"};
        dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
        QStandardItemModel *model = dialog.columnModel();
        const int from = rowOf(dialog, "BREITE");
        QScopedPointer<QMimeData> carried(model->mimeData({model->index(from, 0)}));

        // Above the heading the list would lose its visible section.
        QVERIFY(!model->canDropMimeData(carried.data(), Qt::MoveAction, 0, 0, QModelIndex()));
        QVERIFY(!model->dropMimeData(carried.data(), Qt::MoveAction, 0, 0, QModelIndex()));
        QCOMPARE(model->item(0)->text(), QString("Sichtbare Felder"));
        QCOMPARE(visible(dialog), QStringList({"TYP", "BREITE", "HOEHE"}));

        // Right below it the column becomes the first visible one (the
        // list view then removes the carried row).
        QVERIFY(model->canDropMimeData(carried.data(), Qt::MoveAction, 1, 0, QModelIndex()));
        QVERIFY(model->dropMimeData(carried.data(), Qt::MoveAction, 1, 0, QModelIndex()));
        model->removeRow(from + 1);
        QCOMPARE(visible(dialog), QStringList({"BREITE", "TYP", "HOEHE"}));
        dialog.accept();
        QCOMPARE(lists, QStringList({"Drei#TIRMAID,HRSTID,BREITE,TYP,HOEHE"}));
    }

    void namesCannotHoldTheListSeparator()
    {
        QString fields = "Typ";
        QStringList lists{"Eins#Typ"};
        dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
        QListWidget *names = entries(dialog);
        names->item(0)->setText("Kurz#2");
        QCOMPARE(names->item(0)->text(), QString("Kurz 2"));
        QCOMPARE(names->count(), 2);
        // Naming the place holder still makes a new entry.
        names->item(1)->setText("#Neu");
        QCOMPARE(names->item(1)->text(), QString(" Neu"));
        QCOMPARE(names->count(), 3);
        QCOMPARE(names->item(2)->text(), QString("*"));
        names->setCurrentRow(1);
        activate(dialog, "VARIANTE");
        names->setCurrentRow(0);
        dialog.accept();
        QCOMPARE(lists,
                 QStringList({"Kurz 2#TIRMAID,HRSTID,TYP", " Neu#TIRMAID,HRSTID,VARIANTE"}));
        // Read back the way the settings are, every entry keeps its columns.
        for (const QString &entry : lists)
            QCOMPARE(entry.count('#'), 1);
    }

    void activatingMovesAColumnToTheOtherSection()
    {
        QString fields = "Typ,Breite,Hoehe";
        QStringList lists{"Drei#Typ,Breite,Hoehe"};
        dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        // Return activates and stays in the list: the dialog remains open.
        activate(dialog, "BREITE");
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(visible(dialog), QStringList({"TYP", "HOEHE"}));
        QStringList expectedHidden = hidden(dialog);
        QCOMPARE(expectedHidden, sorted(expectedHidden));
        QVERIFY(expectedHidden.contains("BREITE"));
        // The activated position is selected again: now the next visible column.
        QCOMPARE(columnList(dialog)->selectionModel()->selectedIndexes(),
                 QModelIndexList{dialog.columnModel()->index(2, 0)});

        activate(dialog, "AACHEN");
        QCOMPARE(visible(dialog), QStringList({"TYP", "HOEHE", "AACHEN"}));
        QVERIFY(!hidden(dialog).contains("AACHEN"));

        // Headings do nothing.
        const QStringList before = visible(dialog) + hidden(dialog);
        activate(dialog, "Versteckte Felder");
        QCOMPARE(visible(dialog) + hidden(dialog), before);

        QTest::mouseClick(dialog.findChild<QPushButton *>("pushButtonOK"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(fields, QString("TIRMAID,HRSTID,TYP,HOEHE,AACHEN"));
        QCOMPARE(lists, QStringList({"Drei#TIRMAID,HRSTID,TYP,HOEHE,AACHEN"}));

        // A column that sorts before every hidden one becomes the first of
        // them, also when no column was hidden.
        {
            QString first = "Typ,Aachen";
            QStringList firstLists{"Zwei#Typ,Aachen"};
            dlgViewCustomise other("Geraete", first, firstLists, kMandatory);
            activate(other, "AACHEN");
            QCOMPARE(visible(other), QStringList({"TYP"}));
            QStringList rest = withoutMandatory();
            rest.removeAll("TYP");
            QCOMPARE(hidden(other), sorted(rest));
            QCOMPARE(hidden(other).first(), QString("AACHEN"));
        }
        {
            QString all = "*";
            QStringList allLists{"Alle#*"};
            dlgViewCustomise other("Geraete", all, allLists, kMandatory);
            activate(other, "AACHEN");
            QCOMPARE(hidden(other), QStringList({"AACHEN"}));
            QStringList rest = withoutMandatory();
            rest.removeAll("AACHEN");
            QCOMPARE(visible(other), rest);
        }
    }

    void switchingEntriesKeepsTheirEdits()
    {
        QString fields = "Typ,Breite";
        QStringList lists{"Kurz#Typ,Breite", "Alle#*"};
        dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
        activate(dialog, "BREITE");
        entries(dialog)->setCurrentRow(1);
        QCOMPARE(visible(dialog), withoutMandatory());
        entries(dialog)->setCurrentRow(0);
        QCOMPARE(visible(dialog), QStringList({"TYP"}));
        entries(dialog)->setCurrentRow(1);
        dialog.accept();
        QCOMPARE(fields, "TIRMAID,HRSTID," + withoutMandatory().join(','));
        QCOMPARE(lists, QStringList({"Kurz#TIRMAID,HRSTID,TYP", "Alle#TIRMAID,HRSTID," + withoutMandatory().join(',')}));
    }

    void namingThePlaceHolderMakesANewEntry()
    {
        QString fields = "Typ";
        QStringList lists{"Eins#Typ"};
        dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
        QListWidget *names = entries(dialog);
        names->item(1)->setText("Leer");
        QCOMPARE(names->count(), 3);
        QCOMPARE(names->item(2)->text(), QString("*"));
        names->item(2)->setText("Zwei");
        QCOMPARE(names->count(), 4);
        // "Zwei" gets a column, "Leer" none: only "Zwei" is kept.
        names->setCurrentRow(2);
        activate(dialog, "VARIANTE");
        // Columns given to the place holder itself name no list.
        names->setCurrentRow(3);
        activate(dialog, "TYP1");
        names->setCurrentRow(0);
        dialog.accept();
        QCOMPARE(lists, QStringList({"Eins#TIRMAID,HRSTID,TYP", "Zwei#TIRMAID,HRSTID,VARIANTE"}));
        QCOMPARE(fields, QString("TIRMAID,HRSTID,TYP"));
    }

    void entriesAreDuplicatedAndDeletedFromTheMenu()
    {
        QString fields = "Typ,Breite";
        QStringList lists{"Kurz#Typ,Breite", "Weg#Typ1"};
        dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QListWidget *names = entries(dialog);
        auto posOf = [names](int row) { return names->visualItemRect(names->item(row)).center(); };

        QVERIFY(!dialog.createEntryMenu(posOf(2), nullptr));                // the place holder
        QVERIFY(!dialog.createEntryMenu(QPoint(5, names->viewport()->height() - 5), nullptr));

        // The copy is the entry as saved; the shown edits stay with the original.
        activate(dialog, "BREITE");
        QScopedPointer<QMenu> menu(dialog.createEntryMenu(posOf(0), nullptr));
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 2);
        QCOMPARE(menu->actions().at(0)->text(), QString("Eintrag duplizieren"));
        QCOMPARE(menu->actions().at(1)->text(), QString("Eintrag löschen"));
        menu->actions().at(0)->trigger();
        QCOMPARE(names->count(), 4);
        QCOMPARE(names->item(1)->text(), QString("Kurz"));
        QCOMPARE(names->item(1)->data(Qt::UserRole).toString(), QString("Typ,Breite"));
        QCOMPARE(visible(dialog), QStringList({"TYP"}));

        QScopedPointer<QMenu> second(dialog.createEntryMenu(posOf(2), nullptr));
        second->actions().at(1)->trigger();
        QCOMPARE(names->count(), 3);
        dialog.accept();
        QCOMPARE(lists, QStringList({"Kurz#TIRMAID,HRSTID,TYP", "Kurz#Typ,Breite"}));
    }

    void cancelLeavesTheCallersValues()
    {
        QString fields = "Typ,Breite";
        QStringList lists{"Kurz#Typ,Breite"};
        dlgViewCustomise dialog("Geraete", fields, lists, kMandatory);
        activate(dialog, "BREITE");
        entries(dialog)->item(0)->setText("Anders");
        dialog.reject();
        QCOMPARE(fields, QString("Typ,Breite"));
        QCOMPARE(lists, QStringList({"Kurz#Typ,Breite"}));
    }

    // ---------------------------------------------------------- the list view of the dialog

    void returnStaysInTheListOnlyWhenAsked()
    {
        QDialog dialog;
        auto *layout = new QVBoxLayout(&dialog);
        auto *list = new DragListView(&dialog);
        auto *ok = new QPushButton("OK", &dialog);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
        layout->addWidget(list);
        layout->addWidget(ok);
        QStandardItemModel model;
        model.appendRow(new QStandardItem("A"));
        list->setModel(&model);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!list->keepReturn);

        list->keepReturn = true;
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Enter);
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        list->keepReturn = false;
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void movedRowsAreRemovedButHeadingsStay()
    {
        ProbeListView list;
        QStandardItemModel model;
        for (const QString &text : QStringList{"Kopf", "A", "B", "C"}) {
            auto *item = new QStandardItem(text);
            if (text == "Kopf")
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            model.appendRow(item);
        }
        list.setModel(&model);
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
        // Picked bottom up, carried top down, the heading left out.
        for (int row : {3, 0, 1})
            list.selectionModel()->select(model.index(row, 0), QItemSelectionModel::Select);

        QScopedPointer<QDrag> drag(list.createDrag());
        QVERIFY(drag);
        QCOMPARE(drag->pixmap().size(), QSize(20, 10));
        QDataStream carried(drag->mimeData()->data("application/x-qabstractitemmodeldatalist"));
        QList<int> rows;
        while (!carried.atEnd()) {
            int row = 0;
            int column = 0;
            QMap<int, QVariant> roles;
            carried >> row >> column >> roles;
            rows << row;
        }
        QCOMPARE(rows, QList<int>({1, 3}));
        list.removeMovedRows();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.item(0)->text(), QString("Kopf"));
        QCOMPARE(model.item(1)->text(), QString("B"));

        list.setDragDropMode(QAbstractItemView::DragDrop);
        QCOMPARE(list.defaultDropAction(Qt::CopyAction | Qt::MoveAction), Qt::CopyAction);
        QCOMPARE(list.defaultDropAction(Qt::MoveAction), Qt::IgnoreAction);
        list.setDragDropMode(QAbstractItemView::InternalMove);
        QCOMPARE(list.defaultDropAction(Qt::CopyAction | Qt::MoveAction), Qt::IgnoreAction);
    }
};

QTEST_MAIN(TestDlgViewCustomise)
#include "tst_dlgviewcustomise.moc"
