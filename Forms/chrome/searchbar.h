#ifndef SEARCHBAR_H
#define SEARCHBAR_H

#include <QObject>
#include <QStringList>

class QAction;
class QCompleter;
class QLineEdit;
class QPoint;
class QStringListModel;
class QToolButton;
class QWidget;

// The search fields: the appliance and value searches above their lists
// on the main page, and the bar with the general filter (an SQL condition)
// for the lists of every page. Each field remembers the terms searched for
// (AppSettings), offers them as completions and in its context menu, and
// has a button that clears it. The texts go to AppSettings as typed; the
// signals say when a search is to be applied.
class SearchBar : public QObject
{
    Q_OBJECT
public:
    struct Widgets {
        QWidget *bar;             // the general filter's bar
        QWidget *applianceBar;    // the appliance search with its button
        QWidget *valueBar;
        QLineEdit *applianceEdit;
        QLineEdit *valueEdit;
        QLineEdit *allEdit;
        QToolButton *applianceClear;
        QToolButton *valueClear;
        QToolButton *allClear;
        QAction *showBar;         // checkable: shows or hides the bar
    };

    explicit SearchBar(const Widgets &widgets, QObject *parent = nullptr);

    // Whether the main page is shown: only there the two list searches
    // give way to the bar.
    void setMainPageShown(bool shown) { m_mainPage = shown; }

    // A field's text changed.
    void applianceTextChanged(const QString &text);
    void valueTextChanged(const QString &text);
    void allTextChanged(const QString &text);
    // Return in a field: the term is remembered and applied.
    void applyApplianceSearch();
    void applyValueSearch();
    void applyGeneralFilter();
    // The clear buttons.
    void clearApplianceSearch();
    void clearValueSearch();
    void clearGeneralFilter();
    // The context menus with the remembered terms.
    void applianceMenu(const QPoint &pos);
    void valueMenu(const QPoint &pos);
    void allMenu(const QPoint &pos);
    // The bar shown or hidden (the action toggled).
    void showBar(bool on);
    // Another page comes: the bar closes with an empty filter.
    void closeForPageSwitch();
    // Whether the filter applied now is the one the closed bar left (empty):
    // the lists then only grow, and what the user has chosen stays chosen.
    bool closesFilter() const { return m_closing; }
    // On the main page the two list searches are shown.
    void showListSearches();
    // The box over parent that names a statement of the general filter that
    // failed, with the database's reason; nothing when none failed.
    void reportFailedQuery(QWidget *parent) const;

signals:
    void applianceSearchApplied();
    void valueSearchApplied();
    void generalFilterApplied();

private:
    using Apply = void (SearchBar::*)();
    QStringListModel *attachHistory(const QStringList &terms, QLineEdit *edit, Apply apply);
    static void remember(const QString &term, QStringList &history, QStringListModel *model);
    void historyMenu(QLineEdit *edit, QStringList &history, QStringListModel *model,
                     const QPoint &pos, Apply apply);

    Widgets m_widgets;
    QStringListModel *m_applianceHistory;
    QStringListModel *m_valueHistory;
    QStringListModel *m_allHistory;
    bool m_mainPage = true;
    bool m_closing = false;
};

#endif // SEARCHBAR_H
