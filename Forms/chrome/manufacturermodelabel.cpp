#include "manufacturermodelabel.h"

#include "appsettings.h"
#include "databaseinfo.h"
#include "dbconnections.h"
#include "shortname.h"

ManufacturerModeLabel::ManufacturerModeLabel(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("manufacturerModeLabel"));
}

void ManufacturerModeLabel::refresh()
{
    const qint64 id = AppSettings::instance()->currentManufacturerId;
    const QString name = DatabaseInfo::manufacturerName(kolvexDb(), id);
    showManufacturer(name.isEmpty() ? tr("Nr. %1").arg(id) : name);
}

void ManufacturerModeLabel::showManufacturer(const QString &name)
{
    setText(tr("Hersteller: %1 – Änderungen ohne Journal").arg(shortName(name, fontMetrics())));
    setToolTip(tr("Hersteller: %1\nDie Herstellerausgabe bearbeitet nur die Feuerstätten und "
                  "Kenndaten dieses Herstellers; Änderungen werden nicht ins Journal geschrieben.")
                   .arg(name));
}
