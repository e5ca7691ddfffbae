// Writes a few valid data files as the starting corpus of the data-file
// fuzzer: the fresh store, and a store with full programs and odd values.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz/Fuzzstart.h"
#include "storage/Dateifunktionen.h"

namespace {

bool Schreiben(const std::string& pfad) {
    Datenblock block;
    DatenblockErstellen(block);
    std::FILE* f = std::fopen(pfad.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(&block, sizeof block, 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2 || FuzzProgrammStarten() != 0) return 1;
    std::string dir = argv[1];
    std::error_code fehler;
    std::filesystem::create_directories(dir, fehler);
    if (!Schreiben(dir + "/frisch.krv")) return 1;

    for (int i = 0; i < kAnzahlProgramme; ++i) {
        Programm& p = gProg[i];
        p.psAnzahl = i % kMaxPruefschritte + 1;
        p.psIndex = p.psAnzahl - 1;
        for (int j = 0; j < kMaxPruefschritte; ++j) {
            p.schritte[j] = kStandardPruefschritt;
            p.schritte[j].messgeraet = j % 7;
            p.schritte[j].rpgMessbereich = j % 5;
            p.schritte[j].untererGrenzwert = -j;
            p.schritte[j].obererGrenzwert = 1e9 * j;
        }
    }
    gProgIndex = 9;
    if (!Schreiben(dir + "/voll.krv")) return 1;
    return 0;
}
