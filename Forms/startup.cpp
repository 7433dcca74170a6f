#include "startup.h"

#include "appsettings.h"
#include "diagnosticslog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

QString loadQtTranslations(QTranslator &translator, const QString &configuredFile)
{
    const QFileInfo configured(configuredFile);
    if (configured.isFile() && configured.isReadable() && translator.load(configuredFile))
        return configuredFile;
#ifdef Q_OS_WIN
    // The Kolvex installation ships the catalog the setting names.
    return QString();
#else
    // Distributions keep Qt's catalogs in Qt's own translations directory.
    const QString dir = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    for (const QString &name : {QStringLiteral("qt_de"), QStringLiteral("qtbase_de")}) {
        if (translator.load(name, dir))
            return translator.filePath();
    }
    return QString();
#endif
}

QString kolvexVersion()
{
    return QStringLiteral(KOLVEX_VERSION);
}

void startDiagnosticsLog(const QString &program)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!folder.isEmpty() && !DiagnosticsLog::install(folder, program))
        qWarning("Protokolldatei in %s kann nicht geschrieben werden",
                 qPrintable(QDir::toNativeSeparators(folder)));
}

void prepareApplication(QApplication &app, QTranslator &translator, bool manufacturerEdition)
{
    // Numbers are read and written with "." whatever the user's locale is.
    QLocale::setDefault(QLocale(QLocale::C, QLocale::AnyCountry));
    // The names fix the settings locations, so they come before the first use.
    QApplication::setApplicationName(QStringLiteral("KolvexSelvanto"));
    QApplication::setOrganizationName(QStringLiteral("Tirma"));
    QApplication::setApplicationVersion(kolvexVersion());

    AppSettings *settings = AppSettings::instance();
    // Without any catalog the interface keeps Qt's English texts.
    (void)loadQtTranslations(translator, settings->translatorFile);
    app.installTranslator(&translator);
    app.setStyleSheet(settings->styleSheet);

    if (manufacturerEdition) {
        settings->manufacturerMode = true;
        settings->currentManufacturerId = kManufacturerEditionId;
    }
}
