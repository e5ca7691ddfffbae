#include "app/Bearbeiten.h"

#include <string>

#include "app/Aenderungen.h"
#include "app/Zuletzt.h"
#include "model/Verlauf.h"
#include "panels/Direkttest.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/Panelhandles.h"

namespace {

bool gGesperrt = false;

void MenuepunktSetzen(int punkt, const char* text, bool moeglich, const std::string& was) {
    const int menue = GetPanelMenuBar(panelHandle);
    if (menue <= 0) return;
    const bool frei = moeglich && !gGesperrt && !DirekttestAktiv();
    SetMenuBarAttribute(menue, punkt, ATTR_DIMMED, frei ? 0 : 1);
    std::string name = text;
    if (moeglich && !was.empty()) name += ": " + was;
    SetMenuBarAttribute(menue, punkt, ATTR_ITEM_NAME, name.c_str());
}

// Back at what the file holds, nothing needs saving; anywhere else it does.
void GeaendertNachVerlauf() {
    if (VerlaufBeimGespeicherten()) gDatenGeaendert = false;
    else DatenAlsGeaendertMarkieren();
}

}  // namespace

void BearbeitenNeuBeginnen() {
    VerlaufBeginnen();
    BearbeitenAktualisieren();
}

void BearbeitenAktualisieren() {
    MenuepunktSetzen(MENU_BEARBEITEN_RUECKGAENGIG, "Rückgängig", VerlaufKannRueckgaengig(),
                     VerlaufRueckgaengigName());
    MenuepunktSetzen(MENU_BEARBEITEN_WIEDERHERSTELLEN, "Wiederherstellen", VerlaufKannWiederherstellen(),
                     VerlaufWiederherstellenName());
}

void BearbeitenVorher() { VerlaufVorher(); }

void BearbeitenNachher(const char* was) {
    VerlaufNachher(was);
    BearbeitenAktualisieren();
}

void BearbeitenGesperrt(bool an) {
    gGesperrt = an;
    BearbeitenAktualisieren();
    ZuletztMenueAktualisieren();
    // Like "Öffnen", a dropped file waits until the store is free again.
    SetPanelAttribute(panelHandle, ATTR_DROP_FILE_TYPES, an ? "" : "*.krv");
}

void Menu_Bearbeiten(int, int menuItem, void*, int) {
    if (gGesperrt || DirekttestAktiv()) return;
    if (menuItem == MENU_BEARBEITEN_RUECKGAENGIG) VerlaufRueckgaengig();
    else if (menuItem == MENU_BEARBEITEN_WIEDERHERSTELLEN) VerlaufWiederherstellen();
    else return;
    GeaendertNachVerlauf();
    BearbeitenAktualisieren();
}
