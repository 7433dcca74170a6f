#include "appsettings.h"
#include "dbconnections.h"
#include "mainwindow.h"
#include "manufacturermodelabel.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>
#include <QtTest>

// The current ids always belong to the rows the lists show, also after a
// general filter the database refused.
class TestStaleIds : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    AppSettings *settings = nullptr;
    MainWindow *window = nullptr;

    QTableView *table(const char *name) const
    {
        return window->findChild<QTableView *>(QLatin1String(name));
    }
    static qint64 idOfCurrentRow(QTableView *view)
    {
        return view->model()->index(view->currentIndex().row(), 0).data(Qt::EditRole).toLongLong();
    }
    static int rowOf(QTableView *view, const QString &id)
    {
        for (int row = 0; row < view->model()->rowCount(); ++row)
            if (view->model()->index(row, 0).data(Qt::EditRole).toString() == id)
                return row;
        return -1;
    }
    static void closeNextMessageBox()
    {
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->accept();
            else
                closeNextMessageBox();
        });
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        settings = AppSettings::instance();
        TestSupport::resetBrowsingSettings();
        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QSqlError error = window->openDataBase(TestSupport::copyDemoDatabase(dir.path()));
        QVERIFY2(!error.isValid(), qPrintable(error.text()));
    }

    void cleanupTestCase() { delete window; }

    void failedGeneralFilterKeepsRowsAndTheirIds()
    {
        QTableView *manufacturers = table("tableHersteller");
        const int row58 = rowOf(manufacturers, "58");
        QVERIFY(row58 > 0);
        manufacturers->setCurrentIndex(manufacturers->model()->index(row58, 1));
        QTableView *appliances = table("tableGeraete");
        QVERIFY(appliances->model()->rowCount() > 2);
        appliances->setCurrentIndex(appliances->model()->index(1, 2));
        const qint64 appliance = settings->currentApplianceId;
        QCOMPARE(idOfCurrentRow(appliances), appliance);

        window->findChild<QAction *>("actionSuchleisteAnzeigen")->trigger();
        closeNextMessageBox();
        auto *filter = window->findChild<QLineEdit *>("lineEditFilterAll");
        filter->setText("x = = 3");
        QTest::keyClick(filter, Qt::Key_Return);

        QCOMPARE(settings->currentManufacturerId, 58);
        QCOMPARE(idOfCurrentRow(manufacturers), qint64(58));
        QCOMPARE(qint64(settings->currentApplianceId), appliance);
        QCOMPARE(idOfCurrentRow(appliances), appliance);
        for (int row = 0; row + 1 < appliances->model()->rowCount(); ++row)
            QCOMPARE(appliances->model()->index(row, 1).data(Qt::EditRole).toInt(), 58);
    }

    // An edit another program's lock refused leaves every list showing the
    // file's rows, while the lock is held and after it is gone.
    void listsKeepTheirRowsAfterAnEditRefusedUnderALock()
    {
        QTableView *lists[] = {table("tableHersteller"), table("tableGeraete"), table("tableAGWerte")};
        int rows[3];
        for (int i = 0; i < 3; ++i) {
            rows[i] = lists[i]->model()->rowCount();
            QVERIFY(rows[i] > 1);
        }
        QAbstractItemModel *values = lists[2]->model();
        const QModelIndex cell = values->index(0, 2);
        const QVariant before = cell.data(Qt::EditRole);
        {
            TestSupport::OtherProgram other(settings->dbFile);
            QVERIFY(other.exec("BEGIN EXCLUSIVE"));
            QVERIFY(!values->setData(cell, QStringLiteral("gesperrt"), Qt::EditRole));
            QCoreApplication::processEvents();
            for (int i = 0; i < 3; ++i)
                QCOMPARE(lists[i]->model()->rowCount(), rows[i]);
            other.exec("ROLLBACK");
        }
        QTest::qWait(400);   // the lists' rest timer
        for (int i = 0; i < 3; ++i)
            QCOMPARE(lists[i]->model()->rowCount(), rows[i]);
        QCOMPARE(values->index(0, 2).data(Qt::EditRole), before);
    }

    // A name of ten thousand characters ends in an ellipsis; the page stays usable.
    void longNamesAreElided()
    {
        QSqlQuery(kolvexDb()).exec("UPDATE Hersteller SET Name=printf('%.10000c', 'W') WHERE Id=58");
        window->findChild<QAction *>("actionSuchleisteAnzeigen")->trigger(); // off: lists re-read
        QTableView *manufacturers = table("tableHersteller");
        QCOMPARE(manufacturers->model()->index(rowOf(manufacturers, "58"), 1).data().toString().size(),
                 10000);
        const int widest = manufacturers->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 40;
        QVERIFY(manufacturers->columnWidth(1) <= widest);
        QVERIFY(manufacturers->width() <= widest + manufacturers->verticalHeader()->width() + 25);
        QCOMPARE(manufacturers->textElideMode(), Qt::ElideRight);

        // The status-bar label of the manufacturer edition shortens it too
        // and keeps the whole name in its tool tip.
        ManufacturerModeLabel label;
        const QString name(10000, QLatin1Char('W'));
        label.showManufacturer(name);
        QVERIFY(label.sizeHint().width() < widest + label.fontMetrics().horizontalAdvance(
                                                       "Hersteller:  – Änderungen ohne Journal"));
        QVERIFY(label.text().startsWith("Hersteller: WWW"));
        QVERIFY(label.toolTip().contains(name));
    }
};

QTEST_MAIN(TestStaleIds)
#include "tst_staleids.moc"
