#ifndef MARKERDRAG_H
#define MARKERDRAG_H

class QDrag;
class QMimeData;
class QObject;

// The drag every view of the tool starts: a small red marker carrying data.
// Null when there is no data.
QDrag *createMarkerDrag(QObject *source, QMimeData *data);

#endif // MARKERDRAG_H
