#include <fcntl.h>
#include <grp.h>
#include <limits.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

#include <cerrno>
#include <cstddef>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/Portliste.h"
#include "platform/SerialPort.h"
#include "platform/Zeichensatz.h"

// The kernel's termios is the start of the C library's one.
static_assert(offsetof(termios, c_iflag) == 0 && offsetof(termios, c_oflag) == 4 &&
              offsetof(termios, c_cflag) == 8 && offsetof(termios, c_lflag) == 12 &&
              offsetof(termios, c_line) == 16 && offsetof(termios, c_cc) == 17 && NCCS >= 19);

namespace {

using Clock = std::chrono::steady_clock;

speed_t SpeedFor(long baud) {
    switch (baud) {
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return B0;
    }
}

tcflag_t SizeFor(int dataBits) {
    switch (dataBits) {
        case 5: return CS5;
        case 6: return CS6;
        case 7: return CS7;
        case 8: return CS8;
        default: return 0;
    }
}

// Waits for the descriptor until the deadline: 0 on time-out, negative on failure.
int PollUntil(int fd, short events, Clock::time_point deadline, short* revents) {
    for (;;) {
        auto left = deadline - Clock::now();
        if (left < Clock::duration::zero()) {
            left = Clock::duration::zero();
        }
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd p{fd, events, 0};
        int r = ppoll(&p, 1, &ts, nullptr);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        *revents = p.revents;
        return r;
    }
}

bool LeitungWeg(int fehler) { return fehler == EIO || fehler == ENXIO || fehler == ENODEV; }

// The device as the operator knows it: /dev/ttyUSB0 rather than its by-id link.
std::string Geraet(const std::string& pfad) {
    char echt[PATH_MAX];
    std::string g = realpath(pfad.c_str(), echt) ? std::string(echt) : pfad;
    std::string cp;
    return Utf8NachCp1252(g, &cp) ? cp : g;
}

bool InGruppe(gid_t gruppe) {
    if (getegid() == gruppe) return true;
    gid_t gruppen[256];
    int n = getgroups(256, gruppen);
    for (int i = 0; i < n; ++i)
        if (gruppen[i] == gruppe) return true;
    return false;
}

// Why a device that exists may not be opened, and what the operator can do.
std::string ZugriffHinweis(const std::string& pfad, const std::string& geraet) {
    std::string text = "Kein Zugriff auf " + geraet;
    struct stat st {};
    if (stat(pfad.c_str(), &st) == 0 && !InGruppe(st.st_gid)) {
        const group* g = getgrgid(st.st_gid);
        text += ": Benutzer gehört nicht zur Gruppe " + (g ? std::string(g->gr_name) : std::to_string(st.st_gid));
    }
    return text;
}

std::string BelegtHinweis(const std::string& geraet) { return geraet + " wird von einem anderen Programm benutzt"; }

}  // namespace

PosixSerialPort::PosixSerialPort(std::string path) : fixedPath_(std::move(path)) {}

PosixSerialPort::~PosixSerialPort() {
    close();
}

std::string PosixSerialPort::DevicePath(const char* deviceName) {
    std::string umgebung;
    int n = ComPortNummer(deviceName, &umgebung);
    if (n < 0) return deviceName ? deviceName : "";
    if (!umgebung.empty()) return umgebung;
    return PortBelegungHolen(n).pfad;
}

int PosixSerialPort::serialIoctl(int fd, unsigned long request, void* argument) {
    return ioctl(fd, request, argument);
}

void PosixSerialPort::checkLost(int error) {
    if (fd_ >= 0 && !lost_ && LeitungWeg(error)) {
        lost_ = true;
        hint_ = "Verbindung zu " + device_ + " unterbrochen";
    }
}

int PosixSerialPort::open(const char* deviceName, long baud, int parity, int dataBits, int stopBits, int,
                          int) {
    close();
    speed_t speed = SpeedFor(baud);
    tcflag_t size = SizeFor(dataBits);
    if (speed == B0 || size == 0 || (stopBits != 1 && stopBits != 2) || parity < COM_PARITY_NONE ||
        parity > COM_PARITY_EVEN) {
        return -1;
    }
    std::string path = fixedPath_.empty() ? DevicePath(deviceName) : fixedPath_;
    lost_ = false;
    hint_.clear();
    if (path.empty()) {
        std::string umgebung;
        int n = ComPortNummer(deviceName, &umgebung);
        hint_ = n > 0 ? PortZeile(n, PortBelegung{}) : std::string();
        return -1;
    }
    // Non-blocking for good: no write or read may hang the program; reads
    // wait with poll() for at most the time-out.
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        int fehler = errno;
        std::string geraet = Geraet(path);
        if (fehler == EACCES || fehler == EPERM) {
            hint_ = ZugriffHinweis(path, geraet);
        } else if (fehler == EBUSY) {
            hint_ = BelegtHinweis(geraet);
        } else if (fehler == ENOENT || LeitungWeg(fehler)) {
            hint_ = geraet + " ist nicht angeschlossen";
        }
        return -1;
    }
    std::string geraet = Geraet(path);
    // Serial tools agree on an advisory lock; TIOCEXCL alone binds no
    // super-user. A claim found on the line is someone else's: left alone.
    int exklusiv = 0;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0
#ifdef TIOCGEXCL
        || (ioctl(fd, TIOCGEXCL, &exklusiv) == 0 && exklusiv)
#endif
    ) {
        ::close(fd);
        hint_ = BelegtHinweis(geraet);
        return -1;
    }
    auto aufgeben = [fd]() {
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        return -1;
    };
    termios t{};
    if (tcgetattr(fd, &t) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        return aufgeben();
    }
#ifdef __linux__
    // Without it a USB adapter holds each answer for its latency timer
    // (16 ms); a port that refuses (a pseudo-terminal) is used as it is.
    serial_struct seriell{};
    if (serialIoctl(fd, TIOCGSERIAL, &seriell) == 0 && !(seriell.flags & ASYNC_LOW_LATENCY)) {
        seriell.flags |= ASYNC_LOW_LATENCY;
        serialIoctl(fd, TIOCSSERIAL, &seriell);
    }
#endif
    cfmakeraw(&t);
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | ISTRIP | IGNPAR | PARMRK);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD | size;
    if (parity != COM_PARITY_NONE) {
        t.c_cflag |= PARENB;
        if (parity == COM_PARITY_ODD) {
            t.c_cflag |= PARODD;
        }
    }
    if (stopBits == 2) {
        t.c_cflag |= CSTOPB;
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    // The Linux pseudo-terminal accepts but ignores size and parity, so the
    // result of the call is what counts, not a read-back. tcsetattr() of the
    // C library reads back and refuses such a line once nothing else changes;
    // the ioctl underneath it reports what the kernel did.
    if (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0 || ioctl(fd, TCSETS, &t) != 0) {
        return aufgeben();
    }
    // Input only: a fresh port has sent nothing, and on a pseudo-terminal an
    // output flush throws away what an earlier user of the line wrote last
    // while the other side has not read it yet.
    tcflush(fd, TCIFLUSH);
    fd_ = fd;
    exclusive_ = true;
    device_ = geraet;
    int bits = 1 + dataBits + (parity != COM_PARITY_NONE ? 1 : 0) + stopBits;
    secondsPerByte_ = static_cast<double>(bits) / static_cast<double>(baud);
    return 0;
}

int PosixSerialPort::close() {
    if (fd_ < 0) {
        return -1;
    }
    // The exclusive claim would outlive this descriptor while another one
    // (a simulator holding its own line) keeps the terminal open; only this
    // port's own claim is lifted.
    if (exclusive_) {
        ioctl(fd_, TIOCNXCL);
    }
    exclusive_ = false;
    int r = ::close(fd_);
    fd_ = -1;
    // A line that went away closes without complaint: nothing is left to fail.
    return r == 0 || lost_ ? 0 : -1;
}

int PosixSerialPort::setTimeout(double seconds) {
    if (fd_ < 0 || !std::isfinite(seconds) || seconds < 0.0 || seconds > 3600.0) {
        return -1;
    }
    timeout_ = seconds;
    return 0;
}

int PosixSerialPort::flushIn() {
    if (fd_ < 0) {
        return -1;
    }
    if (tcflush(fd_, TCIFLUSH) != 0) {
        checkLost(errno);
        return -1;
    }
    return 0;
}

int PosixSerialPort::drainInput(double quietSeconds, double limitSeconds) {
    if (flushIn() != 0) {
        return -1;
    }
    const auto ruhe = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(quietSeconds));
    const auto grenze =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limitSeconds));
    for (;;) {
        const auto start = Clock::now();
        if (start >= grenze) {
            return -1;
        }
        short revents = 0;
        int r = PollUntil(fd_, POLLIN, std::min(start + ruhe, grenze), &revents);
        if (r == 0) {
            return Clock::now() >= start + ruhe ? 0 : -1;
        }
        if (r < 0) {
            return -1;
        }
        if (!(revents & POLLIN)) {
            checkLost(EIO);  // hang-up or error without data
            return -1;
        }
        // Something came: throw it away and start the quiet time again.
        unsigned char puffer[256];
        ssize_t n = ::read(fd_, puffer, sizeof puffer);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            checkLost(n == 0 ? EIO : errno);
            return -1;
        }
    }
}

int PosixSerialPort::flushOut() {
    if (fd_ < 0) {
        return -1;
    }
    // Nothing waiting, nothing to discard. On a pseudo-terminal the queue is
    // always empty, and a flush there would throw away the last command while
    // the other side has not read it yet.
    if (outQueueLength() == 0) {
        return 0;
    }
    if (tcflush(fd_, TCOFLUSH) != 0) {
        checkLost(errno);
        return -1;
    }
    return 0;
}

int PosixSerialPort::write(const char* buffer, int count) {
    if (fd_ < 0) {
        return -1;
    }
    for (;;) {
        ssize_t n = ::write(fd_, buffer, static_cast<size_t>(count));
        if (n >= 0) {
            return static_cast<int>(n);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN) {
            return 0;
        }
        checkLost(errno);
        return -1;
    }
}

int PosixSerialPort::outQueueLength() {
    int queued = 0;
    if (fd_ < 0) {
        return -1;
    }
    if (ioctl(fd_, TIOCOUTQ, &queued) != 0) {
        checkLost(errno);
        return -1;
    }
    return queued;
}

int PosixSerialPort::waitOutQueueEmpty() { return WaitOutQueueDrained(*this, secondsPerByte_); }

int PosixSerialPort::readByte() {
    if (fd_ < 0 || lost_) {
        return COM_READ_FAILED;
    }
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeout_));
    auto bis = std::min(deadline, start + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(kSerialLangesWarten)));
    for (;;) {
        short revents = 0;
        int r = PollUntil(fd_, POLLIN, bis, &revents);
        if (r == 0 && bis < deadline) {
            SerialPortWartet();
            bis = deadline;
            continue;
        }
        if (r == 0) {
            return COM_READ_TIMEOUT;
        }
        if (r < 0) {
            return COM_READ_FAILED;
        }
        if (revents & POLLIN) {
            unsigned char b = 0;
            ssize_t n = ::read(fd_, &b, 1);
            if (n == 1) {
                return b;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            // End of file on a terminal is its hang-up.
            checkLost(n == 0 ? EIO : errno);
            return COM_READ_FAILED;
        }
        checkLost(EIO);  // hang-up or error without data
        return COM_READ_FAILED;
    }
}
