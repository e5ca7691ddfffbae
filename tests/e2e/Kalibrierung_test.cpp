#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <memory>
#include <string>

#include "app/Krv4Steuerung.h"
#include "e2e/Prozess.h"
#include "panels/Com.h"
#include "panels/Kalibrieren.h"
#include "platform/SerialPort.h"
#include "support/AppFixture.h"
#include "support/Kalibrierpanel.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

// Values with at most six decimals: the device keeps exactly what is sent.
const Werte kWerte = {1.000123, -0.5,    0.999999, 12.25,     1.5,      -3.000001, 2.0,  0.000001,
                      0.75,     -12.5,   1.125,    -0.333333, 100.0,    4.5,       0.98, -0.02,
                      1.010101, 7.654321, 0.5,     -0.000002, 1.25,     999.999999};

// The program with the service switch, its COM 1 on a krv4sim.
class KalibrierE2e : public AppTest {
protected:
    void Starten(const std::vector<std::string>& optionen = {}) {
        ASSERT_EQ(Start({kKalibrierSchalter}), 0);
        sim = std::make_unique<Simulator>(optionen);
        setenv("KRV4_COM1", sim->pfad().c_str(), 1);
        SerialPortSetzen(1, nullptr);
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
        ASSERT_EQ(Com_OpenComPort(), 0);
        Press(panelHandle, PANEL_KALIBRIERUNG);
    }
    void TearDown() override {
        Com_CloseComPort();
        SerialPortSetzen(1, nullptr);
        unsetenv("KRV4_COM1");
        sim.reset();
        AppTest::TearDown();
    }

    std::unique_ptr<Simulator> sim;
};

TEST_F(KalibrierE2e, ValuesWrittenToTheDeviceAreReadBackEqual) {
    Starten();
    Press(kalPanelHandle, KALPANEL_KRV4LESEN);
    EXPECT_EQ(Int(kalPanelHandle, KALPANEL_FEHLERNUMMER), 0);
    Werte grund{};
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i) grund[i] = i % 2 == 0 ? 1.0 : 0.0;
    EXPECT_EQ(Panelwerte(), grund);  // the device's own values

    PanelSetzen(kWerte);
    Press(kalPanelHandle, KALPANEL_KRV4SCHREIBEN);
    EXPECT_EQ(Int(kalPanelHandle, KALPANEL_FEHLERNUMMER), 0);

    PanelSetzen(Werte{});
    Press(kalPanelHandle, KALPANEL_KRV4LESEN);
    EXPECT_EQ(Int(kalPanelHandle, KALPANEL_FEHLERNUMMER), 0);
    EXPECT_EQ(Panelwerte(), kWerte);

    // The same values through the record functions, on a port opened afresh.
    Com_CloseComPort();
    SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
    ASSERT_EQ(Com_OpenComPort(), 0);
    Kalibrierwerte gelesen;
    KalibrierwerteGrundstellung(gelesen);
    ASSERT_EQ(KalibrierwerteVomGeraetLesen(Com_ComPort(), '1', gelesen), 0);
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i) EXPECT_EQ(gelesen.werte[i], kWerte[i]) << KalibrierParameter(i);
}

TEST_F(KalibrierE2e, ADeviceThatFallsSilentAtTheFifthValueChangesNoControl) {
    Starten({"--vanish-after", "4"});
    PanelSetzen(kWerte);
    Press(kalPanelHandle, KALPANEL_KRV4LESEN);
    EXPECT_EQ(Int(kalPanelHandle, KALPANEL_FEHLERNUMMER), 403088);
    EXPECT_EQ(Panelwerte(), kWerte);
}

}  // namespace
