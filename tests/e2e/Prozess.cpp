#include "e2e/Prozess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int Rest(Clock::time_point ende) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(ende - Clock::now()).count();
    return ms < 0 ? 0 : static_cast<int>(ms);
}

pid_t Starten(const std::string& programm, const std::vector<std::string>& argumente, int aus, int fehler) {
    std::vector<std::string> alle{programm};
    alle.insert(alle.end(), argumente.begin(), argumente.end());
    std::vector<char*> argv;
    for (auto& a : alle) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t aktionen;
    posix_spawn_file_actions_init(&aktionen);
    posix_spawn_file_actions_adddup2(&aktionen, aus, STDOUT_FILENO);
    if (fehler >= 0) {
        posix_spawn_file_actions_adddup2(&aktionen, fehler, STDERR_FILENO);
    }
    pid_t pid = -1;
    int r = posix_spawn(&pid, programm.c_str(), &aktionen, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&aktionen);
    if (r != 0) {
        throw std::runtime_error("cannot start " + programm);
    }
    return pid;
}

}  // namespace

std::string TempName(const std::string& name) {
    return ::testing::TempDir() + name + "." + std::to_string(getpid());
}

int Abwarten(pid_t pid, std::chrono::milliseconds grenze, long* speicherKiB) {
    int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (fd >= 0) {
        pollfd p{fd, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(grenze.count()));
        close(fd);
        if (r == 0) {
            kill(pid, SIGKILL);
            rusage verbrauch{};
            wait4(pid, nullptr, 0, &verbrauch);
            if (speicherKiB) {
                *speicherKiB = verbrauch.ru_maxrss;
            }
            return -1;
        }
    }
    int status = 0;
    rusage verbrauch{};
    while (wait4(pid, &status, 0, &verbrauch) < 0 && errno == EINTR) {
    }
    if (speicherKiB) {
        *speicherKiB = verbrauch.ru_maxrss;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ZeileLesen(int fd, std::string* zeile, std::chrono::milliseconds grenze) {
    const auto ende = Clock::now() + grenze;
    zeile->clear();
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, Rest(ende)) <= 0) {
            return false;
        }
        char c = 0;
        ssize_t n = read(fd, &c, 1);
        if (n <= 0 || c == '\n') {
            return n > 0;
        }
        *zeile += c;
    }
}

Simulator::Simulator(const std::vector<std::string>& optionen) {
    int rohr[2];
    if (pipe2(rohr, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    pid_ = Starten(kSimulator, optionen, rohr[1], -1);
    close(rohr[1]);
    bool gut = ZeileLesen(rohr[0], &pfad_, std::chrono::milliseconds(5000));
    close(rohr[0]);
    if (!gut || pfad_.empty()) {
        beenden();
        throw std::runtime_error("krv4sim did not tell its line");
    }
}

Simulator::~Simulator() {
    beenden();
}

int Simulator::beenden() {
    if (pid_ <= 0) {
        return -1;
    }
    kill(pid_, SIGTERM);
    int r = Abwarten(pid_, std::chrono::milliseconds(3000));
    pid_ = -1;
    return r;
}

Ergebnis Ausfuehren(const std::string& programm, const std::vector<std::string>& argumente,
                    std::chrono::milliseconds grenze) {
    int aus[2];
    int fehler[2];
    if (pipe2(aus, O_CLOEXEC) != 0 || pipe2(fehler, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    pid_t pid = Starten(programm, argumente, aus[1], fehler[1]);
    close(aus[1]);
    close(fehler[1]);
    Ergebnis e;
    const auto ende = Clock::now() + grenze;
    pollfd p[2] = {{aus[0], POLLIN, 0}, {fehler[0], POLLIN, 0}};
    std::string* ziel[2] = {&e.aus, &e.fehler};
    int offen = 2;
    while (offen > 0 && poll(p, 2, Rest(ende)) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (p[i].revents) {
                char puffer[512];
                ssize_t n = read(p[i].fd, puffer, sizeof puffer);
                if (n <= 0) {
                    p[i].fd = -1;
                    --offen;
                } else {
                    ziel[i]->append(puffer, static_cast<size_t>(n));
                }
            }
        }
    }
    close(aus[0]);
    close(fehler[0]);
    e.status = Abwarten(pid, std::chrono::milliseconds(offen > 0 ? 0 : 3000), &e.speicherKiB);
    return e;
}
