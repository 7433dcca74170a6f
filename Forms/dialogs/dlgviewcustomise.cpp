#include "dlgviewcustomise.h"
#include "ui_dlgviewcustomise.h"

#include "fieldlistcolumns.h"
#include "statementcolumns.h"

#include <QBrush>
#include <QColor>
#include <QCursor>
#include <QListWidgetItem>
#include <QMenu>
#include <QStandardItem>
#include <QStandardItemModel>

namespace {

const QString kPlaceHolder = QStringLiteral("*");
const char kColumnsStatement[] = "SELECT %1 FROM %2";
const char kAllColumnsStatement[] = "SELECT * FROM %1";

// The column model of the dialog. Row 0 is the heading of the visible
// columns: a column dropped above it would leave the list without a visible
// section, and one dropped onto another item would vanish from the flat
// list, so neither drop is taken.
class ColumnModel : public QStandardItemModel
{
public:
    using QStandardItemModel::QStandardItemModel;

    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override
    {
        return takesDropAt(row, parent)
            && QStandardItemModel::canDropMimeData(data, action, row, column, parent);
    }

    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override
    {
        return takesDropAt(row, parent)
            && QStandardItemModel::dropMimeData(data, action, row, column, parent);
    }

private:
    static bool takesDropAt(int row, const QModelIndex &parent)
    {
        return !parent.isValid() && row != 0;
    }
};

} // namespace

dlgViewCustomise::dlgViewCustomise(const QString &table, QString &fields, QStringList &fieldLists,
                                   const QStringList &mandatoryColumns, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::dlgViewCustomise)
    , m_table(table)
    , m_fields(fields)
    , m_fieldLists(fieldLists)
    , m_columnModel(new ColumnModel(0, 1, this))
{
    for (const QString &column : mandatoryColumns)
        m_mandatoryColumns << column.toUpper();
    ui->setupUi(this);

    ui->listView->setDragDropMode(QAbstractItemView::InternalMove);
    ui->listView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ui->listView->setModel(m_columnModel);
    ui->listView->keepReturn = true;

    QListWidgetItem *current = nullptr;
    for (const QString &entry : fieldLists) {
        QListWidgetItem *item = newEntry(entry.section(QLatin1Char('#'), 0, 0),
                                         entry.section(QLatin1Char('#'), 1, 1));
        ui->listWidget->addItem(item);
        if (item->data(Qt::UserRole).toString() == fields)
            current = item;
    }
    ui->listWidget->addItem(newEntry(kPlaceHolder, QString()));
    ui->listWidget->setContextMenuPolicy(Qt::CustomContextMenu);
    if (current)
        ui->listWidget->setCurrentItem(current);
}

dlgViewCustomise::~dlgViewCustomise()
{
    delete ui;
}

QListWidgetItem *dlgViewCustomise::newEntry(const QString &name, const QString &columns)
{
    auto *item = new QListWidgetItem(name);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(Qt::UserRole, columns);
    return item;
}

QStandardItem *dlgViewCustomise::headingItem(const QString &text)
{
    auto *item = new QStandardItem(text);
    item->setData(0, MarkerRole);
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    item->setBackground(QColor(Qt::lightGray));
    item->setForeground(QColor(Qt::blue));
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

QStandardItem *dlgViewCustomise::columnItem(const QString &name)
{
    auto *item = new QStandardItem(name.toUpper());
    item->setData(1, MarkerRole);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
    return item;
}

bool dlgViewCustomise::isPlaceHolder(const QListWidgetItem *item) const
{
    const int count = ui->listWidget->count();
    return item && count > 0 && ui->listWidget->item(count - 1) == item
        && item->text() == kPlaceHolder;
}

// ------------------------------------------------------------ column model

int dlgViewCustomise::hiddenHeadingRow() const
{
    for (int row = 1; row < m_columnModel->rowCount(); ++row) {
        if (m_columnModel->item(row)->data(MarkerRole).toInt() == 0)
            return row;
    }
    return m_columnModel->rowCount();
}

QString dlgViewCustomise::visibleColumnText() const
{
    QStringList columns;
    const int end = hiddenHeadingRow();
    for (int row = 1; row < end; ++row)
        columns << m_columnModel->item(row)->text();
    if (columns.isEmpty())
        return QString();
    // The lists take their record id and owner from the key columns.
    return FieldListColumns::withKeyColumns(columns.join(QLatin1Char(',')), m_mandatoryColumns);
}

bool dlgViewCustomise::keepsRejectedColumns() const
{
    return m_shownColumnsRejected && visibleColumnText().isEmpty();
}

void dlgViewCustomise::saveColumnsInto(QListWidgetItem *entry)
{
    // A column text the database rejects shows no visible column; as long
    // as the user gives it none, the entry keeps the text it was stored with.
    if (entry && !keepsRejectedColumns())
        entry->setData(Qt::UserRole, visibleColumnText());
}

void dlgViewCustomise::showColumnsOf(QListWidgetItem *entry)
{
    m_columnModel->clear();
    m_columnModel->setColumnCount(1);
    m_columnModel->setHorizontalHeaderLabels({QStringLiteral("Fieldname")});
    m_columnModel->appendRow(headingItem(tr("Sichtbare Felder")));

    QStringList used = m_mandatoryColumns;
    const QString columns = entry ? entry->data(Qt::UserRole).toString() : QString();
    m_shownColumnsRejected = false;
    if (!columns.isEmpty()) {
        bool accepted = false;
        const QStringList shown = statementResultColumns(
            QString::fromLatin1(kColumnsStatement).arg(columns, m_table), &accepted);
        m_shownColumnsRejected = !accepted;
        for (const QString &name : shown) {
            if (!m_mandatoryColumns.contains(name, Qt::CaseInsensitive))
                m_columnModel->appendRow(columnItem(name));
            used << name;
        }
    }

    m_columnModel->appendRow(headingItem(tr("Versteckte Felder")));
    QStringList hidden;
    const QStringList all =
        statementResultColumns(QString::fromLatin1(kAllColumnsStatement).arg(m_table));
    for (const QString &name : all) {
        if (!used.contains(name))
            hidden << name;
    }
    hidden.sort(Qt::CaseSensitive);
    for (const QString &name : hidden)
        m_columnModel->appendRow(columnItem(name));
}

void dlgViewCustomise::on_listWidget_currentItemChanged(QListWidgetItem *current,
                                                        QListWidgetItem *previous)
{
    saveColumnsInto(previous);
    showColumnsOf(current);
}

void dlgViewCustomise::on_listView_activated(QModelIndex index)
{
    if (!index.isValid() || index.data(MarkerRole).toInt() == 0)
        return;
    const int row = index.row();
    const int heading = hiddenHeadingRow();
    QList<QStandardItem *> taken = m_columnModel->takeRow(row);
    if (row < heading) {
        // A visible column goes to its alphabetical place among the hidden ones;
        // the heading moved up by one, so the hidden columns start at heading.
        const QString name = taken.first()->text();
        int place = heading;
        while (place < m_columnModel->rowCount() && m_columnModel->item(place)->text() < name)
            ++place;
        m_columnModel->insertRow(place, taken);
    } else {
        // A hidden column becomes the last visible one.
        m_columnModel->insertRow(heading, taken);
    }
    ui->listView->selectionModel()->setCurrentIndex(m_columnModel->index(row, 0),
                                                    QItemSelectionModel::ClearAndSelect);
}

// ------------------------------------------------------------ named lists

void dlgViewCustomise::on_listWidget_itemChanged(QListWidgetItem *item)
{
    // "#" ends the name in the stored "name#columns"; a name holding one
    // would hand part of itself to the columns when the list is read again.
    if (item->text().contains(QLatin1Char('#'))) {
        item->setText(item->text().replace(QLatin1Char('#'), QLatin1Char(' ')));
        return; // the new text comes back here
    }
    const int count = ui->listWidget->count();
    if (count > 0 && ui->listWidget->item(count - 1) == item && item->text() != kPlaceHolder)
        ui->listWidget->addItem(newEntry(kPlaceHolder, QString()));
}

QMenu *dlgViewCustomise::createEntryMenu(const QPoint &pos, QWidget *parent)
{
    QListWidgetItem *entry = ui->listWidget->itemAt(pos);
    if (!entry || entry->text() == kPlaceHolder)
        return nullptr;
    auto *menu = new QMenu(parent);
    connect(menu->addAction(tr("Eintrag duplizieren")), &QAction::triggered, this,
            [this, entry] { duplicateEntry(entry); });
    connect(menu->addAction(tr("Eintrag löschen")), &QAction::triggered, this,
            [this, entry] { deleteEntry(entry); });
    return menu;
}

void dlgViewCustomise::on_listWidget_customContextMenuRequested(QPoint pos)
{
    QMenu *menu = createEntryMenu(pos, this);
    if (!menu)
        return;
    menu->exec(QCursor::pos());
    menu->deleteLater();
}

void dlgViewCustomise::duplicateEntry(QListWidgetItem *entry)
{
    // The copy is the entry as saved; changes shown but not yet saved stay
    // with the entry being edited.
    const int row = ui->listWidget->row(entry);
    ui->listWidget->insertItem(row + 1,
                               newEntry(entry->text(), entry->data(Qt::UserRole).toString()));
}

void dlgViewCustomise::deleteEntry(QListWidgetItem *entry)
{
    delete ui->listWidget->takeItem(ui->listWidget->row(entry));
}

void dlgViewCustomise::accept()
{
    if (QListWidgetItem *current = ui->listWidget->currentItem()) {
        saveColumnsInto(current);
        const QString columns = current->data(Qt::UserRole).toString();
        if (!columns.isEmpty() && !keepsRejectedColumns())
            m_fields = columns;
    }
    m_fieldLists.clear();
    for (int row = 0; row < ui->listWidget->count(); ++row) {
        const QListWidgetItem *item = ui->listWidget->item(row);
        const QString columns = item->data(Qt::UserRole).toString();
        if (!columns.isEmpty() && !isPlaceHolder(item))
            m_fieldLists << item->text() + QLatin1Char('#') + columns;
    }
    QDialog::accept();
}
