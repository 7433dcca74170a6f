#include "deferredstartup.h"

#include "commandline.h"
#include "mainwindow.h"

#include <QApplication>
#include <QEvent>
#include <QSqlDatabase>

namespace {

const int kFallbackMs = 2000;

} // namespace

DeferredStartup::DeferredStartup(MainWindow &window, const QStringList &files,
                                 bool closeWhenFilled, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_files(files)
    , m_closeWhenFilled(closeWhenFilled)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_cursorShown = true;
    window.installEventFilter(this);
    m_fallback.setSingleShot(true);
    connect(&m_fallback, &QTimer::timeout, this, &DeferredStartup::openDatabases);
    m_fallback.start(kFallbackMs);
}

DeferredStartup::~DeferredStartup()
{
    restoreCursor();
}

bool DeferredStartup::eventFilter(QObject *watched, QEvent *event)
{
    // Once the first paint is done the window is seen: fill it then.
    if (watched == &m_window && event->type() == QEvent::Paint && !m_scheduled) {
        m_scheduled = true;
        emit shown();
        QTimer::singleShot(0, this, &DeferredStartup::openDatabases);
    }
    return QObject::eventFilter(watched, event);
}

void DeferredStartup::openDatabases()
{
    if (m_done)
        return;
    m_done = true;
    m_fallback.stop();
    m_window.removeEventFilter(this);
    // Opening shows its own wait cursor; a message or a file dialog must not
    // come up under this one.
    restoreCursor();
    QList<QSqlError> failures;
    openCommandLineDatabases(m_window, m_files, &failures);
    showCommandLineFailures(m_window, failures);
    if (QSqlDatabase::connectionNames().isEmpty())
        m_window.addConnection();
    emit filled();
    if (m_closeWhenFilled)
        QTimer::singleShot(0, &m_window, &QWidget::close);
}

void DeferredStartup::restoreCursor()
{
    if (!m_cursorShown)
        return;
    m_cursorShown = false;
    QApplication::restoreOverrideCursor();
}
