#include "transfer/Geraet.h"

#include <cstdio>

std::string FakeKrv4::Schluessel(int programm, int schritt, const std::string& code) {
    char s[32];
    if (code == "A1" || code == "N1") std::snprintf(s, sizeof s, "P%02d:%s", programm, code.c_str());
    else std::snprintf(s, sizeof s, "P%02dS%02d:%s", programm, schritt, code.c_str());
    return s;
}

void FakeKrv4::Setzen(int programm, int schritt, const std::string& code, const std::string& wert) {
    werte[Schluessel(programm, schritt, code)] = wert;
}

void FakeKrv4::SchrittAnlegen(int p, int s) {
    const std::pair<const char*, std::string> felder[] = {
        {"N2", "S" + std::to_string(p) + "." + std::to_string(s)},
        {"L1", "0.000"}, {"L2", "10.000"}, {"G1", "1"}, {"L3", "1"}, {"T1", "2"},
        {"K1", "00A80000"}, {"K2", "00000000"}, {"B1", "00"}, {"W2", "0"}, {"W3", "100"}, {"W1", "1"},
        {"V1", "0.000"}, {"C1", "0.000"},
    };
    for (const auto& [code, wert] : felder) Setzen(p, s, code, wert);
}

void FakeKrv4::ProgrammAnlegen(int p, const std::string& name, int schritte) {
    Setzen(p, 1, "N1", name);
    Setzen(p, 1, "A1", std::to_string(schritte));
    for (int s = 1; s <= schritte && s <= 10; ++s) SchrittAnlegen(p, s);
}

int FakeKrv4::write(const char* buffer, int count) {
    int n = MemorySerialPort::write(buffer, count);
    if (n != count) return n;
    std::string r(buffer, static_cast<size_t>(count));
    const int nummer = static_cast<int>(rahmen.size());
    rahmen.push_back(r);
    if (beiSchreiben) beiSchreiben();
    if (r.size() < 6 || r[0] != '#' || r.back() != '\r') return n;
    const char adresse = r[1];
    if (adresse == '&') return n;
    if (nummer == stoerBefehl_) {
        switch (stoerArt_) {
            case Stoerung::Nak: queueInput("\x15"); return n;
            case Stoerung::Can: queueInput("\x18"); return n;
            case Stoerung::Stumm: return n;
            case Stoerung::FalschesByte: queueInput("#"); return n;
            case Stoerung::Keine: break;
        }
    }
    const std::string befehl = r.substr(2, 3);
    const std::string wert = r.substr(5, r.size() - 6);
    if (befehl == "P1S") {
        programm_ = std::stoi(wert.substr(0, 2));
        schritt_ = std::stoi(wert.substr(2, 2));
        queueInput("\x06");
    } else if (befehl[2] == 'W') {
        werte[Schluessel(programm_, schritt_, befehl.substr(0, 2))] = wert;
        queueInput("\x06");
    } else if (befehl[2] == 'R') {
        auto it = werte.find(Schluessel(programm_, schritt_, befehl.substr(0, 2)));
        std::string antwort = std::string("\x06#") + adresse + befehl + (it == werte.end() ? "0" : it->second) + "\r";
        queueInput(antwort);
    } else {
        queueInput("\x15");
    }
    return n;
}
