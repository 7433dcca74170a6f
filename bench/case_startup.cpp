// Start-up of the maintenance edition on the large database, as a whole
// process: from the start of KolvexSelvantoPflege until its lists are filled
// and the window is shown (the program ends there when KOLVEX_CLOSE_AFTER_START
// is set), against the sqlite3 shell running the statements that opening the
// database runs, also as a whole process. The same runs give the program's
// peak resident memory with the large file open.
#include "appsettings.h"
#include "benchcase.h"
#include "mainwindow.h"
#include "processrun.h"
#include "shelltiming.h"
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
QStringList programEnvironment(const QString &home)
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
    return environment.toStringList();
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
    const QStringList environment = programEnvironment(context.scratchDir() + "/startup-home");
    // The first start writes the settings defaults; a user's every later start does not.
    runProcess(program, {file}, environment);

    QVector<double> peaks;
    int failures = 0;
    const PairedTimes times = context.paired(
        context.rounds(5),
        [&] {
            const ProcessRun run = runProcess(program, {file}, environment);
            if (run.exitCode != 0)
                ++failures;
            peaks << run.peakMegabytes;
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

    const double peak = median(peaks);
    context.reportValue("peak resident memory of the program with the large file open",
                        QStringLiteral("median %1 MB over %2 starts (max %3 MB)")
                            .arg(peak, 0, 'f', 1)
                            .arg(peaks.size())
                            .arg(*std::max_element(peaks.begin(), peaks.end()), 0, 'f', 1));
    context.targetMegabytesAtMost("peak memory with the large file open", peak, 120);
}
