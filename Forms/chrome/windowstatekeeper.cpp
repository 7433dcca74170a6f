#include "windowstatekeeper.h"

#include "appsettings.h"

#include <QApplication>
#include <QFontDialog>
#include <QHeaderView>
#include <QMainWindow>
#include <QSettings>
#include <QSplitter>
#include <QTableView>

namespace {

QVariantList columnWidths(const QTableView *view)
{
    QVariantList widths;
    const QHeaderView *header = view->horizontalHeader();
    for (int i = 0; i < header->count(); ++i)
        widths << view->columnWidth(i);
    return widths;
}

void applyColumnWidths(QTableView *view, const QVariantList &widths)
{
    const int sections = view->horizontalHeader()->count();
    for (int j = 0; j < widths.size() && j < sections; ++j)
        view->horizontalHeader()->resizeSection(j, widths.at(j).toInt());
}

// The manufacturer edition hides the tool bar; its state would hide it in
// the maintenance edition too, which shares the settings.
bool keepsToolBars()
{
    return !AppSettings::instance()->manufacturerMode;
}

const char kToolBarKey[] = "windowState";

} // namespace

WindowStateKeeper::WindowStateKeeper(QMainWindow *window, QTableView *appliances, QTableView *values)
    : m_window(window)
    , m_appliances(appliances)
    , m_values(values)
    , m_splitters(window->findChildren<QSplitter *>())
{
}

WindowStateKeeper::~WindowStateKeeper()
{
    save();
}

void WindowStateKeeper::applyApplicationFont(const QFont &font)
{
    QApplication::setFont(font);
    // Under an application style sheet the widgets keep the font they were
    // polished with; setting the sheet again polishes them with the new font.
    if (!qApp->styleSheet().isEmpty())
        qApp->setStyleSheet(qApp->styleSheet());
}

void WindowStateKeeper::restoreGeometryAndFont()
{
    QSettings user;
    m_window->restoreGeometry(user.value("geometry").toByteArray());
    const QString description = user.value("Font", QString()).toString();
    QFont font;
    if (!description.isEmpty() && font.fromString(description))
        applyApplicationFont(font);
    for (QSplitter *splitter : qAsConst(m_splitters))
        splitter->restoreState(user.value(splitterKey(splitter)).toByteArray());
    if (keepsToolBars())
        m_window->restoreState(user.value(QLatin1String(kToolBarKey)).toByteArray());
}

QString WindowStateKeeper::splitterKey(const QSplitter *splitter)
{
    return QStringLiteral("Splitter/") + splitter->objectName();
}

void WindowStateKeeper::restoreColumnWidths()
{
    QSettings user;
    applyColumnWidths(m_appliances, user.value("tableGeraeteSS").toList());
    applyColumnWidths(m_values, user.value("tableAGWerteSS").toList());
}

bool WindowStateKeeper::chooseFont(const QFont &current)
{
    bool accepted = false;
    const QFont font = QFontDialog::getFont(&accepted, current, m_window);
    if (!accepted)
        return false;
    applyApplicationFont(font);
    QSettings().setValue("Font", font.toString());
    return true;
}

void WindowStateKeeper::save()
{
    AppSettings *settings = AppSettings::instance();
    QSettings user;
    user.setValue("tableGeraeteSS", columnWidths(m_appliances));
    user.setValue("tableAGWerteSS", columnWidths(m_values));
    user.setValue("geometry", m_window->saveGeometry());
    for (const QSplitter *splitter : qAsConst(m_splitters))
        user.setValue(splitterKey(splitter), splitter->saveState());
    if (keepsToolBars())
        user.setValue(QLatin1String(kToolBarKey), m_window->saveState());
    user.setValue("suchBegriffeGeraete", settings->searchTermsAppliances);
    user.setValue("suchBegriffeWerte", settings->searchTermsValues);
    user.setValue("suchBegriffeAll", settings->searchTermsAll);
}
