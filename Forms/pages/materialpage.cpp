#include "materialpage.h"

#include "baustoffemodel.h"
#include "editablesqlquerymodeldelegate.h"
#include "leadingcolumns.h"

#include <QTableView>

MaterialPage::MaterialPage(QTableView *materials, QObject *parent)
    : QObject(parent)
    , m_view(materials)
{
}

void MaterialPage::show()
{
    if (!m_model) {
        m_model = new BaustoffeModel(m_view);
        m_view->setModel(m_model);
        m_view->setItemDelegate(new EditableSqlQueryModelDelegate(m_model));
    }
    m_model->selectMaterials();
    LeadingColumns::hide(m_view, m_model, 2, QStringLiteral("Bezeichnung"));
    m_view->resizeColumnsToContents();
}
