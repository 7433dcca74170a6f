#ifndef GRUPPENVIEW_H
#define GRUPPENVIEW_H

#include <QTreeView>

// Tree of the value-set groups; value sets are dropped onto it.
class GruppenView : public QTreeView
{
    Q_OBJECT
public:
    explicit GruppenView(QWidget *parent = nullptr);
};

#endif // GRUPPENVIEW_H
