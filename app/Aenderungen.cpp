#include "app/Aenderungen.h"

#include <cstdio>
#include <string>

#include "app/Krv4Steuerung.h"

bool gDatenGeaendert = false;
char gDateiname[kMaxPathname] = "Unbenannt";

void DatenAlsGeaendertMarkieren() { gDatenGeaendert = true; }

void AlsGespeichertSetzen() { gDatenGeaendert = false; }

void DateinameZuruecksetzen() { DateinameSetzen(kUnbenannt); }

void DateinameSetzen(const char* pfad) { std::snprintf(gDateiname, sizeof gDateiname, "%s", pfad ? pfad : ""); }

void PaneltitelAktualisieren() {
    std::string laufwerk, verzeichnis, datei;
    SplitPath(gDateiname, laufwerk, verzeichnis, datei);
    std::string titel = std::string(gPaneltitle) + " - " + datei;
    SetPanelAttribute(panelHandle, ATTR_TITLE, titel.c_str());
}
