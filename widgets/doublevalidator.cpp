#include "doublevalidator.h"

DoubleValidator::DoubleValidator(QObject *parent)
    : QDoubleValidator(parent)
{
}

DoubleValidator::DoubleValidator(double bottom, double top, int decimals, QObject *parent)
    : QDoubleValidator(bottom, top, decimals, parent)
{
}

QValidator::State DoubleValidator::validate(QString &input, int &pos) const
{
    if (!input.isEmpty())
        input.replace(QLatin1Char(','), QLatin1Char('.'));
    return QDoubleValidator::validate(input, pos);
}
