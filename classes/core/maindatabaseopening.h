#ifndef MAINDATABASEOPENING_H
#define MAINDATABASEOPENING_H

#include <QSqlError>
#include <QString>

// Opening a file as the main database: connection "Kolvex" with its id
// table, the companion Quarnel file "kolvex3.glo" beside it on "QuarnelDB",
// and the attachment cache. A file that is missing, no Kolvex database or
// locked by another program is refused before the open database is given up.
class MainDatabaseOpening
{
public:
    // Opens file, for reading only when readOnly.
    static MainDatabaseOpening open(const QString &file, bool readOnly);

    // Refused at once: the open database is kept, nothing changed.
    bool refused = false;
    // Whether the main file is open now (its companion may have failed).
    bool opened = false;
    // The last failure; none on success.
    QSqlError error;
    // What the journal check on opening found (empty when all was well).
    QString journalNotice;

private:
    void openMainFile(const QString &file, bool readOnly);
    void repairJournal();
    static QSqlError openCompanion(const QString &mainFile, bool mainReadOnly);
};

#endif // MAINDATABASEOPENING_H
