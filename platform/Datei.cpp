#include "platform/Datei.h"

int DateiSicherErsetzen(const char* pfad, const void* daten, std::size_t anzahl, const char* tempMuster,
                        DateiFehler* fehler) {
    DateiFehler grund = DateiFehler::keiner;
    if (fehler == nullptr) fehler = &grund;
    *fehler = DateiFehler::nichtAngelegt;
    if (pfad == nullptr || *pfad == '\0') return -1;
    std::string ziel = DateiZiel(pfad);
    std::string temp;
    int handle = DateiTemporaerNeben(ziel, temp, tempMuster, fehler);
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
