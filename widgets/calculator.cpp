#include "calculator.h"

#include "button.h"

#include <QApplication>
#include <QGridLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShortcut>

namespace {
const QColor kControlColour(225, 185, 135);
const QColor kMemoryColour(100, 155, 155);
const QColor kOperatorColour(155, 175, 195);
}

Calculator::Calculator(double *result, QWidget *parent)
    : QDialog(parent), m_engine(result ? *result : 0.0), m_result(result)
{
    m_display = new QLineEdit(m_engine.display(), this);
    m_display->setReadOnly(true);
    m_display->setAlignment(Qt::AlignRight);
    m_display->setMaxLength(CalculatorEngine::kMaxDisplayLengthWithSign);
    QFont font = m_display->font();
    font.setPointSize(font.pointSize() + 8);
    m_display->setFont(font);
    m_display->installEventFilter(this);

    const QColor digitColour = QApplication::palette().color(QPalette::Window);
    for (int i = 0; i < 10; ++i)
        m_digitButtons[i] = createButton(QString::number(i), digitColour, SLOT(digitClicked()),
                                         {QKeySequence(Qt::Key_0 + i)});
    m_pointButton = createButton(QStringLiteral(","), digitColour, SLOT(pointClicked()),
                                 {QKeySequence(Qt::Key_Comma), QKeySequence(Qt::Key_Period)});
    m_piButton = createButton(QStringLiteral("\u03A0"), digitColour, SLOT(piClicked()),
                              {QKeySequence(Qt::Key_P)});
    m_changeSignButton = createButton(QStringLiteral("\u00B1"), digitColour,
                                      SLOT(changeSignClicked()),
                                      {QKeySequence(Qt::Key_NumberSign)});

    m_clearButton = createButton(QStringLiteral("C"), kControlColour, SLOT(clear()),
                                 {QKeySequence(Qt::Key_C)});
    m_clearAllButton = createButton(QStringLiteral("AC"), kControlColour.lighter(120),
                                    SLOT(clearAll()), {QKeySequence(Qt::Key_A)});
    m_returnButton = createButton(tr("Übernehmen"), kControlColour, SLOT(returnClicked()),
                                  {QKeySequence(Qt::Key_Return)});

    m_clearMemoryButton = createButton(QStringLiteral("MC"), kMemoryColour,
                                       SLOT(clearMemory()), {QKeySequence(Qt::Key_R)});
    m_readMemoryButton = createButton(QStringLiteral("MR"), kMemoryColour, SLOT(readMemory()), {});
    m_setMemoryButton = createButton(QStringLiteral("MS"), kMemoryColour, SLOT(setMemory()), {});
    m_addToMemoryButton = createButton(QStringLiteral("M+"), kMemoryColour,
                                       SLOT(addToMemory()), {});

    m_divisionButton = createButton(QStringLiteral("\u00F7"), kOperatorColour,
                                    SLOT(multiplicativeOperatorClicked()),
                                    {QKeySequence(Qt::Key_Slash)});
    m_timesButton = createButton(QStringLiteral("\u00D7"), kOperatorColour,
                                 SLOT(multiplicativeOperatorClicked()),
                                 {QKeySequence(Qt::Key_X), QKeySequence(Qt::Key_Asterisk)});
    m_minusButton = createButton(QStringLiteral("\u2212"), kOperatorColour,
                                 SLOT(additiveOperatorClicked()), {QKeySequence(Qt::Key_Minus)});
    m_plusButton = createButton(QStringLiteral("+"), kOperatorColour,
                                SLOT(additiveOperatorClicked()), {QKeySequence(Qt::Key_Plus)});
    m_squareRootButton = createButton(QStringLiteral("\u221A"), kOperatorColour,
                                      SLOT(unaryOperatorClicked()), {QKeySequence(Qt::Key_W)});
    m_powerButton = createButton(QStringLiteral("x\u00B2"), kOperatorColour,
                                 SLOT(unaryOperatorClicked()),
                                 {QKeySequence(Qt::Key_twosuperior)});
    m_reciprocalButton = createButton(QStringLiteral("1/x"), kOperatorColour,
                                      SLOT(unaryOperatorClicked()), {});
    m_equalButton = createButton(QStringLiteral("="), kOperatorColour.lighter(120),
                                 SLOT(equalClicked()),
                                 {QKeySequence(Qt::Key_Equal), QKeySequence(Qt::Key_Enter)});

    auto *grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    placeKeys(grid);

    setWindowTitle(tr("Rechner"));
}

Button *Calculator::createButton(const QString &text, const QColor &colour, const char *member,
                                 const QList<QKeySequence> &shortcuts)
{
    auto *button = new Button(text, colour, this);
    connect(button, SIGNAL(clicked()), this, member);
    for (const QKeySequence &key : shortcuts) {
        auto *shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, button, [button] { button->animateClick(); });
    }
    return button;
}

void Calculator::placeKeys(QGridLayout *grid)
{
    grid->addWidget(m_display, 0, 0, 1, 6);

    grid->addWidget(m_returnButton, 1, 0, 1, 2);
    grid->addWidget(m_piButton, 1, 2);
    grid->addWidget(m_clearButton, 1, 3);
    grid->addWidget(m_clearAllButton, 1, 4, 1, 2);

    grid->addWidget(m_clearMemoryButton, 2, 0);
    grid->addWidget(m_readMemoryButton, 3, 0);
    grid->addWidget(m_setMemoryButton, 4, 0);
    grid->addWidget(m_addToMemoryButton, 5, 0);

    for (int i = 1; i < 10; ++i)
        grid->addWidget(m_digitButtons[i], (9 - i) / 3 + 2, (i - 1) % 3 + 1);
    grid->addWidget(m_digitButtons[0], 5, 1);
    grid->addWidget(m_pointButton, 5, 2);
    grid->addWidget(m_changeSignButton, 5, 3);

    grid->addWidget(m_divisionButton, 2, 4);
    grid->addWidget(m_timesButton, 3, 4);
    grid->addWidget(m_minusButton, 4, 4);
    grid->addWidget(m_plusButton, 5, 4);

    grid->addWidget(m_squareRootButton, 2, 5);
    grid->addWidget(m_powerButton, 3, 5);
    grid->addWidget(m_reciprocalButton, 4, 5);
    grid->addWidget(m_equalButton, 5, 5);
}

QString Calculator::displayText() const
{
    return m_display->text();
}

void Calculator::showDisplay()
{
    m_display->setText(m_engine.display());
}

bool Calculator::eventFilter(QObject *target, QEvent *event)
{
    if (target != m_display)
        return QDialog::eventFilter(target, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        showPressedDisplay(static_cast<QMouseEvent *>(event)->buttons() & Qt::LeftButton);
        return true;
    case QEvent::MouseButtonRelease:
    case QEvent::ContextMenu:
        showPressedDisplay(false);
        return true;
    default:
        return QDialog::eventFilter(target, event);
    }
}

void Calculator::showPressedDisplay(bool pressed)
{
    if (!pressed) {
        m_display->setPalette(palette());
        return;
    }
    QPalette inverted = m_display->palette();
    const QColor base = inverted.color(QPalette::Base);
    inverted.setColor(QPalette::Base, inverted.color(QPalette::Text));
    inverted.setColor(QPalette::Text, base);
    m_display->setPalette(inverted);
}

void Calculator::digitClicked()
{
    auto *key = qobject_cast<Button *>(sender());
    if (!key)
        return;
    m_engine.digit(key->text().toInt());
    showDisplay();
}

void Calculator::unaryOperatorClicked()
{
    const QObject *key = sender();
    if (key == m_squareRootButton)
        m_engine.unary(CalculatorEngine::Unary::SquareRoot);
    else if (key == m_powerButton)
        m_engine.unary(CalculatorEngine::Unary::Square);
    else if (key == m_reciprocalButton)
        m_engine.unary(CalculatorEngine::Unary::Reciprocal);
    showDisplay();
}

void Calculator::additiveOperatorClicked()
{
    m_engine.additiveOperator(sender() == m_plusButton ? QStringLiteral("+")
                                                       : QStringLiteral("-"));
    showDisplay();
}

void Calculator::multiplicativeOperatorClicked()
{
    m_engine.multiplicativeOperator(sender() == m_divisionButton ? QStringLiteral("/")
                                                                 : QStringLiteral("*"));
    showDisplay();
}

void Calculator::equalClicked()
{
    m_engine.equal();
    showDisplay();
}

void Calculator::pointClicked()
{
    m_engine.point();
    showDisplay();
}

void Calculator::changeSignClicked()
{
    m_engine.changeSign();
    showDisplay();
}

void Calculator::backspaceClicked()
{
    m_engine.backspace();
    showDisplay();
}

void Calculator::clear()
{
    m_engine.clear();
    showDisplay();
}

void Calculator::clearAll()
{
    m_engine.clearAll();
    showDisplay();
}

void Calculator::clearMemory()
{
    m_engine.clearMemory();
}

void Calculator::readMemory()
{
    m_engine.readMemory();
    showDisplay();
}

void Calculator::setMemory()
{
    m_engine.setMemory();
    showDisplay();
}

void Calculator::addToMemory()
{
    m_engine.addToMemory();
    showDisplay();
}

void Calculator::returnClicked()
{
    // "####" is no number: the caller keeps its value.
    if (m_engine.showsAbort()) {
        reject();
        return;
    }
    if (m_result)
        *m_result = m_engine.displayValue();
    accept();
}

void Calculator::piClicked()
{
    m_engine.pi();
    showDisplay();
}
