#ifndef TAKEOVERPREVIEW_H
#define TAKEOVERPREVIEW_H

#include "manufacturertakeover.h"

#include <QDialog>
#include <QList>

namespace Ui {
class TakeOverPreview;
}
class QTreeWidgetItem;

// Shows the lines of a take-over grouped by appliance, one check box per
// line, the changed cells old → new, and a summary; the user ticks what is
// taken over. Writes nothing: the caller reads chosen() after "Übernehmen".
class TakeOverPreview : public QDialog
{
    Q_OBJECT
public:
    TakeOverPreview(const QString &manufacturerName, const QList<ManufacturerTakeOver::Change> &changes,
                    const QStringList &notes, bool threeWay, QWidget *parent = nullptr);
    ~TakeOverPreview() override;

    // Whether line index (of the list handed in) is ticked.
    bool chosen(int index) const;

protected:
    void done(int result) override;

private:
    void fillTree();
    QTreeWidgetItem *groupFor(qint64 applianceId, QHash<qint64, QTreeWidgetItem *> &groups);
    void updateSummary();
    static QString changeText(const ManufacturerTakeOver::Change &change);

    Ui::TakeOverPreview *ui;
    QList<ManufacturerTakeOver::Change> m_changes;
    QList<QTreeWidgetItem *> m_items; // one per line, in list order
};

#endif // TAKEOVERPREVIEW_H
