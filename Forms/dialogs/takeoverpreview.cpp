#include "takeoverpreview.h"

#include "shortname.h"
#include "ui_takeoverpreview.h"

#include <QHash>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidgetItem>

namespace {

const char kSizeKey[] = "TakeOverPreview/size";

QColor kindColour(ManufacturerTakeOver::Kind kind)
{
    switch (kind) {
    case ManufacturerTakeOver::New:
        return QColor(214, 240, 214);
    case ManufacturerTakeOver::Changed:
        return QColor(255, 243, 196);
    case ManufacturerTakeOver::Deleted:
        return QColor(230, 230, 230);
    case ManufacturerTakeOver::Conflict:
        return QColor(250, 208, 208);
    }
    return QColor();
}

} // namespace

TakeOverPreview::TakeOverPreview(const QString &manufacturerName,
                                 const QList<ManufacturerTakeOver::Change> &changes,
                                 const QStringList &notes, bool threeWay, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TakeOverPreview)
    , m_changes(changes)
{
    ui->setupUi(this);
    setWindowTitle(tr("Update vom %1 übernehmen").arg(shortName(manufacturerName, fontMetrics())));
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("Übernehmen"));
    ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(tr("Abbrechen"));
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ui->labelIntro->setText(
        threeWay ? tr("Vergleich mit der Basiskopie der gesendeten Datei: nur die Änderungen des "
                      "Herstellers werden gezeigt; Konflikte sind nicht angehakt.")
                 : tr("Ohne Basiskopie wird jeder Unterschied gezeigt; Löschungen sind nicht "
                      "angehakt."));
    ui->labelNotes->setText(notes.join(QLatin1Char('\n')));
    ui->labelNotes->setVisible(!notes.isEmpty());
    fillTree();
    connect(ui->treeChanges, &QTreeWidget::itemChanged, this, [this] { updateSummary(); });
    updateSummary();
    const QSize size = QSettings().value(QLatin1String(kSizeKey)).toSize();
    if (size.isValid())
        resize(size);
}

TakeOverPreview::~TakeOverPreview()
{
    delete ui;
}

void TakeOverPreview::done(int result)
{
    QSettings().setValue(QLatin1String(kSizeKey), size());
    QDialog::done(result);
}

bool TakeOverPreview::chosen(int index) const
{
    return index >= 0 && index < m_items.size() && m_items.at(index)->checkState(0) == Qt::Checked;
}

QTreeWidgetItem *TakeOverPreview::groupFor(qint64 applianceId, QHash<qint64, QTreeWidgetItem *> &groups)
{
    QTreeWidgetItem *group = groups.value(applianceId);
    if (!group) {
        group = new QTreeWidgetItem(ui->treeChanges);
        group->setText(0, tr("Feuerstätte %1").arg(applianceId));
        QFont bold = group->font(0);
        bold.setBold(true);
        group->setFont(0, bold);
        group->setFirstColumnSpanned(true);
        group->setExpanded(true);
        groups.insert(applianceId, group);
    }
    return group;
}

void TakeOverPreview::fillTree()
{
    QHash<qint64, QTreeWidgetItem *> groups;
    ui->treeChanges->setUpdatesEnabled(false);
    const QSignalBlocker blocker(ui->treeChanges);
    for (const ManufacturerTakeOver::Change &change : m_changes) {
        const bool appliance = change.table == QLatin1String("Geraete");
        QTreeWidgetItem *group = groupFor(change.applianceId, groups);
        if (appliance && !change.label.isEmpty())
            group->setText(0, tr("Feuerstätte %1: %2").arg(change.applianceId).arg(change.label));
        auto *item = new QTreeWidgetItem;
        appliance ? group->insertChild(0, item) : group->addChild(item);
        item->setText(0, (appliance ? tr("Feuerstätte %1") : tr("Kenndaten %1")).arg(change.mainId)
                             + (change.label.isEmpty() ? QString() : QStringLiteral(" – ") + change.label));
        item->setText(1, ManufacturerTakeOver::kindName(change.kind));
        item->setText(2, changeText(change));
        item->setToolTip(2, item->text(2));
        item->setCheckState(0, change.chosen ? Qt::Checked : Qt::Unchecked);
        for (int column = 1; column < 3; ++column)
            item->setBackground(column, kindColour(change.kind));
        m_items << item;
    }
    ui->treeChanges->setUpdatesEnabled(true);
    ui->treeChanges->resizeColumnToContents(0);
    ui->treeChanges->resizeColumnToContents(1);
}

QString TakeOverPreview::changeText(const ManufacturerTakeOver::Change &change)
{
    if (change.kind == ManufacturerTakeOver::Deleted)
        return tr("wird gelöscht");
    if (change.mainValues.isEmpty())
        return change.kind == ManufacturerTakeOver::New ? tr("neuer Datensatz")
                                                        : tr("wird neu angelegt");
    QStringList parts;
    for (int i = 0; i < change.columns.size(); ++i)
        parts << QStringLiteral("%1: %2 → %3")
                     .arg(change.columns.at(i), change.mainValues.value(i),
                          change.returnedValues.value(i));
    return parts.join(QStringLiteral("; "));
}

void TakeOverPreview::updateSummary()
{
    int counts[4] = {0, 0, 0, 0};
    int ticked = 0;
    for (int i = 0; i < m_changes.size(); ++i) {
        ++counts[m_changes.at(i).kind];
        if (chosen(i))
            ++ticked;
    }
    ui->labelSummary->setText(tr("%1 neu, %2 geändert, %3 gelöscht, %4 Konflikte – %5 von %6 "
                                 "angehakt")
                                  .arg(counts[ManufacturerTakeOver::New])
                                  .arg(counts[ManufacturerTakeOver::Changed])
                                  .arg(counts[ManufacturerTakeOver::Deleted])
                                  .arg(counts[ManufacturerTakeOver::Conflict])
                                  .arg(ticked)
                                  .arg(m_changes.size()));
}
