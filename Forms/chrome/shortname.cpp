#include "shortname.h"

#include <QFontMetrics>

QString shortName(const QString &name, const QFontMetrics &metrics)
{
    const int widest = metrics.horizontalAdvance(QLatin1Char('M')) * 40;
    return metrics.elidedText(name, Qt::ElideRight, widest);
}
