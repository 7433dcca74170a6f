#include "appsettings.h"
#include "dbconnections.h"
#include "editablesqlquerymodel.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QSqlQuery>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

// The group tree inside the main window on a fresh demo copy: what the lists
// mark and offer while groups are shown and after they are put away.
class TestGroupsInWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    MainWindow *m_window = nullptr;

    template <typename T> T *child(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }

    static int rowWithText(const QAbstractItemModel *model, int column, const QString &text)
    {
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, column).data().toString() == text)
                return row;
        }
        return -1;
    }

    // Rows of a list that are marked as members of the current group.
    static int markedRows(const QAbstractItemModel *model)
    {
        int marked = 0;
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 2).data(EditableSqlQueryModel::GroupMemberRole).toBool())
                ++marked;
        }
        return marked;
    }

    static bool offersGroupRemoval(const QAbstractItemModel *model)
    {
        for (int row = 0; row < model->rowCount(); ++row) {
            const QStringList actions =
                model->index(row, 0).data(EditableSqlQueryModel::ContextActionsRole).toStringList();
            if (!actions.isEmpty() && actions.first().startsWith("Von der Gruppe entfernen"))
                return true;
        }
        return false;
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        TestSupport::closeAllConnections();
        m_dir = new QTemporaryDir;
        TestSupport::resetBrowsingSettings();
        m_window = new MainWindow;
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        const QSqlError error = m_window->openDataBase(TestSupport::copyDemoDatabase(m_dir->path()));
        QVERIFY2(!error.isValid(), qPrintable(error.text()));
    }

    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void closingTheGroupsEndsTheMarking()
    {
        auto *manufacturers = child<QTableView>("tableHersteller");
        const int kaminwerk = rowWithText(manufacturers->model(), 1, "Kaminwerk Nordheim");
        QVERIFY(kaminwerk >= 0);
        manufacturers->setCurrentIndex(manufacturers->model()->index(kaminwerk, 1));
        auto *showGroups = child<QToolButton>("toolButtonShowGruppen");
        showGroups->click();
        auto *groups = child<QTreeView>("gruppenView");
        const int series = rowWithText(groups->model(), 0, "Nordlicht Serie");
        groups->setCurrentIndex(groups->model()->index(series, 0));
        QVERIFY(!m_window->currentGroupText().isEmpty());
        QAbstractItemModel *appliances = child<QTableView>("tableGeraete")->model();
        QVERIFY(markedRows(appliances) > 0);

        // Put away, no group is chosen any more: nothing stays marked, and no
        // list offers to take a value set out of a group that cannot take
        // the change.
        showGroups->click();
        QVERIFY(!groups->isVisible());
        QVERIFY(m_window->currentGroupText().isEmpty());
        QCOMPARE(markedRows(appliances), 0);
        QAbstractItemModel *values = child<QTableView>("tableAGWerte")->model();
        for (int row = 0; row + 1 < appliances->rowCount(); ++row) {
            child<QTableView>("tableGeraete")->setCurrentIndex(appliances->index(row, 2));
            QVERIFY(!offersGroupRemoval(values));
        }
        showGroups->click();
        QVERIFY(!groups->currentIndex().isValid());
    }

    void listsShowTheStoredMembersWhenAGroupChangeFails()
    {
        auto *manufacturers = child<QTableView>("tableHersteller");
        manufacturers->setCurrentIndex(manufacturers->model()->index(
            rowWithText(manufacturers->model(), 1, "Kaminwerk Nordheim"), 1));
        child<QToolButton>("toolButtonShowGruppen")->click();
        auto *groups = child<QTreeView>("gruppenView");
        groups->setCurrentIndex(
            groups->model()->index(rowWithText(groups->model(), 0, "Nordlicht Serie"), 0));
        auto *applianceView = child<QTableView>("tableGeraete");
        applianceView->setCurrentIndex(
            applianceView->model()->index(rowWithText(applianceView->model(), 0, "25000"), 2));
        QAbstractItemModel *values = child<QTableView>("tableAGWerte")->model();
        const int member = rowWithText(values, 0, "70001");
        QVERIFY(member >= 0);
        QVERIFY(values->index(member, 2).data(EditableSqlQueryModel::GroupMemberRole).toBool());

        QSqlQuery(kolvexDb()).exec("CREATE TRIGGER sperre BEFORE DELETE ON gruppen "
                                   "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END");
        QVERIFY(QMetaObject::invokeMethod(values, "removeFromGroup", Q_ARG(QList<int>, {member})));
        QCOMPARE(TestSupport::scalar(kolvexDb(), "SELECT count(*) FROM gruppen WHERE "
                                                 "BEZEICHNUNG='Nordlicht Serie' AND werteid=70001"),
                 QString("1"));
        // The group still holds the value set, and so do the marks.
        QVERIFY(values->index(member, 2).data(EditableSqlQueryModel::GroupMemberRole).toBool());
        QVERIFY(m_window->currentGroupText().split('#').contains("70001"));

        QSqlQuery(kolvexDb()).exec("DROP TRIGGER sperre");
        QVERIFY(QMetaObject::invokeMethod(values, "removeFromGroup", Q_ARG(QList<int>, {member})));
        QCOMPARE(TestSupport::scalar(kolvexDb(), "SELECT count(*) FROM gruppen WHERE "
                                                 "BEZEICHNUNG='Nordlicht Serie' AND werteid=70001"),
                 QString("0"));
        QVERIFY(!values->index(member, 2).data(EditableSqlQueryModel::GroupMemberRole).toBool());
        QVERIFY(!m_window->currentGroupText().split('#').contains("70001"));
    }
};

QTEST_MAIN(TestGroupsInWindow)
#include "tst_groupsinwindow.moc"
