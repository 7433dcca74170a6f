// Start-up of the maintenance edition on the large database, as a whole
// process: from the start of KolvexSelvantoPflege until its lists are filled
// and the window is shown (the program ends there when KOLVEX_CLOSE_AFTER_START
// is set), against the sqlite3 shell running the statements that opening the
// database runs, also as a whole process. The same runs give the time until
// the window is first shown (painted, with the wait cursor, before the file
// is opened) from the marks the program notes on the monotonic clock, and
// the program's peak resident memory with the large file open.
#include "appsettings.h"
#include "benchcase.h"
#include "mainwindow.h"
#include "processrun.h"
#include "shelltiming.h"
#include "startupmarks.h"
#include "statementrecorder.h"

#include <QDir>
#include <algorithm>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

namespace {

// The program's environment: settings, data and runtime directories of its
// own in the scratch directory (never the user's), on the display the
// benchmark itself runs on.
QStringList programEnvironment(const QString &home, const QString &marksFile)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *dir : {"config", "etc", "data", "runtime"})
        QDir().mkpath(home + "/" + dir);
    QFile::setPermissions(home + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    environment.insert("XDG_CONFIG_DIRS", home + "/etc");
    environment.insert("XDG_DATA_HOME", home + "/data");
    environment.insert("XDG_RUNTIME_DIR", home + "/runtime");
    environment.insert("KOLVEX_CLOSE_AFTER_START", "1");
    environment.insert(QLatin1String(StartupMarks::kEnvironmentVariable), marksFile);
    return environment.toStringList();
}

// Seconds from the start of run until the moment the program noted in
// marksFile; -1 when it noted none.
double secondsUntilMark(const QString &marksFile, const char *moment, const ProcessRun &run)
{
    QFile marks(marksFile);
    if (!marks.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(moment) + ' ';
    for (const QByteArray &line : marks.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return (line.mid(prefix.size()).toLongLong() - run.startedAtMs) / 1e3;
    }
    return -1;
}

// The statements opening file runs in the maintenance window, on the main file.
QStringList openingStatements(const QString &file)
{
    AppSettings *settings = AppSettings::instance();
    settings->manufacturerMode = false;
    settings->currentManufacturerId = -1;
    settings->allFilter.clear();
    settings->applianceFilter.clear();
    settings->valueFilter.clear();
    settings->applianceFields = AppSettings::defaultApplianceFields();
    settings->valueFields = AppSettings::defaultValueFields();
    MainWindow window;
    StatementRecorder recorder;
    window.openDataBase(file);
    recorder.stop();
    return recorder.statements(file);
}

} // namespace

KOLVEX_BENCH_CASE(startup)
{
    const QString program = context.programDir() + "/KolvexSelvantoPflege";
    if (!QFileInfo(program).isExecutable()) {
        context.reportValue("start-up", "NOT MEASURED: " + program + " missing");
        context.targetNotMeasured("start-up (absolute)", "<= 500 ms", "program missing");
        return;
    }
    const QString file = context.copyOfLargeDatabase("startup");
    const QStringList statements = openingStatements(file);
    const QString scriptFile = context.scratchDir() + "/startup_statements.sql";
    {
        QFile out(scriptFile);
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(ShellTiming::script(statements).toUtf8());
    }
    const QString marksFile = context.scratchDir() + "/startup-marks.txt";
    const QStringList environment =
        programEnvironment(context.scratchDir() + "/startup-home", marksFile);
    // The first start writes the settings defaults; a user's every later start does not.
    runProcess(program, {file}, environment);

    QVector<double> peaks;
    QVector<double> shown;
    QVector<double> filled;
    int failures = 0;
    int unmarked = 0;
    const PairedTimes times = context.paired(
        context.rounds(5),
        [&] {
            QFile::remove(marksFile);
            const ProcessRun run = runProcess(program, {file}, environment);
            if (run.exitCode != 0)
                ++failures;
            peaks << run.peakMegabytes;
            const double shownSeconds = secondsUntilMark(marksFile, "shown", run);
            const double filledSeconds = secondsUntilMark(marksFile, "filled", run);
            if (shownSeconds < 0 || filledSeconds < 0)
                ++unmarked;
            else {
                shown << shownSeconds;
                filled << filledSeconds;
            }
            return run.seconds;
        },
        [&] { return runProcess(context.sqlite3Path(), {file}, environment, scriptFile).seconds; });
    QString note = QStringLiteral("whole processes; lists of the first manufacturer; "
                                  "%1 statements on the main file")
                       .arg(statements.size());
    if (failures)
        note += QStringLiteral("; %1 runs did NOT end cleanly").arg(failures);
    const PairedSummary summary = context.reportRatio(
        "start-up of the maintenance edition until the lists are filled", times,
        "sqlite3 same statements", note);
    context.targetSecondsAtMost("start-up (absolute)", summary.oursMedian, 0.5);
    context.targetRatioAtMost("start-up vs same statements", summary, 1.5);

    const QString shownLine = QStringLiteral("start-up until the window is first shown (wait cursor)");
    if (shown.isEmpty()) {
        context.reportValue(shownLine, "NOT MEASURED: the program noted no moments");
        context.targetNotMeasured("start-up, window shown", "<= 300.0 ms", "no marks");
    } else {
        QString shownNote = QStringLiteral("inside the same runs; lists filled after %1 (median)")
                                .arg(formatSeconds(median(filled)));
        if (unmarked)
            shownNote += QStringLiteral("; %1 runs noted NO moments").arg(unmarked);
        context.reportValue(shownLine,
                            QStringLiteral("median %1 over %2 starts (%3-%4)")
                                .arg(formatSeconds(median(shown)))
                                .arg(shown.size())
                                .arg(formatSeconds(*std::min_element(shown.begin(), shown.end())),
                                     formatSeconds(*std::max_element(shown.begin(), shown.end()))),
                            shownNote);
        context.targetSecondsAtMost("start-up, window shown", median(shown), 0.3);
    }

    const double peak = median(peaks);
    context.reportValue("peak resident memory of the program with the large file open",
                        QStringLiteral("median %1 MB over %2 starts (max %3 MB)")
                            .arg(peak, 0, 'f', 1)
                            .arg(peaks.size())
                            .arg(*std::max_element(peaks.begin(), peaks.end()), 0, 'f', 1));
    context.targetMegabytesAtMost("peak memory with the large file open", peak, 120);
}
