#include "tiedprocess.h"

#include <QCoreApplication>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

TiedProcess::TiedProcess(QObject *parent)
    : QProcess(parent), m_programId(QCoreApplication::applicationPid())
{
}

void TiedProcess::setupChildProcess()
{
#ifdef Q_OS_LINUX
    // Runs in the child between fork and exec.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The program may have ended before the tie was made.
    if (::getppid() != m_programId)
        ::_exit(1);
#endif
}
