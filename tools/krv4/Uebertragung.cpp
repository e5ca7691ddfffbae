#include "Uebertragung.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/Krv4Steuerung.h"
#include "device/Krv4Funktionen.h"
#include "errors/QVL_errorV3.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "panels/Kalibrieren.h"
#include "platform/Zeichensatz.h"
#include "storage/Dateifunktionen.h"
#include "toolkit/Konsole.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/Panels.h"

namespace {

int Fehler(int code) {
    std::fprintf(stderr, "Fehler #%d: %s\n", -code, Cp1252NachUtf8(QVL_Fehlermeldung(code)).c_str());
    return 1;
}

// A pop-up's text on one line: each run of line breaks becomes one blank.
std::string Zeile(const std::string& text) {
    std::string s;
    for (char c : text) {
        if (c == '\n') {
            if (!s.empty() && s.back() != ' ') s += ' ';
        } else {
            s += c;
        }
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return Cp1252NachUtf8(s);
}

struct Lauf {
    int programm = 0;            // 0: all
    std::string pfad;            // the data file, as the system names it
    bool unterschied = false;    // compare: a difference was reported
    bool erfolgreich = false;    // compare: "Vergleich erfolgreich"
    bool abgeschlossen = false;  // compare: its closing result was shown
    std::string abgebrochen;     // why the operation was refused or cancelled
};

Lauf gLauf;

KonsoleBackend::Handler Handler() {
    KonsoleBackend::Handler h;
    h.wert = [](const PanelState& p, const ControlState& c) {
        if (p.handle == fortschrittPanelHandle && c.def->id == FORTSCHPNL_TEXT && !c.text.empty())
            std::fprintf(stderr, "%s\n", Cp1252NachUtf8(c.text).c_str());
    };
    h.meldung = [](const std::string& titel, const std::string& text) {
        if (text == "Schreiben zum KRV-4 wurde abgebrochen") gLauf.abgebrochen = text;
        if (titel == "Ergebnis") {
            if (text == "Vergleich erfolgreich") gLauf.erfolgreich = true;
            else gLauf.unterschied = true;
            if (text == "Vergleich erfolgreich" || text == "Vergleich nicht erfolgreich") gLauf.abgeschlossen = true;
        }
        std::printf("%s\n", Zeile(text).c_str());
        std::fflush(stdout);
    };
    h.frage = [](const std::string&, const std::string& text, const std::vector<std::string>& knoepfe, int,
                 int escape) {
        // The program choice: the one program asked for, or all.
        if (knoepfe.size() == 3 && knoepfe[0] == "aktuelles") return gLauf.programm ? 1 : 2;
        // A difference: report it and go on, so that every one is listed.
        if (knoepfe.size() >= 1 && knoepfe[0] == "Weiter") {
            gLauf.unterschied = true;
            std::printf("%s\n", Zeile(text).c_str());
            std::fflush(stdout);
            return 1;
        }
        std::printf("%s\n", Zeile(text).c_str());
        gLauf.abgebrochen = text;
        return escape;
    };
    h.datei = [](const ToolkitBackend::FileSelect& anfrage, std::string& pfad) {
        pfad = gLauf.pfad;
        return anfrage.buttonKind == VAL_SAVE_BUTTON ? VAL_NEW_FILE_SELECTED : VAL_EXISTING_FILE_SELECTED;
    };
    h.fehlgebrauch = [](const std::string& was) { std::fprintf(stderr, "krv4: interner Fehler: %s\n", was.c_str()); };
    return h;
}

// The panels the operations and the file functions use.
bool Starten() {
    UseKonsoleBackend(Handler());
    if (InitToolkit(0, nullptr) < 0) return false;
    RegisterPanelFile(Krv4SteuerungPanelFile());
    const struct {
        int* handle;
        int resource;
    } panels[] = {{&panelHandle, PANEL}, {&comPanelHandle, COMPANEL}, {&fortschrittPanelHandle, FORTSCHPNL},
                  {&kalPanelHandle, KALPANEL}, {&stringPanelHandle, STRINGPNL}};
    for (const auto& p : panels) {
        *p.handle = LoadPanel(p.handle == &fortschrittPanelHandle ? panelHandle : 0, kPanelFile, p.resource);
        if (*p.handle < 0) return false;
    }
    DisplayPanel(panelHandle);
    ProgrammeInitialisieren();
    return true;
}

bool Vorhanden(const std::string& utf8) {
    struct stat st {};
    return ::stat(utf8.c_str(), &st) == 0;
}

void ProgrammWaehlen(int programm) {
    if (programm == 0) return;
    gProgIndex = programm - 1;
    ProgrammverwaltungNachDateiLaden();
}

// The button's callback; its status is what the error display shows.
int Knopf(int knopf) {
    DispatchCtrlEvent(panelHandle, knopf, EVENT_COMMIT);
    int nummer = 0;
    GetCtrlVal(panelHandle, PANEL_FEHLERNUMMER, nummer);
    return -nummer;
}

}  // namespace

int Uebertragen(Vorgang vorgang, int com, char adresse, const std::string& datei, int programm) {
    gLauf.pfad = datei;
    gLauf.programm = programm;
    if (!Starten()) {
        std::fprintf(stderr, "krv4: die Panels lassen sich nicht laden\n");
        return 1;
    }
    // The address as the COM panel offers it.
    if (SetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, static_cast<int>(adresse)) != 0) {
        std::fprintf(stderr, "krv4: Adresse %c ist im Programm nicht wählbar (1-9 oder &)\n", adresse);
        return 2;
    }
    const bool lesen = vorgang == Vorgang::Lesen;
    // A read of all programs replaces every one; a read of one keeps the
    // others of the file, or starts from default programs without one.
    if (!lesen || (programm != 0 && Vorhanden(datei))) {
        if (int r = DateiOeffnen(); r != 0) return Fehler(r);
    }
    const int ausgewaehlt = gProgIndex;  // the file's own choice, which a read keeps
    ProgrammWaehlen(programm);

    SetCtrlVal(comPanelHandle, COMPANEL_PORT, com);
    if (int r = Com_OpenComPort(); r != 0) return Fehler(r);
    const int knopf = vorgang == Vorgang::Schreiben ? PANEL_GERAETSCHREIBEN
                      : lesen                       ? PANEL_GERAETLESEN
                                                    : PANEL_GERAETVERGLEICHEN;
    int status = Knopf(knopf);
    Com_CloseComPort();
    if (status != 0) return Fehler(status);
    // A refusal clears the error display as a success does.
    if (!gLauf.abgebrochen.empty()) {
        std::fprintf(stderr, "krv4: abgebrochen: %s\n", Zeile(gLauf.abgebrochen).c_str());
        return 4;
    }
    if (lesen) {
        if (gProgIndex != ausgewaehlt) {
            gProgIndex = ausgewaehlt;
            ProgrammverwaltungNachDateiLaden();
        }
        if (int r = DateiSpeichern(1); r != 0) return Fehler(r);
        return 0;
    }
    if (vorgang == Vorgang::Vergleichen) {
        if (gLauf.erfolgreich && !gLauf.unterschied) return 0;
        // The run ended without its closing result (step counts differ).
        if (!gLauf.abgeschlossen) std::printf("Vergleich nicht erfolgreich\n");
        return 3;
    }
    return 0;
}

namespace {

const char* const kGeraete[] = {"", "Strom", "Spannung", "RPG", "Druck", "Vakuum", "Flow"};
const char* const kBereiche[] = {"", "0 - 2 A", "0 - 33 V", "", "0 - 2000 mbar", "0 - 800 mbar", "0 - 20 nl/min"};
const char* const kRpgBereiche[] = {"", "0 - 30,00 Ohm", "0 - 300,0 Ohm", "0 - 3,000 kOhm", "0 - 30,00 kOhm"};
const char* const kVentile[kAnzahlVentile] = {
    "Ansaugen/Abblasen auf DS (V3)", "Ansaugen/Abblasen auf SS (V6)", "Widerstand druckseitig (V2)",
    "Widerstand saugseitig (V5)",    "Bypass druckseitig (V1)",       "Bypass saugseitig (V4)",
    "Externer Prüfdruck DS (V7)",    "Externer Prüfdruck SS (V8)"};

bool Bekannt(int messgeraet) { return messgeraet >= 1 && messgeraet <= 6; }

std::string Einheit(const Pruefschritt& s) {
    switch (s.messgeraet) {
        case MESSGERAET_STROM: return "A";
        case MESSGERAET_SPANNUNG: return "V";
        case MESSGERAET_RPG: return s.rpgMessbereich >= 3 ? "kOhm" : "Ohm";
        case MESSGERAET_FLOW: return "nl/min";
        case MESSGERAET_DRUCK:
        case MESSGERAET_VAKUUM: return "mbar";
        default: return "";
    }
}

// As the editor shows a number: fixed decimals, decimal comma.
std::string Zahl(double wert, int stellen) {
    char s[64];
    std::snprintf(s, sizeof s, "%.*f", stellen, wert);
    std::string t = s;
    for (char& c : t)
        if (c == '.') c = ',';
    return t;
}

std::string Name(const char (&name)[kNamenslaenge]) {
    return Cp1252NachUtf8(std::string(name, strnlen(name, sizeof name)));
}

const char* JaNein(int32_t v) { return v ? "ja" : "nein"; }

void Text(const Programm& p, int nummer) {
    std::printf("Programm %d: %s (%d %s)\n", nummer, Name(p.name).c_str(), p.psAnzahl,
                p.psAnzahl == 1 ? "Schritt" : "Schritte");
    for (int j = 0; j < p.psAnzahl; ++j) {
        const Pruefschritt& s = p.schritte[j];
        std::printf("  Schritt %d: %s\n", j + 1, Name(s.name).c_str());
        std::printf("    Netzgerät: %s, Spannung %s V, Strom %s A\n", s.netzgeraetAktiv ? "ein" : "aus",
                    Zahl(s.netzgeraetU, 2).c_str(), Zahl(s.netzgeraetI, 2).c_str());
        std::printf("    Impulsgenerator: %s, Einschaltzeit %s ms, Ausschaltzeit %s ms, Zyklen %d\n",
                    s.impulsAktiv ? "ein" : "aus", Zahl(s.impulsEinschaltzeit, 1).c_str(),
                    Zahl(s.impulsAusschaltzeit, 1).c_str(), s.impulsZyklen);
        std::string geraet = Bekannt(s.messgeraet) ? kGeraete[s.messgeraet] : "keines (" + std::to_string(s.messgeraet) + ")";
        std::string bereich;
        if (s.messgeraet == MESSGERAET_RPG)
            bereich = s.rpgMessbereich >= 1 && s.rpgMessbereich <= 4 ? kRpgBereiche[s.rpgMessbereich] : "?";
        else if (Bekannt(s.messgeraet))
            bereich = kBereiche[s.messgeraet];
        std::printf("    Meßgerät: %s%s, messen nach %d s, Differenzmessung: %s, Weitermessen bis Weiter-Taste: %s\n",
                    geraet.c_str(), bereich.empty() ? "" : (" (" + bereich + ")").c_str(), s.messwartezeit,
                    JaNein(s.differenzmessung), JaNein(s.messenBisWeiter));
        const std::string e = Einheit(s).empty() ? "" : " " + Einheit(s);
        std::printf("    Grenzwerte: %s%s bis %s%s, gut wenn %s der Grenzen, Grenzen gut: %s\n",
                    Zahl(s.untererGrenzwert, 2).c_str(), e.c_str(), Zahl(s.obererGrenzwert, 2).c_str(), e.c_str(),
                    s.gutWenn == GUT_INNERHALB ? "innerhalb" : "außerhalb", JaNein(s.grenzenGut));
        std::string offen;
        for (int v = 0; v < kAnzahlVentile; ++v)
            if (s.ventile[v]) offen += std::string(offen.empty() ? "" : ", ") + kVentile[v];
        std::printf("    Ventile geschaltet: %s\n", offen.empty() ? "keines" : offen.c_str());
    }
}

std::string Json(const std::string& utf8) {
    std::string s = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            s += '\\';
            s += static_cast<char>(c);
        } else if (c < 0x20) {
            char h[8];
            std::snprintf(h, sizeof h, "\\u%04x", c);
            s += h;
        } else {
            s += static_cast<char>(c);
        }
    }
    return s + "\"";
}

std::string JsonZahl(double v) {
    if (v != v || v > 1.7e308 || v < -1.7e308) return "null";
    char s[64];
    std::snprintf(s, sizeof s, "%.17g", v);
    return s;
}

void Json(const Programm& p, int nummer, bool letztes) {
    std::printf("    {\"programm\": %d, \"name\": %s, \"schritte\": [\n", nummer, Json(Name(p.name)).c_str());
    for (int j = 0; j < p.psAnzahl; ++j) {
        const Pruefschritt& s = p.schritte[j];
        std::printf("      {\"schritt\": %d, \"name\": %s,\n", j + 1, Json(Name(s.name)).c_str());
        std::printf("       \"netzgeraet\": {\"aktiv\": %s, \"spannung_V\": %s, \"strom_A\": %s},\n",
                    s.netzgeraetAktiv ? "true" : "false", JsonZahl(s.netzgeraetU).c_str(), JsonZahl(s.netzgeraetI).c_str());
        std::printf("       \"impulsgenerator\": {\"aktiv\": %s, \"einschaltzeit_ms\": %s, \"ausschaltzeit_ms\": %s, "
                    "\"zyklen\": %d},\n",
                    s.impulsAktiv ? "true" : "false", JsonZahl(s.impulsEinschaltzeit).c_str(),
                    JsonZahl(s.impulsAusschaltzeit).c_str(), s.impulsZyklen);
        std::printf("       \"messgeraet\": %s, \"rpgMessbereich\": %d, \"messwartezeit_s\": %d, "
                    "\"differenzmessung\": %s, \"messenBisWeiter\": %s,\n",
                    Bekannt(s.messgeraet) ? Json(kGeraete[s.messgeraet]).c_str() : std::to_string(s.messgeraet).c_str(),
                    s.rpgMessbereich, s.messwartezeit, s.differenzmessung ? "true" : "false",
                    s.messenBisWeiter ? "true" : "false");
        std::printf("       \"grenzwerte\": {\"einheit\": %s, \"unten\": %s, \"oben\": %s, \"gutWenn\": %s, "
                    "\"grenzenGut\": %s},\n",
                    Json(Einheit(s)).c_str(), JsonZahl(s.untererGrenzwert).c_str(), JsonZahl(s.obererGrenzwert).c_str(),
                    s.gutWenn == GUT_INNERHALB ? "\"innerhalb\"" : "\"ausserhalb\"", s.grenzenGut ? "true" : "false");
        std::string ventile;
        for (int v = 0; v < kAnzahlVentile; ++v) ventile += std::string(v ? ", " : "") + (s.ventile[v] ? "true" : "false");
        std::printf("       \"ventile\": [%s]}%s\n", ventile.c_str(), j + 1 < p.psAnzahl ? "," : "");
    }
    std::printf("    ]}%s\n", letztes ? "" : ",");
}

}  // namespace

int DateiZeigen(const std::string& datei, bool json) {
    gLauf.pfad = datei;
    if (!Starten()) return 1;
    if (int r = DateiOeffnen(); r != 0) return Fehler(r);
    if (json) {
        std::printf("{\n  \"ausgewaehlt\": %d,\n  \"programme\": [\n", gProgIndex + 1);
        for (int i = 0; i < kAnzahlProgramme; ++i) Json(gProg[i], i + 1, i + 1 == kAnzahlProgramme);
        std::printf("  ]\n}\n");
        return 0;
    }
    for (int i = 0; i < kAnzahlProgramme; ++i) {
        if (i) std::printf("\n");
        Text(gProg[i], i + 1);
    }
    std::printf("\nAusgewählt: Programm %d\n", gProgIndex + 1);
    return 0;
}

namespace {

// The values as the calibration panel shows them: six decimals.
void KalibrierwerteAusgeben() {
    Kalibrierwerte werte;
    KalibrierwerteVomPanel(werte);
    for (int k = 0; k < kAnzahlKalibrierkanaele; ++k)
        std::printf("%-12s V %.6f  Off %.6f\n", Cp1252NachUtf8(kKalibrierkanaele[k].name).c_str(),
                    werte.werte[2 * k], werte.werte[2 * k + 1]);
}

}  // namespace

int Kalibrieren(Kalibriervorgang vorgang, int com, char adresse, const std::string& datei) {
    gLauf.pfad = datei;
    if (!Starten()) {
        std::fprintf(stderr, "krv4: die Panels lassen sich nicht laden\n");
        return 1;
    }
    if (vorgang == Kalibriervorgang::Zeigen) {
        if (int r = KalibrierdatenLaden(); r != 0) return Fehler(r);
        KalibrierwerteAusgeben();
        return 0;
    }
    if (SetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, static_cast<int>(adresse)) != 0) {
        std::fprintf(stderr, "krv4: Adresse %c ist im Programm nicht wählbar (1-9 oder &)\n", adresse);
        return 2;
    }
    // A file that cannot be loaded is refused before the device is touched.
    if (vorgang == Kalibriervorgang::Schreiben) {
        if (int r = KalibrierdatenLaden(); r != 0) return Fehler(r);
    }
    SetCtrlVal(comPanelHandle, COMPANEL_PORT, com);
    if (int r = Com_OpenComPort(); r != 0) return Fehler(r);
    int status = vorgang == Kalibriervorgang::Lesen ? KalibrierwerteLesen() : KalibrierwerteSchreiben();
    Com_CloseComPort();
    if (status != 0) return Fehler(status);
    if (vorgang == Kalibriervorgang::Lesen) {
        if (int r = KalibrierdatenSpeichern(); r != 0) return Fehler(r);
    }
    KalibrierwerteAusgeben();
    return 0;
}
