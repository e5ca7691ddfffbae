// krv4: one command to a KRV-4 from the shell, through the program's driver.
// Exit status 0 on success, 1 when the port, the device, a file or the trace
// fails, 2 on bad usage, 3 when compare found differences, 4 when an operation
// was refused or cancelled.

#include <CLI/CLI.hpp>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Spur.h"
#include "Uebertragung.h"
#include "platform/Zeichensatz.h"
#include "device/qvlkrv4.h"
#include "errors/QVL_errorV3.h"
#include "platform/Datei.h"
#include "platform/Portliste.h"
#include "platform/SerialPort.h"

namespace {

int Fehler(int code) {
    std::fprintf(stderr, "Fehler #%d: %s\n", -code, Cp1252NachUtf8(QVL_Fehlermeldung(code)).c_str());
    return 1;
}

int Falsch(const std::string& text) {
    std::fprintf(stderr, "krv4: %s\n", text.c_str());
    return 2;
}

// A trace that could not be written in full is a failure of its own.
int SpurSchliessen(FILE* datei, const std::string& name, int status) {
    if (!datei) {
        return status;
    }
    const bool fehler = std::ferror(datei) != 0;
    if (std::fclose(datei) == 0 && !fehler) {
        return status;
    }
    std::fprintf(stderr, "krv4: Spurdatei %s lässt sich nicht schreiben\n", name.c_str());
    return status == 0 ? 1 : status;
}

// Decimal, or hexadecimal after "0x"; up to 32 bits, kept as the bit pattern
// so that the driver's own range check judges it.
bool GanzzahlLesen(const std::string& text, int* wert) {
    std::string_view s = text;
    bool negativ = !s.empty() && s[0] == '-';
    if (negativ) {
        s.remove_prefix(1);
    }
    int basis = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        basis = 16;
    }
    unsigned long long v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, basis);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size()) {
        return false;
    }
    if (negativ) {
        if (v > static_cast<unsigned long long>(INT_MAX) + 1) {
            return false;
        }
        *wert = static_cast<int>(-static_cast<long long>(v));
        return true;
    }
    if (v > UINT32_MAX) {
        return false;
    }
    *wert = static_cast<int>(static_cast<std::uint32_t>(v));
    return true;
}

bool RealzahlLesen(const std::string& text, double* wert) {
    const char* a = text.data();
    const char* e = a + text.size();
    if (a < e && *a == '+') {
        ++a;
    }
    auto [p, ec] = std::from_chars(a, e, *wert);
    return a < e && ec == std::errc() && p == e;
}

std::string StatusText(int status) {
    static const struct {
        int maske;
        const char* lampe;
    } kLampen[] = {{0x01, "Prüfung läuft"}, {0x02, "bestanden"}, {0x04, "nicht bestanden"},
                   {0x08, "abgebrochen"},   {0x40, "Direktbetrieb"}};
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", status);
    std::string s = hex;
    const char* trenner = " ";
    for (const auto& l : kLampen) {
        if (status & l.maske) {
            s += trenner;
            s += l.lampe;
            trenner = ", ";
        }
    }
    return s;
}

std::string WertAusgeben(const QVLKRV4_Parameter* p, double real, int ganz, const char* text) {
    if (p->art == QVLKRV4_TEXT) {
        return Cp1252NachUtf8(text);
    }
    char puffer[32];
    if (QVLKRV4_WertText(p, real, ganz, nullptr, puffer, sizeof puffer) >= 0) {
        return puffer;
    }
    auto r = std::to_chars(puffer, puffer + sizeof puffer, real);
    return std::string(puffer, r.ptr);
}

// The COM numbers with their devices, as the program's COM panel assigns
// them, then every port present.
int PortsZeigen() {
    for (int n = 1; n <= 6; ++n) std::printf("%s\n", Cp1252NachUtf8(PortZeile(n, PortBelegungHolen(n))).c_str());
    for (const Schnittstelle& s : SchnittstellenAuflisten())
        std::printf("vorhanden: %s (%s)\n", s.pfad.c_str(), Cp1252NachUtf8(SchnittstelleBeschreiben(s)).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int com = 1;
    std::string pfad;
    std::string adresse = "1";
    std::string spur;
    std::string funktion;
    int programm = 0;
    int schritt = 0;
    std::string name;
    std::string wert;

    CLI::App app{"Schickt einen Befehl an ein KRV-4 und zeigt die Antwort."};
    auto* optCom = app.add_option("--com", com, "Schnittstelle 1 bis 6 (KRV4_COMn, sonst wie im Programm zugeordnet; "
                                                "siehe ports)")
                       ->check(CLI::Range(1, 6))
                       ->capture_default_str();
    auto* optPort = app.add_option("--port", pfad, "Gerätedatei der Schnittstelle");
    optCom->excludes(optPort);
    app.add_option("--address", adresse, "Geräteadresse 1-9, a-f oder & (alle, ohne Antwort)")
        ->check(CLI::IsMember({"1", "2", "3", "4", "5", "6", "7", "8", "9", "a", "b", "c", "d", "e", "f", "&"}))
        ->capture_default_str();
    app.add_option("--trace", spur, "hängt jeden gesendeten und empfangenen Rahmen an diese Datei an");
    app.require_subcommand(1, 1);

    auto* cmdId = app.add_subcommand("id", "Kennung lesen");
    auto* cmdStatus = app.add_subcommand("status", "Statusbyte lesen");
    auto* cmdFunktion = app.add_subcommand("function", "Gerätefunktion: start, stopp, direktbetrieb, "
                                                       "programmierungabschliessen");
    cmdFunktion->add_option("NAME", funktion)->required();
    auto* cmdWahl = app.add_subcommand("select", "Programm und Schritt wählen");
    cmdWahl->add_option("PROGRAMM", programm)->required()->check(CLI::Range(0, 99));
    cmdWahl->add_option("SCHRITT", schritt)->required()->check(CLI::Range(0, 99));
    auto* cmdLesen = app.add_subcommand("get", "Parameter lesen");
    cmdLesen->add_option("NAME", name)->required();
    auto* cmdSchreiben = app.add_subcommand("set", "Parameter schreiben");
    cmdSchreiben->add_option("NAME", name)->required();
    cmdSchreiben->add_option("WERT", wert)->required();
    auto* cmdSuchen = app.add_subcommand("scan", "alle Adressen nach Geräten absuchen");
    auto* cmdPorts = app.add_subcommand("ports", "vorhandene Schnittstellen und ihre COM-Nummern (ohne Schnittstelle)");
    std::string datei;
    int nummer = 0;
    bool json = false;
    auto* cmdWrite = app.add_subcommand("write", "Programme der Datendatei ins KRV-4 schreiben");
    auto* cmdRead = app.add_subcommand("read", "Programme aus dem KRV-4 in die Datendatei lesen");
    auto* cmdCompare = app.add_subcommand("compare", "Programme der Datendatei mit dem KRV-4 vergleichen");
    for (auto* c : {cmdWrite, cmdRead, cmdCompare}) {
        c->add_option("DATEI", datei, "Datendatei (.krv)")->required();
        c->add_option("--program", nummer, "nur dieses Programm (1 bis 16)")->check(CLI::Range(1, 16));
    }
    auto* cmdShow = app.add_subcommand("show", "Datendatei lesbar ausgeben (ohne Schnittstelle)");
    cmdShow->add_option("DATEI", datei, "Datendatei (.krv)")->required();
    cmdShow->add_flag("--json", json, "als JSON");
    auto* cmdCalib = app.add_subcommand("calib", "Kalibrierwerte: wie das Kalibrierpanel");
    cmdCalib->require_subcommand(1, 1);
    auto* cmdCalibRead = cmdCalib->add_subcommand("read", "Kalibrierwerte aus dem KRV-4 in die Datei lesen");
    auto* cmdCalibWrite = cmdCalib->add_subcommand("write", "Kalibrierwerte der Datei ins KRV-4 schreiben");
    auto* cmdCalibShow = cmdCalib->add_subcommand("show", "Kalibrierdatei lesbar ausgeben (ohne Schnittstelle)");
    for (auto* c : {cmdCalibRead, cmdCalibWrite, cmdCalibShow})
        c->add_option("DATEI", datei, "Kalibrierdatei (.krk)")->required();
    std::string namen;
    for (int i = 0; i < QVLKRV4_ParameterAnzahl; ++i) {
        namen += std::string(i ? ", " : "") + QVLKRV4_Parameterliste[i].name;
    }
    app.footer("Parameter: " + namen +
               "\n\nExit-Status: 0 Erfolg, 1 Fehler der Schnittstelle, des Geräts, einer Datei oder der Spurdatei, "
               "2 falscher Aufruf, 3 Vergleich fand Unterschiede, 4 Vorgang abgelehnt oder abgebrochen (z. B. "
               "Prüfschritt nicht plausibel: nichts gesendet)");

    // Windows hands the ANSI form of the arguments to main; file names and
    // texts come whole from the wide command line.
    std::vector<std::string> argumente = DateiAufrufargumente(argc, argv);
    std::vector<char*> zeiger;
    for (std::string& a : argumente) zeiger.push_back(a.data());
    zeiger.push_back(nullptr);
    try {
        app.parse(static_cast<int>(argumente.size()), zeiger.data());
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    if (optPort->count() > 0 && pfad.empty()) {
        return Falsch("--port braucht eine Gerätedatei");
    }
    const char a = adresse[0];
    if (*cmdShow) {
        return DateiZeigen(datei, json);
    }
    if (*cmdPorts) {
        return PortsZeigen();
    }
    if (*cmdCalibShow) {
        return Kalibrieren(Kalibriervorgang::Zeigen, com, a, datei);
    }

    // The value is checked before the line is touched.
    const QVLKRV4_Parameter* parameter = QVLKRV4_ParameterSuchen(name.c_str());
    double realWert = 0.0;
    int ganzWert = 0;
    std::string textWert;
    if (*cmdSchreiben && parameter) {
        bool gut = true;
        switch (parameter->art) {
            case QVLKRV4_GANZZAHL:
            case QVLKRV4_HEXZAHL: gut = GanzzahlLesen(wert, &ganzWert); break;
            case QVLKRV4_REALZAHL: gut = RealzahlLesen(wert, &realWert); break;
            case QVLKRV4_TEXT: gut = Utf8NachCp1252(wert, &textWert); break;
        }
        if (!gut) {
            return Falsch("Wert \"" + wert + "\" passt nicht zum Parameter " + name);
        }
    }

    FILE* spurDatei = nullptr;
    if (!spur.empty() && !(spurDatei = std::fopen(spur.c_str(), "a"))) {
        return Falsch("Spurdatei " + spur + " lässt sich nicht öffnen");
    }
    if (!pfad.empty() || spurDatei) {
        std::shared_ptr<SerialPort> port = std::make_shared<SystemSerialPort>(pfad);
        if (spurDatei) {
            port = std::make_shared<SpurPort>(port, spurDatei);
        }
        SerialPortSetzen(com, port);
    }

    int r = QVLKRV4_Open(com, 9600);
    if (r == 0) {
        r = QVLKRV4_Timeout(com, 1.0);
    }
    if (r != 0) {
        if (std::string hinweis = ComHinweis(com); !hinweis.empty()) {
            std::fprintf(stderr, "krv4: %s\n", Cp1252NachUtf8(hinweis).c_str());
        }
        return Fehler(r);
    }

    std::string ausgabe;
    if (*cmdCalib) {
        // The program opens the port itself, as its COM panel does.
        QVLKRV4_Close(com);
        int status = Kalibrieren(*cmdCalibRead ? Kalibriervorgang::Lesen : Kalibriervorgang::Schreiben, com, a, datei);
        SerialPortSetzen(com, nullptr);
        return SpurSchliessen(spurDatei, spur, status);
    }
    if (*cmdWrite || *cmdRead || *cmdCompare) {
        // The program opens the port itself, as its COM panel does.
        QVLKRV4_Close(com);
        const Vorgang v = *cmdWrite ? Vorgang::Schreiben : *cmdRead ? Vorgang::Lesen : Vorgang::Vergleichen;
        int status = Uebertragen(v, com, a, datei, nummer);
        SerialPortSetzen(com, nullptr);
        return SpurSchliessen(spurDatei, spur, status);
    }
    if (*cmdId) {
        char kennung[28];
        if ((r = QVLKRV4_IDLesen(com, a, kennung)) == 0) {
            ausgabe = Cp1252NachUtf8(kennung) + "\n";
        }
    } else if (*cmdStatus) {
        int status = 0;
        if ((r = QVLKRV4_StatusLesen(com, a, 1, &status)) == 0) {
            ausgabe = StatusText(status) + "\n";
        }
    } else if (*cmdFunktion) {
        r = QVLKRV4_DeviceFunction(com, a, funktion.c_str());
    } else if (*cmdWahl) {
        r = QVLKRV4_ProgrammUndSchrittEinstellen(com, a, programm, schritt);
    } else if (*cmdLesen) {
        double real = 0.0;
        int ganz = 0;
        char text[21] = "";
        if ((r = QVLKRV4_ParameterLesen(com, a, name.c_str(), &real, &ganz, text)) == 0) {
            ausgabe = WertAusgeben(parameter, real, ganz, text) + "\n";
        }
    } else if (*cmdSchreiben) {
        r = QVLKRV4_ParameterSchreiben(com, a, name.c_str(), realWert, ganzWert, textWert.c_str());
    } else if (*cmdSuchen) {
        bool gefunden = false;
        for (char g : std::string("123456789abcdef")) {
            char kennung[28];
            int s = QVLKRV4_IDLesen(com, g, kennung);
            std::string zeile = std::string(1, g) + " ";
            if (s == 0) {
                gefunden = true;
                zeile += Cp1252NachUtf8(kennung);
            } else {
                zeile += "Fehler #" + std::to_string(-s) + ": " + Cp1252NachUtf8(QVL_Fehlermeldung(s));
            }
            std::printf("%s\n", zeile.c_str());
            std::fflush(stdout);
        }
        if (!gefunden) {
            std::fprintf(stderr, "krv4: an keiner Adresse hat ein Gerät geantwortet\n");
            QVLKRV4_Close(com);
            SerialPortSetzen(com, nullptr);
            return SpurSchliessen(spurDatei, spur, 1);
        }
    }
    QVLKRV4_Close(com);
    SerialPortSetzen(com, nullptr);
    if (r != 0) {
        return SpurSchliessen(spurDatei, spur, Fehler(r));
    }
    std::fputs(ausgabe.c_str(), stdout);
    return SpurSchliessen(spurDatei, spur, 0);
}
