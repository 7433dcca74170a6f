#include "quarnelprogresspacer.h"

QuarnelProgressPacer::QuarnelProgressPacer(int intervalMs)
    : m_interval(intervalMs)
{
    m_timer.start();
}

bool QuarnelProgressPacer::isDue()
{
    if (m_timer.elapsed() < m_interval)
        return false;
    m_timer.restart();
    return true;
}
