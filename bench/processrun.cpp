#include "processrun.h"

#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace {

// Null-terminated argv/envp arrays over byte strings that outlive them.
std::vector<char *> pointers(std::vector<QByteArray> &texts)
{
    std::vector<char *> list;
    for (QByteArray &text : texts)
        list.push_back(text.data());
    list.push_back(nullptr);
    return list;
}

} // namespace

ProcessRun runProcess(const QString &program, const QStringList &arguments,
                      const QStringList &environment, const QString &inputFile)
{
    ProcessRun run;
    std::vector<QByteArray> argumentTexts{program.toLocal8Bit()};
    for (const QString &argument : arguments)
        argumentTexts.push_back(argument.toLocal8Bit());
    std::vector<QByteArray> environmentTexts;
    for (const QString &entry : environment)
        environmentTexts.push_back(entry.toLocal8Bit());
    std::vector<char *> argv = pointers(argumentTexts);
    std::vector<char *> envp = pointers(environmentTexts);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray input = inputFile.isEmpty() ? QByteArray("/dev/null") : inputFile.toLocal8Bit();
    posix_spawn_file_actions_addopen(&actions, 0, input.constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    QElapsedTimer timer;
    timer.start();
    run.startedAtMs = timer.msecsSinceReference();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argumentTexts.front().constData(), &actions, nullptr,
                                    argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    run.started = true;
    int status = 0;
    struct rusage usage = {};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            return run;
    }
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakMegabytes = usage.ru_maxrss / 1024.0;  // ru_maxrss is in KiB on Linux
    return run;
}
