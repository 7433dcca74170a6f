#include "pairedstats.h"

#include <algorithm>
#include <functional>

double median(QVector<double> values)
{
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

namespace {

PairedSummary summarise(const PairedTimes &times,
                        const std::function<double(double ours, double baseline)> &quotient)
{
    PairedSummary summary;
    const int n = std::min(times.ours.size(), times.baseline.size());
    summary.rounds = n;
    if (n == 0)
        return summary;
    QVector<double> quotients;
    for (int i = 0; i < n; ++i) {
        const double baseline = std::max(times.baseline[i], 1e-9);
        const double ours = std::max(times.ours[i], 1e-9);
        quotients << quotient(ours, baseline);
    }
    summary.oursMedian = median(times.ours.mid(0, n));
    summary.baselineMedian = median(times.baseline.mid(0, n));
    summary.ratioMedian = median(quotients);
    summary.ratioMin = *std::min_element(quotients.begin(), quotients.end());
    summary.ratioMax = *std::max_element(quotients.begin(), quotients.end());
    return summary;
}

} // namespace

PairedSummary summariseRatio(const PairedTimes &times)
{
    return summarise(times, [](double ours, double baseline) { return ours / baseline; });
}

PairedSummary summariseShare(const PairedTimes &times)
{
    return summarise(times, [](double ours, double baseline) { return baseline / ours; });
}
