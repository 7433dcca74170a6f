#include "progressdialogdisplay.h"

#include <QApplication>
#include <QProgressDialog>

void ProgressDialogDisplay::begin(const QString &text, bool cancellable)
{
    if (m_depth++ > 0)
        return;
    m_text = text;
    m_cancellable = cancellable;
    m_since.start();
}

bool ProgressDialogDisplay::update(int done, int total)
{
    if (m_depth == 0)
        return true;
    if (!m_dialog && m_since.elapsed() >= kDelayMs)
        showDialog(total);
    if (!m_dialog)
        return true;
    m_dialog->setMaximum(total);
    // A window-modal dialog handles the events waiting (painting, the
    // cancel button) in setValue; the window itself takes no input meanwhile.
    m_dialog->setValue(done);
    return !m_dialog->wasCanceled();
}

void ProgressDialogDisplay::end()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    delete m_dialog;
}

void ProgressDialogDisplay::showDialog(int total)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    m_dialog = new QProgressDialog(m_text,
                                   m_cancellable ? QCoreApplication::translate(
                                                       "ProgressDialogDisplay", "Abbrechen")
                                                 : QString(),
                                   0, total, QApplication::activeWindow());
    m_dialog->setWindowTitle(QCoreApplication::translate("ProgressDialogDisplay",
                                                         "Kolvex DatenBank Pflege"));
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    if (!m_cancellable)
        m_dialog->setCancelButton(nullptr);
    m_dialog->show();
}

namespace {

// Installs the display in every program that links the window's chrome
// (see the top-level CMakeLists.txt) and takes it back at the end.
struct ProgressDialogDisplayInstaller
{
    ProgressDialogDisplayInstaller() { WorkProgress::install(&display); }
    ~ProgressDialogDisplayInstaller() { WorkProgress::install(nullptr); }
    ProgressDialogDisplay display;
};
const ProgressDialogDisplayInstaller kInstaller;

} // namespace
