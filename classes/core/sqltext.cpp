#include "sqltext.h"

QString doubleApostrophes(const QString &text)
{
    QString result = text;
    return result.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString quotedText(const QString &text)
{
    return QLatin1Char('\'') + doubleApostrophes(text) + QLatin1Char('\'');
}
