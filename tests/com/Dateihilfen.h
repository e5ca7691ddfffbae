#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

inline void DateiAnlegen(const std::filesystem::path& pfad, const std::string& inhalt) {
    std::ofstream(pfad, std::ios::binary) << inhalt;
}

inline std::string DateiInhalt(const std::filesystem::path& pfad) {
    std::ifstream f(pfad, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Names in a directory, sorted.
inline std::vector<std::string> Verzeichnisinhalt(const std::filesystem::path& verzeichnis) {
    std::vector<std::string> namen;
    for (const auto& e : std::filesystem::directory_iterator(verzeichnis))
        namen.push_back(e.path().filename().string());
    std::sort(namen.begin(), namen.end());
    return namen;
}

// Runs the operation as an ordinary user, so that file permissions bind it
// even when the tests run as root: in a child process that has given up root.
// Returns the operation's result, or 999 when the user could not be changed.
inline int AlsNormalerBenutzer(const std::function<int()>& operation) {
    if (geteuid() != 0) return operation();
    int rohr[2];
    if (pipe(rohr) != 0) return 999;
    pid_t pid = fork();
    if (pid == 0) {
        close(rohr[0]);
        int ergebnis = 999;
        if (setgid(65534) == 0 && setuid(65534) == 0) ergebnis = operation();
        (void)!write(rohr[1], &ergebnis, sizeof ergebnis);
        _exit(0);
    }
    close(rohr[1]);
    int ergebnis = 999;
    if (pid < 0 || read(rohr[0], &ergebnis, sizeof ergebnis) != static_cast<ssize_t>(sizeof ergebnis))
        ergebnis = 999;
    close(rohr[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    return ergebnis;
}
