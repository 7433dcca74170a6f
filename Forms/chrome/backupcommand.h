#ifndef BACKUPCOMMAND_H
#define BACKUPCOMMAND_H

#include <QObject>

class QWidget;

// "Sicherung erstellen": asks for the target, proposing the database's
// name behind today's date, and copies the open main database there. A
// target that cannot be replaced brings the dialog back; the result is
// told in the status bar, a failure in a message box.
class BackupCommand : public QObject
{
    Q_OBJECT
public:
    explicit BackupCommand(QWidget *dialogParent);

    void run();

signals:
    void statusMessage(const QString &text, int timeout);

private:
    QWidget *m_dialogParent;
};

#endif // BACKUPCOMMAND_H
