// kolvex_bench: runs the registered benchmark cases on the large generated
// database, prints every line against the sqlite3 shell doing the same work
// on the same file in paired rounds, and closes with the table of targets.
#include "benchcase.h"
#include "largedb.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

bool s_verbose = false;

// The debug lines of the code under test (one per copied record and the
// like) and the offscreen platform's notices would bury the figures.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!s_verbose
        && (type == QtDebugMsg || type == QtInfoMsg
            || message.contains(QLatin1String("propagateSizeHints"))))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

struct Options
{
    bool regenerate = false;
    bool generateOnly = false;
    bool list = false;
    bool keepScratch = false;
    bool verbose = false;
    int rounds = 0;  // 0: each line's own number of rounds
    int scale = 1;   // the data set: 1 the large file, 10 ten times it
    QStringList filters;
};

void printUsage()
{
    std::printf("usage: kolvex_bench [--regenerate] [--generate-only] [--list] [--rounds N] "
                "[--scale K] [--keep-scratch] [--verbose] "
                "[case ...]\n"
                "  case: run only the cases whose name contains one of these texts\n"
                "  --rounds N: paired rounds per line (default: each line's own)\n"
                "  --scale K: K times the large data set (10: 200,000 appliances, 2,000,000 "
                "value sets), in its own folder\n"
                "  --keep-scratch: keep the copies and shell scripts of the run\n"
                "  --verbose: show the debug output of the code under test\n");
}

bool parseOptions(const QStringList &args, Options &options)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == "--regenerate")
            options.regenerate = true;
        else if (arg == "--generate-only")
            options.generateOnly = true;
        else if (arg == "--list")
            options.list = true;
        else if (arg == "--keep-scratch")
            options.keepScratch = true;
        else if (arg == "--verbose")
            options.verbose = true;
        else if (arg == "--rounds" && i + 1 < args.size())
            options.rounds = args.at(++i).toInt();
        else if (arg == "--scale" && i + 1 < args.size()) {
            bool ok = false;
            options.scale = args.at(++i).toInt(&ok);
            if (!ok || options.scale < 1)
                return false;
        }
        else if (arg.startsWith("--"))
            return false;
        else
            options.filters << arg;
    }
    return true;
}

// The operations a user waits for come first, in the order of a working
// session; the reference lines follow by name.
int rank(const QString &caseName)
{
    static const QStringList order{"startup",      "browsing",    "generalSearch",
                                   "quarnelImport", "crossSectionDerivation", "bulkActions",
                                   "backup"};
    const int index = order.indexOf(caseName);
    return index < 0 ? order.size() : index;
}

bool wanted(const BenchCase &benchCase, const QStringList &filters)
{
    if (filters.isEmpty())
        return true;
    return std::any_of(filters.begin(), filters.end(), [&](const QString &filter) {
        return benchCase.name.contains(filter, Qt::CaseInsensitive);
    });
}

const char kUnderXvfb[] = "KOLVEX_BENCH_UNDER_XVFB";

// The window lines are measured on a real X server: the offscreen platform
// paints nothing and makes start-up and memory look better than a user sees
// them. Without a display of its own the benchmark runs itself again under
// Xvfb; only where there is no Xvfb it falls back to offscreen. Returns the
// exit code of that run, or -1 when this process goes on by itself.
int runUnderXvfbWhenHeadless(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty(kUnderXvfb))
        return -1;
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return -1;
    }
    QStringList arguments{QStringLiteral("-a"), QStringLiteral("-s"),
                          QStringLiteral("-screen 0 1400x900x24"), QString::fromLocal8Bit(argv[0])};
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(kUnderXvfb), QStringLiteral("1"));
    run.setProcessEnvironment(environment);
    run.start(xvfbRun, arguments);
    if (!run.waitForFinished(-1) || run.exitStatus() != QProcess::NormalExit)
        return 1;
    return run.exitCode();
}

} // namespace

int main(int argc, char *argv[])
{
    const int xvfbExit = runUnderXvfbWhenHeadless(argc, argv);
    if (xvfbExit >= 0)
        return xvfbExit;
    QApplication app(argc, argv);
    // Settings stores in a temporary directory: the cases must never read or
    // write the user's own settings.
    TestSupport::isolateSettings();

    Options options;
    if (!parseOptions(app.arguments(), options)) {
        printUsage();
        return 2;
    }
    s_verbose = options.verbose;
    qInstallMessageHandler(quietMessages);
    std::vector<BenchCase> cases = benchCases();
    std::sort(cases.begin(), cases.end(), [](const BenchCase &a, const BenchCase &b) {
        const int rankA = rank(a.name), rankB = rank(b.name);
        return rankA != rankB ? rankA < rankB : a.name < b.name;
    });
    if (options.list) {
        for (const BenchCase &benchCase : cases)
            std::printf("%s\n", qPrintable(benchCase.name));
        return 0;
    }

    QElapsedTimer runTimer;
    runTimer.start();
    const QString dataDir =
        LargeDb::dataDirForScale(QStringLiteral(KOLVEX_BENCH_DATA_DIR), options.scale);
    QString error;
    std::printf("large database (scale %d): %s\n", options.scale,
                qPrintable(QDir::toNativeSeparators(dataDir)));
    std::fflush(stdout);
    bool generated = false;
    if (!LargeDb::ensure(dataDir, options.scale, options.regenerate, &error, &generated)) {
        std::fprintf(stderr, "cannot build the large database: %s\n", qPrintable(error));
        return 1;
    }
    if (generated)
        std::printf("generating the data set took %.0f s\n", runTimer.nsecsElapsed() / 1e9);
    else
        std::printf("data set already generated\n");
    std::fflush(stdout);
    if (options.generateOnly)
        return 0;

    QTemporaryDir scratch(dataDir + "/../scratch-XXXXXX");
    if (!scratch.isValid()) {
        std::fprintf(stderr, "cannot create a scratch directory\n");
        return 1;
    }
    if (options.keepScratch) {
        scratch.setAutoRemove(false);
        std::printf("scratch directory: %s\n", qPrintable(scratch.path()));
    }
    // Other work on the machine widens the ranges; the load says how much there was.
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly))
        std::printf("load average at start: %s", load.readAll().constData());
    std::printf("window platform: %s%s\n", qPrintable(QGuiApplication::platformName()),
                qEnvironmentVariableIsEmpty(kUnderXvfb) ? "" : " (Xvfb)");
    BenchContext context(dataDir, scratch.path(), options.rounds, options.scale);
    for (const BenchCase &benchCase : cases) {
        if (!wanted(benchCase, options.filters))
            continue;
        std::printf("== %s\n", qPrintable(benchCase.name));
        std::fflush(stdout);
        QElapsedTimer caseTimer;
        caseTimer.start();
        benchCase.run(context);
        TestSupport::closeAllConnections();
        std::printf("   (%s took %.0f s)\n", qPrintable(benchCase.name), caseTimer.nsecsElapsed() / 1e9);
    }
    context.printTargetTable();
    std::printf("run took %.0f s (scale %d, generating included)\n", runTimer.nsecsElapsed() / 1e9,
                options.scale);
    return 0;
}
