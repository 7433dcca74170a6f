#include "filesync.h"

#include <QFile>

#include <cerrno>
#if defined(Q_OS_WIN)
#include <io.h>
#else
#include <unistd.h>
#endif

bool syncFileToDisk(QFile &file, QString *error)
{
    if (!file.flush()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const int descriptor = file.handle();
    if (descriptor < 0)
        return true;
#if defined(Q_OS_WIN)
    const bool synced = ::_commit(descriptor) == 0;
#else
    const bool synced = ::fsync(descriptor) == 0;
#endif
    if (!synced && error)
        *error = qt_error_string(errno);
    return synced;
}
