#include "commandline.h"
#include "mainwindow.h"
#include "startup.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QTranslator>

#ifdef KOLVEX_MAINTENANCE_EDITION
static constexpr bool kManufacturerEdition = false;
#else
static constexpr bool kManufacturerEdition = true;
#endif

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTranslator translator;
    prepareApplication(app, translator, kManufacturerEdition);

    MainWindow window;
    QList<QSqlError> failures;
    openCommandLineDatabases(window, app.arguments().mid(1), &failures);
    window.show();
    showCommandLineFailures(window, failures);
    // Queued, so it runs once the window is visible: opens the remembered
    // database or asks for one.
    if (QSqlDatabase::connectionNames().isEmpty())
        QMetaObject::invokeMethod(&window, "addConnection", Qt::QueuedConnection);
    return app.exec();
}
