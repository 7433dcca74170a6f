#include "windowinteraction.h"

#include "bilderpopupwidget.h"

#include <QApplication>
#include <QMessageBox>

void WindowInteraction::warn(const QString &title, const QString &text)
{
    QMessageBox::warning(QApplication::activeWindow(), title, text, QMessageBox::Ok);
}

bool WindowInteraction::confirm(const QString &title, const QString &question)
{
    // No is the default: Return alone overwrites nothing.
    return QMessageBox::question(QApplication::activeWindow(), title, question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

void WindowInteraction::choosePicture(const QModelIndex &index, QAbstractItemModel *model,
                                      QAbstractItemView *view, const QString &pictureDir)
{
    // The pop-up belongs to the view, writes its choice through setData and
    // deletes itself when closed.
    new BilderPopupWidget(index, model, view, pictureDir);
}

namespace {

// Installs the window's way of asking in every program that links this file
// (see the top-level CMakeLists.txt) and takes it back at the end.
struct WindowInteractionInstaller
{
    WindowInteractionInstaller() { UserInteraction::install(&interaction); }
    ~WindowInteractionInstaller() { UserInteraction::install(nullptr); }
    WindowInteraction interaction;
};
const WindowInteractionInstaller kInstaller;

} // namespace
