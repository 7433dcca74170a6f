#ifndef SQLTEXT_H
#define SQLTEXT_H

#include <QString>

// Text values go between single quotes in our statements; every apostrophe
// inside them is doubled so that names like "O'Brien" survive.
QString doubleApostrophes(const QString &text);

// The text doubled and enclosed in single quotes.
QString quotedText(const QString &text);

#endif // SQLTEXT_H
