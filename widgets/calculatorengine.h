#ifndef CALCULATORENGINE_H
#define CALCULATORENGINE_H

#include <QString>

// Arithmetic of the pocket calculator: one display line, immediate
// execution with multiplication and division before addition and
// subtraction, and one memory register. Holds the display text itself so
// that it can be driven without a window. A number the calculator shows
// (the start value, a result) is shown with six significant digits but
// kept exactly: it is what the next operation and "Übernehmen" use.
class CalculatorEngine
{
public:
    enum class Unary { SquareRoot, Square, Reciprocal };

    // Characters of the display line; a minus sign in front takes none.
    static constexpr int kMaxDisplayLength = 15;
    static constexpr int kMaxDisplayLengthWithSign = kMaxDisplayLength + 1;
    static QString abortText() { return QStringLiteral("####"); }
    // Number text of the display: general format, six significant digits.
    static QString numberText(double value);

    explicit CalculatorEngine(double startValue = 0.0);

    QString display() const { return m_display; }
    // The number on the display: exact for a shown number, otherwise what
    // the typed text reads as (0 for text that is no number).
    double displayValue() const;
    // Whether the display shows the "####" of an invalid operation.
    bool showsAbort() const;
    bool waitingForOperand() const { return m_waitingForOperand; }
    double memory() const { return m_sumInMemory; }

    void digit(int d);
    void point();
    void changeSign();
    void backspace();
    void clear();
    void clearAll();
    void unary(Unary op);
    // op is "+" or "-"
    void additiveOperator(const QString &op);
    // op is "*" or "/"
    void multiplicativeOperator(const QString &op);
    void equal();
    void clearMemory();
    void readMemory();
    void setMemory();
    void addToMemory();
    void pi();

private:
    bool calculate(double rightOperand, const QString &op);
    void abortOperation();
    // Typed text, cut to the display line.
    void setDisplay(const QString &text);
    void showNumber(double value);

    double m_sumInMemory = 0.0;
    double m_sumSoFar = 0.0;
    double m_factorSoFar = 0.0;
    QString m_pendingAdditiveOperator;
    QString m_pendingMultiplicativeOperator;
    bool m_waitingForOperand = true;
    QString m_display;
    // The exact number behind a shown (rounded) display text.
    bool m_showsNumber = false;
    double m_shownNumber = 0.0;
};

#endif // CALCULATORENGINE_H
