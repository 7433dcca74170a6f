#ifndef COMBOSPINSETTINGS_H
#define COMBOSPINSETTINGS_H

#include <QString>
#include <QVariant>

// Tuning of one numeric editor as kept in the settings group "Combospins"
// under "<key>_Einheit", "_Combo", "_SpinStep", "_Min", "_Max", "_MaxDec".
// Each field is set only when its key is present (and readable).
struct CombospinSettings
{
    bool hasEinheit = false;
    QString einheit;
    bool hasCombo = false;
    QString comboWerte;
    bool hasSpinStep = false;
    double spinStep = 0.0;
    bool hasMin = false;
    double min = 0.0;
    bool hasMax = false;
    double max = 0.0;
    bool hasMaxDecimals = false;
    int maxDecimals = 0;

    // Reads the tuning stored under key in the application's user settings.
    static CombospinSettings load(const QString &key);
    // Writes all six keys in the order Einheit, Combo, SpinStep, Min, Max, MaxDec.
    static void store(const QString &key, const QString &einheit, const QString &comboWerte,
                      double spinStep, double min, double max, int maxDecimals);

    // A stored number of decimals: decimal text or C hexadecimal ("0x3").
    static bool readDecimals(const QVariant &stored, int *decimals);
    // A stored number with a decimal point ("0.01", "1500").
    static bool readNumber(const QVariant &stored, double *number);
};

#endif // COMBOSPINSETTINGS_H
