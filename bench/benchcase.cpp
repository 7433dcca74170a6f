#include "benchcase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <limits>

BenchContext::BenchContext(const QString &dataDir, const QString &scratchDir, int rounds)
    : m_dataDir(dataDir), m_scratchDir(scratchDir), m_rounds(std::max(1, rounds))
{
}

QString BenchContext::largeDatabase() const
{
    return m_dataDir + "/kolvexDB3.glo";
}

QString BenchContext::largeQuarnelDatabase() const
{
    return m_dataDir + "/kolvex3.glo";
}

QString BenchContext::quarnelExportDir() const
{
    return m_dataDir + "/quarnel";
}

QString BenchContext::scratchDir() const
{
    return m_scratchDir;
}

QString BenchContext::sqlite3Path() const
{
    return QStringLiteral(KOLVEX_SQLITE3);
}

int BenchContext::rounds() const
{
    return m_rounds;
}

QString BenchContext::copyOfLargeDatabase(const QString &name) const
{
    const QString dir = m_scratchDir + "/" + name;
    QDir().mkpath(dir);
    const QString target = dir + "/kolvexDB3.glo";
    QFile::remove(target);
    QFile::remove(dir + "/kolvex3.glo");
    QFile::copy(largeDatabase(), target);
    QFile::copy(largeQuarnelDatabase(), dir + "/kolvex3.glo");
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(dir + "/kolvex3.glo", QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

double BenchContext::timeOurs(int repetitions, const std::function<void()> &work,
                              const std::function<void()> &prepare) const
{
    repetitions = std::max(1, repetitions);
    double best = std::numeric_limits<double>::max();
    for (int round = 0; round < m_rounds; ++round) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < repetitions; ++i)
            work();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best / repetitions;
}

double BenchContext::runShellOnce(const QString &file, const QString &script) const
{
    const QString scriptFile = m_scratchDir + "/shell_script.sql";
    {
        QFile out(scriptFile);
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(script.toUtf8());
    }
    QProcess shell;
    shell.setStandardInputFile(scriptFile);
    shell.setStandardOutputFile(QProcess::nullDevice());
    shell.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    shell.start(sqlite3Path(), {file});
    shell.waitForFinished(-1);
    return timer.nsecsElapsed() / 1e9;
}

static QString repeated(const QString &setup, const QString &work, int repetitions)
{
    QString script = setup;
    script.reserve(setup.size() + (work.size() + 1) * repetitions);
    for (int i = 0; i < repetitions; ++i)
        script += work + "\n";
    return script;
}

double BenchContext::timeShell(const QString &file, const QString &setup, const QString &work,
                               int repetitions) const
{
    // The difference of two process runs is only meaningful when the work
    // clearly outweighs the jitter of starting the shell and running setup:
    // repeat the work until it takes a good quarter of a second.
    constexpr double kMinimumWork = 0.25;
    repetitions = std::max(1, repetitions);
    const double setupOnce = runShellOnce(file, setup);
    for (;;) {
        const double work1 = runShellOnce(file, repeated(setup, work, repetitions)) - setupOnce;
        if (work1 >= kMinimumWork || repetitions >= 200000)
            break;
        const double factor = work1 > 0 ? kMinimumWork / work1 * 1.2 : 8.0;
        repetitions = int(std::min(200000.0, repetitions * std::min(8.0, std::max(2.0, factor))));
    }
    const QString full = repeated(setup, work, repetitions);
    double bestFull = std::numeric_limits<double>::max();
    double bestSetup = std::numeric_limits<double>::max();
    // Alternate the two runs so that both see the same machine load.
    for (int round = 0; round < m_rounds; ++round) {
        bestSetup = std::min(bestSetup, runShellOnce(file, setup));
        bestFull = std::min(bestFull, runShellOnce(file, full));
    }
    return std::max(1e-9, bestFull - bestSetup) / repetitions;
}

static QString formatSeconds(double seconds)
{
    if (seconds < 1e-3)
        return QString::number(seconds * 1e6, 'f', 1) + " us";
    if (seconds < 1.0)
        return QString::number(seconds * 1e3, 'f', 2) + " ms";
    return QString::number(seconds, 'f', 3) + " s";
}

void BenchContext::report(const QString &measurement, double oursSeconds, double shellSeconds,
                          const QString &note) const
{
    const double ratio = shellSeconds > 0 ? oursSeconds / shellSeconds : 0.0;
    QString line = QStringLiteral("%1  ours %2  sqlite3 %3  ratio %4")
                       .arg(measurement, -58)
                       .arg(formatSeconds(oursSeconds), 10)
                       .arg(formatSeconds(shellSeconds), 10)
                       .arg(QString::number(ratio, 'f', 2), 6);
    if (!note.isEmpty())
        line += "  (" + note + ")";
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

std::vector<BenchCase> &benchCases()
{
    static std::vector<BenchCase> cases;
    return cases;
}

BenchCaseRegistrar::BenchCaseRegistrar(const char *name, BenchFunction run)
{
    benchCases().push_back({QString::fromLatin1(name), std::move(run)});
}
