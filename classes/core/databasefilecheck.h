#ifndef DATABASEFILECHECK_H
#define DATABASEFILECHECK_H

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// What the program finds out about a file before it takes it as its main
// database. The errors carry a German reason that names the file.

// Whether the file and its folder can be written (SQLite writes its journal
// beside the file); false for a missing file.
bool isWritableDatabaseFile(const QString &file);

// Refuses what cannot be the main database: a missing path, a folder, a file
// that is no SQLite database, a database without the tables Hersteller,
// Geraete and Werte, and a file another program holds locked (after one busy
// timeout). Reads through a short-lived connection of its own, opened for
// reading only when readOnly is set; creates and writes nothing.
QSqlError checkKolvexDatabaseFile(const QString &file, bool readOnly);

// The same check on a connection already open on file.
QSqlError checkKolvexTables(QSqlDatabase db, const QString &file);

// Whether error says the file is locked by another connection.
bool isLockError(const QSqlError &error);

// A German reason for a failed statement on file: "Datenbank ist gesperrt"
// for a lock, a note for a file that is no database, SQLite's own text
// otherwise.
QString describeDatabaseError(const QSqlError &error, const QString &file);

// An error value holding the German text.
QSqlError databaseFileError(const QString &text);

#endif // DATABASEFILECHECK_H
