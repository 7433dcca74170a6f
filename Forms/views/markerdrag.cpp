#include "markerdrag.h"

#include <QDrag>
#include <QMimeData>
#include <QPixmap>

QDrag *createMarkerDrag(QObject *source, QMimeData *data)
{
    if (!data)
        return nullptr;
    QPixmap marker(20, 10);
    marker.fill(Qt::red);
    auto *drag = new QDrag(source);
    drag->setPixmap(marker);
    drag->setMimeData(data);
    return drag;
}
