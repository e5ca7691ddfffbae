// The serial port's own behaviour: the quiet line after a time-out, and on
// Linux the claim of the line, low latency and what a refused open says.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/MemorySerialPort.h"
#include "platform/Portliste.h"
#include "platform/SerialPort.h"

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Notes which way each flush of the input queue went.
class RuhePort : public MemorySerialPort {
public:
    int drainInput(double ruhe, double grenze) override {
        wege.push_back("ruhe");
        this->ruhe = ruhe;
        this->grenze = grenze;
        return MemorySerialPort::drainInput(ruhe, grenze);
    }
    int flushIn() override {
        wege.push_back("leeren");
        return MemorySerialPort::flushIn();
    }
    std::vector<std::string> wege;
    double ruhe = 0, grenze = 0;
};

TEST(SerialFrontEnd, LineMustFallQuietAfterOpeningAndAfterATimeOutOnly) {
    auto port = std::make_shared<RuhePort>();
    SerialPortSetzen(3, port);
    ASSERT_EQ(OpenComConfig(3, "com3", 9600, COM_PARITY_ODD, 7, 1, 512, 512), 0);
    ASSERT_EQ(FlushInQ(3), 0);  // just opened
    port->queueInput("\x06");
    ASSERT_EQ(ComRdByte(3), 0x06);
    ASSERT_EQ(FlushInQ(3), 0);  // after an answer
    ASSERT_EQ(ComRdByte(3), COM_READ_TIMEOUT);
    ASSERT_EQ(FlushInQ(3), 0);  // after a time-out
    ASSERT_EQ(FlushInQ(3), 0);  // the line was quiet since
    EXPECT_EQ(port->wege, (std::vector<std::string>{"ruhe", "leeren", "leeren", "ruhe", "leeren", "leeren"}));
    EXPECT_DOUBLE_EQ(port->ruhe, 0.02);
    EXPECT_DOUBLE_EQ(port->grenze, 1.0);
    SerialPortSetzen(3, nullptr);
}

#ifndef _WIN32

double Sekunden(Clock::time_point seit) { return std::chrono::duration<double>(Clock::now() - seit).count(); }

// A pseudo-terminal whose slave end stands in for a serial device.
class Leitung {
public:
    Leitung() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) pfad_ = ptsname(master_);
    }
    ~Leitung() {
        if (master_ >= 0) close(master_);
    }
    const std::string& pfad() const { return pfad_; }
    int master() const { return master_; }

private:
    int master_ = -1;
    std::string pfad_;
};

int Oeffnen(SerialPort& port) { return port.open("com1", 9600, COM_PARITY_ODD, 7, 1, 512, 512); }

// Records the driver's serial settings requests and answers them as told.
class LatenzPort : public PosixSerialPort {
public:
    using PosixSerialPort::PosixSerialPort;
    bool lesenVerweigern = false;
    std::vector<unsigned long> anfragen;
    int gesetzteFlags = -1;

protected:
    int serialIoctl(int, unsigned long request, void* argument) override {
        anfragen.push_back(request);
        auto* s = static_cast<serial_struct*>(argument);
        if (request == TIOCGSERIAL) {
            if (lesenVerweigern) return -1;
            s->flags = 0x10;  // some other flag the driver had set
            return 0;
        }
        gesetzteFlags = s->flags;
        return -1;  // the driver refuses
    }
};

TEST(PosixPort, OpeningAsksForLowLatencyAndTakesARefusal) {
    Leitung l;
    ASSERT_FALSE(l.pfad().empty());
    LatenzPort port(l.pfad());
    ASSERT_EQ(Oeffnen(port), 0);
    EXPECT_EQ(port.anfragen, (std::vector<unsigned long>{TIOCGSERIAL, TIOCSSERIAL}));
    EXPECT_EQ(port.gesetzteFlags, 0x10 | ASYNC_LOW_LATENCY);
    port.close();

    LatenzPort stumm(l.pfad());
    stumm.lesenVerweigern = true;
    ASSERT_EQ(Oeffnen(stumm), 0);
    EXPECT_EQ(stumm.anfragen, (std::vector<unsigned long>{TIOCGSERIAL}));
    EXPECT_EQ(stumm.write("#1IDR\r", 6), 6);
}

TEST(PosixPort, ByteReadTimesOutAfterItsSecondOnAPseudoTerminal) {
    Leitung l;
    PosixSerialPort port(l.pfad());
    ASSERT_EQ(Oeffnen(port), 0);
    ASSERT_EQ(port.setTimeout(1.0), 0);
    auto beginn = Clock::now();
    EXPECT_EQ(port.readByte(), COM_READ_TIMEOUT);
    double t = Sekunden(beginn);
    EXPECT_GE(t, 1.0);
    EXPECT_LT(t, 2.5);
}

// A child process that holds the line open through the program's own port
// until the pipe closes.
class Halter {
public:
    explicit Halter(const std::string& pfad) {
        int bereit[2], ende[2];
        if (pipe(bereit) != 0 || pipe(ende) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(bereit[0]);
            close(ende[1]);
            PosixSerialPort port(pfad);
            char ok = Oeffnen(port) == 0 ? '1' : '0';
            (void)!write(bereit[1], &ok, 1);
            char c;
            (void)!read(ende[0], &c, 1);
            _exit(0);
        }
        close(bereit[1]);
        close(ende[0]);
        ende_ = ende[1];
        char ok = 0;
        offen_ = read(bereit[0], &ok, 1) == 1 && ok == '1';
        close(bereit[0]);
    }
    ~Halter() {
        if (ende_ >= 0) close(ende_);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    bool offen() const { return offen_; }

private:
    pid_t pid_ = -1;
    int ende_ = -1;
    bool offen_ = false;
};

TEST(PosixPort, PortHeldByAnotherProgramIsBusyAndItsClaimStays) {
    Leitung l;
    Halter halter(l.pfad());
    ASSERT_TRUE(halter.offen());
    PosixSerialPort port(l.pfad());
    EXPECT_EQ(Oeffnen(port), -1);
    EXPECT_EQ(port.hint(), l.pfad() + " wird von einem anderen Programm benutzt");
    EXPECT_EQ(port.close(), -1);  // nothing was opened

    // The other program's claim is still on the line: only the super-user
    // gets past TIOCEXCL, and sees it set.
    int fd = open(l.pfad().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (geteuid() == 0) {
        ASSERT_GE(fd, 0);
        int exklusiv = 0;
        EXPECT_EQ(ioctl(fd, TIOCGEXCL, &exklusiv), 0);
        EXPECT_EQ(exklusiv, 1);
        close(fd);
    } else {
        EXPECT_EQ(fd, -1);
        EXPECT_EQ(errno, EBUSY);
    }
}

TEST(PosixPort, ClaimEndsWithTheCloseSoThePortOpensAgain) {
    Leitung l;
    {
        PosixSerialPort port(l.pfad());
        ASSERT_EQ(Oeffnen(port), 0);
        PosixSerialPort zweiter(l.pfad());
        EXPECT_EQ(Oeffnen(zweiter), -1);  // the same program counts as another user of the line
        ASSERT_EQ(port.close(), 0);
        EXPECT_EQ(Oeffnen(zweiter), 0);
    }
    Halter danach(l.pfad());
    EXPECT_TRUE(danach.offen());
}

// The access test needs the super-user to become nobody.
TEST(PosixPort, DeviceTheUserMayNotOpenSaysWhichGroupIsMissing) {
    if (geteuid() != 0) GTEST_SKIP() << "nur als root: der Test wechselt zu nobody";
    const group* dialout = getgrnam("dialout");
    if (!dialout) GTEST_SKIP() << "keine Gruppe dialout";
    Leitung l;
    ASSERT_EQ(chown(l.pfad().c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(chmod(l.pfad().c_str(), 0660), 0);
    int rohr[2];
    ASSERT_EQ(pipe(rohr), 0);
    pid_t kind = fork();
    ASSERT_GE(kind, 0);
    if (kind == 0) {
        close(rohr[0]);
        std::string text = "?";
        if (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0) {
            setenv("KRV4_COM2", l.pfad().c_str(), 1);
            SerialPortSetzen(2, nullptr);
            int r = OpenComConfig(2, "com2", 9600, COM_PARITY_ODD, 7, 1, 512, 512);
            text = std::to_string(r) + " " + ComHinweis(2);
        }
        (void)!write(rohr[1], text.data(), text.size());
        _exit(0);
    }
    close(rohr[1]);
    std::string text;
    char puffer[256];
    for (ssize_t n; (n = read(rohr[0], puffer, sizeof puffer)) > 0;) text.append(puffer, static_cast<size_t>(n));
    close(rohr[0]);
    waitpid(kind, nullptr, 0);
    EXPECT_EQ(text, "-1 Kein Zugriff auf " + l.pfad() + ": Benutzer gehört nicht zur Gruppe dialout");
}

TEST(PosixPort, LostLineFailsAtOnceAndSaysSo) {
    auto l = std::make_unique<Leitung>();
    const std::string pfad = l->pfad();
    PosixSerialPort port(pfad);
    ASSERT_EQ(Oeffnen(port), 0);
    ASSERT_EQ(port.setTimeout(1.0), 0);
    EXPECT_FALSE(port.lineLost());
    l.reset();  // the other end goes, as with an adapter pulled out
    auto beginn = Clock::now();
    EXPECT_EQ(port.readByte(), COM_READ_FAILED);
    EXPECT_LT(Sekunden(beginn), 0.5);
    EXPECT_TRUE(port.lineLost());
    EXPECT_EQ(port.hint(), "Verbindung zu " + pfad + " unterbrochen");
    EXPECT_LT(port.write("#1IDR\r", 6), 0);
    EXPECT_LT(port.drainInput(0.02, 1.0), 0);
    EXPECT_EQ(port.close(), 0);
}

TEST(PosixPort, ComNumberWithNoPortPresentFailsAndSaysSo) {
    unsetenv("KRV4_COM5");
    char ordner[] = "/tmp/krv4-leer-XXXXXX";
    ASSERT_NE(mkdtemp(ordner), nullptr);
    PortlisteWurzelSetzen(ordner);
    SerialPortSetzen(5, nullptr);
    EXPECT_EQ(PosixSerialPort::DevicePath("com5"), "");
    EXPECT_LT(OpenComConfig(5, "com5", 9600, COM_PARITY_ODD, 7, 1, 512, 512), 0);
    EXPECT_EQ(ComHinweis(5), "COM 5: keine serielle Schnittstelle vorhanden");
    PortlisteWurzelSetzen("");
    rmdir(ordner);
}

#endif

}  // namespace
