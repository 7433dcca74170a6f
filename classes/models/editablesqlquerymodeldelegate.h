#ifndef EDITABLESQLQUERYMODELDELEGATE_H
#define EDITABLESQLQUERYMODELDELEGATE_H

#include <QItemDelegate>

class EditableSqlQueryModel;
class QComboBox;

// Cell editors of the table views, chosen by the column kinds the model
// learned from the schema: a drop-down of the referenced table for
// reference columns (storing the key), the numeric editor for number
// columns and the default line editor for everything else.
class EditableSqlQueryModelDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    // The model is also the delegate's parent.
    explicit EditableSqlQueryModelDelegate(EditableSqlQueryModel *model);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

    // Pick list every number column starts with before its stored tuning.
    static QString defaultComboWerte() { return QStringLiteral("1:5:0.5;6:20:1;22:34:2;35:200:5"); }
    // Settings key of the numeric editor of a column.
    static QString settingsKeyFor(const QString &column);
    // Where a numeric editor goes in a cell: at least the size it needs,
    // kept within an area of the given width where possible.
    static QRect numberEditorRect(const QRect &cell, const QSize &needed, int areaWidth);

protected slots:
    void valueChanged();
    void csbLostFocus();

protected:
    EditableSqlQueryModel *sqlModel() const { return m_model; }
    // The number a numeric editor starts with for a cell.
    static double cellNumber(const QModelIndex &index);
    // Whether the cell holds nothing (NULL or an empty text).
    static bool isEmptyCell(const QModelIndex &index);
    // The item of a reference box that holds the cell's key, -1 for none.
    static int referenceItem(const QComboBox *box, const QModelIndex &index);

private:
    EditableSqlQueryModel *m_model;
};

#endif // EDITABLESQLQUERYMODELDELEGATE_H
