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

QStringList idListChunks(const QList<int> &ids, int perChunk)
{
    QStringList chunks;
    QStringList current;
    for (int id : ids) {
        current << QString::number(id);
        if (current.size() >= perChunk) {
            chunks << current.join(QLatin1Char(','));
            current.clear();
        }
    }
    if (!current.isEmpty())
        chunks << current.join(QLatin1Char(','));
    return chunks;
}
