#pragma once

#include <cstddef>
#include <cstdint>

#include "model/Programmverwaltung.h"

// The test data file: one block of 21040 bytes holding all 16 programs with
// every step slot, and the selected program, in the layout of the records.

inline constexpr char kDateikennung[] = "QVLKRV4TST1 Programme";
inline constexpr int32_t kDateiversion = 0;

struct Datenblock {
    char kennung[32];  // the kind text, NUL at 21, the rest not significant
    int32_t version;
    uint8_t fuellbytes1[4];
    Programm programme[kAnzahlProgramme];
    int32_t progIndex;
    uint8_t fuellbytes2[4];
};

static_assert(sizeof(Datenblock) == 21040);
static_assert(offsetof(Datenblock, kennung) == 0);
static_assert(offsetof(Datenblock, version) == 32);
static_assert(offsetof(Datenblock, fuellbytes1) == 36);
static_assert(offsetof(Datenblock, programme) == 40);
static_assert(offsetof(Datenblock, progIndex) == 21032);
static_assert(offsetof(Datenblock, fuellbytes2) == 21036);
static_assert(sizeof(kDateikennung) == 22);

inline constexpr std::size_t kDatenblockGroesse = sizeof(Datenblock);

// "Speichern" (neuerName 0: the current name unless "Unbenannt") and
// "Speichern unter" (1). 0, -6000 refused or cancelled, -301000 not written.
int DateiSpeichern(int neuerName);
// "Öffnen". 0, -6000 cancelled, -308000, -304000, -302000, -303000, -312000.
int DateiOeffnen();
// Opens the data file at pfad as "Öffnen" does once a file is chosen: the
// store, file name, title and saved mark, or nothing changed and the code.
int DateiLaden(const char* pfad);

// The block of the program store as it is written.
void DatenblockErstellen(Datenblock& block);
// Checks the bytes of a file (only the first 21040 count): 0 when they can
// be taken over, else -304000 (too short), -302000 (kind), -303000 (version)
// or -312000 (values the store cannot hold). Nothing is changed.
int DatenblockPruefen(const unsigned char* daten, std::size_t laenge);
// Checks the bytes and, only when they pass, replaces the program store with
// them and shows the selected program. File name and title are the caller's.
int DatenblockUebernehmen(const unsigned char* daten, std::size_t laenge);

// The settings file in the working directory: the open port, the port opened
// last and the device address, from one run to the next.
inline constexpr char kEinstellungsdatei[] = "krv4Steuerung.ini";

// Reads it at start-up and reopens the stored port. 0, -802409 when there is
// no file, -801410 when it cannot be read; a value not accepted is skipped.
int IniLaden();
// Writes it at exit. 0 or -800411; a file that cannot be written stays as it was.
int IniSchreiben();
