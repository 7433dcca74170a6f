#ifndef USERINTERACTION_H
#define USERINTERACTION_H

#include <QString>

class QAbstractItemModel;
class QAbstractItemView;
class QModelIndex;

// What the models ask of the user without knowing the window: a warning to
// confirm, the picture of a value set to choose. The window installs its
// way of asking; without one a warning goes to the log and no chooser opens.
class UserInteraction
{
public:
    virtual ~UserInteraction() = default;

    // Shows text under title and waits until the user has read it.
    virtual void warn(const QString &title, const QString &text) = 0;
    // Asks question under title; true when the user answers yes. Without a
    // way of asking the question goes to the log and the answer is yes.
    virtual bool confirm(const QString &title, const QString &question);
    // Lets the user choose a picture number from the pictures in pictureDir
    // and writes it into index of model through setData; view shows the cell.
    virtual void choosePicture(const QModelIndex &index, QAbstractItemModel *model,
                               QAbstractItemView *view, const QString &pictureDir) = 0;

    // The way of asking from now on (nullptr: back to the log).
    static void install(UserInteraction *interaction);
    // The installed way of asking, or the log; never null.
    static UserInteraction *current();

private:
    static UserInteraction *&installed();
};

#endif // USERINTERACTION_H
