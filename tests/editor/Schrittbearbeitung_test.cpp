#include <cmath>
#include <functional>

#include "editor/Editor.h"
#include "model/Schrittbearbeitung.h"
#include "model/Schrittliste.h"

namespace {

using StepEditingTest = AppTest;

constexpr int kMessgeraete[] = {PANEL_DRUCKAKTIV, PANEL_VAKUUMAKTIV, PANEL_FLOWAKTIV,
                                PANEL_RPGAKTIV,   PANEL_SPANNUNGAKTIV, PANEL_STROMAKTIV};

struct Feldfall {
    const char* name;
    int control;
    bool ganzzahl;
    double wert;
    std::function<double(const Pruefschritt&)> feld;
};

TEST_F(StepEditingTest, EveryPanelEditReachesTheSelectedStepAtOnceAndMarksTheData) {
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);  // edits must reach step 2, not step 1
    ASSERT_EQ(gPSindex, 1);
    const Feldfall faelle[] = {
        {"Netzgerät", PANEL_NETZGERAETAKTIV, true, 1, [](auto& s) { return s.netzgeraetAktiv; }},
        {"U", PANEL_NETZGERAETU, false, 24.5, [](auto& s) { return s.netzgeraetU; }},
        {"I", PANEL_NETZGERAETI, false, 3.25, [](auto& s) { return s.netzgeraetI; }},
        {"Impuls", PANEL_IMPULSAKTIV, true, 1, [](auto& s) { return s.impulsAktiv; }},
        {"aus", PANEL_IMPULSAUSSCHALTZEIT, false, 250.5, [](auto& s) { return s.impulsAusschaltzeit; }},
        {"ein", PANEL_IMPULSEINSCHALTZEIT, false, 12.5, [](auto& s) { return s.impulsEinschaltzeit; }},
        {"Zyklen", PANEL_IMPULSZYKLEN, true, 777, [](auto& s) { return s.impulsZyklen; }},
        {"Wartezeit", PANEL_MESSWARTEZEIT, true, 600, [](auto& s) { return s.messwartezeit; }},
        {"Differenz", PANEL_DIFFERENZMESSUNG, true, 1, [](auto& s) { return s.differenzmessung; }},
        {"bis Weiter", PANEL_MESSENBISWEITER, true, 1, [](auto& s) { return s.messenBisWeiter; }},
        {"Grenzen gut", PANEL_GRENZENGUT, true, 1, [](auto& s) { return s.grenzenGut; }},
        {"unten", PANEL_UNTERERGRENZWERT, false, -3.5, [](auto& s) { return s.untererGrenzwert; }},
        {"oben", PANEL_OBERERGRENZWERT, false, 1e6, [](auto& s) { return s.obererGrenzwert; }},
        {"RPG-Bereich", PANEL_RPGMESSBEREICH, true, 2, [](auto& s) { return s.rpgMessbereich; }},
        {"V3", PANEL_K_OEFFNUNGDS, true, 1, [](auto& s) { return s.ventile[0]; }},
        {"V6", PANEL_K_OEFFNUNGSS, true, 0, [](auto& s) { return s.ventile[1]; }},
        {"V2", PANEL_K_DROSSELDS, true, 1, [](auto& s) { return s.ventile[2]; }},
        {"V5", PANEL_K_DROSSELSS, true, 1, [](auto& s) { return s.ventile[3]; }},
        {"V1", PANEL_K_BYPASSDS, true, 0, [](auto& s) { return s.ventile[4]; }},
        {"V4", PANEL_K_BYPASSSS, true, 0, [](auto& s) { return s.ventile[5]; }},
        {"V7", PANEL_K_EXTDRUCKDS, true, 1, [](auto& s) { return s.ventile[6]; }},
        {"V8", PANEL_K_EXTDRUCKSS, true, 1, [](auto& s) { return s.ventile[7]; }},
    };
    for (const Feldfall& f : faelle) {
        SCOPED_TRACE(f.name);
        AlsGespeichertSetzen();
        if (f.ganzzahl) Operate(panelHandle, f.control, static_cast<int>(f.wert));
        else Operate(panelHandle, f.control, f.wert);
        EXPECT_DOUBLE_EQ(f.feld(gPruefschritte[1]), f.wert);
        EXPECT_TRUE(gDatenGeaendert);
    }
    Pruefschritt standard = kStandardPruefschritt;
    EXPECT_EQ(std::memcmp(&gPruefschritte[0], &standard, sizeof standard), 0);
}

struct Geraetefall {
    int control;
    int code;
    const char* einheit;
};

TEST_F(StepEditingTest, InstrumentSelectorsActAsOneRadioGroupAndSetTheUnits) {
    const Geraetefall faelle[] = {
        {PANEL_VAKUUMAKTIV, MESSGERAET_VAKUUM, "mbar"}, {PANEL_FLOWAKTIV, MESSGERAET_FLOW, "nl/min"},
        {PANEL_RPGAKTIV, MESSGERAET_RPG, "kOhm"},       {PANEL_SPANNUNGAKTIV, MESSGERAET_SPANNUNG, "V"},
        {PANEL_STROMAKTIV, MESSGERAET_STROM, "A"},      {PANEL_DRUCKAKTIV, MESSGERAET_DRUCK, "mbar"},
    };
    for (const Geraetefall& f : faelle) {
        SCOPED_TRACE(f.code);
        AlsGespeichertSetzen();
        Operate(panelHandle, f.control, 1);
        for (int c : kMessgeraete) EXPECT_EQ(Int(panelHandle, c), c == f.control ? 1 : 0);
        EXPECT_EQ(gPruefschritte[0].messgeraet, f.code);
        EXPECT_EQ(Text(panelHandle, PANEL_EINHEIT1), f.einheit);
        EXPECT_EQ(Text(panelHandle, PANEL_EINHEIT2), f.einheit);
        EXPECT_TRUE(gDatenGeaendert);
    }
}

TEST_F(StepEditingTest, ClickingTheSelectedInstrumentKeepsItAndStillMarksTheData) {
    ASSERT_EQ(Int(panelHandle, PANEL_DRUCKAKTIV), 1);
    Toggle(panelHandle, PANEL_DRUCKAKTIV);  // the click switches the button off; the group puts it back
    EXPECT_EQ(Int(panelHandle, PANEL_DRUCKAKTIV), 1);
    EXPECT_EQ(gPruefschritte[0].messgeraet, MESSGERAET_DRUCK);
    EXPECT_TRUE(gDatenGeaendert);
}

TEST_F(StepEditingTest, RpgUnitFollowsTheRange) {
    Operate(panelHandle, PANEL_RPGAKTIV, 1);
    const struct {
        int bereich;
        const char* einheit;
    } faelle[] = {{3, "kOhm"}, {1, "Ohm"}, {4, "kOhm"}, {2, "Ohm"}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.bereich);
        AlsGespeichertSetzen();
        Operate(panelHandle, PANEL_RPGMESSBEREICH, f.bereich);
        EXPECT_EQ(Text(panelHandle, PANEL_EINHEIT1), f.einheit);
        EXPECT_EQ(Text(panelHandle, PANEL_EINHEIT2), f.einheit);
        EXPECT_EQ(gPruefschritte[0].rpgMessbereich, f.bereich);
        EXPECT_TRUE(gDatenGeaendert);
    }
    // With another instrument the range changes no unit.
    Operate(panelHandle, PANEL_FLOWAKTIV, 1);
    Operate(panelHandle, PANEL_RPGMESSBEREICH, 1);
    EXPECT_EQ(Text(panelHandle, PANEL_EINHEIT1), "nl/min");
}

TEST_F(StepEditingTest, PassRuleButtonsActAsOneRadioGroup) {
    Operate(panelHandle, PANEL_GUTAUSSERHALB, 1);
    EXPECT_EQ(Int(panelHandle, PANEL_GUTINNERHALB), 0);
    EXPECT_EQ(gPruefschritte[0].gutWenn, GUT_AUSSERHALB);
    AlsGespeichertSetzen();
    Toggle(panelHandle, PANEL_GUTAUSSERHALB);
    EXPECT_EQ(Int(panelHandle, PANEL_GUTAUSSERHALB), 1);
    EXPECT_TRUE(gDatenGeaendert);
    Operate(panelHandle, PANEL_GUTINNERHALB, 1);
    EXPECT_EQ(Int(panelHandle, PANEL_GUTAUSSERHALB), 0);
    EXPECT_EQ(gPruefschritte[0].gutWenn, GUT_INNERHALB);
}

TEST_F(StepEditingTest, SelectingAStepInTheListShowsItWithoutMarking) {
    Operate(panelHandle, PANEL_NETZGERAETU, 5.0);
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
    Operate(panelHandle, PANEL_NETZGERAETU, 7.0);
    AlsGespeichertSetzen();
    OperateIndex(panelHandle, PANEL_LISTBOX, 0);
    EXPECT_EQ(gPSindex, 0);
    EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_NETZGERAETU), 5.0);
    OperateIndex(panelHandle, PANEL_LISTBOX, 1);
    EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_NETZGERAETU), 7.0);
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_TRUE(ui->Shown().empty());
}

constexpr const char* kZeile1 = "Netzgerät und Impulsgenerator dürfen nicht gleichzeitig aktiv sein.\n";
constexpr const char* kZeile2 = "RPG darf nicht gleichzeitig mit Netzgerät oder Impulsgenerator aktiv sein.\n";
constexpr const char* kZeile3 = "Oberer Grenzwert ist kleiner als Unterer Grenzwert.\n";

struct Plausifall {
    const char* name;
    int netz, impuls;
    bool rpg;
    double unten, oben;
    std::string meldung;  // empty: valid
};

void PrintTo(const Plausifall& f, std::ostream* os) { *os << f.name; }

class PlausibilityTest : public AppTest, public ::testing::WithParamInterface<Plausifall> {};

TEST_P(PlausibilityTest, OneBoxListsEveryFaultInOrder) {
    const Plausifall& f = GetParam();
    Operate(panelHandle, PANEL_OBERERGRENZWERT, f.oben);
    Operate(panelHandle, PANEL_UNTERERGRENZWERT, f.unten);
    if (f.rpg) Operate(panelHandle, PANEL_RPGAKTIV, 1);
    Operate(panelHandle, PANEL_NETZGERAETAKTIV, f.netz);
    Operate(panelHandle, PANEL_IMPULSAKTIV, f.impuls);
    Zustand vorher = Zustand::Jetzt();
    if (!f.meldung.empty()) ui->AnswerMessage();

    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);

    if (f.meldung.empty()) {
        EXPECT_TRUE(ui->Shown().empty());
        EXPECT_EQ(gPSanzahl, 2);
    } else {
        ASSERT_EQ(ui->Shown().size(), 1u);
        EXPECT_EQ(ui->Shown()[0].title, "Fehler im Prüfschritt");
        EXPECT_EQ(ui->Shown()[0].message, f.meldung);
        EXPECT_EQ(Zustand::Jetzt(), vorher);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faelle, PlausibilityTest,
    ::testing::Values(Plausifall{"gueltig", 1, 0, false, 0, 10, ""},
                      Plausifall{"gleicheGrenzen", 0, 1, false, 4.5, 4.5, ""},
                      Plausifall{"NetzUndImpuls", 1, 1, false, 0, 10, kZeile1},
                      Plausifall{"NetzMitRpg", 1, 0, true, 0, 10, kZeile2},
                      Plausifall{"ImpulsMitRpg", 0, 1, true, 0, 10, kZeile2},
                      Plausifall{"GrenzenVertauscht", 0, 0, false, 5, 3, kZeile3},
                      Plausifall{"alleDrei", 1, 1, true, 5, 3, std::string(kZeile1) + kZeile2 + kZeile3}),
    [](const auto& info) { return std::string(info.param.name); });

class FaultyStepTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
        Press(panelHandle, PANEL_PRUEFSCHRITTKOPIEREN);    // the paste button is usable
        ChooseMenu(panelHandle, MENU_PROGRAMM_KOPIEREN);  // and so is the program paste
        OperateIndex(panelHandle, PANEL_LISTBOX, 0);
        Operate(panelHandle, PANEL_NETZGERAETAKTIV, 1);
        Operate(panelHandle, PANEL_IMPULSAKTIV, 1);
        AlsGespeichertSetzen();
        ui->ClearShown();
    }

    void ExpectRefused(const Zustand& vorher) {
        ASSERT_EQ(ui->Shown().size(), 1u);
        EXPECT_EQ(ui->Shown()[0].title, "Fehler im Prüfschritt");
        EXPECT_EQ(ui->Shown()[0].message, kZeile1);
        EXPECT_EQ(Zustand::Jetzt(), vorher);
        ui->ClearShown();
    }
};

TEST_F(FaultyStepTest, BlocksStepButtonsProgramMenuProgramListAndSaving) {
    Zustand vorher = Zustand::Jetzt();
    for (int knopf : {PANEL_PRUEFSCHRITTNEU, PANEL_PRUEFSCHRITTKOPIEREN, PANEL_PRUEFSCHRITTEINFUEGEN,
                      PANEL_PRUEFSCHRITTUMBENENNE, PANEL_PRUEFSCHRITTAUFWAERTS, PANEL_PRUEFSCHRITTABWAERTS}) {
        SCOPED_TRACE(knopf);
        ui->AnswerMessage();
        Press(panelHandle, knopf);
        ExpectRefused(vorher);
    }
    for (int eintrag : {MENU_PROGRAMM_UMBENENNEN, MENU_PROGRAMM_KOPIEREN, MENU_PROGRAMM_EINFUEGEN}) {
        SCOPED_TRACE(eintrag);
        ui->AnswerMessage();
        ChooseMenu(panelHandle, eintrag);
        ExpectRefused(vorher);
    }
    ui->AnswerMessage();
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 3);
    ExpectRefused(vorher);
    EXPECT_EQ(Int(panelHandle, PANEL_PROGRAMMLISTE), 0);

    ui->AnswerMessage();
    ui->AnswerMessage();
    ChooseMenu(panelHandle, MENU_DATEI_SPEICHERN);
    ASSERT_EQ(ui->Shown().size(), 2u);
    EXPECT_EQ(ui->Shown()[0].message, kZeile1);
    EXPECT_EQ(ui->Shown()[1].title, "Fehler im Prüfschritt");
    EXPECT_EQ(ui->Shown()[1].message, "Datei wurde nicht gespeichert");
    EXPECT_EQ(Zustand::Jetzt(), vorher);
}

TEST_F(FaultyStepTest, CanBeLeftThroughTheStepListAndDeleted) {
    OperateIndex(panelHandle, PANEL_LISTBOX, 1);
    EXPECT_EQ(gPSindex, 1);
    OperateIndex(panelHandle, PANEL_LISTBOX, 0);
    EXPECT_EQ(gPruefschritte[0].impulsAktiv, 1);  // still stored as edited

    Press(panelHandle, PANEL_PRUEFSCHRITTLOESCHEN);
    EXPECT_TRUE(ui->Shown().empty());
    EXPECT_EQ(gPSanzahl, 1);
    EXPECT_EQ(gPruefschritte[0].impulsAktiv, 0);
    EXPECT_TRUE(gDatenGeaendert);
}

}  // namespace
