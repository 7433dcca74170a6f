#ifndef EDITORNOTE_H
#define EDITORNOTE_H

#include <QLabel>
#include <QTimer>

// A short note beside an editor ("Keine Zahl: e", "gerundet auf 1
// Nachkommastellen", "max 1500"), shown for a few seconds in the editor's
// window. It belongs to the window, not to the editor, so it stays readable
// when a cell editor closes right after the edit. One note per window; a
// new one replaces the text of the old.
class EditorNote : public QLabel
{
    Q_OBJECT
public:
    static constexpr int kShownMilliseconds = 5000;

    // Shows text under anchor (above it where there is no room below).
    // Nothing happens while anchor's window is not shown.
    static EditorNote *showAt(QWidget *anchor, const QString &text);
    // The note of window, if one was shown there.
    static EditorNote *of(QWidget *window);

private:
    explicit EditorNote(QWidget *window);
    void placeAt(QWidget *anchor);

    QTimer m_timer;
};

#endif // EDITORNOTE_H
