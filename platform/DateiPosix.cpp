#include "platform/Datei.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

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

// Whole blocks, at a position or (stelle < 0) where the file stands.
long Lesen(int fd, long long stelle, void* puffer, std::size_t anzahl) {
    auto* ziel = static_cast<unsigned char*>(puffer);
    std::size_t gelesen = 0;
    while (gelesen < anzahl) {
        ssize_t n = stelle < 0 ? ::read(fd, ziel + gelesen, anzahl - gelesen)
                               : ::pread(fd, ziel + gelesen, anzahl - gelesen,
                                         static_cast<off_t>(stelle + static_cast<long long>(gelesen)));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        gelesen += static_cast<std::size_t>(n);
    }
    return static_cast<long>(gelesen);
}

long Schreiben(int fd, long long stelle, const void* puffer, std::size_t anzahl) {
    const auto* quelle = static_cast<const unsigned char*>(puffer);
    DateigroesseGrenzeHalten grenze;
    std::size_t geschrieben = 0;
    while (geschrieben < anzahl) {
        ssize_t n = stelle < 0 ? ::write(fd, quelle + geschrieben, anzahl - geschrieben)
                               : ::pwrite(fd, quelle + geschrieben, anzahl - geschrieben,
                                          static_cast<off_t>(stelle + static_cast<long long>(geschrieben)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        geschrieben += static_cast<std::size_t>(n);
    }
    return static_cast<long>(geschrieben);
}

}  // namespace

int DateiOeffnenZumLesen(const char* pfad) {
    if (pfad == nullptr || *pfad == '\0') return -1;
    // Non-blocking, so that opening a pipe does not wait for a writer.
    int fd = ::open(pfad, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

long DateiLesen(int handle, void* puffer, std::size_t anzahl) { return Lesen(handle, -1, puffer, anzahl); }

long DateiSchreiben(int handle, const void* puffer, std::size_t anzahl) {
    return Schreiben(handle, -1, puffer, anzahl);
}

int DateiAufPlatteBringen(int handle) { return ::fsync(handle) == 0 ? 0 : -1; }

int DateiSchliessen(int handle) { return ::close(handle) == 0 ? 0 : -1; }

bool DateiAbsoluterPfad(const char* argument, std::string* pfad) {
    if (argument == nullptr || *argument == '\0' || pfad == nullptr) return false;
    std::error_code fehler;
    std::filesystem::path ganz = std::filesystem::absolute(argument, fehler);
    if (fehler) return false;
    *pfad = ganz.string();
    return true;
}

std::vector<std::string> DateiAufrufargumente(int argc, char* argv[]) {
    std::vector<std::string> argumente;
    for (int i = 0; i < argc && argv[i] != nullptr; ++i) argumente.emplace_back(argv[i]);
    return argumente;
}

bool DateiVorhanden(const char* pfad) {
    struct stat st {};
    return pfad != nullptr && *pfad != '\0' && ::lstat(pfad, &st) == 0;
}

std::string DateiZiel(const char* pfad) {
    const std::string anfang = pfad ? pfad : "";
    std::string ziel = anfang;
    // Followed by hand: realpath gives up at a link that leads nowhere yet.
    for (int schritt = 0; schritt < 40; ++schritt) {
        struct stat st {};
        if (::lstat(ziel.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return ziel;
        std::vector<char> inhalt(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        ssize_t n = ::readlink(ziel.c_str(), inhalt.data(), inhalt.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= inhalt.size()) return anfang;
        std::string weiter(inhalt.data(), static_cast<std::size_t>(n));
        ziel = weiter[0] == '/' ? weiter : Verzeichnis(ziel) + "/" + weiter;
    }
    // A loop: the save fails on the name itself.
    return anfang;
}

int DateiZielPruefen(const std::string& ziel, DateiZielZustand& zustand, DateiFehler* fehler) {
    DateiFehler grund = DateiFehler::keiner;
    if (fehler == nullptr) fehler = &grund;
    zustand = DateiZielZustand{};
    // An existing target must be one this process may write, as if it were
    // overwritten in place: the rename alone would also replace a
    // write-protected file. Non-blocking, so that a pipe does not wait for a reader.
    *fehler = DateiFehler::zielGesperrt;
    struct stat st {};
    int alt = ::open(ziel.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (alt >= 0) {
        zustand.vorhanden = ::fstat(alt, &st) == 0;
        ::close(alt);
        if (!zustand.vorhanden || !S_ISREG(st.st_mode)) return -1;
        zustand.laenge = static_cast<long long>(st.st_size);
    } else if (errno != ENOENT) {
        return -1;
    }
    bool ordnerBeschreibbar =
        ::faccessat(AT_FDCWD, Verzeichnis(ziel).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
    if (!zustand.vorhanden) {
        *fehler = ordnerBeschreibbar ? DateiFehler::keiner : DateiFehler::nichtAngelegt;
        zustand.umbenennen = true;
        return ordnerBeschreibbar ? 0 : -1;
    }
    // A new file would drop the other names of the file and could not carry
    // another owner, nor a group the saver is not in.
    bool eigeneGruppe = st.st_gid == ::getegid();
    if (!eigeneGruppe) {
        int anzahl = ::getgroups(0, nullptr);
        std::vector<gid_t> gruppen(static_cast<std::size_t>(anzahl > 0 ? anzahl : 0));
        anzahl = ::getgroups(static_cast<int>(gruppen.size()), gruppen.data());
        for (int i = 0; i < anzahl && !eigeneGruppe; ++i) eigeneGruppe = gruppen[static_cast<std::size_t>(i)] == st.st_gid;
    }
    zustand.umbenennen = ordnerBeschreibbar && st.st_nlink == 1 && st.st_uid == ::geteuid() &&
                         (eigeneGruppe || ::geteuid() == 0);
    *fehler = DateiFehler::keiner;
    return 0;
}

int DateiTemporaerNeben(const std::string& ziel, std::string& tempPfad, const char* tempMuster) {
    struct stat st {};
    bool vorhanden = ::stat(ziel.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    int fd = -1;
    if (tempMuster != nullptr) {
        // The caller's own names: the first that does not exist yet.
        for (int n = 0; n <= 999 && fd < 0; ++n) {
            tempPfad = Verzeichnis(ziel) + "/" + DateiMusterName(tempMuster, n);
            fd = ::open(tempPfad.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0600);
            if (fd < 0 && errno != EEXIST) return -1;
        }
        if (fd < 0) return -1;
    } else {
        tempPfad = Verzeichnis(ziel) + "/." + Dateiname(ziel) + ".XXXXXX";
        fd = ::mkostemp(tempPfad.data(), O_CLOEXEC);
        if (fd < 0) return -1;
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
        ::unlink(tempPfad.c_str());
        return -1;
    }
    return fd;
}

void DateiVeralteteTemporaereEntfernen(const std::string& ziel, const char* tempMuster) {
    std::string ordner = Verzeichnis(ziel);
    DIR* verzeichnis = ::opendir(ordner.c_str());
    if (verzeichnis == nullptr) return;
    const std::string name = Dateiname(ziel);
    auto eigenerName = [&](const std::string& eintrag) {
        if (tempMuster != nullptr) return DateiMusterPasst(tempMuster, eintrag);
        // mkostemp's six letters after ".name."
        const std::string vorn = "." + name + ".";
        return eintrag.size() == vorn.size() + 6 && eintrag.compare(0, vorn.size(), vorn) == 0 &&
               std::all_of(eintrag.begin() + static_cast<std::ptrdiff_t>(vorn.size()), eintrag.end(),
                           [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
    };
    const time_t grenze = ::time(nullptr) - kTemporaerVeraltetSekunden;
    std::vector<std::string> veraltet;
    while (dirent* e = ::readdir(verzeichnis)) {
        std::string eintrag = e->d_name;
        if (!eigenerName(eintrag)) continue;
        struct stat st {};
        std::string pfad = ordner + "/" + eintrag;
        // Only this user's own plain files: never a link, never another's.
        if (::lstat(pfad.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            st.st_mtime < grenze)
            veraltet.push_back(pfad);
    }
    ::closedir(verzeichnis);
    for (const std::string& pfad : veraltet) ::unlink(pfad.c_str());
}

int DateiErsetzen(const std::string& von, const std::string& ziel) {
    if (::rename(von.c_str(), ziel.c_str()) != 0) return -1;
    int verzeichnis = ::open(Verzeichnis(ziel).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (verzeichnis >= 0) {
        // The new name is in place; a directory that cannot be synced does
        // not undo it.
        ::fsync(verzeichnis);
        ::close(verzeichnis);
    }
    return 0;
}

int DateiEntfernen(const std::string& pfad) { return ::unlink(pfad.c_str()) == 0 ? 0 : -1; }

int DateiOeffnenZumAendern(const std::string& pfad) {
    int fd = ::open(pfad.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int DateiSicherungAnlegen(std::string& pfad) {
    std::error_code fehler;
    std::filesystem::path ordner = std::filesystem::temp_directory_path(fehler);
    if (fehler) ordner = "/tmp";
    pfad = (ordner / "krv4-alt.XXXXXX").string();
    return ::mkostemp(pfad.data(), O_CLOEXEC);  // mode 0600: the user's own
}

long DateiSchreibenAn(int handle, long long stelle, const void* puffer, std::size_t anzahl) {
    return Schreiben(handle, stelle, puffer, anzahl);
}

long DateiLesenAn(int handle, long long stelle, void* puffer, std::size_t anzahl) {
    return Lesen(handle, stelle, puffer, anzahl);
}

int DateiLaengeSetzen(int handle, long long laenge) {
    DateigroesseGrenzeHalten grenze;
    return ::ftruncate(handle, static_cast<off_t>(laenge)) == 0 ? 0 : -1;
}
