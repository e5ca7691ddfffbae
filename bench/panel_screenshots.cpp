// Pictures of every panel of the program, as the operator sees them:
//   krv4_screenshots <folder>
// Starts the program with the service switch (so the calibration button is
// there too), fills the two panels whose texts only exist while they are in
// use, shows each panel in turn and saves it as <folder>/<name>.png; then
// the COM and calibration panels at the main panel's size, the file dialogs,
// and the main panel of a start without the switch. Run it in a scratch
// working directory: it leaves sample data files there for the dialogs.

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QDeadlineTimer>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "app/Krv4Steuerung.h"
#include "storage/Dateifunktionen.h"
#include "toolkit/qt/Cp1252.h"
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

// A panel shown in place of the main panel takes over its geometry.
bool PhotographAtMainSize(int panel, const QString& file) {
    for (int attribute : {ATTR_TOP, ATTR_LEFT, ATTR_WIDTH, ATTR_HEIGHT}) {
        int value = 0;
        GetPanelAttribute(panelHandle, attribute, value);
        SetPanelAttribute(panel, attribute, value);
    }
    return Photograph(panel, file);
}

// A modal dialog of the toolkit: photographed once it is up, then closed.
bool PhotographDialog(const std::function<void()>& open, const QString& file) {
    bool ok = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || !modal->windowHandle() || !modal->windowHandle()->isExposed()) return;
        poll.stop();
        QTimer::singleShot(300, modal, [&ok, modal, file] {
            ok = modal->grab().save(file);
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            else modal->close();
        });
    });
    poll.start(20);
    open();
    return ok;
}

// Files for the file dialogs to list.
void SampleFiles() {
    Datenblock block;
    DatenblockErstellen(block);
    // A program of a few steps, selected, as a customer's file would have.
    Programm& prog = block.programme[2];
    std::snprintf(prog.name, sizeof prog.name, "%s", "Ventiltest Kunde");
    const char* steps[] = {"Dichtheit DS", "Dichtheit SS", "Durchfluss V4", "Widerstand Spule"};
    for (int i = 0; i < 4; ++i) {
        prog.schritte[i] = prog.schritte[0];
        std::snprintf(prog.schritte[i].name, sizeof prog.schritte[i].name, "%s", steps[i]);
    }
    prog.psAnzahl = 4;
    prog.psIndex = 0;
    block.progIndex = 2;
    for (const char* name : {"Prüfprogramm Serie A.krv", "Ventiltest Kunde 4711.krv"}) {
        QFile f(FromCp1252(name));
        if (f.open(QIODevice::WriteOnly)) f.write(reinterpret_cast<const char*>(&block), sizeof block);
    }
    QFile cal(QStringLiteral("Kalibrierung KRV-4 Nr 12.krk"));
    if (cal.open(QIODevice::WriteOnly)) cal.write(QByteArray(216, '\0'));
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
    auto report = [&failed](bool ok, const QString& file) {
        if (ok) {
            std::printf("%s\n", qUtf8Printable(file));
        } else {
            std::fprintf(stderr, "nicht gespeichert: %s\n", qUtf8Printable(file));
            ++failed;
        }
    };
    auto path = [&folder](const char* name) { return QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png")); };
    for (const auto& shot : shots) report(Photograph(*shot.handle, path(shot.file)), path(shot.file));

    // The COM and calibration panels as the operator meets them: in place
    // of the main panel, at its size.
    report(PhotographAtMainSize(comPanelHandle, path("com_hauptgroesse")), path("com_hauptgroesse"));
    report(PhotographAtMainSize(kalPanelHandle, path("kalibrierung_hauptgroesse")), path("kalibrierung_hauptgroesse"));

    SampleFiles();
    DisplayPanel(panelHandle);
    report(PhotographDialog([] {
               std::string chosen;
               FileSelectPopup("", "*.krv", "*.krv", "Öffnen", VAL_LOAD_BUTTON, 0, 1, 1, 0, chosen);
           }, path("datei_oeffnen")),
           path("datei_oeffnen"));
    report(PhotographDialog([] {
               std::string chosen;
               FileSelectPopup("", "*.krk", "*.krk", "Kalibrierdaten speichern", VAL_SAVE_BUTTON, 0, 1, 1, 1, chosen);
           }, path("datei_speichern")),
           path("datei_speichern"));
    HidePanel(panelHandle);

    // The main panel of a start without the service switch: the same size.
    SetToolkitBackend(nullptr);
    SetToolkitBackend(CreateQtBackend(argc, argv));
    char* plain[] = {program.data(), nullptr};
    if (Krv4SteuerungStarten(1, plain) < 0) return 1;
    HidePanel(panelHandle);
    report(Photograph(panelHandle, path("main_ohne_kalibrierung")), path("main_ohne_kalibrierung"));
    SetToolkitBackend(nullptr);
    return failed ? 1 : 0;
}
