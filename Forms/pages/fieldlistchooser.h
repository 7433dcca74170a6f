#ifndef FIELDLISTCHOOSER_H
#define FIELDLISTCHOOSER_H

#include <QObject>
#include <QString>
#include <QStringList>

class QAction;
class QTableView;

// The columns one list of the main page shows: the header's menu offers
// the named field lists and the dialog that edits them. A choice is stored
// in the user settings at once.
class FieldListChooser : public QObject
{
    Q_OBJECT
public:
    struct Target {
        QString table;           // the table the dialog offers the columns of
        QStringList mandatory;   // columns every field list keeps
        QString *fields;         // the column part shown now
        QStringList *fieldLists; // "name#columns" entries
        QString fieldsKey;       // user settings keys of the two
        QString fieldListsKey;
    };

    // customise: the action that opens the dialog, first in the menu.
    FieldListChooser(QTableView *view, QAction *customise, const Target &target,
                     QObject *parent = nullptr);

    // The header's menu at the cursor.
    void chooseFromMenu();
    // The dialog that edits the field lists, titled like the action.
    void customise();

signals:
    // Other columns are to be shown: the list must be read again.
    void fieldsChanged();

private:
    QTableView *m_view;
    QAction *m_customise;
    Target m_target;
};

#endif // FIELDLISTCHOOSER_H
