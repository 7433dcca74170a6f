#include "formpage.h"

#include "editablesqlquerymodel.h"
#include "editablesqlquerymodelformdelegate.h"

#include <QAbstractItemDelegate>
#include <QCheckBox>
#include <QDataWidgetMapper>
#include <QGridLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QStyleOptionViewItem>

namespace {

// The column part of the named field list "Form", or "*" without one.
QString formFields(const QStringList &fieldLists)
{
    for (const QString &entry : fieldLists) {
        if (entry.section('#', 0, 0).compare(QLatin1String("Form"), Qt::CaseInsensitive) == 0)
            return entry.section('#', 1, 1);
    }
    return QStringLiteral("*");
}

} // namespace

FormPage::FormPage(const Widgets &widgets, FormRecordQuery record, QObject *parent)
    : QObject(parent)
    , m_widgets(widgets)
    , m_record(record)
    , m_mapper(new QDataWidgetMapper(this))
{
}

void FormPage::setFormModel(EditableSqlQueryModel *model)
{
    if (m_model)
        m_model->deleteLater();
    m_model = model;
    model->setParent(this);
    m_mapper->clearMapping();
    m_mapper->setModel(model);
    m_mapper->setItemDelegate(new EditableSqlQueryModelFormDelegate(model));
    // The old widgets were mapped to the old model: build the form anew.
    clearGrid();
    m_built = false;
}

void FormPage::show(const EditableSqlQueryModel *listModel, int row, const QStringList &fieldLists)
{
    if (!listModel || !m_model || row + 1 >= listModel->rowCount())
        return;
    const QString fields = formFields(fieldLists);
    m_record.select(m_model, fields, listModel->data(listModel->index(row, 0)).toLongLong());

    if (!m_built || fields != m_builtFor) {
        if (m_built) {
            m_mapper->clearMapping();
            clearGrid();
        }
        m_built = true;
        m_builtFor = fields;
        buildGrid();
    }
    QGridLayout *grid = m_widgets.grid;
    for (int k = 0; k < grid->columnCount(); ++k)
        grid->setColumnStretch(k, k % 2 + 1);
    m_mapper->toFirst();
    m_widgets.stack->setCurrentWidget(m_widgets.page);
}

void FormPage::returnToList()
{
    m_widgets.stack->setCurrentWidget(m_widgets.listPage);
    emit returnedToList();
}

void FormPage::buildGrid()
{
    QGridLayout *grid = m_widgets.grid;
    int i = 0;
    int r = 0;
    const int lastColumn = m_model->columnCount() - 1;
    for (int c = 2; c <= lastColumn; ++c) {
        const QModelIndex index = m_model->index(0, c);
        const QString name = m_model->columnName(index);
        QWidget *editor =
            m_mapper->itemDelegate()->createEditor(nullptr, QStyleOptionViewItem(), index);
        if (!editor)
            continue;
        if (auto *box = qobject_cast<QCheckBox *>(editor)) {
            box->setText(name);
        } else {
            auto *label = new QLabel(name);
            if (i > 4) {
                ++r;
                grid->addWidget(label, r, 0);
                i = 1;
            } else {
                grid->addWidget(label, r, i);
                ++i;
            }
            label->setBuddy(editor);
        }
        grid->addWidget(editor, r, i);
        ++i;
        m_mapper->addMapping(editor, c);
        if (i > 5) {
            ++r;
            i = 0;
        }
    }
}

void FormPage::clearGrid()
{
    while (QLayoutItem *item = m_widgets.grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}
