// The line as benches have it: a device that answers late, a port another
// program holds, and an adapter pulled out and plugged in again (krv4sim
// dropping its line and putting it up again behind the same link).
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "e2e/ComPanelE2e.h"
#include "device/qvlkrv4.h"
#include "e2e/Prozess.h"
#include "platform/SerialPort.h"
#include "platform/Zeichensatz.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string Verzeichnis(const std::string& pfad) { return pfad.substr(0, pfad.find_last_of('/')); }

// Waits until the link exists again (the simulator's new line), at most the limit.
bool AufLinkWarten(const std::string& link, std::chrono::milliseconds grenze) {
    int fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (fd < 0) return false;
    inotify_add_watch(fd, Verzeichnis(link).c_str(), IN_CREATE | IN_MOVED_TO);
    const auto ende = Clock::now() + grenze;
    bool da = false;
    while (!(da = access(link.c_str(), F_OK) == 0) && Clock::now() < ende) {
        pollfd p{fd, POLLIN, 0};
        auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(ende - Clock::now()).count();
        if (poll(&p, 1, static_cast<int>(rest > 0 ? rest : 0)) > 0) {
            char puffer[4096];
            while (read(fd, puffer, sizeof puffer) > 0) {
            }
        }
    }
    close(fd);
    return da;
}

// The COM panel on a simulator's line that can drop and come back.
class LeitungE2e : public ComPanelE2e {
protected:
    static std::string Hinweis() { return Text(comPanelHandle, COMPANEL_HINWEIS); }
    // The port closed by the program itself, the last port kept for one click.
    void Geschlossen() {
        EXPECT_EQ(Com_ComPort(), -1);
        EXPECT_EQ(Com_LetzterComPort(), 1);
        EXPECT_EQ(Int(comPanelHandle, COMPANEL_PORT), -1);
        EXPECT_EQ(Portbilder(), Ueberall(-1));
        EXPECT_EQ(Hinweis(), "Verbindung zu " + sim->pfad() + " unterbrochen, Port geschlossen");
    }
    // The error of the failing step, on all three displays.
    void ErsterFehler(int keineAntwort, int schreiben) {
        auto f = Fehleranzeigen();
        if (f[1].nummer == schreiben)
            EXPECT_EQ(f, Ueberall(1, "Fehler beim schreiben auf die serielle Schnittstelle", schreiben));
        else
            EXPECT_EQ(f, Ueberall(1, "Keine Antwort vom Gerät", keineAntwort));
    }
    void IdLesen() {
        Press(comPanelHandle, COMPANEL_IDLESEN);
        EXPECT_EQ(Fehleranzeigen(), KeinFehler());
        EXPECT_EQ(Text(comPanelHandle, COMPANEL_IDSTRING), "QVLKRV4-TST1-1000");
    }

};

// An answer just past the time-out must not pass for the next command's:
// the selection that the device refuses fails, although an ACK is waiting.
TEST_F(LeitungE2e, LateAnswerIsNotTakenForTheNextCommands) {
    Verbinden({"--fault", "1:V1W:slow:1", "--slow-ms", "1010", "--fault", "1:P1S:nak"});
    Oeffnen();
    auto beginn = Clock::now();
    EXPECT_EQ(QVLKRV4_ParameterSchreiben(1, '1', "spannung", 1.0, 0, nullptr), -403078);
    double t = Sekunden(beginn);
    EXPECT_GE(t, 1.0);
    EXPECT_LT(t, 2.5);
    EXPECT_EQ(QVLKRV4_ProgrammUndSchrittEinstellen(1, '1', 1, 1), -402076);
    // The line is in step again.
    int status = -1;
    EXPECT_EQ(QVLKRV4_StatusLesen(1, '1', 1, &status), 0);
}

TEST_F(LeitungE2e, PortAnotherProgramHoldsIsBusyAndSaysSo) {
    Verbinden({});
    int bereit[2], ende[2];
    ASSERT_EQ(pipe(bereit), 0);
    ASSERT_EQ(pipe(ende), 0);
    pid_t kind = fork();
    ASSERT_GE(kind, 0);
    if (kind == 0) {
        close(bereit[0]);
        close(ende[1]);
        PosixSerialPort port(link);
        char ok = port.open("com1", 9600, COM_PARITY_ODD, 7, 1, 512, 512) == 0 ? '1' : '0';
        (void)!write(bereit[1], &ok, 1);
        char c;
        (void)!read(ende[0], &c, 1);
        port.close();
        _exit(0);
    }
    close(bereit[1]);
    close(ende[0]);
    char ok = 0;
    ASSERT_EQ(read(bereit[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');

    Operate(comPanelHandle, COMPANEL_PORT, 1);
    EXPECT_EQ(Fehleranzeigen(), Ueberall(1, "Fehler beim öffnen der seriellen Schnittstelle", 100003));
    EXPECT_EQ(Hinweis(), sim->pfad() + " wird von einem anderen Programm benutzt");
    EXPECT_EQ(Com_ComPort(), -1);

    close(ende[1]);
    close(bereit[0]);
    ASSERT_EQ(Abwarten(kind, 5000ms), 0);
    // Given up by the other program, the port opens.
    Operate(comPanelHandle, COMPANEL_PORT, 1);
    EXPECT_EQ(Com_ComPort(), 1);
    EXPECT_EQ(Hinweis(), "");
}

TEST_F(LeitungE2e, LineGoneDuringPollingClosesThePortAndOneClickReopensIt) {
    Verbinden({"--drop-after", "2", "--drop-ms", "300"});
    Oeffnen();
    Toggle(comPanelHandle, COMPANEL_STATUSABFRAGE);
    Tick(comPanelHandle, COMPANEL_STATUSTIMER);
    Tick(comPanelHandle, COMPANEL_STATUSTIMER);
    ASSERT_EQ(Fehleranzeigen(), KeinFehler());
    auto beginn = Clock::now();
    Tick(comPanelHandle, COMPANEL_STATUSTIMER);  // its frame drops the line
    EXPECT_LT(Sekunden(beginn), 1.5);
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_STATUSTIMER, ATTR_ENABLED), 0);
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_STATUSABFRAGE), 0);
    // The line goes while the command leaves or while its answer is awaited.
    ErsterFehler(403142, 101138);
    Geschlossen();

    ASSERT_TRUE(AufLinkWarten(link, 3000ms));
    Click(comPanelHandle, COMPANEL_PICTURERING);
    EXPECT_EQ(Com_ComPort(), 1);
    EXPECT_EQ(Portbilder(), Ueberall(1));
    IdLesen();
}

TEST_F(LeitungE2e, LineGoneMidWriteFailsTheWriteAndOneSelectionReopensIt) {
    // Programs 1 and 2 take 18 commands each; the line goes at program 3's selection.
    Verbinden({"--drop-after", "36", "--drop-ms", "300"});
    Oeffnen();
    Press(comPanelHandle, COMPANEL_ZURUECK);
    auto beginn = Clock::now();
    ui->AnswerGeneric(2);  // "alle"
    Press(panelHandle, PANEL_GERAETSCHREIBEN);
    EXPECT_LT(Sekunden(beginn), 2.5);
    ErsterFehler(403078, 101074);
    Geschlossen();

    ASSERT_TRUE(AufLinkWarten(link, 3000ms));
    ComPanelOeffnen();
    Operate(comPanelHandle, COMPANEL_PORT, 1);
    EXPECT_EQ(Com_ComPort(), 1);
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
    Press(comPanelHandle, COMPANEL_ZURUECK);
    ui->AnswerGeneric(2);
    Press(panelHandle, PANEL_GERAETSCHREIBEN);
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
}

}  // namespace

namespace {

// krv4 in a folder whose assignment file gives COM 3 the simulator's line.
TEST(Krv4Ports, ComNumberOfTheToolFollowsTheAssignmentFile) {
    Simulator sim({});
    ASSERT_TRUE(sim.laeuft());
    const std::string ordner = TempName("krv4_ports");
    std::filesystem::remove_all(ordner);
    std::filesystem::create_directories(ordner);
    std::ofstream(ordner + "/krv4Schnittstellen.ini") << "[Schnittstellen]\r\ncom3 = " << sim.pfad() << "\r\n";
    const auto vorher = std::filesystem::current_path();
    std::filesystem::current_path(ordner);
    unsetenv("KRV4_COM3");
    Ergebnis id = Ausfuehren(kWerkzeug, {"--com", "3", "id"});
    Ergebnis ports = Ausfuehren(kWerkzeug, {"ports"});
    std::filesystem::current_path(vorher);
    std::filesystem::remove_all(ordner);
    EXPECT_EQ(id.status, 0) << id.fehler;
    EXPECT_EQ(id.aus, "QVLKRV4-TST1-1000\n");
    EXPECT_EQ(ports.status, 0);
    EXPECT_NE(ports.aus.find("COM 3 = " + sim.pfad() + "\n"), std::string::npos) << ports.aus;
}

TEST(Krv4Ports, PortThatDoesNotOpenTellsWhy) {
    setenv("KRV4_COM4", "/nonexistent/krv4-line", 1);
    Ergebnis e = Ausfuehren(kWerkzeug, {"--com", "4", "id"});
    unsetenv("KRV4_COM4");
    EXPECT_EQ(e.status, 1);
    // The tool speaks UTF-8 to its terminal.
    EXPECT_EQ(e.fehler, Cp1252NachUtf8("krv4: /nonexistent/krv4-line ist nicht angeschlossen\n"
                                       "Fehler #100003: Fehler beim öffnen der seriellen Schnittstelle\n"));
}

}  // namespace
