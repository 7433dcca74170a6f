#include "userinteraction.h"

#include <QDebug>

namespace {

// Without a window: the warning goes to the log, no picture is chosen.
class LoggedInteraction : public UserInteraction
{
public:
    void warn(const QString &title, const QString &text) override
    {
        qWarning().noquote() << title + QLatin1String(": ") + text;
    }
    void choosePicture(const QModelIndex &, QAbstractItemModel *, QAbstractItemView *,
                       const QString &) override
    {
    }
};

} // namespace

bool UserInteraction::confirm(const QString &title, const QString &question)
{
    qInfo().noquote() << title + QLatin1String(": ") + question;
    return true;
}

UserInteraction *&UserInteraction::installed()
{
    static UserInteraction *interaction = nullptr;
    return interaction;
}

void UserInteraction::install(UserInteraction *interaction)
{
    installed() = interaction;
}

UserInteraction *UserInteraction::current()
{
    static LoggedInteraction logged;
    UserInteraction *interaction = installed();
    return interaction ? interaction : &logged;
}
