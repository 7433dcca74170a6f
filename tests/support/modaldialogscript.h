#ifndef MODALDIALOGSCRIPT_H
#define MODALDIALOGSCRIPT_H

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the modal dialogs a test provokes, one step per dialog in the
// order they appear. Message boxes are recorded (title and text) and
// confirmed; file dialogs get a file name or are cancelled.
class ModalDialogScript
{
public:
    using Step = std::function<void(QWidget *)>;

    ModalDialogScript()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    // The next dialog is a message box: record and confirm it.
    void confirmMessage()
    {
        m_steps << [this](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            m_seen << (box ? box->windowTitle() + "|" + box->text()
                           : QStringLiteral("unexpected %1").arg(w->metaObject()->className()));
            if (box)
                box->accept();
            else
                w->close();
        };
    }

    // The next dialog is a question box: record it and click answer.
    void answerQuestion(QMessageBox::StandardButton answer)
    {
        m_steps << [this, answer](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QAbstractButton *button = box ? box->button(answer) : nullptr;
            m_seen << (button ? box->windowTitle() + "|" + box->text()
                              : QStringLiteral("unexpected %1").arg(w->metaObject()->className()));
            if (button)
                button->click();
            else
                w->close();
        };
    }

    // The next dialog is a file dialog: choose file (cancel for an empty one).
    void chooseFile(const QString &file)
    {
        m_steps << [this, file](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            m_seen << (dialog ? QStringLiteral("Datei|") + dialog->windowTitle() + "|"
                                    + dialog->directory().absolutePath()
                              : QStringLiteral("unexpected %1").arg(w->metaObject()->className()));
            if (!dialog) {
                w->close();
            } else if (file.isEmpty()) {
                dialog->reject();
            } else {
                // The name goes straight into the name field: selectFile()
                // depends on the dialog's file system model, which loads
                // the folder in the background.
                if (auto *name = dialog->findChild<QLineEdit *>("fileNameEdit"))
                    name->setText(file);
                else
                    dialog->selectFile(file);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        };
    }

    // What each answered dialog showed, in order.
    QStringList seen() const { return m_seen; }
    bool done() const { return m_steps.isEmpty(); }

private:
    void poll()
    {
        if (QWidget *popup = QApplication::activePopupWidget()) {
            m_seen << QStringLiteral("popup %1").arg(popup->metaObject()->className());
            popup->close();
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (modal == m_last) {
            // A dialog that ignored its answer: noted and closed after a
            // while, so that the test fails instead of hanging.
            if (++m_pollsOnLast == 100) {
                m_seen << QStringLiteral("stuck %1").arg(modal->metaObject()->className());
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
            }
            return;
        }
        m_last = modal;
        m_pollsOnLast = 0;
        if (m_steps.isEmpty()) {
            // More dialogs than expected: noted and closed, never a hang.
            m_seen << QStringLiteral("extra %1").arg(modal->metaObject()->className());
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            else
                modal->close();
            return;
        }
        const Step step = m_steps.takeFirst();
        step(modal);
    }

    QTimer m_timer;
    QList<Step> m_steps;
    QStringList m_seen;
    QPointer<QWidget> m_last;
    int m_pollsOnLast = 0;
};

#endif // MODALDIALOGSCRIPT_H
