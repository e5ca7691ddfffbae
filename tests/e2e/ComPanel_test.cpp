#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

#include "e2e/ComPanelE2e.h"
#include "e2e/Prozess.h"
#include "platform/SerialPort.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;


TEST_F(ComPanelE2e, ScanFindsTwoKrv4sAndAForeignDevice) {
    vorbelegung = TempName("krv4sim_fremd.txt");
    std::ofstream(vorbelegung) << "@5 ID FREMDGERAET-XY\n";
    Starten({"--addresses", "357", "--serial", "4711", "--preload", vorbelegung});

    auto beginn = Clock::now();
    Press(comPanelHandle, COMPANEL_SCANN);
    double dauer = Sekunden(beginn);

    const int lampen[] = {COMPANEL_LED1, COMPANEL_LED2, COMPANEL_LED3, COMPANEL_LED4, COMPANEL_LED5,
                          COMPANEL_LED6, COMPANEL_LED7, COMPANEL_LED8, COMPANEL_LED9};
    for (int n = 1; n <= 9; ++n)
        EXPECT_EQ(Int(comPanelHandle, lampen[n - 1]), n == 3 || n == 5 || n == 7) << "lamp " << n;
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_LED3, ATTR_ON_COLOR), 0x00FF00);
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_LED5, ATTR_ON_COLOR), 0xFF0000);
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_LED7, ATTR_ON_COLOR), 0x00FF00);
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_ADRESSE), '7');
    EXPECT_EQ(Text(comPanelHandle, COMPANEL_IDSTRING), "QVLKRV4-TST1-4713");
    EXPECT_EQ(Text(comPanelHandle, COMPANEL_TEXT), "");
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
    // Six silent addresses at one second each, the others at once.
    EXPECT_GE(dauer, 6.0);
    EXPECT_LT(dauer, 9.0);

    Operate(comPanelHandle, COMPANEL_ADRESSE, '3');
    Press(comPanelHandle, COMPANEL_IDLESEN);
    EXPECT_EQ(Text(comPanelHandle, COMPANEL_IDSTRING), "QVLKRV4-TST1-4711");
}

TEST_F(ComPanelE2e, StartPollThroughTheTestToPassedAndStop) {
    Starten({"--test-ms", "1200"});
    auto beginn = Clock::now();
    Toggle(comPanelHandle, COMPANEL_STATUSABFRAGE);
    Takt();
    EXPECT_EQ(Statusbyte(), 0x00);

    Press(comPanelHandle, COMPANEL_START);
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
    Takt();
    EXPECT_EQ(Statusbyte(), 0x01);  // "Prüfung läuft"
    while (Statusbyte() == 0x01 && Sekunden(beginn) < 6.0) Takt();
    EXPECT_EQ(Statusbyte(), 0x02);  // "bestanden"

    Press(comPanelHandle, COMPANEL_START);
    Takt();
    EXPECT_EQ(Statusbyte(), 0x01);
    Press(comPanelHandle, COMPANEL_STOPP);
    Takt();
    EXPECT_EQ(Statusbyte(), 0x08);  // "abgebrochen"
    EXPECT_TRUE(Abfrage());
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
    EXPECT_LT(Sekunden(beginn), 8.0);
}

TEST_F(ComPanelE2e, PollingSwitchesItselfOffWhenTheDeviceFallsSilent) {
    Starten({"--vanish-after", "2"});
    Toggle(comPanelHandle, COMPANEL_STATUSABFRAGE);
    Takt();
    Takt();
    ASSERT_TRUE(Abfrage());
    auto beginn = Clock::now();
    Takt();
    EXPECT_FALSE(Abfrage());
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_STATUSABFRAGE), 0);
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_LEDSTATUS0, ATTR_DIMMED), 1);
    EXPECT_EQ(Fehleranzeigen(), Ueberall(1, "Keine Antwort vom Gerät", 403142));
    // Half a second to the tick, then one second for the answer.
    EXPECT_GE(Sekunden(beginn), 1.5);
    EXPECT_LT(Sekunden(beginn), 3.0);
}

TEST_F(ComPanelE2e, PollingSwitchesItselfOffWhenTheSimulatorIsGone) {
    Starten({});
    Toggle(comPanelHandle, COMPANEL_STATUSABFRAGE);
    Takt();
    ASSERT_TRUE(Abfrage());
    sim->beenden();
    auto beginn = Clock::now();
    Takt();
    EXPECT_FALSE(Abfrage());
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_STATUSABFRAGE), 0);
    EXPECT_EQ(Fehleranzeigen()[1].lampe, 1);
    EXPECT_NE(Fehleranzeigen()[1].nummer, 0);
    EXPECT_LT(Sekunden(beginn), 2.5);
}

}  // namespace
