#ifndef FORMRECORDQUERY_H
#define FORMRECORDQUERY_H

#include <QString>

class EditableSqlQueryModel;

// Reads the one record a form page shows into its form model: the chosen
// columns of an appliance (table Geraete) or of a value set (table Werte).
class FormRecordQuery
{
public:
    enum Table { Appliance, ValueSet };

    explicit FormRecordQuery(Table table);

    // The statement for the record with the id; fields is the column part.
    QString statement(const QString &fields, int id) const;
    // Runs it on "Kolvex" in model, through the model's own setQuery (an
    // appliance or value-set model resets its own state there).
    void select(EditableSqlQueryModel *model, const QString &fields, int id) const;

private:
    Table m_table;
};

#endif // FORMRECORDQUERY_H
