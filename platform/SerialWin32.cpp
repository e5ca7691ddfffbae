#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/Portliste.h"
#include "platform/SerialPort.h"
#include "platform/Zeichensatz.h"

// The serial port on the Win32 comm API: synchronous calls whose waits the
// port's own time-outs bound (COMMTIMEOUTS), so that no call can hang.

namespace {

HANDLE H(void* handle) { return static_cast<HANDLE>(handle); }

// "\\.\COM7" as the operator knows it: "COM 7".
std::string Anzeigename(const std::string& pfad) {
    std::string name = pfad.compare(0, 4, "\\\\.\\") == 0 ? pfad.substr(4) : pfad;
    if (name.size() > 3 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "com") == 0) &&
        name.find_first_not_of("0123456789", 3) == std::string::npos)
        return "COM " + name.substr(3);
    return name;
}

// What a USB adapter's driver reports once the adapter has been pulled.
bool LeitungWeg(DWORD fehler) {
    switch (fehler) {
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_OPERATION_ABORTED:
        case 1617:  // ERROR_DEVICE_REMOVED
            return true;
        default:
            return false;
    }
}

}  // namespace

Win32SerialPort::Win32SerialPort(std::string path) : fixedPath_(std::move(path)) {}

Win32SerialPort::~Win32SerialPort() {
    close();
}

std::string Win32SerialPort::DevicePath(const char* deviceName) {
    std::string umgebung;
    int n = ComPortNummer(deviceName, &umgebung);
    if (n < 0) return deviceName ? deviceName : "";
    if (!umgebung.empty()) return umgebung;
    // Beyond the ring's six only Windows' own number names a port.
    if (n > 6) return "\\\\.\\COM" + std::to_string(n);
    // The operator's choice, else \\.\COMn: the device namespace reaches
    // COM10 and above as well.
    return PortBelegungHolen(n).pfad;
}

void Win32SerialPort::checkLost() {
    if (handle_ && !lost_ && LeitungWeg(GetLastError())) {
        lost_ = true;
        hint_ = "Verbindung zu " + Anzeigename(path_) + " unterbrochen";
    }
}

int Win32SerialPort::open(const char* deviceName, long baud, int parity, int dataBits, int stopBits, int inQueue,
                          int outQueue) {
    close();
    if (baud <= 0 || dataBits < 5 || dataBits > 8 || (stopBits != 1 && stopBits != 2) ||
        parity < COM_PARITY_NONE || parity > COM_PARITY_EVEN) {
        return -1;
    }
    std::string path = fixedPath_.empty() ? DevicePath(deviceName) : fixedPath_;
    lost_ = false;
    hint_.clear();
    if (path.empty()) {
        return -1;
    }
    std::u16string name16 = Cp1252NachUtf16(path);
    std::wstring name(name16.begin(), name16.end());
    // No sharing: a port another program holds is refused as access denied.
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD fehler = GetLastError();
        if (fehler == ERROR_ACCESS_DENIED || fehler == ERROR_SHARING_VIOLATION) {
            hint_ = Anzeigename(path) + " wird von einem anderen Programm benutzt";
        } else if (fehler == ERROR_FILE_NOT_FOUND || fehler == ERROR_PATH_NOT_FOUND) {
            hint_ = Anzeigename(path) + " ist nicht angeschlossen";
        }
        return -1;
    }
    path_ = path;
    if (inQueue > 0 && outQueue > 0) {
        SetupComm(h, static_cast<DWORD>(inQueue), static_cast<DWORD>(outQueue));  // a wish only
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(h, &dcb);
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.ByteSize = static_cast<BYTE>(dataBits);
    dcb.Parity = parity == COM_PARITY_ODD ? ODDPARITY : parity == COM_PARITY_EVEN ? EVENPARITY : NOPARITY;
    dcb.StopBits = stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = parity != COM_PARITY_NONE;
    // No handshake of either kind; the modem lines stay raised for adapters
    // that draw power from them.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(h, &dcb)) {
        CloseHandle(h);
        return -1;
    }
    PurgeComm(h, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    handle_ = h;
    int bits = 1 + dataBits + (parity != COM_PARITY_NONE ? 1 : 0) + stopBits;
    secondsPerByte_ = static_cast<double>(bits) / static_cast<double>(baud);
    if (applyTimeouts() != 0) {
        close();
        return -1;
    }
    return 0;
}

int Win32SerialPort::applyTimeouts(long readMs) {
    // A read of one byte returns when the byte is there or after the
    // time-out; a write takes at most twice its time on the line plus a second.
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = 0;
    t.ReadTotalTimeoutMultiplier = 0;
    if (readMs < 0) readMs = (std::min)(std::lround(timeout_ * 1000.0), std::lround(kSerialLangesWarten * 1000.0));
    t.ReadTotalTimeoutConstant = static_cast<DWORD>(readMs);
    if (t.ReadTotalTimeoutConstant == 0) {
        // Zero everywhere would mean "wait for ever"; this means "return at once".
        t.ReadIntervalTimeout = MAXDWORD;
    }
    t.WriteTotalTimeoutMultiplier = static_cast<DWORD>(std::ceil(2000.0 * secondsPerByte_));
    t.WriteTotalTimeoutConstant = 1000;
    return SetCommTimeouts(H(handle_), &t) ? 0 : -1;
}

int Win32SerialPort::close() {
    if (!handle_) {
        return -1;
    }
    BOOL ok = CloseHandle(H(handle_));
    handle_ = nullptr;
    return ok || lost_ ? 0 : -1;
}

int Win32SerialPort::setTimeout(double seconds) {
    if (!handle_ || !std::isfinite(seconds) || seconds < 0.0 || seconds > 3600.0) {
        return -1;
    }
    timeout_ = seconds;
    return applyTimeouts();
}

int Win32SerialPort::flushIn() {
    if (!handle_) {
        return -1;
    }
    if (!PurgeComm(H(handle_), PURGE_RXABORT | PURGE_RXCLEAR)) {
        checkLost();
        return -1;
    }
    return 0;
}

int Win32SerialPort::drainInput(double quietSeconds, double limitSeconds) {
    if (flushIn() != 0) {
        return -1;
    }
    // Reads that return after the quiet time with whatever came in it.
    COMMTIMEOUTS t{};
    t.ReadTotalTimeoutConstant = static_cast<DWORD>(std::lround(quietSeconds * 1000.0));
    t.WriteTotalTimeoutMultiplier = static_cast<DWORD>(std::ceil(2000.0 * secondsPerByte_));
    t.WriteTotalTimeoutConstant = 1000;
    if (t.ReadTotalTimeoutConstant == 0 || !SetCommTimeouts(H(handle_), &t)) {
        return t.ReadTotalTimeoutConstant == 0 ? 0 : -1;
    }
    using Clock = std::chrono::steady_clock;
    const auto grenze =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limitSeconds));
    int r = -1;
    while (Clock::now() < grenze) {
        unsigned char puffer[256];
        DWORD n = 0;
        if (!ReadFile(H(handle_), puffer, sizeof puffer, &n, nullptr)) {
            checkLost();
            break;
        }
        if (n == 0) {
            r = 0;
            break;
        }
    }
    if (applyTimeouts() != 0) {
        r = -1;
    }
    return r;
}

int Win32SerialPort::flushOut() {
    if (!handle_) {
        return -1;
    }
    // Nothing waiting, nothing to discard (as on the termios port).
    if (outQueueLength() == 0) {
        return 0;
    }
    if (!PurgeComm(H(handle_), PURGE_TXABORT | PURGE_TXCLEAR)) {
        checkLost();
        return -1;
    }
    return 0;
}

int Win32SerialPort::write(const char* buffer, int count) {
    if (!handle_) {
        return -1;
    }
    DWORD n = 0;
    if (!WriteFile(H(handle_), buffer, static_cast<DWORD>(count), &n, nullptr)) {
        checkLost();
        // A line error stops the port until it is cleared; the bytes taken count.
        DWORD fehler = 0;
        ClearCommError(H(handle_), &fehler, nullptr);
        return n > 0 ? static_cast<int>(n) : -1;
    }
    return static_cast<int>(n);
}

int Win32SerialPort::outQueueLength() {
    DWORD fehler = 0;
    COMSTAT stand{};
    if (!handle_) {
        return -1;
    }
    if (!ClearCommError(H(handle_), &fehler, &stand)) {
        checkLost();
        return -1;
    }
    return static_cast<int>(stand.cbOutQue);
}

int Win32SerialPort::waitOutQueueEmpty() { return WaitOutQueueDrained(*this, secondsPerByte_); }

int Win32SerialPort::readByte() {
    if (!handle_ || lost_) {
        return COM_READ_FAILED;
    }
    // The port waits kSerialLangesWarten first, so that the front end may
    // paint while the device takes longer; then the rest of the time-out,
    // which stays exact.
    int b = readOnce();
    const long ganz = std::lround(timeout_ * 1000.0);
    const long kurz = std::lround(kSerialLangesWarten * 1000.0);
    if (b != COM_READ_TIMEOUT || ganz <= kurz) {
        return b;
    }
    SerialPortWartet();
    b = applyTimeouts(ganz - kurz) == 0 ? readOnce() : COM_READ_FAILED;
    if (applyTimeouts() != 0 && b >= 0) {
        return COM_READ_FAILED;
    }
    return b;
}

int Win32SerialPort::readOnce() {
    unsigned char b = 0;
    DWORD n = 0;
    if (!ReadFile(H(handle_), &b, 1, &n, nullptr)) {
        checkLost();
        DWORD fehler = 0;
        ClearCommError(H(handle_), &fehler, nullptr);
        return COM_READ_FAILED;
    }
    return n == 1 ? b : COM_READ_TIMEOUT;
}
