#pragma once

#include <cstdint>

#include "model/Programmverwaltung.h"

// A test step in the device's own representation and back, and one program
// header or one step as the fixed sequence of driver calls that carries it.

// One field per device step parameter, named after it.
struct Krv4Pruefschritt {
    char schrittname[40];
    double oberergrenzwert;
    double unterergrenzwert;
    int32_t messgeraet;
    int32_t vergleich;
    int32_t messzeit;
    int32_t relaisgruppe1;
    int32_t relaisgruppe2;
    int32_t schrittmodus;
    int32_t impulseinzeit;
    int32_t impulsauszeit;
    int32_t impulszyklen;
    double spannung;
    double strom;
};

// How much of a step one write sends.
enum Schreibumfang : int {
    Komplett = 0,            // selection, then every step parameter
    NurAusgaenge = 1,        // outputs and instrument, to the step selected on the device
    AusgaengeMitImpuls = 2,  // as NurAusgaenge, plus the three pulse parameters
};

// Bits of relaisgruppe1 besides the valves.
inline constexpr int32_t kRelaisNetzgeraet = 0x01000000;
inline constexpr int32_t kRelaisImpuls = 0x02000000;

// The device holds names of at most 20 characters on a 7-bit line: umlauts
// and ß are spelled out, any other character above 127 becomes "?", and so
// do "#" and the control characters, which the framing keeps for itself;
// then the name is cut to 20 characters. ziel holds at least 21 characters.
void NameNachKrv4(const char* name, char* ziel, int groesse);

void PruefschrittNachKrv4(const Pruefschritt& schritt, Krv4Pruefschritt& bild);
// 0, or -786000 after a "KRV-4: Fehlerhafte Daten" message; the indices
// (0-based) serve the message only. schritt is then partly filled.
int Krv4NachPruefschritt(int programmIndex, int schrittIndex, const Krv4Pruefschritt& bild, Pruefschritt& schritt);

int ProgrammkopfSchreiben(int port, char adresse, int programmIndex);
int ProgrammkopfLesen(int port, char adresse, int programmIndex, Programm& programm);
int SchrittparameterSchreiben(int port, char adresse, int programmIndex, int schrittIndex, Schreibumfang umfang,
                              const Krv4Pruefschritt& bild);
int SchrittparameterLesen(int port, char adresse, int programmIndex, int schrittIndex, Krv4Pruefschritt& bild);

// The direct test's write: the step's outputs (and, with mitImpuls non-zero,
// its pulse parameters) to the step the device has selected.
int ComProgramme_PruefschrittSchreiben(int port, char adresse, int mitImpuls, const Pruefschritt& schritt);
