#include "editablesqlquerymodeldelegate.h"

#include "combospinwgt.h"
#include "editablesqlquerymodel.h"

#include <QComboBox>
#include <QLineEdit>

#include <limits>

namespace {
const char kChosenProperty[] = "kolvexChosen";
// Decimals a column without tuning takes: as many as a double tells apart.
constexpr int kUntunedDecimals = 15;
}

EditableSqlQueryModelDelegate::EditableSqlQueryModelDelegate(EditableSqlQueryModel *model)
    : QItemDelegate(model), m_model(model)
{
}

QString EditableSqlQueryModelDelegate::settingsKeyFor(const QString &column)
{
    return QStringLiteral("WerteModel_Editor_%1").arg(column);
}

QWidget *EditableSqlQueryModelDelegate::createEditor(QWidget *parent,
                                                     const QStyleOptionViewItem &option,
                                                     const QModelIndex &index) const
{
    if (m_model->isReferenceColumn(index)) {
        auto *box = new QComboBox(parent);
        // QMap iterates in ascending key order.
        const QMap<qint64, QString> texts = m_model->referenceTextsFor(m_model->columnName(index));
        for (auto it = texts.constBegin(); it != texts.constEnd(); ++it)
            box->addItem(it.value(), it.key());
        // Marks a box the user chose from, before the choice is committed.
        connect(box, QOverload<int>::of(&QComboBox::activated), box,
                [box] { box->setProperty(kChosenProperty, true); });
        connect(box, SIGNAL(activated(int)), this, SLOT(valueChanged()));
        return box;
    }
    if (m_model->isNumericColumn(index)) {
        auto *editor = new combospinWgt(parent);
        editor->setEinheit(QString());
        editor->setComboWerte(defaultComboWerte());
        editor->setSpinStep(0.5);
        // A column nobody tuned takes every number it can hold, as typed:
        // no bounds, no rounding.
        editor->setMin(std::numeric_limits<double>::lowest());
        editor->setMax(std::numeric_limits<double>::max());
        editor->setMaxDecimals(kUntunedDecimals);
        editor->setSettingsKey(settingsKeyFor(m_model->columnName(index)));
        editor->setShowEinheit(false);
        connect(editor, SIGNAL(focusLost()), this, SLOT(csbLostFocus()));
        return editor;
    }
    return QItemDelegate::createEditor(parent, option, index);
}

void EditableSqlQueryModelDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (m_model->isReferenceColumn(index)) {
        if (auto *box = qobject_cast<QComboBox *>(editor)) {
            const int found = referenceItem(box, index);
            // A key without an entry shows the first entry, never the one of
            // the record a form showed before; nothing is chosen yet.
            box->setCurrentIndex(found >= 0 ? found : qMin(0, box->count() - 1));
            box->setProperty(kChosenProperty, false);
        }
        return;
    }
    if (m_model->isNumericColumn(index)) {
        if (auto *csb = qobject_cast<combospinWgt *>(editor)) {
            // An empty cell shows an empty field, not a 0 nobody stored.
            if (isEmptyCell(index))
                csb->clear();
            else
                csb->setWert(cellNumber(index));
            return;
        }
    }
    QItemDelegate::setEditorData(editor, index);
}

void EditableSqlQueryModelDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                                 const QModelIndex &index) const
{
    if (m_model->isReferenceColumn(index)) {
        auto *box = qobject_cast<QComboBox *>(editor);
        if (!box || box->currentIndex() < 0)
            return;
        // A cell without a known key shows the first entry; passing through
        // it must not store that entry (nor start a record in the "*" row).
        const bool known = referenceItem(box, index) >= 0;
        if (known || box->property(kChosenProperty).toBool())
            model->setData(index, box->currentData(Qt::UserRole), Qt::EditRole);
        return;
    }
    if (m_model->isNumericColumn(index)) {
        if (auto *csb = qobject_cast<combospinWgt *>(editor)) {
            // Whatever ends the edit (a key, the view moving on, the focus
            // going elsewhere), the stored value keeps the editor's bounds.
            csb->finishEdit();
            // The number the editor was given is no change: an empty cell
            // passed through stays empty, the "*" row starts no record. A
            // number typed into an empty cell is stored, a typed 0 too.
            if (csb->isEmptyValue())
                return;
            if (isEmptyCell(index) || csb->wert() != cellNumber(index))
                model->setData(index, csb->wert(), Qt::EditRole);
            return;
        }
    }
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        if (line->text().isEmpty() && index.data(Qt::EditRole).toString().isEmpty())
            return;   // nothing typed into an empty cell
    }
    QItemDelegate::setModelData(editor, model, index);
}

int EditableSqlQueryModelDelegate::referenceItem(const QComboBox *box, const QModelIndex &index)
{
    const QVariant key = index.data(Qt::EditRole);
    if (key.isNull())
        return -1;   // an empty cell is no key 0
    return box->findData(key.toLongLong(), Qt::UserRole, Qt::MatchExactly);
}

bool EditableSqlQueryModelDelegate::isEmptyCell(const QModelIndex &index)
{
    const QVariant stored = index.data(Qt::EditRole);
    return stored.isNull() || stored.toString().isEmpty();
}

double EditableSqlQueryModelDelegate::cellNumber(const QModelIndex &index)
{
    // The model shows 0 as an empty text, which reads as 0 again.
    return index.data(Qt::DisplayRole).toString().toDouble();
}

QRect EditableSqlQueryModelDelegate::numberEditorRect(const QRect &cell, const QSize &needed,
                                                      int areaWidth)
{
    QRect rect = cell;
    if (rect.width() < needed.width()) {
        rect.setWidth(needed.width());
        // Stay inside the visible area where there is room: a cell at the
        // right edge grows to the left.
        if (areaWidth > 0 && rect.right() >= areaWidth)
            rect.moveLeft(qMax(0, areaWidth - rect.width()));
    }
    if (rect.height() < needed.height())
        rect.setHeight(needed.height());
    return rect;
}

void EditableSqlQueryModelDelegate::updateEditorGeometry(QWidget *editor,
                                                         const QStyleOptionViewItem &option,
                                                         const QModelIndex &) const
{
    // A narrow cell would squeeze the number behind the buttons; the
    // numeric editor takes the width it needs and overlaps the next cells,
    // as the toolkit's own editors do.
    if (auto *csb = qobject_cast<combospinWgt *>(editor)) {
        const int areaWidth = editor->parentWidget() ? editor->parentWidget()->width() : 0;
        editor->setGeometry(numberEditorRect(option.rect, csb->sizeHint(), areaWidth));
        return;
    }
    editor->setGeometry(option.rect);
}

void EditableSqlQueryModelDelegate::valueChanged()
{
    if (auto *editor = qobject_cast<QWidget *>(sender()))
        emit commitData(editor);
}

void EditableSqlQueryModelDelegate::csbLostFocus()
{
    if (auto *editor = qobject_cast<QWidget *>(sender())) {
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}
