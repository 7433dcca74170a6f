#ifndef PROGRESSDIALOGDISPLAY_H
#define PROGRESSDIALOGDISPLAY_H

#include "workprogress.h"

#include <QElapsedTimer>
#include <QPointer>

class QProgressDialog;

// The window's display of long work: nothing but the wait cursor for the
// first second, then a progress dialog over the active window, painted anew
// at every step, with "Abbrechen" where the work can be cancelled. Work
// begun inside other work (a delete inside a take-over) shows in the outer
// dialog only.
class ProgressDialogDisplay : public WorkProgress::Display
{
public:
    static const int kDelayMs = 1000;

    void begin(const QString &text, bool cancellable) override;
    bool update(int done, int total) override;
    void end() override;

private:
    void showDialog(int total);

    int m_depth = 0;
    QString m_text;
    bool m_cancellable = false;
    QElapsedTimer m_since;
    QPointer<QProgressDialog> m_dialog;
};

#endif // PROGRESSDIALOGDISPLAY_H
