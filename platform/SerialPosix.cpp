#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/SerialPort.h"

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
    return "/dev/ttyS" + std::to_string(n - 1);
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
    if (path.empty()) {
        return -1;
    }
    // Non-blocking for good: no write or read may hang the program; reads
    // wait with poll() for at most the time-out.
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        ::close(fd);
        return -1;
    }
    ioctl(fd, TIOCEXCL);
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
        ::close(fd);
        return -1;
    }
    tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    int bits = 1 + dataBits + (parity != COM_PARITY_NONE ? 1 : 0) + stopBits;
    secondsPerByte_ = static_cast<double>(bits) / static_cast<double>(baud);
    return 0;
}

int PosixSerialPort::close() {
    if (fd_ < 0) {
        return -1;
    }
    // The exclusive claim would outlive this descriptor while another one
    // (a simulator holding its own line) keeps the terminal open.
    ioctl(fd_, TIOCNXCL);
    int r = ::close(fd_);
    fd_ = -1;
    return r == 0 ? 0 : -1;
}

int PosixSerialPort::setTimeout(double seconds) {
    if (fd_ < 0 || !std::isfinite(seconds) || seconds < 0.0 || seconds > 3600.0) {
        return -1;
    }
    timeout_ = seconds;
    return 0;
}

int PosixSerialPort::flushIn() {
    return fd_ >= 0 && tcflush(fd_, TCIFLUSH) == 0 ? 0 : -1;
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
    return tcflush(fd_, TCOFLUSH) == 0 ? 0 : -1;
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
        return errno == EAGAIN ? 0 : -1;
    }
}

int PosixSerialPort::outQueueLength() {
    int queued = 0;
    if (fd_ < 0 || ioctl(fd_, TIOCOUTQ, &queued) != 0) {
        return -1;
    }
    return queued;
}

int PosixSerialPort::waitOutQueueEmpty() { return WaitOutQueueDrained(*this, secondsPerByte_); }

int PosixSerialPort::readByte() {
    if (fd_ < 0) {
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
            return COM_READ_FAILED;
        }
        return COM_READ_FAILED;  // hang-up or error without data
    }
}
