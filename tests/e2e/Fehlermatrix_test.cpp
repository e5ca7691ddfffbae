// Every operation a person starts, in the program and through krv4, against
// a krv4sim that injects one fault into the command the operation depends
// on: the code shown, a bounded run, the store and files as left, and the
// program (or the line) still usable afterwards.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Krv4Steuerung.h"
#include "e2e/Prozess.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "panels/Direkttest.h"
#include "panels/Kalibrieren.h"
#include "platform/SerialPort.h"
#include "storage/Dateifunktionen.h"
#include "support/AppFixture.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The faults krv4sim injects, in its own words. "slow" once within the
// 1.0 s time-out and once beyond it; "vanish" stops answering for good.
enum Fehler {
    Stumm, Nak, Can, FalschesByte, Verformt, OhneCr, Ueberlang, AndererWert, AndereAdresse, Bereich,
    LangsamInnen, LangsamAussen, Verschwinden, kFehlerAnzahl
};
const char* const kFehlerName[] = {"silent",    "nak",       "can",   "wrongbyte", "malformed",
                                   "nocr",      "overlong",  "otherparam", "otheraddr", "range",
                                   "slowWithin", "slowBeyond", "vanish"};
constexpr int kLangsamInnenMs = 300;
constexpr int kLangsamAussenMs = 1200;

// The code per fault of the command that is hit (0: the fault does not
// concern it); the slow and vanishing faults follow from the first column.
struct Codes {
    int stumm, nak, can, byte, verformt, ohneCr, ueberlang, andererWert, andereAdresse, bereich;
    int Fuer(Fehler f) const {
        switch (f) {
            case Stumm: case LangsamAussen: case Verschwinden: return stumm;
            case Nak: return nak;
            case Can: return can;
            case FalschesByte: return byte;
            case Verformt: return verformt;
            case OhneCr: return ohneCr;
            case Ueberlang: return ueberlang;
            case AndererWert: return andererWert;
            case AndereAdresse: return andereAdresse;
            case Bereich: return bereich;
            default: return 0;
        }
    }
};

// Codes of the driver by command kind.
constexpr Codes kFunktion = {-403041, -402039, -405040, -404042, 0, 0, 0, 0, 0, 0};
constexpr Codes kParameterSchreiben = {-403078, -402076, -405077, -404079, 0, 0, 0, 0, 0, 0};
constexpr Codes kIdLesen = {-403012, -402010, -405011, -404013, -404015, -404014, -404015, 0, -404015, 0};
constexpr Codes kStatusLesen = {-403142, -402140, -405141, -404143, -404145, -404144, -404145, -404146, -404145, 0};
// "range" on the pulse off time: 65536, refused by the read-back check.
constexpr Codes kSchrittLesen = {-403088, -402086, -405087, -404089, -404091, -404090, -404091, -404091, -404091,
                                 -786000};
// Compare takes the device's values as delivered: a difference, no code.
constexpr Codes kVergleichen = {-403088, -402086, -405087, -404089, -404091, -404090, -404091, -404091, -404091, 0};
// Calibration values have no range.
constexpr Codes kKalibrierLesen = {-403088, -402086, -405087, -404089, -404091, -404090, -404091, -404091, -404091, 0};
// A scan reports no error of a single address.
constexpr Codes kKeiner = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

std::string Datei(const std::string& pfad) {
    std::ifstream f(pfad, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

const std::string kKennung = "QVLKRV4-TST1-1000";

class Fehlermatrix;

// One operation: the command the fault hits ("CMD:SKIP" of --fault), how
// many frames go before it (for --vanish-after), the codes, and the run
// with its checks; code is the one expected.
struct Vorgang {
    const char* name;
    const char* befehl;
    int auslassen;
    int vorher;
    Codes codes;
    bool werkzeug;
    std::function<void(Fehlermatrix&, Fehler, int code)> ablauf;
};

struct Fall {
    const Vorgang* vorgang;
    Fehler fehler;
};

// The COM panel in front, as after a click on "COM-Einstellungen".
void ComPanelZeigen() {
    int sichtbar = 0;
    GetPanelAttribute(comPanelHandle, ATTR_VISIBLE_PANEL, sichtbar);
    if (!sichtbar) Press(panelHandle, PANEL_COMEINSTELLUNGEN);
}

class Fehlermatrix : public AppTest, public ::testing::WithParamInterface<Fall> {
public:
    static void SetUpTestSuite() {
        // The device is loaded with what the PC holds at start: 16 programs
        // of one default step, so that a compare finds no difference.
        daten = TempName("fehlermatrix.krv");
        kalibrierung = TempName("fehlermatrix.krk");
    }
    static void TearDownTestSuite() {
        std::remove(daten.c_str());
        std::remove(kalibrierung.c_str());
    }

protected:
    void SetUp() override {
        gDirekttestAn = false;
        gImpulsGesendet = false;
        ASSERT_EQ(Start({kKalibrierSchalter}), 0);
        if (Datei(daten).empty()) {
            ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, daten);
            ASSERT_EQ(DateiSpeichern(1), 0);
            Kalibrierwerte k;
            KalibrierwerteGrundstellung(k);
            for (int i = 0; i < kAnzahlKalibrierwerte; ++i) k.werte[i] = 1.5 + i;
            ASSERT_EQ(KalibrierdateiSchreiben(kalibrierung.c_str(), k), 0);
            ASSERT_EQ(Start({kKalibrierSchalter}), 0);
        }
        const Fall& f = GetParam();
        std::vector<std::string> optionen = {"--addresses", f.vorgang->werkzeug ? "123456789abcdef" : "123456789",
                                             "--load", daten, "--slow-ms"};
        optionen.push_back(std::to_string(f.fehler == LangsamInnen ? kLangsamInnenMs : kLangsamAussenMs));
        if (f.fehler == Verschwinden) {
            optionen.insert(optionen.end(), {"--vanish-after", std::to_string(f.vorgang->vorher)});
        } else {
            const char* art = f.fehler == LangsamInnen || f.fehler == LangsamAussen ? "slow" : kFehlerName[f.fehler];
            optionen.insert(optionen.end(), {"--fault", std::string("1:") + f.vorgang->befehl + ":" + art + ":1:" +
                                                            std::to_string(f.vorgang->auslassen)});
        }
        sim = std::make_unique<Simulator>(optionen);
        if (f.vorgang->werkzeug) return;
        setenv("KRV4_COM1", sim->pfad().c_str(), 1);
        SerialPortSetzen(1, nullptr);
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
        ASSERT_EQ(Com_OpenComPort(), 0);
    }
    void TearDown() override {
        gDirekttestAn = false;
        Com_CloseComPort();
        SerialPortSetzen(1, nullptr);
        unsetenv("KRV4_COM1");
        sim.reset();
        AppTest::TearDown();
    }

public:
    using AppTest::Attribute;
    using AppTest::Int;
    using AppTest::Real;
    using AppTest::Text;
    using AppTest::ui;
    static int Fehlernummer() { return -Int(panelHandle, PANEL_FEHLERNUMMER); }

    // The transfer buttons with the program choice answered; the messages a
    // run shows for that code answered too.
    int Uebertragung(int knopf, int wahl, int meldungen = 0, int fragen = 0) {
        ui->AnswerGeneric(wahl);
        for (int i = 0; i < fragen; ++i) ui->AnswerGeneric(1);
        for (int i = 0; i < meldungen; ++i) ui->AnswerMessage();
        Press(panelHandle, knopf);
        return Fehlernummer();
    }

    // The tool on the simulator's line.
    Ergebnis Krv4(std::vector<std::string> argumente) {
        argumente.insert(argumente.begin(), {"--port", sim->pfad()});
        return Ausfuehren(kWerkzeug, argumente, 10000ms);
    }
    static void WerkzeugErgebnis(const Ergebnis& e, int code, int gutStatus = 0) {
        if (code == 0) {
            EXPECT_EQ(e.status, gutStatus) << e.fehler;
        } else {
            EXPECT_EQ(e.status, 1) << e.aus;
            EXPECT_NE(e.fehler.find("Fehler #" + std::to_string(-code) + ":"), std::string::npos) << e.fehler;
        }
    }

    std::unique_ptr<Simulator> sim;
    static inline std::string daten;
    static inline std::string kalibrierung;
};

// A PC store that differs from the device in every program's name, to tell
// programs taken over from programs left alone.
void PcStoreAnders() {
    for (int i = 0; i < kAnzahlProgramme; ++i) {
        char name[kNamenslaenge];
        std::snprintf(name, sizeof name, "PC %d", i + 1);
        NameSetzen(gProg[i].name, name);
        gProg[i].schritte[0].messwartezeit = 7;
    }
    ProgrammverwaltungNachDateiLaden();
}

bool VomGeraet(int i) { return std::strcmp(gProg[i].name, ("Programm " + std::to_string(i + 1)).c_str()) == 0; }

void FehlerhafteDaten(Fehlermatrix& t, const char* format, int programm) {
    char text[96];
    std::snprintf(text, sizeof text, format, programm + 1);
    ASSERT_FALSE(t.ui->Shown().empty());
    EXPECT_EQ(t.ui->Shown().back().title, "KRV-4: Fehlerhafte Daten");
    EXPECT_EQ(t.ui->Shown().back().message, text);
}
const char* const kImpulsauszeit = "Fehler in Programm %d Schritt 1:\nImpulsauszeit (65536) ist ungültig";
const char* const kAnzahl = "Fehler in Programm %d:\nAnzahl Prüfschritte (17) ist ungültig";

void Vergleichen(Fehlermatrix& t, Fehler f, int code) {
    Programm vorher[kAnzahlProgramme];
    std::memcpy(vorher, gProg, sizeof vorher);
    const bool unterschied = f == Bereich && code == 0;
    EXPECT_EQ(t.Uebertragung(PANEL_GERAETVERGLEICHEN, 1, code == 0 || code == -786000, unterschied), code);
    EXPECT_EQ(std::memcmp(vorher, gProg, sizeof vorher), 0) << "a compare changed the store";
    if (code == 0) {
        ASSERT_FALSE(t.ui->Shown().empty());
        EXPECT_EQ(t.ui->Shown().back().message, unterschied ? "Vergleich nicht erfolgreich" : "Vergleich erfolgreich");
    }
    if (code == -786000) FehlerhafteDaten(t, kAnzahl, 0);
}

// meldung: the text of the check that refuses the out-of-range value.
void Lesen(Fehlermatrix& t, int wahl, int fehlerProgramm, int code, const char* meldung) {
    PcStoreAnders();
    Pruefschritt arbeit[kMaxPruefschritte];
    std::memcpy(arbeit, gPruefschritte, sizeof arbeit);
    EXPECT_EQ(t.Uebertragung(PANEL_GERAETLESEN, wahl, code == -786000), code);
    const int letztes = wahl == 1 ? 0 : kAnzahlProgramme - 1;
    for (int i = 0; i <= letztes; ++i)
        EXPECT_EQ(VomGeraet(i), code == 0 || i < fehlerProgramm) << "program " << i + 1;
    for (int i = letztes + 1; i < kAnzahlProgramme; ++i) EXPECT_FALSE(VomGeraet(i));
    // Nothing taken over: the editor as before. Programs taken over before the
    // failure: the editor shows them, so that no program switch writes the
    // old working copy back over them.
    if (code != 0 && fehlerProgramm == 0) {
        EXPECT_EQ(std::memcmp(arbeit, gPruefschritte, sizeof arbeit), 0) << "working copy changed";
    } else {
        EXPECT_EQ(std::memcmp(gProg[gProgIndex].schritte, gPruefschritte, gPSanzahl * sizeof(Pruefschritt)), 0)
            << "the editor does not show the program read";
    }
    if (code == -786000) {
        FehlerhafteDaten(t, meldung, fehlerProgramm);
    }
}

void Schreiben(Fehlermatrix& t, int wahl, int code) {
    Programm vorher[kAnzahlProgramme];
    std::memcpy(vorher, gProg, sizeof vorher);
    EXPECT_EQ(t.Uebertragung(PANEL_GERAETSCHREIBEN, wahl), code);
    EXPECT_EQ(std::memcmp(vorher, gProg, sizeof vorher), 0) << "a write changed the store";
}

void KalibrierPanelSetzen(double basis) {
    for (int k = 0; k < kAnzahlKalibrierkanaele; ++k) {
        SetCtrlVal(kalPanelHandle, kKalibrierkanaele[k].v, basis + k);
        SetCtrlVal(kalPanelHandle, kKalibrierkanaele[k].off, -basis - k);
    }
}
bool KalibrierPanelIst(double basis) {
    bool gleich = true;
    for (int k = 0; k < kAnzahlKalibrierkanaele; ++k) {
        double v = 0, off = 0;
        GetCtrlVal(kalPanelHandle, kKalibrierkanaele[k].v, v);
        GetCtrlVal(kalPanelHandle, kKalibrierkanaele[k].off, off);
        gleich = gleich && v == basis + k && off == -basis - k;
    }
    return gleich;
}

const Vorgang kVorgaenge[] = {
    {"Scan", "IDR", 0, 8, kKeiner, false,
     [](Fehlermatrix&, Fehler f, int) {
         ComPanelZeigen();
         Press(comPanelHandle, COMPANEL_SCANN);
         const bool getroffen = kIdLesen.Fuer(f) != 0 && f != Verschwinden;
         EXPECT_EQ(Fehlermatrix::Fehlernummer(), 0);
         EXPECT_EQ(Fehlermatrix::Int(comPanelHandle, COMPANEL_LED1), getroffen ? 0 : 1);
         EXPECT_EQ(Fehlermatrix::Int(comPanelHandle, COMPANEL_LED9), f == Verschwinden ? 0 : 1);
         EXPECT_EQ(Fehlermatrix::Int(comPanelHandle, COMPANEL_ADRESSE), f == Verschwinden ? '8' : '9');
         EXPECT_EQ(Fehlermatrix::Text(comPanelHandle, COMPANEL_TEXT), "");
         SetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, '1');
     }},
    {"IdLesen", "IDR", 0, 0, kIdLesen, false,
     [](Fehlermatrix&, Fehler, int code) {
         ComPanelZeigen();
         Press(comPanelHandle, COMPANEL_IDLESEN);
         EXPECT_EQ(Fehlermatrix::Fehlernummer(), code);
         EXPECT_EQ(Fehlermatrix::Text(comPanelHandle, COMPANEL_IDSTRING), code ? "" : kKennung);
         EXPECT_EQ(Fehlermatrix::Text(comPanelHandle, COMPANEL_TEXT), "");
     }},
    {"Start", "DF1", 0, 0, kFunktion, false,
     [](Fehlermatrix&, Fehler, int code) {
         ComPanelZeigen();
         Press(comPanelHandle, COMPANEL_START);
         EXPECT_EQ(Fehlermatrix::Fehlernummer(), code);
     }},
    {"Stopp", "DF2", 0, 0, kFunktion, false,
     [](Fehlermatrix&, Fehler, int code) {
         ComPanelZeigen();
         Press(comPanelHandle, COMPANEL_STOPP);
         EXPECT_EQ(Fehlermatrix::Fehlernummer(), code);
     }},
    {"Statustakt", "S1R", 0, 0, kStatusLesen, false,
     [](Fehlermatrix&, Fehler, int code) {
         ComPanelZeigen();
         Toggle(comPanelHandle, COMPANEL_STATUSABFRAGE);
         Tick(comPanelHandle, COMPANEL_STATUSTIMER);
         EXPECT_EQ(Fehlermatrix::Fehlernummer(), code);
         EXPECT_EQ(Fehlermatrix::Attribute(comPanelHandle, COMPANEL_STATUSTIMER, ATTR_ENABLED), code == 0);
         EXPECT_EQ(Fehlermatrix::Int(comPanelHandle, COMPANEL_STATUSABFRAGE), code == 0);
         EXPECT_EQ(Fehlermatrix::Attribute(comPanelHandle, COMPANEL_LEDSTATUS0, ATTR_DIMMED), code != 0);
         if (code == 0) Toggle(comPanelHandle, COMPANEL_STATUSABFRAGE);
     }},
    {"SchreibenAktuelles", "W3W", 0, 16, kParameterSchreiben, false,
     [](Fehlermatrix& t, Fehler, int code) { Schreiben(t, 1, code); }},
    {"SchreibenAlle", "W3W", 1, 34, kParameterSchreiben, false,
     [](Fehlermatrix& t, Fehler, int code) { Schreiben(t, 2, code); }},
    {"LesenAktuelles", "W3R", 0, 14, kSchrittLesen, false,
     [](Fehlermatrix& t, Fehler, int code) { Lesen(t, 1, 0, code, kImpulsauszeit); }},
    {"LesenKopf", "A1R", 0, 2, kSchrittLesen, false,
     [](Fehlermatrix& t, Fehler, int code) { Lesen(t, 1, 0, code, kAnzahl); }},
    {"LesenAlle", "W3R", 1, 32, kSchrittLesen, false,
     [](Fehlermatrix& t, Fehler, int code) { Lesen(t, 2, 1, code, kImpulsauszeit); }},
    {"Vergleichen", "W3R", 0, 14, kVergleichen, false,
     [](Fehlermatrix& t, Fehler f, int code) { Vergleichen(t, f, code); }},
    // The step count: a value past 10 is refused before any step is asked for.
    {"VergleichenKopf", "A1R", 0, 2, kSchrittLesen, false,
     [](Fehlermatrix& t, Fehler f, int code) { Vergleichen(t, f, code); }},
    {"DirekttestEin", "DF3", 0, 0, kFunktion, false,
     [](Fehlermatrix&, Fehler, int code) {
         Toggle(panelHandle, PANEL_DIREKTTEST);
         EXPECT_EQ(Fehlermatrix::Fehlernummer(), code);
         EXPECT_EQ(DirekttestAktiv() != 0, code == 0);
         EXPECT_EQ(Fehlermatrix::Int(panelHandle, PANEL_DIREKTTEST), code == 0);
         EXPECT_EQ(Fehlermatrix::Attribute(panelHandle, PANEL_GERAETSCHREIBEN, ATTR_DIMMED), code == 0);
         if (code == 0) {
             Toggle(panelHandle, PANEL_DIREKTTEST);
             EXPECT_EQ(Fehlermatrix::Fehlernummer(), 0);
         }
     }},
    {"DirekttestAenderung", "S1R", 1, 8, kStatusLesen, false,
     [](Fehlermatrix&, Fehler f, int code) {
         Toggle(panelHandle, PANEL_DIREKTTEST);
         ASSERT_TRUE(DirekttestAktiv());
         ASSERT_EQ(Fehlermatrix::Fehlernummer(), 0);
         Pruefschritt arbeit = gPruefschritte[gPSindex];
         Operate(panelHandle, PANEL_NETZGERAETU, 5.0);
         EXPECT_EQ(Fehlermatrix::Fehlernummer(), code);
         EXPECT_TRUE(DirekttestAktiv());
         EXPECT_EQ(std::memcmp(&arbeit, &gPruefschritte[gPSindex], sizeof arbeit), 0) << "working copy changed";
         if (f == Verschwinden) return;
         if (f == LangsamAussen) std::this_thread::sleep_for(std::chrono::milliseconds(kLangsamAussenMs - 900));
         Toggle(panelHandle, PANEL_DIREKTTEST);
         EXPECT_EQ(Fehlermatrix::Fehlernummer(), 0);
         EXPECT_EQ(Fehlermatrix::Real(panelHandle, PANEL_NETZGERAETU), arbeit.netzgeraetU);
     }},
    {"KalibrierungLesen", "05R", 0, 4, kKalibrierLesen, false,
     [](Fehlermatrix&, Fehler, int code) {
         Press(panelHandle, PANEL_KALIBRIERUNG);
         KalibrierPanelSetzen(7.0);
         Press(kalPanelHandle, KALPANEL_KRV4LESEN);
         EXPECT_EQ(-Fehlermatrix::Int(kalPanelHandle, KALPANEL_FEHLERNUMMER), code);
         if (code != 0) {
             EXPECT_TRUE(KalibrierPanelIst(7.0)) << "a failed read changed the panel";
         } else {
             EXPECT_EQ(Fehlermatrix::Real(kalPanelHandle, KALPANEL_DRUCKV), 1.0);
         }
         Press(kalPanelHandle, KALPANEL_ZURUECK);
     }},
    {"KalibrierungSchreiben", "05W", 0, 4, kParameterSchreiben, false,
     [](Fehlermatrix&, Fehler, int code) {
         Press(panelHandle, PANEL_KALIBRIERUNG);
         KalibrierPanelSetzen(7.0);
         Press(kalPanelHandle, KALPANEL_KRV4SCHREIBEN);
         EXPECT_EQ(-Fehlermatrix::Int(kalPanelHandle, KALPANEL_FEHLERNUMMER), code);
         EXPECT_TRUE(KalibrierPanelIst(7.0));
         Press(kalPanelHandle, KALPANEL_ZURUECK);
     }},

    // The same through krv4.
    {"WerkzeugScan", "IDR", 0, 14, kKeiner, true,
     [](Fehlermatrix& t, Fehler f, int) {
         Ergebnis e = t.Krv4({"scan"});
         EXPECT_EQ(e.status, 0) << e.fehler;
         const int code = kIdLesen.Fuer(f);
         EXPECT_EQ(e.aus.rfind(code && f != Verschwinden ? "1 Fehler #" + std::to_string(-code) + ":" : "1 " + kKennung, 0),
                   0u) << e.aus;
         EXPECT_NE(e.aus.find(f == Verschwinden ? "f Fehler #403012:" : "f QVLKRV4-TST1-1014"), std::string::npos)
             << e.aus;
     }},
    {"WerkzeugId", "IDR", 0, 0, kIdLesen, true,
     [](Fehlermatrix& t, Fehler, int code) {
         Ergebnis e = t.Krv4({"id"});
         Fehlermatrix::WerkzeugErgebnis(e, code);
         EXPECT_EQ(e.aus, code ? "" : kKennung + "\n");
     }},
    {"WerkzeugStatus", "S1R", 0, 0, kStatusLesen, true,
     [](Fehlermatrix& t, Fehler, int code) { Fehlermatrix::WerkzeugErgebnis(t.Krv4({"status"}), code); }},
    {"WerkzeugStart", "DF1", 0, 0, kFunktion, true,
     [](Fehlermatrix& t, Fehler, int code) { Fehlermatrix::WerkzeugErgebnis(t.Krv4({"function", "start"}), code); }},
    {"WerkzeugStopp", "DF2", 0, 0, kFunktion, true,
     [](Fehlermatrix& t, Fehler, int code) { Fehlermatrix::WerkzeugErgebnis(t.Krv4({"function", "stopp"}), code); }},
    {"WerkzeugSchreibenEines", "W3W", 0, 16, kParameterSchreiben, true,
     [](Fehlermatrix& t, Fehler, int code) {
         Fehlermatrix::WerkzeugErgebnis(t.Krv4({"write", Fehlermatrix::daten, "--program", "1"}), code);
     }},
    {"WerkzeugSchreibenAlle", "W3W", 1, 34, kParameterSchreiben, true,
     [](Fehlermatrix& t, Fehler, int code) { Fehlermatrix::WerkzeugErgebnis(t.Krv4({"write", Fehlermatrix::daten}), code); }},
    {"WerkzeugLesenEines", "W3R", 0, 14, kSchrittLesen, true,
     [](Fehlermatrix& t, Fehler, int code) {
         // The file is read first and written only after a good read.
         const std::string ziel = TempName("fehlermatrix_eines.krv");
         const std::string vorher = Datei(Fehlermatrix::daten);
         std::ofstream(ziel, std::ios::binary) << vorher;
         Ergebnis e = t.Krv4({"read", ziel, "--program", "1"});
         Fehlermatrix::WerkzeugErgebnis(e, code);
         if (code != 0) {
             EXPECT_EQ(Datei(ziel), vorher);
         } else {
             EXPECT_EQ(Datei(ziel).size(), vorher.size());
         }
         if (code == -786000) {
             EXPECT_NE(e.aus.find("Impulsauszeit (65536) ist ung"), std::string::npos) << e.aus;
         }
         std::remove(ziel.c_str());
     }},
    {"WerkzeugLesenAlle", "W3R", 1, 32, kSchrittLesen, true,
     [](Fehlermatrix& t, Fehler, int code) {
         const std::string ziel = TempName("fehlermatrix_alle.krv");
         std::ofstream(ziel, std::ios::binary) << "unverändert";
         Ergebnis e = t.Krv4({"read", ziel});
         Fehlermatrix::WerkzeugErgebnis(e, code);
         if (code) {
             EXPECT_EQ(Datei(ziel), "unverändert");
         } else {
             EXPECT_EQ(Datei(ziel).size(), kDatenblockGroesse);
         }
         std::remove(ziel.c_str());
     }},
    {"WerkzeugVergleichen", "W3R", 0, 14, kVergleichen, true,
     [](Fehlermatrix& t, Fehler f, int code) {
         Ergebnis e = t.Krv4({"compare", Fehlermatrix::daten, "--program", "1"});
         Fehlermatrix::WerkzeugErgebnis(e, code, f == Bereich ? 3 : 0);
         if (f == Bereich) {
             EXPECT_NE(e.aus.find("Vergleich nicht erfolgreich\n"), std::string::npos) << e.aus;
         } else if (code == 0) {
             EXPECT_EQ(e.aus, "Vergleich erfolgreich\n");
         }
     }},
    {"WerkzeugKalibrierungLesen", "05R", 0, 4, kKalibrierLesen, true,
     [](Fehlermatrix& t, Fehler, int code) {
         const std::string ziel = TempName("fehlermatrix_lesen.krk");
         std::ofstream(ziel, std::ios::binary) << "unverändert";
         Ergebnis e = t.Krv4({"calib", "read", ziel});
         Fehlermatrix::WerkzeugErgebnis(e, code);
         if (code) {
             EXPECT_EQ(Datei(ziel), "unverändert");
         } else {
             EXPECT_EQ(Datei(ziel).size(), kKalibrierwerteGroesse);
         }
         std::remove(ziel.c_str());
     }},
    {"WerkzeugKalibrierungSchreiben", "05W", 0, 4, kParameterSchreiben, true,
     [](Fehlermatrix& t, Fehler, int code) {
         Fehlermatrix::WerkzeugErgebnis(t.Krv4({"calib", "write", Fehlermatrix::kalibrierung}), code);
     }},
};

TEST_P(Fehlermatrix, CodeBoundStoreAndTheNextOperation) {
    const Fall& f = GetParam();
    const int code = f.vorgang->codes.Fuer(f.fehler);
    const auto beginn = Clock::now();
    f.vorgang->ablauf(*this, f.fehler, code);
    const double dauer = std::chrono::duration<double>(Clock::now() - beginn).count();
    // At most one time-out of 1.0 s per fault (two where the failure is
    // followed by "stopp" into the same silence), plus the late answer.
    EXPECT_LT(dauer, f.fehler == Verschwinden ? 3.5 : 2.5);
    // A silent, late or vanished device costs the full time-out first.
    if (code != 0 && (f.fehler == Stumm || f.fehler == LangsamAussen || f.fehler == Verschwinden)) {
        EXPECT_GE(dauer, 1.0);
    }

    // The next operation: after a fault that hit once, an ID read succeeds;
    // after the device has vanished, it fails promptly with no answer.
    if (f.fehler == LangsamAussen) std::this_thread::sleep_for(std::chrono::milliseconds(kLangsamAussenMs - 900));
    if (f.vorgang->werkzeug) {
        Ergebnis e = Krv4({"id"});
        if (f.fehler == Verschwinden) {
            EXPECT_EQ(e.status, 1);
        } else {
            EXPECT_EQ(e.status, 0) << e.fehler;
            EXPECT_EQ(e.aus, kKennung + "\n");
        }
        return;
    }
    ComPanelZeigen();
    SetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, '1');
    const auto naechste = Clock::now();
    Press(comPanelHandle, COMPANEL_IDLESEN);
    const double id = std::chrono::duration<double>(Clock::now() - naechste).count();
    EXPECT_LT(id, 2.5);  // at most one time-out
    if (f.fehler == Verschwinden) {
        EXPECT_GE(id, 1.0);
    }
    if (f.fehler == Verschwinden) {
        EXPECT_EQ(Fehlernummer(), -403012);
    } else {
        EXPECT_EQ(Fehlernummer(), 0);
        EXPECT_EQ(Text(comPanelHandle, COMPANEL_IDSTRING), kKennung);
    }
}

void PrintTo(const Fall& f, std::ostream* os) { *os << f.vorgang->name << " with " << kFehlerName[f.fehler]; }

std::vector<Fall> AlleFaelle() {
    std::vector<Fall> faelle;
    for (const Vorgang& v : kVorgaenge)
        for (int f = 0; f < kFehlerAnzahl; ++f) faelle.push_back({&v, static_cast<Fehler>(f)});
    return faelle;
}

INSTANTIATE_TEST_SUITE_P(Alle, Fehlermatrix, ::testing::ValuesIn(AlleFaelle()),
                         [](const ::testing::TestParamInfo<Fall>& i) {
                             return std::string(i.param.vorgang->name) + "_" + kFehlerName[i.param.fehler];
                         });

}  // namespace
