#include "fieldlistchooser.h"

#include "dlgviewcustomise.h"

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QMenu>
#include <QSettings>
#include <QTableView>

FieldListChooser::FieldListChooser(QTableView *view, QAction *customise, const Target &target,
                                   QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_customise(customise)
    , m_target(target)
{
    view->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view->horizontalHeader(), &QWidget::customContextMenuRequested, this,
            &FieldListChooser::chooseFromMenu);
}

void FieldListChooser::chooseFromMenu()
{
    QString &fields = *m_target.fields;
    QMenu menu(m_view);
    menu.addAction(m_customise);
    if (!m_target.fieldLists->isEmpty())
        menu.addSeparator();
    for (const QString &entry : qAsConst(*m_target.fieldLists)) {
        QAction *action = menu.addAction(entry.section('#', 0, 0));
        action->setData(entry.section('#', 1, 1));
        action->setToolTip(entry.section('#', 1, 1));
        if (action->data().toString() == fields)
            action->setIcon(QIcon(QStringLiteral(":/images/endturn.png")));
    }
    QAction *chosen = menu.exec(QCursor::pos());
    if (!chosen || chosen == m_customise || chosen->data().toString() == fields)
        return;
    fields = chosen->data().toString();
    QSettings().setValue(m_target.fieldsKey, fields);
    emit fieldsChanged();
}

void FieldListChooser::customise()
{
    dlgViewCustomise dialog(m_target.table, *m_target.fields, *m_target.fieldLists,
                            m_target.mandatory, m_view->window());
    dialog.setWindowTitle(m_customise->iconText());
    if (dialog.exec() != QDialog::Accepted)
        return;
    QSettings user;
    user.setValue(m_target.fieldsKey, *m_target.fields);
    user.setValue(m_target.fieldListsKey, *m_target.fieldLists);
    emit fieldsChanged();
}
