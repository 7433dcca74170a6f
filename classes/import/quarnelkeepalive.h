#ifndef QUARNELKEEPALIVE_H
#define QUARNELKEEPALIVE_H

#include "quarnelprogresspacer.h"

#include <functional>

// Keeps a window alive during the long steps of the import: its handler
// (typically letting the event loop run) is called between statements
// that may take a while, and, paced by elapsed time, between the many
// rows of a loop. Without a handler it does nothing.
class QuarnelKeepAlive
{
public:
    explicit QuarnelKeepAlive(std::function<void()> handler = std::function<void()>(),
                              int intervalMs = QuarnelProgressPacer::kDefaultInterval);

    void setHandler(std::function<void()> handler) { m_handler = std::move(handler); }
    const std::function<void()> &handler() const { return m_handler; }
    void setInterval(int intervalMs) { m_pacer.setInterval(intervalMs); }
    int interval() const { return m_pacer.interval(); }

    // Between statements.
    void now();
    // Between rows: only once the interval has passed.
    void tick();

private:
    std::function<void()> m_handler;
    QuarnelProgressPacer m_pacer;
};

#endif // QUARNELKEEPALIVE_H
