#include "diagnosticslog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

namespace {

struct LogState {
    QMutex mutex;
    QFile file;
    qint64 written = 0;
    QtMessageHandler previous = nullptr;
};

// Never destroyed: messages may still come while static objects go.
LogState &state()
{
    static LogState *log = new LogState;
    return *log;
}

const char *typeName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "Debug";
    case QtInfoMsg: return "Info";
    case QtWarningMsg: return "Warnung";
    case QtCriticalMsg: return "Kritisch";
    case QtFatalMsg: return "Fatal";
    }
    return "";
}

void writeToFile(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    LogState &log = state();
    QMutexLocker lock(&log.mutex);
    if (!log.file.isOpen() || log.written >= DiagnosticsLog::kMaxBytesPerRun)
        return;
    QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' '
                      + typeName(type) + ' ';
    if (context.file)
        line += QByteArray(context.file) + ' ';
    line += message.toUtf8() + '\n';
    log.written += line.size();
    if (log.written >= DiagnosticsLog::kMaxBytesPerRun)
        line += "… weitere Meldungen dieses Laufs nur auf stderr\n";
    log.file.write(line);
    log.file.flush();
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    writeToFile(type, context, message);
    if (state().previous)
        state().previous(type, context, message);
}

// name.log becomes name.log.1 and so on; the oldest kept run goes.
void shiftEarlierRuns(const QString &base)
{
    QFile::remove(base + QStringLiteral(".%1").arg(DiagnosticsLog::kRunsKept - 1));
    for (int run = DiagnosticsLog::kRunsKept - 2; run >= 1; --run)
        QFile::rename(base + QStringLiteral(".%1").arg(run),
                      base + QStringLiteral(".%1").arg(run + 1));
    QFile::rename(base, base + QStringLiteral(".1"));
}

} // namespace

bool DiagnosticsLog::install(const QString &folder, const QString &name)
{
    LogState &log = state();
    {
        QMutexLocker lock(&log.mutex);
        if (log.file.isOpen())
            log.file.close();
        const QString base = QDir(folder).filePath(name + QStringLiteral(".log"));
        if (!QDir().mkpath(folder))
            return false;
        shiftEarlierRuns(base);
        log.file.setFileName(base);
        log.written = 0;
        if (!log.file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            return false;
    }
    if (!log.previous)
        log.previous = qInstallMessageHandler(handleMessage);
    return true;
}

QString DiagnosticsLog::path()
{
    LogState &log = state();
    QMutexLocker lock(&log.mutex);
    return log.file.isOpen() ? log.file.fileName() : QString();
}
