#ifndef CALCULATOR_H
#define CALCULATOR_H

#include "calculatorengine.h"

#include <QDialog>
#include <QKeySequence>
#include <QList>

class Button;
class QGridLayout;
class QLineEdit;

// The pocket calculator "Rechner". Opened modally with a start value; the
// key "Übernehmen" writes the displayed number to the caller's variable and
// accepts the dialog; on the "####" of an invalid operation it closes
// without a number. The arithmetic lives in CalculatorEngine.
class Calculator : public QDialog
{
    Q_OBJECT
public:
    explicit Calculator(double *result, QWidget *parent = nullptr);

    QString displayText() const;

protected:
    bool eventFilter(QObject *target, QEvent *event) override;

private slots:
    void digitClicked();
    void unaryOperatorClicked();
    void additiveOperatorClicked();
    void multiplicativeOperatorClicked();
    void equalClicked();
    void pointClicked();
    void changeSignClicked();
    void backspaceClicked();
    void clear();
    void clearAll();
    void clearMemory();
    void readMemory();
    void setMemory();
    void addToMemory();
    void returnClicked();
    void piClicked();

private:
    Button *createButton(const QString &text, const QColor &colour, const char *member,
                         const QList<QKeySequence> &shortcuts);
    void placeKeys(QGridLayout *grid);
    void showDisplay();
    void showPressedDisplay(bool pressed);

    CalculatorEngine m_engine;
    double *m_result;
    QLineEdit *m_display = nullptr;
    Button *m_digitButtons[10] = {};
    Button *m_pointButton = nullptr;
    Button *m_piButton = nullptr;
    Button *m_changeSignButton = nullptr;
    Button *m_clearButton = nullptr;
    Button *m_clearAllButton = nullptr;
    Button *m_returnButton = nullptr;
    Button *m_clearMemoryButton = nullptr;
    Button *m_readMemoryButton = nullptr;
    Button *m_setMemoryButton = nullptr;
    Button *m_addToMemoryButton = nullptr;
    Button *m_divisionButton = nullptr;
    Button *m_timesButton = nullptr;
    Button *m_minusButton = nullptr;
    Button *m_plusButton = nullptr;
    Button *m_squareRootButton = nullptr;
    Button *m_powerButton = nullptr;
    Button *m_reciprocalButton = nullptr;
    Button *m_equalButton = nullptr;
};

#endif // CALCULATOR_H
