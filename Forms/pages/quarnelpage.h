#ifndef QUARNELPAGE_H
#define QUARNELPAGE_H

#include "manufacturerlist.h"

#include <QObject>
#include <QPointer>

class QModelIndex;
class QuarnelLists;
class QTableView;

// The Quarnel page: the manufacturers of the companion file's heat
// database and the appliances of the chosen one, read only, under the
// general filter. The models are made when the page is shown.
class QuarnelPage : public QObject
{
    Q_OBJECT
public:
    QuarnelPage(QTableView *manufacturers, QTableView *appliances, QObject *parent = nullptr);

    // Shows the page's lists, re-read.
    void show();
    // Re-reads the manufacturers (and with them the appliances).
    void refreshManufacturers(qint64 keepId = -1);
    // Lets go of the lists, so that the tables behind them can be replaced.
    void releaseModels();

public slots:
    void manufacturerActivated(const QModelIndex &current, const QModelIndex &previous);

private:
    void createModels();

    QTableView *m_manufacturersView;
    QTableView *m_appliancesView;
    ManufacturerList m_manufacturerList;
    QPointer<QuarnelLists> m_lists;
};

#endif // QUARNELPAGE_H
