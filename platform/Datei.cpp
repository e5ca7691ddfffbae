#include "platform/Datei.h"

int DateiSicherErsetzen(const char* pfad, const void* daten, std::size_t anzahl) {
    if (pfad == nullptr || *pfad == '\0') return -1;
    std::string ziel = DateiZiel(pfad);
    std::string temp;
    int handle = DateiTemporaerNeben(ziel, temp);
    if (handle < 0) return -1;
    bool vollstaendig = DateiSchreiben(handle, daten, anzahl) == static_cast<long>(anzahl) &&
                        DateiAufPlatteBringen(handle) == 0;
    if (DateiSchliessen(handle) != 0) vollstaendig = false;
    if (vollstaendig && DateiErsetzen(temp, ziel) == 0) return 0;
    DateiEntfernen(temp);
    return -1;
}
