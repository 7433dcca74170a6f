#include "combospintune.h"
#include "combospinwgt.h"
#include "doublevalidator.h"
#include "picklist.h"
#include "resources.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QtTest>

// The tuning dialog of the numeric editor.
namespace {
// The named fields of the dialog's form.
struct Form
{
    explicit Form(QDialog &d)
        : csbMin(d.findChild<combospinWgt *>("csbMin")),
          csbMax(d.findChild<combospinWgt *>("csbMax")),
          spinBoxNKS(d.findChild<QSpinBox *>("spinBoxNKS")),
          teListe(d.findChild<QPlainTextEdit *>("teListe")),
          csbStep(d.findChild<combospinWgt *>("csbStep")),
          lineEditEinheit(d.findChild<QLineEdit *>("lineEditEinheit")),
          label(d.findChild<QLabel *>("label")),
          label_3(d.findChild<QLabel *>("label_3")),
          label_4(d.findChild<QLabel *>("label_4"))
    {
    }
    combospinWgt *csbMin;
    combospinWgt *csbMax;
    QSpinBox *spinBoxNKS;
    QPlainTextEdit *teListe;
    combospinWgt *csbStep;
    QLineEdit *lineEditEinheit;
    QLabel *label;
    QLabel *label_3;
    QLabel *label_4;
};
} // namespace

class TestCombospinTune : public QObject
{
    Q_OBJECT

    // Accepts the dialog with the given list text; returns the text of the
    // error box that came up (empty when none).
    static QString acceptWithList(CombospinTune &dialog, const QString &list)
    {
        Form(dialog).teListe->setPlainText(list);
        QString message;
        QTimer closer;
        closer.setInterval(10);
        connect(&closer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                message = box->windowTitle() + "|" + box->text();
                box->close();
            }
        });
        closer.start();
        dialog.accept();
        return message;
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        initKolvexResources();
    }

    void formShowsTheEditorsTuning()
    {
        combospinWgt target;
        target.setMin(0.5);
        target.setMax(45);
        target.setMaxDecimals(2);
        target.setComboWerte("6:20:0.5;30");
        target.setSpinStep(0.1);
        target.setEinheit("%");
        CombospinTune dialog(&target);
        Form form(dialog);
        Form *ui = &form;
        QCOMPARE(dialog.windowTitle(), QString("Eingabefeld anpassen"));
        QCOMPARE(dialog.size(), QSize(406, 299));
        QCOMPARE(dialog.parentWidget(), &target);
        QCOMPARE(ui->csbMin->wert(), 0.5);
        QCOMPARE(ui->csbMax->wert(), 45.0);
        QCOMPARE(ui->spinBoxNKS->value(), 2);
        QCOMPARE(ui->spinBoxNKS->maximum(), 10);
        QCOMPARE(ui->teListe->toPlainText(), QString("6:20:0.5\n30"));
        QCOMPARE(ui->csbStep->wert(), 0.1);
        QCOMPARE(ui->lineEditEinheit->text(), QString("%"));
        QCOMPARE(ui->label->text(), QString("Minimale Wert"));
        QCOMPARE(ui->label_3->text(), QString("Maximale Nachkommastellen"));
        QVERIFY(ui->label_4->text().startsWith("Listeinträge\nZahl oder Von:Bis:Schritt\n"));
        // The dialog's own fields are plain editors.
        QCOMPARE(ui->csbStep->min(), 0.0);
        QCOMPARE(ui->csbStep->max(), 100000000.0);
        QVERIFY(ui->csbStep->settingsKey().isEmpty());
    }

    void listLinesAreCleanedAndChecked_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("cleaned");
        QTest::addColumn<bool>("valid");
        QTest::newRow("number") << "1" << "1" << true;
        QTest::newRow("range") << "2:10:2" << "2:10:2" << true;
        QTest::newRow("comma and blanks") << " 0,5 : 2 : 0,5 " << "0.5:2:0.5" << true;
        QTest::newRow("signs") << "-1:+5:0" << "-1:+5:0" << true;
        QTest::newRow("trailing point") << "3." << "3." << true;
        QTest::newRow("two pieces") << "1:5" << "1:5" << false;
        QTest::newRow("four pieces") << "1:5:1:1" << "1:5:1:1" << false;
        QTest::newRow("leading point") << ".5" << ".5" << false;
        QTest::newRow("letters") << "1:5:a" << "1:5:a" << false;
        QTest::newRow("comment") << "6 Stahlrohr" << "6Stahlrohr" << false;
        QTest::newRow("two points") << "1.2.3" << "1.2.3" << false;
    }

    void listLinesAreCleanedAndChecked()
    {
        QFETCH(QString, line);
        QFETCH(QString, cleaned);
        QFETCH(bool, valid);
        QCOMPARE(CombospinTune::cleanedListLine(line), cleaned);
        QCOMPARE(CombospinTune::isValidListLine(cleaned), valid);
    }

    void acceptSortsAndApplies()
    {
        combospinWgt target;
        CombospinTune dialog(&target);
        Form form(dialog);
        Form *ui = &form;
        ui->csbMin->setWert(1);
        ui->csbMax->setWert(300);
        ui->spinBoxNKS->setValue(3);
        ui->csbStep->setWert(0.25);
        ui->lineEditEinheit->setText("kW");
        QCOMPARE(acceptWithList(dialog, "15:40:5\n1\n\n2:10:2\n 0,5 : 2 : 0,5\n"),
                 QString());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(target.comboWerte(), QString("0.5:2:0.5;1;2:10:2;15:40:5"));
        QCOMPARE(target.min(), 1.0);
        QCOMPARE(target.max(), 300.0);
        QCOMPARE(target.maxDecimals(), 3);
        QCOMPARE(target.validator()->decimals(), 3);
        QCOMPARE(target.validator()->bottom(), 1.0);
        QCOMPARE(target.spinStep(), 0.25);
        QCOMPARE(target.einheit(), QString("kW"));
    }

    void emptyListClearsThePickList()
    {
        combospinWgt target;
        target.setComboWerte("1;2");
        CombospinTune dialog(&target);
        QCOMPARE(acceptWithList(dialog, ""), QString());
        QVERIFY(target.comboWerte().isEmpty());
    }

    void badLineKeepsTheDialogOpen_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shownAfter");
        QTest::newRow("two pieces") << "2 : 4 : 1\n1:5\n7" << "Fehler|Falsches Format '1:5'"
                                    << "2:4:1\n1:5\n7";
        QTest::newRow("leading point") << ".5" << "Fehler|Falsches Format '.5'" << ".5";
        QTest::newRow("letters") << "1\n2 cm" << "Fehler|Falsches Format '2cm'" << "1\n2cm";
        // Blanks alone are a line, not an empty one; empty lines are dropped.
        QTest::newRow("only blanks") << "1\n\n   \n2" << "Fehler|Falsches Format ''" << "1\n\n2";
    }

    void badLineKeepsTheDialogOpen()
    {
        QFETCH(QString, list);
        QFETCH(QString, message);
        QFETCH(QString, shownAfter);
        combospinWgt target;
        target.setComboWerte("9");
        target.setSpinStep(1);
        CombospinTune dialog(&target);
        Form(dialog).csbMax->setWert(50);
        Form(dialog).spinBoxNKS->setValue(1);
        Form(dialog).csbStep->setWert(5);
        QCOMPARE(acceptWithList(dialog, list), message);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(Form(dialog).teListe->toPlainText(), shownAfter);
        // Bounds and decimals are applied at once, the rest is not.
        QCOMPARE(target.max(), 50.0);
        QCOMPARE(target.maxDecimals(), 1);
        QCOMPARE(target.comboWerte(), QString("9"));
        QCOMPARE(target.spinStep(), 1.0);
        dialog.reject();
        QCOMPARE(target.max(), 50.0);
    }

    void zeroStepRangeIsAcceptedAndHarmless()
    {
        combospinWgt target;
        CombospinTune dialog(&target);
        QCOMPARE(acceptWithList(dialog, "1:5:0"), QString());
        QCOMPARE(target.comboWerte(), QString("1:5:0"));
        QCOMPARE(pickListEntries(target.comboWerte()), QStringList{"1"});
    }

    void equalFirstNumbersAllKept()
    {
        QCOMPARE(CombospinTune::sortedComboWerte({"3", "1:2:1", "1", "-2"}).split(';').size(), 4);
        QVERIFY(CombospinTune::sortedComboWerte({"3", "1:2:1", "-2"}) == "-2;1:2:1;3");
    }
};

QTEST_MAIN(TestCombospinTune)
#include "tst_combospintune.moc"
