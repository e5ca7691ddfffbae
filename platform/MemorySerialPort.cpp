#include "platform/MemorySerialPort.h"

int MemorySerialPort::open(const char* name, long b, int p, int d, int s, int in, int out) {
    ++opens;
    if (failOpen) {
        return -1;
    }
    deviceName = name ? name : "";
    baud = b;
    parity = p;
    dataBits = d;
    stopBits = s;
    inQueue = in;
    outQueue = out;
    isOpen = true;
    return 0;
}

int MemorySerialPort::close() {
    if (failClose || !isOpen) {
        return -1;
    }
    isOpen = false;
    return 0;
}

int MemorySerialPort::setTimeout(double seconds) {
    if (failSetTimeout) {
        return -1;
    }
    timeout = seconds;
    return 0;
}

int MemorySerialPort::flushIn() {
    ++flushesIn;
    if (failFlushIn) {
        return -1;
    }
    input_.clear();
    return 0;
}

int MemorySerialPort::flushOut() {
    ++flushesOut;
    return failFlushOut ? -1 : 0;
}

int MemorySerialPort::write(const char* buffer, int count) {
    ++writes;
    if (failWrite) {
        return -1;
    }
    int taken = shortWrite >= 0 && shortWrite < count ? shortWrite : count;
    written.append(buffer, static_cast<size_t>(taken));
    if (!replies_.empty()) {
        queueInput(replies_.front());
        replies_.pop_front();
    }
    return taken;
}

int MemorySerialPort::outQueueLength() {
    if (failOutQueue) {
        return -1;
    }
    return stuckOutput ? 1 : 0;
}

int MemorySerialPort::waitOutQueueEmpty() {
    if (failOutQueue) {
        return -1;
    }
    return stuckOutput ? -2 : 0;
}

int MemorySerialPort::readByte() {
    ++reads;
    if (failRead) {
        return COM_READ_FAILED;
    }
    if (input_.empty()) {
        return COM_READ_TIMEOUT;
    }
    int b = input_.front();
    input_.pop_front();
    return b;
}

void MemorySerialPort::queueInput(std::string_view bytes) {
    for (char c : bytes) {
        input_.push_back(static_cast<unsigned char>(c));
    }
}

void MemorySerialPort::queueTimeout() {
    input_.push_back(COM_READ_TIMEOUT);
}

void MemorySerialPort::replyOnWrite(std::string_view bytes) {
    replies_.emplace_back(bytes);
}
