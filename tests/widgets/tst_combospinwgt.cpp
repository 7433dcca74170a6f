#include "calculator.h"
#include "button.h"
#include "combospinwgt.h"
#include "combospintune.h"
#include "doublevalidator.h"
#include "editornote.h"
#include "numberedit.h"
#include "resources.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>

namespace {

// Runs action on the first modal dialog or pop-up that opens next.
void whenModalOpens(std::function<void(QWidget *)> action)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget *w = QApplication::activePopupWidget();
        if (!w)
            w = QApplication::activeModalWidget();
        if (!w)
            return;
        timer->stop();
        timer->deleteLater();
        action(w);
    });
    timer->start();
}

void clickCalculatorKeys(QWidget *w, const QStringList &keys)
{
    for (const QString &k : keys)
        for (Button *b : w->findChildren<Button *>())
            if (b->text() == k)
                b->click();
}

} // namespace

// A window with a numeric editor between two plain fields, so that the
// focus can leave the editor.
struct EditorWindow
{
    QWidget window;
    QLineEdit *before;
    combospinWgt *editor;
    QLineEdit *after;

    explicit EditorWindow(int topSpace = 0)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addSpacing(topSpace);
        before = new QLineEdit(&window);
        editor = new combospinWgt(&window);
        after = new QLineEdit(&window);
        layout->addWidget(before);
        layout->addWidget(editor);
        layout->addWidget(after);
        layout->addStretch();
        window.resize(300, 400);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    numberEdit *field() const { return editor->lineEdit(); }
    QToolButton *button(const char *name) const
    {
        return editor->findChild<QToolButton *>(name);
    }
    void enter() { editor->lineEdit()->setFocus(Qt::OtherFocusReason); }
    void leave() { after->setFocus(Qt::TabFocusReason); }
};

class TestCombospinWgt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        initKolvexResources();
    }

    void init()
    {
        QSettings().remove("Combospins");
    }

    void constructionDefaults()
    {
        combospinWgt w;
        QCOMPARE(w.wert(), 0.0);
        QCOMPARE(w.min(), 0.0);
        QCOMPARE(w.max(), 100000000.0);
        QCOMPARE(w.maxDecimals(), 10);
        QCOMPARE(w.spinStep(), 0.0);
        QVERIFY(w.comboWerte().isEmpty());
        QVERIFY(!w.readOnly());
        QCOMPARE(w.focusPolicy(), Qt::WheelFocus);
        QCOMPARE(w.focusProxy(), static_cast<QWidget *>(w.lineEdit()));
        QCOMPARE(w.lineEdit()->alignment() & Qt::AlignRight, Qt::AlignRight);
        QCOMPARE(w.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        for (const char *name : {"listButton", "upButton", "downButton", "rechnerButton"}) {
            auto *b = w.findChild<QToolButton *>(name);
            QVERIFY2(b, name);
            QVERIFY(b->isHidden());
            QCOMPARE(b->focusPolicy(), Qt::NoFocus);
        }
        QCOMPARE(w.findChild<QToolButton *>("listButton")->width(), 14);
        QCOMPARE(w.findChild<QToolButton *>("upButton")->width(), 16);
        QVERIFY(w.findChild<QLabel *>("einheitLabel")->isHidden());
        auto *validator = w.validator();
        QCOMPARE(w.lineEdit()->validator(), validator);
        QCOMPARE(validator->bottom(), 0.0);
        QCOMPARE(validator->top(), 100000000.0);
        QCOMPARE(validator->decimals(), 10);

        const QFontMetrics fm(w.lineEdit()->font());
        QCOMPARE(w.lineEdit()->sizeHint().width(), fm.horizontalAdvance("999999.99") + 10);
        QCOMPARE(w.lineEdit()->minimumSizeHint(), w.lineEdit()->sizeHint());
        QCOMPARE(w.minimumSizeHint().width(), w.lineEdit()->sizeHint().width() + 70);
        QCOMPARE(w.sizeHint(), w.minimumSizeHint());
    }

    void propertiesReachTheValidator()
    {
        combospinWgt w;
        w.setProperty("min", 0.5);
        w.setProperty("max", 20.0);
        w.setProperty("maxDecimals", 2);
        w.setProperty("spinStep", 0.25);
        QCOMPARE(w.validator()->bottom(), 0.5);
        QCOMPARE(w.validator()->top(), 20.0);
        QCOMPARE(w.validator()->decimals(), 2);
        QCOMPARE(w.spinStep(), 0.25);
        w.setWert(3.14159);   // a value set from outside keeps all its decimals
        QCOMPARE(w.lineEdit()->text(), QString("3.14159"));
        QCOMPARE(w.wert(), 3.14159);
    }

    void validatorTurnsCommaIntoPoint()
    {
        DoubleValidator v(0, 1500, 2);
        QString text = "0,2";
        int pos = 3;
        QCOMPARE(v.validate(text, pos), QValidator::Acceptable);
        QCOMPARE(text, QString("0.2"));
        text = "-1";
        QCOMPARE(v.validate(text, pos), QValidator::Invalid);
        text = "";
        QVERIFY(v.validate(text, pos) != QValidator::Invalid);
    }

    void unitLabelRules()
    {
        combospinWgt w;
        auto *label = w.findChild<QLabel *>("einheitLabel");
        w.setEinheit("°C");
        QCOMPARE(label->text(), QString(" °C"));
        QVERIFY(!label->isHidden());
        QVERIFY(label->minimumWidth() >= 40);
        w.setEinheit("m³/h Frischluftstrom");
        QCOMPARE(label->minimumWidth(),
                 w.fontMetrics().horizontalAdvance(" m³/h Frischluftstrom") + 4);
        w.setShowEinheit(false);
        QVERIFY(label->isHidden());
        w.setShowEinheit(true);
        QVERIFY(!label->isHidden());
        w.setEinheit("");
        QVERIFY(label->text().isEmpty());
        QVERIFY(label->isHidden());
        w.setEinheit("#");
        QCOMPARE(label->minimumWidth(), 40);
        QVERIFY(!label->isHidden());
        QVERIFY(label->text().isEmpty());
    }

    void typedValueBelowMinShowsNote()
    {
        EditorWindow t;
        t.editor->setMin(0.5);
        t.editor->setWert(3);
        QSignalSpy changed(t.editor, &combospinWgt::wertChanged);
        QSignalSpy lost(t.editor, &combospinWgt::focusLost);
        t.enter();
        QTest::keyClicks(t.field(), "0,2");
        QCOMPARE(t.field()->text(), QString("0.2"));
        QCOMPARE(t.editor->wert(), 0.2);
        t.leave();
        QCOMPARE(t.field()->text(), QString("min  0.5"));
        QCOMPARE(t.field()->palette().color(QPalette::Base), QColor(Qt::red));
        QCOMPARE(t.field()->palette().color(QPalette::Inactive, QPalette::Base), QColor(Qt::red));
        QCOMPARE(t.editor->wert(), 0.5);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toDouble(), 0.5);
        QCOMPARE(lost.count(), 1);
        QVERIFY(!t.button("downButton")->isEnabled());
        t.enter();
        QCOMPARE(t.field()->text(), QString("0.5"));
        QVERIFY(t.field()->palette().color(QPalette::Base) != QColor(Qt::red));
    }

    void typedValueAboveMaxAndEmptyField()
    {
        EditorWindow t;
        t.editor->setMax(1500);
        t.editor->setMaxDecimals(1);
        t.enter();
        QTest::keyClicks(t.field(), "2000");
        t.leave();
        QCOMPARE(t.field()->text(), QString("max 1500"));
        QCOMPARE(t.editor->wert(), 1500.0);
        QVERIFY(!t.button("upButton")->isEnabled());

        t.editor->setMin(1);
        t.enter();
        QTest::keyClick(t.field(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(t.field(), Qt::Key_Backspace);
        t.leave();
        QCOMPARE(t.field()->text(), QString("min  1"));
        QCOMPARE(t.editor->wert(), 1.0);

        t.editor->setMin(0);
        t.enter();
        QTest::keyClick(t.field(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(t.field(), Qt::Key_Backspace);
        t.leave();
        QCOMPARE(t.field()->text(), QString("0"));

        // Typed text is cut to the decimals at the end of the edit.
        t.editor->setMaxDecimals(2);
        t.enter();
        QTest::keyClicks(t.field(), "1.50");
        t.leave();
        QCOMPARE(t.field()->text(), QString("1.5"));
    }

    void leavingWithoutTypingKeepsTheText()
    {
        EditorWindow t;
        t.editor->setMin(5);
        t.editor->setWert(2);   // set from outside: not clamped
        QSignalSpy changed(t.editor, &combospinWgt::wertChanged);
        t.enter();
        t.leave();
        QCOMPARE(t.field()->text(), QString("2"));
        QCOMPARE(changed.count(), 0);
    }

    void buttonsAppearOnEntering()
    {
        EditorWindow t;
        t.editor->setSpinStep(0.5);
        t.enter();
        QVERIFY(t.button("listButton")->isHidden());
        QVERIFY(t.button("upButton")->isVisible());
        QVERIFY(t.button("downButton")->isVisible());
        QVERIFY(t.button("rechnerButton")->isHidden());
        QTest::keyClicks(t.field(), "3");
        QVERIFY(t.button("upButton")->isHidden());
        t.leave();
        t.editor->setComboWerte("1;2");
        QTest::mouseClick(t.field(), Qt::LeftButton);
        QVERIFY(t.button("listButton")->isVisible());
        QVERIFY(t.field()->hasSelectedText());
        t.leave();
        QVERIFY(t.button("listButton")->isHidden());
    }

    void spinStepsRoundToEvenAndStopAtMax()
    {
        EditorWindow t;
        t.editor->setSpinStep(0.5);
        t.editor->setMax(3.5);
        t.editor->setWert(2.25);
        QSignalSpy changed(t.editor, &combospinWgt::wertChanged);
        t.enter();
        QTest::keyClick(t.field(), Qt::Key_Up);
        QTRY_COMPARE(t.field()->text(), QString("2.8"));
        QCOMPARE(t.editor->wert(), 2.8);
        QCOMPARE(changed.count(), 1);
        QVERIFY(t.field()->hasSelectedText());
        QTest::keyClick(t.field(), Qt::Key_Up);
        QTRY_COMPARE(t.field()->text(), QString("3.3"));
        QTest::keyClick(t.field(), Qt::Key_Up);
        QTRY_COMPARE(t.field()->text(), QString("3.5"));
        QTRY_VERIFY(!t.button("upButton")->isEnabled());
        const int clicks = changed.count();
        QWheelEvent up(QPointF(5, 5), QPointF(t.field()->mapToGlobal(QPoint(5, 5))), QPoint(),
                       QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(t.field(), &up);
        QCOMPARE(changed.count(), clicks);
        QCOMPARE(t.field()->text(), QString("3.5"));
        QWheelEvent down(QPointF(5, 5), QPointF(t.field()->mapToGlobal(QPoint(5, 5))), QPoint(),
                         QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                         false);
        QCoreApplication::sendEvent(t.field(), &down);
        QCOMPARE(t.field()->text(), QString("3.0"));
        QVERIFY(t.button("upButton")->isEnabled());
    }

    void tinyAndHugeStepsSpinByTheirOwnSize()
    {
        EditorWindow t;
        t.editor->setMaxDecimals(5);
        t.editor->setSpinStep(0.00001);
        t.editor->setWert(0.5);
        t.enter();
        t.button("upButton")->click();
        QCOMPARE(t.field()->text(), QString("0.50001"));
        QCOMPARE(t.editor->wert(), 0.50001);
        t.editor->setSpinStep(1500000);
        t.editor->setWert(3000000);
        t.button("downButton")->click();
        QCOMPARE(t.field()->text(), QString("1500000"));
    }

    void spinDownStopsAtMin()
    {
        EditorWindow t;
        t.editor->setSpinStep(1);
        t.editor->setMin(1);
        t.editor->setWert(2.4);
        t.enter();
        t.button("downButton")->click();
        QCOMPARE(t.field()->text(), QString("1"));
        QVERIFY(!t.button("downButton")->isEnabled());
        t.button("downButton")->click();
        QCOMPARE(t.editor->wert(), 1.0);
        // Typing again frees the buttons.
        QTest::keyClick(t.field(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(t.field(), "5");
        QVERIFY(t.button("downButton")->isEnabled());
        t.button("downButton")->click();
        QCOMPARE(t.field()->text(), QString("4"));
    }

    void spinFromTheClampNote()
    {
        EditorWindow t;
        t.editor->setSpinStep(0.5);
        t.editor->setMin(2);
        t.enter();
        QTest::keyClicks(t.field(), "1");
        t.leave();
        QCOMPARE(t.field()->text(), QString("min  2"));
        t.field()->setFocus(Qt::TabFocusReason);   // no buttons, note stays
        QCOMPARE(t.field()->text(), QString("min  2"));
        QTest::keyClick(t.field(), Qt::Key_Up);
        QTRY_COMPARE(t.field()->text(), QString("2.5"));
    }

    void escapeRestoresTheValueSetFromOutside()
    {
        EditorWindow t;
        t.editor->setWert(7.5);
        QSignalSpy changed(t.editor, &combospinWgt::wertChanged);
        t.enter();
        QTest::keyClicks(t.field(), "12");
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(t.field(), &escape);
        QVERIFY(!escape.isAccepted());
        QCOMPARE(t.field()->text(), QString("7.5"));
        QCOMPARE(t.editor->wert(), 7.5);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toDouble(), 7.5);
        t.leave();
        QCOMPARE(t.field()->text(), QString("7.5"));
    }

    void pickListOpensBelowAndTakesAnEntry()
    {
        EditorWindow t;
        t.editor->setComboWerte("1:3:0.5;6 Stahlrohr");
        t.editor->setSpinStep(1);
        QSignalSpy changed(t.editor, &combospinWgt::wertChanged);
        t.enter();
        QTest::keyClick(t.field(), Qt::Key_Space);
        QTRY_VERIFY(t.editor->pickList() && t.editor->pickList()->isVisible());
        QListWidget *list = t.editor->pickList();
        QCOMPARE(list->parentWidget(), &t.window);
        QCOMPARE(list->count(), 6);
        QCOMPARE(list->item(5)->text(), QString("6 Stahlrohr"));
        QVERIFY(t.field()->text().isEmpty());   // the blank is never typed
        const QPoint editorPos = t.editor->mapTo(&t.window, QPoint(0, 0));
        const int wanted = qMin(200, 6 * list->fontMetrics().height() + list->spacing());
        QCOMPARE(list->geometry(), QRect(editorPos.x(), editorPos.y() + t.editor->height(),
                                         t.editor->width(), wanted));
        QVERIFY(list->selectedItems().isEmpty());

        QTest::keyClick(t.field(), Qt::Key_Down);
        QTest::keyClick(t.field(), Qt::Key_Down);
        QVERIFY(!list->selectedItems().isEmpty());
        const QString chosen = list->currentItem()->text();
        QTest::keyClick(t.field(), Qt::Key_Return);
        QVERIFY(!list->isVisible());
        QCOMPARE(t.field()->text(), chosen);
        QCOMPARE(t.editor->wert(), chosen.toDouble());
        QCOMPARE(changed.count(), 1);

        // The same list comes back; an entry with a comment sets the number alone.
        QTest::keyClick(t.field(), Qt::Key_Space);
        QTRY_VERIFY(list->isVisible());
        QCOMPARE(t.editor->pickList(), list);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(5)).center());
        QVERIFY(!list->isVisible());
        QCOMPARE(t.field()->text(), QString("6"));
        QCOMPARE(t.editor->wert(), 6.0);
        QVERIFY(t.field()->hasFocus());
    }

    void pickListEntriesAreNotClamped()
    {
        EditorWindow t;
        t.editor->setComboWerte("0.1;500");
        t.editor->setMin(1);
        t.editor->setMax(100);
        t.enter();
        QMetaObject::invokeMethod(t.editor, "cb_clicked");
        QListWidget *list = t.editor->pickList();
        QVERIFY(list && list->isVisible());
        list->setCurrentRow(1);
        QTest::keyClick(t.field(), Qt::Key_Enter);
        QCOMPARE(t.editor->wert(), 500.0);
        QCOMPARE(t.field()->text(), QString("500"));
    }

    void pickListPlacement()
    {
        // Near the bottom of the window: the list opens above the editor.
        EditorWindow low(330);
        low.editor->setComboWerte("1:20:1");
        low.enter();
        QMetaObject::invokeMethod(low.editor, "cb_clicked");
        QListWidget *list = low.editor->pickList();
        const int y = low.editor->mapTo(&low.window, QPoint(0, 0)).y();
        const int wanted = qMin(200, 20 * list->fontMetrics().height() + list->spacing());
        QVERIFY(400 - y - low.editor->height() <= wanted);
        QCOMPARE(list->geometry().top(), y - wanted);
        QCOMPARE(list->height(), wanted);
        // A second click hides it.
        QMetaObject::invokeMethod(low.editor, "cb_clicked");
        QVERIFY(!list->isVisible());

        // Room neither below nor above: the larger side, here the top part.
        EditorWindow middle(150);
        middle.window.resize(300, 260);
        QTest::qWait(0);
        middle.editor->setComboWerte("1:200:1");
        middle.enter();
        QMetaObject::invokeMethod(middle.editor, "cb_clicked");
        list = middle.editor->pickList();
        const QPoint mpos = middle.editor->mapTo(&middle.window, QPoint(0, 0));
        const int my = mpos.y();
        QVERIFY(my < 200);
        QVERIFY(my >= 260 - my - middle.editor->height());
        QCOMPARE(list->geometry(), QRect(mpos.x(), 0, middle.editor->width(), my));
    }

    void pickListHidesOnResizeAndSettingNewValues()
    {
        EditorWindow t;
        t.editor->setComboWerte("1;2;3");
        t.enter();
        QMetaObject::invokeMethod(t.editor, "cb_clicked");
        QListWidget *list = t.editor->pickList();
        QVERIFY(list->isVisible());
        t.editor->resize(t.editor->width() + 10, t.editor->height());
        QVERIFY(!list->isVisible());
        t.editor->setComboWerte("4:6:1;9");
        QMetaObject::invokeMethod(t.editor, "cb_clicked");
        QCOMPARE(t.editor->pickList(), list);
        QCOMPARE(list->count(), 4);
        QVERIFY(list->isVisible());
        t.editor->setComboWerte("8");
        QVERIFY(!list->isVisible());
    }

    void emptyOrZeroStepPickLists()
    {
        EditorWindow t;
        t.enter();
        QTest::keyClick(t.field(), Qt::Key_Space);
        QTest::qWait(150);
        QVERIFY(!t.editor->pickList());
        QVERIFY(t.field()->text().isEmpty());
        t.editor->setComboWerte("1:5:0;5:1:0");
        QMetaObject::invokeMethod(t.editor, "cb_clicked");
        QVERIFY(t.editor->pickList());
        QCOMPARE(t.editor->pickList()->count(), 1);
        QCOMPARE(t.editor->pickList()->item(0)->text(), QString("1"));
    }

    void pickListDiesWithItsEditor()
    {
        EditorWindow t;
        auto *other = new combospinWgt(&t.window);
        other->setComboWerte("1;2");
        other->show();
        other->lineEdit()->setFocus(Qt::OtherFocusReason);
        QMetaObject::invokeMethod(other, "cb_clicked");
        QPointer<QListWidget> list = other->pickList();
        QVERIFY(list);
        delete other;
        QTRY_VERIFY(!list);
    }

    void functionKeysAndReadOnly()
    {
        EditorWindow t;
        QSignalSpy fkeys(t.editor, &combospinWgt::FKeySignal);
        t.enter();
        QTest::keyClick(t.field(), Qt::Key_F7);
        QCOMPARE(fkeys.count(), 1);
        QCOMPARE(fkeys.first().first().toInt(), int(Qt::Key_F7));

        t.editor->setWert(4);
        t.editor->disable();
        QVERIFY(t.editor->readOnly());
        QCOMPARE(t.editor->focusPolicy(), Qt::NoFocus);
        QCOMPARE(t.field()->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Window));
        QKeyEvent digit(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5");
        QCoreApplication::sendEvent(t.field(), &digit);
        QVERIFY(!digit.isAccepted());
        QCOMPARE(t.field()->text(), QString("4"));
        QSignalSpy changed(t.editor, &combospinWgt::wertChanged);
        t.leave();
        QCOMPARE(changed.count(), 0);

        t.editor->SetEnabled(true);
        QVERIFY(!t.editor->readOnly());
        QCOMPARE(t.field()->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Base));
        QCOMPARE(t.editor->focusPolicy(), Qt::WheelFocus);
        t.editor->setProperty("readOnly", true);
        QVERIFY(t.field()->isReadOnly());
        t.editor->metaObject()->property(t.editor->metaObject()->indexOfProperty("readOnly"))
            .reset(t.editor);
        QVERIFY(!t.field()->isReadOnly());

        t.editor->clear();
        QVERIFY(t.field()->text().isEmpty());
        QCOMPARE(t.editor->wert(), 0.0);
    }

    void calculatorResultIsTakenUnclamped()
    {
        EditorWindow t;
        t.editor->setMax(10);
        t.editor->setWert(2.5);
        QSignalSpy changed(t.editor, &combospinWgt::wertChanged);
        t.enter();
        QString startDisplay;
        whenModalOpens([&](QWidget *w) {
            auto *calc = qobject_cast<Calculator *>(w);
            QVERIFY(calc);
            startDisplay = calc->displayText();
            clickCalculatorKeys(calc, {"×", "1", "0", "=", "Übernehmen"});
        });
        QTest::keyClick(t.field(), Qt::Key_Equal);
        QCOMPARE(startDisplay, QString("2.5"));
        QCOMPARE(t.editor->wert(), 25.0);
        QCOMPARE(t.field()->text(), QString("25"));
        QCOMPARE(changed.count(), 1);
        // The calculator does not end the edit; Escape now returns to 25.
        t.enter();
        QTest::keyClicks(t.field(), "3");
        QTest::keyClick(t.field(), Qt::Key_Escape);
        QCOMPARE(t.editor->wert(), 25.0);

        whenModalOpens([](QWidget *w) { qobject_cast<QDialog *>(w)->reject(); });
        QMetaObject::invokeMethod(t.editor, "showRechner");
        QCOMPARE(t.editor->wert(), 25.0);
    }

    void contextMenuEntries()
    {
        EditorWindow t;
        QStringList entries;
        auto collect = [&](QWidget *w) {
            auto *menu = qobject_cast<QMenu *>(w);
            QVERIFY(menu);
            for (QAction *a : menu->actions())
                entries << a->text();
            menu->close();
        };
        whenModalOpens(collect);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 3),
                                t.field()->mapToGlobal(QPoint(3, 3)));
        QCoreApplication::sendEvent(t.field(), &event);
        QCOMPARE(entries, QStringList{"Rechner"});

        entries.clear();
        t.editor->setSettingsKey("WerteModel_Editor_TW");
        whenModalOpens(collect);
        QCoreApplication::sendEvent(t.field(), &event);
        QCOMPARE(entries, (QStringList{"Rechner", "Verhalten anpassen"}));
    }

    void storedTuningApplies()
    {
        QSettings settings;
        settings.beginGroup("Combospins");
        settings.setValue("WerteModel_Editor_DHNHF_Einheit", "m");
        settings.setValue("WerteModel_Editor_DHNHF_Combo", "0.1:0.3:0.1");
        settings.setValue("WerteModel_Editor_DHNHF_SpinStep", "0.01");
        settings.setValue("WerteModel_Editor_DHNHF_Min", "0");
        settings.setValue("WerteModel_Editor_DHNHF_Max", "0.35");
        settings.setValue("WerteModel_Editor_DHNHF_MaxDec", "0x3");
        settings.setValue("WerteModel_Editor_PART_SpinStep", "2");
        settings.sync();

        EditorWindow t;
        t.editor->setSpinStep(0.5);
        t.editor->setMin(1);
        t.editor->setMax(1500);
        t.editor->setMaxDecimals(1);
        t.editor->setSettingsKey("WerteModel_Editor_DHNHF");
        QCOMPARE(t.editor->settingsKey(), QString("WerteModel_Editor_DHNHF"));
        QCOMPARE(t.editor->einheit(), QString("m"));
        QCOMPARE(t.editor->comboWerte(), QString("0.1:0.3:0.1"));
        QCOMPARE(t.editor->spinStep(), 0.01);
        QCOMPARE(t.editor->min(), 0.0);
        QCOMPARE(t.editor->max(), 0.35);
        QCOMPARE(t.editor->maxDecimals(), 3);
        QCOMPARE(t.editor->validator()->decimals(), 3);
        QCOMPARE(t.editor->validator()->top(), 0.35);

        t.editor->setWert(0.3333);   // shown as stored, beyond the three decimals
        QCOMPARE(t.field()->text(), QString("0.3333"));
        t.editor->setWert(0.33);
        t.enter();
        QTest::keyClick(t.field(), Qt::Key_Up);
        QTRY_COMPARE(t.field()->text(), QString("0.34"));
        QTest::keyClick(t.field(), Qt::Key_Up);
        QTRY_COMPARE(t.field()->text(), QString("0.35"));
        QTRY_VERIFY(!t.button("upButton")->isEnabled());

        // A key partly stored: absent keys keep the values set before.
        combospinWgt partly;
        partly.setMin(3);
        partly.setMaxDecimals(1);
        partly.setSettingsKey("WerteModel_Editor_PART");
        QCOMPARE(partly.spinStep(), 2.0);
        QCOMPARE(partly.min(), 3.0);
        QCOMPARE(partly.maxDecimals(), 1);
    }

    void tuningIsStoredAfterAcceptance()
    {
        EditorWindow t;
        t.editor->setSettingsKey("WerteModel_Editor_QN");
        whenModalOpens([](QWidget *w) {
            auto *dialog = qobject_cast<CombospinTune *>(w);
            QVERIFY(dialog);
            dialog->findChild<QLineEdit *>("lineEditEinheit")->setText("kW");
            dialog->findChild<combospinWgt *>("csbStep")->setWert(0.25);
            dialog->findChild<combospinWgt *>("csbMax")->setWert(80);
            dialog->findChild<QPlainTextEdit *>("teListe")->setPlainText("10:20:5\n2");
            dialog->accept();
        });
        QMetaObject::invokeMethod(t.editor, "ask4Parameters");
        QCOMPARE(t.editor->einheit(), QString("kW"));
        QSettings settings;
        settings.beginGroup("Combospins");
        QCOMPARE(settings.value("WerteModel_Editor_QN_Einheit").toString(), QString("kW"));
        QCOMPARE(settings.value("WerteModel_Editor_QN_Combo").toString(),
                 QString("2;10:20:5"));
        QCOMPARE(settings.value("WerteModel_Editor_QN_SpinStep").toDouble(), 0.25);
        QCOMPARE(settings.value("WerteModel_Editor_QN_Min").toDouble(), 0.0);
        QCOMPARE(settings.value("WerteModel_Editor_QN_Max").toDouble(), 80.0);
        QCOMPARE(settings.value("WerteModel_Editor_QN_MaxDec").toInt(), 10);

        // A second editor under the same key picks the tuning up.
        combospinWgt again;
        again.setSettingsKey("WerteModel_Editor_QN");
        QCOMPARE(again.max(), 80.0);
        QCOMPARE(again.spinStep(), 0.25);
        QCOMPARE(again.comboWerte(), QString("2;10:20:5"));

        // Cancel stores nothing.
        whenModalOpens([](QWidget *w) {
            auto *dialog = qobject_cast<CombospinTune *>(w);
            dialog->findChild<QLineEdit *>("lineEditEinheit")->setText("W");
            dialog->reject();
        });
        QMetaObject::invokeMethod(t.editor, "ask4Parameters");
        QCOMPARE(settings.value("WerteModel_Editor_QN_Einheit").toString(), QString("kW"));
        QCOMPARE(t.editor->einheit(), QString("kW"));
    }

    // ---------------------------------------------------------- every way out of an edit

    void keysThatLeaveTheEditorFinishWithinTheBounds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<double>("expected");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Return below") << "5" << int(Qt::Key_Return) << 10.0 << "min  10";
        QTest::newRow("Enter above") << "300" << int(Qt::Key_Enter) << 100.0 << "max 100";
        QTest::newRow("Tab below") << "3" << int(Qt::Key_Tab) << 10.0 << "min  10";
        QTest::newRow("Backtab above") << "250" << int(Qt::Key_Backtab) << 100.0 << "max 100";
        QTest::newRow("Return inside") << "42,5" << int(Qt::Key_Return) << 42.5 << "42.5";
    }

    void keysThatLeaveTheEditorFinishWithinTheBounds()
    {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(double, expected);
        QFETCH(QString, shown);
        EditorWindow t;
        t.editor->setMin(10);
        t.editor->setMax(100);
        t.editor->setWert(20);
        // What a view or form reads when the key reaches it.
        double seenByTheKeyHandler = -1;
        struct KeyWatch : QObject
        {
            combospinWgt *editor;
            double *seen;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::FocusOut && *seen < 0)
                    *seen = editor->wert();
                return false;
            }
        } watch;
        watch.editor = t.editor;
        watch.seen = &seenByTheKeyHandler;
        t.field()->installEventFilter(&watch);
        QSignalSpy changed(t.editor, &combospinWgt::wertChanged);
        t.enter();
        QTest::keyClick(t.field(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(t.field(), typed);
        QTest::keyClick(t.field(), Qt::Key(key));
        QCOMPARE(t.editor->wert(), expected);
        QCOMPARE(t.field()->text(), shown);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toDouble(), expected);
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            QCOMPARE(seenByTheKeyHandler, expected);   // finished before the focus moved
        // Leaving afterwards changes nothing more and keeps the note.
        t.leave();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(t.field()->text(), shown);
    }

    void pickedAndCalculatedValuesAreClampedWhenTheEditEnds()
    {
        EditorWindow t;
        t.editor->setComboWerte("0.1;500");
        t.editor->setMin(1);
        t.editor->setMax(100);
        t.enter();
        QMetaObject::invokeMethod(t.editor, "cb_clicked");
        t.editor->pickList()->setCurrentRow(1);
        QTest::keyClick(t.field(), Qt::Key_Return);
        QCOMPARE(t.editor->wert(), 500.0);   // shown as picked while editing
        QSignalSpy changed(t.editor, &combospinWgt::wertChanged);
        t.leave();
        QCOMPARE(t.editor->wert(), 100.0);
        QCOMPARE(t.field()->text(), QString("max 100"));
        QCOMPARE(changed.count(), 1);

        t.editor->setWert(50);
        t.enter();
        whenModalOpens([](QWidget *w) {
            clickCalculatorKeys(w, {"×", "1", "0", "0", "=", "Übernehmen"});
        });
        QTest::keyClick(t.field(), Qt::Key_Equal);
        QCOMPARE(t.editor->wert(), 5000.0);
        QTest::keyClick(t.field(), Qt::Key_Return);
        QCOMPARE(t.editor->wert(), 100.0);
        QCOMPARE(t.field()->text(), QString("max 100"));

        // A picked entry inside the bounds is left as it is, without a second signal.
        t.enter();
        QMetaObject::invokeMethod(t.editor, "cb_clicked");
        QTest::mouseClick(t.editor->pickList()->viewport(), Qt::LeftButton, {},
                          t.editor->pickList()->visualItemRect(t.editor->pickList()->item(0))
                              .center());
        t.editor->setMin(0);
        changed.clear();
        t.leave();
        QCOMPARE(t.editor->wert(), 0.1);
        QCOMPARE(changed.count(), 0);
    }

    void wheelWalksThroughTheOpenPickList()
    {
        EditorWindow t;
        t.editor->setComboWerte("1;2;3;4");
        t.editor->setSpinStep(1);
        t.editor->setWert(7);
        t.enter();
        QMetaObject::invokeMethod(t.editor, "cb_clicked");
        QListWidget *list = t.editor->pickList();
        QVERIFY(list && list->isVisible());
        auto turn = [&t](int delta) {
            const QPoint at = t.field()->rect().center();
            QWheelEvent wheel(at, t.field()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(t.field(), &wheel);
        };
        turn(-120);
        turn(-120);
        turn(-120);
        QCOMPARE(t.editor->wert(), 7.0);
        QCOMPARE(t.field()->text(), QString("7"));
        const int reached = list->currentRow();
        QVERIFY(reached >= 2);
        QVERIFY(list->currentItem()->isSelected());
        turn(120);
        QCOMPARE(list->currentRow(), reached - 1);
        QTest::keyClick(t.field(), Qt::Key_Return);
        QCOMPARE(t.editor->wert(), list->item(reached - 1)->text().toDouble());

        // With the list closed the wheel spins again.
        QVERIFY(!list->isVisible());
        const double before = t.editor->wert();
        turn(120);
        QCOMPARE(t.editor->wert(), before + 1);
    }

    void editorDestroyedWithTheFocusEndsNoEdit()
    {
        EditorWindow t;
        auto *doomed = new combospinWgt(&t.window);
        doomed->setMin(10);
        t.window.layout()->addWidget(doomed);
        doomed->show();
        doomed->lineEdit()->setFocus(Qt::OtherFocusReason);
        QVERIFY(doomed->lineEdit()->hasFocus());
        QTest::keyClicks(doomed->lineEdit(), "3");
        QSignalSpy changed(doomed, &combospinWgt::wertChanged);
        QSignalSpy lost(doomed, &combospinWgt::focusLost);
        QPointer<numberEdit> field = doomed->lineEdit();
        delete doomed;
        QVERIFY(!field);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(lost.count(), 0);
    }

    void tuningShowsTheUnitOnlyWhereUnitsAreShown()
    {
        EditorWindow t;
        t.editor->setSettingsKey("WerteModel_Editor_QA");
        t.editor->setShowEinheit(false);
        auto setUnit = [](const QString &unit) {
            whenModalOpens([unit](QWidget *w) {
                w->findChild<QLineEdit *>("lineEditEinheit")->setText(unit);
                qobject_cast<QDialog *>(w)->accept();
            });
        };
        auto *label = t.editor->findChild<QLabel *>("einheitLabel");
        setUnit("kW");
        QMetaObject::invokeMethod(t.editor, "ask4Parameters");
        QCOMPARE(t.editor->einheit(), QString("kW"));
        QVERIFY(label->isHidden());

        t.editor->setShowEinheit(true);
        setUnit("W");
        QMetaObject::invokeMethod(t.editor, "ask4Parameters");
        QVERIFY(!label->isHidden());
        QCOMPARE(label->text(), QString(" W"));
    }

    // ---------------------------------------------------------- nothing changes unseen

    void textThatIsNoNumberKeepsTheValueAndSaysSo_data()
    {
        QTest::addColumn<QString>("typed");
        for (const char *typed : {"e", "E", "-", "+", ".", "1e"})
            QTest::newRow(typed) << QString(typed);
    }

    void textThatIsNoNumberKeepsTheValueAndSaysSo()
    {
        QFETCH(QString, typed);
        EditorWindow t;
        t.editor->setMin(-100);
        t.editor->setWert(0.04);
        QSignalSpy changed(t.editor, &combospinWgt::wertChanged);
        t.enter();
        QTest::keyClick(t.field(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(t.field(), typed);
        QCOMPARE(t.field()->text(), typed);
        t.leave();
        QCOMPARE(t.editor->wert(), 0.04);
        QCOMPARE(t.field()->text(), QString("0.04"));
        QCOMPARE(changed.count(), 0);
        EditorNote *note = EditorNote::of(&t.window);
        QVERIFY(note && note->isVisible());
        QCOMPARE(note->text(), "Keine Zahl: " + typed);
    }

    void digitsBeyondTheDecimalsAreRoundedInSight()
    {
        EditorWindow t;
        t.editor->setMaxDecimals(1);
        t.editor->setWert(0.43);   // stored with more decimals: shown as stored
        QCOMPARE(t.field()->text(), QString("0.43"));
        t.enter();
        QTest::keyClick(t.field(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(t.field(), "7,25");
        QCOMPARE(t.field()->text(), QString("7.25"));   // the last digit is not refused
        QTest::keyClick(t.field(), Qt::Key_Return);
        QCOMPARE(t.field()->text(), QString("7.3"));
        QCOMPARE(t.editor->wert(), 7.3);
        EditorNote *note = EditorNote::of(&t.window);
        QVERIFY(note && note->isVisible());
        QCOMPARE(note->text(), QString("gerundet auf 1 Nachkommastellen"));
        // Right under the editor, within the window.
        QCOMPARE(note->y(), t.editor->mapTo(&t.window, QPoint(0, t.editor->height())).y());
        QVERIFY(note->x() >= 0 && note->x() <= t.editor->mapTo(&t.window, QPoint()).x());
    }

    void clearedFieldStaysEmptyUntilANumberIsTyped()
    {
        EditorWindow t;
        t.editor->setWert(5);
        t.editor->clear();
        QVERIFY(t.editor->isEmptyValue());
        t.enter();
        t.leave();
        QVERIFY(t.field()->text().isEmpty());
        t.enter();
        QTest::keyClicks(t.field(), ".");
        t.leave();
        QVERIFY(t.field()->text().isEmpty());
        QVERIFY(t.editor->isEmptyValue());
        t.enter();
        QTest::keyClicks(t.field(), "3");
        QTest::keyClick(t.field(), Qt::Key_Escape);
        QVERIFY(t.field()->text().isEmpty());
        QTest::keyClicks(t.field(), "0");
        t.leave();
        QVERIFY(!t.editor->isEmptyValue());
        QCOMPARE(t.field()->text(), QString("0"));
    }
};

QTEST_MAIN(TestCombospinWgt)
#include "tst_combospinwgt.moc"
