#include "model/Programmverwaltung.h"

#include <cstdio>
#include <cstring>

#include "model/Schrittbearbeitung.h"
#include "model/Schrittliste.h"
#include "model/Speicherhaken.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/Panelhandles.h"

const Pruefschritt kStandardPruefschritt = {
    .name = "neuer Pruefschritt",
    .netzgeraetAktiv = 0,
    .fuellbytes1 = {},
    .netzgeraetU = 0.0,
    .netzgeraetI = 0.0,
    .impulsEinschaltzeit = 0.0,
    .impulsAusschaltzeit = 10.0,
    .impulsZyklen = 1,
    .impulsAktiv = 0,
    .messgeraet = MESSGERAET_DRUCK,
    .messwartezeit = 2,
    .messenBisWeiter = 0,
    .differenzmessung = 0,
    .rpgMessbereich = 4,
    .fuellbytes2 = {},
    .untererGrenzwert = 0.0,
    .obererGrenzwert = 10.0,
    .gutWenn = GUT_INNERHALB,
    .grenzenGut = 0,
    .ventile = {0, 1, 0, 0, 1, 1, 0, 0},
};

Programm gProg[kAnzahlProgramme];
int gProgIndex = 0;
Pruefschritt gPruefschritte[kMaxPruefschritte];
int gPSanzahl = 0;
int gPSindex = -1;

void NameSetzen(char (&ziel)[kNamenslaenge], const char* text) {
    std::snprintf(ziel, sizeof ziel, "%s", text ? text : "");
}

void ProgrammspeicherZuruecksetzen() {
    std::memset(gProg, 0, sizeof gProg);
    std::memset(gPruefschritte, 0, sizeof gPruefschritte);
    gProgIndex = 0;
    gPSanzahl = 0;
    gPSindex = -1;
}

namespace {

void ProgrammlisteEintragen(int programmIndex) {
    char text[64];
    std::snprintf(text, sizeof text, "%d - %.*s", programmIndex + 1, kNamenslaenge, gProg[programmIndex].name);
    InsertListItem(panelHandle, PANEL_PROGRAMMLISTE, -1, text, programmIndex);
}

}  // namespace

int ProgrammeInitialisieren() {
    gPSindex = -1;
    gPSanzahl = 0;
    PruefschrittNeu();
    ClearListCtrl(panelHandle, PANEL_PROGRAMMLISTE);
    for (int i = 0; i < kAnzahlProgramme; ++i) {
        ArbeitskopieInProgrammSpeichern(i);
        char name[kNamenslaenge];
        std::snprintf(name, sizeof name, "Programm %d", i + 1);
        NameSetzen(gProg[i].name, name);
        ProgrammlisteEintragen(i);
    }
    gProgIndex = 0;
    SetCtrlVal(panelHandle, PANEL_PROGRAMMLISTE, 0);
    SpeicherNeuAngelegt();
    return 0;
}

void ArbeitskopieInProgrammSpeichern(int programmIndex) {
    Programm& prog = gProg[programmIndex];
    std::memcpy(prog.schritte, gPruefschritte, sizeof(Pruefschritt) * gPSanzahl);
    prog.psAnzahl = gPSanzahl;
    prog.psIndex = gPSindex;
}

void ArbeitskopieAusProgrammLaden(int programmIndex) {
    const Programm& prog = gProg[programmIndex];
    std::memcpy(gPruefschritte, prog.schritte, sizeof(Pruefschritt) * prog.psAnzahl);
    gPSanzahl = prog.psAnzahl;
    gPSindex = prog.psIndex;
}

void ProgrammverwaltungVorDateiSpeichern() { ArbeitskopieInProgrammSpeichern(gProgIndex); }

void ProgrammverwaltungNachDateiLaden() {
    ArbeitskopieAusProgrammLaden(gProgIndex);
    ProgrammanzeigeAufbauen();
}

void ProgrammanzeigeAufbauen() {
    ClearListCtrl(panelHandle, PANEL_PROGRAMMLISTE);
    for (int i = 0; i < kAnzahlProgramme; ++i) ProgrammlisteEintragen(i);
    SetCtrlVal(panelHandle, PANEL_PROGRAMMLISTE, gProgIndex);
    PruefschrittlisteAktualisieren();
    PruefschrittAusArrayLaden();
}

int ProgrammeUmschalten(int neuerProgrammIndex) {
    PruefschrittInArraySpeichern();
    ArbeitskopieInProgrammSpeichern(gProgIndex);
    ArbeitskopieAusProgrammLaden(neuerProgrammIndex);
    gProgIndex = neuerProgrammIndex;
    PruefschrittAusArrayLaden();
    PruefschrittlisteAktualisieren();
    return 0;
}

void ProgrammeNichtUmschalten() { SetCtrlVal(panelHandle, PANEL_PROGRAMMLISTE, gProgIndex); }
