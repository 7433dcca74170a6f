#ifndef FORMPAGE_H
#define FORMPAGE_H

#include "formrecordquery.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class EditableSqlQueryModel;
class QDataWidgetMapper;
class QGridLayout;
class QStackedWidget;
class QWidget;

// A page that shows one record of a list as a form: a label and an editor
// for every column of the field list "Form" (all columns without one),
// six grid cells to a line, each editor bound to the form model. The grid
// is built again only when the field list changed. "Zurück" returns to the
// list page.
class FormPage : public QObject
{
    Q_OBJECT
public:
    struct Widgets {
        QStackedWidget *stack;
        QWidget *page;      // the form page within stack
        QWidget *listPage;  // the page "Zurück" returns to
        QGridLayout *grid;
    };

    FormPage(const Widgets &widgets, FormRecordQuery record, QObject *parent = nullptr);

    // The model of a newly opened database (taken over); the editors of the
    // old one go.
    void setFormModel(EditableSqlQueryModel *model);
    // Shows the record of row in listModel; nothing for the new-record row.
    void show(const EditableSqlQueryModel *listModel, int row, const QStringList &fieldLists);
    // "Zurück": the list page again.
    void returnToList();

signals:
    // The list page is shown again; what the form stored is in the file.
    void returnedToList();

private:
    void buildGrid();
    void clearGrid();

    Widgets m_widgets;
    FormRecordQuery m_record;
    QDataWidgetMapper *m_mapper;
    QPointer<EditableSqlQueryModel> m_model;
    bool m_built = false;
    QString m_builtFor;
};

#endif // FORMPAGE_H
