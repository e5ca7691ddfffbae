#pragma once

#include <deque>
#include <string>
#include <string_view>

#include "platform/SerialPort.h"

// A port in memory for tests and dry runs: records every byte written and
// plays back scripted input without waiting. An empty input queue reads as a
// time-out at once.
class MemorySerialPort : public SerialPort {
public:
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

    // Bytes that are in the input queue now (a flush discards them).
    void queueInput(std::string_view bytes);
    // A read time-out at this point of the input queue.
    void queueTimeout();
    // Bytes the "device" sends once the next command has been written; each
    // call answers one further write.
    void replyOnWrite(std::string_view bytes);

    // What the caller did.
    std::string written;
    std::string deviceName;
    long baud = 0;
    int parity = -1;
    int dataBits = 0;
    int stopBits = 0;
    int inQueue = 0;
    int outQueue = 0;
    bool isOpen = false;
    double timeout = -1.0;
    int opens = 0;
    int writes = 0;
    int reads = 0;
    int flushesIn = 0;
    int flushesOut = 0;

    // Faults on request.
    bool failOpen = false;
    bool failClose = false;
    bool failSetTimeout = false;
    bool failFlushIn = false;
    bool failFlushOut = false;
    bool failWrite = false;
    int shortWrite = -1;  // when >= 0, a write takes only this many bytes
    bool failOutQueue = false;
    bool stuckOutput = false;  // the output queue never drains
    bool failRead = false;     // every read reports a port failure

private:
    std::deque<int> input_;  // bytes, or COM_READ_TIMEOUT
    std::deque<std::string> replies_;
};
