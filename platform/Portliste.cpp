#include "platform/Portliste.h"

#include <cstdlib>
#include <cstring>

#include "platform/Datei.h"

namespace {

std::string gZuordnungsdatei = kZuordnungsdatei;

constexpr std::size_t kDateiMax = 64 * 1024;
constexpr char kAbschnitt[] = "[Schnittstellen]";

bool Leer(char c) { return c == ' ' || c == '\t'; }

std::string_view Gestutzt(std::string_view s) {
    while (!s.empty() && Leer(s.front())) s.remove_prefix(1);
    while (!s.empty() && Leer(s.back())) s.remove_suffix(1);
    return s;
}

// "com1" to "com6" in any case: the number, else 0.
int ComSchluessel(std::string_view s) {
    if (s.size() != 4) return 0;
    auto klein = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (klein(s[0]) != 'c' || klein(s[1]) != 'o' || klein(s[2]) != 'm') return 0;
    return s[3] >= '1' && s[3] <= '6' ? s[3] - '0' : 0;
}

bool Gleich(const std::string& a, const std::string& b) {
#ifdef _WIN32
    // Windows' device names know no case.
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto klein = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (klein(a[i]) != klein(b[i])) return false;
    }
    return true;
#else
    return a == b;
#endif
}

// A present port that a path names, by the name it is opened with or by the device itself.
const Schnittstelle* Finden(const std::vector<Schnittstelle>& liste, const std::string& pfad) {
    for (const Schnittstelle& s : liste)
        if (Gleich(s.pfad, pfad) || Gleich(s.geraet, pfad)) return &s;
    return nullptr;
}

}  // namespace

std::string SchnittstelleBeschreiben(const Schnittstelle& s) {
    if (!s.name.empty()) return s.name;
    std::string text = s.geraet;
    std::string wer = s.hersteller;
    if (!s.produkt.empty()) wer += (wer.empty() ? "" : " ") + s.produkt;
    if (!wer.empty()) text += " · " + wer;
    if (!s.seriennummer.empty()) text += " · " + s.seriennummer;
    return text;
}

void ZuordnungsdateiSetzen(const std::string& pfad) { gZuordnungsdatei = pfad.empty() ? kZuordnungsdatei : pfad; }

const std::string& Zuordnungsdatei() { return gZuordnungsdatei; }

std::string ZuordnungAlsText(const PortZuordnung& z) {
    std::string text = std::string(kAbschnitt) + "\r\n";
    for (int n = 1; n <= 6; ++n)
        if (!z.pfad[n - 1].empty()) text += "com" + std::to_string(n) + " = " + z.pfad[n - 1] + "\r\n";
    return text + "\r\n";
}

void ZuordnungAusText(std::string_view text, PortZuordnung* z) {
    *z = PortZuordnung{};
    while (!text.empty()) {
        std::size_t ende = text.find_first_of("\r\n");
        std::string_view zeile = text.substr(0, ende);
        text.remove_prefix(ende == std::string_view::npos ? text.size() : ende + 1);
        std::size_t gleich = zeile.find('=');
        if (gleich == std::string_view::npos) continue;
        int n = ComSchluessel(Gestutzt(zeile.substr(0, gleich)));
        std::string_view wert = Gestutzt(zeile.substr(gleich + 1));
        if (n == 0 || wert.empty() || wert.size() > kPfadMax) continue;
        // A name with control characters is no device the program could have written.
        bool gut = true;
        for (char c : wert) gut = gut && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
        if (gut) z->pfad[n - 1] = std::string(wert);
    }
}

int ZuordnungLesen(PortZuordnung* z) {
    *z = PortZuordnung{};
    const char* pfad = gZuordnungsdatei.c_str();
    if (!DateiVorhanden(pfad)) return 0;
    int h = DateiOeffnenZumLesen(pfad);
    if (h < 0) return -1;
    std::string text(kDateiMax, '\0');
    long n = DateiLesen(h, text.data(), text.size());
    DateiSchliessen(h);
    if (n < 0) return -1;
    text.resize(static_cast<std::size_t>(n));
    ZuordnungAusText(text, z);
    return 0;
}

int ZuordnungSchreiben(const PortZuordnung& z) {
    std::string text = ZuordnungAlsText(z);
    return DateiSicherErsetzen(gZuordnungsdatei.c_str(), text.data(), text.size()) == 0 ? 0 : -1;
}

PortBelegung PortBelegen(int port, const std::vector<Schnittstelle>& liste, const PortZuordnung& z,
                         const char* umgebung) {
    PortBelegung b;
    if (port < 1 || port > 6) return b;
    auto uebernehmen = [&](const std::string& pfad, PortHerkunft herkunft) {
        b.pfad = pfad;
        b.herkunft = herkunft;
        if (const Schnittstelle* s = Finden(liste, pfad)) {
            b.vorhanden = true;
            b.schnittstelle = *s;
        } else if (herkunft != PortHerkunft::Voreinstellung && DateiVorhanden(pfad.c_str())) {
            // A device the list does not know (a simulator's line): there, but nothing more is known.
            b.vorhanden = true;
            b.schnittstelle.pfad = pfad;
            b.schnittstelle.geraet = pfad;
        }
    };
    if (umgebung && *umgebung) {
        uebernehmen(umgebung, PortHerkunft::Umgebung);
        return b;
    }
    if (!z.pfad[port - 1].empty()) {
        uebernehmen(z.pfad[port - 1], PortHerkunft::Zuordnung);
        return b;
    }
#ifdef _WIN32
    uebernehmen("\\\\.\\COM" + std::to_string(port), PortHerkunft::Voreinstellung);
#else
    // The free numbers below this one take the unchosen ports before it.
    int vorher = 0;
    for (int n = 1; n < port; ++n) vorher += z.pfad[n - 1].empty() ? 1 : 0;
    for (const Schnittstelle& s : liste) {
        bool gewaehlt = false;
        for (const std::string& p : z.pfad) gewaehlt = gewaehlt || (!p.empty() && (p == s.pfad || p == s.geraet));
        if (gewaehlt) continue;
        if (vorher-- == 0) {
            uebernehmen(s.pfad, PortHerkunft::Voreinstellung);
            break;
        }
    }
#endif
    return b;
}

PortBelegung PortBelegungHolen(int port) {
    PortZuordnung z;
    ZuordnungLesen(&z);
    std::string variable = "KRV4_COM" + std::to_string(port);
    return PortBelegen(port, SchnittstellenAuflisten(), z, std::getenv(variable.c_str()));
}

std::string PortZeile(int port, const PortBelegung& b) {
    std::string com = "COM " + std::to_string(port);
    switch (b.herkunft) {
        case PortHerkunft::Keine:
            return com + ": keine serielle Schnittstelle vorhanden";
        case PortHerkunft::Umgebung:
            return com + " = " + b.pfad + " (KRV4_COM" + std::to_string(port) + ")";
        case PortHerkunft::Zuordnung:
        case PortHerkunft::Voreinstellung:
            break;
    }
    // Windows' own number may work without the system listing it (a port of Wine, say).
    if (!b.vorhanden && b.herkunft == PortHerkunft::Voreinstellung)
        return com + " = " + b.pfad + " (nicht in der Geräteliste)";
    if (!b.vorhanden) return com + " = " + b.pfad + " (nicht angeschlossen)";
    return com + " = " + SchnittstelleBeschreiben(b.schnittstelle);
}
