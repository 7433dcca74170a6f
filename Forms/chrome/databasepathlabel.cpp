#include "databasepathlabel.h"

#include <QHBoxLayout>
#include <QLabel>

DatabasePathLabel::DatabasePathLabel(QWidget *parent)
    : QWidget(parent)
    , m_path(new QLabel(this))
    , m_readOnly(new QLabel(tr("schreibgeschützt"), this))
{
    setObjectName(QStringLiteral("databasePathLabel"));
    m_path->setObjectName(QStringLiteral("databasePath"));
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_readOnly->setObjectName(QStringLiteral("databaseReadOnly"));
    m_readOnly->setStyleSheet(QStringLiteral("color: darkRed; font-weight: bold;"));
    m_readOnly->setToolTip(tr("Die Datenbank ist nur zum Lesen geöffnet; Änderungen sind "
                              "abgeschaltet."));
    m_readOnly->hide();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_path);
    layout->addWidget(m_readOnly);
}

void DatabasePathLabel::showDatabase(const QString &path, bool readOnly)
{
    m_path->setText(path);
    m_readOnly->setVisible(readOnly);
}

QString DatabasePathLabel::path() const
{
    return m_path->text();
}

bool DatabasePathLabel::showsReadOnly() const
{
    return !m_readOnly->isHidden();
}
