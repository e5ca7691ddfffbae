#include "model/Speicherhaken.h"

namespace {

Speicherhaken gHaken;

}  // namespace

void SpeicherhakenSetzen(const Speicherhaken& haken) { gHaken = haken; }

void SpeicherDatenGeaendert() {
    if (gHaken.datenGeaendert) gHaken.datenGeaendert();
}

void SpeicherNeuAngelegt() {
    if (gHaken.neuAngelegt) gHaken.neuAngelegt();
}

bool SpeicherDirekttestAktiv() { return gHaken.direkttestAktiv && gHaken.direkttestAktiv(); }

void SpeicherDirekttestSenden(const Pruefschritt& schritt) {
    if (gHaken.direkttestSenden) gHaken.direkttestSenden(schritt);
}
