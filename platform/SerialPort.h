#pragma once

#include <memory>
#include <string>

// The serial port operations the device driver relies on, addressed by port
// number 1 to 6. Each port number is served by one SerialPort implementation:
// the system's port (SystemSerialPort: termios, or the Win32 comm API) unless
// another one has been installed.

enum : int {
    COM_PARITY_NONE = 0,
    COM_PARITY_ODD = 1,
    COM_PARITY_EVEN = 2,
};

// Result of a byte read that timed out; a port failure gives COM_READ_FAILED.
constexpr int COM_READ_TIMEOUT = -1;
constexpr int COM_READ_FAILED = -2;

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // All return 0 on success and a negative value on failure unless noted.
    virtual int open(const char* deviceName, long baud, int parity, int dataBits, int stopBits, int inQueue,
                     int outQueue) = 0;
    virtual int close() = 0;
    virtual int setTimeout(double seconds) = 0;
    virtual int flushIn() = 0;
    virtual int flushOut() = 0;
    // Number of bytes taken, negative on failure.
    virtual int write(const char* buffer, int count) = 0;
    // Bytes still waiting to be sent, negative on failure.
    virtual int outQueueLength() = 0;
    // Sleeps until the output queue is empty, but no longer than the queued
    // bytes need on the line plus a margin: negative when it did not drain.
    virtual int waitOutQueueEmpty() = 0;
    // The next received byte (0 to 255), COM_READ_TIMEOUT or COM_READ_FAILED.
    virtual int readByte() = 0;

    // Discards input until nothing has arrived for quietSeconds, so that a
    // late answer cannot pass for the next command's; negative when the line
    // did not fall quiet within limitSeconds or the port failed.
    virtual int drainInput(double quietSeconds, double limitSeconds);
    // What the operator can do about the last failed open, or about a line
    // that has gone: "" when there is nothing to say.
    virtual std::string hint() const { return {}; }
    // Whether the device behind the open port has gone (adapter pulled).
    virtual bool lineLost() const { return false; }
};

// "comN" names port N: its number, and in umgebung the path the environment
// variable KRV4_COMN gives (empty when unset). -1 for any other name.
int ComPortNummer(const char* deviceName, std::string* umgebung);

// The bounded wait of waitOutQueueEmpty for a port that can only report its
// queue length: sleeps while the queue drains, no longer than twice the queued
// bytes' time on the line plus half a second. 0 when empty, negative when the
// queue did not drain or cannot be read.
int WaitOutQueueDrained(SerialPort& port, double secondsPerByte);

#ifdef _WIN32
// Win32 comm port. Device "comN" is the name in the environment variable
// KRV4_COMN when set, else the device the operator assigned to N, else
// \\.\COMN; a fixed name overrides them.
class Win32SerialPort : public SerialPort {
public:
    Win32SerialPort() = default;
    explicit Win32SerialPort(std::string path);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    int open(const char* deviceName, long baud, int parity, int dataBits, int stopBits, int inQueue,
             int outQueue) override;
    int close() override;
    int setTimeout(double seconds) override;
    int flushIn() override;
    int flushOut() override;
    int write(const char* buffer, int count) override;
    int outQueueLength() override;
    int waitOutQueueEmpty() override;
    int readByte() override;
    int drainInput(double quietSeconds, double limitSeconds) override;
    std::string hint() const override { return hint_; }
    bool lineLost() const override { return lost_; }

    // The name "comN" resolves to (for messages and tests).
    static std::string DevicePath(const char* deviceName);

private:
    // The read time-out in ms; unless given, the first wait of a read: the
    // whole time-out, or kSerialLangesWarten when that is shorter.
    int applyTimeouts(long readMs = -1);
    int readOnce();
    void checkLost();

    std::string fixedPath_;
    void* handle_ = nullptr;  // the system's HANDLE, nullptr when closed
    bool lost_ = false;
    std::string path_;  // the device opened, for hints
    std::string hint_;
    double timeout_ = 1.0;
    double secondsPerByte_ = 10.0 / 9600.0;
};
using SystemSerialPort = Win32SerialPort;

#else
// Termios port. Device "comN" is the path in the environment variable
// KRV4_COMN when set, else the device the port list assigns to N (see
// Portliste.h); a fixed path overrides both. The line is claimed with an
// advisory lock and TIOCEXCL, and asked for the driver's low-latency mode.
class PosixSerialPort : public SerialPort {
public:
    PosixSerialPort() = default;
    explicit PosixSerialPort(std::string path);
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    int open(const char* deviceName, long baud, int parity, int dataBits, int stopBits, int inQueue,
             int outQueue) override;
    int close() override;
    int setTimeout(double seconds) override;
    int flushIn() override;
    int flushOut() override;
    int write(const char* buffer, int count) override;
    int outQueueLength() override;
    int waitOutQueueEmpty() override;
    int readByte() override;
    int drainInput(double quietSeconds, double limitSeconds) override;
    std::string hint() const override { return hint_; }
    bool lineLost() const override { return lost_; }

    // The path "comN" resolves to (for messages and tests).
    static std::string DevicePath(const char* deviceName);

protected:
    // The driver's serial settings (TIOCGSERIAL, TIOCSSERIAL) go through
    // here, so that a test can see the request and refuse it.
    virtual int serialIoctl(int fd, unsigned long request, void* argument);

private:
    // Notes a failure of the line itself (EIO, ENXIO, ENODEV, hang-up).
    void checkLost(int error);

    std::string fixedPath_;
    int fd_ = -1;
    bool exclusive_ = false;  // TIOCEXCL is this port's own claim
    bool lost_ = false;
    std::string device_;      // the device opened, for hints
    std::string hint_;
    double timeout_ = 1.0;
    double secondsPerByte_ = 10.0 / 9600.0;
};

using SystemSerialPort = PosixSerialPort;
#endif

// Installs the implementation behind a port number (1 to 6); nullptr brings
// back a fresh system port. A replaced implementation is closed first.
void SerialPortSetzen(int port, std::shared_ptr<SerialPort> implementation);
// The implementation behind a port number, nullptr outside 1 to 6.
SerialPort* SerialPortHolen(int port);

// `melden` is called before each read, and once more when a read has waited
// kSerialLangesWarten for its byte: a front end that paints at its own pace
// brings what it shows up to date when that is due. nullptr: nobody is told.
inline constexpr double kSerialLangesWarten = 0.04;
void SerialPortWartenMelden(void (*melden)());
void SerialPortWartet();

int OpenComConfig(int port, const char* deviceName, long baud, int parity, int dataBits, int stopBits,
                  int inputQueueSize, int outputQueueSize);
int CloseCom(int port);
int SetComTime(int port, double seconds);
int FlushInQ(int port);
int FlushOutQ(int port);
int ComWrt(int port, const char* buffer, int count);
int GetOutQLen(int port);
// Bounded wait until everything written has left the port (see SerialPort).
int WaitOutQEmpty(int port);
int ComRdByte(int port);

// After a time-out and after opening, the next FlushInQ waits this long for
// the line to fall quiet (a few characters at 9600 baud), at most kRuheGrenze.
constexpr double kRuhezeit = 0.02;
constexpr double kRuheGrenze = 1.0;

// The hint of the port behind the number (SerialPort::hint).
std::string ComHinweis(int port);
// Whether the line of the open port has gone (SerialPort::lineLost).
bool ComLeitungVerloren(int port);
