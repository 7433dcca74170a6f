#ifndef JOURNALPACKER_H
#define JOURNALPACKER_H

#include <QObject>

class QWidget;

// "Update vorbereiten": packs the journal of the open database into
// "journal.zip" beside it and says so in the status bar, or why not in a
// message box.
class JournalPacker : public QObject
{
    Q_OBJECT
public:
    explicit JournalPacker(QWidget *dialogParent);

    void pack();

signals:
    void statusMessage(const QString &text, int timeout);

private:
    QWidget *m_dialogParent;
};

#endif // JOURNALPACKER_H
