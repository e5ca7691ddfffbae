#pragma once

// What the driver harnesses share: any bytes as the device's answer to one
// command, played through the in-memory port on port 1, and the code the
// answer byte alone decides. The end of the input is a read time-out.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "device/qvlkrv4.h"
#include "platform/MemorySerialPort.h"
#include "platform/SerialPort.h"

namespace geraetantwort {

inline constexpr int kAck = 0x06;
inline constexpr int kNak = 0x15;
inline constexpr int kCan = 0x18;

// The device addresses, so that a leading input byte can pick one.
inline constexpr char kAdressen[] = "123456789abcdef";

[[noreturn]] inline void Fund(const char* harness, const char* was) {
    std::fprintf(stderr, "%s: %s\n", harness, was);
    std::abort();
}

// Port 1, in the state of a fresh in-memory port just opened, that answers
// the next command with the bytes. One port for all runs: installing a new
// one each time would cost more than the exchange under test.
inline MemorySerialPort* PortMitAntwort(std::string_view antwort) {
    static const std::shared_ptr<MemorySerialPort> port = [] {
        auto p = std::make_shared<MemorySerialPort>();
        SerialPortSetzen(1, p);
        return p;
    }();
    *port = MemorySerialPort();
    if (QVLKRV4_Open(1, 9600) != 0 || QVLKRV4_Timeout(1, 1.0) != 0) Fund("port", "could not open port 1");
    port->replyOnWrite(antwort);
    return port.get();
}

// The codes a command gives at its answer byte.
struct Antwortcodes {
    int nak, can, stumm, andere;
};

// The code the answer byte decides, or 1 when it is ACK and the command goes on.
inline int NachAntwortbyte(std::string_view antwort, const Antwortcodes& c) {
    if (antwort.empty()) return c.stumm;
    int b = static_cast<unsigned char>(antwort[0]);
    if (b == kNak) return c.nak;
    if (b == kCan) return c.can;
    if (b != kAck) return c.andere;
    return 1;
}

// The reply text a reading command collects after ACK: up to CR or the limit.
// Returns false when the input ends first (a reply byte that could not be read).
inline bool Antworttext(std::string_view antwort, std::size_t grenze, std::string_view* text) {
    std::string_view rest = antwort.substr(1);
    std::size_t n = 0;
    while (n < grenze) {
        if (n >= rest.size()) return false;
        if (rest[n++] == '\r') break;
    }
    *text = rest.substr(0, n);
    return true;
}

inline std::string_view Eingabe(const uint8_t* daten, std::size_t laenge) {
    return {reinterpret_cast<const char*>(daten), laenge};
}

}  // namespace geraetantwort
