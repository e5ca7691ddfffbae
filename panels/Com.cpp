#include "panels/Com.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/Krv4Steuerung.h"
#include "device/qvlkrv4.h"
#include "errors/QVL_errorV3.h"
#include "panels/Direkttest.h"
#include "platform/Portliste.h"
#include "platform/SerialPort.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

int gComPort = -1;
int gLetzterComPort = -1;

namespace {
// The COM number tried last: while its hint shows, the device line speaks of it.
int gVersuchterPort = -1;
}  // namespace

int Com_OpenComPort() {
    int gewaehlt = -1;
    GetCtrlVal(comPanelHandle, COMPANEL_PORT, gewaehlt);
    if (gewaehlt == gComPort) return 0;
    Com_CloseComPort();
    if (gewaehlt == -1) return 0;
    gVersuchterPort = gewaehlt;
    int status = QVLKRV4_Open(gewaehlt, 9600);
    // What the operator can do about it goes under the ring; the code stays the driver's.
    SetCtrlVal(comPanelHandle, COMPANEL_HINWEIS, status < 0 ? ComHinweis(gewaehlt).c_str() : "");
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
    // A port whose line has gone (adapter pulled) is of no more use: closed
    // here, so that one click or selection opens it again once it is back.
    // The error shown stays the first one the operation met.
    if (status != 0 && gComPort != -1 && ComLeitungVerloren(gComPort)) {
        std::string hinweis = ComHinweis(gComPort) + ", Port geschlossen";
        Com_CloseComPort();
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, -1);
        Com_PortbilderSetzen();
        SetCtrlVal(comPanelHandle, COMPANEL_HINWEIS, hinweis.c_str());
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

void ComPanelZeigen() {
    Com_GeraetAnzeigen(-1);
    PanelWechseln(panelHandle, comPanelHandle);
}

void Com_PortbilderSetzen() {
    SetCtrlVal(panelHandle, PANEL_PICTURERING, gComPort);
    SetCtrlVal(comPanelHandle, COMPANEL_PICTURERING, gComPort);
    SetCtrlVal(kalPanelHandle, KALPANEL_PICTURERING, gComPort);
}

char Com_Adresse() {
    int adresse = '1';
    GetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, adresse);
    return static_cast<char>(adresse);
}

namespace {

// The ports GERAETWAHL offers, item n + 1 being gAngeboten[n].
std::vector<Schnittstelle> gAngeboten;

// The COM number the device line speaks of.
int gGeraetPort = 1;

bool IstPort(int port) { return port >= 1 && port <= 6; }

const char* Umgebung(int port) {
    std::string variable = "KRV4_COM" + std::to_string(port);
    return std::getenv(variable.c_str());
}

}  // namespace

void Com_GeraetAnzeigen(int port) {
    if (!IstPort(port)) {
        GetCtrlVal(comPanelHandle, COMPANEL_PORT, port);
    }
    std::string hinweis;
    GetCtrlVal(comPanelHandle, COMPANEL_HINWEIS, hinweis);
    if (!IstPort(port) && !hinweis.empty()) {
        port = gVersuchterPort;
    }
    if (!IstPort(port)) {
        port = IstPort(gLetzterComPort) ? gLetzterComPort : 1;
    }
    gGeraetPort = port;
    gAngeboten = SchnittstellenAuflisten();
    PortZuordnung z;
    ZuordnungLesen(&z);
    const PortBelegung belegung = PortBelegen(port, gAngeboten, z, Umgebung(port));
    SetCtrlVal(comPanelHandle, COMPANEL_GERAET, PortZeile(port, belegung).c_str());
    ClearListCtrl(comPanelHandle, COMPANEL_GERAETWAHL);
    InsertListItem(comPanelHandle, COMPANEL_GERAETWAHL, -1, "Voreinstellung", 0);
    int gewaehlt = 0;
    for (std::size_t i = 0; i < gAngeboten.size(); ++i) {
        const int wert = static_cast<int>(i) + 1;
        InsertListItem(comPanelHandle, COMPANEL_GERAETWAHL, -1, SchnittstelleBeschreiben(gAngeboten[i]).c_str(), wert);
        const std::string& wahl = z.pfad[port - 1];
        if (!wahl.empty() && (wahl == gAngeboten[i].pfad || wahl == gAngeboten[i].geraet)) gewaehlt = wert;
    }
    // A chosen adapter that is not plugged in stays the choice until another is picked.
    if (!z.pfad[port - 1].empty() && gewaehlt == 0) {
        gewaehlt = -1;
        InsertListItem(comPanelHandle, COMPANEL_GERAETWAHL, -1, (z.pfad[port - 1] + " (nicht angeschlossen)").c_str(),
                       gewaehlt);
    }
    SetCtrlVal(comPanelHandle, COMPANEL_GERAETWAHL, gewaehlt);
    // KRV4_COMn outranks any choice made here.
    SetCtrlAttribute(comPanelHandle, COMPANEL_GERAETWAHL, ATTR_DIMMED,
                     belegung.herkunft == PortHerkunft::Umgebung ? 1 : 0);
}

int GeraetWahl_Callback(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    const int port = gGeraetPort;
    int wahl = 0;
    GetCtrlVal(comPanelHandle, COMPANEL_GERAETWAHL, wahl);
    if (wahl < 0 || wahl > static_cast<int>(gAngeboten.size())) return 0;
    PortZuordnung z;
    ZuordnungLesen(&z);
    const std::string pfad = wahl == 0 ? std::string() : gAngeboten[wahl - 1].pfad;
    // One device, one number.
    for (std::string& p : z.pfad)
        if (!pfad.empty() && (p == pfad || p == gAngeboten[wahl - 1].geraet)) p.clear();
    z.pfad[port - 1] = pfad;
    if (ZuordnungSchreiben(z) != 0) {
        SetCtrlVal(comPanelHandle, COMPANEL_HINWEIS,
                   ("Die Zuordnung ließ sich nicht in " + Zuordnungsdatei() + " speichern").c_str());
    } else {
        SetCtrlVal(comPanelHandle, COMPANEL_HINWEIS, "");
    }
    // The open port moves to the device now meant by its number.
    if (port == gComPort) {
        Com_CloseComPort();
        int status = Com_OpenComPort();
        if (status < 0) SetCtrlVal(comPanelHandle, COMPANEL_PORT, -1);
        Com_ComFehlerSetzen(status);
        Com_PortbilderSetzen();
    }
    Com_GeraetAnzeigen(port);
    return 0;
}

namespace {

constexpr int kKeinPortStatus = -122001;
constexpr int kKeinPortID = -122002;
constexpr int kKeinPortScann = -122003;
constexpr int kKeinPortStart = -122004;
constexpr int kKeinPortStopp = -122005;

constexpr char kKennungKrv4[] = "QVLKRV4-TST1-";
constexpr int kGruen = 0x00FF00;
constexpr int kRot = 0xFF0000;

constexpr int kScannLampen[] = {COMPANEL_LED1, COMPANEL_LED2, COMPANEL_LED3, COMPANEL_LED4, COMPANEL_LED5,
                                COMPANEL_LED6, COMPANEL_LED7, COMPANEL_LED8, COMPANEL_LED9};

struct Statuslampe {
    int lampe;
    int maske;
};
constexpr Statuslampe kStatuslampen[] = {{COMPANEL_LEDSTATUS0, 0x01}, {COMPANEL_LEDSTATUS1, 0x02},
                                         {COMPANEL_LEDSTATUS2, 0x04}, {COMPANEL_LEDSTATUS3, 0x08},
                                         {COMPANEL_LEDSTATUS6, 0x40}};

void StatuslampenDimmen(int gedimmt) {
    for (const Statuslampe& s : kStatuslampen) SetCtrlAttribute(comPanelHandle, s.lampe, ATTR_DIMMED, gedimmt);
}

void StatusabfrageAus() {
    SetCtrlAttribute(comPanelHandle, COMPANEL_STATUSTIMER, ATTR_ENABLED, 0);
    SetCtrlVal(comPanelHandle, COMPANEL_STATUSABFRAGE, 0);
    StatuslampenDimmen(1);
}

void ZurueckZumHauptpanel() {
    StatusabfrageAus();
    PanelWechseln(comPanelHandle, panelHandle);
}

}  // namespace

int PortSelect_Callback(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int gewaehlt = -1;
    GetCtrlVal(comPanelHandle, COMPANEL_PORT, gewaehlt);
    int status = Com_OpenComPort();
    if (status < 0) SetCtrlVal(comPanelHandle, COMPANEL_PORT, -1);
    Com_ComFehlerSetzen(status);
    Com_PortbilderSetzen();
    // A port that did not open stays the one the line speaks of.
    Com_GeraetAnzeigen(IstPort(gewaehlt) ? gewaehlt : gGeraetPort);
    return 0;
}

int ComPicture_Callback(int, int, int event, void*, int, int) {
    if (event != EVENT_LEFT_CLICK) return 0;
    if (gComPort == -1) {
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, gLetzterComPort);
        Com_ComFehlerSetzen(Com_OpenComPort());
    } else {
        Com_CloseComPort();
    }
    SetCtrlVal(comPanelHandle, COMPANEL_PORT, gComPort);
    Com_PortbilderSetzen();
    Com_GeraetAnzeigen(IstPort(gComPort) ? gComPort : gLetzterComPort);
    return 0;
}

// Blocks for up to a second per silent address; what it shows is painted at
// once by the toolkit, and no timer tick runs in between.
int Scann_Callback(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (gComPort == -1) {
        Com_ComFehlerSetzen(kKeinPortScann);
        return 0;
    }
    SetCtrlVal(comPanelHandle, COMPANEL_IDSTRING, "");
    char text[] = "Suche nach Gerät x";
    for (int n = 1; n <= 9; ++n) {
        const char adresse = static_cast<char>('0' + n);
        const int lampe = kScannLampen[n - 1];
        text[sizeof text - 2] = adresse;
        SetCtrlVal(comPanelHandle, COMPANEL_TEXT, text);
        char kennung[32] = {};
        if (QVLKRV4_IDLesen(gComPort, adresse, kennung) < 0) {
            SetCtrlVal(comPanelHandle, lampe, 0);
        } else if (std::strncmp(kennung, kKennungKrv4, sizeof kKennungKrv4 - 1) == 0) {
            SetCtrlAttribute(comPanelHandle, lampe, ATTR_ON_COLOR, kGruen);
            SetCtrlVal(comPanelHandle, lampe, 1);
            SetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, adresse);
            SetCtrlVal(comPanelHandle, COMPANEL_IDSTRING, kennung);
        } else {
            SetCtrlAttribute(comPanelHandle, lampe, ATTR_ON_COLOR, kRot);
            SetCtrlVal(comPanelHandle, lampe, 1);
        }
    }
    SetCtrlVal(comPanelHandle, COMPANEL_TEXT, "");
    Com_ComFehlerSetzen(0);
    return 0;
}

int IDLesen_Callback(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    SetCtrlVal(comPanelHandle, COMPANEL_TEXT, "lese ID...");
    int status = kKeinPortID;
    if (gComPort != -1) {
        SetCtrlVal(comPanelHandle, COMPANEL_IDSTRING, "");
        char kennung[32] = {};
        status = QVLKRV4_IDLesen(gComPort, Com_Adresse(), kennung);
        if (status == 0) SetCtrlVal(comPanelHandle, COMPANEL_IDSTRING, kennung);
    }
    Com_ComFehlerSetzen(status);
    SetCtrlVal(comPanelHandle, COMPANEL_TEXT, "");
    return 0;
}

int StartStopp_Callback(int, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int status = 0;
    if (control == COMPANEL_START) {
        status = gComPort == -1 ? kKeinPortStart : QVLKRV4_DeviceFunction(gComPort, Com_Adresse(), "start");
    } else if (DirekttestAktiv()) {
        // The direct test sends "stopp" itself and brings the stored step back.
        SetCtrlVal(panelHandle, PANEL_DIREKTTEST, 0);
        status = DirekttestEinAus(0);
    } else {
        status = gComPort == -1 ? kKeinPortStopp : QVLKRV4_DeviceFunction(gComPort, Com_Adresse(), "stopp");
    }
    Com_ComFehlerSetzen(status);
    return 0;
}

int Statusabfrage_Callback(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int ein = 0;
    GetCtrlVal(comPanelHandle, COMPANEL_STATUSABFRAGE, ein);
    if (ein) {
        StatuslampenDimmen(0);
        Com_ComFehlerSetzen(0);
        SetCtrlAttribute(comPanelHandle, COMPANEL_STATUSTIMER, ATTR_ENABLED, 1);
    } else {
        StatuslampenDimmen(1);
        SetCtrlAttribute(comPanelHandle, COMPANEL_STATUSTIMER, ATTR_ENABLED, 0);
    }
    return 0;
}

int Statustimer_Callback(int, int, int event, void*, int, int) {
    if (event != EVENT_TIMER_TICK) return 0;
    int status = kKeinPortStatus;
    int statusbyte = 0;
    if (gComPort != -1) status = QVLKRV4_StatusLesen(gComPort, Com_Adresse(), 1, &statusbyte);
    if (status < 0) {
        // No retry: the first failure ends the polling.
        StatusabfrageAus();
        Com_ComFehlerSetzen(status);
        return 0;
    }
    for (const Statuslampe& s : kStatuslampen) SetCtrlVal(comPanelHandle, s.lampe, (statusbyte & s.maske) ? 1 : 0);
    return 0;
}

int ComZurueck_Callback(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) ZurueckZumHauptpanel();
    return 0;
}

int ComPanel_Callback(int, int event, void*, int, int) {
    if (event == EVENT_CLOSE) ZurueckZumHauptpanel();
    return 0;
}
