#ifndef TAKEOVERCOMMAND_H
#define TAKEOVERCOMMAND_H

#include <QString>

class QWidget;

// The two entries of a manufacturer in "Hersteller Updates" that carry the
// manufacturer's own work: the file to send (with its base copy kept) and
// the take-over of the returned file through the preview.
class TakeOverCommand
{
public:
    TakeOverCommand(qint64 manufacturerId, const QString &name, const QString &mainDbFile,
                    QWidget *dialogParent);

    // "Datei für %1 erstellen…"
    void createFileToSend();
    // "Update vom %1 übernehmen…"; true when the main file changed.
    bool takeOver();

private:
    qint64 m_manufacturerId;
    QString m_name;
    QString m_mainDbFile;
    QWidget *m_parent;
};

#endif // TAKEOVERCOMMAND_H
