#include "commandline.h"

#include "mainwindow.h"

#include <QDebug>
#include <QUrl>

// Start-up messages carry the entry point as their context.
static QMessageLogger startupLog()
{
    return QMessageLogger("classes/main", 0, "int qMain(int, char**)");
}

QSqlError openCommandLineDatabases(MainWindow &window, const QStringList &files)
{
    QSqlError error;
    for (const QString &file : files) {
        if (QUrl(file, QUrl::TolerantMode).isValid())
            error = window.openDataBase(file);
        else
            startupLog().warning("Ungültige URL: %s", file.toLocal8Bit().constData());
        if (error.isValid())
            startupLog().debug() << "Datenbankverbindung fehlgeschlagen: " << error;
    }
    return error;
}
