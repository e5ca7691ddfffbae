#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "com/ComFixture.h"
#include "e2e/Prozess.h"
#include "platform/SerialPort.h"

inline double Sekunden(std::chrono::steady_clock::time_point seit) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - seit).count();
}

// The COM panel on the real termios port: COM 1 points at a krv4sim line
// through KRV4_COM1, as the demo start sets it up.
class ComPanelE2e : public ComTest {
protected:
    // The simulator's line behind a link, as a by-id name stands for an
    // adapter: a line that drops comes back under the same name.
    void Verbinden(std::vector<std::string> optionen) {
        link = TempName("krv4_com1_link");
        optionen.insert(optionen.end(), {"--link", link});
        sim = std::make_unique<Simulator>(optionen);
        ASSERT_TRUE(sim->laeuft());
        setenv("KRV4_COM1", link.c_str(), 1);
        SerialPortSetzen(1, nullptr);
        ComPanelOeffnen();
    }
    void Oeffnen() {
        Operate(comPanelHandle, COMPANEL_PORT, 1);
        ASSERT_EQ(Com_ComPort(), 1);
        ASSERT_EQ(Fehleranzeigen(), KeinFehler());
    }
    void Starten(const std::vector<std::string>& optionen) {
        Verbinden(optionen);
        Oeffnen();
    }
    void TearDown() override {
        Com_CloseComPort();
        ComTest::TearDown();
        unsetenv("KRV4_COM1");
        sim.reset();
        if (!vorbelegung.empty()) std::remove(vorbelegung.c_str());
    }

    // One tick of the status timer as the toolkit delivers it every 0.5 s.
    static void Takt() {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        Tick(comPanelHandle, COMPANEL_STATUSTIMER);
    }
    static int Statusbyte() {
        int byte = 0;
        const std::pair<int, int> lampen[] = {{COMPANEL_LEDSTATUS0, 0x01}, {COMPANEL_LEDSTATUS1, 0x02},
                                              {COMPANEL_LEDSTATUS2, 0x04}, {COMPANEL_LEDSTATUS3, 0x08},
                                              {COMPANEL_LEDSTATUS6, 0x40}};
        for (auto [lampe, bit] : lampen)
            if (Int(comPanelHandle, lampe)) byte |= bit;
        return byte;
    }
    static bool Abfrage() { return Attribute(comPanelHandle, COMPANEL_STATUSTIMER, ATTR_ENABLED) != 0; }

    std::unique_ptr<Simulator> sim;
    std::string link;
    std::string vorbelegung;
};
