#ifndef FIELDLISTCOLUMNS_H
#define FIELDLISTCOLUMNS_H

#include <QString>
#include <QStringList>

// The column text of a field list ("WERTEID,GERAET,BEMERKUNG,TW") always
// starts with the key columns of its table, in their order and exactly
// once: the lists read the record id from column 0 and the owner from
// column 1. "*" stays "*". Field lists stored by earlier versions lacked
// them; they are mended when read.
class FieldListColumns
{
public:
    static QStringList valueKeyColumns();      // "WERTEID", "GERAET"
    static QStringList applianceKeyColumns();  // "TIRMAID", "HRSTID"

    // The column text with the key columns in front and nowhere else.
    static QString withKeyColumns(const QString &columnText, const QStringList &keyColumns);
    // The same for every named list "name#column text".
    static QStringList listsWithKeyColumns(const QStringList &namedLists,
                                           const QStringList &keyColumns);

    // The columns of a column text, split at the commas outside parentheses
    // and quotes, each trimmed; empty parts dropped.
    static QStringList columns(const QString &columnText);
};

#endif // FIELDLISTCOLUMNS_H
