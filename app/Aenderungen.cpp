#include "app/Aenderungen.h"

#include <string>

#include "app/Bearbeiten.h"
#include "app/Krv4Steuerung.h"
#include "app/Zuletzt.h"
#include "errors/QVL_errorV3.h"
#include "model/Speicherhaken.h"
#include "model/Verlauf.h"
#include "panels/Com.h"
#include "panels/Direkttest.h"
#include "platform/Zeichensatz.h"
#include "storage/Dateifunktionen.h"

bool gDatenGeaendert = false;
std::string gDateiname = kUnbenannt;

void DatenAlsGeaendertMarkieren() { gDatenGeaendert = true; }

void AlsGespeichertSetzen() {
    gDatenGeaendert = false;
    // Undoing back to here needs no question again.
    VerlaufAlsGespeichertMerken();
}

void DateinameZuruecksetzen() { DateinameSetzen(kUnbenannt); }

void DateinameSetzen(const char* pfad) { gDateiname = pfad ? pfad : ""; }

void PaneltitelAktualisieren() {
    std::string laufwerk, verzeichnis, datei;
    SplitPath(gDateiname.c_str(), laufwerk, verzeichnis, datei);
    std::string titel = std::string(gPaneltitle) + " - " + Utf8NachCp1252Ersetzt(datei);
    SetPanelAttribute(panelHandle, ATTR_TITLE, titel.c_str());
}

int AbfrageWennNichtGespeichert() {
    if (!gDatenGeaendert) return 0;
    std::string laufwerk, verzeichnis, datei;
    SplitPath(gDateiname.c_str(), laufwerk, verzeichnis, datei);
    std::string frage = "Möchten Sie die Änderungen in " + Utf8NachCp1252Ersetzt(datei) + " speichern?";
    enum { JA = 1, NEIN = 2, ABBRECHEN = 3 };
    int antwort = GenericMessagePopup("Datei speichern", frage.c_str(), "Ja", "Nein", "Abbrechen", JA, JA, ABBRECHEN);
    if (antwort == NEIN) return 0;
    if (antwort != JA) return 1;
    int status = DateiSpeichern(0);
    if (status != 0) {
        QVL_Fehlerpopup(status);
        return 1;
    }
    ZuletztMerken(gDateiname);
    return 0;
}

void SpeicherhakenAnmelden() {
    Speicherhaken haken;
    haken.datenGeaendert = DatenAlsGeaendertMarkieren;
    haken.neuAngelegt = [] {
        DateinameZuruecksetzen();
        AlsGespeichertSetzen();
        PaneltitelAktualisieren();
        BearbeitenNeuBeginnen();
    };
    haken.direkttestAktiv = DirekttestAktiv;
    haken.direkttestSenden = [](const Pruefschritt& schritt) {
        Com_ComFehlerSetzen(DirekttestzustandEinstellen(schritt));
    };
    haken.vorher = BearbeitenVorher;
    haken.bearbeitet = BearbeitenNachher;
    haken.gesperrt = BearbeitenGesperrt;
    SpeicherhakenSetzen(haken);
}
