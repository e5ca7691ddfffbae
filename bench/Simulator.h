#pragma once

// krv4sim for the benchmarks: started as a child, its line path read from
// the first line of its output; KRV4_COM1 then points to it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

struct Sim {
    pid_t pid = -1;
    std::string pfad;
};

inline Sim SimProzess(std::vector<std::string> optionen) {
    const std::string programm = KRV4_BINARY_DIR "/tools/krv4sim/krv4sim";
    optionen.insert(optionen.begin(), programm);
    std::vector<char*> argv;
    for (auto& o : optionen) {
        argv.push_back(o.data());
    }
    argv.push_back(nullptr);
    int rohr[2];
    if (pipe2(rohr, O_CLOEXEC) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t a;
    posix_spawn_file_actions_init(&a);
    posix_spawn_file_actions_adddup2(&a, rohr[1], STDOUT_FILENO);
    Sim s;
    if (posix_spawn(&s.pid, programm.c_str(), &a, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "kann %s nicht starten\n", programm.c_str());
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&a);
    close(rohr[1]);
    for (char c = 0;;) {
        pollfd p{rohr[0], POLLIN, 0};
        if (poll(&p, 1, 5000) != 1 || read(rohr[0], &c, 1) != 1) {
            std::fprintf(stderr, "krv4sim nennt keine Leitung\n");
            std::exit(1);
        }
        if (c == '\n') {
            break;
        }
        s.pfad += c;
    }
    close(rohr[0]);
    setenv("KRV4_COM1", s.pfad.c_str(), 1);
    return s;
}

inline void SimProzessBeenden(Sim& s) {
    kill(s.pid, SIGTERM);
    waitpid(s.pid, nullptr, 0);
}
