#include "startupmarks.h"

#include "deferredstartup.h"

#include <QElapsedTimer>
#include <QFile>

namespace StartupMarks {

void noteMomentsOf(DeferredStartup &startup)
{
    const QString file = qEnvironmentVariable(kEnvironmentVariable);
    if (file.isEmpty())
        return;
    QObject::connect(&startup, &DeferredStartup::shown, &startup,
                     [file] { append(file, "shown"); });
    QObject::connect(&startup, &DeferredStartup::filled, &startup,
                     [file] { append(file, "filled"); });
}

bool append(const QString &file, const char *moment)
{
    QElapsedTimer clock;
    clock.start();
    const QByteArray line = QByteArray(moment) + ' '
                            + QByteArray::number(clock.msecsSinceReference()) + '\n';
    QFile out(file);
    return out.open(QIODevice::WriteOnly | QIODevice::Append) && out.write(line) == line.size();
}

} // namespace StartupMarks
