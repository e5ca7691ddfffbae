#include "Spur.h"

#include <ctime>

#include "tools/Rahmentext.h"

SpurPort::SpurPort(std::shared_ptr<SerialPort> port, FILE* datei) : port_(std::move(port)), datei_(datei) {}

SpurPort::~SpurPort() {
    EmpfangAbschliessen();
}

void SpurPort::Zeile(const char* richtung, const std::string& text) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    localtime_r(&ts.tv_sec, &t);
    char zeit[32];
    std::strftime(zeit, sizeof zeit, "%Y-%m-%d %H:%M:%S", &t);
    std::fprintf(datei_, "%s.%03ld %s %s\n", zeit, ts.tv_nsec / 1000000, richtung, text.c_str());
    std::fflush(datei_);
}

void SpurPort::EmpfangAbschliessen() {
    if (!empfangen_.empty()) {
        Zeile("<-", Lesbar(empfangen_));
        empfangen_.clear();
    }
}

int SpurPort::open(const char* deviceName, long baud, int parity, int dataBits, int stopBits, int inQueue,
                   int outQueue) {
    return port_->open(deviceName, baud, parity, dataBits, stopBits, inQueue, outQueue);
}

int SpurPort::close() {
    EmpfangAbschliessen();
    return port_->close();
}

int SpurPort::setTimeout(double seconds) {
    return port_->setTimeout(seconds);
}

int SpurPort::flushIn() {
    EmpfangAbschliessen();
    return port_->flushIn();
}

int SpurPort::flushOut() {
    return port_->flushOut();
}

int SpurPort::write(const char* buffer, int count) {
    EmpfangAbschliessen();
    int n = port_->write(buffer, count);
    if (n > 0) {
        Zeile("->", Lesbar(std::string(buffer, static_cast<size_t>(n))));
    }
    if (n != count) {
        Zeile("->", n < 0 ? "(Schreibfehler)" : "(nicht alle Zeichen geschrieben)");
    }
    return n;
}

int SpurPort::outQueueLength() {
    return port_->outQueueLength();
}

int SpurPort::waitOutQueueEmpty() {
    return port_->waitOutQueueEmpty();
}

int SpurPort::drainInput(double quietSeconds, double limitSeconds) {
    EmpfangAbschliessen();
    return port_->drainInput(quietSeconds, limitSeconds);
}

int SpurPort::readByte() {
    int b = port_->readByte();
    if (b < 0) {
        EmpfangAbschliessen();
        Zeile("<-", b == COM_READ_TIMEOUT ? "(keine Antwort)" : "(Lesefehler)");
        return b;
    }
    // The answer byte is a frame of its own; a reply text ends at CR.
    bool quittung = empfangen_.empty() && (b == 0x06 || b == 0x15 || b == 0x18);
    empfangen_ += static_cast<char>(b);
    if (quittung || b == '\r') {
        EmpfangAbschliessen();
    }
    return b;
}
