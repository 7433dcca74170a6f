#include "recentfilesmenu.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

const char kKey[] = "ZuletztGeoeffnet";

} // namespace

RecentFilesMenu::RecentFilesMenu(QMenu *menu, QObject *parent)
    : QObject(parent)
    , m_menu(menu)
{
    rebuild();
}

QStringList RecentFilesMenu::files() const
{
    return QSettings().value(QLatin1String(kKey)).toStringList().mid(0, kMaxFiles);
}

void RecentFilesMenu::remember(const QString &file)
{
    const QString path = QFileInfo(file).absoluteFilePath();
    QStringList list = files();
    list.removeAll(path);
    list.prepend(path);
    QSettings().setValue(QLatin1String(kKey), QStringList(list.mid(0, kMaxFiles)));
    rebuild();
}

void RecentFilesMenu::rebuild()
{
    m_menu->clear();
    const QStringList list = files();
    int number = 0;
    for (const QString &file : list) {
        QAction *action = m_menu->addAction(
            QStringLiteral("&%1 %2").arg(++number).arg(QDir::toNativeSeparators(file)));
        action->setEnabled(QFileInfo(file).isFile());
        connect(action, &QAction::triggered, this, [this, file] { emit fileChosen(file); });
    }
    m_menu->setEnabled(!list.isEmpty());
}
