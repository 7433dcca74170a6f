#ifndef LARGEDB_H
#define LARGEDB_H

#include <QString>

// The large synthetic data set the benchmarks run on: a main database with
// hundreds of manufacturers, tens of thousands of appliances and hundreds of
// thousands of value sets, its companion Quarnel file, and Quarnel text
// exports with a 100,000-line WAERMEDB and 10,000 cross-sections. At scale
// k every count is k times that (bench/large_data.sql). Every generation
// yields the same files.
namespace LargeDb {

// Builds the data set of the given scale in dir unless a complete one built
// from the same generator inputs and scale is there already (or always,
// with regenerate). generated, when given, tells whether it was built now.
// Returns false and sets error on failure.
bool ensure(const QString &dir, int scale, bool regenerate, QString *error,
            bool *generated = nullptr);

// Writes the Quarnel text exports of the given scale into dir (Latin-1,
// CRLF, "|"-separated, texts in double quotes, decimal commas).
bool writeQuarnelExports(const QString &dir, int scale, QString *error);

// The folder of the data set of scale: baseDir itself for 1, else
// baseDir followed by "-x" and the scale, so that the sizes live side by side.
QString dataDirForScale(const QString &baseDir, int scale);

} // namespace LargeDb

#endif // LARGEDB_H
