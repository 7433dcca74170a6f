#ifndef DOUBLEVALIDATOR_H
#define DOUBLEVALIDATOR_H

#include <QDoubleValidator>

// Double validator that takes a typed comma for the decimal point.
class DoubleValidator : public QDoubleValidator
{
    Q_OBJECT
public:
    explicit DoubleValidator(QObject *parent = nullptr);
    DoubleValidator(double bottom, double top, int decimals, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;
};

#endif // DOUBLEVALIDATOR_H
