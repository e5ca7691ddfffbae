// A KRV-4 on a pseudo-terminal: prints the path of its line on the first line
// of standard output and answers there until SIGTERM, SIGINT or its parent's
// death.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <string>

#include "Datenladen.h"
#include "Geraet.h"
#include "tools/Rahmentext.h"

namespace {

using Clock = std::chrono::steady_clock;

// One character on a 9600-baud line: start bit, 7 data bits, parity, stop bit.
constexpr auto kZeichenzeit = std::chrono::nanoseconds(1000000000LL * 10 / 9600);
constexpr size_t kRahmenMax = 64;

struct Zeichen {
    unsigned char b;
    Zeit zeit;  // when it has fully arrived (received) or is due (sent)
};

int gMaster = -1;
FILE* gLog = nullptr;
bool gTakt = false;
// The line carries 7 data bits: the eighth bit of every character is lost.
bool gSiebenBit = true;
long gVerschwindenNach = -1;
// Drops its line after this many frames, as a pulled adapter does, and puts
// a new one up at the same link once the pause is over.
long gFallenNach = -1;
bool gGefallen = false;
long gFallenPause = 500;
long gRahmenGezaehlt = 0;
std::deque<Zeichen> gEmpfangen;
std::deque<Zeichen> gSenden;
Zeit gEmpfangFrei{};
Zeit gSendenFrei{};
std::string gRahmen;
bool gImRahmen = false;


void Protokoll(const char* richtung, const std::string& bytes) {
    if (!gLog) {
        return;
    }
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    localtime_r(&ts.tv_sec, &t);
    std::fprintf(gLog, "%02d:%02d:%02d.%03ld %s %s\n", t.tm_hour, t.tm_min, t.tm_sec, ts.tv_nsec / 1000000, richtung,
                 Lesbar(bytes).c_str());
    std::fflush(gLog);
}

// Bytes from the line start a frame at "#" and end it at CR; anything
// outside a frame is noise the device ignores.
void ZeichenEmpfangen(unsigned char b, Zeit jetzt) {
    if (gSiebenBit) {
        b &= 0x7F;
    }
    if (b == '#') {
        gRahmen = "#";
        gImRahmen = true;
        return;
    }
    if (!gImRahmen) {
        return;
    }
    gRahmen += static_cast<char>(b);
    if (b != '\r' && gRahmen.size() < kRahmenMax) {
        return;
    }
    gImRahmen = false;
    Protokoll("<-", gRahmen);
    ++gRahmenGezaehlt;
    if (gVerschwindenNach >= 0 && gRahmenGezaehlt > gVerschwindenNach) {
        return;
    }
    if (gFallenNach >= 0 && gRahmenGezaehlt > gFallenNach) {
        gGefallen = true;
        return;
    }
    Antwort a = RahmenAusfuehren(gRahmen, jetzt);
    if (a.bytes.empty()) {
        return;
    }
    Protokoll("->", a.bytes);
    Zeit ab = jetzt + a.verzoegerung;
    if (!gSenden.empty() && gSenden.back().zeit > ab) {
        ab = gSenden.back().zeit;
    }
    for (unsigned char c : a.bytes) {
        if (gSiebenBit) {
            c &= 0x7F;
        }
        if (gTakt) {
            // Each character is handed over once its last bit is on the line.
            ab = std::max(ab, gSendenFrei) + kZeichenzeit;
            gSendenFrei = ab;
        }
        gSenden.push_back({c, ab});
    }
}

void Lesen(Zeit jetzt) {
    unsigned char puffer[256];
    for (;;) {
        ssize_t n = read(gMaster, puffer, sizeof puffer);
        if (n <= 0) {
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            Zeit an = jetzt;
            if (gTakt) {
                an = std::max(jetzt, gEmpfangFrei) + kZeichenzeit;
                gEmpfangFrei = an;
            }
            gEmpfangen.push_back({puffer[i], an});
        }
    }
}

void Verarbeiten(Zeit jetzt) {
    while (!gEmpfangen.empty() && gEmpfangen.front().zeit <= jetzt) {
        Zeichen z = gEmpfangen.front();
        gEmpfangen.pop_front();
        // Paced: the frame is judged at the time its CR has arrived.
        ZeichenEmpfangen(z.b, gTakt ? z.zeit : jetzt);
    }
}

// Writes what is due; false when the line is full and POLLOUT must be awaited.
bool Senden(Zeit jetzt) {
    unsigned char puffer[256];
    while (!gSenden.empty() && gSenden.front().zeit <= jetzt) {
        size_t n = 0;
        while (n < gSenden.size() && n < sizeof puffer && gSenden[n].zeit <= jetzt) {
            puffer[n] = gSenden[n].b;
            ++n;
        }
        ssize_t w = write(gMaster, puffer, n);
        if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
            return errno == EINTR;
        }
        if (w < 0) {
            gSenden.clear();  // the line is gone: what was on it is lost
            return true;
        }
        gSenden.erase(gSenden.begin(), gSenden.begin() + w);
    }
    return true;
}

int SignaleAbfangen() {
    sigset_t s;
    sigemptyset(&s);
    sigaddset(&s, SIGTERM);
    sigaddset(&s, SIGINT);
    sigaddset(&s, SIGHUP);
    sigprocmask(SIG_BLOCK, &s, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &s, SFD_CLOEXEC | SFD_NONBLOCK);
}

// 0 on a signal to stop, 1 on a failure, 3 when the line is to be dropped.
int Laufen(int signale) {
    for (;;) {
        Zeit jetzt = Clock::now();
        Verarbeiten(jetzt);
        if (gGefallen) {
            return 3;
        }
        bool frei = Senden(jetzt);
        // Sleep until the next byte is due, or until something happens.
        Zeit naechste = Zeit::max();
        if (!gEmpfangen.empty()) {
            naechste = gEmpfangen.front().zeit;  // each character as it arrives, like a UART
        }
        if (frei && !gSenden.empty()) {
            naechste = std::min(naechste, gSenden.front().zeit);
        }
        timespec warten{};
        timespec* zeiger = nullptr;
        if (naechste != Zeit::max()) {
            auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(naechste - Clock::now()).count();
            if (ns < 0) {
                ns = 0;
            }
            warten = {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
            zeiger = &warten;
        }
        pollfd p[2] = {{gMaster, static_cast<short>(POLLIN | (frei ? 0 : POLLOUT)), 0}, {signale, POLLIN, 0}};
        int r = ppoll(p, 2, zeiger, nullptr);
        if (r < 0 && errno != EINTR) {
            std::perror("krv4sim: poll");
            return 1;
        }
        if (p[1].revents & POLLIN) {
            return 0;
        }
        if (p[0].revents & POLLIN) {
            Lesen(Clock::now());
        }
        if ((p[0].revents & (POLLERR | POLLNVAL | POLLHUP)) && !(p[0].revents & POLLIN)) {
            std::fprintf(stderr, "krv4sim: Leitung gestört\n");
            return 1;
        }
    }
}

// What the simulator made on the file system: at exit each is removed only
// if it is still what was made.
struct Gemacht {
    std::string link;       // symbolic link to the line
    std::string pfadDatei;  // file holding the line's path
    dev_t geraet = 0;
    ino_t inode = 0;
};
Gemacht gGemacht;

// The simulator never replaces a file or a directory; of what is there, only
// a symbolic link may give way to the link to the line.
bool Frei(const std::string& pfad, bool linkErsetzbar) {
    struct stat st {};
    if (lstat(pfad.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return true;
        }
        std::fprintf(stderr, "krv4sim: %s: %s\n", pfad.c_str(), std::strerror(errno));
        return false;
    }
    if (linkErsetzbar && S_ISLNK(st.st_mode)) {
        return true;
    }
    const char* art = S_ISREG(st.st_mode) ? "eine Datei" : S_ISDIR(st.st_mode) ? "ein Verzeichnis" : "schon vorhanden";
    std::fprintf(stderr, "krv4sim: %s ist %s und bleibt unberührt\n", pfad.c_str(), art);
    return false;
}

bool LinkAnlegen(const std::string& link, const std::string& pfad) {
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        unlink(link.c_str());
    }
    if (symlink(pfad.c_str(), link.c_str()) != 0) {
        std::perror(link.c_str());
        return false;
    }
    gGemacht.link = link;
    return true;
}

// Written beside it and then linked to its name: a reader never sees half a
// line, and link() does not replace a file made there meanwhile.
bool PfadDateiSchreiben(const std::string& ziel, const std::string& pfad) {
    std::string temp = ziel + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        std::perror(ziel.c_str());
        return false;
    }
    const mode_t maske = umask(0);
    umask(maske);
    const std::string zeile = pfad + "\n";
    bool gut = fchmod(fd, 0666 & ~maske) == 0 &&
               write(fd, zeile.data(), zeile.size()) == static_cast<ssize_t>(zeile.size());
    gut = close(fd) == 0 && gut;
    gut = gut && link(temp.c_str(), ziel.c_str()) == 0;
    const int fehler = errno;
    unlink(temp.c_str());
    struct stat st {};
    if (!gut || lstat(ziel.c_str(), &st) != 0) {
        std::fprintf(stderr, "%s: %s\n", ziel.c_str(), std::strerror(gut ? errno : fehler));
        return false;
    }
    gGemacht.pfadDatei = ziel;
    gGemacht.geraet = st.st_dev;
    gGemacht.inode = st.st_ino;
    return true;
}

void Aufraeumen(const std::string& pfad) {
    if (!gGemacht.link.empty()) {
        char ziel[256];
        ssize_t n = readlink(gGemacht.link.c_str(), ziel, sizeof ziel - 1);
        if (n > 0 && pfad == std::string(ziel, static_cast<size_t>(n))) {
            unlink(gGemacht.link.c_str());
        }
    }
    struct stat st {};
    if (!gGemacht.pfadDatei.empty() && lstat(gGemacht.pfadDatei.c_str(), &st) == 0 &&
        st.st_dev == gGemacht.geraet && st.st_ino == gGemacht.inode) {
        unlink(gGemacht.pfadDatei.c_str());
    }
}

bool Roh(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        return false;
    }
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

// The pseudo-terminal of the line, its link and path file.
struct Leitung {
    std::string link;
    std::string pfadDatei;
    std::string pfad;
    int selbst = -1;

    bool anlegen() {
        gMaster = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (gMaster < 0 || grantpt(gMaster) != 0 || unlockpt(gMaster) != 0) {
            std::perror("krv4sim: Pseudo-Terminal");
            return false;
        }
        pfad = ptsname(gMaster);
        // Holding the other end open keeps the line up between the program's
        // sessions; raw at once, so that nothing is echoed before it is opened.
        selbst = open(pfad.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (selbst < 0 || !Roh(selbst)) {
            std::perror(pfad.c_str());
            return false;
        }
        if ((!link.empty() && !LinkAnlegen(link, pfad)) || (!pfadDatei.empty() && !PfadDateiSchreiben(pfadDatei, pfad))) {
            return false;
        }
        std::printf("%s\n", pfad.c_str());
        std::fflush(stdout);
        return true;
    }

    void schliessen() {
        Aufraeumen(pfad);
        if (selbst >= 0) {
            close(selbst);
        }
        if (gMaster >= 0) {
            close(gMaster);
        }
        selbst = -1;
        gMaster = -1;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const pid_t eltern = getppid();
    // Gone with the process that started it, even if that one is killed.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // Paced characters are due to the microsecond, not within the default 50 µs.
    prctl(PR_SET_TIMERSLACK, 1UL);
    if (getppid() != eltern) {
        return 0;
    }

    Einstellungen e;
    std::vector<std::string> stoerungen;
    std::string link;
    std::string pfadDatei;
    std::string logDatei;
    std::string vorbelegung;
    long langsam = 500;
    long pruefdauer = 3000;
    std::string ergebnis = "pass";

    CLI::App app{"Simulierter KRV-4 an einem Pseudo-Terminal. Die erste Zeile der Ausgabe ist der Pfad der Leitung."};
    app.add_option("--addresses", e.adressen, "Geräteadressen an der Leitung, z. B. 12a (1-9, a-f)")
        ->capture_default_str();
    app.add_option("--serial", e.seriennummer, "Seriennummer des ersten Geräts (Kennung QVLKRV4-TST1-<n>)")
        ->capture_default_str();
    app.add_option("--fault", stoerungen,
                   "Störung ADRESSE:BEFEHL:ART[:ANZAHL[:AUSLASSEN]]; ADRESSE und BEFEHL auch *, im Befehl ? für "
                   "ein beliebiges Zeichen (z. B. 1:L1R:otherparam, *:??W:nak:1:3); ART: silent nak can wrongbyte "
                   "malformed nocr overlong otherparam otheraddr range slow");
    app.add_option("--slow-ms", langsam, "Verzögerung der Störung slow in ms")->capture_default_str();
    app.add_flag("--pace", gTakt, "jedes Zeichen in beide Richtungen im Takt von 9600 Baud (10 Bit je Zeichen)");
    bool achtBit = false;
    bool siebenBit = false;
    auto* optAcht = app.add_flag("--eight-bit", achtBit, "jedes Zeichen kommt mit allen 8 Bit an (für Tests)");
    app.add_flag("--seven-bit", siebenBit, "das achte Bit jedes Zeichens fällt weg wie auf der 7-Bit-Leitung "
                                           "(Voreinstellung)")
        ->excludes(optAcht);
    std::string datendatei;
    app.add_option("--load", datendatei, "Datendatei (.krv): die Geräte halten ihre 16 Programme wie nach "
                                         "\"zu KRV-4 schreiben\" (vor --preload)");
    app.add_option("--vanish-after", gVerschwindenNach, "nach N Befehlen keine Antwort mehr");
    app.add_option("--drop-after", gFallenNach,
                   "nach N Befehlen fällt die Leitung weg (wie ein abgezogener Adapter) und kommt nach "
                   "--drop-ms unter demselben --link wieder");
    app.add_option("--drop-ms", gFallenPause, "Pause der weggefallenen Leitung in ms")->capture_default_str();
    app.add_option("--test-ms", pruefdauer, "Dauer einer Prüfung nach \"start\" in ms")->capture_default_str();
    app.add_option("--result", ergebnis, "Ergebnis jeder Prüfung")
        ->check(CLI::IsMember({"pass", "fail"}))
        ->capture_default_str();
    app.add_option("--preload", vorbelegung,
                   "Datei mit Startwerten, je Zeile: [@ADR] P<n> CODE WERT | [@ADR] P<n> S<m> CODE WERT | "
                   "[@ADR] K CODE WERT | [@ADR] ID TEXT | [@ADR] STATUS HEX; ';' beginnt einen Kommentar");
    app.add_option("--link", link, "symbolischer Link auf die Leitung (ersetzt nur einen symbolischen Link, nie eine "
                                   "Datei oder ein Verzeichnis)");
    app.add_option("--path-file", pfadDatei, "schreibt den Pfad der Leitung in diese neue Datei (eine vorhandene "
                                             "bleibt unberührt)");
    app.add_option("--log", logDatei, "schreibt jeden Rahmen mit Zeit in diese Datei");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& fehler) {
        return app.exit(fehler) == 0 ? 0 : 2;
    }

    std::string adressen;
    for (char a : e.adressen) {
        if (a == ',' || a == ' ') {
            continue;
        }
        if (!((a >= '1' && a <= '9') || (a >= 'a' && a <= 'f')) || adressen.find(a) != std::string::npos) {
            std::fprintf(stderr, "krv4sim: ungültige Adressen \"%s\"\n", e.adressen.c_str());
            return 2;
        }
        adressen += a;
    }
    if (adressen.empty()) {
        std::fprintf(stderr, "krv4sim: keine Adresse\n");
        return 2;
    }
    e.adressen = adressen;
    if ((!link.empty() && !Frei(link, true)) || (!pfadDatei.empty() && !Frei(pfadDatei, false))) {
        return 2;
    }
    for (const auto& text : stoerungen) {
        Stoerung s;
        std::string fehler;
        if (!StoerungLesen(text, &s, &fehler)) {
            std::fprintf(stderr, "krv4sim: %s\n", fehler.c_str());
            return 2;
        }
        e.stoerungen.push_back(s);
    }
    e.langsam = std::chrono::milliseconds(langsam);
    e.pruefdauer = std::chrono::milliseconds(pruefdauer);
    e.nichtBestanden = ergebnis == "fail";
    GeraeteAnlegen(e);
    gSiebenBit = !achtBit;
    if (!datendatei.empty()) {
        std::string zeilen;
        std::string fehler;
        if (!DatendateiAlsVorbelegung(datendatei, &zeilen, &fehler) ||
            !VorbelegungUebernehmen(zeilen, datendatei, &fehler)) {
            std::fprintf(stderr, "krv4sim: %s\n", fehler.c_str());
            return 2;
        }
    }
    if (!vorbelegung.empty()) {
        std::string fehler;
        if (!VorbelegungLaden(vorbelegung, &fehler)) {
            std::fprintf(stderr, "krv4sim: %s\n", fehler.c_str());
            return 2;
        }
    }
    if (!logDatei.empty() && !(gLog = std::fopen(logDatei.c_str(), "a"))) {
        std::perror(logDatei.c_str());
        return 2;
    }

    int signale = SignaleAbfangen();
    if (signale < 0) {
        std::perror("krv4sim: Signale");
        return 1;
    }
    Leitung leitung;
    leitung.link = link;
    leitung.pfadDatei = pfadDatei;
    if (!leitung.anlegen()) {
        leitung.schliessen();
        return 1;
    }
    int r = Laufen(signale);
    if (r == 3) {
        // The line goes as with a pulled adapter; the device keeps its state
        // and answers again on a new line behind the same link.
        leitung.schliessen();
        gSenden.clear();
        gEmpfangen.clear();
        gImRahmen = false;
        timespec pause{gFallenPause / 1000, (gFallenPause % 1000) * 1000000};
        pollfd p{signale, POLLIN, 0};
        r = ppoll(&p, 1, &pause, nullptr) > 0 ? 0 : -1;
        gFallenNach = -1;
        gGefallen = false;
        if (r != 0) {
            r = leitung.anlegen() ? Laufen(signale) : 1;
        }
    }
    leitung.schliessen();
    if (gLog) {
        std::fclose(gLog);
    }
    return r;
}
