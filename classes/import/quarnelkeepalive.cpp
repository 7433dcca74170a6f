#include "quarnelkeepalive.h"

QuarnelKeepAlive::QuarnelKeepAlive(std::function<void()> handler, int intervalMs)
    : m_handler(std::move(handler)), m_pacer(intervalMs)
{
}

void QuarnelKeepAlive::now()
{
    if (m_handler)
        m_handler();
}

void QuarnelKeepAlive::tick()
{
    if (m_handler && m_pacer.isDue())
        m_handler();
}
