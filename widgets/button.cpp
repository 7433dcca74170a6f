#include "button.h"

Button::Button(const QString &text, const QColor &colour, QWidget *parent)
    : QToolButton(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setText(text);
    QPalette pal = palette();
    pal.setColor(QPalette::All, QPalette::Window, colour);
    pal.setColor(QPalette::All, QPalette::Button, colour);
    setPalette(pal);
}

QSize Button::sizeHint() const
{
    QSize size = QToolButton::sizeHint();
    size.rheight() += 20;
    size.rwidth() = qMax(size.width(), size.height());
    return size;
}
