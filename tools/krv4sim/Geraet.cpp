#include "Geraet.h"

#include "Datenladen.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

namespace {

constexpr char ACK = 0x06;
constexpr char NAK = 0x15;
constexpr char CAN = 0x18;
constexpr char CR = '\r';

constexpr int kProgramme = 16;
constexpr int kSchritte = 10;
constexpr size_t kBefehlMax = 31;

enum class Art { Ganz, Hex, Real, Text };
enum class Ort { Programm, Schritt, Kalibrierung };

// The device's own view of its parameters: code, kind, digits, where it is
// kept, and the upper end of its range (for the out-of-range fault).
struct Feld {
    const char* code;
    Art art;
    int stellen;
    Ort ort;
    double max;  // NAN: no range
};

const Feld kFelder[] = {
    {"A1", Art::Ganz, 0, Ort::Programm, 16},       {"N1", Art::Text, 0, Ort::Programm, 20},
    {"N2", Art::Text, 0, Ort::Schritt, 20},        {"L1", Art::Real, 3, Ort::Schritt, NAN},
    {"L2", Art::Real, 3, Ort::Schritt, NAN},       {"G1", Art::Ganz, 0, Ort::Schritt, 9},
    {"L3", Art::Ganz, 0, Ort::Schritt, 4},         {"T1", Art::Ganz, 0, Ort::Schritt, 600},
    {"K1", Art::Hex, 8, Ort::Schritt, 0x7FFFFFFF}, {"K2", Art::Hex, 8, Ort::Schritt, 0x7FFFFFFF},
    {"B1", Art::Hex, 2, Ort::Schritt, 255},        {"W2", Art::Ganz, 0, Ort::Schritt, 65535},
    {"W3", Art::Ganz, 0, Ort::Schritt, 65535},     {"W1", Art::Ganz, 0, Ort::Schritt, 65536},
    {"V1", Art::Real, 3, Ort::Schritt, 40.95},     {"C1", Art::Real, 3, Ort::Schritt, 20.48},
};
constexpr int kKalibrierwerte = 22;

struct Wert {
    long long ganz = 0;
    double real = 0.0;
    std::string text;
};

using Werte = std::map<std::string, Wert>;

struct Geraet {
    char adresse;
    std::string kennung;
    std::array<Werte, kProgramme> programme;
    std::array<std::array<Werte, kSchritte>, kProgramme> schritte;
    std::array<double, kKalibrierwerte + 1> kalibrierung{};
    int programm = 1;
    int schritt = 1;
    int status = 0;
    Zeit pruefEnde{};
};

Einstellungen gEinstellungen;
std::vector<Geraet> gGeraete;
std::vector<int> gTreffer;  // matching commands seen per fault

const Feld* FeldSuchen(const std::string& code, int* kalibrierIndex) {
    *kalibrierIndex = 0;
    for (const auto& f : kFelder) {
        if (code == f.code) {
            return &f;
        }
    }
    static const Feld kKal{"", Art::Real, 6, Ort::Kalibrierung, NAN};
    if (code.size() == 2 && code[0] >= '0' && code[0] <= '2' && code[1] >= '0' && code[1] <= '9') {
        int n = (code[0] - '0') * 10 + (code[1] - '0');
        if (n >= 1 && n <= kKalibrierwerte) {
            *kalibrierIndex = n;
            return &kKal;
        }
    }
    return nullptr;
}

Wert& Ablage(Geraet& g, const Feld& f, int programm, int schritt) {
    if (f.ort == Ort::Programm) {
        return g.programme[programm - 1][f.code];
    }
    return g.schritte[programm - 1][schritt - 1][f.code];
}

bool WertParsen(const Feld& f, const std::string& s, Wert* w) {
    const char* a = s.data();
    const char* e = s.data() + s.size();
    switch (f.art) {
        case Art::Ganz: {
            long long v = 0;
            auto [p, ec] = std::from_chars(a, e, v, 10);
            if (ec != std::errc() || p != e) {
                return false;
            }
            w->ganz = v;
            return true;
        }
        case Art::Hex: {
            std::uint32_t v = 0;
            auto [p, ec] = std::from_chars(a, e, v, 16);
            if (ec != std::errc() || p != e) {
                return false;
            }
            w->ganz = v;
            return true;
        }
        case Art::Real: {
            double v = 0;
            auto [p, ec] = std::from_chars(a, e, v);
            if (ec != std::errc() || p != e || !std::isfinite(v)) {
                return false;
            }
            w->real = v;
            return true;
        }
        case Art::Text:
            w->text = s;
            return true;
    }
    return false;
}

std::string WertText(const Feld& f, const Wert& w) {
    char puffer[400];
    switch (f.art) {
        case Art::Ganz:
            return std::to_string(w.ganz);
        case Art::Hex:
            std::snprintf(puffer, sizeof puffer, "%0*llX", f.stellen, static_cast<unsigned long long>(w.ganz));
            return puffer;
        case Art::Real: {
            auto r = std::to_chars(puffer, puffer + sizeof puffer, w.real, std::chars_format::fixed, f.stellen);
            return std::string(puffer, r.ptr);
        }
        case Art::Text:
            return w.text;
    }
    return {};
}

// The value of the out-of-range fault: just past the upper end.
std::string BereichVerletzt(const Feld& f, const Wert& w) {
    if (std::isnan(f.max)) {
        return WertText(f, w);
    }
    Wert falsch = w;
    switch (f.art) {
        case Art::Ganz:
        case Art::Hex:
            falsch.ganz = static_cast<long long>(f.max) + 1;
            break;
        case Art::Real:
            falsch.real = f.max + 1.0;
            break;
        case Art::Text:
            falsch.text.clear();
            break;
    }
    return WertText(f, falsch);
}

void GeraetZuruecksetzen(Geraet& g) {
    for (int p = 0; p < kProgramme; ++p) {
        g.programme[p]["A1"].ganz = 1;
        g.programme[p]["N1"].text = "Programm " + std::to_string(p + 1);
        for (int s = 0; s < kSchritte; ++s) {
            Werte& w = g.schritte[p][s];
            for (const auto& f : kFelder) {
                if (f.ort == Ort::Schritt) {
                    w[f.code] = Wert{};
                }
            }
            w["N2"].text = "Schritt " + std::to_string(s + 1);
            w["G1"].ganz = 1;
            w["L3"].ganz = 1;
            // Valid as read back: pulse off time 10 ms, one cycle.
            w["W3"].ganz = 100;
            w["W1"].ganz = 1;
        }
    }
    for (int k = 1; k <= kKalibrierwerte; ++k) {
        g.kalibrierung[k] = k % 2 ? 1.0 : 0.0;  // gains 1.0, offsets 0.0
    }
}

// A test that has run its time ends with its result.
void StatusFortschreiben(Geraet& g, Zeit jetzt) {
    if ((g.status & 0x01) && jetzt >= g.pruefEnde) {
        g.status = (g.status & 0x40) | (gEinstellungen.nichtBestanden ? 0x04 : 0x02);
    }
}

bool Passt(const std::string& muster, const std::string& text) {
    if (muster == "*") {
        return true;
    }
    if (muster.size() != text.size()) {
        return false;
    }
    for (size_t i = 0; i < muster.size(); ++i) {
        if (muster[i] != '?' && muster[i] != text[i]) {
            return false;
        }
    }
    return true;
}

// The fault that hits this command, if any (each fault counts its matches).
const Stoerung* StoerungFinden(char adresse, const std::string& befehl) {
    const Stoerung* gefunden = nullptr;
    for (size_t i = 0; i < gEinstellungen.stoerungen.size(); ++i) {
        const Stoerung& s = gEinstellungen.stoerungen[i];
        if (!Passt(s.adresse, std::string(1, adresse)) || !Passt(s.befehl, befehl)) {
            continue;
        }
        int n = gTreffer[i]++;
        if (n < s.auslassen || (s.anzahl >= 0 && n >= s.auslassen + s.anzahl)) {
            continue;
        }
        if (!gefunden) {
            gefunden = &s;
        }
    }
    return gefunden;
}

struct Ergebnis {
    bool ok = false;      // ACK
    std::string antwort;  // reply text after ACK, CR included
    std::string kopfAnders;  // reply header with another parameter or type
    std::string wertBereich;  // reply value out of range
};

// Carries out one command on one device. Returns false for NAK.
Ergebnis Ausfuehren(Geraet& g, const std::string& befehl, const std::string& wert, Zeit jetzt) {
    Ergebnis e;
    StatusFortschreiben(g, jetzt);
    const std::string kopf = std::string("#") + g.adresse + befehl;
    if (befehl == "IDR" && wert.empty()) {
        e.ok = true;
        e.antwort = std::string("#") + g.adresse + g.kennung + CR;
        e.kopfAnders = e.antwort;
        e.wertBereich = e.antwort;
        return e;
    }
    if (befehl[0] == 'D' && befehl[1] == 'F' && wert.empty()) {
        switch (befehl[2]) {
            case '1':
                g.status = (g.status & 0x40) | 0x01;
                g.pruefEnde = jetzt + gEinstellungen.pruefdauer;
                break;
            case '2':
                g.status = 0x08;
                break;
            case '3':
                g.status = 0x40;
                break;
            case '5':
                break;
            default:
                return e;
        }
        e.ok = true;
        return e;
    }
    if (befehl == "P1S") {
        int p = 0;
        int s = 0;
        if (wert.size() != 4 || std::from_chars(wert.data(), wert.data() + 2, p).ptr != wert.data() + 2 ||
            std::from_chars(wert.data() + 2, wert.data() + 4, s).ptr != wert.data() + 4 || p < 1 ||
            p > kProgramme || s < 1 || s > kSchritte) {
            return e;
        }
        g.programm = p;
        g.schritt = s;
        e.ok = true;
        return e;
    }
    if ((befehl == "S1R" || befehl == "S2R") && wert.empty()) {
        char text[3];
        std::snprintf(text, sizeof text, "%02X", befehl[1] == '1' ? g.status : 0);
        e.ok = true;
        e.antwort = kopf + text + CR;
        e.kopfAnders = std::string("#") + g.adresse + (befehl[1] == '1' ? "S2R" : "S1R") + text + CR;
        e.wertBereich = e.antwort;
        return e;
    }
    int kal = 0;
    const Feld* f = FeldSuchen(befehl.substr(0, 2), &kal);
    if (!f) {
        return e;
    }
    Wert leer;
    Wert* w = &leer;
    if (f->ort == Ort::Kalibrierung) {
        leer.real = g.kalibrierung[kal];
    } else {
        w = &Ablage(g, *f, g.programm, g.schritt);
    }
    if (befehl[2] == 'W') {
        Wert neu = *w;
        if (!WertParsen(*f, wert, &neu)) {
            return e;
        }
        if (f->ort == Ort::Kalibrierung) {
            g.kalibrierung[kal] = neu.real;
        } else {
            *w = neu;
        }
        e.ok = true;
        return e;
    }
    if (befehl[2] == 'R' && wert.empty()) {
        e.ok = true;
        e.antwort = kopf + WertText(*f, *w) + CR;
        // Another parameter: the code one letter or digit further on.
        std::string anders = befehl;
        anders[1] = anders[1] == '9' ? '8' : static_cast<char>(anders[1] + 1);
        e.kopfAnders = std::string("#") + g.adresse + anders + WertText(*f, *w) + CR;
        e.wertBereich = kopf + BereichVerletzt(*f, *w) + CR;
        return e;
    }
    return e;
}

Geraet* GeraetSuchen(char adresse) {
    for (auto& g : gGeraete) {
        if (g.adresse == adresse) {
            return &g;
        }
    }
    return nullptr;
}

}  // namespace

bool StoerungLesen(const std::string& text, Stoerung* s, std::string* fehler) {
    std::vector<std::string> teile;
    std::stringstream ss(text);
    for (std::string t; std::getline(ss, t, ':');) {
        teile.push_back(t);
    }
    if (teile.size() < 3 || teile.size() > 5) {
        *fehler = "Störung \"" + text + "\": erwartet ADRESSE:BEFEHL:ART[:ANZAHL[:AUSLASSEN]]";
        return false;
    }
    static const std::map<std::string, Stoerart> kArten = {
        {"silent", Stoerart::Stumm},        {"nak", Stoerart::Nak},
        {"can", Stoerart::Can},             {"wrongbyte", Stoerart::FalschesByte},
        {"malformed", Stoerart::Verformt},  {"nocr", Stoerart::OhneCr},
        {"overlong", Stoerart::Ueberlang},  {"otherparam", Stoerart::AndererWert},
        {"otheraddr", Stoerart::AndereAdresse}, {"range", Stoerart::Bereich},
        {"slow", Stoerart::Langsam},
    };
    auto art = kArten.find(teile[2]);
    if ((teile[0] != "*" && teile[0].size() != 1) || (teile[1] != "*" && teile[1].size() != 3) ||
        art == kArten.end()) {
        *fehler = "Störung \"" + text + "\": unbekannte Adresse, Befehl oder Art";
        return false;
    }
    s->adresse = teile[0];
    s->befehl = teile[1];
    s->art = art->second;
    auto zahl = [&](const std::string& t, int* z) {
        auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), *z);
        return ec == std::errc() && p == t.data() + t.size() && *z >= 0;
    };
    if ((teile.size() > 3 && !zahl(teile[3], &s->anzahl)) || (teile.size() > 4 && !zahl(teile[4], &s->auslassen))) {
        *fehler = "Störung \"" + text + "\": ANZAHL und AUSLASSEN sind Zahlen ab 0";
        return false;
    }
    return true;
}

void GeraeteAnlegen(const Einstellungen& e) {
    gEinstellungen = e;
    gTreffer.assign(e.stoerungen.size(), 0);
    gGeraete.clear();
    long nummer = e.seriennummer;
    for (char a : e.adressen) {
        Geraet g;
        g.adresse = a;
        g.kennung = "QVLKRV4-TST1-" + std::to_string(nummer++);
        GeraetZuruecksetzen(g);
        gGeraete.push_back(std::move(g));
    }
}

bool VorbelegungLaden(const std::string& pfad, std::string* fehler) {
    std::string inhalt;
    return GewoehnlicheDateiLesen(pfad, kEingabeGrenze, &inhalt, fehler) &&
           VorbelegungUebernehmen(inhalt, pfad, fehler);
}

bool VorbelegungUebernehmen(const std::string& text, const std::string& pfad, std::string* fehler) {
    std::istringstream datei(text);
    std::string zeile;
    for (int nr = 1; std::getline(datei, zeile); ++nr) {
        if (!zeile.empty() && zeile.back() == '\r') {
            zeile.pop_back();
        }
        auto melden = [&](const std::string& was) {
            *fehler = pfad + ":" + std::to_string(nr) + ": " + was;
            return false;
        };
        size_t pos = zeile.find_first_not_of(' ');
        if (pos == std::string::npos || zeile[pos] == ';') {
            continue;
        }
        // One word after the other; the value is the rest of the line.
        auto wort = [&]() {
            size_t a = zeile.find_first_not_of(' ', pos);
            if (a == std::string::npos) {
                pos = zeile.size();
                return std::string();
            }
            size_t b = zeile.find(' ', a);
            if (b == std::string::npos) {
                b = zeile.size();
            }
            pos = b;
            return zeile.substr(a, b - a);
        };
        auto rest = [&]() { return pos < zeile.size() ? zeile.substr(pos + 1) : std::string(); };
        std::vector<Geraet*> ziele;
        std::string w = wort();
        if (w.size() == 2 && w[0] == '@') {
            Geraet* g = GeraetSuchen(w[1]);
            if (!g) {
                return melden("kein Gerät mit Adresse " + w.substr(1));
            }
            ziele.push_back(g);
            w = wort();
        } else {
            for (auto& g : gGeraete) {
                ziele.push_back(&g);
            }
        }
        auto nummer = [](const std::string& t, int min, int max, int* n) {
            auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), *n);
            return ec == std::errc() && p == t.data() + t.size() && *n >= min && *n <= max;
        };
        if (w == "ID") {
            std::string id = rest();
            if (id.empty() || id.size() > 26 || id.find_first_of(" \t\r") != std::string::npos) {
                return melden("Kennung: 1 bis 26 Zeichen ohne Leerzeichen");
            }
            for (Geraet* g : ziele) {
                g->kennung = id;
            }
            continue;
        }
        if (w == "STATUS") {
            int s = 0;
            std::string t = wort();
            auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), s, 16);
            if (ec != std::errc() || p != t.data() + t.size() || s < 0 || s > 255) {
                return melden("Status: zwei Hexadezimalziffern");
            }
            for (Geraet* g : ziele) {
                g->status = s;
            }
            continue;
        }
        int programm = 1;
        int schritt = 1;
        if (w == "K") {
            programm = 0;
        } else if (w.size() > 1 && w[0] == 'P' && nummer(w.substr(1), 1, kProgramme, &programm)) {
            std::string s = wort();
            if (s.size() > 1 && s[0] == 'S') {
                if (!nummer(s.substr(1), 1, kSchritte, &schritt)) {
                    return melden("Schritt 1 bis 10 erwartet");
                }
                w = wort();
            } else {
                w = s;
                schritt = 0;
            }
        } else {
            return melden("erwartet ID, STATUS, K CODE WERT, P<n> CODE WERT oder P<n> S<m> CODE WERT");
        }
        std::string code = programm == 0 ? wort() : w;
        int kal = 0;
        const Feld* f = FeldSuchen(code, &kal);
        bool passt = f && ((programm == 0) == (f->ort == Ort::Kalibrierung)) &&
                     (f->ort != Ort::Programm || schritt == 0) && (f->ort != Ort::Schritt || schritt != 0);
        if (!passt) {
            return melden("Parameter \"" + code + "\" passt nicht zu dieser Zeile");
        }
        Wert wert;
        if (!WertParsen(*f, rest(), &wert)) {
            return melden("Wert \"" + rest() + "\" passt nicht zum Parameter " + code);
        }
        for (Geraet* g : ziele) {
            if (f->ort == Ort::Kalibrierung) {
                g->kalibrierung[kal] = wert.real;
            } else {
                Ablage(*g, *f, programm, schritt == 0 ? 1 : schritt) = wert;
            }
        }
    }
    return true;
}

Antwort RahmenAusfuehren(const std::string& rahmen, Zeit jetzt) {
    Antwort a;
    // "#", address, three command characters, value, CR.
    if (rahmen.size() < 6 || rahmen[0] != '#' || rahmen.back() != CR) {
        return a;
    }
    const char adresse = rahmen[1];
    const std::string befehl = rahmen.substr(2, 3);
    const std::string wert = rahmen.substr(5, rahmen.size() - 6);
    std::vector<Geraet*> ziele;
    if (adresse == '&') {
        for (auto& g : gGeraete) {
            ziele.push_back(&g);
        }
    } else if (Geraet* g = GeraetSuchen(adresse)) {
        ziele.push_back(g);
    } else {
        return a;  // another device's command
    }
    const Stoerung* s = StoerungFinden(adresse, befehl);
    if (s && adresse != '&') {
        switch (s->art) {
            case Stoerart::Stumm: return a;
            case Stoerart::Nak: a.bytes = NAK; return a;
            case Stoerart::Can: a.bytes = CAN; return a;
            case Stoerart::FalschesByte: a.bytes = "#"; return a;
            default: break;
        }
    }
    Ergebnis e;
    for (Geraet* g : ziele) {
        e = rahmen.size() > kBefehlMax ? Ergebnis{} : Ausfuehren(*g, befehl, wert, jetzt);
    }
    if (adresse == '&') {
        return a;  // nobody answers the collective address
    }
    if (!e.ok) {
        a.bytes = NAK;
        return a;
    }
    std::string antwort = e.antwort;
    if (s && !antwort.empty()) {
        switch (s->art) {
            case Stoerart::Verformt: antwort[0] = '?'; break;
            case Stoerart::OhneCr: antwort.pop_back(); break;
            case Stoerart::Ueberlang:
                antwort.pop_back();
                antwort += std::string(40 - std::min<size_t>(antwort.size(), 39), 'X') + CR;
                break;
            case Stoerart::AndererWert: antwort = e.kopfAnders; break;
            case Stoerart::AndereAdresse: antwort[1] = adresse == '1' ? '2' : '1'; break;
            case Stoerart::Bereich: antwort = e.wertBereich; break;
            default: break;
        }
    }
    if (s && s->art == Stoerart::Langsam) {
        a.verzoegerung = gEinstellungen.langsam;
    }
    a.bytes = std::string(1, ACK) + antwort;
    return a;
}
