#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/Krv4Steuerung.h"
#include "device/qvlkrv4.h"
#include "e2e/Prozess.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "panels/Direkttest.h"
#include "platform/SerialPort.h"
#include "support/AppFixture.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

using Liste = std::vector<std::string>;

// The program with its COM 1 on a krv4sim that logs every frame.
class DirekttestE2e : public AppTest {
protected:
    void SetUp() override {
        gDirekttestAn = false;
        gImpulsGesendet = false;
        AppTest::SetUp();
        std::remove(log.c_str());
        sim = std::make_unique<Simulator>(std::vector<std::string>{"--log", log});
        setenv("KRV4_COM1", sim->pfad().c_str(), 1);
        SerialPortSetzen(1, nullptr);
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
        ASSERT_EQ(Com_OpenComPort(), 0);
    }
    void TearDown() override {
        gDirekttestAn = false;
        Com_CloseComPort();
        unsetenv("KRV4_COM1");
        sim.reset();
        std::remove(log.c_str());
        AppTest::TearDown();
    }

    // The frames the simulator received since the last call, as logged.
    Liste Empfangen() {
        std::ifstream f(log);
        Liste alle;
        for (std::string zeile; std::getline(f, zeile);) {
            auto pos = zeile.find(" <- ");
            if (pos != std::string::npos) alle.push_back(zeile.substr(pos + 4));
        }
        Liste neu(alle.begin() + static_cast<long>(std::min(gelesen, alle.size())), alle.end());
        gelesen = alle.size();
        return neu;
    }
    // The command characters of each frame ("#1V1W12.500<CR>" -> "V1W").
    static Liste Befehle(const Liste& rahmen) {
        Liste b;
        for (const std::string& r : rahmen) b.push_back(r.substr(2, 3));
        return b;
    }
    static int Geraetestatus() {
        int status = -1;
        EXPECT_EQ(QVLKRV4_StatusLesen(1, '1', 1, &status), 0);
        return status;
    }
    static int Fehlernummer() { return Int(panelHandle, PANEL_FEHLERNUMMER); }

    std::unique_ptr<Simulator> sim;
    const std::string log = TempName("krv4_direkttest_sim.log");
    size_t gelesen = 0;
};

const Liste kAusgaenge = {"S1R", "G1W", "K1W", "K2W", "B1W", "V1W", "C1W"};
const Liste kMitImpuls = {"S1R", "G1W", "K1W", "K2W", "B1W", "V1W", "C1W", "W2W", "W3W", "W1W"};

TEST_F(DirekttestE2e, EditsArriveAsFramesAndOffSaysStopp) {
    Toggle(panelHandle, PANEL_DIREKTTEST);
    ASSERT_TRUE(DirekttestAktiv());
    EXPECT_EQ(Fehlernummer(), 0);
    Liste erwartet = {"DF3"};
    erwartet.insert(erwartet.end(), kAusgaenge.begin(), kAusgaenge.end());
    EXPECT_EQ(Befehle(Empfangen()), erwartet);
    EXPECT_EQ(Geraetestatus() & 0x40, 0x40);
    Empfangen();

    Operate(panelHandle, PANEL_NETZGERAETU, 12.5);
    Liste rahmen = Empfangen();
    EXPECT_EQ(Befehle(rahmen), kAusgaenge);
    ASSERT_EQ(rahmen.size(), kAusgaenge.size());
    EXPECT_EQ(rahmen[5], "#1V1W12.500<CR>");

    Operate(panelHandle, PANEL_NETZGERAETAKTIV, 0);
    EXPECT_EQ(Befehle(Empfangen()), kAusgaenge);
    Operate(panelHandle, PANEL_IMPULSEINSCHALTZEIT, 2.26);
    EXPECT_EQ(Befehle(Empfangen()), kAusgaenge);
    Operate(panelHandle, PANEL_IMPULSAKTIV, 1);
    rahmen = Empfangen();
    EXPECT_EQ(Befehle(rahmen), kMitImpuls);
    ASSERT_EQ(rahmen.size(), kMitImpuls.size());
    EXPECT_EQ(rahmen[7], "#1W2W23<CR>");
    Operate(panelHandle, PANEL_IMPULSZYKLEN, 5);
    EXPECT_EQ(Befehle(Empfangen()), kAusgaenge);
    EXPECT_EQ(Fehlernummer(), 0);
    EXPECT_EQ(gPruefschritte[gPSindex].netzgeraetU, 0.0);

    Toggle(panelHandle, PANEL_DIREKTTEST);
    EXPECT_FALSE(DirekttestAktiv());
    EXPECT_EQ(Fehlernummer(), 0);
    EXPECT_EQ(Empfangen(), Liste{"#1DF2<CR>"});
    EXPECT_EQ(Geraetestatus() & 0x40, 0);
    EXPECT_EQ(Real(panelHandle, PANEL_NETZGERAETU), 0.0);
    EXPECT_EQ(Int(panelHandle, PANEL_IMPULSAKTIV), 0);
}

TEST_F(DirekttestE2e, ADeviceStoppedMeanwhileGetsNothingButTheStatusRead) {
    Toggle(panelHandle, PANEL_DIREKTTEST);
    ASSERT_TRUE(DirekttestAktiv());
    ASSERT_EQ(QVLKRV4_DeviceFunction(1, '1', "stopp"), 0);
    Empfangen();
    ui->AnswerMessage();
    Operate(panelHandle, PANEL_NETZGERAETU, 3.0);
    ASSERT_EQ(ui->Shown().size(), 1u);
    EXPECT_EQ(ui->Shown()[0].message, "Gerät ist nicht mehr im Direktbetrieb");
    EXPECT_EQ(Empfangen(), Liste{"#1S1R<CR>"});
    EXPECT_TRUE(DirekttestAktiv());
    Toggle(panelHandle, PANEL_DIREKTTEST);
    EXPECT_EQ(Empfangen(), Liste{"#1DF2<CR>"});
}

}  // namespace
