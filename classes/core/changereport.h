#ifndef CHANGEREPORT_H
#define CHANGEREPORT_H

#include <QObject>
#include <QString>

// Tells the window about changes that did not reach the database file or
// the change journal. The models and the record copy report here; the main
// window shows the text in its status bar for some seconds. One report per
// user action, never one per statement.
class ChangeReport : public QObject
{
    Q_OBJECT
public:
    static ChangeReport *instance();

    // "Änderung nicht gespeichert: " followed by the database's error text.
    void changeNotSaved(const QString &databaseText);
    // "Änderung nicht gespeichert: " with the number of failed statements of
    // a bulk action and the first error text.
    void statementsFailed(int count, const QString &firstDatabaseText);
    // "Änderungsprotokoll nicht schreibbar: " followed by the reason.
    void journalNotWritable(const QString &reason);
    // "Abgebrochen: nichts geändert" after the user cancelled a bulk action.
    void actionCancelled();
    // What opening a database found (journal cut back, import interrupted).
    void openingNotice(const QString &message);

signals:
    // The complete German text for the status bar.
    void failed(const QString &message);

private:
    explicit ChangeReport(QObject *parent = nullptr);
};

#endif // CHANGEREPORT_H
