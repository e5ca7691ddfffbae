#include "platform/Datei.h"

#include <algorithm>
#include <cctype>

namespace {

// Copies the first anzahl bytes of von to the start of nach.
bool Kopieren(int von, int nach, long long anzahl) {
    unsigned char puffer[1 << 16];
    for (long long stelle = 0; stelle < anzahl;) {
        std::size_t stueck = static_cast<std::size_t>(std::min<long long>(anzahl - stelle, sizeof puffer));
        long n = DateiLesenAn(von, stelle, puffer, stueck);
        if (n <= 0 || DateiSchreibenAn(nach, stelle, puffer, static_cast<std::size_t>(n)) != n) return false;
        stelle += n;
    }
    return true;
}

// The target keeps its name, links, owner and rights: its content is
// rewritten. The part beyond the old end goes first, so that a full disk
// fails before a byte of the old content has changed; what was overwritten
// when a later step fails is put back from the copy.
int InPlatzSchreiben(const std::string& ziel, const unsigned char* neu, long long neuLaenge, long long altLaenge) {
    int datei = DateiOeffnenZumAendern(ziel);
    if (datei < 0) return -1;
    std::string sicherungPfad;
    int sicherung = DateiSicherungAnlegen(sicherungPfad);
    if (sicherung < 0 || !Kopieren(datei, sicherung, altLaenge) || DateiAufPlatteBringen(sicherung) != 0) {
        DateiSchliessen(datei);
        if (sicherung >= 0) {
            DateiSchliessen(sicherung);
            DateiEntfernen(sicherungPfad);
        }
        return -1;
    }
    const long long gemeinsam = std::min(neuLaenge, altLaenge);
    bool gut = true;
    long long erreicht = 0;
    if (neuLaenge > altLaenge) {
        std::size_t rest = static_cast<std::size_t>(neuLaenge - altLaenge);
        if (DateiSchreibenAn(datei, altLaenge, neu + altLaenge, rest) != static_cast<long>(rest)) gut = false;
    }
    if (gut) {
        erreicht = std::max(0L, DateiSchreibenAn(datei, 0, neu, static_cast<std::size_t>(gemeinsam)));
        gut = erreicht == gemeinsam && (neuLaenge >= altLaenge || DateiLaengeSetzen(datei, neuLaenge) == 0) &&
              DateiAufPlatteBringen(datei) == 0;
        // Once the length or the flush is in question, all of the old content goes back.
        if (!gut && erreicht == gemeinsam) erreicht = altLaenge;
    }
    bool sicherungEntbehrlich = gut;
    if (!gut) {
        sicherungEntbehrlich = Kopieren(sicherung, datei, erreicht) && DateiLaengeSetzen(datei, altLaenge) == 0 &&
                               DateiAufPlatteBringen(datei) == 0;
    }
    if (DateiSchliessen(datei) != 0 && gut) {
        gut = false;
        sicherungEntbehrlich = false;
    }
    DateiSchliessen(sicherung);
    // A copy that could not be put back stays in the temporary folder.
    if (sicherungEntbehrlich) DateiEntfernen(sicherungPfad);
    return gut ? 0 : -1;
}

}  // namespace

int DateiSicherErsetzen(const char* pfad, const void* daten, std::size_t anzahl, const char* tempMuster,
                        DateiFehler* fehler) {
    DateiFehler grund = DateiFehler::keiner;
    if (fehler == nullptr) fehler = &grund;
    *fehler = DateiFehler::nichtAngelegt;
    if (pfad == nullptr || *pfad == '\0') return -1;
    std::string ziel = DateiZiel(pfad);
    DateiZielZustand zustand;
    if (DateiZielPruefen(ziel, zustand, fehler) != 0) return -1;

    if (!zustand.umbenennen) {
        *fehler = DateiFehler::schreiben;
        if (InPlatzSchreiben(ziel, static_cast<const unsigned char*>(daten), static_cast<long long>(anzahl),
                             zustand.laenge) != 0)
            return -1;
        *fehler = DateiFehler::keiner;
        return 0;
    }

    DateiVeralteteTemporaereEntfernen(ziel, tempMuster);
    *fehler = DateiFehler::nichtAngelegt;
    std::string temp;
    int handle = DateiTemporaerNeben(ziel, temp, tempMuster);
    if (handle < 0) return -1;
    bool vollstaendig = DateiSchreiben(handle, daten, anzahl) == static_cast<long>(anzahl) &&
                        DateiAufPlatteBringen(handle) == 0;
    if (DateiSchliessen(handle) != 0) vollstaendig = false;
    if (vollstaendig && DateiErsetzen(temp, ziel) == 0) {
        *fehler = DateiFehler::keiner;
        return 0;
    }
    DateiEntfernen(temp);
    *fehler = DateiFehler::schreiben;
    return -1;
}

std::string DateiMusterName(const char* tempMuster, int n) {
    // Replaced by hand rather than given to printf: the pattern is text, not a format.
    std::string name = tempMuster ? tempMuster : "";
    std::size_t stelle = name.find("%d");
    if (stelle != std::string::npos) name.replace(stelle, 2, std::to_string(n));
    return name;
}

bool DateiMusterPasst(const char* tempMuster, const std::string& name) {
    std::string muster = tempMuster ? tempMuster : "";
    std::size_t stelle = muster.find("%d");
    if (stelle == std::string::npos) return name == muster;
    std::string vorn = muster.substr(0, stelle), hinten = muster.substr(stelle + 2);
    if (name.size() <= vorn.size() + hinten.size() || name.compare(0, vorn.size(), vorn) != 0 ||
        name.compare(name.size() - hinten.size(), hinten.size(), hinten) != 0)
        return false;
    std::string zahl = name.substr(vorn.size(), name.size() - vorn.size() - hinten.size());
    if (zahl.size() > 3 || (zahl.size() > 1 && zahl[0] == '0')) return false;
    return std::all_of(zahl.begin(), zahl.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}
