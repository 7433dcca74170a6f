#include "editablesqlquerymodelformdelegate.h"

#include "appsettings.h"
#include "combospinwgt.h"
#include "editablesqlquerymodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>

EditableSqlQueryModelFormDelegate::EditableSqlQueryModelFormDelegate(
    EditableSqlQueryModel *model)
    : EditableSqlQueryModelDelegate(model)
{
}

bool EditableSqlQueryModelFormDelegate::isPictureColumn(const QString &column)
{
    return column == QLatin1String("BILDID");
}

bool EditableSqlQueryModelFormDelegate::isShownIdColumn(const QString &column)
{
    return column == QLatin1String("BEMERKUNGID") || column == QLatin1String("AUSATZRINGEID");
}

QList<int> EditableSqlQueryModelFormDelegate::pictureNumbers(const QString &dir)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("Bild(.*)_scaled.png")));
    QList<int> numbers;
    const QStringList files = QDir(dir).entryList({QStringLiteral("Bild*_scaled.png")},
                                                  QDir::Files, QDir::Name);
    for (const QString &file : files) {
        const QRegularExpressionMatch match = pattern.match(file);
        if (match.hasMatch())
            numbers << match.captured(1).toInt();   // 0 when not a number
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

QWidget *EditableSqlQueryModelFormDelegate::createEditor(QWidget *parent,
                                                         const QStyleOptionViewItem &option,
                                                         const QModelIndex &index) const
{
    if (sqlModel()->isBoolColumn(index)) {
        auto *box = new QCheckBox(parent);
        connect(box, SIGNAL(stateChanged(int)), this, SLOT(valueChanged()));
        return box;
    }
    const QString column = sqlModel()->columnName(index);
    if (!isPictureColumn(column)) {
        QWidget *editor = EditableSqlQueryModelDelegate::createEditor(parent, option, index);
        if (sqlModel()->isNumericColumn(index)) {
            if (auto *csb = qobject_cast<combospinWgt *>(editor)) {
                csb->setShowEinheit(true);
                // The id of another record: shown, never typed over.
                if (isShownIdColumn(column))
                    csb->disable();
            }
        }
        return editor;
    }
    auto *chooser = new QComboBox(parent);
    chooser->setIconSize(QSize(80, 80));
    const QString dir = AppSettings::instance()->imagesPath;
    for (int n : pictureNumbers(dir)) {
        chooser->addItem(QIcon(QStringLiteral("%1/Bild%2_scaled.png").arg(dir).arg(n)),
                         QString::number(n), n);
    }
    connect(chooser, SIGNAL(activated(int)), this, SLOT(valueChanged()));
    return chooser;
}

void EditableSqlQueryModelFormDelegate::setEditorData(QWidget *editor,
                                                      const QModelIndex &index) const
{
    if (sqlModel()->isBoolColumn(index)) {
        if (auto *box = qobject_cast<QCheckBox *>(editor)) {
            // Showing a record is no edit: no commit from stateChanged.
            const bool blocked = box->blockSignals(true);
            box->setChecked(index.data(Qt::DisplayRole).toBool());
            box->blockSignals(blocked);
        }
        return;
    }
    if (sqlModel()->isReferenceColumn(index) && isEmptyCell(index)) {
        // No category is no category, not the first one of the list.
        if (auto *box = qobject_cast<QComboBox *>(editor)) {
            EditableSqlQueryModelDelegate::setEditorData(editor, index);
            box->setCurrentIndex(-1);
        }
        return;
    }
    if (!isPictureColumn(sqlModel()->columnName(index))) {
        EditableSqlQueryModelDelegate::setEditorData(editor, index);
        // What the list shows read-only for this record (the inherited
        // values of a derived set) cannot be typed over in the form either.
        const bool readOnly = !(index.flags() & Qt::ItemIsEditable);
        if (auto *csb = qobject_cast<combospinWgt *>(editor)) {
            if (!isShownIdColumn(sqlModel()->columnName(index)))
                csb->setReadOnly(readOnly);
        } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            line->setReadOnly(readOnly);
        }
        return;
    }
    if (auto *chooser = qobject_cast<QComboBox *>(editor)) {
        // A picture number without a file selects nothing, so that leaving
        // the chooser cannot replace it by another picture.
        chooser->setCurrentIndex(chooser->findData(index.data(Qt::DisplayRole).toInt(),
                                                   Qt::UserRole, Qt::MatchExactly));
    }
}

void EditableSqlQueryModelFormDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                                     const QModelIndex &index) const
{
    if (sqlModel()->isBoolColumn(index)) {
        // A box left as it was shown changes nothing (an empty flag stays empty).
        auto *box = qobject_cast<QCheckBox *>(editor);
        // Stored as 0/1 like a click in the list, never as 'true'/'false'.
        if (box && box->isChecked() != index.data(Qt::DisplayRole).toBool())
            model->setData(index, box->isChecked() ? 1 : 0, Qt::EditRole);
        return;
    }
    if (!isPictureColumn(sqlModel()->columnName(index))) {
        EditableSqlQueryModelDelegate::setModelData(editor, model, index);
        return;
    }
    auto *chooser = qobject_cast<QComboBox *>(editor);
    if (chooser && chooser->currentIndex() >= 0)
        model->setData(index, chooser->currentData(Qt::UserRole).toInt(), Qt::EditRole);
}
