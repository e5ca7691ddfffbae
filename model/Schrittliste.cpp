#include "model/Schrittliste.h"

#include "model/Programmverwaltung.h"
#include "model/Schrittbearbeitung.h"
#include "toolkit/Toolkit.h"

int PruefschrittNeu() {
    if (gPSanzahl >= kMaxPruefschritte) {
        MessagePopup("Hinweis", "Keine weiteren Prüfschritte möglich");
        return 0;
    }
    gPSindex = gPSanzahl;
    ++gPSanzahl;
    gPruefschritte[gPSindex] = kStandardPruefschritt;
    PruefschrittlisteAktualisieren();
    PruefschrittAusArrayLaden();
    return 0;
}
