// Start-up of the program: the time from starting the process until the
// main panel is on the screen, and the resident memory at that moment.
//   bench_startup [runs]     (default 10; without a display: offscreen)
// Each run is a fresh process (this program again, with --child), so the
// time includes loading the libraries, as when the operator starts it.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/Krv4Steuerung.h"
#include "toolkit/Toolkit.h"
#include "toolkit/qt/QtToolkit.h"
#include "ui/qt/Layouts.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

long ResidentKilobytes() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
    std::fclose(f);
    return kb;
}

int Child(int argc, char* argv[]) {
    auto start = Clock::now();
    SetToolkitBackend(CreateQtBackend(argc, argv));
    InstallKrv4QtLook();
    LoadQtTranslations();
    char* args[] = {argv[0], nullptr};
    if (Krv4SteuerungStarten(1, args) < 0) return 1;
    QWidget* window = QtPanelWindow(panelHandle);
    QWindow* handle = window ? window->windowHandle() : nullptr;
    QDeadlineTimer deadline(10000);
    while (handle && !handle->isExposed() && !deadline.hasExpired()) {
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(100);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents();
    bool exposed = handle && handle->isExposed();
    auto shown = Clock::now();
    long us = std::chrono::duration_cast<std::chrono::microseconds>(shown - start).count();
    std::printf("%ld %ld %s\n", us, ResidentKilobytes(), qPrintable(QGuiApplication::platformName()));
    std::fflush(stdout);
    SetToolkitBackend(nullptr);
    return exposed ? 0 : 1;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc >= 2 && std::strcmp(argv[1], "--child") == 0) {
        int n = 1;
        return Child(n, argv);
    }
    int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 10;
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string platform;

    std::vector<double> total, inside, rss;
    for (int i = 0; i < runs; ++i) {
        int out[2];
        if (pipe(out) != 0) return 1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        char child[] = "--child";
        char* args[] = {argv[0], child, nullptr};
        pid_t pid = 0;
        auto start = Clock::now();
        if (posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, args, environ) != 0) return 1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        char buffer[128] = {};
        ssize_t n = read(out[0], buffer, sizeof buffer - 1);
        auto shown = Clock::now();
        close(out[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        long us = 0, kb = 0;
        char name[32] = {};
        if (n <= 0 || std::sscanf(buffer, "%ld %ld %31s", &us, &kb, name) != 3 || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "Lauf %d fehlgeschlagen\n", i + 1);
            return 1;
        }
        platform = name;
        total.push_back(std::chrono::duration<double, std::milli>(shown - start).count());
        inside.push_back(us / 1000.0);
        rss.push_back(kb / 1024.0);
    }
    auto [tmin, tmax] = std::minmax_element(total.begin(), total.end());
    std::printf("Plattform %s, %d Starts\n", platform.c_str(), runs);
    std::printf("Start bis Hauptfenster sichtbar: Median %.1f ms (%.1f bis %.1f ms), davon im Programm %.1f ms\n",
                Median(total), *tmin, *tmax, Median(inside));
    std::printf("Residenter Speicher nach dem Start: Median %.1f MiB\n", Median(rss));
    return 0;
}
