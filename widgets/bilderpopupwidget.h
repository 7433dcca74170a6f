#ifndef BILDERPOPUPWIDGET_H
#define BILDERPOPUPWIDGET_H

#include <QListWidget>
#include <QPointer>

class QAbstractItemModel;
class QAbstractItemView;

// Pop-up chooser for the picture of a value set: lists the pictures
// "Bild<n>_scaled.png" of a directory as thumbnails with their numbers in
// numeric order, opens at the top-right corner of the clicked cell and
// writes the chosen number into that cell through the model's setData.
// Closes (and deletes itself) after a choice, on Escape and on a click
// outside.
class BilderPopupWidget : public QListWidget
{
    Q_OBJECT
public:
    // Builds the list, places itself at the cell of index in view (its
    // parent) and shows itself. Only row and column of index are kept.
    BilderPopupWidget(const QModelIndex &index, QAbstractItemModel *model,
                      QAbstractItemView *view, const QString &imagesPath);

    // Picture numbers of the files "Bild<n>_scaled.png" in dir, ascending,
    // each once; a part that is no number counts as 0.
    static QList<int> pictureNumbers(const QString &dir);

protected slots:
    void getBildIdFromItem(QListWidgetItem *item);

protected:
    bool event(QEvent *event) override;

private:
    // Adds one item per picture; returns the widest item.
    int addPictureItems();
    void selectCurrentPicture();
    void placeAtCell(QAbstractItemView *view, const QModelIndex &index, int width);

    QString m_imagesPath;
    QPointer<QAbstractItemModel> m_model;
    int m_row;
    int m_column;
    bool m_chosen = false;
};

#endif // BILDERPOPUPWIDGET_H
