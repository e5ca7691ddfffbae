#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "device/qvlkrv4.h"
#include "platform/MemorySerialPort.h"

// A KRV-4 behind the in-memory port as far as the direct test needs it:
// device functions switch direct operation, the status read reports it,
// parameter writes are taken. Every frame and the closing of the port are
// noted in the order they happen, readable: a parameter write by its name.
class Direktgeraet : public MemorySerialPort {
public:
    int write(const char* buffer, int count) override {
        int n = MemorySerialPort::write(buffer, count);
        if (n != count) return n;
        std::string r(buffer, static_cast<size_t>(count));
        if (r.size() < 6 || r[0] != '#' || r.back() != '\r') return n;
        const std::string befehl = r.substr(2, 3);
        const std::string wert = r.substr(5, r.size() - 6);
        const std::string code = befehl.substr(0, 2);
        if (befehl == "DF3" || befehl == "DF2") {
            verlauf.push_back(befehl == "DF3" ? "direktbetrieb" : "stopp");
            if (befehl == "DF3") status |= 0x40;
            else status &= ~0x40;
        } else if (befehl == "S1R") {
            verlauf.push_back("status");
        } else if (befehl[2] == 'W') {
            verlauf.push_back(Name(code));
            werte.push_back(Name(code) + "=" + wert);
        } else {
            verlauf.push_back(befehl);
        }
        if (stumm) return n;
        if (nakBei == befehl) {
            queueInput("\x15");
        } else if (befehl == "S1R") {
            char antwort[16];
            std::snprintf(antwort, sizeof antwort, "\x06#%cS1R%02X\r", r[1], status & 0xFF);
            queueInput(antwort);
        } else {
            queueInput("\x06");
        }
        return n;
    }

    int close() override {
        verlauf.push_back("geschlossen");
        return MemorySerialPort::close();
    }

    // What came since the last call.
    std::vector<std::string> Neu() {
        std::vector<std::string> neu(verlauf.begin() + static_cast<long>(gelesen_), verlauf.end());
        gelesen_ = verlauf.size();
        return neu;
    }

    static std::string Name(const std::string& code) {
        for (int i = 0; i < QVLKRV4_ParameterAnzahl; ++i)
            if (code == QVLKRV4_Parameterliste[i].code) return QVLKRV4_Parameterliste[i].name;
        return code;
    }

    std::vector<std::string> verlauf;  // frames by meaning, and "geschlossen"
    std::vector<std::string> werte;    // parameter writes as "name=value text"
    int status = 0;                    // the status byte
    std::string nakBei;                // a command ("DF3", "S1R", "V1W") answered by NAK
    bool stumm = false;                // answers nothing at all

private:
    size_t gelesen_ = 0;
};
