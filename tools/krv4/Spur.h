#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/SerialPort.h"

// Passes every operation to the real port and appends each frame that goes
// over the line to a file: one line with time, direction and bytes.
class SpurPort : public SerialPort {
public:
    SpurPort(std::shared_ptr<SerialPort> port, FILE* datei);
    ~SpurPort() override;

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
    std::string hint() const override { return port_->hint(); }
    bool lineLost() const override { return port_->lineLost(); }

private:
    void Zeile(const char* richtung, const std::string& text);
    void EmpfangAbschliessen();

    std::shared_ptr<SerialPort> port_;
    FILE* datei_;
    std::string empfangen_;
};
