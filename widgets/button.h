#ifndef BUTTON_H
#define BUTTON_H

#include <QColor>
#include <QToolButton>

// Key of the pocket calculator: a tool button in its own colour that is a
// little taller than a plain tool button and at least as wide as tall.
class Button : public QToolButton
{
    Q_OBJECT
public:
    Button(const QString &text, const QColor &colour, QWidget *parent = nullptr);

    QSize sizeHint() const override;
};

#endif // BUTTON_H
