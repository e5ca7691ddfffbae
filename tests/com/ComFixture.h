#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <ostream>
#include <vector>
#include <string>

#include "app/Krv4Steuerung.h"
#include "panels/Com.h"
#include "platform/MemorySerialPort.h"
#include "support/AppFixture.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

inline const std::string ACK = "\x06";

// An in-memory port that notes what the COM panel's progress text showed at
// the moment each command went out.
class BeobachteterPort : public MemorySerialPort {
public:
    int write(const char* buffer, int count) override {
        std::string text;
        GetCtrlVal(comPanelHandle, COMPANEL_TEXT, text);
        textBeimSenden.push_back(text);
        return MemorySerialPort::write(buffer, count);
    }
    std::vector<std::string> textBeimSenden;
};

// One error display: lamp, text and number.
struct Fehleranzeige {
    int lampe;
    std::string text;
    int nummer;
    bool operator==(const Fehleranzeige&) const = default;
};

inline void PrintTo(const Fehleranzeige& f, std::ostream* os) {
    *os << "{lamp " << f.lampe << ", \"" << f.text << "\", " << f.nummer << "}";
}

// The program started on the headless toolkit in a fresh working directory
// of its own (where the settings file lies), COM 1 to COM 6 in memory, no
// port open and none opened before.
class ComTest : public AppTest {
protected:
    void SetUp() override {
        altesVerzeichnis = std::filesystem::current_path();
        // A parameterised test's name holds a "/": one folder, not two.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        verzeichnis = std::filesystem::temp_directory_path() / ("krv4-com-" + std::to_string(getpid()) + "-" + name);
        std::filesystem::remove_all(verzeichnis);
        std::filesystem::create_directories(verzeichnis);
        std::filesystem::current_path(verzeichnis);
        for (int n = 1; n <= 6; ++n) {
            ports[n - 1] = std::make_shared<BeobachteterPort>();
            SerialPortSetzen(n, ports[n - 1]);
        }
        Com_CloseComPort();
        gLetzterComPort = -1;
        VorDemStart();
        AppTest::SetUp();
    }

    void TearDown() override {
        AppTest::TearDown();
        Com_CloseComPort();
        gLetzterComPort = -1;
        for (int n = 1; n <= 6; ++n) SerialPortSetzen(n, nullptr);
        std::filesystem::current_path(altesVerzeichnis);
        std::error_code fehler;
        std::filesystem::remove_all(verzeichnis, fehler);
    }

    // Runs before start-up (to lay out a settings file, for example).
    virtual void VorDemStart() {}

    BeobachteterPort& Port(int n) { return *ports[n - 1]; }

    void ComPanelOeffnen() {
        Press(panelHandle, PANEL_COMEINSTELLUNGEN);
        ASSERT_TRUE(Shown(comPanelHandle));
    }

    static bool Shown(int panel) {
        int sichtbar = 0;
        GetPanelAttribute(panel, ATTR_VISIBLE_PANEL, sichtbar);
        return sichtbar != 0;
    }

    // The error displays of the main, COM and calibration panels.
    static std::array<Fehleranzeige, 3> Fehleranzeigen() {
        return {Fehleranzeige{Int(panelHandle, PANEL_FEHLERLED), Text(panelHandle, PANEL_FEHLERSTRING),
                              Int(panelHandle, PANEL_FEHLERNUMMER)},
                Fehleranzeige{Int(comPanelHandle, COMPANEL_FEHLERLED), Text(comPanelHandle, COMPANEL_FEHLERSTRING),
                              Int(comPanelHandle, COMPANEL_FEHLERNUMMER)},
                Fehleranzeige{Int(kalPanelHandle, KALPANEL_FEHLERLED), Text(kalPanelHandle, KALPANEL_FEHLERSTRING),
                              Int(kalPanelHandle, KALPANEL_FEHLERNUMMER)}};
    }
    static std::array<Fehleranzeige, 3> Ueberall(int lampe, const std::string& text, int nummer) {
        return {Fehleranzeige{lampe, text, nummer}, Fehleranzeige{lampe, text, nummer},
                Fehleranzeige{lampe, text, nummer}};
    }
    static std::array<Fehleranzeige, 3> KeinFehler() { return Ueberall(0, "", 0); }

    // The port pictures of the main, COM and calibration panels.
    static std::array<int, 3> Portbilder() {
        return {Int(panelHandle, PANEL_PICTURERING), Int(comPanelHandle, COMPANEL_PICTURERING),
                Int(kalPanelHandle, KALPANEL_PICTURERING)};
    }
    static std::array<int, 3> Ueberall(int port) { return {port, port, port}; }

    std::filesystem::path altesVerzeichnis;
    std::filesystem::path verzeichnis;
    std::array<std::shared_ptr<BeobachteterPort>, 6> ports;
};
