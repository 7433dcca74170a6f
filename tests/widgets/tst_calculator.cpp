#include "button.h"
#include "calculator.h"
#include "calculatorengine.h"
#include "resources.h"
#include "testsupport.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QtTest>

// The calculator's arithmetic without a window, then the dialog through its keys.
class TestCalculator : public QObject
{
    Q_OBJECT

    // Feeds a key sequence to the engine: digits, ",", "+-*/", "=", "s" (√),
    // "q" (x²), "r" (1/x), "n" (±), "c" (C), "a" (AC), "p" (π).
    static QString run(CalculatorEngine &e, const QString &keys)
    {
        for (const QChar k : keys) {
            if (k.isDigit())
                e.digit(k.digitValue());
            else if (k == ',')
                e.point();
            else if (k == '+' || k == '-')
                e.additiveOperator(QString(k));
            else if (k == '*' || k == '/')
                e.multiplicativeOperator(QString(k));
            else if (k == '=')
                e.equal();
            else if (k == 's')
                e.unary(CalculatorEngine::Unary::SquareRoot);
            else if (k == 'q')
                e.unary(CalculatorEngine::Unary::Square);
            else if (k == 'r')
                e.unary(CalculatorEngine::Unary::Reciprocal);
            else if (k == 'n')
                e.changeSign();
            else if (k == 'c')
                e.clear();
            else if (k == 'a')
                e.clearAll();
            else if (k == 'p')
                e.pi();
        }
        return e.display();
    }

    static Button *key(Calculator &c, const QString &text)
    {
        for (Button *b : c.findChildren<Button *>())
            if (b->text() == text)
                return b;
        return nullptr;
    }

    static void press(Calculator &c, const QStringList &keys)
    {
        for (const QString &k : keys) {
            Button *b = key(c, k);
            QVERIFY2(b, qPrintable(k));
            QTest::mouseClick(b, Qt::LeftButton);
        }
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        initKolvexResources();
    }

    void startValueIsReplacedByTyping()
    {
        CalculatorEngine e(2.5);
        QCOMPARE(e.display(), QString("2.5"));
        QCOMPARE(run(e, "4"), QString("4"));
        CalculatorEngine zero;
        QCOMPARE(run(zero, "00"), QString("0"));
        QCOMPARE(run(zero, "07"), QString("7"));
    }

    void precedenceAndChains_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("display");
        QTest::newRow("2+3*4=") << "2+3*4=" << "14";
        QTest::newRow("2*3+4*5=") << "2*3+4*5=" << "26";
        QTest::newRow("10-4/2=") << "10-4/2=" << "8";
        // Only a zero divisor aborts, not a zero dividend.
        QTest::newRow("0/5=") << "0/5=" << "0";
        QTest::newRow("0/5+") << "0/5+" << "0";
        QTest::newRow("0/5+2=") << "0/5+2=" << "2";
        QTest::newRow("running sum shown") << "2+3+" << "5";
        QTest::newRow("running product shown") << "2*3*" << "6";
        QTest::newRow("decimal point") << "1,5*2=" << "3";
        QTest::newRow("second point ignored") << "1,2,5" << "1.25";
        QTest::newRow("point first") << ",5" << "0.5";
        QTest::newRow("C clears the entry only") << "2+3c4=" << "6";
        QTest::newRow("AC clears everything") << "2+3a4=" << "4";
        QTest::newRow("sign change") << "5n" << "-5";
        QTest::newRow("sign change back") << "5nn" << "5";
        QTest::newRow("zero keeps its sign") << "0n" << "0";
        QTest::newRow("square") << "12q" << "144";
        QTest::newRow("square root") << "16s" << "4";
        QTest::newRow("reciprocal") << "4r" << "0.25";
        QTest::newRow("six significant digits") << "2/3=" << "0.666667";
        QTest::newRow("large results in e-notation") << "10000q*1000=" << "1e+11";
    }

    void precedenceAndChains()
    {
        QFETCH(QString, keys);
        QFETCH(QString, display);
        CalculatorEngine e;
        QCOMPARE(run(e, keys), display);
    }

    void invalidOperationsAbort_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::newRow("8/0=") << "8/0=";
        QTest::newRow("8/0*") << "8/0*";
        QTest::newRow("8/0+") << "8/0+";
        QTest::newRow("root of -4") << "4ns";
        QTest::newRow("1/x of 0") << "0r";
    }

    void invalidOperationsAbort()
    {
        QFETCH(QString, keys);
        CalculatorEngine e;
        QCOMPARE(run(e, "1+"), QString("1"));
        QCOMPARE(run(e, keys), QString("####"));
        // The whole calculation is gone; the next digit starts afresh.
        QCOMPARE(run(e, "5"), QString("5"));
        QCOMPARE(run(e, "="), QString("5"));
    }

    void equalTwiceRepeatsNothing()
    {
        CalculatorEngine e;
        QCOMPARE(run(e, "2+3="), QString("5"));
        QCOMPARE(run(e, "="), QString("5"));
        QCOMPARE(run(e, "*2="), QString("10"));
    }

    void memoryKeys()
    {
        CalculatorEngine e;
        run(e, "2+3");
        e.setMemory();
        QCOMPARE(e.display(), QString("5"));
        QCOMPARE(e.memory(), 5.0);
        run(e, "4");
        e.addToMemory();
        QCOMPARE(e.memory(), 9.0);
        run(e, "7");
        e.readMemory();
        QCOMPARE(e.display(), QString("9"));
        QCOMPARE(run(e, "1"), QString("1"));   // MR waits for a new operand
        e.clearMemory();
        e.readMemory();
        QCOMPARE(e.display(), QString("0"));
    }

    void piKeepsTheWaitingState()
    {
        CalculatorEngine waiting;
        QCOMPARE(run(waiting, "p"), QString("3.14159"));
        QCOMPARE(run(waiting, "2"), QString("2"));
        CalculatorEngine typing;
        QCOMPARE(run(typing, "1p5"), QString("3.141595"));
        CalculatorEngine times;
        QCOMPARE(run(times, "2*p="), QString("6.28319"));   // with π, not 3.14159
    }

    void displayHoldsFifteenCharacters()
    {
        CalculatorEngine e;
        QCOMPARE(run(e, "12345678901234567890"), QString("123456789012345"));
        e.backspace();
        QCOMPARE(e.display(), QString("12345678901234"));
        CalculatorEngine one;
        run(one, "7");
        one.backspace();
        QCOMPARE(one.display(), QString("0"));
        QVERIFY(one.waitingForOperand());
    }

    void signOfAFullDisplayKeepsTheMagnitude()
    {
        CalculatorEngine e;
        run(e, "123456789012345");
        e.changeSign();
        QVERIFY(qAbs(e.displayValue() + 123456789012345.0) < 1e9);
        QCOMPARE(e.display(), QString("-123456789012345"));   // the sign takes no digit
        e.changeSign();
        QVERIFY(qAbs(e.displayValue() - 123456789012345.0) < 1e9);
        CalculatorEngine short_;
        QCOMPARE(run(short_, "12,5n"), QString("-12.5"));
    }

    // A result beyond the range of numbers (or no number at all) is an
    // invalid operation like a division by zero.
    void overflowAborts_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::newRow("squares") << "999999999999999qqqqq";
        QTest::newRow("product") << "999999999999999qqqq*999999999999999qqqq=";
        QTest::newRow("tiny stays") << "999999999999999qqqqr";
    }

    void overflowAborts()
    {
        QFETCH(QString, keys);
        CalculatorEngine e;
        const QString shown = run(e, keys);
        if (QTest::currentDataTag() == QByteArray("tiny stays")) {
            QVERIFY(qIsFinite(e.displayValue()));
            return;
        }
        QCOMPARE(shown, QString("####"));
        QCOMPARE(run(e, "0*3="), QString("0"));
    }

    void uebernehmenAfterAnAbortKeepsTheValue()
    {
        double value = 42.5;
        Calculator c(&value);
        press(c, {"8", "\u00F7", "0", "="});
        QCOMPARE(c.displayText(), QString("####"));
        QTest::mouseClick(key(c, "Übernehmen"), Qt::LeftButton);
        QCOMPARE(value, 42.5);
        QCOMPARE(c.result(), int(QDialog::Rejected));
    }

    void keysSitAtTheirGridPositions()
    {
        Calculator c(nullptr);
        QCOMPARE(c.windowTitle(), QString("Rechner"));
        QCOMPARE(c.displayText(), QString("0"));
        auto *grid = qobject_cast<QGridLayout *>(c.layout());
        QVERIFY(grid);
        QCOMPARE(grid->sizeConstraint(), QLayout::SetFixedSize);
        struct Place { QString text; int row, column, span; };
        const QList<Place> places = {
            {"0", 5, 1, 1}, {"1", 4, 1, 1}, {"5", 3, 2, 1}, {"9", 2, 3, 1},
            {",", 5, 2, 1}, {"\u03A0", 1, 2, 1}, {"\u00B1", 5, 3, 1}, {"C", 1, 3, 1},
            {"AC", 1, 4, 2}, {"Übernehmen", 1, 0, 2}, {"MC", 2, 0, 1}, {"MR", 3, 0, 1},
            {"MS", 4, 0, 1}, {"M+", 5, 0, 1}, {"\u00F7", 2, 4, 1}, {"\u00D7", 3, 4, 1},
            {"\u2212", 4, 4, 1}, {"+", 5, 4, 1}, {"\u221A", 2, 5, 1}, {"x\u00B2", 3, 5, 1},
            {"1/x", 4, 5, 1}, {"=", 5, 5, 1}};
        for (const Place &p : places) {
            Button *b = key(c, p.text);
            QVERIFY2(b, qPrintable(p.text));
            int row, column, rowSpan, columnSpan;
            grid->getItemPosition(grid->indexOf(b), &row, &column, &rowSpan, &columnSpan);
            QCOMPARE(row, p.row);
            QCOMPARE(column, p.column);
            QCOMPARE(columnSpan, p.span);
        }
        QCOMPARE(c.findChildren<Button *>().size(), 28);
        QCOMPARE(key(c, "C")->palette().color(QPalette::Button), QColor(225, 185, 135));
        QCOMPARE(key(c, "AC")->palette().color(QPalette::Button),
                 QColor(225, 185, 135).lighter(120));
        QCOMPARE(key(c, "MS")->palette().color(QPalette::Window), QColor(100, 155, 155));
        QCOMPARE(key(c, "=")->palette().color(QPalette::Button),
                 QColor(155, 175, 195).lighter(120));
        const QSize hint = key(c, "7")->sizeHint();
        QVERIFY(hint.width() >= hint.height());
    }

    void keysComputeInTheDialog()
    {
        Calculator c(nullptr);
        press(c, {"2", "+", "3", "\u00D7", "4", "="});
        QCOMPARE(c.displayText(), QString("14"));
        press(c, {"8", "\u00F7", "0", "="});
        QCOMPARE(c.displayText(), QString("####"));
        press(c, {"9", "\u221A", "\u2212", "1", ",", "5", "="});
        QCOMPARE(c.displayText(), QString("1.5"));
        press(c, {"\u03A0"});
        QCOMPARE(c.displayText(), QString("3.14159"));
    }

    void shortcutsClickTheKeys()
    {
        Calculator c(nullptr);
        c.show();
        c.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&c));
        QTest::keyClick(&c, Qt::Key_2);
        QTRY_COMPARE(c.displayText(), QString("2"));
        QTest::keyClick(&c, Qt::Key_Plus);
        QTest::keyClick(&c, Qt::Key_3);
        QTRY_COMPARE(c.displayText(), QString("3"));
        QTest::keyClick(&c, Qt::Key_Asterisk);
        QTest::keyClick(&c, Qt::Key_4);
        QTRY_COMPARE(c.displayText(), QString("4"));
        QTest::keyClick(&c, Qt::Key_Enter);
        QTRY_COMPARE(c.displayText(), QString("14"));
        QTest::keyClick(&c, Qt::Key_W);
        QTRY_COMPARE(c.displayText(), QString("3.74166"));
        QTest::keyClick(&c, Qt::Key_A);
        QTRY_COMPARE(c.displayText(), QString("0"));
    }

    void uebernehmenHandsTheNumberBack()
    {
        double value = 1e7;
        Calculator c(&value);
        QCOMPARE(c.displayText(), QString("1e+07"));
        value = 0;
        QTest::mouseClick(key(c, "Übernehmen"), Qt::LeftButton);
        QCOMPARE(c.result(), int(QDialog::Accepted));
        QCOMPARE(value, 10000000.0);

        double kept = 2.5;
        Calculator closed(&kept);
        press(closed, {"7"});
        closed.reject();
        QCOMPARE(kept, 2.5);

        Calculator noTarget(nullptr);
        QTest::mouseClick(key(noTarget, "Übernehmen"), Qt::LeftButton);
        QCOMPARE(noTarget.result(), int(QDialog::Accepted));
    }

    void displaySwallowsPressesAndInverts()
    {
        Calculator c(nullptr);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        auto *display = c.findChild<QLineEdit *>();
        const QColor base = display->palette().color(QPalette::Base);
        const QColor text = display->palette().color(QPalette::Text);
        QTest::mousePress(display, Qt::LeftButton);
        QCOMPARE(display->palette().color(QPalette::Base), text);
        QCOMPARE(display->palette().color(QPalette::Text), base);
        QTest::mouseRelease(display, Qt::LeftButton);
        QCOMPARE(display->palette().color(QPalette::Base), base);
        QTest::mouseDClick(display, Qt::LeftButton);
        QVERIFY(!display->hasSelectedText());
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(2, 2));
        QVERIFY(QCoreApplication::sendEvent(display, &menu));
        QCOMPARE(display->palette().color(QPalette::Base), base);
    }

    // ---------------------------------------------------------- every digit kept

    void signGoesInFrontOfTheExactDigits()
    {
        Calculator c(nullptr);
        QStringList digits;
        for (const QChar d : QString("123456789012345"))
            digits << QString(d);
        press(c, digits);
        press(c, {"\u00B1"});
        QCOMPARE(c.displayText(), QString("-123456789012345"));
        press(c, {"6"});   // the line is full
        QCOMPARE(c.displayText(), QString("-123456789012345"));
        press(c, {"\u00B1"});
        QCOMPARE(c.displayText(), QString("123456789012345"));

        CalculatorEngine shown(123456789012345.0);
        QCOMPARE(run(shown, "n"), QString("-1.23457e+14"));
        QCOMPARE(shown.displayValue(), -123456789012345.0);
    }

    void uebernehmenHandsBackTheExactStartValue_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1234.567") << 1234.567 << "1234.57";
        QTest::newRow("1234567") << 1234567.0 << "1.23457e+06";
        QTest::newRow("15 digits") << 123456789012345.0 << "1.23457e+14";
        QTest::newRow("0.1 + 0.2") << 0.1 + 0.2 << "0.3";
    }

    void uebernehmenHandsBackTheExactStartValue()
    {
        QFETCH(double, start);
        QFETCH(QString, shown);
        double value = start;
        Calculator c(&value);
        QCOMPARE(c.displayText(), shown);
        value = 0;
        QTest::mouseClick(key(c, "Übernehmen"), Qt::LeftButton);
        QVERIFY2(value == start, qPrintable(QString::number(value, 'g', 17)));
    }

    void resultsKeepTheirDigits()
    {
        CalculatorEngine e;
        QCOMPARE(run(e, "1/3*3="), QString("1"));
        QCOMPARE(e.displayValue(), 1.0);
        CalculatorEngine start(1234.567);
        QCOMPARE(run(start, "*2="), QString("2469.13"));
        QCOMPARE(start.displayValue(), 2469.134);
    }
};

QTEST_MAIN(TestCalculator)
#include "tst_calculator.moc"
