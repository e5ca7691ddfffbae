#include "platform/Datei.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/Zeichensatz.h"

namespace {

std::string Verzeichnis(const std::string& pfad) {
    std::size_t schraegstrich = pfad.find_last_of('/');
    if (schraegstrich == std::string::npos) return ".";
    if (schraegstrich == 0) return "/";
    return pfad.substr(0, schraegstrich);
}

std::string Dateiname(const std::string& pfad) {
    std::size_t schraegstrich = pfad.find_last_of('/');
    return schraegstrich == std::string::npos ? pfad : pfad.substr(schraegstrich + 1);
}

// The program's paths are code page 1252 texts; the file system's names are UTF-8.
std::string Os(const std::string& pfad) { return Cp1252NachUtf8(pfad); }

mode_t NeuerDateimodus() {
    mode_t maske = umask(0);
    umask(maske);
    return 0666 & ~maske;
}

// While it lives, a file-size limit makes write() fail with EFBIG instead of
// ending the program with SIGXFSZ: the signal is held back for this thread
// and a pending one taken away before it is let through again.
class DateigroesseGrenzeHalten {
public:
    DateigroesseGrenzeHalten() {
        sigemptyset(&signal_);
        sigaddset(&signal_, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &signal_, &vorher_);
    }
    ~DateigroesseGrenzeHalten() {
        if (sigismember(&vorher_, SIGXFSZ)) return;  // held back by the caller: its business
        timespec sofort{0, 0};
        while (sigtimedwait(&signal_, nullptr, &sofort) == SIGXFSZ) {
        }
        pthread_sigmask(SIG_SETMASK, &vorher_, nullptr);
    }
    DateigroesseGrenzeHalten(const DateigroesseGrenzeHalten&) = delete;
    DateigroesseGrenzeHalten& operator=(const DateigroesseGrenzeHalten&) = delete;

private:
    sigset_t signal_;
    sigset_t vorher_;
};

}  // namespace

int DateiOeffnenZumLesen(const char* pfad) {
    if (pfad == nullptr || *pfad == '\0') return -1;
    // Non-blocking, so that opening a pipe does not wait for a writer.
    int fd = ::open(Os(pfad).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

long DateiLesen(int handle, void* puffer, std::size_t anzahl) {
    auto* ziel = static_cast<unsigned char*>(puffer);
    std::size_t gelesen = 0;
    while (gelesen < anzahl) {
        ssize_t n = ::read(handle, ziel + gelesen, anzahl - gelesen);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        gelesen += static_cast<std::size_t>(n);
    }
    return static_cast<long>(gelesen);
}

long DateiSchreiben(int handle, const void* puffer, std::size_t anzahl) {
    const auto* quelle = static_cast<const unsigned char*>(puffer);
    DateigroesseGrenzeHalten grenze;
    std::size_t geschrieben = 0;
    while (geschrieben < anzahl) {
        ssize_t n = ::write(handle, quelle + geschrieben, anzahl - geschrieben);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        geschrieben += static_cast<std::size_t>(n);
    }
    return static_cast<long>(geschrieben);
}

int DateiAufPlatteBringen(int handle) { return ::fsync(handle) == 0 ? 0 : -1; }

int DateiSchliessen(int handle) { return ::close(handle) == 0 ? 0 : -1; }

bool DateiAbsoluterPfad(const char* argument, std::string* pfad) {
    if (argument == nullptr || *argument == '\0' || pfad == nullptr) return false;
    // The system's names are UTF-8.
    std::error_code fehler;
    std::filesystem::path ganz = std::filesystem::absolute(argument, fehler);
    return !fehler && Utf8NachCp1252(ganz.string(), pfad);
}

bool DateiVorhanden(const char* pfad) {
    struct stat st {};
    return pfad != nullptr && *pfad != '\0' && ::lstat(Os(pfad).c_str(), &st) == 0;
}

std::string DateiZiel(const char* pfad) {
    std::string ziel = pfad ? pfad : "";
    struct stat st {};
    if (::lstat(Os(ziel).c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char echt[PATH_MAX];
        std::string programmPfad;
        if (::realpath(Os(ziel).c_str(), echt) != nullptr && Utf8NachCp1252(echt, &programmPfad))
            ziel = programmPfad;
    }
    return ziel;
}

int DateiTemporaerNeben(const std::string& ziel, std::string& tempPfad, const char* tempMuster, DateiFehler* fehler) {
    DateiFehler grund = DateiFehler::keiner;
    if (fehler == nullptr) fehler = &grund;
    // An existing target must be one this process may write, as if it were
    // overwritten in place: the rename alone would also replace a
    // write-protected file. Non-blocking, so that a pipe does not wait for a reader.
    *fehler = DateiFehler::zielGesperrt;
    struct stat st {};
    bool vorhanden = false;
    int alt = ::open(Os(ziel).c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (alt >= 0) {
        vorhanden = ::fstat(alt, &st) == 0;
        ::close(alt);
        if (!vorhanden || !S_ISREG(st.st_mode)) return -1;
    } else if (errno != ENOENT) {
        return -1;
    }

    *fehler = DateiFehler::nichtAngelegt;
    int fd = -1;
    if (tempMuster != nullptr) {
        // The caller's own names: the first that does not exist yet.
        for (int n = 0; n <= 999 && fd < 0; ++n) {
            tempPfad = Verzeichnis(ziel) + "/" + DateiMusterName(tempMuster, n);
            fd = ::open(Os(tempPfad).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0600);
            if (fd < 0 && errno != EEXIST) return -1;
        }
        if (fd < 0) return -1;
    } else {
        std::string muster = Verzeichnis(ziel) + "/." + Dateiname(ziel) + ".XXXXXX";
        std::string osMuster = Os(muster);
        std::vector<char> name(osMuster.begin(), osMuster.end());
        name.push_back('\0');
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        // Only the six ASCII letters of the pattern changed.
        tempPfad = muster.substr(0, muster.size() - 6) + std::string(name.data() + name.size() - 7, 6);
    }
    if (vorhanden) {
        // Owner and group where this process may give them (the super-user,
        // or a group the owner belongs to); before the mode, since a change
        // of owner clears the set-id bits.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
    }
    mode_t modus = vorhanden ? (st.st_mode & 07777) : NeuerDateimodus();
    if (::fchmod(fd, modus) != 0) {
        ::close(fd);
        ::unlink(Os(tempPfad).c_str());
        return -1;
    }
    *fehler = DateiFehler::keiner;
    return fd;
}

int DateiErsetzen(const std::string& von, const std::string& ziel) {
    if (::rename(Os(von).c_str(), Os(ziel).c_str()) != 0) return -1;
    int verzeichnis = ::open(Os(Verzeichnis(ziel)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (verzeichnis >= 0) {
        // The new name is in place; a directory that cannot be synced does
        // not undo it.
        ::fsync(verzeichnis);
        ::close(verzeichnis);
    }
    return 0;
}

int DateiEntfernen(const std::string& pfad) { return ::unlink(Os(pfad).c_str()) == 0 ? 0 : -1; }
