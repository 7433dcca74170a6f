#include "busycursor.h"

#include <QCursor>
#include <QGuiApplication>

BusyCursor::BusyCursor()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_shown = true;
    }
}

BusyCursor::~BusyCursor()
{
    if (m_shown)
        QGuiApplication::restoreOverrideCursor();
}

void BusyCursor::pause()
{
    if (!m_shown)
        return;
    QGuiApplication::restoreOverrideCursor();
    m_shown = false;
    m_paused = true;
}

void BusyCursor::resume()
{
    if (!m_paused)
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_shown = true;
    m_paused = false;
}
