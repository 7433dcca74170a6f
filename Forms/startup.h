#ifndef STARTUP_H
#define STARTUP_H

class QApplication;
class QTranslator;

// The start-up steps before the main window exists: C locale, application
// and organisation names, translator and style sheet from the settings, and
// (in the manufacturer edition) manufacturer mode for manufacturer 58.
void prepareApplication(QApplication &app, QTranslator &translator, bool manufacturerEdition);

// The manufacturer the manufacturer edition works for.
constexpr int kManufacturerEditionId = 58;

#endif // STARTUP_H
