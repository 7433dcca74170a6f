#include "workprogress.h"

namespace {

WorkProgress::Display *&displaySlot()
{
    static WorkProgress::Display *display = nullptr;
    return display;
}

} // namespace

WorkProgress::WorkProgress(const QString &text, int total, bool cancellable)
    : m_display(displaySlot()), m_total(qMax(total, 1)), m_cancellable(cancellable)
{
    if (m_display)
        m_display->begin(text, cancellable);
}

WorkProgress::~WorkProgress()
{
    if (m_display)
        m_display->end();
}

bool WorkProgress::advance(int done)
{
    if (m_cancelled)
        return false;
    if (m_display && !m_display->update(qMin(done, m_total), m_total) && m_cancellable)
        m_cancelled = true;
    return !m_cancelled;
}

void WorkProgress::install(Display *display)
{
    displaySlot() = display;
}

WorkProgress::Display *WorkProgress::installed()
{
    return displaySlot();
}
