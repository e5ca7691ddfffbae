#include "device/Krv4Funktionen.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/Krv4Steuerung.h"
#include "model/Schrittbearbeitung.h"
#include "model/Speicherhaken.h"
#include "panels/Com.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

constexpr double kToleranz = 0.0001;
// Decimal values are not exact in binary: 0.1411 - 0.141 comes out a little
// above 0.0001. The margin covers that error and stays far below the
// device's resolution of 0.001.
constexpr double kRundungsrand = 1e-9;

void Fortschritt(const char* text) { SetCtrlVal(fortschrittPanelHandle, FORTSCHPNL_TEXT, text); }

void FortschrittSchritt(const char* format, int programmIndex, int schrittIndex) {
    char text[64];
    std::snprintf(text, sizeof text, format, programmIndex + 1, schrittIndex + 1);
    Fortschritt(text);
}

// The bar under the text: steps done of the steps chosen.
struct Balken {
    int gesamt = 0;
    int fertig = 0;

    void Beginnen(int schritte) {
        gesamt = schritte > 0 ? schritte : 1;
        fertig = 0;
        SetCtrlVal(fortschrittPanelHandle, FORTSCHPNL_BALKEN, 0);
        SetCtrlAttribute(fortschrittPanelHandle, FORTSCHPNL_BALKEN, ATTR_MAX_VALUE, gesamt);
    }
    // A program turned out to have another step count than was counted.
    void Aendern(int vorher, int nachher) {
        gesamt += nachher - vorher;
        if (gesamt < 1) gesamt = 1;
        SetCtrlAttribute(fortschrittPanelHandle, FORTSCHPNL_BALKEN, ATTR_MAX_VALUE, gesamt);
    }
    void Weiter() { SetCtrlVal(fortschrittPanelHandle, FORTSCHPNL_BALKEN, ++fertig); }
};

int Adresse() {
    int adresse = '1';
    GetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, adresse);
    return adresse;
}

// Step count of a program as the PC holds it: the working copy for the
// program being edited.
int SchritteAmPc(int programmIndex) {
    return programmIndex == gProgIndex ? gPSanzahl : gProg[programmIndex].psAnzahl;
}

int SchritteGewaehlt(int erstes, int letztes) {
    int n = 0;
    for (int i = erstes; i <= letztes; ++i) {
        int s = SchritteAmPc(i);
        n += s > 0 ? s : 0;
    }
    return n;
}

// The program choice of all three operations: false when the operator
// cancels.
}  // namespace

bool ProgrammeWaehlen(const char* titel, const char* frage, int& erstes, int& letztes) {
    int antwort = GenericMessagePopup(titel, frage, "aktuelles", "alle", "abbrechen", VAL_GENERIC_POPUP_BTN2,
                                      VAL_GENERIC_POPUP_BTN2, VAL_GENERIC_POPUP_BTN3);
    if (antwort == VAL_GENERIC_POPUP_BTN1) {
        erstes = letztes = gProgIndex;
        return true;
    }
    if (antwort == VAL_GENERIC_POPUP_BTN2) {
        erstes = 0;
        letztes = kAnzahlProgramme - 1;
        return true;
    }
    return false;
}

namespace {

bool AnzahlGueltig(int programmIndex, int anzahl) {
    if (anzahl >= 1 && anzahl <= kMaxPruefschritte) return true;
    char text[128];
    std::snprintf(text, sizeof text, "Fehler in Programm %d:\nAnzahl Prüfschritte (%d) ist ungültig", programmIndex + 1,
                  anzahl);
    MessagePopup("KRV-4: Fehlerhafte Daten", text);
    return false;
}

// A record of a read program before the device fills it: slots the device
// does not deliver hold default steps, and nothing is left undefined.
void LeeresProgramm(Programm& p) {
    std::memset(&p, 0, sizeof p);
    for (Pruefschritt& s : p.schritte) s = kStandardPruefschritt;
}

bool RealVerschieden(double geraet, double pc) {
    const double grenze = kToleranz + kRundungsrand + 64 * DBL_EPSILON * std::max(std::fabs(geraet), std::fabs(pc));
    return !(std::fabs(geraet - pc) <= grenze);
}

}  // namespace

int Krv4LesenSchreiben_Callback(int, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    SpeicherGesperrt(true);
    SetCtrlVal(fortschrittPanelHandle, FORTSCHPNL_TEXT, "");
    SetCtrlVal(fortschrittPanelHandle, FORTSCHPNL_BALKEN, 0);
    DisplayPanel(fortschrittPanelHandle);
    int status = 0;
    if (control == PANEL_GERAETSCHREIBEN) status = Krv4Schreiben();
    else if (control == PANEL_GERAETLESEN) status = Krv4Lesen();
    else if (control == PANEL_GERAETVERGLEICHEN) status = Krv4Vergleichen();
    Com_ComFehlerSetzen(status);
    HidePanel(fortschrittPanelHandle);
    SpeicherGesperrt(false);
    return 0;
}

int Krv4Schreiben() {
    if (PruefschrittPlausibilitaetspruefung() != 0) {
        MessagePopup("Fehler im Prüfschritt", "Schreiben zum KRV-4 wurde abgebrochen");
        return 0;
    }
    const int port = Com_ComPort();
    const char adresse = static_cast<char>(Adresse());
    if (port == -1) return -122000;
    int erstes = 0, letztes = 0;
    if (!ProgrammeWaehlen("zu KRV-4 schreiben", "Nur aktuell ausgewähltes oder alle Programme schreiben?", erstes,
                          letztes))
        return 0;
    ProgrammverwaltungVorDateiSpeichern();
    Balken balken;
    balken.Beginnen(SchritteGewaehlt(erstes, letztes));
    for (int i = erstes; i <= letztes; ++i) {
        if (int r = ProgrammkopfSchreiben(port, adresse, i)) return r;
        for (int j = 0; j < gProg[i].psAnzahl && j < kMaxPruefschritte; ++j) {
            FortschrittSchritt("Schreibe Programm %d Schritt %d", i, j);
            Krv4Pruefschritt bild;
            PruefschrittNachKrv4(gProg[i].schritte[j], bild);
            if (int r = SchrittparameterSchreiben(port, adresse, i, j, Komplett, bild)) return r;
            balken.Weiter();
        }
    }
    return 0;
}

int Krv4Lesen() {
    const int port = Com_ComPort();
    const char adresse = static_cast<char>(Adresse());
    if (port == -1) return -122000;
    int erstes = 0, letztes = 0;
    if (!ProgrammeWaehlen("von KRV-4 lesen", "Nur aktuell ausgewähltes oder alle Programme lesen?", erstes, letztes))
        return 0;
    // A read that replaced programs can be taken back as one step.
    SpeicherVorher();
    Balken balken;
    balken.Beginnen(SchritteGewaehlt(erstes, letztes));
    int status = 0;
    int ersetzt = 0;  // programs from erstes on that already hold the device's data
    for (int i = erstes; i <= letztes && status == 0; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "Lese Programm %d", i + 1);
        Fortschritt(text);
        Programm neu;
        LeeresProgramm(neu);
        if ((status = ProgrammkopfLesen(port, adresse, i, neu))) break;
        if (!AnzahlGueltig(i, neu.psAnzahl)) {
            status = -786000;
            break;
        }
        balken.Aendern(SchritteAmPc(i), neu.psAnzahl);
        for (int j = 0; j < neu.psAnzahl && status == 0; ++j) {
            FortschrittSchritt("Lese Programm %d Schritt %d", i, j);
            Krv4Pruefschritt bild{};
            if ((status = SchrittparameterLesen(port, adresse, i, j, bild))) break;
            if ((status = Krv4NachPruefschritt(i, j, bild, neu.schritte[j]))) break;
            balken.Weiter();
        }
        if (status != 0) break;
        gProg[i] = neu;
        ++ersetzt;
    }
    if (status == 0) {
        ProgrammverwaltungNachDateiLaden();
        SpeicherBearbeitet("von KRV-4 lesen");
        return 0;
    }
    // Programs before the failing one hold the device's data now: the list
    // and the editor must show them, or the next program switch would write
    // the old working copy back over them.
    if (ersetzt > 0) {
        const bool bearbeitetErsetzt = gProgIndex >= erstes && gProgIndex < erstes + ersetzt;
        if (!bearbeitetErsetzt) ProgrammverwaltungVorDateiSpeichern();
        ProgrammverwaltungNachDateiLaden();
        SpeicherBearbeitet("von KRV-4 lesen");
    }
    return status;
}

int Krv4Vergleichen() {
    const int port = Com_ComPort();
    const char adresse = static_cast<char>(Adresse());
    if (port == -1) return -122000;
    int erstes = 0, letztes = 0;
    if (!ProgrammeWaehlen("von KRV-4 vergleichen", "Nur aktuell ausgewähltes oder alle Programme vergleichen?", erstes,
                          letztes))
        return 0;
    ProgrammverwaltungVorDateiSpeichern();
    bool unterschiedGefunden = false;
    Balken balken;
    balken.Beginnen(SchritteGewaehlt(erstes, letztes));
    for (int i = erstes; i <= letztes; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "Lese Programm %d", i + 1);
        Fortschritt(text);
        Programm geraet;
        LeeresProgramm(geraet);
        if (int r = ProgrammkopfLesen(port, adresse, i, geraet)) return r;
        if (!AnzahlGueltig(i, geraet.psAnzahl)) return -786000;
        if (ProgrammkopfVergleichen(i, geraet, gProg[i], unterschiedGefunden) != 0) return 0;
        for (int j = 0; j < geraet.psAnzahl; ++j) {
            FortschrittSchritt("Lese Programm %d Schritt %d", i, j);
            Krv4Pruefschritt geraetBild{};
            if (int r = SchrittparameterLesen(port, adresse, i, j, geraetBild)) return r;
            Krv4Pruefschritt pcBild;
            PruefschrittNachKrv4(gProg[i].schritte[j], pcBild);
            if (PruefschrittVergleichen(i, j, geraetBild, pcBild, unterschiedGefunden) != 0) return 0;
            balken.Weiter();
        }
    }
    MessagePopup("Ergebnis", unterschiedGefunden ? "Vergleich nicht erfolgreich" : "Vergleich erfolgreich");
    return 0;
}

int ProgrammkopfVergleichen(int programmIndex, const Programm& geraet, const Programm& pc,
                            bool& unterschiedGefunden) {
    // The PC's name as it goes to the device.
    char pcName[kNamenslaenge + 1];
    std::memcpy(pcName, pc.name, kNamenslaenge);
    pcName[kNamenslaenge] = '\0';
    char pcGeraetename[kNamenslaenge];
    NameNachKrv4(pcName, pcGeraetename, sizeof pcGeraetename);
    char geraetName[kNamenslaenge + 1];
    std::memcpy(geraetName, geraet.name, kNamenslaenge);
    geraetName[kNamenslaenge] = '\0';
    if (std::strcmp(geraetName, pcGeraetename) != 0) {
        unterschiedGefunden = true;
        char werte[128];
        std::snprintf(werte, sizeof werte, "KRV-4 = %s\nPC = %s", geraetName, pcGeraetename);
        if (UnterschiedMelden("Programmname", werte, programmIndex, -1) != 0) return 1;
    }
    if (geraet.psAnzahl != pc.psAnzahl) {
        unterschiedGefunden = true;
        char text[160];
        std::snprintf(text, sizeof text, "Programm %d:\nAnzahl Prüfschritte sind nicht gleich.\n\nKRV-4 = %d\nPC = %d",
                      programmIndex + 1, geraet.psAnzahl, pc.psAnzahl);
        MessagePopup("Ergebnis", text);
        return 1;
    }
    return 0;
}

int PruefschrittVergleichen(int programmIndex, int schrittIndex, const Krv4Pruefschritt& g, const Krv4Pruefschritt& p,
                            bool& unterschiedGefunden) {
    char werte[160];
    auto melden = [&](const char* bezeichnung) {
        unterschiedGefunden = true;
        return UnterschiedMelden(bezeichnung, werte, programmIndex, schrittIndex);
    };
    auto real = [&](const char* bezeichnung, double geraet, double pc) {
        if (!RealVerschieden(geraet, pc)) return 0;
        std::snprintf(werte, sizeof werte, "KRV-4 = %.4f\nPC = %.4f", geraet, pc);
        return melden(bezeichnung);
    };
    auto ganz = [&](const char* bezeichnung, const char* format, int32_t geraet, int32_t pc) {
        if (geraet == pc) return 0;
        std::snprintf(werte, sizeof werte, format, geraet, pc);
        return melden(bezeichnung);
    };
    constexpr const char* kDezimal = "KRV-4 = %d\nPC = %d";
    if (std::strncmp(g.schrittname, p.schrittname, sizeof g.schrittname) != 0) {
        std::snprintf(werte, sizeof werte, "KRV-4 = %.39s\nPC = %.39s", g.schrittname, p.schrittname);
        if (melden("Prüfschrittname")) return 1;
    }
    if (real("unterer Grenzwert", g.unterergrenzwert, p.unterergrenzwert)) return 1;
    if (real("oberer Grenzwert", g.oberergrenzwert, p.oberergrenzwert)) return 1;
    if (ganz("Meßgerät", kDezimal, g.messgeraet, p.messgeraet)) return 1;
    if (ganz("Vorgleichsoperation", kDezimal, g.vergleich, p.vergleich)) return 1;
    if (ganz("Meßzeit", kDezimal, g.messzeit, p.messzeit)) return 1;
    if (ganz("Relaisgruppe1", "KRV-4 = $%08X\nPC = $%08X", g.relaisgruppe1, p.relaisgruppe1)) return 1;
    if (ganz("Relaisgruppe2", "KRV-4 = $%08X\nPC = $%08X", g.relaisgruppe2, p.relaisgruppe2)) return 1;
    if (ganz("Schritt-Modusbyte", "KRV-4 = $%02X\nPC = $%02X", g.schrittmodus, p.schrittmodus)) return 1;
    if (ganz("Impulsgenerator-Zyklen", kDezimal, g.impulszyklen, p.impulszyklen)) return 1;
    if (ganz("Impulsgenerator-Einschaltzeit", kDezimal, g.impulseinzeit, p.impulseinzeit)) return 1;
    if (ganz("Impulsgenerator-Ausschaltzeit", kDezimal, g.impulsauszeit, p.impulsauszeit)) return 1;
    if (real("Spannung", g.spannung, p.spannung)) return 1;
    if (real("Strom", g.strom, p.strom)) return 1;
    return 0;
}

int UnterschiedMelden(const char* bezeichnung, const char* werte, int programmIndex, int schrittIndex) {
    char kopf[48];
    if (schrittIndex < 0) std::snprintf(kopf, sizeof kopf, "Programm %d:\n", programmIndex + 1);
    else std::snprintf(kopf, sizeof kopf, "Programm %d Schritt %d:\n", programmIndex + 1, schrittIndex + 1);
    char text[384];
    std::snprintf(text, sizeof text, "%sUnterschied gefunden in %s\n(KRV-4-interne Darstellung)\n\n%s", kopf,
                  bezeichnung, werte);
    int antwort = GenericMessagePopup("Unterschied gefunden", text, "Weiter", "Abbruch", "", VAL_GENERIC_POPUP_BTN1,
                                      VAL_GENERIC_POPUP_BTN1, VAL_GENERIC_POPUP_BTN2);
    return antwort == VAL_GENERIC_POPUP_BTN1 ? 0 : 1;
}
