#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "app/Wiederherstellung.h"
#include "e2e/Prozess.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "panels/Direkttest.h"
#include "platform/SerialPort.h"
#include "storage/Dateifunktionen.h"
#include "support/AppFixture.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

// A signal from outside during a direct test ends the program as "Beenden"
// does, without asking: direct test off, settings written, unsaved data kept
// for the next start, port closed.

namespace {

namespace fs = std::filesystem;

std::string Inhalt(const fs::path& datei) {
    std::ifstream f(datei, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The frames the simulator received, as logged ("#1DF2<CR>").
std::vector<std::string> Empfangen(const std::string& log) {
    std::vector<std::string> rahmen;
    std::ifstream f(log);
    for (std::string zeile; std::getline(f, zeile);)
        if (auto pos = zeile.find(" <- "); pos != std::string::npos) rahmen.push_back(zeile.substr(pos + 4));
    return rahmen;
}

// The program's whole run (start-up, event loop, shutdown) in a child
// process in the directory, on the headless toolkit: it changes a value,
// switches the direct test on, edits during it and says so on the pipe; then
// its event loop waits with nothing to do.
pid_t ProgrammStarten(const fs::path& verzeichnis, int bereit) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    if (chdir(verzeichnis.c_str()) != 0) _exit(90);
    HeadlessBackend& ui = UseHeadlessBackend([](const std::string& was) {
        std::fprintf(stderr, "headless: %s\n", was.c_str());
        _exit(91);
    });
    ProgrammspeicherZuruecksetzen();
    ui.Later([bereit] {
        Operate(panelHandle, PANEL_NETZGERAETU, 7.5);
        Toggle(panelHandle, PANEL_DIREKTTEST);
        Operate(panelHandle, PANEL_NETZGERAETI, 0.25);
        const char* antwort = DirekttestAktiv() ? "j\n" : "n\n";
        (void)!write(bereit, antwort, 2);
    });
    char name[] = "krv4steuerung";
    char* argv[] = {name, nullptr};
    int code = Krv4SteuerungAusfuehren(1, argv);
    _exit(code == 0 ? 0 : 92);
}

class Signal : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        verzeichnis = fs::temp_directory_path() / ("krv4-signal-" + std::to_string(getpid()) + "-" +
                                                   std::to_string(GetParam()));
        fs::remove_all(verzeichnis);
        fs::create_directories(verzeichnis);
        log = (verzeichnis / "sim.log").string();
        sim = std::make_unique<Simulator>(std::vector<std::string>{"--log", log});
        setenv("KRV4_COM1", sim->pfad().c_str(), 1);
        SerialPortSetzen(1, nullptr);
        std::ofstream(verzeichnis / kEinstellungsdatei, std::ios::binary) << "[KRV4]\r\nadresse = 49\r\nport = 1\r\n";
    }
    void TearDown() override {
        Com_CloseComPort();
        SetToolkitBackend(nullptr);
        unsetenv("KRV4_COM1");
        sim.reset();
        std::error_code fehler;
        fs::current_path(altesVerzeichnis, fehler);
        fs::remove_all(verzeichnis, fehler);
    }

    fs::path verzeichnis;
    const fs::path altesVerzeichnis = fs::current_path();
    std::string log;
    std::unique_ptr<Simulator> sim;
};

TEST_P(Signal, DuringADirectTestEndsLikeBeendenAndTheNextStartOffersTheData) {
    int rohr[2];
    ASSERT_EQ(pipe(rohr), 0);
    pid_t pid = ProgrammStarten(verzeichnis, rohr[1]);
    ASSERT_GT(pid, 0);
    close(rohr[1]);
    std::string bereit;
    EXPECT_TRUE(ZeileLesen(rohr[0], &bereit, std::chrono::milliseconds(10000)));
    close(rohr[0]);
    ASSERT_EQ(bereit, "j");
    ASSERT_EQ(Empfangen(log).back().substr(0, 5), "#1C1W");  // the edit went out
    const auto beginn = std::chrono::steady_clock::now();
    ASSERT_EQ(kill(pid, GetParam()), 0);
    EXPECT_EQ(Abwarten(pid, std::chrono::milliseconds(10000)), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - beginn, std::chrono::seconds(3));

    EXPECT_EQ(Empfangen(log).back(), "#1DF2<CR>");
    EXPECT_EQ(Inhalt(verzeichnis / kEinstellungsdatei), "[KRV4]\r\nadresse = 49\r\nlport = 1\r\nport = 1\r\n\r\n");
    ASSERT_TRUE(fs::exists(verzeichnis / kWiederherstellungsdatei));
    // The port was closed: it opens again at once, and the device has left
    // direct operation.
    Ergebnis status = Ausfuehren(kWerkzeug, {"--port", sim->pfad(), "status"});
    EXPECT_EQ(status.status, 0) << status.fehler;
    EXPECT_EQ(status.aus.find("Direktbetrieb"), std::string::npos) << status.aus;

    // The next start asks, and "Ja" brings the unsaved value back.
    fs::current_path(verzeichnis);
    HeadlessBackend& ui = FreshHeadlessToolkit();
    ui.AnswerGeneric(1);
    ProgrammspeicherZuruecksetzen();
    char name[] = "krv4steuerung";
    char* argv[] = {name, nullptr};
    ASSERT_EQ(Krv4SteuerungStarten(1, argv), 0);
    ASSERT_EQ(ui.Shown().size(), 1u);
    const ShownPopup& frage = ui.Shown()[0];
    EXPECT_EQ(frage.buttons, (std::vector<std::string>{"Ja", "Nein"}));
    const std::string anfang = "Nicht gespeicherte Daten vom ", ende = " wiederherstellen?";
    ASSERT_GT(frage.message.size(), anfang.size() + ende.size());
    EXPECT_EQ(frage.message.substr(0, anfang.size()), anfang);
    EXPECT_EQ(frage.message.substr(frage.message.size() - ende.size()), ende);
    double u = 0.0;
    GetCtrlVal(panelHandle, PANEL_NETZGERAETU, u);
    EXPECT_EQ(u, 7.5);
    EXPECT_EQ(gProg[0].schritte[0].netzgeraetU, 7.5);
    EXPECT_TRUE(gDatenGeaendert);
    EXPECT_FALSE(fs::exists(kWiederherstellungsdatei));
}

INSTANTIATE_TEST_SUITE_P(Beendigung, Signal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "SIGTERM"
                                                : info.param == SIGINT ? "SIGINT"
                                                                       : "SIGHUP");
                         });

}  // namespace
