#include "commandline.h"
#include "deferredstartup.h"
#include "mainwindow.h"
#include "startup.h"
#include "startupmarks.h"

#include <QApplication>
#include <QIcon>
#include <QTranslator>

#include <cstdio>

#ifdef KOLVEX_MAINTENANCE_EDITION
static constexpr bool kManufacturerEdition = false;
static const char *const kProgram = "KolvexSelvantoPflege";
static const char *const kDesktopEntry = "com.tirma.KolvexSelvantoPflege";
#else
static constexpr bool kManufacturerEdition = true;
static const char *const kProgram = "KolvexSelvanto";
static const char *const kDesktopEntry = "com.tirma.KolvexSelvanto";
#endif

// The icon of the menu entry, in the sizes the theme installs.
static QIcon programIcon()
{
    QIcon icon;
    for (const char *size : {"-48", "-128", ""})
        icon.addFile(QStringLiteral(":/images/kolvexselvanto%1.png").arg(QLatin1String(size)));
    return icon;
}

int main(int argc, char *argv[])
{
    // "--help" and "--version" answer without a window or a screen.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString information =
        commandLineInformation(arguments, QLatin1String(kProgram), !kManufacturerEdition);
    if (!information.isEmpty()) {
        std::fputs(information.toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QTranslator translator;
    prepareApplication(app, translator, kManufacturerEdition);
    startDiagnosticsLog(QLatin1String(kProgram));
    // Task bar and window switcher show the program's own icon and find its
    // menu entry.
    QApplication::setWindowIcon(programIcon());
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopEntry));

    MainWindow window;
    window.setWindowIcon(QApplication::windowIcon());
    // The window comes first, with the wait cursor; the databases of the
    // command line (or the remembered one) fill it once it is seen. For
    // checks of an installed program without a screen the window closes as
    // soon as it is filled, so the program ends the normal way.
    DeferredStartup startup(window, app.arguments().mid(1),
                            qEnvironmentVariableIsSet("KOLVEX_CLOSE_AFTER_START"));
    StartupMarks::noteMomentsOf(startup);
    window.show();
    return app.exec();
}
