#pragma once

#include <functional>
#include <memory>
#include <string>

#include "toolkit/Backend.h"

class QLabel;
class QWidget;
class PanelBuilder;

// The panel toolkit on Qt 6 Widgets. The first call creates the one
// application object of the process with argc/argv (Qt takes its own options
// out of them) and keeps it to the end of the process. When that cannot be
// done (no display), the process ends with failureCode after a German
// message on standard error.
using QtMisuseHandler = std::function<void(const std::string&)>;
std::unique_ptr<ToolkitBackend> CreateQtBackend(int& argc, char** argv, QtMisuseHandler onMisuse = {},
                                                int failureCode = 1);

// Qt's own dialogs and buttons in German ("Abbrechen", "Öffnen"). False when
// the translation file is missing; the program then runs with English dialogs.
bool LoadQtTranslations();

// The widgets behind a loaded panel, for tests and pictures of the panels;
// null when the Qt backend is not the current one or there is no such thing.
QWidget* QtPanelWindow(int panel);
QWidget* QtControlWidget(int panel, int control);
QLabel* QtControlCaption(int panel, int control);

// How the program's panels look: the program registers one function that
// places the controls of each of its panels (see PanelView.h). Without it
// every panel is a plain form.
using QtPanelLayout = void (*)(PanelBuilder&);
void SetQtPanelLayout(QtPanelLayout layout);

// Names for the file types of the file dialogs' filters, by extension
// without the dot (UTF-8): "krv" -> "KRV-4-Prüfprogramme".
void SetQtFileTypeName(const std::string& extension, const std::string& name);
