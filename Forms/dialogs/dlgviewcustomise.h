#ifndef DLGVIEWCUSTOMISE_H
#define DLGVIEWCUSTOMISE_H

#include <QDialog>
#include <QModelIndex>
#include <QStringList>

class QListWidgetItem;
class QMenu;
class QStandardItem;
class QStandardItemModel;

namespace Ui {
class dlgViewCustomise;
}

// Edits the named field lists of one table: which columns, in which order,
// a list of that table shows. A named list is stored as "name#columns" with
// the columns comma-separated (or "*"). On the left the lists (the last item
// "*" is the place for a new one), on the right the columns of the current
// list under "Sichtbare Felder" and "Versteckte Felder"; activating a column
// moves it to the other section, dragging reorders. The mandatory columns
// are never offered. On acceptance the caller's current column text and its
// list of named lists are rewritten.
class dlgViewCustomise : public QDialog
{
    Q_OBJECT
public:
    // Marker role of the column model: 0 for the two headings, 1 for a column.
    static constexpr int MarkerRole = Qt::UserRole + 1;

    dlgViewCustomise(const QString &table, QString &fields, QStringList &fieldLists,
                     const QStringList &mandatoryColumns, QWidget *parent = nullptr);
    ~dlgViewCustomise() override;

    QStandardItemModel *columnModel() const { return m_columnModel; }
    // The context menu of the list entry at pos (viewport coordinates of
    // listWidget), owned by parent; nullptr for empty space and the place holder.
    QMenu *createEntryMenu(const QPoint &pos, QWidget *parent);

public slots:
    void accept() override;

protected slots:
    void on_listWidget_currentItemChanged(QListWidgetItem *current, QListWidgetItem *previous);
    void on_listWidget_itemChanged(QListWidgetItem *item);
    void on_listWidget_customContextMenuRequested(QPoint pos);
    void on_listView_activated(QModelIndex index);

private:
    static QListWidgetItem *newEntry(const QString &name, const QString &columns);
    static QStandardItem *headingItem(const QString &text);
    static QStandardItem *columnItem(const QString &name);

    // The visible columns of the column model, comma-joined ("" for none).
    QString visibleColumnText() const;
    // Whether the shown entry's column text was rejected by the database and
    // the user has given it no visible column since.
    bool keepsRejectedColumns() const;
    void saveColumnsInto(QListWidgetItem *entry);
    void showColumnsOf(QListWidgetItem *entry);
    int hiddenHeadingRow() const;
    bool isPlaceHolder(const QListWidgetItem *item) const;
    void duplicateEntry(QListWidgetItem *entry);
    void deleteEntry(QListWidgetItem *entry);

    Ui::dlgViewCustomise *ui;
    QString m_table;
    QString &m_fields;
    QStringList &m_fieldLists;
    QStringList m_mandatoryColumns;
    QStandardItemModel *m_columnModel;
    bool m_shownColumnsRejected = false;
};

#endif // DLGVIEWCUSTOMISE_H
