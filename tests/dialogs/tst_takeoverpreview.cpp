#include "appsettings.h"
#include "manufacturertakeover.h"
#include "takeoverpreview.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTreeWidget>
#include <QtTest>

// The preview of a take-over on a real comparison of demo files: lines
// grouped by appliance, ticks as the comparison chose them, the summary,
// the remembered size.
class TestTakeOverPreview : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        AppSettings::instance()->manufacturerMode = false;
    }

    void showsTheLinesGroupedAndTicked()
    {
        const QString main = TestSupport::copyDemoDatabase(m_dir.path());
        const QString returned = m_dir.path() + "/returned.glo";
        QVERIFY(QFile::copy(main, returned));
        TestSupport::runSqlite3(returned,
                                "INSERT INTO Werte (WerteId,Geraet,Bemerkung,TW) VALUES (70014,25000,'Neu',1);\n"
                                "UPDATE Werte SET TW=240.5, PW=11 WHERE WerteId=70001;\n"
                                "DELETE FROM Werte WHERE WerteId=70011;\n");
        TestSupport::openKolvex(main);
        ManufacturerTakeOver takeOver(58, returned);
        QVERIFY(takeOver.compare());
        QCOMPARE(takeOver.changes().size(), 3);

        TakeOverPreview preview("Kaminwerk_Nordheim", takeOver.changes(), takeOver.notes(), false);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        auto *tree = preview.findChild<QTreeWidget *>("treeChanges");
        QCOMPARE(tree->topLevelItemCount(), 2); // appliances 25000 and 25004
        QCOMPARE(tree->topLevelItem(0)->childCount(), 2);
        const QString changedText = tree->topLevelItem(0)->child(0)->text(2)
                                    + tree->topLevelItem(0)->child(1)->text(2);
        QVERIFY2(changedText.contains("TW: 356.9 → 240.5"), qPrintable(changedText));
        // The deletion of a two-way comparison is unticked.
        QVERIFY(preview.chosen(0) || preview.chosen(1));
        const int deletion = takeOver.changes().at(2).kind == ManufacturerTakeOver::Deleted ? 2 : -1;
        QVERIFY(deletion >= 0);
        QVERIFY(!preview.chosen(deletion));
        auto *summary = preview.findChild<QLabel *>("labelSummary");
        QVERIFY2(summary->text().contains("1 neu, 1 geändert, 1 gelöscht, 0 Konflikte – 2 von 3"),
                 qPrintable(summary->text()));
        tree->topLevelItem(1)->child(0)->setCheckState(0, Qt::Checked);
        QVERIFY(preview.chosen(deletion));
        QVERIFY(summary->text().contains("3 von 3"));

        if (!qEnvironmentVariableIsEmpty("KOLVEX_SHOT"))
            preview.grab().save(qEnvironmentVariable("KOLVEX_SHOT"));
        preview.resize(777, 444);
        preview.reject();
        QCOMPARE(QSettings().value("TakeOverPreview/size").toSize(), QSize(777, 444));
        TakeOverPreview again("x", takeOver.changes(), {}, false);
        QCOMPARE(again.size(), QSize(777, 444));
        TestSupport::closeAllConnections();
    }
};

QTEST_MAIN(TestTakeOverPreview)
#include "tst_takeoverpreview.moc"
