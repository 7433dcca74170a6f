#ifndef BENCHCASE_H
#define BENCHCASE_H

#include <QString>

#include <functional>
#include <vector>

// What a benchmark case gets: the large generated database, a scratch
// directory, timers for our code and for the sqlite3 shell, and the report.
//
// Every measurement is printed as a ratio against a baseline taken in the
// same run: the same work done by the real sqlite3 shell on the same file.
class BenchContext
{
public:
    BenchContext(const QString &dataDir, const QString &scratchDir, int rounds);

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
    int rounds() const;

    // Fresh copy of the main database (and the companion file) in a new
    // sub-directory name of the scratch directory; returns the main file.
    QString copyOfLargeDatabase(const QString &name) const;

    // Seconds per call of work: the best of rounds() rounds of repetitions
    // calls. prepare (if given) runs untimed before each round.
    double timeOurs(int repetitions, const std::function<void()> &work,
                    const std::function<void()> &prepare = {}) const;

    // Seconds the sqlite3 shell needs for work, run repetitions times on file
    // after setup: the best run of setup + work minus the best run of setup
    // alone (so process start, opening the file and setup drop out).
    double timeShell(const QString &file, const QString &setup, const QString &work,
                     int repetitions = 1) const;

    // Wall-clock seconds of one run of the shell on file with script.
    double runShellOnce(const QString &file, const QString &script) const;

    // Prints one line: measurement, our time, the shell's time and the ratio.
    void report(const QString &measurement, double oursSeconds, double shellSeconds,
                const QString &note = QString()) const;

private:
    QString m_dataDir;
    QString m_scratchDir;
    int m_rounds;
};

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
//       const double ours = context.timeOurs(100, [&] { ... });
//       const double shell = context.timeShell(context.largeDatabase(), "", "SELECT ...;", 100);
//       context.report("my measurement", ours, shell);
//   }
#define KOLVEX_BENCH_CASE(id)                                                               \
    static void kolvexBenchCase_##id(BenchContext &context);                                \
    static const BenchCaseRegistrar kolvexBenchRegistrar_##id(#id, kolvexBenchCase_##id);   \
    static void kolvexBenchCase_##id(BenchContext &context)

#endif // BENCHCASE_H
