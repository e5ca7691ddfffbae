#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "device/ComProgramme.h"
#include "device/Krv4Funktionen.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "support/AppFixture.h"
#include "toolkit/Toolkit.h"
#include "transfer/Geraet.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

constexpr int AKTUELLES = 1, ALLE = 2;

std::string F(const char* format, int a, int b = 0) {
    char s[64];
    std::snprintf(s, sizeof s, format, a, b);
    return s;
}

// The program with a port open on the simulated device at address 1.
class Transfer : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        SerialPortSetzen(1, geraet);
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
        ASSERT_EQ(Com_OpenComPort(), 0);
    }
    void TearDown() override {
        Com_CloseComPort();
        SerialPortSetzen(1, nullptr);
        AppTest::TearDown();
    }

    // The store replaced as a file open does it, program index shown.
    void StoreSetzen(int index) {
        gProgIndex = index;
        ProgrammverwaltungNachDateiLaden();
    }
    int Fehlernummer() { return Int(panelHandle, PANEL_FEHLERNUMMER); }
    bool FortschrittSichtbar() {
        int v = 0;
        GetPanelAttribute(fortschrittPanelHandle, ATTR_VISIBLE_PANEL, v);
        return v != 0;
    }
    void Schreiben(int antwort) {
        ui->AnswerGeneric(antwort);
        Press(panelHandle, PANEL_GERAETSCHREIBEN);
    }
    void Lesen(int antwort) {
        ui->AnswerGeneric(antwort);
        Press(panelHandle, PANEL_GERAETLESEN);
    }
    // The progress text whenever a step's name is sent or asked for.
    std::vector<std::string> TexteBeiSchritten() const {
        std::vector<std::string> t;
        for (size_t i = 0; i < geraet->rahmen.size(); ++i)
            if (geraet->rahmen[i].compare(2, 2, "N2") == 0) t.push_back(texte[i]);
        return t;
    }

    std::shared_ptr<FakeKrv4> geraet = std::make_shared<FakeKrv4>();
    std::vector<std::string> texte;  // progress text at each frame
};

// The frames of one step write, from the value texts the device must get.
struct Bild {
    const char *name, *L3, *T1, *L2, *L1, *G1, *K1, *B1, *V1, *C1, *W2, *W3, *W1;
};

void StepFrames(std::vector<std::string>& v, int p, int s, const Bild& b) {
    const std::pair<const char*, const char*> felder[] = {
        {"N2", b.name}, {"L3", b.L3}, {"T1", b.T1}, {"L2", b.L2}, {"L1", b.L1}, {"G1", b.G1}, {"K1", b.K1},
        {"K2", "00000000"}, {"B1", b.B1}, {"V1", b.V1}, {"C1", b.C1}, {"W2", b.W2}, {"W3", b.W3}, {"W1", b.W1},
    };
    v.push_back(F("#1P1S%02d%02d\r", p, s));
    for (const auto& [code, wert] : felder) v.push_back(std::string("#1") + code + "W" + wert + "\r");
}

void HeaderFrames(std::vector<std::string>& v, int p, const std::string& name, int n) {
    v.push_back(F("#1P1S%02d01\r", p));
    v.push_back("#1N1W" + name + "\r");
    v.push_back("#1A1W" + std::to_string(n) + "\r");
}

const Bild kStandardBild = {"neuer Pruefschritt", "1", "2", "10.000", "0.000", "1", "00A80000", "00",
                            "0.000", "0.000", "0", "100", "1"};

Pruefschritt Schritt(const char* name) {
    Pruefschritt s = kStandardPruefschritt;
    NameSetzen(s.name, name);
    return s;
}

// Program 1: every instrument code, comparison rule, valve pattern, supply
// and pulse state and name edge; program 2 has a name with an umlaut.
void VielfaeltigerSpeicher(std::vector<std::string>& frames) {
    ProgrammeInitialisieren();
    Programm& p = gProg[0];
    NameSetzen(p.name, "Prüfprogramm");
    p.psAnzahl = 10;
    p.psIndex = 0;
    Pruefschritt* s = p.schritte;
    s[0] = Schritt("A");
    s[0].messgeraet = MESSGERAET_STROM;
    s[0].netzgeraetAktiv = 1;
    s[0].netzgeraetU = 12.5;
    s[0].netzgeraetI = 1.25;
    s[0].untererGrenzwert = 0.1;
    s[0].obererGrenzwert = 1.9;
    std::memset(s[0].ventile, 0, sizeof s[0].ventile);
    s[1] = Schritt("Zwanzig Zeichen Name");
    s[1].messgeraet = MESSGERAET_SPANNUNG;
    s[1].grenzenGut = 1;
    s[1].messwartezeit = 600;
    s[1].messenBisWeiter = 1;
    std::memset(s[1].ventile, 1, sizeof s[1].ventile);
    for (int r = 1; r <= 4; ++r) {
        s[1 + r] = Schritt(F("RPG%d", r).c_str());
        s[1 + r].messgeraet = MESSGERAET_RPG;
        s[1 + r].rpgMessbereich = r;
    }
    s[2].gutWenn = GUT_AUSSERHALB;
    s[2].differenzmessung = 1;
    s[2].untererGrenzwert = -0.5;
    s[2].obererGrenzwert = 2.00004;
    s[3].gutWenn = GUT_AUSSERHALB;
    s[3].grenzenGut = 1;
    s[3].differenzmessung = 1;
    s[3].messenBisWeiter = 1;
    s[6] = Schritt("Druck");
    s[6].impulsAktiv = 1;
    s[6].impulsEinschaltzeit = 2.26;
    s[6].impulsAusschaltzeit = 0.1;
    s[6].impulsZyklen = 65535;
    s[7] = Schritt("Vakuum");
    s[7].messgeraet = MESSGERAET_VAKUUM;
    s[7].impulsAusschaltzeit = 6553.5;
    s[8] = Schritt("Flow");
    s[8].messgeraet = MESSGERAET_FLOW;
    std::memset(s[8].ventile, 0, sizeof s[8].ventile);
    s[8].ventile[VENTIL_EXTDRUCK_DS] = 1;
    s[9] = Schritt("Überdruckprüfung 12");
    NameSetzen(gProg[1].name, "Ä");
    gProgIndex = 0;
    ProgrammverwaltungNachDateiLaden();

    HeaderFrames(frames, 1, "Pruefprogramm", 10);
    const Bild bilder[] = {
        {"A", "1", "2", "1.900", "0.100", "9", "01000000", "00", "12.500", "1.250", "0", "100", "1"},
        {"Zwanzig Zeichen Name", "2", "600", "10.000", "0.000", "8", "00FF0000", "01", "0.000", "0.000", "0", "100",
         "1"},
        {"RPG1", "3", "2", "2.000", "-0.500", "4", "00A80000", "10", "0.000", "0.000", "0", "100", "1"},
        {"RPG2", "4", "2", "10.000", "0.000", "5", "00A80000", "11", "0.000", "0.000", "0", "100", "1"},
        {"RPG3", "1", "2", "10.000", "0.000", "6", "00A80000", "00", "0.000", "0.000", "0", "100", "1"},
        {"RPG4", "1", "2", "10.000", "0.000", "7", "00A80000", "00", "0.000", "0.000", "0", "100", "1"},
        {"Druck", "1", "2", "10.000", "0.000", "1", "02A80000", "00", "0.000", "0.000", "23", "1", "65535"},
        {"Vakuum", "1", "2", "10.000", "0.000", "2", "00A80000", "00", "0.000", "0.000", "0", "65535", "1"},
        {"Flow", "1", "2", "10.000", "0.000", "3", "00010000", "00", "0.000", "0.000", "0", "100", "1"},
        {"Ueberdruckpruefung 1", "1", "2", "10.000", "0.000", "1", "00A80000", "00", "0.000", "0.000", "0", "100",
         "1"},
    };
    for (int j = 0; j < 10; ++j) StepFrames(frames, 1, j + 1, bilder[j]);
    for (int i = 2; i <= 16; ++i) {
        HeaderFrames(frames, i, i == 2 ? "Ae" : "Programm " + std::to_string(i), 1);
        StepFrames(frames, i, 1, kStandardBild);
    }
}

TEST_F(Transfer, FullWriteOfAVariedStoreSendsExactlyTheseFrames) {
    std::vector<std::string> erwartet;
    VielfaeltigerSpeicher(erwartet);
    Com_ComFehlerSetzen(-403078);
    Schreiben(ALLE);
    EXPECT_EQ(geraet->rahmen, erwartet);
    ASSERT_EQ(ui->Shown().size(), 1u);
    const ShownPopup& frage = ui->Shown()[0];
    EXPECT_EQ(frage.title, "zu KRV-4 schreiben");
    EXPECT_EQ(frage.message, "Nur aktuell ausgewähltes oder alle Programme schreiben?");
    EXPECT_EQ(frage.buttons, (std::vector<std::string>{"aktuelles", "alle", "abbrechen"}));
    EXPECT_EQ(frage.activeButton, 2);
    EXPECT_EQ(frage.enterButton, 2);
    EXPECT_EQ(frage.escapeButton, 3);
    // Success: no message, error display cleared, progress panel hidden.
    EXPECT_EQ(Fehlernummer(), 0);
    EXPECT_EQ(Text(panelHandle, PANEL_FEHLERSTRING), "");
    EXPECT_FALSE(FortschrittSichtbar());
    EXPECT_EQ(Int(fortschrittPanelHandle, FORTSCHPNL_BALKEN), 25);
    EXPECT_EQ(Attribute(fortschrittPanelHandle, FORTSCHPNL_BALKEN, ATTR_MAX_VALUE), 25);
    // Names stay as the operator typed them on the PC.
    EXPECT_STREQ(gProg[0].name, "Prüfprogramm");
}

TEST_F(Transfer, CurrentSendsOnlyTheEditedProgramWithAnEditNotYetStored) {
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 2);
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
    Operate(panelHandle, PANEL_NETZGERAETU, 7.5);
    ASSERT_EQ(gProg[2].psAnzahl, 1);  // not yet in the table
    geraet->beiSchreiben = [this] { texte.push_back(Text(fortschrittPanelHandle, FORTSCHPNL_TEXT)); };
    Schreiben(AKTUELLES);
    std::vector<std::string> erwartet;
    HeaderFrames(erwartet, 3, "Programm 3", 3);
    Bild geaendert = kStandardBild;
    geaendert.V1 = "7.500";
    for (int j = 1; j <= 3; ++j) StepFrames(erwartet, 3, j, j == 3 ? geaendert : kStandardBild);
    EXPECT_EQ(geraet->rahmen, erwartet);
    EXPECT_EQ(TexteBeiSchritten(), (std::vector<std::string>{"Schreibe Programm 3 Schritt 1",
                                                             "Schreibe Programm 3 Schritt 2",
                                                             "Schreibe Programm 3 Schritt 3"}));
    EXPECT_EQ(texte.front(), "");  // the header goes before the first step text
    EXPECT_EQ(gProg[2].psAnzahl, 3);
}

TEST_F(Transfer, EnterAnswersAllAndEscapeCancelsEveryOperation) {
    for (int knopf : {PANEL_GERAETSCHREIBEN, PANEL_GERAETLESEN, PANEL_GERAETVERGLEICHEN}) {
        SCOPED_TRACE(knopf);
        ui->AnswerGeneric(3);
        Press(panelHandle, knopf);
        ASSERT_EQ(ui->Shown().size(), 1u);
        EXPECT_EQ(ui->Shown()[0].escapeButton, 3);
        EXPECT_EQ(ui->Shown()[0].enterButton, 2);
        EXPECT_TRUE(geraet->rahmen.empty());
        EXPECT_EQ(Fehlernummer(), 0);
        EXPECT_FALSE(FortschrittSichtbar());
        ui->ClearShown();
    }
    const ShownPopup* frage = nullptr;
    ui->AnswerGeneric(2);  // Enter
    Press(panelHandle, PANEL_GERAETSCHREIBEN);
    frage = &ui->Shown().at(0);
    EXPECT_EQ(frage->answer, frage->enterButton);
    EXPECT_EQ(geraet->rahmen.size(), 16u * 3 + 16u * 15);
    EXPECT_EQ(geraet->rahmen.back(), "#1W1W1\r");
}

TEST_F(Transfer, TheThreeQuestionsAskWithTheirOwnTitles) {
    geraet->ProgrammAnlegen(1, "Programm 1", 1);
    const struct {
        int knopf;
        const char *titel, *frage;
    } faelle[] = {
        {PANEL_GERAETLESEN, "von KRV-4 lesen", "Nur aktuell ausgewähltes oder alle Programme lesen?"},
        {PANEL_GERAETVERGLEICHEN, "von KRV-4 vergleichen", "Nur aktuell ausgewähltes oder alle Programme vergleichen?"},
    };
    for (const auto& f : faelle) {
        ui->ClearShown();
        ui->AnswerGeneric(3);
        Press(panelHandle, f.knopf);
        ASSERT_EQ(ui->Shown().size(), 1u);
        EXPECT_EQ(ui->Shown()[0].title, f.titel);
        EXPECT_EQ(ui->Shown()[0].message, f.frage);
        EXPECT_EQ(ui->Shown()[0].buttons, (std::vector<std::string>{"aktuelles", "alle", "abbrechen"}));
    }
}

TEST_F(Transfer, AFaultySelectedStepSendsNothingAndShowsTwoMessages) {
    Operate(panelHandle, PANEL_OBERERGRENZWERT, 3.0);
    Operate(panelHandle, PANEL_UNTERERGRENZWERT, 5.0);
    Com_ComFehlerSetzen(-402076);
    ui->AnswerMessage();
    ui->AnswerMessage();
    Press(panelHandle, PANEL_GERAETSCHREIBEN);
    ASSERT_EQ(ui->Shown().size(), 2u);
    EXPECT_EQ(ui->Shown()[0].title, "Fehler im Prüfschritt");
    EXPECT_EQ(ui->Shown()[0].message, "Oberer Grenzwert ist kleiner als Unterer Grenzwert.\n");
    EXPECT_EQ(ui->Shown()[1].title, "Fehler im Prüfschritt");
    EXPECT_EQ(ui->Shown()[1].message, "Schreiben zum KRV-4 wurde abgebrochen");
    EXPECT_TRUE(geraet->rahmen.empty());
    EXPECT_EQ(Fehlernummer(), 0);
}

TEST_F(Transfer, WithoutAPortEveryButtonShowsCode122000AndNoQuestion) {
    Com_CloseComPort();
    for (int knopf : {PANEL_GERAETSCHREIBEN, PANEL_GERAETLESEN, PANEL_GERAETVERGLEICHEN}) {
        Com_ComFehlerSetzen(0);
        Press(panelHandle, knopf);
        EXPECT_TRUE(ui->Shown().empty());
        EXPECT_EQ(Fehlernummer(), 122000);
        EXPECT_EQ(Int(comPanelHandle, COMPANEL_FEHLERNUMMER), 122000);
        EXPECT_EQ(Text(panelHandle, PANEL_FEHLERSTRING), "Serielle Schnittstelle ist nicht geöffnet");
        EXPECT_FALSE(FortschrittSichtbar());
    }
}

TEST_F(Transfer, TheCollectiveAddressWritesWithoutAnswerButCannotReadOrCompare) {
    SetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, '&');
    Schreiben(ALLE);
    EXPECT_EQ(Fehlernummer(), 0);
    ASSERT_EQ(geraet->rahmen.size(), 288u);
    for (const auto& r : geraet->rahmen) EXPECT_EQ(r[1], '&');
    const Programm vorher = gProg[0];
    Lesen(ALLE);
    EXPECT_EQ(Fehlernummer(), 400080);
    EXPECT_EQ(std::memcmp(&vorher, &gProg[0], sizeof vorher), 0);
    ui->AnswerGeneric(ALLE);
    Press(panelHandle, PANEL_GERAETVERGLEICHEN);
    EXPECT_EQ(Fehlernummer(), 400080);
    EXPECT_EQ(geraet->rahmen.size(), 288u + 2);  // the two selections; reads send nothing
}

// NAK, CAN, silence and a wrong answer byte at the third parameter of
// program 2's first step ("messzeit", command 24 of an "alle" write).
TEST_F(Transfer, AWriteStopsAtTheFirstFaultWithTheDriversCode) {
    const struct {
        FakeKrv4::Stoerung art;
        int code;
    } faelle[] = {{FakeKrv4::Stoerung::Nak, 402076},
                  {FakeKrv4::Stoerung::Can, 405077},
                  {FakeKrv4::Stoerung::Stumm, 403078},
                  {FakeKrv4::Stoerung::FalschesByte, 404079}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.code);
        Com_CloseComPort();
        geraet = std::make_shared<FakeKrv4>();
        SerialPortSetzen(1, geraet);
        ASSERT_EQ(Com_OpenComPort(), 0);
        geraet->StoerungBei(24, f.art);
        Schreiben(ALLE);
        EXPECT_EQ(Fehlernummer(), f.code);
        ASSERT_EQ(geraet->rahmen.size(), 25u);
        EXPECT_EQ(geraet->rahmen[24], "#1T1W2\r");
        EXPECT_EQ(geraet->werte.at("P01S01:W1"), "1");  // program 1 complete
        EXPECT_EQ(geraet->werte.at("P02:N1"), "Programm 2");
        EXPECT_EQ(geraet->werte.count("P02S01:T1"), 0u);
        EXPECT_EQ(Text(fortschrittPanelHandle, FORTSCHPNL_TEXT), "Schreibe Programm 2 Schritt 1");
        EXPECT_FALSE(FortschrittSichtbar());
        ui->ClearShown();
    }
}

// A step that came from a file with values no control allows.
TEST_F(Transfer, AStepWithoutADeviceRepresentationIsRefusedByTheDriver) {
    const struct {
        const char* was;
        void (*setzen)(Pruefschritt&);
        int gesendet;  // frames of the step before the refusal
    } faelle[] = {
        {"instrument 0", [](Pruefschritt& s) { s.messgeraet = 0; }, 6},
        {"instrument 7", [](Pruefschritt& s) { s.messgeraet = 7; }, 6},
        {"RPG range 5", [](Pruefschritt& s) { s.messgeraet = MESSGERAET_RPG; s.rpgMessbereich = 5; }, 6},
        {"pulse time 1e300", [](Pruefschritt& s) { s.impulsEinschaltzeit = 1e300; }, 12},
        {"pulse time -1e300", [](Pruefschritt& s) { s.impulsAusschaltzeit = -1e300; }, 13},
        {"pulse time NaN", [](Pruefschritt& s) { s.impulsEinschaltzeit = std::nan(""); }, 12},
        {"pulse time 6553.6", [](Pruefschritt& s) { s.impulsEinschaltzeit = 6553.6; }, 12},
        {"voltage NaN", [](Pruefschritt& s) { s.netzgeraetU = std::nan(""); }, 10},
        {"limit 1e300", [](Pruefschritt& s) { s.obererGrenzwert = 1e300; }, 4},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.was);
        Pruefschritt s = kStandardPruefschritt;
        f.setzen(s);
        Krv4Pruefschritt bild;
        PruefschrittNachKrv4(s, bild);
        geraet->rahmen.clear();
        EXPECT_EQ(SchrittparameterSchreiben(1, '1', 0, 0, Komplett, bild), -500070);
        EXPECT_EQ(static_cast<int>(geraet->rahmen.size()), f.gesendet);
    }
}

TEST_F(Transfer, TheDirectTestWritesOutputsOnlyWithoutSelection) {
    Pruefschritt s = kStandardPruefschritt;
    s.netzgeraetAktiv = 1;
    s.netzgeraetU = 5;
    EXPECT_EQ(ComProgramme_PruefschrittSchreiben(1, '1', 0, s), 0);
    EXPECT_EQ(geraet->rahmen, (std::vector<std::string>{"#1G1W1\r", "#1K1W01A80000\r", "#1K2W00000000\r",
                                                        "#1B1W00\r", "#1V1W5.000\r", "#1C1W0.000\r"}));
    geraet->rahmen.clear();
    EXPECT_EQ(ComProgramme_PruefschrittSchreiben(1, '1', 1, s), 0);
    EXPECT_EQ(geraet->rahmen.size(), 9u);
    EXPECT_EQ(geraet->rahmen.back(), "#1W1W1\r");
}

// ---- reading ----

TEST_F(Transfer, ReadingTheCurrentProgramTakesItOverAndShowsItsFirstStep) {
    geraet->ProgrammAnlegen(5, "Vom Geraet", 2);
    geraet->Setzen(5, 1, "G1", "6");   // RPG range 3
    geraet->Setzen(5, 2, "G1", "2");   // vacuum: the device has no RPG range
    geraet->Setzen(5, 2, "W2", "23");
    geraet->Setzen(5, 2, "W3", "1");
    geraet->Setzen(5, 2, "W1", "65535");
    geraet->Setzen(5, 2, "T1", "600");
    geraet->Setzen(5, 2, "L3", "4");
    geraet->Setzen(5, 2, "K1", "03FF0000");
    geraet->Setzen(5, 2, "B1", "11");
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 4);
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);  // three steps, third selected
    AlsGespeichertSetzen();
    geraet->beiSchreiben = [this] { texte.push_back(Text(fortschrittPanelHandle, FORTSCHPNL_TEXT)); };
    Lesen(AKTUELLES);
    EXPECT_EQ(Fehlernummer(), 0);
    EXPECT_EQ(texte.at(0), "Lese Programm 5");
    EXPECT_EQ(TexteBeiSchritten(),
              (std::vector<std::string>{"Lese Programm 5 Schritt 1", "Lese Programm 5 Schritt 2"}));
    EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE).at(4), "5 - Vom Geraet");
    EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX), (std::vector<std::string>{"S5.1", "S5.2"}));
    EXPECT_EQ(gPSindex, 0);
    EXPECT_EQ(Int(panelHandle, PANEL_RPGAKTIV), 1);
    EXPECT_EQ(Int(panelHandle, PANEL_RPGMESSBEREICH), 3);
    EXPECT_FALSE(gDatenGeaendert);
    const Programm& p = gProg[4];
    EXPECT_EQ(p.psAnzahl, 2);
    EXPECT_EQ(p.psIndex, 0);
    const Pruefschritt& s = p.schritte[1];
    EXPECT_EQ(s.messgeraet, MESSGERAET_VAKUUM);
    EXPECT_EQ(s.rpgMessbereich, 4);
    EXPECT_DOUBLE_EQ(s.impulsEinschaltzeit, 2.3);
    EXPECT_DOUBLE_EQ(s.impulsAusschaltzeit, 0.1);
    EXPECT_EQ(s.impulsZyklen, 65535);
    EXPECT_EQ(s.messwartezeit, 600);
    EXPECT_EQ(s.gutWenn, GUT_AUSSERHALB);
    EXPECT_EQ(s.grenzenGut, 1);
    EXPECT_EQ(s.netzgeraetAktiv, 1);
    EXPECT_EQ(s.impulsAktiv, 1);
    EXPECT_EQ(s.messenBisWeiter, 1);
    EXPECT_EQ(s.differenzmessung, 1);
    for (int v = 0; v < kAnzahlVentile; ++v) EXPECT_EQ(s.ventile[v], 1);
    // What the device does not deliver is defined: default steps, zero padding.
    for (int j = 2; j < kMaxPruefschritte; ++j)
        EXPECT_EQ(std::memcmp(&p.schritte[j], &kStandardPruefschritt, sizeof(Pruefschritt)), 0);
    const uint8_t null[4] = {};
    EXPECT_EQ(std::memcmp(s.fuellbytes1, null, 4), 0);
    EXPECT_EQ(std::memcmp(s.fuellbytes2, null, 4), 0);
}

TEST_F(Transfer, AnInvalidDeviceStepCountStopsBeforeAnyStepIsRequested) {
    for (int anzahl : {0, 11}) {
        SCOPED_TRACE(anzahl);
        geraet->rahmen.clear();
        ui->ClearShown();
        geraet->ProgrammAnlegen(1, "Geraet", 1);
        geraet->Setzen(1, 1, "A1", std::to_string(anzahl));
        const Programm vorher = gProg[0];
        for (int knopf : {PANEL_GERAETLESEN, PANEL_GERAETVERGLEICHEN}) {
            ui->AnswerGeneric(ALLE);
            ui->AnswerMessage();
            Press(panelHandle, knopf);
            EXPECT_EQ(Fehlernummer(), 786000);
            EXPECT_EQ(ui->Shown().back().title, "KRV-4: Fehlerhafte Daten");
            EXPECT_EQ(ui->Shown().back().message,
                      "Fehler in Programm 1:\nAnzahl Prüfschritte (" + std::to_string(anzahl) + ") ist ungültig");
            EXPECT_EQ(std::memcmp(&vorher, &gProg[0], sizeof vorher), 0);
        }
        EXPECT_EQ(geraet->rahmen, (std::vector<std::string>{"#1P1S0101\r", "#1N1R\r", "#1A1R\r", "#1P1S0101\r",
                                                            "#1N1R\r", "#1A1R\r"}));
    }
}

TEST_F(Transfer, EveryReadBackCheckNamesTheValueAndKeepsTheStore) {
    const struct {
        std::vector<std::pair<const char*, const char*>> werte;
        const char* meldung;  // nullptr: accepted
    } faelle[] = {
        {{{"W2", "-1"}}, "Impulseinzeit (-1)"},
        {{{"W2", "65536"}}, "Impulseinzeit (65536)"},
        {{{"W2", "0"}, {"W3", "65535"}, {"W1", "65535"}, {"T1", "600"}, {"T1", "0"}}, nullptr},
        {{{"W3", "0"}}, "Impulsauszeit (0)"},
        {{{"W3", "65536"}}, "Impulsauszeit (65536)"},
        {{{"W1", "0"}}, "Impulszyklen (0)"},
        {{{"W1", "65536"}}, "Impulszyklen (65536)"},
        {{{"T1", "601"}}, "Meßzeit (601)"},
        {{{"T1", "-1"}}, "Meßzeit (-1)"},
        {{{"G1", "0"}}, "Meßgerät (0)"},
        {{{"G1", "10"}}, "Meßgerät (10)"},
        {{{"L3", "0"}}, "Vergleichsoperation (0)"},
        {{{"L3", "5"}}, "Vergleichsoperation (5)"},
        // The pulse values are checked before the waiting time.
        {{{"W1", "0"}, {"T1", "601"}}, "Impulszyklen (0)"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.meldung ? f.meldung : "accepted");
        ui->ClearShown();
        geraet->ProgrammAnlegen(1, "Geraet", 2);
        for (const auto& [code, wert] : f.werte) geraet->Setzen(1, 2, code, wert);
        const Programm vorher = gProg[0];
        ui->AnswerGeneric(AKTUELLES);
        if (f.meldung) ui->AnswerMessage();
        Press(panelHandle, PANEL_GERAETLESEN);
        if (!f.meldung) {
            EXPECT_EQ(Fehlernummer(), 0);
            EXPECT_EQ(gProg[0].psAnzahl, 2);
            StoreSetzen(0);
            ProgrammeInitialisieren();
            continue;
        }
        EXPECT_EQ(Fehlernummer(), 786000);
        EXPECT_EQ(Text(panelHandle, PANEL_FEHLERSTRING), "Im Gerät gespeicherte Daten sind ungültig.");
        ASSERT_EQ(ui->Shown().size(), 2u);
        EXPECT_EQ(ui->Shown()[1].title, "KRV-4: Fehlerhafte Daten");
        EXPECT_EQ(ui->Shown()[1].message,
                  std::string("Fehler in Programm 1 Schritt 2:\n") + f.meldung + " ist ungültig");
        EXPECT_EQ(std::memcmp(&vorher, &gProg[0], sizeof vorher), 0);
    }
}

TEST_F(Transfer, AReadFaultLeavesTheProgramsItHadNotFinished) {
    const struct {
        FakeKrv4::Stoerung art;
        int code;
    } faelle[] = {{FakeKrv4::Stoerung::Nak, 402086},
                  {FakeKrv4::Stoerung::Can, 405087},
                  {FakeKrv4::Stoerung::Stumm, 403088},
                  {FakeKrv4::Stoerung::FalschesByte, 404089}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.code);
        ProgrammeInitialisieren();
        Com_CloseComPort();
        geraet = std::make_shared<FakeKrv4>();
        SerialPortSetzen(1, geraet);
        ASSERT_EQ(Com_OpenComPort(), 0);
        for (int p = 1; p <= 16; ++p) geraet->ProgrammAnlegen(p, "G" + std::to_string(p), 1);
        // Program 1 takes 3 + 15 commands; program 2's header 3, then its
        // step's selection, name, upper and lower limit: command 24.
        geraet->StoerungBei(24, f.art);
        const Programm zwei = gProg[1];
        Lesen(ALLE);
        EXPECT_EQ(Fehlernummer(), f.code);
        EXPECT_EQ(geraet->rahmen.size(), 25u);
        EXPECT_EQ(geraet->rahmen[24], "#1L1R\r");
        EXPECT_STREQ(gProg[0].name, "G1");
        EXPECT_EQ(std::memcmp(&zwei, &gProg[1], sizeof zwei), 0);
        EXPECT_STREQ(gProg[2].name, "Programm 3");
        // The editor (program 1) shows what the store holds now.
        EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE).at(0), "1 - G1");
        EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX), (std::vector<std::string>{"S1.1"}));
        ui->ClearShown();
    }
}

TEST_F(Transfer, APartialReadKeepsTheWorkingCopyOfAProgramItDidNotReach) {
    for (int p = 1; p <= 16; ++p) geraet->ProgrammAnlegen(p, "G" + std::to_string(p), 1);
    geraet->Setzen(3, 1, "G1", "10");
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 3);
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
    Operate(panelHandle, PANEL_NETZGERAETU, 4.25);
    ui->AnswerGeneric(ALLE);
    ui->AnswerMessage();
    Press(panelHandle, PANEL_GERAETLESEN);
    EXPECT_EQ(Fehlernummer(), 786000);
    EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE),
              (std::vector<std::string>{"1 - G1", "2 - G2", "3 - Programm 3", "4 - Programm 4", "5 - Programm 5",
                                        "6 - Programm 6", "7 - Programm 7", "8 - Programm 8", "9 - Programm 9",
                                        "10 - Programm 10", "11 - Programm 11", "12 - Programm 12",
                                        "13 - Programm 13", "14 - Programm 14", "15 - Programm 15",
                                        "16 - Programm 16"}));
    EXPECT_EQ(Int(panelHandle, PANEL_PROGRAMMLISTE), 3);
    EXPECT_EQ(gPSanzahl, 2);
    EXPECT_EQ(gPSindex, 1);
    EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_NETZGERAETU), 4.25);
    // A program switch now takes program 1 as read, and keeps program 4's edit.
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 0);
    EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX), (std::vector<std::string>{"S1.1"}));
    EXPECT_DOUBLE_EQ(gProg[3].schritte[1].netzgeraetU, 4.25);
}

// ---- comparing ----

class Vergleich : public Transfer {
protected:
    void SetUp() override {
        Transfer::SetUp();
        std::vector<std::string> unbenutzt;
        VielfaeltigerSpeicher(unbenutzt);
        Schreiben(ALLE);
        ASSERT_EQ(Fehlernummer(), 0);
        ui->ClearShown();
    }
    // The answer to the program question comes first, then the others.
    void Vergleichen(int antwort, const std::vector<int>& danach, int meldungen) {
        ui->AnswerGeneric(antwort);
        for (int a : danach) ui->AnswerGeneric(a);
        for (int i = 0; i < meldungen; ++i) ui->AnswerMessage();
        Press(panelHandle, PANEL_GERAETVERGLEICHEN);
    }
    std::vector<std::string> Meldungen() const {
        std::vector<std::string> m;
        for (size_t i = 1; i < ui->Shown().size(); ++i) m.push_back(ui->Shown()[i].title + "|" + ui->Shown()[i].message);
        return m;
    }
};

TEST_F(Vergleich, RightAfterAWriteEverythingIsEqual) {
    geraet->rahmen.clear();
    geraet->beiSchreiben = [this] { texte.push_back(Text(fortschrittPanelHandle, FORTSCHPNL_TEXT)); };
    Vergleichen(ALLE, {}, 1);
    EXPECT_EQ(Meldungen(), (std::vector<std::string>{"Ergebnis|Vergleich erfolgreich"}));
    EXPECT_EQ(Fehlernummer(), 0);
    EXPECT_EQ(texte.at(0), "Lese Programm 1");
    const std::vector<std::string> schritte = TexteBeiSchritten();
    ASSERT_EQ(schritte.size(), 25u);
    EXPECT_EQ(schritte[9], "Lese Programm 1 Schritt 10");
    EXPECT_EQ(schritte[24], "Lese Programm 16 Schritt 1");
    // Nothing is written by a compare.
    for (const auto& r : geraet->rahmen) EXPECT_TRUE(r.compare(4, 1, "R") == 0 || r.compare(2, 3, "P1S") == 0) << r;
}

TEST_F(Vergleich, LimitsAreComparedWithinOneTenThousandth) {
    gProg[0].schritte[0].untererGrenzwert = 2.5;
    gProg[0].schritte[0].obererGrenzwert = 10.0;
    StoreSetzen(0);
    Schreiben(AKTUELLES);
    ui->ClearShown();
    gPruefschritte[0].untererGrenzwert = 2.50004;
    Vergleichen(AKTUELLES, {}, 1);
    EXPECT_EQ(Meldungen(), (std::vector<std::string>{"Ergebnis|Vergleich erfolgreich"}));
    ui->ClearShown();
    gPruefschritte[0].untererGrenzwert = 2.5004;
    Vergleichen(AKTUELLES, {1}, 1);
    EXPECT_EQ(Meldungen(), (std::vector<std::string>{
                               "Unterschied gefunden|Programm 1 Schritt 1:\nUnterschied gefunden in unterer Grenzwert\n"
                               "(KRV-4-interne Darstellung)\n\nKRV-4 = 2.5000\nPC = 2.5004",
                               "Ergebnis|Vergleich nicht erfolgreich"}));
    const ShownPopup& u = ui->Shown()[1];
    EXPECT_EQ(u.buttons, (std::vector<std::string>{"Weiter", "Abbruch"}));
    EXPECT_EQ(u.activeButton, 1);
    EXPECT_EQ(u.enterButton, 1);
    EXPECT_EQ(u.escapeButton, 2);
}

TEST_F(Vergleich, ANameDifferenceIsReportedAndTheStepsAreStillCompared) {
    geraet->Setzen(2, 1, "N1", "Anders");
    geraet->Setzen(2, 1, "T1", "9");
    Vergleichen(ALLE, {1, 1}, 1);
    EXPECT_EQ(Meldungen(),
              (std::vector<std::string>{
                  "Unterschied gefunden|Programm 2:\nUnterschied gefunden in Programmname\n"
                  "(KRV-4-interne Darstellung)\n\nKRV-4 = Anders\nPC = Ae",
                  "Unterschied gefunden|Programm 2 Schritt 1:\nUnterschied gefunden in Meßzeit\n"
                  "(KRV-4-interne Darstellung)\n\nKRV-4 = 9\nPC = 2",
                  "Ergebnis|Vergleich nicht erfolgreich"}));
}

TEST_F(Vergleich, DifferingStepCountsEndTheRunWithTheCounts) {
    geraet->Setzen(2, 1, "A1", "3");
    Vergleichen(ALLE, {}, 1);
    EXPECT_EQ(Meldungen(), (std::vector<std::string>{"Ergebnis|Programm 2:\nAnzahl Prüfschritte sind nicht "
                                                     "gleich.\n\nKRV-4 = 3\nPC = 1"}));
    EXPECT_EQ(geraet->rahmen.back(), "#1A1R\r");  // program 3 is not read
    EXPECT_EQ(Fehlernummer(), 0);
}

TEST_F(Vergleich, AbbruchEndsAtOnceAndTwoDifferencesComeInTableOrder) {
    geraet->Setzen(1, 4, "C1", "1.000");
    geraet->Setzen(1, 4, "G1", "9");
    Com_ComFehlerSetzen(-402086);
    Vergleichen(ALLE, {1, 1}, 1);
    EXPECT_EQ(Meldungen(), (std::vector<std::string>{
                               "Unterschied gefunden|Programm 1 Schritt 4:\nUnterschied gefunden in Meßgerät\n"
                               "(KRV-4-interne Darstellung)\n\nKRV-4 = 9\nPC = 5",
                               "Unterschied gefunden|Programm 1 Schritt 4:\nUnterschied gefunden in Strom\n"
                               "(KRV-4-interne Darstellung)\n\nKRV-4 = 1.0000\nPC = 0.0000",
                               "Ergebnis|Vergleich nicht erfolgreich"}));
    EXPECT_EQ(Fehlernummer(), 0);
    ui->ClearShown();
    Com_ComFehlerSetzen(-402086);
    Vergleichen(ALLE, {2}, 0);  // Abbruch
    EXPECT_EQ(Meldungen().size(), 1u);
    EXPECT_EQ(geraet->rahmen.back(), "#1C1R\r");  // the step is read whole before it is compared
    EXPECT_EQ(Fehlernummer(), 0);
}

TEST_F(Vergleich, EveryFieldHasItsLabelAndFormat) {
    const struct {
        const char *code, *wert, *bezeichnung, *werte;
    } faelle[] = {
        {"N2", "X", "Prüfschrittname", "KRV-4 = X\nPC = RPG3"},
        {"L2", "9.000", "oberer Grenzwert", "KRV-4 = 9.0000\nPC = 10.0000"},
        {"L3", "2", "Vorgleichsoperation", "KRV-4 = 2\nPC = 1"},
        {"K1", "00A80001", "Relaisgruppe1", "KRV-4 = $00A80001\nPC = $00A80000"},
        {"K2", "0000ABCD", "Relaisgruppe2", "KRV-4 = $0000ABCD\nPC = $00000000"},
        {"B1", "FF", "Schritt-Modusbyte", "KRV-4 = $FF\nPC = $00"},
        {"W1", "7", "Impulsgenerator-Zyklen", "KRV-4 = 7\nPC = 1"},
        {"W2", "8", "Impulsgenerator-Einschaltzeit", "KRV-4 = 8\nPC = 0"},
        {"W3", "9", "Impulsgenerator-Ausschaltzeit", "KRV-4 = 9\nPC = 100"},
        {"V1", "1.500", "Spannung", "KRV-4 = 1.5000\nPC = 0.0000"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.code);
        ui->ClearShown();
        const std::string alt = geraet->werte.at(std::string("P01S05:") + f.code);
        geraet->Setzen(1, 5, f.code, f.wert);
        Vergleichen(AKTUELLES, {2}, 0);
        geraet->Setzen(1, 5, f.code, alt);
        ASSERT_EQ(Meldungen().size(), 1u);
        EXPECT_EQ(Meldungen()[0], std::string("Unterschied gefunden|Programm 1 Schritt 5:\nUnterschied gefunden in ") +
                                      f.bezeichnung + "\n(KRV-4-interne Darstellung)\n\n" + f.werte);
    }
}

// Write, read into an empty store, compare: the store comes back as the
// device carries it.
TEST_F(Vergleich, AReadAfterAWriteGivesTheStoreBackAsTheDeviceCarriesIt) {
    Programm geschrieben[kAnzahlProgramme];
    std::memcpy(geschrieben, gProg, sizeof gProg);
    ProgrammeInitialisieren();
    Lesen(ALLE);
    ASSERT_EQ(Fehlernummer(), 0);
    for (int i = 0; i < kAnzahlProgramme; ++i) {
        SCOPED_TRACE(i);
        Programm erwartet = geschrieben[i];
        char name[kNamenslaenge];
        // Bytes after a name's end are not carried.
        NameNachKrv4(erwartet.name, name, sizeof name);
        std::memset(erwartet.name, 0, sizeof erwartet.name);
        NameSetzen(erwartet.name, name);
        erwartet.psIndex = 0;
        for (int j = 0; j < kMaxPruefschritte; ++j) {
            Pruefschritt& s = erwartet.schritte[j];
            if (j >= erwartet.psAnzahl) {
                s = kStandardPruefschritt;
                continue;
            }
            NameNachKrv4(geschrieben[i].schritte[j].name, name, sizeof name);
            std::memset(s.name, 0, sizeof s.name);
            NameSetzen(s.name, name);
            if (s.messgeraet != MESSGERAET_RPG) s.rpgMessbereich = 4;
            s.impulsEinschaltzeit = static_cast<int>(s.impulsEinschaltzeit * 10 + 0.5) / 10.0;
            s.obererGrenzwert = std::round(s.obererGrenzwert * 1000) / 1000;
        }
        const auto* a = reinterpret_cast<const unsigned char*>(&erwartet);
        const auto* b = reinterpret_cast<const unsigned char*>(&gProg[i]);
        size_t erste = 0;
        while (erste < sizeof erwartet && a[erste] == b[erste]) ++erste;
        EXPECT_EQ(erste, sizeof erwartet) << "first differing byte";
    }
    ui->ClearShown();
    Vergleichen(ALLE, {}, 1);
    EXPECT_EQ(Meldungen(), (std::vector<std::string>{"Ergebnis|Vergleich erfolgreich"}));
}

// The store byte for byte, for undo and redo of a read.
std::vector<unsigned char> Speicherbild() {
    std::vector<unsigned char> b(sizeof gProg + sizeof gPruefschritte);
    std::memcpy(b.data(), gProg, sizeof gProg);
    std::memcpy(b.data() + sizeof gProg, gPruefschritte, sizeof gPruefschritte);
    b.push_back(static_cast<unsigned char>(gProgIndex));
    b.push_back(static_cast<unsigned char>(gPSanzahl));
    b.push_back(static_cast<unsigned char>(gPSindex));
    return b;
}

std::string MenueText(int punkt) {
    std::string text;
    GetMenuBarAttribute(GetPanelMenuBar(panelHandle), punkt, ATTR_ITEM_NAME, text);
    return text;
}

void AlleProgrammeImGeraet(FakeKrv4& geraet) {
    for (int p = 1; p <= kAnzahlProgramme; ++p) geraet.ProgrammAnlegen(p, "Geraet " + std::to_string(p), 2);
}

TEST_F(Transfer, AReadOfAllProgramsOverUnsavedEditsIsTakenBackAsOneStep) {
    AlleProgrammeImGeraet(*geraet);
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 2);
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
    Operate(panelHandle, PANEL_NETZGERAETU, 17.5);
    const auto vorher = Speicherbild();
    const std::vector<std::string> listeVorher = Items(panelHandle, PANEL_PROGRAMMLISTE);

    bool gedimmtWaehrendDesLesens = true;
    geraet->beiSchreiben = [&] {
        gedimmtWaehrendDesLesens = gedimmtWaehrendDesLesens && MenuDimmed(panelHandle, MENU_BEARBEITEN_RUECKGAENGIG) &&
                                   MenuDimmed(panelHandle, MENU_BEARBEITEN_WIEDERHERSTELLEN);
    };
    Lesen(ALLE);
    geraet->beiSchreiben = nullptr;
    ASSERT_EQ(Int(panelHandle, PANEL_FEHLERNUMMER), 0);
    ASSERT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE).at(2), "3 - Geraet 3");
    EXPECT_TRUE(gedimmtWaehrendDesLesens);
    EXPECT_EQ(MenueText(MENU_BEARBEITEN_RUECKGAENGIG), "Rückgängig: von KRV-4 lesen");
    const auto gelesen = Speicherbild();

    ChooseMenu(panelHandle, MENU_BEARBEITEN_RUECKGAENGIG);
    EXPECT_EQ(Speicherbild(), vorher);
    EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE), listeVorher);
    EXPECT_EQ(Int(panelHandle, PANEL_PROGRAMMLISTE), 2);
    EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_NETZGERAETU), 17.5);
    EXPECT_TRUE(gDatenGeaendert);

    ChooseMenu(panelHandle, MENU_BEARBEITEN_WIEDERHERSTELLEN);
    EXPECT_EQ(Speicherbild(), gelesen);
    EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE).at(2), "3 - Geraet 3");
}

TEST_F(Transfer, AReadAfterASaveStillAsksNothingOnQuitButItsUndoReturnsToTheFile) {
    AlleProgrammeImGeraet(*geraet);
    Lesen(ALLE);
    EXPECT_FALSE(gDatenGeaendert);  // reads do not mark the data
    ChooseMenu(panelHandle, MENU_BEARBEITEN_RUECKGAENGIG);
    EXPECT_FALSE(gDatenGeaendert);  // back at the state of start-up
    EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE).at(0), "1 - Programm 1");
}

// ---- the device form of names ----

TEST(Geraetename, UmlautsAreSpelledOutAndWhatTheFramingKeepsBecomesAQuestionMark) {
    const struct {
        const char* pc;
        const char* geraet;
    } faelle[] = {
        {"Ventil #2", "Ventil ?2"},
        {"#", "?"},
        {"a\rb", "a?b"},
        {"\x06\x15\x18\n\t", "?????"},  // ACK, NAK, CAN and the other control characters
        {"~\x7F", "~?"},
        {"Größe #1", "Groesse ?1"},
        {"\x80 & *", "? & *"},
        {"####################x", "????????????????????"},  // cut to 20 characters
        {"Prüfüngßäöü#ÄÖÜ", "Pruefuengssaeoeue?Ae"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.pc);
        char name[kNamenslaenge];
        NameNachKrv4(f.pc, name, sizeof name);
        EXPECT_STREQ(name, f.geraet);
    }
}

// ---- the compare's tolerance ----

// Two step images that differ only in their lower limit: whether the compare
// reports it (a report is the pop-up, answered "Abbruch").
bool Verschieden(double geraet, double pc) {
    HeadlessBackend& ui = FreshHeadlessToolkit();
    Krv4Pruefschritt g{}, p{};
    g.unterergrenzwert = geraet;
    p.unterergrenzwert = pc;
    ui.AnswerGeneric(2);
    bool unterschied = false;
    const int gestoppt = PruefschrittVergleichen(0, 0, g, p, unterschied);
    EXPECT_EQ(gestoppt, unterschied ? 1 : 0);
    EXPECT_EQ(ui.AllAnswersUsed(), unterschied);
    return unterschied;
}

TEST(Toleranz, ADifferenceOfExactlyOneTenThousandthIsEqualAndOneOfElevenHundredThousandthsIsNot) {
    const struct {
        double geraet, pc;
        bool verschieden;
    } faelle[] = {
        {0.141, 0.1411, false},     {0.1411, 0.141, false},     {0.141, 0.14111, true},
        {0.141, 0.1409, false},     {0.141, 0.14089, true},     {0.0, 0.0001, false},
        {0.0, 0.00011, true},       {0.0, -0.0001, false},      {-2.5, -2.5001, false},
        {-2.5, -2.50011, true},     {2.5, 2.50004, false},      {2.5, 2.5004, true},
        {1000.0, 1000.0001, false}, {1000.0, 1000.00011, true}, {29999.999, 30000.0, true},
        {30000.0, 30000.0001, false}, {30000.0, 30000.00011, true}, {1e6, 1e6 + 0.0001, false},
        {1e6, 1000000.00011, true},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(std::to_string(f.geraet) + " / " + std::to_string(f.pc));
        EXPECT_EQ(Verschieden(f.geraet, f.pc), f.verschieden);
    }
}

// Every value of three decimals from 0 to 100 on the device against the same
// with a fourth decimal 1 on the PC (equal) and with 11 after it (different),
// each the double nearest to its decimal text, as the device's reply and the
// operator's input give them.
TEST(Toleranz, HoldsForEveryThreeDecimalValueUpToOneHundred) {
    auto zahl = [](const char* format, int k) {
        char text[32];
        std::snprintf(text, sizeof text, format, k / 1000, k % 1000);
        return std::strtod(text, nullptr);
    };
    int gleichGemeldet = 0, verschiedenUebersehen = 0;
    for (int k = 0; k <= 100000; ++k) {
        const double geraet = zahl("%d.%03d", k);
        if (Verschieden(geraet, zahl("%d.%03d1", k))) ++gleichGemeldet;
        if (!Verschieden(geraet, zahl("%d.%03d11", k))) ++verschiedenUebersehen;
    }
    EXPECT_EQ(gleichGemeldet, 0);
    EXPECT_EQ(verschiedenUebersehen, 0);
}

}  // namespace
