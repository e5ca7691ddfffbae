#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "device/qvlkrv4.h"
#include "e2e/Prozess.h"
#include "platform/Portliste.h"
#include "platform/SerialPort.h"

namespace {

using Clock = std::chrono::steady_clock;

double Sekunden(Clock::time_point seit) {
    return std::chrono::duration<double>(Clock::now() - seit).count();
}

// The real termios port and driver on COM 1, pointed at a simulator through
// KRV4_COM1 as a user would do it.
class E2e : public ::testing::Test {
protected:
    void Starten(const std::vector<std::string>& optionen = {}) {
        sim = std::make_unique<Simulator>(optionen);
        setenv("KRV4_COM1", sim->pfad().c_str(), 1);
        SerialPortSetzen(1, nullptr);
        ASSERT_EQ(QVLKRV4_Open(1, 9600), 0);
        ASSERT_EQ(QVLKRV4_Timeout(1, 1.0), 0);
    }
    void TearDown() override {
        QVLKRV4_Close(1);
        SerialPortSetzen(1, nullptr);
        unsetenv("KRV4_COM1");
        sim.reset();
    }

    std::unique_ptr<Simulator> sim;
};

TEST_F(E2e, IdentificationOfEachAddressOnTheLine) {
    Starten({"--addresses", "1a", "--serial", "4711"});
    char kennung[28] = {};
    ASSERT_EQ(QVLKRV4_IDLesen(1, '1', kennung), 0);
    EXPECT_STREQ(kennung, "QVLKRV4-TST1-4711");
    ASSERT_EQ(QVLKRV4_IDLesen(1, 'a', kennung), 0);
    EXPECT_STREQ(kennung, "QVLKRV4-TST1-4712");
}

TEST_F(E2e, DeviceFunctionsDriveTheStatusByte) {
    Starten({"--test-ms", "100"});
    int status = -1;
    auto lesen = [&] {
        status = -1;
        EXPECT_EQ(QVLKRV4_StatusLesen(1, '1', 1, &status), 0);
        return status;
    };
    EXPECT_EQ(lesen(), 0x00);
    ASSERT_EQ(QVLKRV4_DeviceFunction(1, '1', "start"), 0);
    EXPECT_EQ(lesen(), 0x01);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));  // the device's test runs its time
    EXPECT_EQ(lesen(), 0x02);
    ASSERT_EQ(QVLKRV4_DeviceFunction(1, '1', "direktbetrieb"), 0);
    EXPECT_EQ(lesen(), 0x40);
    ASSERT_EQ(QVLKRV4_DeviceFunction(1, '1', "start"), 0);
    EXPECT_EQ(lesen(), 0x41);
    ASSERT_EQ(QVLKRV4_DeviceFunction(1, '1', "stopp"), 0);
    EXPECT_EQ(lesen(), 0x08);
    EXPECT_EQ(QVLKRV4_DeviceFunction(1, '1', "programmierungabschliessen"), 0);
    EXPECT_EQ(QVLKRV4_StatusLesen(1, '1', 2, &status), 0);
}

struct Parameterwert {
    const char* name;
    double real;
    int ganz;
    const char* text;
};

void Schreiben(const Parameterwert& w) {
    EXPECT_EQ(QVLKRV4_ParameterSchreiben(1, '1', w.name, w.real, w.ganz, w.text), 0) << w.name;
}

void Vergleichen(const Parameterwert& w) {
    double real = -99;
    int ganz = -99;
    char text[21] = "";
    ASSERT_EQ(QVLKRV4_ParameterLesen(1, '1', w.name, &real, &ganz, text), 0) << w.name;
    const QVLKRV4_Parameter* p = QVLKRV4_ParameterSuchen(w.name);
    switch (p->art) {
        case QVLKRV4_REALZAHL: EXPECT_DOUBLE_EQ(real, w.real) << w.name; break;
        case QVLKRV4_TEXT: EXPECT_STREQ(text, w.text) << w.name; break;
        default: EXPECT_EQ(ganz, w.ganz) << w.name; break;
    }
}

TEST_F(E2e, ProgramAndStepParametersRoundTripPerSelection) {
    Starten();
    const std::vector<Parameterwert> schritt32 = {
        {"schrittname", 0, 0, "Dichtheit DS"},
        {"unterergrenzwert", -0.5, 0, nullptr},
        {"oberergrenzwert", 1999.875, 0, nullptr},
        {"messgeraet", 0, 7, nullptr},
        {"vergleich", 0, 3, nullptr},
        {"messzeit", 0, 600, nullptr},
        {"relaisgruppe1", 0, 0x01200000, nullptr},
        {"relaisgruppe2", 0, 0x7FFFFFFF, nullptr},
        {"schrittmodus", 0, 0xA5, nullptr},
        {"impulseinzeit", 0, 65535, nullptr},
        {"impulsauszeit", 0, 12, nullptr},
        {"impulszyklen", 0, 65536, nullptr},
        {"spannung", 40.95, 0, nullptr},
        {"strom", 20.48, 0, nullptr},
    };
    const std::vector<Parameterwert> programm3 = {
        {"anzahlschritte", 0, 2, nullptr},
        {"programmname", 0, 0, "Ventilblock 3"},
    };
    ASSERT_EQ(QVLKRV4_ProgrammUndSchrittEinstellen(1, '1', 3, 2), 0);
    for (const auto& w : schritt32) {
        Schreiben(w);
    }
    for (const auto& w : programm3) {
        Schreiben(w);
    }
    ASSERT_EQ(QVLKRV4_ProgrammUndSchrittEinstellen(1, '1', 3, 3), 0);
    Schreiben({"messzeit", 0, 42, nullptr});

    ASSERT_EQ(QVLKRV4_ProgrammUndSchrittEinstellen(1, '1', 3, 2), 0);
    for (const auto& w : schritt32) {
        Vergleichen(w);
    }
    // The program's own data is the same whichever of its steps is selected.
    ASSERT_EQ(QVLKRV4_ProgrammUndSchrittEinstellen(1, '1', 3, 1), 0);
    for (const auto& w : programm3) {
        Vergleichen(w);
    }
    ASSERT_EQ(QVLKRV4_ProgrammUndSchrittEinstellen(1, '1', 3, 3), 0);
    Vergleichen({"messzeit", 0, 42, nullptr});
    ASSERT_EQ(QVLKRV4_ProgrammUndSchrittEinstellen(1, '1', 4, 2), 0);
    Vergleichen({"messzeit", 0, 0, nullptr});
    Vergleichen({"programmname", 0, 0, "Programm 4"});
}

TEST_F(E2e, CalibrationValuesRoundTripWithoutSelection) {
    Starten();
    std::vector<Parameterwert> werte;
    for (int i = 0; i < QVLKRV4_ParameterAnzahl; ++i) {
        const QVLKRV4_Parameter& p = QVLKRV4_Parameterliste[i];
        if (p.code[0] >= '0' && p.code[0] <= '9') {
            werte.push_back({p.name, 0.0, 0, nullptr});
        }
    }
    ASSERT_EQ(werte.size(), 22u);
    for (const auto& w : werte) {
        bool gain = std::strstr(w.name, "_v") != nullptr;
        Vergleichen({w.name, gain ? 1.0 : 0.0, 0, nullptr});  // as the device starts
    }
    for (size_t i = 0; i < werte.size(); ++i) {
        werte[i].real = (i % 2 ? -1.0 : 1.0) * (0.5 + static_cast<double>(i) * 0.125);
        Schreiben(werte[i]);
    }
    for (const auto& w : werte) {
        Vergleichen(w);
    }
}

TEST_F(E2e, SilentAddressFailsAfterTheOneSecondTimeOut) {
    Starten();
    int status = -1;
    auto beginn = Clock::now();
    EXPECT_EQ(QVLKRV4_StatusLesen(1, '2', 1, &status), -403142);
    double dauer = Sekunden(beginn);
    EXPECT_GE(dauer, 1.0);
    EXPECT_LT(dauer, 2.5);
}

// A front end that paints at its own pace is told as a read begins and once
// more when it has waited a while; the wait goes on to its full time.
TEST_F(E2e, AReadThatWaitsTellsTwiceAndStillWaitsItsTime) {
    Starten();
    static std::vector<double> gemeldet;  // seconds after the read began
    static Clock::time_point beginn;
    gemeldet.clear();
    SerialPortWartenMelden([] { gemeldet.push_back(Sekunden(beginn)); });
    beginn = Clock::now();
    const int r = ComRdByte(1);  // nothing was asked: nothing comes
    const double dauer = Sekunden(beginn);
    SerialPortWartenMelden(nullptr);
    EXPECT_EQ(r, COM_READ_TIMEOUT);
    ASSERT_EQ(gemeldet.size(), 2u);
    EXPECT_LT(gemeldet[0], kSerialLangesWarten);
    EXPECT_GE(gemeldet[1], kSerialLangesWarten);
    EXPECT_LT(gemeldet[1], 1.0);
    EXPECT_GE(dauer, 1.0);
    EXPECT_LT(dauer, 2.5);
}

TEST_F(E2e, CollectiveAddressIsAppliedByAllAndAnsweredByNone) {
    Starten({"--addresses", "12", "--log", TempName("krv4sim_sammel.log")});
    auto beginn = Clock::now();
    ASSERT_EQ(QVLKRV4_ProgrammUndSchrittEinstellen(1, '&', 5, 4), 0);
    ASSERT_EQ(QVLKRV4_ParameterSchreiben(1, '&', "impulszyklen", 0, 1234, nullptr), 0);
    ASSERT_EQ(QVLKRV4_DeviceFunction(1, '&', "direktbetrieb"), 0);
    EXPECT_LT(Sekunden(beginn), 1.0);  // nothing was awaited: one answer would take a time-out
    for (char a : {'1', '2'}) {
        int wert = 0;
        int status = 0;
        EXPECT_EQ(QVLKRV4_ParameterLesen(1, a, "impulszyklen", nullptr, &wert, nullptr), 0);
        EXPECT_EQ(wert, 1234);
        EXPECT_EQ(QVLKRV4_StatusLesen(1, a, 1, &status), 0);
        EXPECT_EQ(status, 0x40);
    }
    sim->beenden();
    std::ifstream log(TempName("krv4sim_sammel.log"));
    std::vector<std::string> zeilen;
    for (std::string z; std::getline(log, z);) {
        zeilen.push_back(z.substr(z.find(' ') + 1));  // without the time
    }
    ASSERT_EQ(zeilen.size(), 3u + 2 * 4);
    EXPECT_EQ(zeilen[0], "<- #&P1S0504<CR>");
    EXPECT_EQ(zeilen[1], "<- #&W1W1234<CR>");
    EXPECT_EQ(zeilen[2], "<- #&DF3<CR>");
    EXPECT_EQ(zeilen[3], "<- #1W1R<CR>");
    EXPECT_EQ(zeilen[4], "-> <ACK>#1W1R1234<CR>");
    std::remove((TempName("krv4sim_sammel.log")).c_str());
}

// Faults of the simulator reach the driver over the real line.
TEST_F(E2e, InjectedFaultsGiveTheDriversCodes) {
    Starten({"--fault", "1:DF1:nak",        "--fault", "1:DF2:can",       "--fault", "1:S1R:wrongbyte",
             "--fault", "1:T1R:otherparam", "--fault", "1:N1R:overlong",  "--fault", "1:IDR:otheraddr",
             "--fault", "1:G1R:range",      "--fault", "1:S2R:malformed", "--fault", "1:L1R:nocr",
             "--fault", "1:??W:nak:1:2",    "--fault", "1:DF3:slow",      "--slow-ms", "300"});
    ASSERT_EQ(QVLKRV4_Timeout(1, 0.2), 0);
    char kennung[28];
    int status = 0;
    int ganz = 0;
    double real = 0;
    char text[21];
    EXPECT_EQ(QVLKRV4_DeviceFunction(1, '1', "start"), -402039);
    EXPECT_EQ(QVLKRV4_DeviceFunction(1, '1', "stopp"), -405040);
    EXPECT_EQ(QVLKRV4_StatusLesen(1, '1', 1, &status), -404143);
    EXPECT_EQ(QVLKRV4_StatusLesen(1, '1', 2, &status), -404145);
    EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', "messzeit", nullptr, &ganz, nullptr), -404091);
    EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', "programmname", nullptr, nullptr, text), -404091);
    EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', "unterergrenzwert", &real, nullptr, nullptr), -404090);
    EXPECT_EQ(QVLKRV4_IDLesen(1, '1', kennung), -404015);
    EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', "messgeraet", nullptr, &ganz, nullptr), 0);
    EXPECT_EQ(ganz, 10);
    // The third write is refused, the ones around it pass.
    EXPECT_EQ(QVLKRV4_ParameterSchreiben(1, '1', "messzeit", 0, 1, nullptr), 0);
    EXPECT_EQ(QVLKRV4_ParameterSchreiben(1, '1', "messzeit", 0, 2, nullptr), 0);
    EXPECT_EQ(QVLKRV4_ParameterSchreiben(1, '1', "messzeit", 0, 3, nullptr), -402076);
    EXPECT_EQ(QVLKRV4_ParameterSchreiben(1, '1', "messzeit", 0, 4, nullptr), 0);
    // An answer later than the time-out is no answer, and once it comes in,
    // the next command's flush keeps it out of that exchange.
    EXPECT_EQ(QVLKRV4_DeviceFunction(1, '1', "direktbetrieb"), -403041);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', "anzahlschritte", nullptr, &ganz, nullptr), 0);
    EXPECT_EQ(ganz, 1);
}

TEST_F(E2e, DeviceVanishesAfterNCommands) {
    Starten({"--vanish-after", "2"});
    ASSERT_EQ(QVLKRV4_Timeout(1, 0.1), 0);
    EXPECT_EQ(QVLKRV4_DeviceFunction(1, '1', "start"), 0);
    EXPECT_EQ(QVLKRV4_DeviceFunction(1, '1', "stopp"), 0);
    EXPECT_EQ(QVLKRV4_DeviceFunction(1, '1', "start"), -403041);
}

TEST_F(E2e, PreloadFileSetsTheDeviceContents) {
    const std::string datei = TempName("krv4sim_vorbelegung.txt");
    {
        std::ofstream f(datei);
        f << "; Startwerte\n"
             "P2 N1 Vorbelegt mit Blank\n"
             "P2 A1 3\n"
             "P2 S3 T1 42\n"
             "P2 S3 V1 50.5\n"
             "@1 K 05 2.5\n"
             "@1 ID QVLKRV4-TST1-PRELOAD\n"
             "STATUS 04\n";
    }
    Starten({"--preload", datei});
    std::remove(datei.c_str());
    char kennung[28];
    ASSERT_EQ(QVLKRV4_IDLesen(1, '1', kennung), 0);
    EXPECT_STREQ(kennung, "QVLKRV4-TST1-PRELOAD");
    int status = 0;
    ASSERT_EQ(QVLKRV4_StatusLesen(1, '1', 1, &status), 0);
    EXPECT_EQ(status, 0x04);
    Vergleichen({"druck_v", 2.5, 0, nullptr});
    ASSERT_EQ(QVLKRV4_ProgrammUndSchrittEinstellen(1, '1', 2, 3), 0);
    Vergleichen({"programmname", 0, 0, "Vorbelegt mit Blank"});
    Vergleichen({"anzahlschritte", 0, 3, nullptr});
    Vergleichen({"messzeit", 0, 42, nullptr});
    Vergleichen({"spannung", 50.5, 0, nullptr});  // stored out of range
}

TEST(Krv4simStart, BadPreloadOrFaultIsRefusedWithExitCode2) {
    const std::string datei = TempName("krv4sim_falsch.txt");
    {
        std::ofstream f(datei);
        f << "P2 S3 T1 zwoelf\n";
    }
    Ergebnis e = Ausfuehren(kSimulator, {"--preload", datei});
    std::remove(datei.c_str());
    EXPECT_EQ(e.status, 2);
    EXPECT_NE(e.fehler.find(":1:"), std::string::npos) << e.fehler;
    EXPECT_EQ(Ausfuehren(kSimulator, {"--fault", "1:DF1:kaputt"}).status, 2);
    EXPECT_EQ(Ausfuehren(kSimulator, {"--addresses", "1A"}).status, 2);
}

TEST_F(E2e, PacedLineTakesTheTimeOfItsCharacters) {
    Starten({"--pace"});
    auto beginn = Clock::now();
    ASSERT_EQ(QVLKRV4_ParameterSchreiben(1, '1', "messzeit", 0, 5, nullptr), 0);  // 7 characters + ACK
    double schreiben = Sekunden(beginn);
    beginn = Clock::now();
    int wert = 0;
    ASSERT_EQ(QVLKRV4_ParameterLesen(1, '1', "messzeit", nullptr, &wert, nullptr), 0);  // 6 + 1 + 7
    double lesen = Sekunden(beginn);
    EXPECT_EQ(wert, 5);
    const double zeichen = 10.0 / 9600.0;
    // How close to the wire time is the benchmark's question (bench_device).
    EXPECT_GE(schreiben, 8 * zeichen);
    EXPECT_LT(schreiben, 8 * zeichen + 0.5);
    EXPECT_GE(lesen, 14 * zeichen);
    EXPECT_LT(lesen, 14 * zeichen + 0.5);
}

TEST_F(E2e, PortFailsAtOnceWhenTheLineIsGone) {
    Starten();
    ASSERT_EQ(sim->beenden(), 0);
    int status = 0;
    auto beginn = Clock::now();
    int r = QVLKRV4_StatusLesen(1, '1', 1, &status);
    EXPECT_TRUE(r == -403142 || r == -101138 || r == -124148) << r;
    EXPECT_LT(Sekunden(beginn), 1.0);  // before the time-out
}

TEST(PosixPort, ComNameMapsToTheEnvironmentOrTheAssignedDevice) {
    unsetenv("KRV4_COM2");
    EXPECT_EQ(PosixSerialPort::DevicePath("com2"), PortBelegungHolen(2).pfad);
    setenv("KRV4_COM2", "/dev/ttyUSB0", 1);
    EXPECT_EQ(PosixSerialPort::DevicePath("com2"), "/dev/ttyUSB0");
    unsetenv("KRV4_COM2");
}

TEST(PosixPort, OpenFailsForAMissingDevice) {
    setenv("KRV4_COM6", "/nonexistent/krv4-line", 1);
    SerialPortSetzen(6, nullptr);
    EXPECT_EQ(QVLKRV4_Open(6, 9600), -100003);
    EXPECT_EQ(QVLKRV4_Close(6), -103004);
    unsetenv("KRV4_COM6");
}

TEST_F(E2e, PortIsRawAt9600AndCanBeReopened) {
    Starten();
    // The settings stay on the line after the close: the simulator holds it.
    ASSERT_EQ(QVLKRV4_Close(1), 0);
    int fd = open(sim->pfad().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    close(fd);
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_EQ(cfgetispeed(&t), B9600);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR), 0u);
    EXPECT_EQ(t.c_cflag & (CRTSCTS | CSTOPB), 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    // The exclusive claim ends with each close, so the port opens again.
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(QVLKRV4_Open(1, 9600), 0);
        ASSERT_EQ(QVLKRV4_Close(1), 0);
    }
    ASSERT_EQ(QVLKRV4_Open(1, 9600), 0);
    char kennung[28];
    EXPECT_EQ(QVLKRV4_IDLesen(1, '1', kennung), 0);
}

TEST(Krv4simEnde, StopsOnSigtermAndRemovesItsLink) {
    const std::string link = TempName("krv4sim_link");
    const std::string pfadDatei = TempName("krv4sim_pfad");
    Simulator sim({"--link", link, "--path-file", pfadDatei});
    char ziel[256] = {};
    ASSERT_GT(readlink(link.c_str(), ziel, sizeof ziel - 1), 0);
    EXPECT_EQ(sim.pfad(), ziel);
    std::ifstream f(pfadDatei);
    std::string zeile;
    std::getline(f, zeile);
    EXPECT_EQ(zeile, sim.pfad());
    EXPECT_EQ(sim.beenden(), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0);
    EXPECT_NE(lstat(pfadDatei.c_str(), &st), 0);
}

TEST(Krv4simEnde, DiesWithItsParent) {
    // Its parent is a child of the test that is killed once the simulator
    // runs; the simulator's output pipe closes when it has gone.
    // The orphan comes to this process, which reaps it.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int aus[2];
    int kennung[2];
    ASSERT_EQ(pipe(aus), 0);
    ASSERT_EQ(pipe(kennung), 0);
    pid_t eltern = fork();
    ASSERT_GE(eltern, 0);
    if (eltern == 0) {
        dup2(aus[1], STDOUT_FILENO);
        close(aus[0]);
        close(aus[1]);
        close(kennung[0]);
        pid_t kind = fork();
        if (kind == 0) {
            close(kennung[1]);
            execl(kSimulator.c_str(), kSimulator.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        (void)!write(kennung[1], &kind, sizeof kind);
        for (;;) {
            pause();
        }
    }
    close(aus[1]);
    close(kennung[1]);
    pid_t kind = -1;
    ASSERT_EQ(read(kennung[0], &kind, sizeof kind), static_cast<ssize_t>(sizeof kind));
    close(kennung[0]);
    std::string zeile;
    EXPECT_TRUE(ZeileLesen(aus[0], &zeile, std::chrono::milliseconds(5000)));
    kill(eltern, SIGKILL);
    EXPECT_EQ(Abwarten(eltern, std::chrono::milliseconds(3000)), -1);
    auto beginn = Clock::now();
    char c = 0;
    pollfd p{aus[0], POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 3000), 1);
    EXPECT_EQ(read(aus[0], &c, 1), 0);  // end of file: it is gone
    EXPECT_LT(Sekunden(beginn), 2.0);
    close(aus[0]);
    EXPECT_EQ(Abwarten(kind, std::chrono::milliseconds(1000)), 0);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

}  // namespace
