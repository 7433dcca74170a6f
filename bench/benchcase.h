#ifndef BENCHCASE_H
#define BENCHCASE_H

#include "pairedstats.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// What a benchmark case gets: the large generated database, a scratch
// directory, the paired measurement against the real sqlite3 shell, and the
// report with its closing table of targets.
//
// Every line is measured in paired rounds: each round runs our code and the
// baseline once, in alternating order, so that drift of the machine load
// reaches both sides of a round alike. A line prints the median of the
// per-round ratios with their range and the medians of both sides.
class BenchContext
{
public:
    // scale: the size of the data set, 1 for the large file, 10 for ten
    // times it (LargeDb).
    BenchContext(const QString &dataDir, const QString &scratchDir, int roundsOverride,
                 int scale = 1);

    // The generated main database ("kolvexDB3.glo"). Treat it as read-only;
    // cases that change data work on copyOfLargeDatabase().
    QString largeDatabase() const;
    // The companion Quarnel file beside it ("kolvex3.glo").
    QString largeQuarnelDatabase() const;
    // The generated Quarnel text exports (WAERMEDB.txt and the others).
    QString quarnelExportDir() const;
    // A directory that lives for the whole run.
    QString scratchDir() const;
    QString sqlite3Path() const;
    // The program directory (KolvexSelvantoPflege and its siblings).
    QString programDir() const;

    int scale() const { return m_scale; }
    // A count of the data set at scale 1 (100,000 WAERMEDB lines) at the
    // scale of this run.
    int scaled(int countAtScaleOne) const { return countAtScaleOne * m_scale; }

    // The number of paired rounds for a line: the --rounds option when
    // given, else the line's own default; above scale 1 the second default
    // when given (a line whose rounds grow with the data faster than the rest).
    int rounds(int lineDefault, int defaultAboveScaleOne = 0) const;

    // Fresh copy of the main database (and the companion file) in the
    // sub-directory name of the scratch directory; returns the main file.
    QString copyOfLargeDatabase(const QString &name) const;

    // Runs rounds paired rounds. ours and baseline each do one measurement
    // and return its seconds (untimed preparation may happen inside).
    // Even rounds start with ours, odd rounds with the baseline.
    PairedTimes paired(int rounds, const std::function<double()> &ours,
                       const std::function<double()> &baseline) const;

    // Seconds the sqlite3 shell needs for work on file, measured by the shell
    // itself between two time marks: process start, opening the file and
    // setup stay outside. Output goes nowhere. Error messages of the shell
    // are added to errors when given.
    double shellSeconds(const QString &file, const QString &setup, const QString &work,
                        QStringList *errors = nullptr) const;

    // One pass of the shell over the value table (the physical yardstick).
    static QString onePassOverWerte();
    // The statements that create and fill the id table seqidxs, as the
    // program runs them when it opens a database: setup for shell scripts
    // that replay statements of the free-id search.
    static QString idTableSetup();
    // The maintenance edition's settings (every change journaled) with
    // manufacturer 58 chosen on file, no filter, the default appliance fields.
    static void useManufacturer58(const QString &file);
    // Times work on the main connection; when statements is still empty it
    // also records what SQLite ran (our transaction statements left out), for
    // the shell to replay.
    static double timedAndRecorded(QStringList &statements, const std::function<void()> &work);

    // Prints a measured line: both medians, the median ratio ours/baseline
    // with min-max, the number of rounds and a note. Returns the statistics.
    PairedSummary reportRatio(const QString &line, const PairedTimes &times,
                              const QString &baselineLabel, const QString &note = QString());
    // Prints a throughput line for work of the same size on both sides:
    // the share of the baseline's rate that ours reaches (baseline / ours).
    PairedSummary reportShare(const QString &line, const PairedTimes &times, double units,
                              const QString &unitName, const QString &baselineLabel,
                              const QString &note = QString());
    // Prints a line without a baseline.
    void reportValue(const QString &line, const QString &value, const QString &note = QString());

    // Rows of the closing table.
    void targetRatioAtMost(const QString &line, const PairedSummary &summary, double limit);
    void targetShareAtLeast(const QString &line, const PairedSummary &summary, double limit);
    void targetSecondsAtMost(const QString &line, double seconds, double limit);
    void targetMegabytesAtMost(const QString &line, double megabytes, double limit);
    // A line that could not be measured.
    void targetNotMeasured(const QString &line, const QString &target, const QString &reason);

    // Prints the closing table; returns the number of targets not met.
    int printTargetTable() const;

private:
    struct TargetRow
    {
        QString line;
        QString target;
        QString measured;
        QString verdict;
    };
    void addTarget(const QString &line, const QString &target, const QString &measured,
                   bool met);

    QString m_dataDir;
    QString m_scratchDir;
    int m_roundsOverride;
    int m_scale;
    std::vector<TargetRow> m_targets;
};

// Seconds as a short text ("12.3 ms", "1.234 s").
QString formatSeconds(double seconds);

using BenchFunction = std::function<void(BenchContext &)>;

struct BenchCase
{
    QString name;
    BenchFunction run;
};

// Every case registered by KOLVEX_BENCH_CASE, in registration order.
std::vector<BenchCase> &benchCases();

struct BenchCaseRegistrar
{
    BenchCaseRegistrar(const char *name, BenchFunction run);
};

// Defines and registers a case; put it in its own bench/case_<name>.cpp:
//
//   KOLVEX_BENCH_CASE(myCase)
//   {
//       const PairedTimes times = context.paired(context.rounds(5),
//           [&] { ...; return seconds; },
//           [&] { return context.shellSeconds(file, setup, work); });
//       context.targetRatioAtMost("my line", context.reportRatio("my line", times, "sqlite3"), 1.5);
//   }
#define KOLVEX_BENCH_CASE(id)                                                               \
    static void kolvexBenchCase_##id(BenchContext &context);                                \
    static const BenchCaseRegistrar kolvexBenchRegistrar_##id(#id, kolvexBenchCase_##id);   \
    static void kolvexBenchCase_##id(BenchContext &context)

#endif // BENCHCASE_H
