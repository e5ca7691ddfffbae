#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

inline const std::string kSimulator = KRV4_BINARY_DIR "/tools/krv4sim/krv4sim";
inline const std::string kWerkzeug = KRV4_BINARY_DIR "/tools/krv4/krv4";

// A krv4sim child: started with the given options, its line path read from
// the first line of its output. The destructor stops and reaps it.
class Simulator {
public:
    explicit Simulator(const std::vector<std::string>& optionen);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    const std::string& pfad() const { return pfad_; }
    bool laeuft() const { return pid_ > 0; }
    // SIGTERM, then the exit status (-1 if it had to be killed).
    int beenden();

private:
    pid_t pid_ = -1;
    std::string pfad_;
};

struct Ergebnis {
    int status = -1;  // exit status, -1 when killed after the time limit
    long speicherKiB = 0;  // the most memory it held at once (resident)
    std::string aus;
    std::string fehler;
};

// Runs a program to its end (at most the time limit) and collects its output.
Ergebnis Ausfuehren(const std::string& programm, const std::vector<std::string>& argumente,
                    std::chrono::milliseconds grenze = std::chrono::milliseconds(10000));

// Waits for the child to end, at most the time limit; -1 after killing it.
// speicherKiB: the most memory the child held at once.
int Abwarten(pid_t pid, std::chrono::milliseconds grenze, long* speicherKiB = nullptr);

// A file name in the test's temporary directory, unique to this process.
std::string TempName(const std::string& name);

// Reads from the descriptor until EOF or a newline; false after the limit.
bool ZeileLesen(int fd, std::string* zeile, std::chrono::milliseconds grenze);
