#include "platform/SerialPort.h"

#include <array>

namespace {

constexpr int kPorts = 6;
std::array<std::shared_ptr<SerialPort>, kPorts> gSerialPorts;

}  // namespace

void SerialPortSetzen(int port, std::shared_ptr<SerialPort> implementation) {
    if (port < 1 || port > kPorts) {
        return;
    }
    auto& slot = gSerialPorts[port - 1];
    if (slot) {
        slot->close();
    }
    slot = std::move(implementation);
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
    return p->open(deviceName, baud, parity, dataBits, stopBits, inputQueueSize, outputQueueSize);
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
    return p ? p->flushIn() : -1;
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
    return p ? p->readByte() : COM_READ_FAILED;
}
