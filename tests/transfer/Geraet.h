#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/MemorySerialPort.h"

// A KRV-4 behind the in-memory port, for the transfer tests: it keeps what
// is written, answers reads with it, and misbehaves at a chosen command.
// Nothing waits: silence is an empty input queue.
class FakeKrv4 : public MemorySerialPort {
public:
    enum class Stoerung { Keine, Nak, Can, Stumm, FalschesByte };

    int write(const char* buffer, int count) override;

    // Every frame received, in order, as written ("#1P1S0101\r").
    std::vector<std::string> rahmen;
    // Parameters by "P<pp>:<code>" (program) or "P<pp>S<ss>:<code>" (step),
    // value text as sent or to be read.
    std::map<std::string, std::string> werte;
    // Called as each frame arrives, before it is answered.
    std::function<void()> beiSchreiben;

    // The fault hits the command with this 0-based number.
    void StoerungBei(int befehl, Stoerung art) {
        stoerBefehl_ = befehl;
        stoerArt_ = art;
    }
    // A value the device holds, for reads.
    void Setzen(int programm, int schritt, const std::string& code, const std::string& wert);
    // Fills one step (1-based) with valid values; name "S<p>.<s>".
    void SchrittAnlegen(int programm, int schritt);
    // Program header and count steps.
    void ProgrammAnlegen(int programm, const std::string& name, int schritte);

private:
    static std::string Schluessel(int programm, int schritt, const std::string& code);

    int programm_ = 1;
    int schritt_ = 1;
    int stoerBefehl_ = -1;
    Stoerung stoerArt_ = Stoerung::Keine;
};
