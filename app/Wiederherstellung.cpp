#include "app/Wiederherstellung.h"

#include <cstring>
#include <ctime>

#include "app/Aenderungen.h"
#include "model/Programmverwaltung.h"
#include "platform/Datei.h"
#include "storage/Dateifunktionen.h"
#include "toolkit/Toolkit.h"

namespace {

constexpr std::size_t kZeitMax = 32;
// The block, the time and the name, each text with its NUL.
constexpr std::size_t kDateiMax = kDatenblockGroesse + kZeitMax + kPfadMax + 2;

// The text from pos up to its NUL, at most max bytes, printable only.
bool TextLesen(const std::string& inhalt, std::size_t& pos, std::size_t max, std::string* text) {
    std::size_t ende = inhalt.find('\0', pos);
    if (ende == std::string::npos || ende == pos || ende - pos > max) return false;
    for (std::size_t i = pos; i < ende; ++i)
        if (static_cast<unsigned char>(inhalt[i]) < 0x20) return false;
    *text = inhalt.substr(pos, ende - pos);
    pos = ende + 1;
    return true;
}

}  // namespace

int WiederherstellungSchreiben() {
    ProgrammverwaltungVorDateiSpeichern();
    Datenblock block;
    DatenblockErstellen(block);
    std::string inhalt(reinterpret_cast<const char*>(&block), sizeof block);
    char zeit[kZeitMax] = "";
    const std::time_t jetzt = std::time(nullptr);
    if (const std::tm* t = std::localtime(&jetzt)) std::strftime(zeit, sizeof zeit, "%d.%m.%Y %H:%M", t);
    if (zeit[0] == '\0') std::strcpy(zeit, "?");
    inhalt += zeit;
    inhalt += '\0';
    inhalt += gDateiname[0] != '\0' ? gDateiname : kUnbenannt;
    inhalt += '\0';
    return DateiSicherErsetzen(kWiederherstellungsdatei, inhalt.data(), inhalt.size()) == 0 ? 0 : -1;
}

bool WiederherstellungPruefen(const unsigned char* bytes, std::size_t laenge, Wiederherstellungsdaten* daten) {
    if (bytes == nullptr || laenge < kDatenblockGroesse || laenge > kDateiMax) return false;
    if (DatenblockPruefen(bytes, kDatenblockGroesse) != 0) return false;
    const std::string inhalt(reinterpret_cast<const char*>(bytes), laenge);
    std::size_t pos = kDatenblockGroesse;
    Wiederherstellungsdaten gelesen;
    if (!TextLesen(inhalt, pos, kZeitMax - 1, &gelesen.zeit)) return false;
    if (!TextLesen(inhalt, pos, kPfadMax - 1, &gelesen.dateiname) || pos != inhalt.size()) return false;
    if (daten) *daten = gelesen;
    return true;
}

bool WiederherstellungLesen(Wiederherstellungsdaten* daten, std::string* blockAusgabe) {
    int handle = DateiOeffnenZumLesen(kWiederherstellungsdatei);
    if (handle < 0) return false;
    // One byte more than the largest file, to tell a foreign file apart.
    std::string inhalt(kDateiMax + 1, '\0');
    long n = DateiLesen(handle, inhalt.data(), inhalt.size());
    DateiSchliessen(handle);
    if (n < 0) return false;
    inhalt.resize(static_cast<std::size_t>(n));
    if (!WiederherstellungPruefen(reinterpret_cast<const unsigned char*>(inhalt.data()), inhalt.size(), daten))
        return false;
    if (blockAusgabe) *blockAusgabe = inhalt.substr(0, kDatenblockGroesse);
    return true;
}

bool WiederherstellungAnbieten() {
    Wiederherstellungsdaten daten;
    std::string block;
    if (!WiederherstellungLesen(&daten, &block)) return false;
    std::string frage = "Nicht gespeicherte Daten vom " + daten.zeit + " wiederherstellen?";
    enum { JA = 1, NEIN = 2 };
    int antwort = GenericMessagePopup("Daten wiederherstellen", frage.c_str(), "Ja", "Nein", "", JA, JA, NEIN);
    // Ended again before anyone answered: the file stays for the next start.
    if (UserInterfaceAborted()) return false;
    if (antwort != JA) {
        DateiEntfernen(kWiederherstellungsdatei);
        return false;
    }
    if (DatenblockUebernehmen(reinterpret_cast<const unsigned char*>(block.data()), block.size()) != 0) return false;
    DateinameSetzen(daten.dateiname.c_str());
    PaneltitelAktualisieren();
    DatenAlsGeaendertMarkieren();
    DateiEntfernen(kWiederherstellungsdatei);
    return true;
}
