#include "app/Krv4Steuerung.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/Aenderungen.h"
#include "app/Bearbeiten.h"
#include "app/Hauptpanel.h"
#include "app/Zuletzt.h"
#include "app/Beendigung.h"
#include "app/Wiederherstellung.h"
#include "errors/QVL_errorV3.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "panels/Direkttest.h"
#include "platform/Datei.h"
#include "storage/Dateifunktionen.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/Panels.h"

int panelHandle = 0;
int stringPanelHandle = 0;
int comPanelHandle = 0;
int fortschrittPanelHandle = 0;
int planPanelHandle = 0;
int infoPanelHandle = 0;
int kalPanelHandle = 0;

bool gKalibrierFlag = false;
char gPaneltitle[64] = "";

namespace {

struct PanelLaden {
    int* handle;
    bool kindDesHauptpanels;
    int resource;
};

// Load order and parents as the program has always used them.
constexpr PanelLaden kPanels[] = {
    {&panelHandle, false, PANEL},          {&stringPanelHandle, true, STRINGPNL},
    {&comPanelHandle, false, COMPANEL},    {&fortschrittPanelHandle, true, FORTSCHPNL},
    {&planPanelHandle, false, PLANPANEL},  {&infoPanelHandle, true, INFOPANEL},
    {&kalPanelHandle, false, KALPANEL},
};

bool IstKalibrierSchalter(int argc, char* argv[]) {
    return argc == 2 && argv[1] != nullptr && std::strcmp(argv[1], kKalibrierSchalter) == 0;
}

// A mistyped switch ("-P=SrvModeOpen", "--help") is no file name; a file
// whose name begins with "-" is still reached as "./-name".
bool IstDateiargument(const char* argument) { return argument != nullptr && argument[0] != '-'; }

constexpr int kOeffnungsfehler = -308000;

int AufrufDateiLaden(const char* argument) {
    // The whole path, so that "Speichern" later finds the same file.
    std::string pfad;
    if (!DateiAbsoluterPfad(argument, &pfad)) return kOeffnungsfehler;
    return DateiLaden(pfad.c_str());
}

}  // namespace

void PanelsInitialisieren(const char* version, const char* datum) {
    SetPanelAttribute(panelHandle, ATTR_TITLE, gPaneltitle);
    SetCtrlVal(comPanelHandle, COMPANEL_TEXT, "");
    SetCtrlVal(infoPanelHandle, INFOPANEL_VERSION, version);
    SetCtrlVal(infoPanelHandle, INFOPANEL_DATUM, datum);
}

int Krv4SteuerungStarten(int argc, char* argv[]) {
    if (InitToolkit(argc, argv) < 0) return -1;
    BeendigungssignaleBeobachten();
    RegisterPanelFile(Krv4SteuerungPanelFile());
    for (const PanelLaden& p : kPanels) {
        *p.handle = LoadPanel(p.kindDesHauptpanels ? panelHandle : 0, kPanelFile, p.resource);
        if (*p.handle < 0) return -1;
    }

    gKalibrierFlag = false;
    if (IstKalibrierSchalter(argc, argv)) gKalibrierFlag = true;
    else SetCtrlAttribute(panelHandle, PANEL_KALIBRIERUNG, ATTR_VISIBLE, 0);

    // A missing or unreadable settings file is no reason to stop.
    IniLaden();

    std::snprintf(gPaneltitle, sizeof gPaneltitle, "%s", "KRV4 Steuerung");
    PanelsInitialisieren(kVersionText, kDatumText);
    SpeicherhakenAnmelden();
    ProgrammeInitialisieren();
    ZuletztLaden();
    // Nothing runs yet: the main panel takes a dropped data file, the
    // calibration panel a calibration file.
    BearbeitenGesperrt(false);
    SetPanelAttribute(kalPanelHandle, ATTR_DROP_FILE_TYPES, "*.krk");
    SetSystemAttribute(1420, 0);
    DisplayPanel(panelHandle);
    // Data taken back from the last run would be lost to a file opened now.
    bool wiederhergestellt = WiederherstellungAnbieten();
    if (argc == 2 && !gKalibrierFlag && IstDateiargument(argv[1]) && !wiederhergestellt) AufrufDateiOeffnen(argv[1]);
    return 0;
}

int AufrufDateiOeffnen(const char* argument) { return OeffnenAbschliessen(AufrufDateiLaden(argument)); }

void Krv4SteuerungBeenden() {
    LaufEndet();
    if (DirekttestAktiv()) DirekttestEinAus(0);
    IniSchreiben();
    // Nobody was asked whether to save.
    if (VonAussenBeendet() && gDatenGeaendert) WiederherstellungSchreiben();
    Com_CloseComPort();
}

int Krv4SteuerungAusfuehren(int argc, char* argv[]) {
    BeendigungssignaleEinrichten();
    if (Krv4SteuerungStarten(argc, argv) < 0) {
        BeendigungssignaleFreigebenNachLauf();
        return -1;
    }
    LaufBeginnt();
    RunUserInterface();
    Krv4SteuerungBeenden();
    BeendigungssignaleFreigebenNachLauf();
    return 0;
}

int Panel_Callback(int, int event, void*, int, int) {
    if (event == EVENT_CLOSE && AbfrageWennNichtGespeichert() == 0) QuitUserInterface(0);
    if (event == EVENT_FILESDROPPED) DateiAbgelegt();
    return 0;
}
