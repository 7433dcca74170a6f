#include "commandline.h"

#include "mainwindow.h"

#include <QDebug>
#include <QUrl>

// Start-up messages carry the entry point as their context.
static QMessageLogger startupLog()
{
    return QMessageLogger("classes/main", 0, "int qMain(int, char**)");
}

QSqlError openCommandLineDatabases(MainWindow &window, const QStringList &files,
                                   QList<QSqlError> *failures)
{
    QSqlError error;
    for (const QString &file : files) {
        if (QUrl(file, QUrl::TolerantMode).isValid()) {
            error = window.openDataBase(file);
            if (error.isValid() && failures)
                failures->append(error);
        } else
            startupLog().warning("Ungültige URL: %s", file.toLocal8Bit().constData());
        if (error.isValid())
            startupLog().debug() << "Datenbankverbindung fehlgeschlagen: " << error;
    }
    return error;
}

void showCommandLineFailures(MainWindow &window, const QList<QSqlError> &failures)
{
    for (const QSqlError &error : failures)
        window.showOpenError(error);
}
