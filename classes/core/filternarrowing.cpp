#include "filternarrowing.h"

#include <QStringList>

bool FilterNarrowing::isSelfContained(const QString &condition)
{
    int depth = 0;
    QChar closing;   // the end of the quoted text or identifier we are in
    for (int i = 0; i < condition.size(); ++i) {
        const QChar c = condition.at(i);
        if (!closing.isNull()) {
            // A doubled quote inside a quoted text is the quote itself.
            if (c == closing && !(i + 1 < condition.size() && condition.at(i + 1) == closing
                                  && closing != QLatin1Char(']')))
                closing = QChar();
            else if (c == closing)
                ++i;
            continue;
        }
        const QChar next = i + 1 < condition.size() ? condition.at(i + 1) : QChar();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`'))
            closing = c;
        else if (c == QLatin1Char('['))
            closing = QLatin1Char(']');
        else if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')') && --depth < 0)
            return false;
        else if (c == QLatin1Char(';') || (c == QLatin1Char('-') && next == QLatin1Char('-'))
                 || (c == QLatin1Char('/') && next == QLatin1Char('*')))
            return false;
    }
    return depth == 0 && closing.isNull() && !condition.trimmed().isEmpty();
}

QString FilterNarrowing::narrowed(const QString &condition, const QList<qint64> &valueSetIds)
{
    if (!isSelfContained(condition))
        return QString();
    QStringList ids;
    ids.reserve(valueSetIds.size());
    for (qint64 id : valueSetIds)
        ids << QString::number(id);
    return QStringLiteral("Werte.WerteId IN (%1) AND (%2)").arg(ids.join(QLatin1Char(',')), condition);
}
