#ifndef WORKPROGRESS_H
#define WORKPROGRESS_H

#include "busycursor.h"

#include <QString>

// Progress of one long piece of work that the user waits for (a bulk
// delete, the quality-mark switch, a search over every value set). The wait
// cursor shows at once; the installed display (the window's progress dialog)
// appears when the work goes on for longer than a second and is kept painted
// at every step. Work that can be cancelled safely (a read, or a write action
// that then rolls back completely) asks at each step whether to go on.
// Without an installed display the steps only count (tests, the benchmark).
class WorkProgress
{
public:
    // What the window shows; it lives as long as the process.
    class Display
    {
    public:
        virtual ~Display() = default;
        virtual void begin(const QString &text, bool cancellable) = 0;
        // After step done of total; returns false when the user cancelled.
        virtual bool update(int done, int total) = 0;
        virtual void end() = 0;
    };

    // text: what is being done, in German ("Feuerstätten werden gelöscht …").
    WorkProgress(const QString &text, int total, bool cancellable);
    ~WorkProgress();
    WorkProgress(const WorkProgress &) = delete;
    WorkProgress &operator=(const WorkProgress &) = delete;

    // Step done of total is finished; false once the user has cancelled
    // (always true for work that cannot be cancelled).
    bool advance(int done);
    bool wasCancelled() const { return m_cancelled; }

    // The display from now on (nullptr: none); installed() is the one in use.
    static void install(Display *display);
    static Display *installed();

private:
    BusyCursor m_busy;
    Display *m_display;
    int m_total;
    bool m_cancellable;
    bool m_cancelled = false;
};

#endif // WORKPROGRESS_H
