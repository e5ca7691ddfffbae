#pragma once

#include <cstddef>
#include <string>

// Unsaved data of a run that ended without its operator (a signal, a lost
// display) is kept beside the settings file and offered at the next start.
// The file is a data file as "Speichern" writes it, followed by the time it
// was written and the name of the data file it belongs to, each ended by NUL.

inline constexpr char kWiederherstellungsdatei[] = "krv4Steuerung-Wiederherstellung.krv";

// Writes the program store, the edited program included, with the current
// file name and the time. 0, or -1 when it cannot be written.
int WiederherstellungSchreiben();
// At start-up: when a readable recovery file is there, asks "Nicht
// gespeicherte Daten vom <Zeit> wiederherstellen?". "Ja" takes the data over
// under its file name, marked as changed; "Nein" removes the file. True when
// the data was taken over.
bool WiederherstellungAnbieten();

// What the file holds, read without taking anything over: false for a file
// that is missing or not a recovery file.
struct Wiederherstellungsdaten {
    std::string zeit;       // "10.12.2026 11:45"
    std::string dateiname;  // the data file's name, "Unbenannt" for none
};
bool WiederherstellungLesen(Wiederherstellungsdaten* daten, std::string* block = nullptr);
// The same for bytes in memory; daten may be null.
bool WiederherstellungPruefen(const unsigned char* bytes, std::size_t laenge, Wiederherstellungsdaten* daten);
