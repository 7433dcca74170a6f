#include "commandline.h"

#include "mainwindow.h"
#include "startup.h"

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

QString commandLineInformation(const QStringList &arguments, const QString &program,
                               bool maintenanceEdition)
{
    const QString edition = maintenanceEdition ? QStringLiteral("Pflegeausgabe")
                                               : QStringLiteral("Herstellerausgabe");
    if (arguments.contains(QStringLiteral("--help")))
        return QStringLiteral(
                   "Aufruf: %1 [DATENBANK...]\n"
                   "Kolvex DatenBank Pflege (%2): bearbeitet die Kolvex-Gerätedatenbank.\n"
                   "\n"
                   "  DATENBANK    die zu öffnende Datenbankdatei (*.glo); bei mehreren gilt\n"
                   "               die letzte. Ohne Angabe wird die zuletzt benutzte Datenbank\n"
                   "               geöffnet oder nach einer gefragt.\n"
                   "  --help       diese Hilfe zeigen und beenden\n"
                   "  --version    die Version zeigen und beenden\n")
            .arg(program, edition);
    if (arguments.contains(QStringLiteral("--version")))
        return QStringLiteral("%1 %2 (KolvexSelvanto, %3)\n").arg(program, kolvexVersion(), edition);
    return QString();
}
