#ifndef LARGEDB_H
#define LARGEDB_H

#include <QString>

// The large synthetic data set the benchmarks run on: a main database with
// hundreds of manufacturers, tens of thousands of appliances and hundreds of
// thousands of value sets, its companion Quarnel file, and Quarnel text
// exports with a 100,000-line WAERMEDB and 10,000 cross-sections. Every
// generation yields the same files.
namespace LargeDb {

// Builds the data set in dir unless a complete one built from the same
// generator inputs is there already (or always, with regenerate).
// Returns false and sets error on failure.
bool ensure(const QString &dir, bool regenerate, QString *error);

// Writes the Quarnel text exports into dir (Latin-1, CRLF, "|"-separated,
// texts in double quotes, decimal commas).
bool writeQuarnelExports(const QString &dir, QString *error);

} // namespace LargeDb

#endif // LARGEDB_H
