#include "model/Schrittliste.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "model/Schrittbearbeitung.h"
#include "model/Speicherhaken.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/Panelhandles.h"

Pruefschritt gPSKopie;
bool gPSKopieVorhanden = false;
Pruefschritt gProgKopie[kMaxPruefschritte];
int gProgKopieAnzahl = 0;
int gProgKopieIndex = 0;
int8_t gProgKopieQuelle = -1;
bool gEingabeFlag = false;

namespace {

constexpr int kMaxNamenseingabe = 20;
constexpr unsigned char kGeschuetztesLeerzeichen = 0xA0;

void KeineWeiterenSchritte() { MessagePopup("Hinweis", "Keine weiteren Prüfschritte möglich"); }

void NameEingeben(char (&name)[kNamenslaenge], const char* aufforderung, const char* fehlertext) {
    SetCtrlAttribute(stringPanelHandle, STRINGPNL_STRING, ATTR_MAX_ENTRY_LENGTH, kMaxNamenseingabe);
    SetCtrlAttribute(stringPanelHandle, STRINGPNL_STRING, ATTR_LABEL_TEXT, aufforderung);
    std::string alt(name, strnlen(name, sizeof name));
    SetCtrlVal(stringPanelHandle, STRINGPNL_STRING, alt.c_str());

    InstallPopup(stringPanelHandle);
    gEingabeFlag = false;
    while (!gEingabeFlag) WaitForSystemEvent();

    std::string text;
    GetCtrlVal(stringPanelHandle, STRINGPNL_STRING, text);
    if (text.size() > sizeof name - 1) text.resize(sizeof name - 1);
    for (char& c : text)
        if (!NamenszeichenDruckbar(static_cast<unsigned char>(c))) c = ' ';
    // A name that starts blank looks empty in the lists; the no-break space
    // looks just like a blank.
    bool leer = text.empty() || text[0] == ' ' || static_cast<unsigned char>(text[0]) == kGeschuetztesLeerzeichen;
    if (leer) {
        MessagePopup("Fehler", fehlertext);
    } else {
        std::memset(name, 0, sizeof name);
        std::memcpy(name, text.data(), text.size());
    }
    RemovePopup(0);
}

void ProgrammlisteEintragErsetzen(const char* name) {
    char text[64];
    std::snprintf(text, sizeof text, "%d - %.*s", gProgIndex + 1, kNamenslaenge, name);
    ReplaceListItem(panelHandle, PANEL_PROGRAMMLISTE, gProgIndex, text, gProgIndex);
}

}  // namespace

bool NamenszeichenDruckbar(unsigned char zeichen) {
    if (zeichen < 32 || zeichen == 127) return false;
    // The five bytes to which code page 1252 gives no character.
    switch (zeichen) {
        case 0x81:
        case 0x8D:
        case 0x8F:
        case 0x90:
        case 0x9D: return false;
        default: return true;
    }
}

void KopierpufferZuruecksetzen() {
    std::memset(&gPSKopie, 0, sizeof gPSKopie);
    gPSKopieVorhanden = false;
    std::memset(gProgKopie, 0, sizeof gProgKopie);
    gProgKopieAnzahl = 0;
    gProgKopieIndex = 0;
    gProgKopieQuelle = -1;
    gEingabeFlag = false;
}

int PruefschrittNeu() {
    if (gPSanzahl >= kMaxPruefschritte) {
        KeineWeiterenSchritte();
        return 0;
    }
    gPSindex = gPSanzahl;
    ++gPSanzahl;
    gPruefschritte[gPSindex] = kStandardPruefschritt;
    PruefschrittlisteAktualisieren();
    PruefschrittAusArrayLaden();
    return 0;
}

int PruefschrittLoeschen() {
    if (gPSanzahl == 1) {
        MessagePopup("Hinweis", "Letzter Prüfschritt kann nicht gelöscht werden");
        return 0;
    }
    std::memmove(&gPruefschritte[gPSindex], &gPruefschritte[gPSindex + 1],
                 sizeof(Pruefschritt) * (gPSanzahl - gPSindex - 1));
    --gPSanzahl;
    if (gPSindex >= gPSanzahl) --gPSindex;
    PruefschrittlisteAktualisieren();
    PruefschrittAusArrayLaden();
    return 0;
}

int PruefschrittKopieren() {
    std::memcpy(&gPSKopie, &gPruefschritte[gPSindex], sizeof gPSKopie);
    gPSKopieVorhanden = true;
    SetCtrlAttribute(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN, ATTR_DIMMED, 0);
    return 0;
}

int PruefschrittEinfuegen() {
    if (gPSanzahl >= kMaxPruefschritte) {
        KeineWeiterenSchritte();
        return 0;
    }
    if (!gPSKopieVorhanden) {
        MessagePopup("Hinweise", "Kein Prüfschritt zum Einfügen vorhanden");
        return 0;
    }
    gPSindex = gPSanzahl;
    ++gPSanzahl;
    std::memcpy(&gPruefschritte[gPSindex], &gPSKopie, sizeof gPSKopie);
    NameSetzen(gPruefschritte[gPSindex].name, "neue Kopie");
    PruefschrittlisteAktualisieren();
    PruefschrittAusArrayLaden();
    return 0;
}

int PruefschrittUmbenennen() {
    char name[kNamenslaenge];
    std::memcpy(name, gPruefschritte[gPSindex].name, sizeof name);
    PruefschrittnameEingeben(name);
    std::memcpy(gPruefschritte[gPSindex].name, name, sizeof name);
    PruefschrittlisteAktualisieren();
    return 0;
}

int PruefschrittAufwaertsSchieben() {
    if (gPSindex == 0 || gPSanzahl <= 1) return 0;
    std::swap(gPruefschritte[gPSindex], gPruefschritte[gPSindex - 1]);
    --gPSindex;
    PruefschrittlisteAktualisieren();
    return 0;
}

int PruefschrittAbwaertsSchieben() {
    if (gPSindex + 1 == gPSanzahl || gPSanzahl <= 1) return 0;
    std::swap(gPruefschritte[gPSindex], gPruefschritte[gPSindex + 1]);
    ++gPSindex;
    PruefschrittlisteAktualisieren();
    return 0;
}

void PruefschrittnameEingeben(char (&name)[kNamenslaenge]) {
    NameEingeben(name, "Prüfschritt umbenennen", "Prüfschrittname ungültig");
}

void ProgrammnameEingeben(char (&name)[kNamenslaenge]) {
    NameEingeben(name, "Programm umbenennen", "Programmname ungültig");
}

int ProgrammUmbenennen() {
    char name[kNamenslaenge];
    std::memcpy(name, gProg[gProgIndex].name, sizeof name);
    ProgrammnameEingeben(name);
    std::memcpy(gProg[gProgIndex].name, name, sizeof name);
    ProgrammlisteEintragErsetzen(gProg[gProgIndex].name);
    SpeicherDatenGeaendert();
    return 0;
}

int ProgrammKopieren() {
    std::memcpy(gProgKopie, gPruefschritte, sizeof(Pruefschritt) * gPSanzahl);
    gProgKopieAnzahl = gPSanzahl;
    gProgKopieIndex = gPSindex;
    gProgKopieQuelle = static_cast<int8_t>(gProgIndex);
    SetMenuBarAttribute(GetPanelMenuBar(panelHandle), MENU_PROGRAMM_EINFUEGEN, ATTR_DIMMED, 0);
    return 0;
}

int ProgrammEinfuegen() {
    if (gProgKopieQuelle < 0) {
        MessagePopup("Hinweis", "Kein Prüfschritt zum Einfügen vorhanden");
        return 0;
    }
    std::memcpy(gPruefschritte, gProgKopie, sizeof(Pruefschritt) * gProgKopieAnzahl);
    gPSanzahl = gProgKopieAnzahl;
    gPSindex = gProgKopieIndex;
    PruefschrittAusArrayLaden();
    PruefschrittlisteAktualisieren();

    char name[kNamenslaenge];
    std::snprintf(name, sizeof name, "Kopie von Prog %d", gProgKopieQuelle + 1);
    NameSetzen(gProg[gProgIndex].name, name);
    ProgrammlisteEintragErsetzen(name);
    SpeicherDatenGeaendert();
    return 0;
}

int Pruefschrittaktionen_Callback(int, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    struct Aktion {
        int control;
        int (*ausfuehren)();
        const char* name;  // for undo
    };
    static constexpr Aktion kAktionen[] = {
        {PANEL_PRUEFSCHRITTNEU, PruefschrittNeu, "Prüfschritt anlegen"},
        {PANEL_PRUEFSCHRITTLOESCHEN, PruefschrittLoeschen, "Prüfschritt löschen"},
        {PANEL_PRUEFSCHRITTKOPIEREN, PruefschrittKopieren, "Prüfschritt kopieren"},
        {PANEL_PRUEFSCHRITTEINFUEGEN, PruefschrittEinfuegen, "Prüfschritt einfügen"},
        {PANEL_PRUEFSCHRITTUMBENENNE, PruefschrittUmbenennen, "Prüfschritt umbenennen"},
        {PANEL_PRUEFSCHRITTAUFWAERTS, PruefschrittAufwaertsSchieben, "Prüfschritt aufwärts schieben"},
        {PANEL_PRUEFSCHRITTABWAERTS, PruefschrittAbwaertsSchieben, "Prüfschritt abwärts schieben"},
    };
    for (const Aktion& a : kAktionen) {
        if (a.control != control) continue;
        // A faulty step may always be deleted, but never copied, moved or left behind.
        if (control != PANEL_PRUEFSCHRITTLOESCHEN && PruefschrittPlausibilitaetspruefung() != 0) return 0;
        SpeicherVorher();
        a.ausfuehren();
        SpeicherDatenGeaendert();
        PruefschrittInArraySpeichern();
        SpeicherBearbeitet(a.name);
    }
    return 0;
}

int Programmliste_Callback(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (PruefschrittPlausibilitaetspruefung() != 0) {
        ProgrammeNichtUmschalten();
        return 0;
    }
    int neu = gProgIndex;
    if (GetCtrlVal(panelHandle, PANEL_PROGRAMMLISTE, neu) != 0 || neu < 0 || neu >= kAnzahlProgramme) return 0;
    ProgrammeUmschalten(neu);
    return 0;
}

int Stringeingabe_Callback(int, int, int event, void*, int eventData1, int) {
    if (event == EVENT_KEYPRESS && eventData1 == VAL_ENTER_VKEY) gEingabeFlag = true;
    return 0;
}

void Menu_Programm(int, int menuItem, void*, int) {
    if (PruefschrittPlausibilitaetspruefung() != 0) return;
    SpeicherVorher();
    switch (menuItem) {
        case MENU_PROGRAMM_UMBENENNEN:
            ProgrammUmbenennen();
            SpeicherBearbeitet("Programm umbenennen");
            break;
        case MENU_PROGRAMM_KOPIEREN:
            ProgrammKopieren();
            SpeicherBearbeitet("Programm kopieren");
            break;
        case MENU_PROGRAMM_EINFUEGEN:
            ProgrammEinfuegen();
            SpeicherBearbeitet("Programm einfügen");
            break;
        default: break;
    }
}
