#ifndef ABOUTBOX_H
#define ABOUTBOX_H

#include <QObject>
#include <QString>

class QAction;
class QWidget;

// "Über KolvexSelvanto": the version of the build, the Qt and SQLite
// versions, and where the program works: the open database, its journal,
// the settings file and the diagnostics log. Also offers Qt's own box.
class AboutBox : public QObject
{
    Q_OBJECT
public:
    // about shows this box, aboutQt Qt's; window is the boxes' parent.
    AboutBox(QAction *about, QAction *aboutQt, QWidget *window);

    // The box's text (rich text), as it would be shown now.
    static QString text();
    void show();

private:
    QWidget *m_window;
};

#endif // ABOUTBOX_H
