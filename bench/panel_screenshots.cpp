// Pictures of every panel of the program, as the operator sees them:
//   krv4_screenshots <folder>
// Starts the program with the service switch (so the calibration button is
// there too), fills the two panels whose texts only exist while they are in
// use, shows each panel in turn and saves it as <folder>/<name>.png.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <string>

#include "app/Krv4Steuerung.h"
#include "toolkit/Toolkit.h"
#include "toolkit/qt/QtToolkit.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/qt/Layouts.h"

namespace {

void WaitUntilOnScreen(QWidget* window) {
    QWindow* handle = window->windowHandle();
    QDeadlineTimer deadline(5000);
    while (handle && !handle->isExposed() && !deadline.hasExpired()) {
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(50);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents();
}

bool Photograph(int panel, const QString& file) {
    DisplayPanel(panel);
    QWidget* window = QtPanelWindow(panel);
    if (!window) return false;
    WaitUntilOnScreen(window);
    bool ok = window->grab().save(file);
    HidePanel(panel);
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    SetToolkitBackend(CreateQtBackend(argc, argv));
    InstallKrv4QtLook();
    LoadQtTranslations();
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: %s <Ordner>\n", argv[0]);
        return 2;
    }
    QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    std::string program = argv[0];
    std::string service = kKalibrierSchalter;
    char* args[] = {program.data(), service.data(), nullptr};
    if (Krv4SteuerungStarten(2, args) < 0) {
        std::fprintf(stderr, "Start des Programms fehlgeschlagen\n");
        return 1;
    }
    HidePanel(panelHandle);

    std::string name;
    GetLabelFromIndex(panelHandle, PANEL_LISTBOX, 0, name);
    SetCtrlAttribute(stringPanelHandle, STRINGPNL_STRING, ATTR_MAX_ENTRY_LENGTH, 20);
    SetCtrlAttribute(stringPanelHandle, STRINGPNL_STRING, ATTR_LABEL_TEXT, "Prüfschritt umbenennen");
    SetCtrlVal(stringPanelHandle, STRINGPNL_STRING, name.c_str());
    SetCtrlVal(fortschrittPanelHandle, FORTSCHPNL_TEXT, "Schreibe Programm 1 Schritt 1");

    const struct {
        int* handle;
        const char* file;
    } shots[] = {
        {&panelHandle, "main"},          {&comPanelHandle, "com"},  {&kalPanelHandle, "kalibrierung"},
        {&infoPanelHandle, "info"},      {&planPanelHandle, "pneumatikplan"},
        {&stringPanelHandle, "stringeingabe"}, {&fortschrittPanelHandle, "fortschritt"},
    };
    int failed = 0;
    for (const auto& shot : shots) {
        QString file = QDir(folder).filePath(QString::fromLatin1(shot.file) + QStringLiteral(".png"));
        if (Photograph(*shot.handle, file)) {
            std::printf("%s\n", qUtf8Printable(file));
        } else {
            std::fprintf(stderr, "nicht gespeichert: %s\n", qUtf8Printable(file));
            ++failed;
        }
    }
    SetToolkitBackend(nullptr);
    return failed ? 1 : 0;
}
