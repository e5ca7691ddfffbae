#include "app/Zuletzt.h"

#include <cstring>

#include "app/Aenderungen.h"
#include "app/Hauptpanel.h"
#include "panels/Direkttest.h"
#include "platform/Datei.h"
#include "platform/Zeichensatz.h"
#include "storage/Dateifunktionen.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/Panelhandles.h"

namespace {

std::vector<std::string> gZuletzt;
// A list longer than this is not one this program wrote.
constexpr long kMaxDateigroesse = 64 * 1024;

bool Brauchbar(const std::string& pfad) {
    if (pfad.empty() || pfad.size() >= kPfadMax) return false;
    for (unsigned char c : pfad)
        if (c < 32 || c == 127) return false;
    return true;
}

void Einreihen(std::vector<std::string>& liste, const std::string& pfad) {
    for (auto it = liste.begin(); it != liste.end();)
        it = *it == pfad ? liste.erase(it) : it + 1;
    liste.insert(liste.begin(), pfad);
    if (liste.size() > kZuletztPlaetze) liste.resize(kZuletztPlaetze);
}

void Schreiben() {
    const std::string datei = ZuletztDatei();
    if (datei.empty()) return;
    std::string text;
    for (const std::string& pfad : gZuletzt) text += pfad + "\n";
    // The list is a convenience: a failed write leaves the old list and says nothing.
    DateiSicherErsetzen(datei.c_str(), text.data(), text.size());
}

}  // namespace

std::string ZuletztDatei() {
    const std::string ordner = BenutzerOrdner();
    if (ordner.empty()) return "";
#ifdef _WIN32
    return ordner + "\\zuletzt.txt";
#else
    return ordner + "/zuletzt.txt";
#endif
}

void ZuletztLaden() {
    gZuletzt.clear();
    const std::string datei = ZuletztDatei();
    int handle = datei.empty() ? -1 : DateiOeffnenZumLesen(datei.c_str());
    if (handle >= 0) {
        std::string text(kMaxDateigroesse + 1, '\0');
        long gelesen = DateiLesen(handle, text.data(), text.size());
        DateiSchliessen(handle);
        if (gelesen > 0 && gelesen <= kMaxDateigroesse) {
            text.resize(static_cast<std::size_t>(gelesen));
            std::vector<std::string> gelesenListe;
            std::size_t anfang = 0;
            while (anfang < text.size()) {
                std::size_t ende = text.find('\n', anfang);
                if (ende == std::string::npos) ende = text.size();
                std::string zeile = text.substr(anfang, ende - anfang);
                if (!zeile.empty() && zeile.back() == '\r') zeile.pop_back();
                if (Brauchbar(zeile)) gelesenListe.push_back(zeile);
                anfang = ende + 1;
            }
            // Oldest first, so that the newest ends up on top.
            for (auto it = gelesenListe.rbegin(); it != gelesenListe.rend(); ++it) Einreihen(gZuletzt, *it);
        }
    }
    ZuletztMenueAktualisieren();
}

void ZuletztMerken(const std::string& pfad) {
    if (!Brauchbar(pfad) || pfad == kUnbenannt) return;
    Einreihen(gZuletzt, pfad);
    Schreiben();
    ZuletztMenueAktualisieren();
}

const std::vector<std::string>& ZuletztListe() { return gZuletzt; }

void ZuletztMenueAktualisieren() {
    const int menue = GetPanelMenuBar(panelHandle);
    if (menue <= 0) return;
    for (int i = 0; i < kZuletztPlaetze; ++i) {
        const bool belegt = i < static_cast<int>(gZuletzt.size());
        // "__" marks the digit as the item's access key; the path is the
        // system's name, the menu shows code page text.
        std::string text = belegt ? "__" + std::to_string(i + 1) + " " + Utf8NachCp1252Ersetzt(gZuletzt[i]) : "";
        SetMenuBarAttribute(menue, MENU_DATEI_ZULETZT_1 + i, ATTR_ITEM_NAME, text.c_str());
        SetMenuBarAttribute(menue, MENU_DATEI_ZULETZT_1 + i, ATTR_VISIBLE, belegt ? 1 : 0);
    }
    SetMenuBarAttribute(menue, MENU_DATEI_ZULETZT, ATTR_DIMMED, gZuletzt.empty() || DirekttestAktiv() ? 1 : 0);
}

void Menu_Zuletzt(int, int menuItem, void*, int) {
    const int platz = menuItem - MENU_DATEI_ZULETZT_1;
    if (platz < 0 || platz >= static_cast<int>(gZuletzt.size()) || DirekttestAktiv()) return;
    const std::string pfad = gZuletzt[platz];
    if (!DateiVorhanden(pfad.c_str())) {
        gZuletzt.erase(gZuletzt.begin() + platz);
        Schreiben();
        ZuletztMenueAktualisieren();
        std::string text =
            "Die Datei " + Utf8NachCp1252Ersetzt(pfad) + " gibt es nicht mehr.\nSie wurde aus der Liste entfernt.";
        MessagePopup("Zuletzt geöffnet", text.c_str());
        return;
    }
    if (AbfrageWennNichtGespeichert() != 0) return;
    OeffnenAbschliessen(DateiLaden(pfad.c_str()));
}
