#include "commandline.h"
#include "mainwindow.h"
#include "startup.h"

#include <QApplication>
#include <QIcon>
#include <QSqlDatabase>
#include <QTimer>
#include <QTranslator>

#ifdef KOLVEX_MAINTENANCE_EDITION
static constexpr bool kManufacturerEdition = false;
static const char *const kDesktopEntry = "com.tirma.KolvexSelvantoPflege";
#else
static constexpr bool kManufacturerEdition = true;
static const char *const kDesktopEntry = "com.tirma.KolvexSelvanto";
#endif

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTranslator translator;
    prepareApplication(app, translator, kManufacturerEdition);
    // Task bar and window switcher show the program's own icon and find its
    // menu entry.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/kolvexselvanto.png")));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopEntry));

    MainWindow window;
    QList<QSqlError> failures;
    openCommandLineDatabases(window, app.arguments().mid(1), &failures);
    window.show();
    showCommandLineFailures(window, failures);
    // Queued, so it runs once the window is visible: opens the remembered
    // database or asks for one.
    if (QSqlDatabase::connectionNames().isEmpty())
        QMetaObject::invokeMethod(&window, "addConnection", Qt::QueuedConnection);
    // For checks of an installed program without a screen: the window closes
    // as soon as the event loop runs, so the program ends the normal way.
    if (qEnvironmentVariableIsSet("KOLVEX_CLOSE_AFTER_START"))
        QTimer::singleShot(0, &window, &QWidget::close);
    return app.exec();
}
