#include "resources.h"

#include <QtGlobal>

void initKolvexResources()
{
    Q_INIT_RESOURCE(images);
}
