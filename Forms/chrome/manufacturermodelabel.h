#ifndef MANUFACTURERMODELABEL_H
#define MANUFACTURERMODELABEL_H

#include <QLabel>

// The permanent status-bar label of the manufacturer edition: which
// manufacturer's appliances are edited, and that the changes are not
// journaled.
class ManufacturerModeLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ManufacturerModeLabel(QWidget *parent = nullptr);

    // Shows the current manufacturer as the open database names it.
    void refresh();
    void showManufacturer(const QString &name);
};

#endif // MANUFACTURERMODELABEL_H
