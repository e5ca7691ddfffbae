#include "panels/Kalibrieren.h"

#include <cmath>
#include <cstring>
#include <string>

#include "app/Krv4Steuerung.h"
#include "device/qvlkrv4.h"
#include "errors/QVL_errorV3.h"
#include "panels/Com.h"
#include "platform/Datei.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

constexpr int kKeinPort = -122000;
constexpr int kSchreibfehler = -301007;
constexpr int kFalscherTyp = -302000;
constexpr int kFalscheVersion = -303000;
constexpr int kLesefehler = -304000;
constexpr int kOeffnungsfehler = -308000;
constexpr int kAnlegefehler = -308006;
constexpr int kUnerwartetesFormat = -312000;
constexpr int kAusserhalbDerGrenzen = -500070;

constexpr const char* kDateimuster = "*.krk";

bool AlleEndlich(const Kalibrierwerte& werte) {
    for (double w : werte.werte)
        if (!std::isfinite(w)) return false;
    return true;
}

char Geraeteadresse() {
    int adresse = '1';
    GetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, adresse);
    return static_cast<char>(adresse);
}

// The caption of a calculator result says what a field cannot show.
void ErgebnisZeigen(int control, const char* name, double wert) {
    std::string beschriftung = name;
    if (std::isnan(wert)) beschriftung += " = nicht definiert";
    else if (std::isinf(wert)) beschriftung += wert > 0 ? " = unendlich" : " = -unendlich";
    SetCtrlAttribute(kalPanelHandle, control, ATTR_LABEL_TEXT, beschriftung.c_str());
    // Not a number leaves the field empty; an infinity would be cut to the
    // largest number and read as one.
    SetCtrlVal(kalPanelHandle, control, std::isfinite(wert) ? wert : std::nan(""));
}

double Wert(int control) {
    double wert = 0.0;
    GetCtrlVal(kalPanelHandle, control, wert);
    return wert;
}

const Kalibrierkanal* KanalMit(int control, int Kalibrierkanal::*feld) {
    for (const Kalibrierkanal& k : kKalibrierkanaele)
        if (k.*feld == control) return &k;
    return nullptr;
}

}  // namespace

const Kalibrierkanal kKalibrierkanaele[kAnzahlKalibrierkanaele] = {
    {"U Soll", "usoll_v", "usoll_off", KALPANEL_USOLLV, KALPANEL_USOLLOFF, KALPANEL_USOLLBISHER, KALPANEL_USOLLNEU},
    {"I Soll", "isoll_v", "isoll_off", KALPANEL_ISOLLV, KALPANEL_ISOLLOFF, KALPANEL_ISOLLBISHER, KALPANEL_ISOLLNEU},
    {"Druck", "druck_v", "druck_off", KALPANEL_DRUCKV, KALPANEL_DRUCKOFF, KALPANEL_DRUCKBISHER, KALPANEL_DRUCKNEU},
    {"Vakuum", "vakuum_v", "vakuum_off", KALPANEL_VAKUUMV, KALPANEL_VAKUUMOFF, KALPANEL_VAKUUMBISHER,
     KALPANEL_VAKUUMNEU},
    {"Flow", "flow_v", "flow_off", KALPANEL_FLOWV, KALPANEL_FLOWOFF, KALPANEL_FLOWBISHER, KALPANEL_FLOWNEU},
    {"RPG 30 Ohm", "rpg30_v", "rpg30_off", KALPANEL_RPG30V, KALPANEL_RPG30OFF, KALPANEL_RPG30BISHER,
     KALPANEL_RPG30NEU},
    {"RPG 300 Ohm", "rpg300_v", "rpg300_off", KALPANEL_RPG300V, KALPANEL_RPG300OFF, KALPANEL_RPG300BISHER,
     KALPANEL_RPG300NEU},
    {"RPG 3 kOhm", "rpg3k_v", "rpg3k_off", KALPANEL_RPG3KV, KALPANEL_RPG3KOFF, KALPANEL_RPG3KBISHER,
     KALPANEL_RPG3KNEU},
    {"RPG 30 kOhm", "rpg30k_v", "rpg30k_off", KALPANEL_RPG30KV, KALPANEL_RPG30KOFF, KALPANEL_RPG30KBISHER,
     KALPANEL_RPG30KNEU},
    {"Spannung", "spannung_v", "spannung_off", KALPANEL_UISTV, KALPANEL_UISTOFF, KALPANEL_UISTBISHER,
     KALPANEL_UISTNEU},
    {"Strom", "strom_v", "strom_off", KALPANEL_IISTV, KALPANEL_IISTOFF, KALPANEL_IISTBISHER, KALPANEL_IISTNEU},
};

const char* KalibrierParameter(int i) {
    if (i < 0 || i >= kAnzahlKalibrierwerte) return nullptr;
    const Kalibrierkanal& k = kKalibrierkanaele[i / 2];
    return i % 2 == 0 ? k.parameterV : k.parameterOff;
}

void KalibrierwerteGrundstellung(Kalibrierwerte& werte) {
    std::memset(&werte, 0, sizeof werte);
    std::memcpy(werte.kennung, kKalibrierkennung, sizeof kKalibrierkennung);
    werte.format = kKalibrierformat;
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i) werte.werte[i] = i % 2 == 0 ? 1.0 : 0.0;
}

int KalibrierdatenPruefen(const unsigned char* daten, std::size_t laenge, Kalibrierwerte* werte) {
    if (daten == nullptr || laenge < kKalibrierwerteGroesse) return kLesefehler;
    Kalibrierwerte gelesen;
    std::memcpy(&gelesen, daten, sizeof gelesen);
    // The header compared as a terminated string: its 24 characters and the NUL.
    if (std::memcmp(gelesen.kennung, kKalibrierkennung, sizeof kKalibrierkennung) != 0) return kFalscherTyp;
    if (gelesen.format != kKalibrierformat) return kFalscheVersion;
    // The panel cannot show such a value and the device refuses it.
    if (!AlleEndlich(gelesen)) return kUnerwartetesFormat;
    if (werte) *werte = gelesen;
    return 0;
}

int KalibrierdateiLesen(const char* pfad, Kalibrierwerte& werte) {
    int handle = DateiOeffnenZumLesen(pfad);
    if (handle < 0) return kOeffnungsfehler;
    unsigned char daten[kKalibrierwerteGroesse];
    long gelesen = DateiLesen(handle, daten, sizeof daten);
    DateiSchliessen(handle);
    if (gelesen < static_cast<long>(sizeof daten)) return kLesefehler;
    return KalibrierdatenPruefen(daten, sizeof daten, &werte);
}

int KalibrierdateiSchreiben(const char* pfad, const Kalibrierwerte& werte) {
    if (pfad == nullptr || *pfad == '\0') return kAnlegefehler;
    if (!AlleEndlich(werte)) return kSchreibfehler;
    // The old file stays whole until the new one is complete on the disk; a
    // write-protected one is not replaced at all.
    DateiFehler fehler = DateiFehler::keiner;
    if (DateiSicherErsetzen(pfad, &werte, sizeof werte, nullptr, &fehler) == 0) return 0;
    return fehler == DateiFehler::schreiben ? kSchreibfehler : kAnlegefehler;
}

int KalibrierwerteVomGeraetLesen(int port, char adresse, Kalibrierwerte& werte) {
    if (port == -1) return kKeinPort;
    Kalibrierwerte gelesen = werte;
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i) {
        double wert = 0.0;
        int ganz = 0;
        char text[32] = {};
        int status = QVLKRV4_ParameterLesen(port, adresse, KalibrierParameter(i), &wert, &ganz, text);
        if (status != 0) return status;
        gelesen.werte[i] = wert;
    }
    werte = gelesen;
    return 0;
}

int KalibrierwerteZumGeraetSchreiben(int port, char adresse, const Kalibrierwerte& werte) {
    if (port == -1) return kKeinPort;
    // Refused as a whole, so that a value the device cannot take does not
    // leave it half calibrated.
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i) {
        char text[32];
        const QVLKRV4_Parameter* parameter = QVLKRV4_ParameterSuchen(KalibrierParameter(i));
        if (parameter == nullptr) return -401071;
        if (QVLKRV4_WertText(parameter, werte.werte[i], 0, "", text, sizeof text) < 0) return kAusserhalbDerGrenzen;
    }
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i) {
        int status = QVLKRV4_ParameterSchreiben(port, adresse, KalibrierParameter(i), werte.werte[i], 0, "");
        if (status != 0) return status;
    }
    return 0;
}

void KalibrierwerteVomPanel(Kalibrierwerte& werte) {
    KalibrierwerteGrundstellung(werte);
    for (int k = 0; k < kAnzahlKalibrierkanaele; ++k) {
        werte.werte[2 * k] = Wert(kKalibrierkanaele[k].v);
        werte.werte[2 * k + 1] = Wert(kKalibrierkanaele[k].off);
    }
}

void KalibrierwerteAufsPanel(const Kalibrierwerte& werte) {
    for (int k = 0; k < kAnzahlKalibrierkanaele; ++k) {
        SetCtrlVal(kalPanelHandle, kKalibrierkanaele[k].v, werte.werte[2 * k]);
        SetCtrlVal(kalPanelHandle, kKalibrierkanaele[k].off, werte.werte[2 * k + 1]);
    }
}

int KalibrierdatenLaden() {
    std::string pfad;
    int ergebnis = FileSelectPopup("", kDateimuster, kDateimuster, "Kalibrierdaten laden", VAL_LOAD_BUTTON, 0, 1,
                                   1, 1, pfad);
    if (ergebnis == VAL_NO_FILE_SELECTED) return 0;
    if (ergebnis < 0) return kOeffnungsfehler;
    Kalibrierwerte werte;
    int status = KalibrierdateiLesen(pfad.c_str(), werte);
    if (status != 0) return status;
    KalibrierwerteAufsPanel(werte);
    return 0;
}

int KalibrierdatenSpeichern() {
    std::string pfad;
    int ergebnis = FileSelectPopup("", kDateimuster, kDateimuster, "Kalibrierdaten speichern", VAL_SAVE_BUTTON, 0,
                                   1, 1, 1, pfad);
    if (ergebnis == VAL_NO_FILE_SELECTED) return 0;
    if (ergebnis < 0) return kAnlegefehler;
    Kalibrierwerte werte;
    KalibrierwerteVomPanel(werte);
    return KalibrierdateiSchreiben(pfad.c_str(), werte);
}

int KalibrierwerteLesen() {
    Kalibrierwerte werte;
    KalibrierwerteVomPanel(werte);
    int status = KalibrierwerteVomGeraetLesen(Com_ComPort(), Geraeteadresse(), werte);
    if (status != 0) return status;
    KalibrierwerteAufsPanel(werte);
    return 0;
}

int KalibrierwerteSchreiben() {
    Kalibrierwerte werte;
    KalibrierwerteVomPanel(werte);
    return KalibrierwerteZumGeraetSchreiben(Com_ComPort(), Geraeteadresse(), werte);
}

void RechnerBerechnen() {
    double s1 = Wert(KALPANEL_SOLL1), i1 = Wert(KALPANEL_IST1);
    double s2 = Wert(KALPANEL_SOLL2), i2 = Wert(KALPANEL_IST2);
    double vBisher = Wert(KALPANEL_VBISHER), offBisher = Wert(KALPANEL_OFFBISHER);
    // Equal "Ist" values or a gain of zero give no finite result; it is shown
    // for what it is, and cannot be taken over into a channel.
    double v = (s2 - s1) / (i2 - i1);
    double o = s1 / v - i1;
    double vNeu = v * vBisher;
    double offNeu = o + offBisher;
    ErgebnisZeigen(KALPANEL_VNEU, "V", vNeu);
    ErgebnisZeigen(KALPANEL_OFFNEU, "Off", offNeu);
    int gesperrt = std::isfinite(vNeu) && std::isfinite(offNeu) ? 0 : 1;
    for (const Kalibrierkanal& k : kKalibrierkanaele) SetCtrlAttribute(kalPanelHandle, k.neu, ATTR_DIMMED, gesperrt);
}

void KalibrierPanelZeigen() {
    if (!gKalibrierFlag) return;
    PanelWechseln(panelHandle, kalPanelHandle);
    // A window that is shown again formats its fields afresh, which would
    // turn a result that is no number into the field's lowest value.
    RechnerBerechnen();
}

int Kalibrierbuttons_Callback(int, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int status = 0;
    switch (control) {
        case KALPANEL_LADEN:
            status = KalibrierdatenLaden();
            if (status != 0) QVL_Fehlerpopup(status);
            break;
        case KALPANEL_SPEICHERN:
            status = KalibrierdatenSpeichern();
            if (status != 0) QVL_Fehlerpopup(status);
            break;
        case KALPANEL_KRV4LESEN: Com_ComFehlerSetzen(KalibrierwerteLesen()); break;
        case KALPANEL_KRV4SCHREIBEN: Com_ComFehlerSetzen(KalibrierwerteSchreiben()); break;
        default: break;
    }
    return 0;
}

int RechnerEingabe_Callback(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) RechnerBerechnen();
    return 0;
}

int RechnerHolen_Callback(int, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    const Kalibrierkanal* kanal = KanalMit(control, &Kalibrierkanal::bisher);
    if (kanal == nullptr) return 0;
    SetCtrlVal(kalPanelHandle, KALPANEL_VBISHER, Wert(kanal->v));
    SetCtrlVal(kalPanelHandle, KALPANEL_OFFBISHER, Wert(kanal->off));
    RechnerBerechnen();
    return 0;
}

int RechnerUebernehmen_Callback(int, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    const Kalibrierkanal* kanal = KanalMit(control, &Kalibrierkanal::neu);
    double vNeu = Wert(KALPANEL_VNEU), offNeu = Wert(KALPANEL_OFFNEU);
    if (kanal == nullptr || !std::isfinite(vNeu) || !std::isfinite(offNeu)) return 0;
    SetCtrlVal(kalPanelHandle, kanal->v, vNeu);
    SetCtrlVal(kalPanelHandle, kanal->off, offNeu);
    return 0;
}

int KalZurueck_Callback(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) PanelWechseln(kalPanelHandle, panelHandle);
    return 0;
}

void KalibrierdateiAbgelegt() {
    std::string pfad;
    GetDroppedFile(pfad);
    if (pfad.empty()) return;
    Kalibrierwerte werte;
    int status = KalibrierdateiLesen(pfad.c_str(), werte);
    if (status == 0) KalibrierwerteAufsPanel(werte);
    else QVL_Fehlerpopup(status);
}

int KalPanel_Callback(int, int event, void*, int, int) {
    if (event == EVENT_CLOSE) PanelWechseln(kalPanelHandle, panelHandle);
    if (event == EVENT_FILESDROPPED) KalibrierdateiAbgelegt();
    return 0;
}
