#ifndef MANUFACTURERATTACHMENTS_H
#define MANUFACTURERATTACHMENTS_H

#include <QList>
#include <QPair>
#include <QString>

// The attachments (table Aufsatz) of a manufacturer as (Id, Bezeichnung)
// in the order the database gives them; empty when it has none or the
// look-up fails.
QList<QPair<qint64, QString>> manufacturerAttachments(qint64 manufacturerId);

#endif // MANUFACTURERATTACHMENTS_H
