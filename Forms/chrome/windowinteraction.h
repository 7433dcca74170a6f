#ifndef WINDOWINTERACTION_H
#define WINDOWINTERACTION_H

#include "userinteraction.h"

// The window's way of asking the user for the models: a warning box over
// the active window, the picture chooser at the clicked cell. One object is
// installed for the whole process before main() runs.
class WindowInteraction : public UserInteraction
{
public:
    void warn(const QString &title, const QString &text) override;
    bool confirm(const QString &title, const QString &question) override;
    void choosePicture(const QModelIndex &index, QAbstractItemModel *model,
                       QAbstractItemView *view, const QString &pictureDir) override;
};

#endif // WINDOWINTERACTION_H
