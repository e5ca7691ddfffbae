#include "panels/Direkttest.h"

#include "app/Krv4Steuerung.h"
#include "device/ComProgramme.h"
#include "device/qvlkrv4.h"
#include "model/Schrittbearbeitung.h"
#include "model/Speicherhaken.h"
#include "panels/Com.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

bool gDirekttestAn = false;
bool gImpulsGesendet = false;

namespace {

constexpr int kKeinPort = -122000;
constexpr int kDirektbetrieb = 0x40;
// Long enough for the device to have entered direct operation before the
// first step arrives.
constexpr double kEinschaltpause = 0.05;

// What would change the stored programs or talk to the device otherwise.
constexpr int kGesperrteMenuepunkte[] = {MENU_DATEI_NEU,           MENU_DATEI_OEFFNEN,       MENU_DATEI_SPEICHERN,
                                         MENU_DATEI_SPEICHERNUNTER, MENU_PROGRAMM_UMBENENNEN, MENU_PROGRAMM_KOPIEREN};
constexpr int kGesperrteControls[] = {
    PANEL_PROGRAMMLISTE,         PANEL_LISTBOX,           PANEL_PRUEFSCHRITTNEU,   PANEL_PRUEFSCHRITTLOESCHEN,
    PANEL_PRUEFSCHRITTKOPIEREN,  PANEL_PRUEFSCHRITTUMBENENNE, PANEL_PRUEFSCHRITTAUFWAERTS,
    PANEL_PRUEFSCHRITTABWAERTS,  PANEL_GERAETLESEN,       PANEL_GERAETSCHREIBEN,   PANEL_GERAETVERGLEICHEN,
    PANEL_MESSWARTEZEIT,         PANEL_MESSENBISWEITER,   PANEL_DIFFERENZMESSUNG,  PANEL_UNTERERGRENZWERT,
    PANEL_OBERERGRENZWERT,       PANEL_GUTINNERHALB,      PANEL_GUTAUSSERHALB,     PANEL_GRENZENGUT,
};

void Sperren(int gedimmt) {
    const int menue = GetPanelMenuBar(panelHandle);
    for (int punkt : kGesperrteMenuepunkte) SetMenuBarAttribute(menue, punkt, ATTR_DIMMED, gedimmt);
    for (int control : kGesperrteControls) SetCtrlAttribute(panelHandle, control, ATTR_DIMMED, gedimmt);
    // What was copied before may no longer fit; only a new copy offers paste.
    SetMenuBarAttribute(menue, MENU_PROGRAMM_EINFUEGEN, ATTR_DIMMED, 1);
    SetCtrlAttribute(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN, ATTR_DIMMED, 1);
    SpeicherGesperrt(gedimmt != 0);
}

}  // namespace

bool DirekttestAktiv() { return gDirekttestAn; }

int DirekttestEinAus(int ein) {
    gDirekttestAn = ein != 0;
    if (gDirekttestAn) {
        // A new direct operation starts with the pulse generator off on the
        // device, so a running pulse step must bring its times along.
        gImpulsGesendet = false;
    } else {
        // Edits made during the direct test are dropped.
        PruefschrittAusArrayLaden();
    }
    Sperren(gDirekttestAn ? 1 : 0);
    const int port = Com_ComPort();
    if (port == -1) return kKeinPort;
    return QVLKRV4_DeviceFunction(port, Com_Adresse(), gDirekttestAn ? "direktbetrieb" : "stopp");
}

int DirekttestzustandEinstellen(const Pruefschritt& schritt) {
    const int port = Com_ComPort();
    if (port == -1) return kKeinPort;
    const char adresse = Com_Adresse();
    int zustand = 0;
    if (int status = QVLKRV4_StatusLesen(port, adresse, 1, &zustand); status != 0) return status;
    if (!(zustand & kDirektbetrieb)) {
        MessagePopup("Fehler", "Gerät ist nicht mehr im Direktbetrieb");
        return 0;
    }
    // The pulse times go along only when the pulse generator has just been
    // switched on; times changed while it runs wait for its next start.
    int mitImpuls = 0;
    if (!schritt.impulsAktiv) gImpulsGesendet = false;
    else if (!gImpulsGesendet) mitImpuls = 1;
    int status = ComProgramme_PruefschrittSchreiben(port, adresse, mitImpuls, schritt);
    // Only times the device has taken count as sent; otherwise the next edit tries again.
    if (mitImpuls && status == 0) gImpulsGesendet = true;
    return status;
}

int Direkttest_Callback(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int ein = 0;
    GetCtrlVal(panelHandle, PANEL_DIREKTTEST, ein);
    if (!ein) {
        Com_ComFehlerSetzen(DirekttestEinAus(0));
        return 0;
    }
    const int status = DirekttestEinAus(1);
    if (status != 0) {
        SetCtrlVal(panelHandle, PANEL_DIREKTTEST, 0);
        DirekttestEinAus(0);
    }
    Com_ComFehlerSetzen(status);
    // No event is handled meanwhile: a second click waits until this one is done.
    Delay(kEinschaltpause);
    PruefschrittInArraySpeichern();
    return 0;
}
