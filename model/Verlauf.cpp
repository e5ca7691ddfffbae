#include "model/Verlauf.h"

#include <cstring>
#include <deque>

#include "model/Programmverwaltung.h"
#include "model/Schrittbearbeitung.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/Panelhandles.h"

namespace {

struct Stand {
    Programm prog[kAnzahlProgramme];
    Pruefschritt arbeitskopie[kMaxPruefschritte];
    int progIndex;
    int psAnzahl;
    int psIndex;
    std::string was;  // the operation that led here
};

std::deque<Stand> gStaende;
int gAktuell = 0;
int gGespeichert = 0;  // -1: no entry holds what the file holds

Stand Jetzt(const char* was) {
    Stand s;
    std::memcpy(s.prog, gProg, sizeof s.prog);
    std::memcpy(s.arbeitskopie, gPruefschritte, sizeof s.arbeitskopie);
    s.progIndex = gProgIndex;
    s.psAnzahl = gPSanzahl;
    s.psIndex = gPSindex;
    s.was = was ? was : "";
    return s;
}

// Bytes of n steps; a count outside the store's range compares nothing more.
std::size_t Schrittbytes(int n) {
    return sizeof(Pruefschritt) * static_cast<std::size_t>(n < 0 ? 0 : n > kMaxPruefschritte ? kMaxPruefschritte : n);
}

// What a save would write, the selection aside: the working copy is the
// truth for its program, whatever the table still holds for it.
bool GleicherInhalt(const Stand& a, const Stand& b) {
    if (a.progIndex != b.progIndex) {
        // The working copies belong to different programs: compare each
        // program as it would be saved.
        for (int i = 0; i < kAnzahlProgramme; ++i) {
            const Pruefschritt* sa = i == a.progIndex ? a.arbeitskopie : a.prog[i].schritte;
            const Pruefschritt* sb = i == b.progIndex ? b.arbeitskopie : b.prog[i].schritte;
            const int na = i == a.progIndex ? a.psAnzahl : a.prog[i].psAnzahl;
            const int nb = i == b.progIndex ? b.psAnzahl : b.prog[i].psAnzahl;
            if (std::memcmp(a.prog[i].name, b.prog[i].name, kNamenslaenge) != 0 || na != nb ||
                std::memcmp(sa, sb, Schrittbytes(na)) != 0)
                return false;
        }
        return true;
    }
    for (int i = 0; i < kAnzahlProgramme; ++i) {
        if (std::memcmp(a.prog[i].name, b.prog[i].name, kNamenslaenge) != 0) return false;
        if (i == a.progIndex) continue;
        if (a.prog[i].psAnzahl != b.prog[i].psAnzahl ||
            std::memcmp(a.prog[i].schritte, b.prog[i].schritte, Schrittbytes(a.prog[i].psAnzahl)) != 0)
            return false;
    }
    return a.psAnzahl == b.psAnzahl &&
           std::memcmp(a.arbeitskopie, b.arbeitskopie, Schrittbytes(a.psAnzahl)) == 0;
}

void StandZeigen(const Stand& s) {
    std::memcpy(gProg, s.prog, sizeof gProg);
    std::memcpy(gPruefschritte, s.arbeitskopie, sizeof gPruefschritte);
    gProgIndex = s.progIndex;
    gPSanzahl = s.psAnzahl;
    gPSindex = s.psIndex;
    ProgrammanzeigeAufbauen();
}

void AuswahlUebernehmen(Stand& ziel) {
    std::string was = ziel.was;
    ziel = Jetzt(was.c_str());
}

}  // namespace

void VerlaufBeginnen() {
    gStaende.clear();
    gStaende.push_back(Jetzt(""));
    gAktuell = 0;
    gGespeichert = 0;
}

void VerlaufVorher() {
    if (gStaende.empty()) VerlaufBeginnen();
    AuswahlUebernehmen(gStaende[gAktuell]);
}

void VerlaufNachher(const char* was) {
    if (gStaende.empty()) VerlaufBeginnen();
    Stand neu = Jetzt(was);
    if (GleicherInhalt(neu, gStaende[gAktuell])) {
        AuswahlUebernehmen(gStaende[gAktuell]);
        return;
    }
    gStaende.erase(gStaende.begin() + gAktuell + 1, gStaende.end());
    if (gGespeichert > gAktuell) gGespeichert = -1;
    gStaende.push_back(std::move(neu));
    ++gAktuell;
    if (static_cast<int>(gStaende.size()) > kVerlaufSchritte + 1) {
        gStaende.pop_front();
        --gAktuell;
        if (gGespeichert >= 0) --gGespeichert;
    }
}

bool VerlaufKannRueckgaengig() { return gAktuell > 0; }

bool VerlaufKannWiederherstellen() { return gAktuell + 1 < static_cast<int>(gStaende.size()); }

std::string VerlaufRueckgaengigName() { return VerlaufKannRueckgaengig() ? gStaende[gAktuell].was : ""; }

std::string VerlaufWiederherstellenName() {
    return VerlaufKannWiederherstellen() ? gStaende[gAktuell + 1].was : "";
}

void VerlaufRueckgaengig() {
    if (!VerlaufKannRueckgaengig()) return;
    AuswahlUebernehmen(gStaende[gAktuell]);
    --gAktuell;
    StandZeigen(gStaende[gAktuell]);
}

void VerlaufWiederherstellen() {
    if (!VerlaufKannWiederherstellen()) return;
    AuswahlUebernehmen(gStaende[gAktuell]);
    ++gAktuell;
    StandZeigen(gStaende[gAktuell]);
}

void VerlaufAlsGespeichertMerken() {
    if (gStaende.empty()) VerlaufBeginnen();
    AuswahlUebernehmen(gStaende[gAktuell]);
    gGespeichert = gAktuell;
}

bool VerlaufBeimGespeicherten() { return gAktuell == gGespeichert; }

int VerlaufAnzahl() { return static_cast<int>(gStaende.size()); }
