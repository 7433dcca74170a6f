#include "sqltext.h"

QString doubleApostrophes(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('\''), QLatin1String("''"));
    // The sqlite3 shell that replays the journal reads a CR before a line
    // feed as part of the line end and drops it: a CR is written as an
    // expression of its own between the text's quotes.
    return result.replace(QLatin1Char('\r'), QLatin1String("'||char(13)||'"));
}

QString quotedText(const QString &text)
{
    return QLatin1Char('\'') + doubleApostrophes(text) + QLatin1Char('\'');
}

QStringList idListChunks(const QList<qint64> &ids, int perChunk)
{
    QStringList chunks;
    QStringList current;
    for (qint64 id : ids) {
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

QString idList(const QList<qint64> &ids)
{
    QStringList texts;
    texts.reserve(ids.size());
    for (qint64 id : ids)
        texts << QString::number(id);
    return texts.join(QLatin1Char(','));
}
