#include "editornote.h"

namespace {
const char kObjectName[] = "editorNote";
}

EditorNote::EditorNote(QWidget *window)
    : QLabel(window)
{
    setObjectName(QLatin1String(kObjectName));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMargin(3);
    setAutoFillBackground(true);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    m_timer.setSingleShot(true);
    m_timer.setInterval(kShownMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &QWidget::hide);
}

EditorNote *EditorNote::of(QWidget *window)
{
    if (!window)
        return nullptr;
    return window->findChild<EditorNote *>(QLatin1String(kObjectName),
                                           Qt::FindDirectChildrenOnly);
}

EditorNote *EditorNote::showAt(QWidget *anchor, const QString &text)
{
    QWidget *window = anchor ? anchor->window() : nullptr;
    // A window on its way out (closing takes the focus from the editor)
    // gets no new note.
    if (!window || !window->isVisible() || window->isHidden())
        return nullptr;
    EditorNote *note = of(window);
    if (!note)
        note = new EditorNote(window);
    note->setText(text);
    note->adjustSize();
    note->placeAt(anchor);
    note->show();
    note->raise();
    note->m_timer.start();
    return note;
}

void EditorNote::placeAt(QWidget *anchor)
{
    QWidget *window = parentWidget();
    const QPoint below = anchor == window
                             ? QPoint(0, anchor->height())
                             : anchor->mapTo(window, QPoint(0, anchor->height()));
    int y = below.y();
    if (y + height() > window->height())
        y = qMax(0, below.y() - anchor->height() - height());
    const int x = qBound(0, below.x(), qMax(0, window->width() - width()));
    move(x, y);
}
