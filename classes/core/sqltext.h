#ifndef SQLTEXT_H
#define SQLTEXT_H

#include <QList>
#include <QString>
#include <QStringList>

// Text values go between single quotes in our statements; every apostrophe
// inside them is doubled so that names like "O'Brien" survive, and every
// carriage return becomes "'||char(13)||'", so that the sqlite3 shell reads
// a journaled text back unchanged.
QString doubleApostrophes(const QString &text);

// The text doubled and enclosed in single quotes.
QString quotedText(const QString &text);

// Ids for "IN (%1)": comma-separated, at most perChunk in one text (each
// chunk costs a pass over a table without an index on the column), so
// that a statement over a whole selection stays short enough for SQLite's
// limits. Empty for no ids.
QStringList idListChunks(const QList<qint64> &ids, int perChunk = 10000);
// All ids in one comma-separated text, for "IN (%1)" (empty for no ids).
QString idList(const QList<qint64> &ids);

#endif // SQLTEXT_H
