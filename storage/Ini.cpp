#include "storage/Ini.h"

#include <climits>
#include <cstdio>
#include <map>
#include <new>
#include <string_view>
#include <vector>

#include "platform/Datei.h"

namespace {

constexpr std::size_t kZeilenlaenge = 255;

struct Eintrag {
    std::string schluessel;
    std::string wert;
};

struct Abschnitt {
    std::string name;
    std::vector<Eintrag> eintraege;              // in the order they were put in
    std::map<std::string, std::size_t> index;   // folded key -> position
};

bool IstLeer(char c) { return c == ' ' || c == '\t'; }

std::string_view Beschnitten(std::string_view s) {
    while (!s.empty() && IstLeer(s.front())) s.remove_prefix(1);
    while (!s.empty() && IstLeer(s.back())) s.remove_suffix(1);
    return s;
}

// The form under which a name is looked up and sorted.
std::string Gefaltet(std::string_view name) {
    std::string f(Beschnitten(name));
    for (char& c : f)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return f;
}

}  // namespace

struct IniDokument {
    bool sortieren = true;
    std::vector<Abschnitt> abschnitte;
    std::map<std::string, std::size_t> index;  // folded name -> position

    Abschnitt* Finden(std::string_view name) {
        auto it = index.find(Gefaltet(name));
        return it == index.end() ? nullptr : &abschnitte[it->second];
    }

    std::size_t Stelle(std::string_view name) {
        std::string f = Gefaltet(name);
        auto it = index.find(f);
        if (it != index.end()) return it->second;
        index.emplace(f, abschnitte.size());
        abschnitte.push_back({std::string(Beschnitten(name)), {}, {}});
        return abschnitte.size() - 1;
    }

    Abschnitt& Holen(std::string_view name) { return abschnitte[Stelle(name)]; }

    static void Setzen(Abschnitt& a, std::string_view schluessel, std::string_view wert) {
        std::string f = Gefaltet(schluessel);
        auto it = a.index.find(f);
        if (it != a.index.end()) {
            a.eintraege[it->second].wert = wert;
            return;
        }
        a.index.emplace(f, a.eintraege.size());
        a.eintraege.push_back({std::string(Beschnitten(schluessel)), std::string(wert)});
    }
};

namespace {

// Splits bytes into lines and lines into sections and items, as they arrive.
class Zerleger {
public:
    explicit Zerleger(IniDokument& ziel) : ziel_(ziel) {}

    void Bytes(const char* daten, std::size_t laenge) {
        for (std::size_t i = 0; i < laenge; ++i) {
            char c = daten[i];
            bool nachCr = nachCr_;
            nachCr_ = false;
            if (c == '\n' && nachCr) continue;  // the LF of a CR LF pair
            if (c == '\r' || c == '\n') {
                nachCr_ = c == '\r';
                Zeile();
                continue;
            }
            if (zeile_.size() < kZeilenlaenge) zeile_.push_back(c);
        }
    }

    void Ende() {
        if (!zeile_.empty()) Zeile();
    }

private:
    void Zeile() {
        std::string_view z = zeile_;
        while (!z.empty() && IstLeer(z.front())) z.remove_prefix(1);
        if (!z.empty() && z.front() != ';') {
            std::string_view rest = Beschnitten(z);
            if (rest.size() >= 2 && rest.front() == '[' && rest.back() == ']') {
                abschnitt_ = ziel_.Stelle(rest.substr(1, rest.size() - 2));
            } else if (std::size_t gleich = z.find('='); gleich != std::string_view::npos && abschnitt_ != kKeiner) {
                std::string_view schluessel = Beschnitten(z.substr(0, gleich));
                std::string_view wert = Beschnitten(z.substr(gleich + 1));
                if (!schluessel.empty() && !wert.empty())
                    IniDokument::Setzen(ziel_.abschnitte[abschnitt_], schluessel, wert);
            }
        }
        zeile_.clear();
    }

    static constexpr std::size_t kKeiner = static_cast<std::size_t>(-1);  // items before any section

    IniDokument& ziel_;
    std::size_t abschnitt_ = kKeiner;
    std::string zeile_;
    bool nachCr_ = false;
};

// Takes over what a reading has found: nothing of a failed reading arrives.
void Uebernehmen(IniDokument& dokument, const IniDokument& gelesen) {
    for (const Abschnitt& a : gelesen.abschnitte) {
        Abschnitt& ziel = dokument.Holen(a.name);
        for (const Eintrag& e : a.eintraege) IniDokument::Setzen(ziel, e.schluessel, e.wert);
    }
}

bool Zahl(std::string_view text, int* wert) {
    text = Beschnitten(text);
    bool negativ = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negativ = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    long long betrag = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        betrag = betrag * 10 + (c - '0');
        if (betrag > static_cast<long long>(INT_MAX) + 1) return false;
    }
    long long ergebnis = negativ ? -betrag : betrag;
    if (ergebnis > INT_MAX || ergebnis < INT_MIN) return false;
    *wert = static_cast<int>(ergebnis);
    return true;
}

template <typename T>
std::vector<const T*> InReihenfolge(const std::vector<T>& elemente, const std::map<std::string, std::size_t>& index,
                                    bool sortieren) {
    std::vector<const T*> folge;
    if (sortieren) {
        for (const auto& [name, stelle] : index) folge.push_back(&elemente[stelle]);
    } else {
        for (const T& e : elemente) folge.push_back(&e);
    }
    return folge;
}

}  // namespace

IniText Ini_New(int automatischSortieren) {
    auto* dokument = new (std::nothrow) IniDokument;
    if (dokument) dokument->sortieren = automatischSortieren != 0;
    return dokument;
}

void Ini_Dispose(IniText dokument) { delete dokument; }

int Ini_ReadFromText(IniText dokument, const char* text, std::size_t laenge) {
    if (!dokument || (!text && laenge > 0)) return kIniParameter;
    IniDokument gelesen;
    Zerleger zerleger(gelesen);
    zerleger.Bytes(text, laenge);
    zerleger.Ende();
    Uebernehmen(*dokument, gelesen);
    return 0;
}

int Ini_ReadFromFile(IniText dokument, const char* pfad) {
    if (!dokument || !pfad || !*pfad) return kIniParameter;
    int handle = DateiOeffnenZumLesen(pfad);
    if (handle < 0) return DateiVorhanden(pfad) ? kIniOeffnungsfehler : kIniDateiFehlt;
    IniDokument gelesen;
    Zerleger zerleger(gelesen);
    char puffer[4096];
    long n = 0;
    std::size_t gesamt = 0;
    while ((n = DateiLesen(handle, puffer, sizeof puffer)) > 0) {
        gesamt += static_cast<std::size_t>(n);
        if (gesamt > kIniGroessteDatei) break;
        zerleger.Bytes(puffer, static_cast<std::size_t>(n));
    }
    DateiSchliessen(handle);
    if (n < 0 || gesamt > kIniGroessteDatei) return kIniLesefehler;
    zerleger.Ende();
    Uebernehmen(*dokument, gelesen);
    return 0;
}

std::string Ini_Text(IniText dokument) {
    std::string text;
    if (!dokument) return text;
    for (const Abschnitt* a : InReihenfolge(dokument->abschnitte, dokument->index, dokument->sortieren)) {
        text += "[" + a->name + "]\r\n";
        for (const Eintrag* e : InReihenfolge(a->eintraege, a->index, dokument->sortieren))
            text += e->schluessel + " = " + e->wert + "\r\n";
        text += "\r\n";
    }
    return text;
}

int Ini_WriteToFile(IniText dokument, const char* pfad) {
    if (!dokument || !pfad || !*pfad) return kIniParameter;
    // The temporary file has always been "ini$$N.TMP" beside the target. A
    // write-protected target stays as it is, even where its directory would
    // let it be replaced.
    std::string text = Ini_Text(dokument);
    DateiFehler fehler = DateiFehler::keiner;
    if (DateiSicherErsetzen(pfad, text.data(), text.size(), "ini$$%d.TMP", &fehler) == 0) return 0;
    return fehler == DateiFehler::zielGesperrt ? kIniSchreibgeschuetzt : kIniSchreibfehler;
}

int Ini_PutInt(IniText dokument, const char* abschnitt, const char* schluessel, int wert) {
    if (!dokument || !abschnitt || !schluessel || Beschnitten(schluessel).empty()) return kIniParameter;
    char text[16];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(wert));
    IniDokument::Setzen(dokument->Holen(abschnitt), schluessel, text);
    return 0;
}

int Ini_GetInt(IniText dokument, const char* abschnitt, const char* schluessel, int* wert) {
    if (!dokument || !abschnitt || !schluessel || !wert) return kIniParameter;
    Abschnitt* a = dokument->Finden(abschnitt);
    if (!a) return 0;
    auto it = a->index.find(Gefaltet(schluessel));
    if (it == a->index.end()) return 0;
    return Zahl(a->eintraege[it->second].wert, wert) ? 1 : kIniKeineZahl;
}
