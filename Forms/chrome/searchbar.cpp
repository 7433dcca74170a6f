#include "searchbar.h"

#include "appsettings.h"

#include <QAction>
#include <QCompleter>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QStringListModel>
#include <QToolButton>

namespace {

AppSettings *settings()
{
    return AppSettings::instance();
}

} // namespace

SearchBar::SearchBar(const Widgets &widgets, QObject *parent)
    : QObject(parent)
    , m_widgets(widgets)
{
    widgets.applianceClear->setEnabled(false);
    widgets.valueClear->setEnabled(false);
    widgets.allClear->setEnabled(false);
    widgets.bar->hide();
    widgets.allEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    widgets.applianceEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    widgets.valueEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    m_applianceHistory = attachHistory(settings()->searchTermsAppliances, widgets.applianceEdit,
                                       &SearchBar::applyApplianceSearch);
    m_valueHistory = attachHistory(settings()->searchTermsValues, widgets.valueEdit,
                                   &SearchBar::applyValueSearch);
    m_allHistory = attachHistory(settings()->searchTermsAll, widgets.allEdit,
                                 &SearchBar::applyGeneralFilter);
}

QStringListModel *SearchBar::attachHistory(const QStringList &terms, QLineEdit *edit, Apply apply)
{
    auto *model = new QStringListModel(terms, this);
    auto *completer = new QCompleter(model, this);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    edit->setCompleter(completer);
    // Choosing a remembered term acts as Return in that field.
    connect(completer, QOverload<const QString &>::of(&QCompleter::activated), this,
            [this, edit, apply](const QString &text) {
                edit->setText(text);
                (this->*apply)();
            });
    return model;
}

void SearchBar::remember(const QString &term, QStringList &history, QStringListModel *model)
{
    if (term.isEmpty())
        return;
    history.removeAll(term);
    history.prepend(term);
    model->setStringList(history);
}

// ------------------------------------------------------------ typing

void SearchBar::applianceTextChanged(const QString &text)
{
    settings()->applianceFilter = text.trimmed();
    m_widgets.applianceClear->setEnabled(!settings()->applianceFilter.isEmpty());
}

void SearchBar::valueTextChanged(const QString &text)
{
    settings()->valueFilter = text.trimmed();
    m_widgets.valueClear->setEnabled(!settings()->valueFilter.isEmpty());
}

void SearchBar::allTextChanged(const QString &text)
{
    settings()->allFilter = text.trimmed();
    m_widgets.allClear->setEnabled(!settings()->allFilter.isEmpty());
}

// ------------------------------------------------------------ applying

void SearchBar::applyApplianceSearch()
{
    remember(settings()->applianceFilter, settings()->searchTermsAppliances, m_applianceHistory);
    emit applianceSearchApplied();
}

void SearchBar::applyValueSearch()
{
    remember(settings()->valueFilter, settings()->searchTermsValues, m_valueHistory);
    emit valueSearchApplied();
}

void SearchBar::applyGeneralFilter()
{
    AppSettings *s = settings();
    if (!s->allFilter.isEmpty()) {
        if (m_mainPage) {
            m_widgets.applianceEdit->clear();
            m_widgets.valueEdit->clear();
        }
        remember(s->allFilter, s->searchTermsAll, m_allHistory);
    }
    emit generalFilterApplied();
}

void SearchBar::clearApplianceSearch()
{
    m_widgets.applianceEdit->clear();
    applyApplianceSearch();
}

void SearchBar::clearValueSearch()
{
    m_widgets.valueEdit->clear();
    emit valueSearchApplied();
}

void SearchBar::clearGeneralFilter()
{
    m_widgets.allEdit->clear();
    applyGeneralFilter();
}

// ------------------------------------------------------------ history menus

void SearchBar::historyMenu(QLineEdit *edit, QStringList &history, QStringListModel *model,
                            const QPoint &pos, Apply apply)
{
    const QString before = edit->text();
    QMenu *menu = edit->createStandardContextMenu();
    QAction *first = menu->actions().value(0);
    QAction *separator = nullptr;
    if (first)
        separator = menu->insertSeparator(first);
    QMenu *terms = new QMenu(tr("Suchbegriffliste"), menu);
    for (const QString &term : qAsConst(history)) {
        // A menu takes "&" as the mark of a shortcut letter: "&&" shows
        // the text as typed. The text itself travels as the entry's data.
        QString label = term;
        label.replace(QLatin1Char('&'), QLatin1String("&&"));
        terms->addAction(label)->setData(term);
    }
    menu->insertMenu(separator, terms);
    QAction *remove = nullptr;
    if (history.contains(edit->text()))
        remove = new QAction(tr("Von der Suchbegriffliste löschen"), menu);
    if (remove)
        menu->insertAction(separator, remove);
    QAction *chosen = menu->exec(edit->mapToGlobal(pos));
    if (chosen && chosen != remove && chosen->parent() == terms
        && history.contains(chosen->data().toString())) {
        edit->setText(chosen->data().toString());
    } else if (chosen && chosen == remove) {
        history.removeAll(edit->text());
        model->setStringList(history);
        edit->clear();
    }
    delete menu;
    if (edit->text() != before)
        (this->*apply)();
}

void SearchBar::applianceMenu(const QPoint &pos)
{
    historyMenu(m_widgets.applianceEdit, settings()->searchTermsAppliances, m_applianceHistory,
                pos, &SearchBar::applyApplianceSearch);
}

void SearchBar::valueMenu(const QPoint &pos)
{
    historyMenu(m_widgets.valueEdit, settings()->searchTermsValues, m_valueHistory, pos,
                &SearchBar::applyValueSearch);
}

void SearchBar::allMenu(const QPoint &pos)
{
    historyMenu(m_widgets.allEdit, settings()->searchTermsAll, m_allHistory, pos,
                &SearchBar::applyGeneralFilter);
}

// ------------------------------------------------------------ the bar

void SearchBar::showBar(bool on)
{
    m_widgets.showBar->setText(on ? tr("Suchleiste verstecken") : tr("Suchleiste anzeigen"));
    if (on) {
        m_widgets.bar->show();
        m_widgets.applianceBar->hide();
        m_widgets.valueBar->hide();
        if (settings()->allFilter.isEmpty())
            return;
        applyGeneralFilter();
    } else {
        m_widgets.bar->hide();
        if (m_mainPage)
            showListSearches();
        m_widgets.allEdit->clear();
        m_closing = true;
        applyGeneralFilter();
        m_closing = false;
    }
}

void SearchBar::closeForPageSwitch()
{
    m_widgets.allEdit->clear();
    m_widgets.showBar->setChecked(false);
}

void SearchBar::showListSearches()
{
    m_widgets.applianceBar->show();
    m_widgets.valueBar->show();
}

void SearchBar::reportFailedQuery(QWidget *parent) const
{
    const AppSettings *s = settings();
    if (!s->queryFailed)
        return;
    QString text = tr("Abfrage '%1' ist fehlerhaft!").arg(s->failedQuery);
    if (!s->failedQueryReason.isEmpty())
        text += QLatin1Char('\n') + s->failedQueryReason;
    QMessageBox::information(parent, tr("Fehler"), text, QMessageBox::Ok);
}
