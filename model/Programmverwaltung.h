#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// The test step and test program records and the program store. The records
// are the layout of the data file, byte for byte.

static_assert(std::endian::native == std::endian::little, "the records are little-endian");

constexpr int kAnzahlProgramme = 16;
constexpr int kMaxPruefschritte = 10;
constexpr int kNamenslaenge = 24;  // 20 typed characters, NUL, room to spare

// Instrument codes (messgeraet).
enum : int32_t {
    MESSGERAET_STROM = 1,
    MESSGERAET_SPANNUNG = 2,
    MESSGERAET_RPG = 3,
    MESSGERAET_DRUCK = 4,
    MESSGERAET_VAKUUM = 5,
    MESSGERAET_FLOW = 6,
};

// Pass rule (gutWenn).
enum : int32_t { GUT_AUSSERHALB = 1, GUT_INNERHALB = 2 };

// Valve indices in Pruefschritt::ventile.
enum : int {
    VENTIL_OEFFNUNG_DS = 0,
    VENTIL_OEFFNUNG_SS = 1,
    VENTIL_DROSSEL_DS = 2,
    VENTIL_DROSSEL_SS = 3,
    VENTIL_BYPASS_DS = 4,
    VENTIL_BYPASS_SS = 5,
    VENTIL_EXTDRUCK_DS = 6,
    VENTIL_EXTDRUCK_SS = 7,
    kAnzahlVentile = 8,
};

struct Pruefschritt {
    char name[kNamenslaenge];
    int32_t netzgeraetAktiv;
    uint8_t fuellbytes1[4];
    double netzgeraetU;
    double netzgeraetI;
    double impulsEinschaltzeit;
    double impulsAusschaltzeit;
    int32_t impulsZyklen;
    int32_t impulsAktiv;
    int32_t messgeraet;
    int32_t messwartezeit;
    int32_t messenBisWeiter;
    int32_t differenzmessung;
    int32_t rpgMessbereich;
    uint8_t fuellbytes2[4];
    double untererGrenzwert;
    double obererGrenzwert;
    int32_t gutWenn;
    int32_t grenzenGut;
    uint8_t ventile[kAnzahlVentile];
};

static_assert(sizeof(Pruefschritt) == 128);
static_assert(offsetof(Pruefschritt, name) == 0);
static_assert(offsetof(Pruefschritt, netzgeraetAktiv) == 24);
static_assert(offsetof(Pruefschritt, fuellbytes1) == 28);
static_assert(offsetof(Pruefschritt, netzgeraetU) == 32);
static_assert(offsetof(Pruefschritt, netzgeraetI) == 40);
static_assert(offsetof(Pruefschritt, impulsEinschaltzeit) == 48);
static_assert(offsetof(Pruefschritt, impulsAusschaltzeit) == 56);
static_assert(offsetof(Pruefschritt, impulsZyklen) == 64);
static_assert(offsetof(Pruefschritt, impulsAktiv) == 68);
static_assert(offsetof(Pruefschritt, messgeraet) == 72);
static_assert(offsetof(Pruefschritt, messwartezeit) == 76);
static_assert(offsetof(Pruefschritt, messenBisWeiter) == 80);
static_assert(offsetof(Pruefschritt, differenzmessung) == 84);
static_assert(offsetof(Pruefschritt, rpgMessbereich) == 88);
static_assert(offsetof(Pruefschritt, fuellbytes2) == 92);
static_assert(offsetof(Pruefschritt, untererGrenzwert) == 96);
static_assert(offsetof(Pruefschritt, obererGrenzwert) == 104);
static_assert(offsetof(Pruefschritt, gutWenn) == 112);
static_assert(offsetof(Pruefschritt, grenzenGut) == 116);
static_assert(offsetof(Pruefschritt, ventile) == 120);

struct Programm {
    char name[kNamenslaenge];
    int32_t psAnzahl;
    int32_t psIndex;
    Pruefschritt schritte[kMaxPruefschritte];
};

static_assert(sizeof(Programm) == 1312);
static_assert(offsetof(Programm, name) == 0);
static_assert(offsetof(Programm, psAnzahl) == 24);
static_assert(offsetof(Programm, psIndex) == 28);
static_assert(offsetof(Programm, schritte) == 32);

// The step every new step starts from ("neuer Pruefschritt").
extern const Pruefschritt kStandardPruefschritt;

extern Programm gProg[kAnzahlProgramme];
extern int gProgIndex;
extern Pruefschritt gPruefschritte[kMaxPruefschritte];  // working copy of program gProgIndex
extern int gPSanzahl;
extern int gPSindex;

int ProgrammeInitialisieren();
void ArbeitskopieInProgrammSpeichern(int programmIndex);
void ArbeitskopieAusProgrammLaden(int programmIndex);
void ProgrammverwaltungVorDateiSpeichern();
void ProgrammverwaltungNachDateiLaden();
// The program list, the step list and the selected step shown as the store holds them.
void ProgrammanzeigeAufbauen();
int ProgrammeUmschalten(int neuerProgrammIndex);
void ProgrammeNichtUmschalten();

// Copies a text into a fixed name field: cut to fit, always terminated.
void NameSetzen(char (&ziel)[kNamenslaenge], const char* text);

// Back to the state before the first initialisation (for tests and restarts).
void ProgrammspeicherZuruecksetzen();
