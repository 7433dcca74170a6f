#include "calculatorengine.h"

#include <cmath>

QString CalculatorEngine::numberText(double value)
{
    return QString::number(value, 'g', 6);
}

CalculatorEngine::CalculatorEngine(double startValue)
{
    showNumber(startValue);
}

bool CalculatorEngine::showsAbort() const
{
    return m_display == abortText();
}

double CalculatorEngine::displayValue() const
{
    if (m_showsNumber)
        return m_shownNumber;
    return m_display.toDouble();   // text that does not parse counts as 0
}

void CalculatorEngine::setDisplay(const QString &text)
{
    // The display line holds at most 15 characters besides the sign; longer
    // input is cut.
    const int room = text.startsWith(QLatin1Char('-')) ? kMaxDisplayLengthWithSign
                                                        : kMaxDisplayLength;
    m_display = text.left(room);
    m_showsNumber = false;
}

void CalculatorEngine::showNumber(double value)
{
    m_display = numberText(value);
    m_showsNumber = true;
    m_shownNumber = value;
}

void CalculatorEngine::digit(int d)
{
    if (m_display == QLatin1String("0") && d == 0)
        return;
    if (m_waitingForOperand) {
        m_display.clear();
        m_waitingForOperand = false;
    }
    setDisplay(m_display + QString::number(d));
}

void CalculatorEngine::point()
{
    if (m_waitingForOperand)
        setDisplay(QStringLiteral("0"));
    if (!m_display.contains(QLatin1Char('.')))
        setDisplay(m_display + QLatin1Char('.'));
    m_waitingForOperand = false;
}

void CalculatorEngine::changeSign()
{
    const double value = displayValue();
    if (value == 0.0 || std::isnan(value))
        return;
    // Only the sign changes: the digits stay as they are, and a shown
    // number stays exact.
    const bool shown = m_showsNumber;
    setDisplay(value > 0.0 ? QLatin1Char('-') + m_display : m_display.mid(1));
    m_showsNumber = shown;
    m_shownNumber = -value;
}

void CalculatorEngine::backspace()
{
    if (m_waitingForOperand)
        return;
    setDisplay(m_display.left(m_display.size() - 1));
    if (m_display.isEmpty()) {
        setDisplay(QStringLiteral("0"));
        m_waitingForOperand = true;
    }
}

void CalculatorEngine::clear()
{
    if (m_waitingForOperand)
        return;
    setDisplay(QStringLiteral("0"));
    m_waitingForOperand = true;
}

void CalculatorEngine::clearAll()
{
    m_sumSoFar = 0.0;
    m_factorSoFar = 0.0;
    m_pendingAdditiveOperator.clear();
    m_pendingMultiplicativeOperator.clear();
    setDisplay(QStringLiteral("0"));
    m_waitingForOperand = true;
}

void CalculatorEngine::abortOperation()
{
    clearAll();
    setDisplay(abortText());
}

void CalculatorEngine::unary(Unary op)
{
    const double operand = displayValue();
    double result = 0.0;
    switch (op) {
    case Unary::SquareRoot:
        if (operand < 0.0) {
            abortOperation();
            return;
        }
        result = std::sqrt(operand);
        break;
    case Unary::Square:
        result = operand * operand;
        break;
    case Unary::Reciprocal:
        if (operand == 0.0) {
            abortOperation();
            return;
        }
        result = 1.0 / operand;
        break;
    }
    if (!std::isfinite(result)) {
        abortOperation();
        return;
    }
    showNumber(result);
    m_waitingForOperand = true;
}

bool CalculatorEngine::calculate(double rightOperand, const QString &op)
{
    if (op == QLatin1String("+")) {
        m_sumSoFar += rightOperand;
    } else if (op == QLatin1String("-")) {
        m_sumSoFar -= rightOperand;
    } else if (op == QLatin1String("*")) {
        m_factorSoFar *= rightOperand;
    } else if (op == QLatin1String("/")) {
        if (rightOperand == 0.0)
            return false;
        m_factorSoFar /= rightOperand;
    }
    // A result beyond the range of numbers fails like a division by zero.
    return std::isfinite(m_sumSoFar) && std::isfinite(m_factorSoFar);
}

void CalculatorEngine::multiplicativeOperator(const QString &op)
{
    const double operand = displayValue();
    if (!m_pendingMultiplicativeOperator.isEmpty()) {
        if (!calculate(operand, m_pendingMultiplicativeOperator)) {
            abortOperation();
            return;
        }
        showNumber(m_factorSoFar);
    } else {
        m_factorSoFar = operand;
    }
    m_pendingMultiplicativeOperator = op;
    m_waitingForOperand = true;
}

void CalculatorEngine::additiveOperator(const QString &op)
{
    double operand = displayValue();
    if (!m_pendingMultiplicativeOperator.isEmpty()) {
        if (!calculate(operand, m_pendingMultiplicativeOperator)) {
            abortOperation();
            return;
        }
        showNumber(m_factorSoFar);
        operand = m_factorSoFar;
        m_factorSoFar = 0.0;
        m_pendingMultiplicativeOperator.clear();
    }
    if (!m_pendingAdditiveOperator.isEmpty()) {
        if (!calculate(operand, m_pendingAdditiveOperator)) {
            abortOperation();
            return;
        }
        showNumber(m_sumSoFar);
    } else {
        m_sumSoFar = operand;
    }
    m_pendingAdditiveOperator = op;
    m_waitingForOperand = true;
}

void CalculatorEngine::equal()
{
    double operand = displayValue();
    if (!m_pendingMultiplicativeOperator.isEmpty()) {
        if (!calculate(operand, m_pendingMultiplicativeOperator)) {
            abortOperation();
            return;
        }
        operand = m_factorSoFar;
        m_factorSoFar = 0.0;
        m_pendingMultiplicativeOperator.clear();
    }
    if (!m_pendingAdditiveOperator.isEmpty()) {
        if (!calculate(operand, m_pendingAdditiveOperator)) {
            abortOperation();
            return;
        }
        m_pendingAdditiveOperator.clear();
        operand = m_sumSoFar;
    } else {
        m_sumSoFar = operand;
    }
    showNumber(operand);
    m_sumSoFar = 0.0;
    m_waitingForOperand = true;
}

void CalculatorEngine::clearMemory()
{
    m_sumInMemory = 0.0;
}

void CalculatorEngine::readMemory()
{
    showNumber(m_sumInMemory);
    m_waitingForOperand = true;
}

void CalculatorEngine::setMemory()
{
    equal();
    m_sumInMemory = displayValue();
}

void CalculatorEngine::addToMemory()
{
    equal();
    const double sum = m_sumInMemory + displayValue();
    if (!std::isfinite(sum)) {
        abortOperation();
        return;
    }
    m_sumInMemory = sum;
}

void CalculatorEngine::pi()
{
    // The waiting state stays as it is: digits typed next extend "3.14159"
    // unless a new operand was expected anyway.
    showNumber(3.141592653589793);
}
