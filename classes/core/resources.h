#ifndef RESOURCES_H
#define RESOURCES_H

// Registers the compiled-in icons (the resource lives in a static library).
void initKolvexResources();

#endif // RESOURCES_H
