#ifndef FIRECHAMBERPAGE_H
#define FIRECHAMBERPAGE_H

#include "manufacturerlist.h"

#include <QObject>
#include <QPointer>

class FeuerraumModel;
class HerstellerModel;
class QModelIndex;
class QTableView;

// The fire-chamber page: the manufacturers with fire chambers and the
// chambers (table Gkostand) of the chosen one, both under the general
// filter. The models are made when the page is first shown.
class FireChamberPage : public QObject
{
    Q_OBJECT
public:
    FireChamberPage(QTableView *manufacturers, QTableView *chambers, QObject *parent = nullptr);

    // Shows the page's lists, re-read; the manufacturer chosen before stays
    // chosen while it is listed.
    void show();
    // Re-reads the manufacturers (and with them the chambers).
    void refreshManufacturers(qint64 keepId = -1);

public slots:
    void manufacturerActivated(const QModelIndex &current, const QModelIndex &previous);

private:
    void createModels();
    void refreshChambers();
    void restoreManufacturerSelection();

    QTableView *m_manufacturersView;
    QTableView *m_chambersView;
    ManufacturerList m_manufacturerList;
    QPointer<HerstellerModel> m_manufacturers;
    QPointer<FeuerraumModel> m_chambers;
};

#endif // FIRECHAMBERPAGE_H
