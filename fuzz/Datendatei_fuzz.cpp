// Any bytes as a data file: a result code, no crash, no misuse of the
// toolkit, and the store unchanged unless the file was taken over. A file
// that was taken over is saved back byte for byte.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/Aenderungen.h"
#include "fuzz/Fuzzstart.h"
#include "model/Programmverwaltung.h"
#include "storage/Dateifunktionen.h"
#include "toolkit/Toolkit.h"

namespace {

struct Zustand {
    std::vector<unsigned char> bytes;
    std::string titel;

    static Zustand Jetzt() {
        Zustand z;
        auto anhaengen = [&z](const void* p, std::size_t n) {
            const auto* b = static_cast<const unsigned char*>(p);
            z.bytes.insert(z.bytes.end(), b, b + n);
        };
        anhaengen(gProg, sizeof gProg);
        anhaengen(gPruefschritte, sizeof gPruefschritte);
        anhaengen(&gProgIndex, sizeof gProgIndex);
        anhaengen(&gPSanzahl, sizeof gPSanzahl);
        anhaengen(&gPSindex, sizeof gPSindex);
        anhaengen(gDateiname.data(), gDateiname.size());
        anhaengen(&gDatenGeaendert, sizeof gDatenGeaendert);
        GetPanelAttribute(panelHandle, ATTR_TITLE, z.titel);
        return z;
    }
    bool operator==(const Zustand&) const = default;
};

[[noreturn]] void Fund(const char* was) {
    std::fprintf(stderr, "data file reader: %s\n", was);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (FuzzProgrammStarten() != 0) Fund("the program store could not be started");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, std::size_t laenge) {
    Zustand vorher = Zustand::Jetzt();
    int urteil = DatenblockPruefen(daten, laenge);
    if (Zustand::Jetzt() != vorher) Fund("the check changed the store");
    int status = DatenblockUebernehmen(daten, laenge);
    if (status != urteil) Fund("check and take-over disagree");

    switch (status) {
        case 0: break;
        case -304000:
        case -302000:
        case -303000:
        case -312000:
            if (Zustand::Jetzt() != vorher) Fund("a refused file changed the store");
            return 0;
        default: Fund("unexpected result code");
    }

    if (gProgIndex < 0 || gProgIndex >= kAnzahlProgramme) Fund("selected program out of range");
    if (gPSanzahl < 1 || gPSanzahl > kMaxPruefschritte || gPSindex < 0 || gPSindex >= gPSanzahl)
        Fund("working copy out of range");

    ProgrammverwaltungVorDateiSpeichern();
    Datenblock block;
    DatenblockErstellen(block);
    std::vector<unsigned char> erwartet(daten, daten + sizeof block);
    std::memset(erwartet.data() + 22, 0, 10);
    std::memset(erwartet.data() + 36, 0, 4);
    std::memset(erwartet.data() + 21036, 0, 4);
    if (std::memcmp(&block, erwartet.data(), sizeof block) != 0) Fund("saving back changed the bytes");
    return 0;
}
