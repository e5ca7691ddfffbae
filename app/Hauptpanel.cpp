#include "app/Hauptpanel.h"

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "errors/QVL_errorV3.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "panels/Kalibrieren.h"
#include "storage/Dateifunktionen.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

void FehlerZeigen(int status) {
    if (status != 0) QVL_Fehlerpopup(status);
}

}  // namespace

void Menu_Datei(int, int menuItem, void*, int) {
    switch (menuItem) {
        case MENU_DATEI_NEU:
            if (AbfrageWennNichtGespeichert() == 0) ProgrammeInitialisieren();
            break;
        case MENU_DATEI_OEFFNEN:
            if (AbfrageWennNichtGespeichert() == 0) FehlerZeigen(DateiOeffnen());
            break;
        case MENU_DATEI_SPEICHERN: FehlerZeigen(DateiSpeichern(0)); break;
        case MENU_DATEI_SPEICHERNUNTER: FehlerZeigen(DateiSpeichern(1)); break;
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
