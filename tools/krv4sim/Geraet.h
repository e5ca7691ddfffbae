#pragma once

#include <chrono>
#include <string>
#include <vector>

// The simulated KRV-4 devices on one line: what they hold and how they answer
// one command frame. No I/O here; the line and its timing live in main.

using Zeit = std::chrono::steady_clock::time_point;

enum class Stoerart {
    Stumm,          // no answer at all
    Nak,            // answers NAK
    Can,            // answers CAN
    FalschesByte,   // answers "#" instead of ACK
    Verformt,       // reply text that does not start with "#"
    OhneCr,         // reply text without its CR
    Ueberlang,      // reply text longer than any reply buffer
    AndererWert,    // reply naming another parameter (or status type)
    AndereAdresse,  // reply with another device's address
    Bereich,        // reply with a value outside the parameter's range
    Langsam,        // answers after the slow delay
};

struct Stoerung {
    std::string adresse;  // "*" or one address character
    std::string befehl;   // "*" or three command characters, "?" matches any
    Stoerart art;
    int anzahl = -1;  // how many matching commands it hits; -1: all
    int auslassen = 0;  // matching commands that pass unharmed first
};

struct Einstellungen {
    std::string adressen = "1";
    long seriennummer = 1000;
    std::vector<Stoerung> stoerungen;
    std::chrono::milliseconds langsam{500};
    std::chrono::milliseconds pruefdauer{3000};
    bool nichtBestanden = false;  // tests end "nicht bestanden" instead of "bestanden"
};

// What goes back on the line for one frame, and when.
struct Antwort {
    std::string bytes;
    std::chrono::milliseconds verzoegerung{0};
};

// "ADDR:CMD:KIND[:COUNT[:SKIP]]"; false with a message on a bad text.
bool StoerungLesen(const std::string& text, Stoerung* s, std::string* fehler);

void GeraeteAnlegen(const Einstellungen& e);

// Reads the preload file (see krv4sim --help); false with "line: message".
bool VorbelegungLaden(const std::string& pfad, std::string* fehler);
// The same lines from a text; pfad names their source in messages.
bool VorbelegungUebernehmen(const std::string& text, const std::string& pfad, std::string* fehler);

// The frame as received, from "#" up to and including CR.
Antwort RahmenAusfuehren(const std::string& rahmen, Zeit jetzt);
