#ifndef QUARNELPROGRESSPACER_H
#define QUARNELPROGRESSPACER_H

#include <QElapsedTimer>

// Paces the progress display of a long import by elapsed time: isDue()
// says yes once per interval, however many rows go by in between. The
// default of 50 ms gives 20 repaints a second, cheap compared to the work
// and often enough for the counter to look alive.
class QuarnelProgressPacer
{
public:
    static const int kDefaultInterval = 50;  // milliseconds

    explicit QuarnelProgressPacer(int intervalMs = kDefaultInterval);

    void setInterval(int intervalMs) { m_interval = intervalMs; }
    int interval() const { return m_interval; }

    // True when the interval has passed since the last time it said so
    // (or since construction); starts the next interval then.
    bool isDue();

private:
    QElapsedTimer m_timer;
    int m_interval;
};

#endif // QUARNELPROGRESSPACER_H
