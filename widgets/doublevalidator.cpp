#include "doublevalidator.h"

namespace {
// More decimals than a double can tell apart.
constexpr int kAnyDecimals = 1000;
}

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
    const State state = QDoubleValidator::validate(input, pos);
    if (state != Invalid || decimals() >= kAnyDecimals)
        return state;
    return validateWithAnyDecimals(input, pos) == Invalid ? Invalid : Intermediate;
}

QValidator::State DoubleValidator::validateWithAnyDecimals(QString &input, int &pos) const
{
    QDoubleValidator wide(bottom(), top(), kAnyDecimals);
    wide.setNotation(notation());
    wide.setLocale(locale());
    return wide.validate(input, pos);
}
