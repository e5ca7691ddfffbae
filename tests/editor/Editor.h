#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "support/AppFixture.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

// Small helpers shared by the editor suites.

using Bytes = std::vector<unsigned char>;

// The operator types a name into the string panel and presses Enter.
inline void NameTippen(HeadlessBackend& ui, const std::string& text) {
    ui.Later([text] { OperateText(stringPanelHandle, STRINGPNL_STRING, text); });
    ui.Later([] { KeyPress(stringPanelHandle, STRINGPNL_STRING, VAL_ENTER_VKEY); });
}

inline std::string Schrittname(int i) { return std::string(gPruefschritte[i].name, strnlen(gPruefschritte[i].name, 24)); }

// Everything a failed or refused command must leave as it was.
struct Zustand {
    Bytes prog, arbeitskopie;
    int progIndex = 0, psAnzahl = 0, psIndex = 0;
    std::string dateiname, titel;
    bool geaendert = false;
    std::vector<std::string> programme, schritte;
    int programmwahl = 0, schrittwahl = 0;
    double spannung = 0.0;

    static Zustand Jetzt() {
        Zustand z;
        const auto* p = reinterpret_cast<const unsigned char*>(gProg);
        z.prog.assign(p, p + sizeof gProg);
        const auto* a = reinterpret_cast<const unsigned char*>(gPruefschritte);
        z.arbeitskopie.assign(a, a + sizeof gPruefschritte);
        z.progIndex = gProgIndex;
        z.psAnzahl = gPSanzahl;
        z.psIndex = gPSindex;
        z.dateiname = gDateiname;
        z.geaendert = gDatenGeaendert;
        GetPanelAttribute(panelHandle, ATTR_TITLE, z.titel);
        int n = 0;
        GetNumListItems(panelHandle, PANEL_PROGRAMMLISTE, n);
        z.programme.resize(n);
        for (int i = 0; i < n; ++i) GetLabelFromIndex(panelHandle, PANEL_PROGRAMMLISTE, i, z.programme[i]);
        GetNumListItems(panelHandle, PANEL_LISTBOX, n);
        z.schritte.resize(n);
        for (int i = 0; i < n; ++i) GetLabelFromIndex(panelHandle, PANEL_LISTBOX, i, z.schritte[i]);
        GetCtrlVal(panelHandle, PANEL_PROGRAMMLISTE, z.programmwahl);
        GetCtrlVal(panelHandle, PANEL_LISTBOX, z.schrittwahl);
        GetCtrlVal(panelHandle, PANEL_NETZGERAETU, z.spannung);
        return z;
    }
    bool operator==(const Zustand&) const = default;
};

// A directory of its own for each test, removed afterwards.
class Testverzeichnis {
public:
    Testverzeichnis() {
        std::string muster = ::testing::TempDir() + "krv4-editor-XXXXXX";
        std::vector<char> name(muster.begin(), muster.end());
        name.push_back('\0');
        pfad_ = mkdtemp(name.data());
    }
    ~Testverzeichnis() {
        std::error_code fehler;
        std::filesystem::permissions(pfad_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     fehler);
        std::filesystem::remove_all(pfad_, fehler);
    }
    std::string Datei(const std::string& name) const { return pfad_ + "/" + name; }
    const std::string& Pfad() const { return pfad_; }
    std::vector<std::string> Eintraege() const {
        std::vector<std::string> namen;
        for (const auto& e : std::filesystem::directory_iterator(pfad_)) namen.push_back(e.path().filename());
        std::sort(namen.begin(), namen.end());
        return namen;
    }

private:
    std::string pfad_;
};

inline Bytes Lesen(const std::string& pfad) {
    std::ifstream f(pfad, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void Schreiben(const std::string& pfad, const Bytes& inhalt) {
    std::ofstream f(pfad, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(inhalt.data()), static_cast<std::streamsize>(inhalt.size()));
}

template <typename T>
void Setzen(Bytes& b, std::size_t offset, T wert) {
    std::memcpy(b.data() + offset, &wert, sizeof wert);
}

template <typename T>
T Holen(const Bytes& b, std::size_t offset) {
    T wert;
    std::memcpy(&wert, b.data() + offset, sizeof wert);
    return wert;
}

// Offsets of the data file, written out here so that the tests do not take
// them from the code under test.
constexpr std::size_t kDateiGroesse = 21040;
constexpr std::size_t ProgOffset(int i) { return 40 + static_cast<std::size_t>(i) * 1312; }
constexpr std::size_t SchrittOffset(int i, int j) { return ProgOffset(i) + 32 + static_cast<std::size_t>(j) * 128; }
constexpr std::size_t kProgIndexOffset = 21032;

// A valid file whose every byte the store must carry: programs of 1 to 10
// steps, steps of arbitrary content (padding, unused slots, odd values), the
// selected step of the selected program a valid one.
inline Bytes GueltigeDatei(int progIndex = 7, unsigned saat = 1) {
    Bytes b(kDateiGroesse);
    unsigned x = saat * 2654435761u + 12345u;
    for (auto& c : b) {
        x = x * 1103515245u + 12345u;
        c = static_cast<unsigned char>(x >> 16);
    }
    std::memset(b.data(), 0, 40);
    std::memcpy(b.data(), "QVLKRV4TST1 Programme", 22);
    for (int i = 0; i < 16; ++i) {
        int anzahl = i % 10 + 1;
        char name[24];
        std::snprintf(name, sizeof name, "Prog %d Öl", i + 1);
        std::memcpy(b.data() + ProgOffset(i), name, std::strlen(name) + 1);
        Setzen<int32_t>(b, ProgOffset(i) + 24, anzahl);
        Setzen<int32_t>(b, ProgOffset(i) + 28, (i * 7) % anzahl);
        for (int j = 0; j < anzahl; ++j) {
            std::snprintf(name, sizeof name, "S%d.%d", i + 1, j + 1);
            std::memcpy(b.data() + SchrittOffset(i, j), name, std::strlen(name) + 1);
        }
    }
    Setzen<int32_t>(b, kProgIndexOffset, progIndex);
    int schritt = (progIndex * 7) % (progIndex % 10 + 1);
    std::size_t s = SchrittOffset(progIndex, schritt);
    Setzen<int32_t>(b, s + 24, 0);     // netzgeraetAktiv
    Setzen<int32_t>(b, s + 68, 0);     // impulsAktiv
    Setzen<double>(b, s + 96, -1.0);   // untererGrenzwert
    Setzen<double>(b, s + 104, 1.0);   // obererGrenzwert
    return b;
}

// What a save writes back for a file that was opened: the same bytes, the
// insignificant ones zero.
inline Bytes Bereinigt(Bytes b) {
    b.resize(kDateiGroesse);
    std::memset(b.data() + 22, 0, 10);
    std::memset(b.data() + 36, 0, 4);
    std::memset(b.data() + 21036, 0, 4);
    return b;
}

// A disk that takes only the first `bytes` of any file written while this
// lives; the size limit's signal is ignored meanwhile, as the program does.
struct KnappePlatte {
    struct rlimit vorher {};
    void (*handler)(int) = signal(SIGXFSZ, SIG_IGN);
    explicit KnappePlatte(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &vorher);
        struct rlimit knapp = vorher;
        knapp.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &knapp), 0);
    }
    ~KnappePlatte() {
        setrlimit(RLIMIT_FSIZE, &vorher);
        signal(SIGXFSZ, handler);
    }
    KnappePlatte(const KnappePlatte&) = delete;
    KnappePlatte& operator=(const KnappePlatte&) = delete;
};

// Runs the operation as the user nobody in a child process, on a disk that
// takes only `bytes` of any file, with the limit's signal at its default: the
// save must cope with it itself. The child's exit code (the operation's
// result, 99 when nobody could not be become), -1 when it did not exit.
inline int AlsNiemandAufKnapperPlatte(rlim_t bytes, const std::function<int()>& operation) {
    pid_t kind = fork();
    if (kind == 0) {
        signal(SIGXFSZ, SIG_DFL);
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
        struct rlimit knapp {};
        getrlimit(RLIMIT_FSIZE, &knapp);
        knapp.rlim_cur = bytes;
        if (setrlimit(RLIMIT_FSIZE, &knapp) != 0) _exit(98);
        _exit(operation());
    }
    int status = 0;
    if (kind < 0 || waitpid(kind, &status, 0) != kind) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
