#ifndef DOUBLEVALIDATOR_H
#define DOUBLEVALIDATOR_H

#include <QDoubleValidator>

// Double validator that takes a typed comma for the decimal point. Digits
// beyond the decimals are not refused at the key: the text is Intermediate,
// and the editor rounds it where the user sees it, at the end of the edit.
class DoubleValidator : public QDoubleValidator
{
    Q_OBJECT
public:
    explicit DoubleValidator(QObject *parent = nullptr);
    DoubleValidator(double bottom, double top, int decimals, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;

private:
    // The verdict of the standard validator with no limit on the decimals.
    State validateWithAnyDecimals(QString &input, int &pos) const;
};

#endif // DOUBLEVALIDATOR_H
