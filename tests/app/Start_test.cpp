#include <cstring>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "model/Schrittbearbeitung.h"
#include "support/AppFixture.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

using StartTest = AppTest;

TEST_F(StartTest, MainPanelShowsUntitledAndSixteenPrograms) {
    EXPECT_EQ(Title(panelHandle), "KRV4 Steuerung - Unbenannt");
    int shown = 0;
    GetPanelAttribute(panelHandle, ATTR_VISIBLE_PANEL, shown);
    EXPECT_TRUE(shown);

    std::vector<std::string> programme = Items(panelHandle, PANEL_PROGRAMMLISTE);
    ASSERT_EQ(programme.size(), 16u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(programme[i], std::to_string(i + 1) + " - Programm " + std::to_string(i + 1));
    EXPECT_EQ(Int(panelHandle, PANEL_PROGRAMMLISTE), 0);
    EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX), std::vector<std::string>{"neuer Pruefschritt"});
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_EQ(gDateiname, "Unbenannt");
    EXPECT_EQ(Text(infoPanelHandle, INFOPANEL_VERSION), "KRV4-TST1 V 0.3");
    EXPECT_EQ(Text(infoPanelHandle, INFOPANEL_DATUM), "05/2007");
}

TEST_F(StartTest, EveryProgramIsOneDefaultStepByteForByte) {
    unsigned char erwartet[128] = {};
    std::memcpy(erwartet, "neuer Pruefschritt", 18);
    auto putInt = [&](int off, int32_t v) { std::memcpy(erwartet + off, &v, 4); };
    auto putReal = [&](int off, double v) { std::memcpy(erwartet + off, &v, 8); };
    putReal(56, 10.0);  // impulsAusschaltzeit
    putInt(64, 1);      // impulsZyklen
    putInt(72, 4);      // messgeraet Druck
    putInt(76, 2);      // messwartezeit
    putInt(88, 4);      // rpgMessbereich
    putReal(104, 10.0); // obererGrenzwert
    putInt(112, 2);     // gutWenn
    const unsigned char ventile[8] = {0, 1, 0, 0, 1, 1, 0, 0};
    std::memcpy(erwartet + 120, ventile, 8);

    for (int i = 0; i < kAnzahlProgramme; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(gProg[i].psAnzahl, 1);
        EXPECT_EQ(gProg[i].psIndex, 0);
        EXPECT_STREQ(gProg[i].name, ("Programm " + std::to_string(i + 1)).c_str());
        EXPECT_EQ(std::memcmp(&gProg[i].schritte[0], erwartet, 128), 0);
    }
    EXPECT_EQ(gPSanzahl, 1);
    EXPECT_EQ(gPSindex, 0);
    EXPECT_EQ(std::memcmp(&gPruefschritte[0], erwartet, 128), 0);
}

TEST_F(StartTest, DefaultStepIsShownOnThePanel) {
    EXPECT_EQ(Int(panelHandle, PANEL_DRUCKAKTIV), 1);
    for (int c : {PANEL_VAKUUMAKTIV, PANEL_FLOWAKTIV, PANEL_RPGAKTIV, PANEL_SPANNUNGAKTIV, PANEL_STROMAKTIV})
        EXPECT_EQ(Int(panelHandle, c), 0);
    EXPECT_EQ(Text(panelHandle, PANEL_EINHEIT1), "mbar");
    EXPECT_EQ(Text(panelHandle, PANEL_EINHEIT2), "mbar");
    EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_IMPULSAUSSCHALTZEIT), 10.0);
    EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_OBERERGRENZWERT), 10.0);
    EXPECT_EQ(Int(panelHandle, PANEL_GUTINNERHALB), 1);
    EXPECT_EQ(Int(panelHandle, PANEL_RPGMESSBEREICH), 4);
    const int ventile[8] = {0, 1, 0, 0, 1, 1, 0, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(Int(panelHandle, PANEL_K_OEFFNUNGDS + i), ventile[i]);
}

struct SchalterFall {
    std::vector<std::string> args;
    bool kalibrierung;
};

class ServiceSwitchTest : public AppTest, public ::testing::WithParamInterface<SchalterFall> {};

TEST_P(ServiceSwitchTest, CalibrationButtonOnlyForTheExactSwitchAlone) {
    const std::vector<std::string>& args = GetParam().args;
    if (args.size() == 1 && !GetParam().kalibrierung && args.front()[0] != '-') {
        // Any other single argument names a data file to open; none of these
        // exists, so "Öffnen"'s pop-up comes, and the program starts anyway.
        ui = &FreshHeadlessToolkit();
        ui->AnswerMessage();
        ProgrammspeicherZuruecksetzen();
        std::string name = "krv4steuerung", argument = args.front();
        char* argv[] = {name.data(), argument.data(), nullptr};
        ASSERT_EQ(Krv4SteuerungStarten(2, argv), 0);
        ASSERT_EQ(ui->Shown().size(), 1u);
        EXPECT_EQ(ui->Shown().front().title, "Fehler #308000");
    } else {
        // A switch, known or not, opens nothing: no pop-up comes.
        ASSERT_EQ(Start(args), 0);
        EXPECT_TRUE(ui->Shown().empty());
    }
    EXPECT_EQ(gKalibrierFlag, GetParam().kalibrierung);
    EXPECT_EQ(Attribute(panelHandle, PANEL_KALIBRIERUNG, ATTR_VISIBLE), GetParam().kalibrierung ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Kommandozeile, ServiceSwitchTest,
                         ::testing::Values(SchalterFall{{}, false}, SchalterFall{{"-p=SrvModeOpen"}, true},
                                           SchalterFall{{"-p=srvmodeopen"}, false},
                                           SchalterFall{{"-P=SrvModeOpen"}, false},
                                           SchalterFall{{"-p=SrvModeOpen", "x"}, false},
                                           SchalterFall{{"x", "-p=SrvModeOpen"}, false},
                                           SchalterFall{{"-p=SrvModeOpen "}, false},
                                           SchalterFall{{"--help"}, false}, SchalterFall{{"-"}, false},
                                           SchalterFall{{"kein-schalter.krv"}, false}));

TEST(StartFailure, AFailingPanelLoadEndsStartUpWithMinusOne) {
    for (int panel : {PANEL, STRINGPNL, KALPANEL}) {
        SCOPED_TRACE(panel);
        HeadlessBackend& ui = FreshHeadlessToolkit();
        ui.RefusePanel(panel);
        char name[] = "krv4steuerung";
        char* argv[] = {name, nullptr};
        EXPECT_EQ(Krv4SteuerungAusfuehren(1, argv), -1);
        EXPECT_TRUE(ui.Shown().empty());
    }
}

TEST(StartFailure, NoToolkitMeansMinusOne) {
    SetToolkitBackend(nullptr);
    char name[] = "krv4steuerung";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(Krv4SteuerungAusfuehren(1, argv), -1);
}

TEST_F(StartTest, ClosingTheMainPanelEndsTheEventLoop) {
    ui->Later([] { ClosePanel(panelHandle); });
    EXPECT_EQ(RunUserInterface(), 0);
    EXPECT_TRUE(ui->Quitted());
}

using ProgramStoreTest = AppTest;

TEST_F(ProgramStoreTest, SwitchingAwayAndBackRestoresTheProgramWithTheLastPanelEdit) {
    // Program 1 gets a second step, the first step selected, and a panel edit.
    gPSindex = 0;
    gPruefschritte[1] = kStandardPruefschritt;
    NameSetzen(gPruefschritte[1].name, "zweiter");
    gPSanzahl = 2;
    PruefschrittlisteAktualisieren();
    PruefschrittAusArrayLaden();
    SetCtrlVal(panelHandle, PANEL_NETZGERAETU, 12.5);
    Pruefschritt vorher[2];
    std::memcpy(vorher, gPruefschritte, sizeof vorher);
    vorher[0].netzgeraetU = 12.5;

    ASSERT_EQ(ProgrammeUmschalten(4), 0);
    EXPECT_EQ(gProgIndex, 4);
    EXPECT_EQ(gPSanzahl, 1);
    EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_NETZGERAETU), 0.0);

    ASSERT_EQ(ProgrammeUmschalten(0), 0);
    EXPECT_EQ(gPSanzahl, 2);
    EXPECT_EQ(gPSindex, 0);
    EXPECT_EQ(std::memcmp(gPruefschritte, vorher, sizeof vorher), 0);
    EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_NETZGERAETU), 12.5);
    EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX), (std::vector<std::string>{"neuer Pruefschritt", "zweiter"}));
}

TEST_F(ProgramStoreTest, CopiesCarryPaddingAndUnusedSlotsUnchanged) {
    Pruefschritt s = kStandardPruefschritt;
    std::memset(s.fuellbytes1, 0xA5, 4);
    std::memset(s.fuellbytes2, 0x5A, 4);
    s.name[22] = 'x';  // bytes after the NUL
    gPruefschritte[0] = s;
    std::memset(&gProg[3].schritte[7], 0x77, sizeof(Pruefschritt));  // an unused slot

    ArbeitskopieInProgrammSpeichern(3);
    EXPECT_EQ(std::memcmp(&gProg[3].schritte[0], &s, sizeof s), 0);
    Pruefschritt unbenutzt;
    std::memset(&unbenutzt, 0x77, sizeof unbenutzt);
    EXPECT_EQ(std::memcmp(&gProg[3].schritte[7], &unbenutzt, sizeof unbenutzt), 0);

    std::memset(gPruefschritte, 0, sizeof gPruefschritte);
    ArbeitskopieAusProgrammLaden(3);
    EXPECT_EQ(std::memcmp(&gPruefschritte[0], &s, sizeof s), 0);
}

TEST_F(ProgramStoreTest, UnknownInstrumentCodeSurvivesAStoreWithUntouchedSelectors) {
    gPruefschritte[0].messgeraet = 0;
    gPruefschritte[0].gutWenn = 0;
    PruefschrittAusArrayLaden();
    for (int c : {PANEL_DRUCKAKTIV, PANEL_VAKUUMAKTIV, PANEL_FLOWAKTIV, PANEL_RPGAKTIV, PANEL_SPANNUNGAKTIV,
                  PANEL_STROMAKTIV})
        EXPECT_EQ(Int(panelHandle, c), 0);
    EXPECT_EQ(Int(panelHandle, PANEL_GUTINNERHALB), 0);
    EXPECT_EQ(Int(panelHandle, PANEL_GUTAUSSERHALB), 0);

    SetCtrlVal(panelHandle, PANEL_NETZGERAETI, 1.5);
    PruefschrittInArraySpeichern();
    EXPECT_EQ(gPruefschritte[0].messgeraet, 0);
    EXPECT_EQ(gPruefschritte[0].gutWenn, 0);
    EXPECT_DOUBLE_EQ(gPruefschritte[0].netzgeraetI, 1.5);
}

TEST_F(ProgramStoreTest, RecordAndPanelRoundTripEveryField) {
    Pruefschritt s = kStandardPruefschritt;
    s.netzgeraetAktiv = 1;
    s.netzgeraetU = 24.25;
    s.netzgeraetI = 3.5;
    s.impulsEinschaltzeit = 12.5;
    s.impulsAusschaltzeit = 100.5;
    s.impulsZyklen = 65535;
    s.impulsAktiv = 1;
    s.messgeraet = MESSGERAET_RPG;
    s.messwartezeit = 600;
    s.messenBisWeiter = 1;
    s.differenzmessung = 1;
    s.rpgMessbereich = 2;
    s.untererGrenzwert = -1e6;
    s.obererGrenzwert = 1e6;
    s.gutWenn = GUT_AUSSERHALB;
    s.grenzenGut = 1;
    const uint8_t ventile[8] = {1, 0, 1, 1, 0, 0, 1, 1};
    std::memcpy(s.ventile, ventile, 8);
    gPruefschritte[0] = s;
    PruefschrittAusArrayLaden();
    EXPECT_EQ(Text(panelHandle, PANEL_EINHEIT1), "Ohm");

    gPruefschritte[0] = kStandardPruefschritt;
    PruefschrittInArraySpeichern();
    EXPECT_EQ(std::memcmp(&gPruefschritte[0].netzgeraetAktiv, &s.netzgeraetAktiv, 128 - 24), 0);
    EXPECT_STREQ(gPruefschritte[0].name, "neuer Pruefschritt");  // the name is not a panel control
}

}  // namespace
