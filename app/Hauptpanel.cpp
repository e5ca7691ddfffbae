#include "app/Hauptpanel.h"

#include <string>

#include "app/Aenderungen.h"
#include "app/Bearbeiten.h"
#include "app/Zuletzt.h"
#include "app/Krv4Steuerung.h"
#include "errors/QVL_errorV3.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "panels/Direkttest.h"
#include "panels/Kalibrieren.h"
#include "storage/Dateifunktionen.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

void FehlerZeigen(int status) {
    if (status != 0) QVL_Fehlerpopup(status);
}

}  // namespace

int OeffnenAbschliessen(int status) {
    if (status == 0) {
        // A file opened is not undone; the history starts with it.
        BearbeitenNeuBeginnen();
        ZuletztMerken(gDateiname);
    }
    FehlerZeigen(status);
    return status;
}

int SpeichernAbschliessen(int status) {
    if (status == 0) ZuletztMerken(gDateiname);
    FehlerZeigen(status);
    return status;
}

void DateiAbgelegt() {
    std::string pfad;
    GetDroppedFile(pfad);
    // Like "Öffnen", which is dimmed meanwhile.
    if (pfad.empty() || DirekttestAktiv()) return;
    if (AbfrageWennNichtGespeichert() != 0) return;
    OeffnenAbschliessen(DateiLaden(pfad.c_str()));
}

void Menu_Datei(int, int menuItem, void*, int) {
    switch (menuItem) {
        case MENU_DATEI_NEU:
            if (AbfrageWennNichtGespeichert() == 0) ProgrammeInitialisieren();
            break;
        case MENU_DATEI_OEFFNEN:
            if (AbfrageWennNichtGespeichert() == 0) OeffnenAbschliessen(DateiOeffnen());
            break;
        case MENU_DATEI_SPEICHERN: SpeichernAbschliessen(DateiSpeichern(0)); break;
        case MENU_DATEI_SPEICHERNUNTER: SpeichernAbschliessen(DateiSpeichern(1)); break;
        case MENU_DATEI_BEENDEN:
            if (AbfrageWennNichtGespeichert() == 0) QuitUserInterface(0);
            break;
        default: break;
    }
}

void Menu_Hilfe(int, int menuItem, void*, int) {
    if (menuItem == MENU_HILFE_INFO) DisplayPanel(infoPanelHandle);
}

int Pneumatikplan_Callback(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) DisplayPanel(planPanelHandle);
    return 0;
}

int PlanOk_Callback(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) HidePanel(planPanelHandle);
    return 0;
}

int PlanPanel_Callback(int, int event, void*, int, int) {
    if (event == EVENT_CLOSE) HidePanel(planPanelHandle);
    return 0;
}

int InfoOk_Callback(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) HidePanel(infoPanelHandle);
    return 0;
}

int ComEinstellungen_Callback(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) ComPanelZeigen();
    return 0;
}

int Kalibrierung_Callback(int, int, int event, void*, int, int) {
    // The button may be visible by other means; the switch alone opens the panel.
    if (event == EVENT_COMMIT && gKalibrierFlag) KalibrierPanelZeigen();
    return 0;
}
