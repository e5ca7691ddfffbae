#include "platform/SerialPort.h"

#include <array>
#include <cstdlib>
#include <string>
#include <chrono>
#include <thread>

namespace {

constexpr int kPorts = 6;
std::array<std::shared_ptr<SerialPort>, kPorts> gSerialPorts;
void (*gWartenMelden)() = nullptr;
// Ports whose line may still carry an answer nobody waits for: just opened,
// or a read timed out.
std::array<bool, kPorts> gUnruhig{};

}  // namespace

void SerialPortWartenMelden(void (*melden)()) {
    gWartenMelden = melden;
}

void SerialPortWartet() {
    if (gWartenMelden) {
        gWartenMelden();
    }
}

void SerialPortSetzen(int port, std::shared_ptr<SerialPort> implementation) {
    if (port < 1 || port > kPorts) {
        return;
    }
    auto& slot = gSerialPorts[port - 1];
    if (slot) {
        slot->close();
    }
    slot = std::move(implementation);
    gUnruhig[port - 1] = false;
}

SerialPort* SerialPortHolen(int port) {
    if (port < 1 || port > kPorts) {
        return nullptr;
    }
    auto& slot = gSerialPorts[port - 1];
    if (!slot) {
        slot = std::make_shared<SystemSerialPort>();
    }
    return slot.get();
}

int OpenComConfig(int port, const char* deviceName, long baud, int parity, int dataBits, int stopBits,
                  int inputQueueSize, int outputQueueSize) {
    SerialPort* p = SerialPortHolen(port);
    if (!p || !deviceName) {
        return -1;
    }
    int r = p->open(deviceName, baud, parity, dataBits, stopBits, inputQueueSize, outputQueueSize);
    gUnruhig[port - 1] = r >= 0;
    return r;
}

int CloseCom(int port) {
    SerialPort* p = SerialPortHolen(port);
    return p ? p->close() : -1;
}

int SetComTime(int port, double seconds) {
    SerialPort* p = SerialPortHolen(port);
    return p ? p->setTimeout(seconds) : -1;
}

int FlushInQ(int port) {
    SerialPort* p = SerialPortHolen(port);
    if (!p) {
        return -1;
    }
    if (!gUnruhig[port - 1]) {
        return p->flushIn();
    }
    // The cost of waiting for quiet falls on failures and on opening only.
    int r = p->drainInput(kRuhezeit, kRuheGrenze);
    gUnruhig[port - 1] = r < 0;
    return r;
}

int FlushOutQ(int port) {
    SerialPort* p = SerialPortHolen(port);
    return p ? p->flushOut() : -1;
}

int ComWrt(int port, const char* buffer, int count) {
    SerialPort* p = SerialPortHolen(port);
    if (!p || !buffer || count < 0) {
        return -1;
    }
    return p->write(buffer, count);
}

int GetOutQLen(int port) {
    SerialPort* p = SerialPortHolen(port);
    return p ? p->outQueueLength() : -1;
}

int WaitOutQEmpty(int port) {
    SerialPort* p = SerialPortHolen(port);
    return p ? p->waitOutQueueEmpty() : -1;
}

int ComRdByte(int port) {
    SerialPort* p = SerialPortHolen(port);
    SerialPortWartet();
    if (!p) {
        return COM_READ_FAILED;
    }
    int b = p->readByte();
    if (b == COM_READ_TIMEOUT) {
        gUnruhig[port - 1] = true;
    }
    return b;
}

std::string ComHinweis(int port) {
    SerialPort* p = SerialPortHolen(port);
    return p ? p->hint() : std::string();
}

bool ComLeitungVerloren(int port) {
    SerialPort* p = SerialPortHolen(port);
    return p && p->lineLost();
}

int SerialPort::drainInput(double, double) { return flushIn(); }

int WaitOutQueueDrained(SerialPort& port, double secondsPerByte) {
    using Clock = std::chrono::steady_clock;
    int queued = port.outQueueLength();
    if (queued <= 0) {
        return queued;
    }
    // Twice the time the queued bytes need on the line, plus half a second
    // for adapters that report their own buffers late.
    auto wireTime = [secondsPerByte](int bytes) {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(bytes * secondsPerByte));
    };
    const auto deadline = Clock::now() + 2 * wireTime(queued) + std::chrono::milliseconds(500);
    for (;;) {
        auto now = Clock::now();
        if (now >= deadline) {
            return -2;
        }
        // Sleep for as long as the remaining bytes take on the line.
        auto nap = wireTime(queued);
        if (nap > deadline - now) {
            nap = deadline - now;
        }
        std::this_thread::sleep_for(nap);
        queued = port.outQueueLength();
        if (queued <= 0) {
            return queued;
        }
    }
}

int ComPortNummer(const char* deviceName, std::string* umgebung) {
    std::string name = deviceName ? deviceName : "";
    if (name.size() <= 3 || name.size() > 5 || name.compare(0, 3, "com") != 0 ||
        name.find_first_not_of("0123456789", 3) != std::string::npos) {
        return -1;
    }
    int n = std::atoi(name.c_str() + 3);
    std::string var = "KRV4_COM" + std::to_string(n);
    const char* env = std::getenv(var.c_str());
    *umgebung = env ? env : "";
    return n;
}
