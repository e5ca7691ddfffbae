#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/Krv4Steuerung.h"
#include "device/ComProgramme.h"
#include "device/qvlkrv4.h"
#include "e2e/Prozess.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "platform/SerialPort.h"
#include "storage/Dateifunktionen.h"
#include "support/AppFixture.h"
#include "support/Vielfalt.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

// The tool talks UTF-8 whatever the character set of this file's literals.
std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::string Lesen(const std::string& datei) {
    std::ifstream f(datei, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// What a read gives back of what was written: 7-bit names, pulse times in
// 0.1 ms, limits and supply values with three decimals, no RPG range for
// other instruments, defaults in the slots the device does not have.
Programm WieVomGeraet(const Programm& p) {
    Programm e = p;
    char name[kNamenslaenge];
    NameNachKrv4(p.name, name, sizeof name);
    std::memset(e.name, 0, sizeof e.name);
    NameSetzen(e.name, name);
    e.psIndex = 0;
    for (int j = 0; j < kMaxPruefschritte; ++j) {
        Pruefschritt& s = e.schritte[j];
        if (j >= e.psAnzahl) {
            s = kStandardPruefschritt;
            continue;
        }
        NameNachKrv4(p.schritte[j].name, name, sizeof name);
        std::memset(s.name, 0, sizeof s.name);
        NameSetzen(s.name, name);
        if (s.messgeraet != MESSGERAET_RPG) s.rpgMessbereich = 4;
        auto drei = [](double v) { return std::stod(std::to_string(std::round(v * 1000) / 1000)); };
        s.untererGrenzwert = drei(s.untererGrenzwert);
        s.obererGrenzwert = drei(s.obererGrenzwert);
        s.netzgeraetU = drei(s.netzgeraetU);
        s.netzgeraetI = drei(s.netzgeraetI);
        s.impulsEinschaltzeit = static_cast<int>(s.impulsEinschaltzeit * 10 + 0.5) / 10.0;
        s.impulsAusschaltzeit = static_cast<int>(s.impulsAusschaltzeit * 10 + 0.5) / 10.0;
    }
    return e;
}

void GleichWieVomGeraet(const Programm* geschrieben, const Programm* gelesen) {
    for (int i = 0; i < kAnzahlProgramme; ++i) {
        SCOPED_TRACE("Programm " + std::to_string(i + 1));
        const Programm e = WieVomGeraet(geschrieben[i]);
        const auto* a = reinterpret_cast<const unsigned char*>(&e);
        const auto* b = reinterpret_cast<const unsigned char*>(&gelesen[i]);
        size_t n = 0;
        while (n < sizeof e && a[n] == b[n]) ++n;
        EXPECT_EQ(n, sizeof e) << "first differing byte";
    }
}

// The program on the headless toolkit with COM 1 on a simulator.
class TransferE2e : public AppTest {
protected:
    void Starten(const std::vector<std::string>& optionen = {}) {
        sim = std::make_unique<Simulator>(optionen);
        setenv("KRV4_COM1", sim->pfad().c_str(), 1);
        SerialPortSetzen(1, nullptr);
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
        ASSERT_EQ(Com_OpenComPort(), 0);
    }
    void TearDown() override {
        Com_CloseComPort();
        unsetenv("KRV4_COM1");
        sim.reset();
        AppTest::TearDown();
    }
    int Knopf(int knopf, int antwort, int meldungen = 0) {
        ui->AnswerGeneric(antwort);
        for (int i = 0; i < meldungen; ++i) ui->AnswerMessage();
        Press(panelHandle, knopf);
        return Int(panelHandle, PANEL_FEHLERNUMMER);
    }
    std::unique_ptr<Simulator> sim;
};

TEST_F(TransferE2e, WriteAllReadAllCompareAll) {
    Starten();
    VielfaeltigerSpeicher();
    Programm geschrieben[kAnzahlProgramme];
    std::memcpy(geschrieben, gProg, sizeof gProg);
    ASSERT_EQ(Knopf(PANEL_GERAETSCHREIBEN, 2), 0);
    ProgrammeInitialisieren();
    ASSERT_EQ(Knopf(PANEL_GERAETLESEN, 2), 0);
    GleichWieVomGeraet(geschrieben, gProg);
    // Compare the store as written, not as read back.
    std::memcpy(gProg, geschrieben, sizeof gProg);
    ProgrammverwaltungNachDateiLaden();
    ui->ClearShown();
    ASSERT_EQ(Knopf(PANEL_GERAETVERGLEICHEN, 2, 1), 0);
    ASSERT_EQ(ui->Shown().size(), 2u);
    EXPECT_EQ(ui->Shown()[1].title, "Ergebnis");
    EXPECT_EQ(ui->Shown()[1].message, "Vergleich erfolgreich");
}

// "#" begins every frame: in a name it goes out as "?", so the device takes
// the whole write, and the compare, which forms the names the same way, agrees.
TEST_F(TransferE2e, NamesHoldingAHashAreWrittenAndComparedWhole) {
    const std::string log = TempName("krv4_transfer_raute.log");
    std::remove(log.c_str());
    Starten({"--log", log});
    VielfaeltigerSpeicher();
    const char* namen[] = {"Ventil #2", "#", "##3 #\r#", "Größe #1"};
    for (int i = 0; i < 4; ++i) {
        std::memset(gProg[i].name, 0, sizeof gProg[i].name);
        NameSetzen(gProg[i].name, namen[i]);
        std::memset(gProg[i].schritte[0].name, 0, sizeof gProg[i].schritte[0].name);
        NameSetzen(gProg[i].schritte[0].name, namen[3 - i]);
    }
    ProgrammverwaltungNachDateiLaden();
    Programm geschrieben[kAnzahlProgramme];
    std::memcpy(geschrieben, gProg, sizeof gProg);
    ASSERT_EQ(Knopf(PANEL_GERAETSCHREIBEN, 2), 0);
    std::vector<std::string> empfangen;
    std::ifstream f(log);
    for (std::string z; std::getline(f, z);)
        if (z.size() > 16 && z.compare(13, 2, "<-") == 0) empfangen.push_back(z.substr(16));
    EXPECT_NE(std::find(empfangen.begin(), empfangen.end(), "#1N1WVentil ?2<CR>"), empfangen.end());
    EXPECT_NE(std::find(empfangen.begin(), empfangen.end(), "#1N2WVentil ?2<CR>"), empfangen.end());
    EXPECT_NE(std::find(empfangen.begin(), empfangen.end(), "#1N1W??3 ??" "?<CR>"), empfangen.end());
    EXPECT_NE(std::find(empfangen.begin(), empfangen.end(), "#1N1WGroesse ?1<CR>"), empfangen.end());
    for (const std::string& r : empfangen) EXPECT_EQ(r.find('#', 1), std::string::npos) << r;

    ui->ClearShown();
    ASSERT_EQ(Knopf(PANEL_GERAETVERGLEICHEN, 2, 1), 0);
    ASSERT_EQ(ui->Shown().size(), 2u);
    EXPECT_EQ(ui->Shown()[1].message, "Vergleich erfolgreich");

    ProgrammeInitialisieren();
    ASSERT_EQ(Knopf(PANEL_GERAETLESEN, 2), 0);
    GleichWieVomGeraet(geschrieben, gProg);
    EXPECT_STREQ(gProg[0].name, "Ventil ?2");
    std::remove(log.c_str());
}

TEST_F(TransferE2e, ASimulatorThatVanishesMidWriteGivesClass403WithTheProgramsBeforeWritten) {
    const std::string log = TempName("krv4_transfer_vanish.log");
    std::remove(log.c_str());
    // Programs 1 and 2 take 18 commands each; program 3's first step is cut
    // off after its selection.
    Starten({"--vanish-after", "40", "--log", log});
    ASSERT_EQ(Knopf(PANEL_GERAETSCHREIBEN, 2), 403078);
    EXPECT_EQ(Text(fortschrittPanelHandle, FORTSCHPNL_TEXT), "Schreibe Programm 3 Schritt 1");
    std::vector<std::string> empfangen, gesendet;
    std::ifstream f(log);
    for (std::string z; std::getline(f, z);) {
        if (z.size() > 16 && z.compare(13, 2, "<-") == 0) empfangen.push_back(z.substr(16));
        if (z.size() > 16 && z.compare(13, 2, "->") == 0) gesendet.push_back(z.substr(16));
    }
    ASSERT_EQ(empfangen.size(), 41u);
    EXPECT_EQ(gesendet.size(), 40u);
    EXPECT_EQ(empfangen[18], "#1P1S0201<CR>");
    EXPECT_EQ(empfangen[35], "#1W1W1<CR>");  // program 2 complete
    EXPECT_EQ(empfangen[40], "#1N2Wneuer Pruefschritt<CR>");
    std::remove(log.c_str());
}

TEST_F(TransferE2e, TheLineDropsTheEighthBitUnlessTheSimulatorIsToldOtherwise) {
    for (bool achtBit : {false, true}) {
        SCOPED_TRACE(achtBit);
        Starten(achtBit ? std::vector<std::string>{"--eight-bit"} : std::vector<std::string>{});
        // Past the driver, as a foreign program would send it.
        const char rahmen[] = "#1N1W\xE4\r";
        ASSERT_EQ(ComWrt(1, rahmen, 7), 7);
        ASSERT_EQ(WaitOutQEmpty(1), 0);
        EXPECT_EQ(ComRdByte(1), 0x06);
        char name[21] = "";
        ASSERT_EQ(QVLKRV4_ParameterLesen(1, '1', "programmname", nullptr, nullptr, name), 0);
        EXPECT_STREQ(name, achtBit ? "\xE4" : "d");
        Com_CloseComPort();
    }
}

// The same operations through the krv4 tool and the data files.
class WerkzeugDaten : public AppTest {};

TEST_F(WerkzeugDaten, WriteReadCompareThroughTheTool) {
    const std::string quelle = TempName("krv4_transfer_quelle.krv");
    const std::string ziel = TempName("krv4_transfer_ziel.krv");
    std::remove(ziel.c_str());
    VielfaeltigerSpeicher();
    Programm geschrieben[kAnzahlProgramme];
    std::memcpy(geschrieben, gProg, sizeof gProg);
    ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, quelle);
    ASSERT_EQ(DateiSpeichern(1), 0);

    Simulator sim({});
    auto krv4 = [&](std::vector<std::string> a) {
        a.insert(a.begin(), {"--port", sim.pfad()});
        return Ausfuehren(kWerkzeug, a, std::chrono::milliseconds(20000));
    };
    Ergebnis w = krv4({"write", quelle});
    ASSERT_EQ(w.status, 0) << w.fehler;
    EXPECT_NE(w.fehler.find("Schreibe Programm 16 Schritt 6\n"), std::string::npos);
    EXPECT_EQ(w.aus, "");
    Ergebnis r = krv4({"read", ziel});
    ASSERT_EQ(r.status, 0) << r.fehler;
    Ergebnis c = krv4({"compare", quelle});
    EXPECT_EQ(c.status, 0) << c.fehler;
    EXPECT_EQ(c.aus, "Vergleich erfolgreich\n");

    const std::string gelesen = Lesen(ziel);
    ASSERT_EQ(gelesen.size(), kDatenblockGroesse);
    Datenblock block;
    std::memcpy(&block, gelesen.data(), sizeof block);
    GleichWieVomGeraet(geschrieben, block.programme);

    // One program changed on the device: every difference is listed.
    ASSERT_EQ(krv4({"select", "2", "1"}).status, 0);
    ASSERT_EQ(krv4({"set", "unterergrenzwert", "9.5"}).status, 0);
    ASSERT_EQ(krv4({"set", "strom", "0.25"}).status, 0);
    c = krv4({"compare", quelle, "--program", "2"});
    EXPECT_EQ(c.status, 3);
    EXPECT_EQ(c.aus,
              "Programm 2 Schritt 1: Unterschied gefunden in unterer Grenzwert (KRV-4-interne Darstellung) "
              "KRV-4 = 9.5000 PC = -0.2500\n"
              "Programm 2 Schritt 1: Unterschied gefunden in Strom (KRV-4-interne Darstellung) KRV-4 = 0.2500 PC = "
              "5.0000\n"
              "Vergleich nicht erfolgreich\n");
    // Read program 2 back into the file of the first read: only it changes.
    ASSERT_EQ(krv4({"read", ziel, "--program", "2"}).status, 0);
    const std::string neu = Lesen(ziel);
    ASSERT_EQ(neu.size(), kDatenblockGroesse);
    const size_t p2 = offsetof(Datenblock, programme) + sizeof(Programm);
    EXPECT_EQ(neu.substr(0, p2), gelesen.substr(0, p2));
    EXPECT_NE(neu.substr(p2, sizeof(Programm)), gelesen.substr(p2, sizeof(Programm)));
    // The rest of the file too, the program it has selected included.
    EXPECT_EQ(neu.substr(p2 + sizeof(Programm)), gelesen.substr(p2 + sizeof(Programm)));

    // A simulator started with the data file holds what a write gives it.
    Simulator geladen({"--load", quelle});
    Ergebnis g = Ausfuehren(kWerkzeug, {"--port", geladen.pfad(), "compare", quelle});
    EXPECT_EQ(g.status, 0) << g.aus << g.fehler;
    EXPECT_EQ(g.aus, "Vergleich erfolgreich\n");
    // The same compare, its trace lost: a failure.
    g = Ausfuehren(kWerkzeug, {"--port", geladen.pfad(), "--trace", "/dev/full", "compare", quelle});
    EXPECT_EQ(g.status, 1);
    EXPECT_NE(g.fehler.find("Spurdatei /dev/full"), std::string::npos) << g.fehler;

    Ergebnis s = Ausfuehren(kWerkzeug, {"show", quelle});
    EXPECT_EQ(s.status, 0);
    EXPECT_NE(s.aus.find(U8(u8"Programm 1: Prüfung Nr. 1 (1 Schritt)\n  Schritt 1: Überdruckprüfung groß\n")),
              std::string::npos)
        << s.aus;
    Ergebnis j = Ausfuehren(kWerkzeug, {"show", quelle, "--json"});
    EXPECT_EQ(j.status, 0);
    EXPECT_NE(j.aus.find(U8(u8"\"name\": \"Überdruckprüfung groß\"")), std::string::npos);
    std::remove(quelle.c_str());
    std::remove(ziel.c_str());
}

// File names as the system has them: below a "Łódź" folder, more than 300
// bytes long; the tool reads, writes, compares and shows there, and the
// program opens what it wrote.
TEST_F(WerkzeugDaten, ThePathsOfTheToolAreTheSystemsOwnOfAnyLength) {
    const std::string wurzel = TempName("krv4_pfade");
    std::string ordner = wurzel + "/" + U8(u8"Łódź");
    for (char c : {'a', 'b', 'c'}) ordner += "/" + std::string(90, c);
    std::filesystem::create_directories(ordner);
    const std::string datei = ordner + "/" + U8(u8"Öl.krv");
    ASSERT_GT(datei.size(), 300u);
    VielfaeltigerSpeicher();
    Programm geschrieben[kAnzahlProgramme];
    std::memcpy(geschrieben, gProg, sizeof gProg);

    Simulator sim({});
    auto krv4 = [&](std::vector<std::string> a) {
        a.insert(a.begin(), {"--port", sim.pfad()});
        return Ausfuehren(kWerkzeug, a, std::chrono::milliseconds(20000));
    };
    ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, datei);
    ASSERT_EQ(DateiSpeichern(1), 0);
    Ergebnis w = krv4({"write", datei});
    ASSERT_EQ(w.status, 0) << w.fehler;
    std::remove(datei.c_str());
    Ergebnis r = krv4({"read", datei});  // creates the file
    ASSERT_EQ(r.status, 0) << r.fehler;
    Ergebnis c = krv4({"compare", datei});
    EXPECT_EQ(c.status, 0) << c.fehler;
    Ergebnis s = Ausfuehren(kWerkzeug, {"show", datei});
    EXPECT_EQ(s.status, 0) << s.fehler;
    EXPECT_NE(s.aus.find("Programm 1: Pruefung Nr. 1 (1 Schritt)"), std::string::npos) << s.aus;  // as read

    ProgrammspeicherZuruecksetzen();
    ASSERT_EQ(DateiLaden(datei.c_str()), 0);
    GleichWieVomGeraet(geschrieben, gProg);
    std::filesystem::remove_all(wurzel);
}

// The selected step of the file has its upper limit below its lower one: the
// write is refused before anything is sent, and a script must see that.
TEST_F(WerkzeugDaten, ARefusedWriteExitsWith4AndSendsNothing) {
    ProgrammeInitialisieren();
    gProgIndex = 0;
    gProg[0].schritte[0].untererGrenzwert = 5.0;
    gProg[0].schritte[0].obererGrenzwert = 1.0;
    Datenblock block;
    DatenblockErstellen(block);
    const std::string datei = TempName("krv4_unplausibel.krv");
    std::ofstream(datei, std::ios::binary).write(reinterpret_cast<const char*>(&block), sizeof block);
    const std::string log = TempName("krv4_abgelehnt_sim.log");
    std::remove(log.c_str());
    Simulator sim({"--log", log});
    for (const std::vector<std::string>& mehr : {std::vector<std::string>{}, {"--program", "1"}}) {
        std::vector<std::string> a = {"--port", sim.pfad(), "write", datei};
        a.insert(a.end(), mehr.begin(), mehr.end());
        Ergebnis e = Ausfuehren(kWerkzeug, a);
        EXPECT_EQ(e.status, 4) << e.aus << e.fehler;
        EXPECT_NE(e.fehler.find("abgebrochen: Schreiben zum KRV-4 wurde abgebrochen"), std::string::npos) << e.fehler;
    }
    EXPECT_EQ(Lesen(log), "");  // not one frame
    std::remove(datei.c_str());
    std::remove(log.c_str());
}

TEST(WerkzeugScan, NoIdentificationAtAnyAddressFails) {
    Simulator sim({"--addresses", "123456789abcdef", "--fault", "*:IDR:nak"});
    Ergebnis e = Ausfuehren(kWerkzeug, {"--port", sim.pfad(), "scan"});
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.fehler.find("an keiner Adresse"), std::string::npos);
}

}  // namespace
