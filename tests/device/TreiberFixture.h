#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/qvlkrv4.h"
#include "platform/MemorySerialPort.h"

inline const std::string ACK = "\x06";
inline const std::string NAK = "\x15";
inline const std::string CAN = "\x18";

// The driver on port 1, an in-memory port opened as the program opens it.
class Treiber : public ::testing::Test {
protected:
    void SetUp() override {
        SerialPortSetzen(1, port);
        ASSERT_EQ(QVLKRV4_Open(1, 9600), 0);
        ASSERT_EQ(QVLKRV4_Timeout(1, 1.0), 0);
    }
    void TearDown() override { SerialPortSetzen(1, nullptr); }

    std::shared_ptr<MemorySerialPort> port = std::make_shared<MemorySerialPort>();
};
