#ifndef WRITESTATEMENT_H
#define WRITESTATEMENT_H

#include <QString>
#include <QStringList>

// The shape of one statement our code writes with: UPDATE t SET ... WHERE
// ..., DELETE FROM t WHERE ..., INSERT INTO t ..., and the statements on
// temporary tables. Anything else, or anything these shapes cannot be sure
// of, is Unknown.
class WriteStatement
{
public:
    enum Kind { Unknown, Update, Delete, Insert, CreateTemp, DropTable };

    static WriteStatement parse(const QString &sql);

    Kind kind = Unknown;
    QString table;
    // The condition after WHERE; empty for all rows.
    QString where;
    // Update only: the text between SET and WHERE.
    QString assignments;

    // Whether the assignments set column (case-insensitive, outside quotes).
    bool assigns(const QString &column) const;
    // Update only: the columns the assignments set, as written, when every
    // assignment has the plain form "column=expression"; empty otherwise.
    QStringList assignedColumns() const;

private:
    // sql with the inside of every quoted text replaced by blanks, same length.
    static QString withoutQuotedText(const QString &sql);
    // Position of the keyword at bracket depth 0 in masked text, or -1.
    static int topLevelKeyword(const QString &masked, const QString &keyword, int from);
};

#endif // WRITESTATEMENT_H
