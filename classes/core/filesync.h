#ifndef FILESYNC_H
#define FILESYNC_H

#include <QString>

class QFile;

// Hands what was written to an open file to the disk (flush, then fsync or
// _commit). A file without a system descriptor counts as synced. On failure
// error, when given, receives the system's reason.
bool syncFileToDisk(QFile &file, QString *error = nullptr);

#endif // FILESYNC_H
