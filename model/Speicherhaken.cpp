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

void SpeicherVorher() {
    if (gHaken.vorher) gHaken.vorher();
}

void SpeicherBearbeitet(const char* was) {
    if (gHaken.bearbeitet) gHaken.bearbeitet(was);
}

void SpeicherGesperrt(bool an) {
    if (gHaken.gesperrt) gHaken.gesperrt(an);
}
