#include "appsettings.h"
#include "commandline.h"
#include "mainwindow.h"

#include <QApplication>
#include <QLocale>
#include <QSqlDatabase>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Numbers are read and written with "." whatever the user's locale is.
    QLocale::setDefault(QLocale(QLocale::C, QLocale::AnyCountry));
    // The names fix the settings locations, so they come before the first use.
    QApplication::setApplicationName(QStringLiteral("KolvexSelvanto"));
    QApplication::setOrganizationName(QStringLiteral("Tirma"));

    QTranslator translator;
    AppSettings *settings = AppSettings::instance();
    (void)translator.load(settings->translatorFile);
    app.installTranslator(&translator);
    app.setStyleSheet(settings->styleSheet);

#ifndef KOLVEX_MAINTENANCE_EDITION
    // The manufacturer edition works for one manufacturer only.
    settings->manufacturerMode = true;
    settings->currentManufacturerId = 58;
#endif

    MainWindow window;
    openCommandLineDatabases(window, app.arguments().mid(1));
    window.show();
    if (QSqlDatabase::connectionNames().isEmpty())
        QMetaObject::invokeMethod(&window, "addConnection", Qt::QueuedConnection);
    return app.exec();
}
