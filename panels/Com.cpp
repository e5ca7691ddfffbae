#include "panels/Com.h"

#include <climits>

#include "app/Krv4Steuerung.h"
#include "device/qvlkrv4.h"
#include "errors/QVL_errorV3.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

int gComPort = -1;
int gLetzterComPort = -1;

int Com_OpenComPort() {
    int gewaehlt = -1;
    GetCtrlVal(comPanelHandle, COMPANEL_PORT, gewaehlt);
    if (gewaehlt == gComPort) return 0;
    Com_CloseComPort();
    if (gewaehlt == -1) return 0;
    int status = QVLKRV4_Open(gewaehlt, 9600);
    if (status < 0) {
        gComPort = -1;
        return status;
    }
    QVLKRV4_Timeout(gewaehlt, 1.0);
    gLetzterComPort = gewaehlt;
    gComPort = gewaehlt;
    return 0;
}

int Com_CloseComPort() {
    if (gComPort != -1) QVLKRV4_Close(gComPort);
    gComPort = -1;
    return 0;
}

int Com_ComPort() { return gComPort; }
int Com_LetzterComPort() { return gLetzterComPort; }
void Com_SetzeLetztenComPort(int port) { gLetzterComPort = port; }

void Com_ComFehlerSetzen(int status) {
    struct Anzeige {
        int* panel;
        int led, text, nummer;
    };
    const Anzeige anzeigen[] = {
        {&panelHandle, PANEL_FEHLERLED, PANEL_FEHLERSTRING, PANEL_FEHLERNUMMER},
        {&comPanelHandle, COMPANEL_FEHLERLED, COMPANEL_FEHLERSTRING, COMPANEL_FEHLERNUMMER},
        {&kalPanelHandle, KALPANEL_FEHLERLED, KALPANEL_FEHLERSTRING, KALPANEL_FEHLERNUMMER},
    };
    for (const Anzeige& a : anzeigen) {
        SetCtrlVal(*a.panel, a.led, status != 0 ? 1 : 0);
        SetCtrlVal(*a.panel, a.text, status != 0 ? QVL_Fehlermeldung(status) : "");
        SetCtrlVal(*a.panel, a.nummer, status == INT_MIN ? INT_MAX : -status);
    }
}

void PanelWechseln(int von, int nach) {
    int zoom = VAL_NO_ZOOM;
    GetPanelAttribute(von, ATTR_WINDOW_ZOOM, zoom);
    if (zoom == VAL_NO_ZOOM) {
        for (int attribut : {ATTR_TOP, ATTR_LEFT, ATTR_WIDTH, ATTR_HEIGHT}) {
            int wert = 0;
            GetPanelAttribute(von, attribut, wert);
            SetPanelAttribute(nach, attribut, wert);
        }
    }
    HidePanel(von);
    DisplayPanel(nach);
    if (zoom == VAL_MAXIMIZE) SetPanelAttribute(nach, ATTR_WINDOW_ZOOM, VAL_MAXIMIZE);
}

void ComPanelZeigen() { PanelWechseln(panelHandle, comPanelHandle); }
