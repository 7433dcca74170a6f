#include "benchcase.h"

#include "appsettings.h"
#include "dbconnections.h"
#include "idtable.h"
#include "shelltiming.h"
#include "statementrecorder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

BenchContext::BenchContext(const QString &dataDir, const QString &scratchDir, int roundsOverride,
                           int scale)
    : m_dataDir(dataDir), m_scratchDir(scratchDir), m_roundsOverride(roundsOverride),
      m_scale(std::max(1, scale))
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

QString BenchContext::programDir() const
{
    return QStringLiteral(KOLVEX_PROGRAM_DIR);
}

int BenchContext::rounds(int lineDefault, int defaultAboveScaleOne) const
{
    if (m_roundsOverride > 0)
        return m_roundsOverride;
    if (m_scale > 1 && defaultAboveScaleOne > 0)
        return defaultAboveScaleOne;
    return std::max(1, lineDefault);
}

QString BenchContext::copyOfLargeDatabase(const QString &name) const
{
    const QString dir = m_scratchDir + "/" + name;
    QDir().mkpath(dir);
    const QString target = dir + "/kolvexDB3.glo";
    for (const QString &old : {target, dir + "/kolvex3.glo", dir + "/journal.sql"})
        QFile::remove(old);
    QFile::copy(largeDatabase(), target);
    QFile::copy(largeQuarnelDatabase(), dir + "/kolvex3.glo");
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(dir + "/kolvex3.glo", QFile::ReadOwner | QFile::WriteOwner);
    // The copy's pages reach the disk now, not while the next line is
    // timed: their write-back would slow the commits measured there.
#ifdef Q_OS_UNIX
    ::sync();
#endif
    return target;
}

PairedTimes BenchContext::paired(int rounds, const std::function<double()> &ours,
                                 const std::function<double()> &baseline) const
{
    PairedTimes times;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            times.ours << ours();
            times.baseline << baseline();
        } else {
            times.baseline << baseline();
            times.ours << ours();
        }
    }
    return times;
}

double BenchContext::shellSeconds(const QString &file, const QString &setup, const QString &work,
                                  QStringList *errors) const
{
    const QString scriptFile = m_scratchDir + "/shell_script.sql";
    {
        QFile out(scriptFile);
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(ShellTiming::timedScript(setup, work).toUtf8());
    }
    QProcess shell;
    shell.setStandardInputFile(scriptFile);
    shell.start(sqlite3Path(), {file});
    shell.waitForFinished(-1);
    const QString output = QString::fromUtf8(shell.readAllStandardOutput());
    const QString errorText = QString::fromLocal8Bit(shell.readAllStandardError()).trimmed();
    if (errors && !errorText.isEmpty())
        *errors << errorText.split(QLatin1Char('\n'));
    const double seconds = ShellTiming::secondsBetweenMarks(output);
    if (seconds < 0) {
        std::fprintf(stderr, "sqlite3 gave no time marks: %s\n", qPrintable(errorText));
        return 0.0;
    }
    return seconds;
}

QString BenchContext::onePassOverWerte()
{
    return QStringLiteral("SELECT max(Geraet) FROM Werte;");
}

void BenchContext::useManufacturer58(const QString &file)
{
    AppSettings *settings = AppSettings::instance();
    settings->manufacturerMode = false;
    settings->currentManufacturerId = 58;
    settings->dbFile = file;
    settings->showOldAppliances = true;
    settings->allFilter.clear();
    settings->applianceFilter.clear();
    settings->valueFilter.clear();
    settings->applianceFields = AppSettings::defaultApplianceFields();
}

double BenchContext::timedAndRecorded(QStringList &statements, const std::function<void()> &work)
{
    std::unique_ptr<StatementRecorder> recorder;
    if (statements.isEmpty())
        recorder.reset(new StatementRecorder(kolvexDb(), StatementRecorder::AlsoNewConnections));
    QElapsedTimer timer;
    timer.start();
    work();
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (recorder)
        statements = ShellTiming::withoutTransactionControl(recorder->statements());
    return seconds;
}

QString BenchContext::idTableSetup()
{
    QString script = QStringLiteral("DROP TABLE IF EXISTS temp.seqidxs;\n"
                                    "CREATE TEMP TABLE seqidxs (id INTEGER PRIMARY KEY ASC);\n"
                                    "BEGIN;\n");
    for (int first = 1; first <= kIdTableSize; first += 100)
        script += idTableInsertStatement(first, 100) + ";\n";
    return script + "COMMIT;\n";
}

QString formatSeconds(double seconds)
{
    if (seconds < 1e-3)
        return QString::number(seconds * 1e6, 'f', 1) + " us";
    if (seconds < 1.0)
        return QString::number(seconds * 1e3, 'f', 1) + " ms";
    return QString::number(seconds, 'f', 3) + " s";
}

static QString formatRange(const PairedSummary &s)
{
    return QStringLiteral("%1 (%2-%3)")
        .arg(QString::number(s.ratioMedian, 'f', 2), QString::number(s.ratioMin, 'f', 2),
             QString::number(s.ratioMax, 'f', 2));
}

static void printLine(const QString &text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

PairedSummary BenchContext::reportRatio(const QString &line, const PairedTimes &times,
                                        const QString &baselineLabel, const QString &note)
{
    const PairedSummary s = summariseRatio(times);
    QString text = QStringLiteral("%1\n    ours %2 | %3 %4 | ratio %5 | %6 rounds")
                       .arg(line, formatSeconds(s.oursMedian), baselineLabel,
                            formatSeconds(s.baselineMedian), formatRange(s))
                       .arg(s.rounds);
    if (!note.isEmpty())
        text += "\n    " + note;
    printLine(text);
    return s;
}

PairedSummary BenchContext::reportShare(const QString &line, const PairedTimes &times,
                                        double units, const QString &unitName,
                                        const QString &baselineLabel, const QString &note)
{
    const PairedSummary s = summariseShare(times);
    const auto rate = [&](double seconds) {
        return QString::number(seconds > 0 ? units / seconds : 0.0, 'f', 0) + " " + unitName
               + "/s (" + formatSeconds(seconds) + ")";
    };
    QString text = QStringLiteral("%1\n    ours %2 | %3 %4 | share of baseline rate %5 | %6 rounds")
                       .arg(line, rate(s.oursMedian), baselineLabel, rate(s.baselineMedian),
                            formatRange(s))
                       .arg(s.rounds);
    if (!note.isEmpty())
        text += "\n    " + note;
    printLine(text);
    return s;
}

void BenchContext::reportValue(const QString &line, const QString &value, const QString &note)
{
    QString text = QStringLiteral("%1\n    %2").arg(line, value);
    if (!note.isEmpty())
        text += "\n    " + note;
    printLine(text);
}

void BenchContext::addTarget(const QString &line, const QString &target, const QString &measured,
                             bool met)
{
    m_targets.push_back({line, target, measured, met ? QStringLiteral("met")
                                                     : QStringLiteral("NOT MET")});
}

void BenchContext::targetRatioAtMost(const QString &line, const PairedSummary &summary,
                                     double limit)
{
    addTarget(line, QStringLiteral("<= %1x").arg(limit), formatRange(summary) + "x",
              summary.rounds > 0 && summary.ratioMedian <= limit);
}

void BenchContext::targetShareAtLeast(const QString &line, const PairedSummary &summary,
                                      double limit)
{
    addTarget(line, QStringLiteral(">= %1 %").arg(limit * 100),
              QStringLiteral("%1 % (%2-%3)")
                  .arg(summary.ratioMedian * 100, 0, 'f', 0)
                  .arg(summary.ratioMin * 100, 0, 'f', 0)
                  .arg(summary.ratioMax * 100, 0, 'f', 0),
              summary.rounds > 0 && summary.ratioMedian >= limit);
}

void BenchContext::targetSecondsAtMost(const QString &line, double seconds, double limit)
{
    addTarget(line, "<= " + formatSeconds(limit), formatSeconds(seconds),
              seconds > 0 && seconds <= limit);
}

void BenchContext::targetMegabytesAtMost(const QString &line, double megabytes, double limit)
{
    addTarget(line, QStringLiteral("<= %1 MB").arg(limit),
              QStringLiteral("%1 MB").arg(megabytes, 0, 'f', 1), megabytes > 0 && megabytes <= limit);
}

void BenchContext::targetNotMeasured(const QString &line, const QString &target,
                                     const QString &reason)
{
    m_targets.push_back({line, target, reason, QStringLiteral("NOT MEASURED")});
}

int BenchContext::printTargetTable() const
{
    if (m_targets.empty())
        return 0;
    int lineWidth = 4, targetWidth = 6, measuredWidth = 8;
    for (const TargetRow &row : m_targets) {
        lineWidth = std::max(lineWidth, int(row.line.size()));
        targetWidth = std::max(targetWidth, int(row.target.size()));
        measuredWidth = std::max(measuredWidth, int(row.measured.size()));
    }
    const auto row = [&](const QString &a, const QString &b, const QString &c, const QString &d) {
        return QStringLiteral("%1 | %2 | %3 | %4")
            .arg(a, -lineWidth)
            .arg(b, -targetWidth)
            .arg(c, -measuredWidth)
            .arg(d);
    };
    printLine(QString());
    printLine(QStringLiteral("== targets (median over the paired rounds)"));
    printLine(row("line", "target", "measured", "result"));
    printLine(QString(lineWidth + targetWidth + measuredWidth + 18, QLatin1Char('-')));
    int missed = 0;
    for (const TargetRow &r : m_targets) {
        printLine(row(r.line, r.target, r.measured, r.verdict));
        if (r.verdict != QLatin1String("met"))
            ++missed;
    }
    printLine(QStringLiteral("%1 of %2 targets met").arg(int(m_targets.size()) - missed)
                  .arg(m_targets.size()));
    return missed;
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
