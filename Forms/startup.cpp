#include "startup.h"

#include "appsettings.h"

#include <QApplication>
#include <QLocale>
#include <QTranslator>

void prepareApplication(QApplication &app, QTranslator &translator, bool manufacturerEdition)
{
    // Numbers are read and written with "." whatever the user's locale is.
    QLocale::setDefault(QLocale(QLocale::C, QLocale::AnyCountry));
    // The names fix the settings locations, so they come before the first use.
    QApplication::setApplicationName(QStringLiteral("KolvexSelvanto"));
    QApplication::setOrganizationName(QStringLiteral("Tirma"));

    AppSettings *settings = AppSettings::instance();
    // A missing translation file leaves the interface untranslated.
    (void)translator.load(settings->translatorFile);
    app.installTranslator(&translator);
    app.setStyleSheet(settings->styleSheet);

    if (manufacturerEdition) {
        settings->manufacturerMode = true;
        settings->currentManufacturerId = kManufacturerEditionId;
    }
}
