#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "com/ComFixture.h"
#include "direkttest/Direktgeraet.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "panels/Direkttest.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

using Liste = std::vector<std::string>;

const Liste kAusgaenge = {"status", "messgeraet", "relaisgruppe1", "relaisgruppe2", "schrittmodus", "spannung",
                          "strom"};
const Liste kMitImpuls = {"status",   "messgeraet", "relaisgruppe1", "relaisgruppe2", "schrittmodus",
                          "spannung", "strom",      "impulseinzeit", "impulsauszeit", "impulszyklen"};

// Dimmed while the direct test runs.
constexpr int kGesperrt[] = {
    PANEL_PROGRAMMLISTE,        PANEL_LISTBOX,               PANEL_PRUEFSCHRITTNEU,       PANEL_PRUEFSCHRITTLOESCHEN,
    PANEL_PRUEFSCHRITTKOPIEREN, PANEL_PRUEFSCHRITTUMBENENNE, PANEL_PRUEFSCHRITTAUFWAERTS, PANEL_PRUEFSCHRITTABWAERTS,
    PANEL_GERAETLESEN,          PANEL_GERAETSCHREIBEN,       PANEL_GERAETVERGLEICHEN,     PANEL_MESSWARTEZEIT,
    PANEL_MESSENBISWEITER,      PANEL_DIFFERENZMESSUNG,      PANEL_UNTERERGRENZWERT,      PANEL_OBERERGRENZWERT,
    PANEL_GUTINNERHALB,         PANEL_GUTAUSSERHALB,         PANEL_GRENZENGUT};
constexpr int kGesperrteMenuepunkte[] = {MENU_DATEI_NEU,           MENU_DATEI_OEFFNEN,       MENU_DATEI_SPEICHERN,
                                         MENU_DATEI_SPEICHERNUNTER, MENU_PROGRAMM_UMBENENNEN, MENU_PROGRAMM_KOPIEREN};
// What the direct test is about stays usable.
constexpr int kBedienbar[] = {
    PANEL_NETZGERAETAKTIV, PANEL_NETZGERAETU,    PANEL_NETZGERAETI,     PANEL_IMPULSAKTIV,
    PANEL_IMPULSEINSCHALTZEIT, PANEL_IMPULSAUSSCHALTZEIT, PANEL_IMPULSZYKLEN, PANEL_K_OEFFNUNGDS,
    PANEL_K_EXTDRUCKSS,    PANEL_DRUCKAKTIV,     PANEL_RPGAKTIV,        PANEL_RPGMESSBEREICH,
    PANEL_DIREKTTEST,      PANEL_COMEINSTELLUNGEN, PANEL_KALIBRIERUNG};

// The program started in a folder of its own, with COM 1 open on the device
// at address 1, the direct test off.
class Direkttest : public ComTest {
protected:
    void VorDemStart() override {
        gDirekttestAn = false;
        gImpulsGesendet = false;
    }
    void SetUp() override {
        ComTest::SetUp();
        SerialPortSetzen(1, geraet);
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
        ASSERT_EQ(Com_OpenComPort(), 0);
        geraet->Neu();
    }
    void TearDown() override {
        gDirekttestAn = false;
        ComTest::TearDown();
    }

    void Einschalten() {
        ASSERT_EQ(Int(panelHandle, PANEL_DIREKTTEST), 0);
        Toggle(panelHandle, PANEL_DIREKTTEST);
        ASSERT_TRUE(DirekttestAktiv());
    }
    void Ausschalten() {
        ASSERT_EQ(Int(panelHandle, PANEL_DIREKTTEST), 1);
        Toggle(panelHandle, PANEL_DIREKTTEST);
        ASSERT_FALSE(DirekttestAktiv());
    }
    static int Fehlernummer() { return Int(panelHandle, PANEL_FEHLERNUMMER); }

    // Every control and menu item the direct test dims has this state; paste is dimmed either way.
    void GesperrtIst(int gedimmt) {
        for (int c : kGesperrt) EXPECT_EQ(Attribute(panelHandle, c, ATTR_DIMMED), gedimmt) << "control " << c;
        for (int m : kGesperrteMenuepunkte) EXPECT_EQ(MenuDimmed(panelHandle, m), gedimmt != 0) << "menu " << m;
        for (int c : kBedienbar) EXPECT_EQ(Attribute(panelHandle, c, ATTR_DIMMED), 0) << "control " << c;
        EXPECT_TRUE(MenuDimmed(panelHandle, MENU_PROGRAMM_EINFUEGEN));
        EXPECT_EQ(Attribute(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN, ATTR_DIMMED), 1);
    }

    std::shared_ptr<Direktgeraet> geraet = std::make_shared<Direktgeraet>();
};

TEST_F(Direkttest, WithoutAPortFallsBackToOffWithEverythingUsableAndShows122000) {
    Com_CloseComPort();
    Toggle(panelHandle, PANEL_DIREKTTEST);
    EXPECT_EQ(Int(panelHandle, PANEL_DIREKTTEST), 0);
    EXPECT_FALSE(DirekttestAktiv());
    GesperrtIst(0);
    EXPECT_EQ(Fehleranzeigen(), Ueberall(1, Text(panelHandle, PANEL_FEHLERSTRING), 122000));
    EXPECT_FALSE(Text(panelHandle, PANEL_FEHLERSTRING).empty());
    EXPECT_TRUE(ui->Shown().empty());
    EXPECT_FALSE(gDatenGeaendert);
    // Nothing can be sent without a port, and nothing is pending for the device.
    EXPECT_TRUE(geraet->Neu() == Liste{"geschlossen"});
}

TEST_F(Direkttest, SwitchingOnTellsTheDeviceWaitsThenSendsTheShownStepAndDims) {
    bool spaeterGelaufen = false;
    ui->Later([&] { spaeterGelaufen = true; });
    const double vorher = ui->DelayedSeconds();
    Einschalten();
    // The wait handles no event: a click queued meanwhile runs only afterwards.
    EXPECT_FALSE(spaeterGelaufen);
    EXPECT_EQ(ui->PendingActions(), 1u);
    EXPECT_DOUBLE_EQ(ui->DelayedSeconds() - vorher, 0.05);
    Liste erwartet = {"direktbetrieb"};
    erwartet.insert(erwartet.end(), kAusgaenge.begin(), kAusgaenge.end());
    EXPECT_EQ(geraet->Neu(), erwartet);
    EXPECT_EQ(Fehlernummer(), 0);
    GesperrtIst(1);
    EXPECT_FALSE(gDatenGeaendert);
    ProcessSystemEvents();
    EXPECT_TRUE(spaeterGelaufen);

    Ausschalten();
    EXPECT_EQ(geraet->Neu(), Liste{"stopp"});
    GesperrtIst(0);
}

TEST_F(Direkttest, RefusedDirectOperationFallsBackToOffAndSaysStopp) {
    geraet->nakBei = "DF3";
    Toggle(panelHandle, PANEL_DIREKTTEST);
    EXPECT_EQ(Int(panelHandle, PANEL_DIREKTTEST), 0);
    EXPECT_FALSE(DirekttestAktiv());
    GesperrtIst(0);
    EXPECT_EQ(Fehlernummer() / 1000, 402);
    EXPECT_EQ(geraet->Neu(), (Liste{"direktbetrieb", "stopp"}));
}

TEST_F(Direkttest, SupplyVoltageEditSendsTheOutputsOnlyAndSwitchingOffRestoresTheStoredStep) {
    Operate(panelHandle, PANEL_NETZGERAETU, 5.0);
    AlsGespeichertSetzen();
    const Pruefschritt gespeichert = gPruefschritte[gPSindex];
    Einschalten();
    geraet->Neu();
    geraet->werte.clear();

    Operate(panelHandle, PANEL_NETZGERAETU, 12.5);
    EXPECT_EQ(geraet->Neu(), kAusgaenge);
    EXPECT_EQ(geraet->werte.at(4), "spannung=12.500");
    EXPECT_EQ(Fehlernummer(), 0);
    EXPECT_EQ(gPruefschritte[gPSindex].netzgeraetU, 5.0);
    EXPECT_EQ(std::memcmp(&gPruefschritte[gPSindex], &gespeichert, sizeof gespeichert), 0);
    // Nothing to save: the edit is gone when the direct test ends.
    EXPECT_FALSE(gDatenGeaendert);

    Ausschalten();
    EXPECT_EQ(geraet->Neu(), Liste{"stopp"});
    EXPECT_EQ(Real(panelHandle, PANEL_NETZGERAETU), 5.0);
    EXPECT_EQ(std::memcmp(&gPruefschritte[gPSindex], &gespeichert, sizeof gespeichert), 0);
    EXPECT_FALSE(gDatenGeaendert);
    // Editing goes on as before.
    Operate(panelHandle, PANEL_NETZGERAETU, 7.0);
    EXPECT_EQ(gPruefschritte[gPSindex].netzgeraetU, 7.0);
    EXPECT_TRUE(gDatenGeaendert);
    EXPECT_TRUE(geraet->Neu().empty());
}

TEST_F(Direkttest, AFaultyStepIsNotSent) {
    Operate(panelHandle, PANEL_NETZGERAETAKTIV, 1);
    Einschalten();
    geraet->Neu();
    ui->AnswerMessage();
    Operate(panelHandle, PANEL_IMPULSAKTIV, 1);
    ASSERT_EQ(ui->Shown().size(), 1u);
    EXPECT_EQ(ui->Shown()[0].title, "Fehler im Prüfschritt");
    EXPECT_TRUE(geraet->Neu().empty());
    EXPECT_TRUE(DirekttestAktiv());
    EXPECT_EQ(gPruefschritte[gPSindex].impulsAktiv, 0);
}

TEST_F(Direkttest, PulseTimesGoOnlyWhenThePulseGeneratorIsSwitchedOn) {
    Operate(panelHandle, PANEL_NETZGERAETAKTIV, 0);
    Operate(panelHandle, PANEL_IMPULSEINSCHALTZEIT, 2.0);
    Einschalten();
    geraet->Neu();
    struct Schritt {
        const char* was;
        int control;
        double wert;
        const Liste* gesendet;
        const char* einzeit;  // impulseinzeit and impulszyklen sent, if any
        const char* zyklen;
    } schritte[] = {
        {"pulse on", PANEL_IMPULSAKTIV, 1, &kMitImpuls, "20", "1"},
        {"pulse on time changed", PANEL_IMPULSEINSCHALTZEIT, 3.5, &kAusgaenge, nullptr, nullptr},
        {"pulse cycles changed", PANEL_IMPULSZYKLEN, 7, &kAusgaenge, nullptr, nullptr},
        {"pulse off", PANEL_IMPULSAKTIV, 0, &kAusgaenge, nullptr, nullptr},
        {"pulse on again", PANEL_IMPULSAKTIV, 1, &kMitImpuls, "35", "7"},
        {"a valve", PANEL_K_BYPASSDS, 0, &kAusgaenge, nullptr, nullptr},
    };
    for (const Schritt& s : schritte) {
        SCOPED_TRACE(s.was);
        geraet->werte.clear();
        if (s.control == PANEL_IMPULSEINSCHALTZEIT) Operate(panelHandle, s.control, s.wert);
        else Operate(panelHandle, s.control, static_cast<int>(s.wert));
        EXPECT_EQ(geraet->Neu(), *s.gesendet);
        if (s.einzeit) {
            EXPECT_EQ(geraet->werte.at(6), std::string("impulseinzeit=") + s.einzeit);
            EXPECT_EQ(geraet->werte.at(8), std::string("impulszyklen=") + s.zyklen);
        }
    }
}

TEST_F(Direkttest, EachNewDirectTestSendsTheTimesOfARunningPulseStepAgain) {
    Operate(panelHandle, PANEL_NETZGERAETAKTIV, 0);
    Operate(panelHandle, PANEL_IMPULSAKTIV, 1);
    Einschalten();
    EXPECT_EQ(geraet->Neu(), (Liste{"direktbetrieb", "status", "messgeraet", "relaisgruppe1", "relaisgruppe2",
                                    "schrittmodus", "spannung", "strom", "impulseinzeit", "impulsauszeit",
                                    "impulszyklen"}));
    Ausschalten();
    geraet->Neu();
    Einschalten();
    Liste erwartet = {"direktbetrieb"};
    erwartet.insert(erwartet.end(), kMitImpuls.begin(), kMitImpuls.end());
    EXPECT_EQ(geraet->Neu(), erwartet);
}

TEST_F(Direkttest, PulseTimesTheDeviceRefusedAreSentWithTheNextEdit) {
    Operate(panelHandle, PANEL_NETZGERAETAKTIV, 0);
    Einschalten();
    geraet->Neu();
    geraet->nakBei = "W2W";
    Operate(panelHandle, PANEL_IMPULSAKTIV, 1);
    EXPECT_EQ(Fehlernummer() / 1000, 402);
    geraet->Neu();
    geraet->nakBei.clear();
    Operate(panelHandle, PANEL_NETZGERAETI, 0.5);
    EXPECT_EQ(geraet->Neu(), kMitImpuls);
    EXPECT_EQ(Fehlernummer(), 0);
    Operate(panelHandle, PANEL_NETZGERAETI, 0.6);
    EXPECT_EQ(geraet->Neu(), kAusgaenge);
}

TEST_F(Direkttest, ADeviceThatLeftDirectOperationGetsTheMessageAndNothingElse) {
    Einschalten();
    geraet->Neu();
    geraet->status = 0x02;
    ui->AnswerMessage();
    Operate(panelHandle, PANEL_NETZGERAETU, 3.0);
    ASSERT_EQ(ui->Shown().size(), 1u);
    EXPECT_EQ(ui->Shown()[0].title, "Fehler");
    EXPECT_EQ(ui->Shown()[0].message, "Gerät ist nicht mehr im Direktbetrieb");
    EXPECT_EQ(geraet->Neu(), Liste{"status"});
    EXPECT_TRUE(DirekttestAktiv());
    EXPECT_EQ(Int(panelHandle, PANEL_DIREKTTEST), 1);
    EXPECT_EQ(Fehlernummer(), 0);
}

TEST_F(Direkttest, DeviceFailuresAreShownAndTheDirectTestStaysOn) {
    Einschalten();
    geraet->Neu();
    geraet->stumm = true;
    Operate(panelHandle, PANEL_NETZGERAETU, 3.0);
    EXPECT_EQ(geraet->Neu(), Liste{"status"});
    EXPECT_EQ(Fehlernummer() / 1000, 403);
    geraet->stumm = false;
    geraet->nakBei = "G1W";
    Operate(panelHandle, PANEL_NETZGERAETU, 4.0);
    EXPECT_EQ(geraet->Neu(), (Liste{"status", "messgeraet"}));
    EXPECT_EQ(Fehlernummer() / 1000, 402);
    EXPECT_TRUE(DirekttestAktiv());
}

TEST_F(Direkttest, AfterADirectTestPasteIsDimmedEvenAfterACopy) {
    Press(panelHandle, PANEL_PRUEFSCHRITTKOPIEREN);
    ChooseMenu(panelHandle, MENU_PROGRAMM_KOPIEREN);
    ASSERT_EQ(Attribute(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN, ATTR_DIMMED), 0);
    ASSERT_FALSE(MenuDimmed(panelHandle, MENU_PROGRAMM_EINFUEGEN));
    Einschalten();
    Ausschalten();
    EXPECT_EQ(Attribute(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN, ATTR_DIMMED), 1);
    EXPECT_TRUE(MenuDimmed(panelHandle, MENU_PROGRAMM_EINFUEGEN));
    // A new copy offers paste again.
    Press(panelHandle, PANEL_PRUEFSCHRITTKOPIEREN);
    EXPECT_EQ(Attribute(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN, ATTR_DIMMED), 0);
}

TEST_F(Direkttest, StoppOnTheComPanelEndsTheDirectTest) {
    const double gespeichert = gPruefschritte[gPSindex].netzgeraetU;
    Einschalten();
    Operate(panelHandle, PANEL_NETZGERAETU, 9.0);
    ComPanelOeffnen();
    geraet->Neu();
    Press(comPanelHandle, COMPANEL_STOPP);
    EXPECT_EQ(geraet->Neu(), Liste{"stopp"});
    EXPECT_FALSE(DirekttestAktiv());
    EXPECT_EQ(Int(panelHandle, PANEL_DIREKTTEST), 0);
    EXPECT_EQ(Real(panelHandle, PANEL_NETZGERAETU), gespeichert);
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
    GesperrtIst(0);
    // Without a direct test Stopp is the device function again.
    Press(comPanelHandle, COMPANEL_STOPP);
    EXPECT_EQ(geraet->Neu(), Liste{"stopp"});
}

TEST_F(Direkttest, QuittingDuringTheDirectTestSaysStoppBeforeThePortCloses) {
    Einschalten();
    Operate(panelHandle, PANEL_NETZGERAETU, 9.0);
    geraet->Neu();
    ui->Later([] { ChooseMenu(panelHandle, MENU_DATEI_BEENDEN); });
    EXPECT_EQ(RunUserInterface(), 0);
    Krv4SteuerungBeenden();
    EXPECT_EQ(geraet->Neu(), (Liste{"stopp", "geschlossen"}));
    EXPECT_FALSE(DirekttestAktiv());
    EXPECT_TRUE(std::filesystem::exists("krv4Steuerung.ini"));
}

}  // namespace
