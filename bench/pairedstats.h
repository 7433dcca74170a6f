#ifndef PAIREDSTATS_H
#define PAIREDSTATS_H

#include <QVector>

// The times of paired rounds: ours[i] and baseline[i] were taken in the same
// round, one right after the other.
struct PairedTimes
{
    QVector<double> ours;
    QVector<double> baseline;
};

// Medians of both sides and the median, minimum and maximum of the
// per-round quotients.
struct PairedSummary
{
    int rounds = 0;
    double oursMedian = 0.0;
    double baselineMedian = 0.0;
    double ratioMedian = 0.0;
    double ratioMin = 0.0;
    double ratioMax = 0.0;
};

double median(QVector<double> values);

// Quotient per round: ours / baseline (how many times the baseline's time
// ours takes).
PairedSummary summariseRatio(const PairedTimes &times);
// Quotient per round: baseline / ours (the share of the baseline's rate that
// ours reaches when both do the same amount of work).
PairedSummary summariseShare(const PairedTimes &times);

#endif // PAIREDSTATS_H
