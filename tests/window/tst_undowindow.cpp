#include "appsettings.h"
#include "dbconnections.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

using TestSupport::scalar;

// Undo and redo as the user reaches them: the shortcuts held by the window
// in both editions, the menu and the lists' context menus of the
// maintenance edition, and the lists showing the restored record.
class TestUndoWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;
    MainWindow *m_window = nullptr;

    static AppSettings *s() { return AppSettings::instance(); }
    QTableView *table(const char *name) const { return m_window->findChild<QTableView *>(name); }
    QAction *action(const char *name) const { return m_window->findChild<QAction *>(name); }

    void openWindow(bool manufacturerMode)
    {
        TestSupport::closeAllConnections();
        TestSupport::resetBrowsingSettings();
        s()->manufacturerMode = manufacturerMode;
        if (manufacturerMode)
            s()->currentManufacturerId = 58;
        m_window = new MainWindow;
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        const QSqlError error = m_window->openDataBase(m_file);
        QVERIFY2(!error.isValid(), qPrintable(error.text()));
    }

    int applianceRow(int id) const
    {
        QAbstractItemModel *model = table("tableGeraete")->model();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, 0).data().toInt() == id)
                return row;
        return -1;
    }

    void deleteAppliance(int id)
    {
        const int row = applianceRow(id);
        QVERIFY(row >= 0);
        QVERIFY(QMetaObject::invokeMethod(table("tableGeraete")->model(), "datenLoeschen",
                                          Qt::DirectConnection, Q_ARG(QList<int>, {row})));
        QCOMPARE(scalar(kolvexDb(), QString("SELECT count(*) FROM Geraete WHERE TirmaId=%1").arg(id)), QString("0"));
    }

    QString applianceCount(int id) const
    {
        return scalar(kolvexDb(), QString("SELECT count(*) FROM Geraete WHERE TirmaId=%1").arg(id));
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_file = TestSupport::copyDemoDatabase(m_dir->path());
    }

    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void maintenanceEditionNamesTheStepsInMenuAndContextMenu()
    {
        openWindow(false);
        QAction *undo = action("actionRueckgaengig");
        QAction *redo = action("actionWiederholen");
        QVERIFY(undo && redo);
        QCOMPARE(undo->shortcut(), QKeySequence("Ctrl+Z"));
        QCOMPARE(redo->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
        QVERIFY(!undo->isEnabled());
        QMenu *edit = m_window->findChild<QMenu *>("menuBearbeiten");
        QVERIFY(edit);
        QCOMPARE(edit->title(), QString("Bearbeiten"));
        QVERIFY(edit->actions().contains(undo) && edit->actions().contains(redo));

        // Appliance 25000 belongs to manufacturer 58.
        const int row = table("tableHersteller")->model()->match(
            table("tableHersteller")->model()->index(0, 0), Qt::DisplayRole, 58, 1, Qt::MatchExactly).value(0).row();
        table("tableHersteller")->setCurrentIndex(table("tableHersteller")->model()->index(row, 1));
        QTRY_VERIFY(applianceRow(25000) >= 0);
        deleteAppliance(25000);
        QVERIFY(undo->isEnabled());
        QCOMPARE(undo->text(), QString("Rückgängig: Feuerstätte löschen"));
        QVERIFY(table("tableGeraete")->actions().contains(undo));
        QVERIFY(table("tableAGWerte")->actions().contains(redo));

        undo->trigger();
        QCOMPARE(applianceCount(25000), QString("1"));
        // The list shows the appliance again, and it is the current one.
        QTRY_COMPARE(table("tableGeraete")->currentIndex().row(), applianceRow(25000));
        QCOMPARE(redo->text(), QString("Wiederholen: Feuerstätte löschen"));
        QVERIFY(!undo->isEnabled());
        redo->trigger();
        QCOMPARE(applianceCount(25000), QString("0"));
        QTRY_COMPARE(applianceRow(25000), -1);
    }

    void manufacturerEditionHasTheShortcutsWithoutMenuBar()
    {
        openWindow(true);
        QVERIFY(!m_window->menuBar()->isVisible());
        QTRY_VERIFY(applianceRow(25000) >= 0);
        deleteAppliance(25000);
        table("tableGeraete")->setFocus();
        QTest::keyClick(m_window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(applianceCount(25000), QString("1"));
        QTest::keyClick(m_window, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(applianceCount(25000), QString("0"));
        QTest::keyClick(m_window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(applianceCount(25000), QString("1"));
        QTest::keyClick(m_window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(applianceCount(25000), QString("0"));
        // Nothing is journaled in this edition, undo included.
        QVERIFY(TestSupport::journalLines(m_file).isEmpty());
    }

    void sidePageListFollowsTheUndo()
    {
        openWindow(false);
        action("actionBaustoffe_Datenbank")->trigger();
        QAbstractItemModel *model = table("tableBaustoffe")->model();
        QVERIFY(model);
        int row = -1;
        int column = -1;
        for (int c = 0; c < model->columnCount(); ++c)
            if (model->headerData(c, Qt::Horizontal).toString().compare("Bezeichnung", Qt::CaseInsensitive) == 0)
                column = c;
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->index(r, column).data().toString() == "Schamotte")
                row = r;
        QVERIFY(row >= 0 && column >= 0);
        QVERIFY(model->setData(model->index(row, column), "Schamotte fein", Qt::EditRole));
        QCOMPARE(action("actionRueckgaengig")->text(), QString("Rückgängig: Baustoff ändern"));
        action("actionRueckgaengig")->trigger();
        QCOMPARE(scalar(kolvexDb(), "SELECT Bezeichnung FROM Baustoffe WHERE Id=1"), QString("Schamotte"));
        model = table("tableBaustoffe")->model();
        QStringList names;
        for (int r = 0; r < model->rowCount(); ++r)
            names << model->index(r, column).data().toString();
        QVERIFY2(names.contains("Schamotte") && !names.contains("Schamotte fein"), qPrintable(names.join('|')));
    }

    void anotherDatabaseClearsTheStepsAndSaysSo()
    {
        openWindow(false);
        QVERIFY(QMetaObject::invokeMethod(table("tableGeraete")->model(), "datenLoeschen",
                                          Qt::DirectConnection, Q_ARG(QList<int>, {0})));
        QVERIFY(action("actionRueckgaengig")->isEnabled());
        QTemporaryDir other;
        const QString otherFile = TestSupport::copyDemoDatabase(other.path());
        QVERIFY(!m_window->openDataBase(otherFile).isValid());
        QVERIFY(!action("actionRueckgaengig")->isEnabled());
        QVERIFY(m_window->statusBar()->currentMessage().contains("andere Datenbank"));
        // A file that is only read offers no undo.
        QVERIFY(!m_window->openDataBase(m_file, MainWindow::ReadOnly).isValid());
        QVERIFY(!action("actionRueckgaengig")->isEnabled());
    }
};

QTEST_MAIN(TestUndoWindow)
#include "tst_undowindow.moc"
