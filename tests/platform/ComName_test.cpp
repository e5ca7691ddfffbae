// The names of the COM ports on Windows, and a port Windows does not know.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "device/qvlkrv4.h"
#include "platform/SerialPort.h"

namespace {

#ifdef _WIN32

// Sets an environment variable for the life of the object.
struct Umgebung {
    Umgebung(const char* name, const char* wert) : name(name) { _putenv_s(name, wert); }
    ~Umgebung() { _putenv_s(name, ""); }
    const char* name;
};

TEST(ComName, ComNIsTheDeviceNamespaceOrTheNameInKrv4ComN) {
    const struct {
        const char* geraet;
        const char* umgebung;  // KRV4_COM3, or nullptr
        const char* pfad;
    } faelle[] = {
        {"com1", nullptr, "\\\\.\\COM1"},
        {"com6", nullptr, "\\\\.\\COM6"},
        {"com12", nullptr, "\\\\.\\COM12"},
        {"com3", "\\\\.\\CNCA0", "\\\\.\\CNCA0"},
        {"\\\\.\\COM7", nullptr, "\\\\.\\COM7"},  // not comN: taken as it stands
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.geraet);
        Umgebung com3("KRV4_COM3", f.umgebung ? f.umgebung : "");
        EXPECT_EQ(Win32SerialPort::DevicePath(f.geraet), f.pfad);
    }
}

// Windows answers an unknown name at once: the open error, no wait.
TEST(ComName, APortWindowsDoesNotKnowGivesTheOpenErrorAtOnce) {
    const char* namen[] = {"\\\\.\\COM250", "\\\\.\\KEIN_PORT", "C:\\gibt\\es\\nicht"};
    for (const char* name : namen) {
        SCOPED_TRACE(name);
        Umgebung com5("KRV4_COM5", name);
        auto beginn = std::chrono::steady_clock::now();
        EXPECT_LT(OpenComConfig(5, "com5", 9600, COM_PARITY_ODD, 7, 1, 512, 512), 0);
        EXPECT_EQ(QVLKRV4_Open(5, 9600), -100003);
        EXPECT_LT(std::chrono::steady_clock::now() - beginn, std::chrono::seconds(2));
        EXPECT_LT(ComRdByte(5), 0);  // nothing opened behind the failure
    }
    SerialPortSetzen(5, nullptr);
}

#endif

}  // namespace
