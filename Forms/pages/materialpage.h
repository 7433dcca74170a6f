#ifndef MATERIALPAGE_H
#define MATERIALPAGE_H

#include <QObject>
#include <QPointer>

class BaustoffeModel;
class QTableView;

// The building-material page: every material (table Baustoffe) by name.
// The model is made when the page is first shown.
class MaterialPage : public QObject
{
    Q_OBJECT
public:
    explicit MaterialPage(QTableView *materials, QObject *parent = nullptr);

    // Shows the materials, re-read.
    void show();

private:
    QTableView *m_view;
    QPointer<BaustoffeModel> m_model;
};

#endif // MATERIALPAGE_H
