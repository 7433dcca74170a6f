#ifndef STARTUP_H
#define STARTUP_H

#include <QString>

class QApplication;
class QTranslator;

// The start-up steps before the main window exists: C locale, application
// and organisation names, translator and style sheet from the settings, and
// (in the manufacturer edition) manufacturer mode for manufacturer 58.
void prepareApplication(QApplication &app, QTranslator &translator, bool manufacturerEdition);

// Loads the German catalog of Qt's own texts (buttons, standard questions,
// context menus) into translator: the file named by the "Translator"
// setting when it can be read; otherwise, except on Windows, the catalogs
// in Qt's translations directory ("qt_de", or "qtbase_de" when the complete
// catalog is not installed). Returns the file loaded, empty when none.
QString loadQtTranslations(QTranslator &translator, const QString &configuredFile);

// The version of the build ("1.0").
QString kolvexVersion();

// Writes the diagnostics of this run into a file of the user's data
// location as well (see DiagnosticsLog), named after program.
void startDiagnosticsLog(const QString &program);

// The manufacturer the manufacturer edition works for.
constexpr int kManufacturerEditionId = 58;

#endif // STARTUP_H
