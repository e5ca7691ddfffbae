#include "platform/Signale.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

constexpr int kSignale[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe that carries each signal from the handler to the event loop.
int gRohr[2] = {-1, -1};
struct sigaction gVorher[3];

// Async-signal-safe: one write of one byte, errno as it was.
extern "C" void SignalNotieren(int signal) {
    const int fehler = errno;
    const unsigned char zeichen = static_cast<unsigned char>(signal);
    if (gRohr[1] >= 0) (void)!write(gRohr[1], &zeichen, 1);
    errno = fehler;
}

}  // namespace

bool BeendigungssignaleAbfangen() {
    if (gRohr[0] >= 0) return true;
    if (pipe2(gRohr, O_CLOEXEC | O_NONBLOCK) != 0) {
        gRohr[0] = gRohr[1] = -1;
        return false;
    }
    struct sigaction neu {};
    neu.sa_handler = SignalNotieren;
    sigemptyset(&neu.sa_mask);
    for (int s : kSignale) sigaddset(&neu.sa_mask, s);
    neu.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) sigaction(kSignale[i], &neu, &gVorher[i]);
    return true;
}

void BeendigungssignaleFreigeben() {
    if (gRohr[0] < 0) return;
    for (int i = 0; i < 3; ++i) sigaction(kSignale[i], &gVorher[i], nullptr);
    close(gRohr[0]);
    close(gRohr[1]);
    gRohr[0] = gRohr[1] = -1;
}

std::intptr_t BeendigungssignalDeskriptor() { return gRohr[0]; }

int BeendigungssignalAbholen() {
    if (gRohr[0] < 0) return 0;
    int erstes = 0;
    unsigned char zeichen = 0;
    ssize_t n = 0;
    while ((n = read(gRohr[0], &zeichen, 1)) == 1 || (n < 0 && errno == EINTR))
        if (n == 1 && erstes == 0) erstes = zeichen;
    return erstes;
}

bool DeskriptorAbwarten(std::intptr_t deskriptor, int millisekunden) {
    using Uhr = std::chrono::steady_clock;
    const auto ende = Uhr::now() + std::chrono::milliseconds(millisekunden < 0 ? 0 : millisekunden);
    pollfd p{static_cast<int>(deskriptor), POLLIN, 0};
    for (int warten = millisekunden;;) {
        int r = poll(&p, 1, warten);
        if (r >= 0 || errno != EINTR) return r > 0 && (p.revents & POLLIN) != 0;
        if (millisekunden >= 0) {
            auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(ende - Uhr::now()).count();
            warten = rest > 0 ? static_cast<int>(rest) : 0;
        }
    }
}
