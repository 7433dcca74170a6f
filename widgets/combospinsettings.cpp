#include "combospinsettings.h"

#include <QSettings>

namespace {
const char kGroup[] = "Combospins";
}

bool CombospinSettings::readDecimals(const QVariant &stored, int *decimals)
{
    const QString text = stored.toString().trimmed();
    bool ok = false;
    int value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toInt(&ok, 16);
    else
        value = text.toInt(&ok, 10);
    if (ok)
        *decimals = value;
    return ok;
}

bool CombospinSettings::readNumber(const QVariant &stored, double *number)
{
    bool ok = false;
    const double value = stored.toString().trimmed().toDouble(&ok);
    if (ok)
        *number = value;
    return ok;
}

CombospinSettings CombospinSettings::load(const QString &key)
{
    CombospinSettings tuning;
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    const QString einheitKey = key + QLatin1String("_Einheit");
    if (settings.contains(einheitKey)) {
        tuning.hasEinheit = true;
        tuning.einheit = settings.value(einheitKey).toString();
    }
    const QString comboKey = key + QLatin1String("_Combo");
    if (settings.contains(comboKey)) {
        tuning.hasCombo = true;
        tuning.comboWerte = settings.value(comboKey).toString();
    }
    const QString stepKey = key + QLatin1String("_SpinStep");
    if (settings.contains(stepKey))
        tuning.hasSpinStep = readNumber(settings.value(stepKey), &tuning.spinStep);
    const QString minKey = key + QLatin1String("_Min");
    if (settings.contains(minKey))
        tuning.hasMin = readNumber(settings.value(minKey), &tuning.min);
    const QString maxKey = key + QLatin1String("_Max");
    if (settings.contains(maxKey))
        tuning.hasMax = readNumber(settings.value(maxKey), &tuning.max);
    const QString decKey = key + QLatin1String("_MaxDec");
    if (settings.contains(decKey))
        tuning.hasMaxDecimals = readDecimals(settings.value(decKey), &tuning.maxDecimals);
    return tuning;
}

void CombospinSettings::store(const QString &key, const QString &einheit,
                            const QString &comboWerte, double spinStep, double min, double max,
                            int maxDecimals)
{
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    settings.setValue(key + QLatin1String("_Einheit"), einheit);
    settings.setValue(key + QLatin1String("_Combo"), comboWerte);
    settings.setValue(key + QLatin1String("_SpinStep"), spinStep);
    settings.setValue(key + QLatin1String("_Min"), min);
    settings.setValue(key + QLatin1String("_Max"), max);
    settings.setValue(key + QLatin1String("_MaxDec"), maxDecimals);
}
