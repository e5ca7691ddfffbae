#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "e2e/Prozess.h"

inline const std::string ACK = "\x06";
inline const std::string NAK = "\x15";
inline const std::string CAN = "\x18";

// The PC end of the simulator's line, raw, read with a deadline.
class Leitung {
public:
    explicit Leitung(const std::string& pfad);
    ~Leitung();
    Leitung(const Leitung&) = delete;
    Leitung& operator=(const Leitung&) = delete;

    void Senden(const std::string& bytes);
    // Exactly n bytes, or fewer when the deadline passes first.
    std::string Lesen(std::size_t n, std::chrono::milliseconds grenze = std::chrono::milliseconds(2000));
    // Sends the command and collects the answer byte and, after an ACK to a
    // reading command ("R" as its fifth character), the reply up to CR.
    std::string Frage(const std::string& befehl);
    // True when nothing but the answer to a further command arrives next:
    // whatever the line held before has not been answered.
    bool Still(char adresse = '1');

private:
    int fd_ = -1;
};

// A simulator with the options and its line.
struct Geraet {
    explicit Geraet(const std::vector<std::string>& optionen = {})
        : sim(optionen), leitung(sim.pfad()) {}
    Simulator sim;
    Leitung leitung;
};
