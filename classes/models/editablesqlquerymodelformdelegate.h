#ifndef EDITABLESQLQUERYMODELFORMDELEGATE_H
#define EDITABLESQLQUERYMODELFORMDELEGATE_H

#include "editablesqlquerymodeldelegate.h"

#include <QList>

// Editors of the form pages: check boxes for flag columns, a picture
// chooser for "BILDID" and the table editors (with the unit shown) for the
// rest. A form shows what is stored: an empty number or category stays
// empty.
class EditableSqlQueryModelFormDelegate : public EditableSqlQueryModelDelegate
{
public:
    explicit EditableSqlQueryModelFormDelegate(EditableSqlQueryModel *model);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

    // Numbers of the pictures "Bild<n>_scaled.png" in dir, ascending.
    static QList<int> pictureNumbers(const QString &dir);

private:
    static bool isPictureColumn(const QString &column);
    // Columns that hold the id of another record (the value set a remark
    // comes from, an attachment ring): shown read-only.
    static bool isShownIdColumn(const QString &column);
};

#endif // EDITABLESQLQUERYMODELFORMDELEGATE_H
