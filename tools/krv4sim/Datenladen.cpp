#include "Datenladen.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "device/ComProgramme.h"
#include "device/qvlkrv4.h"
#include "storage/Dateifunktionen.h"

namespace {

// The value text the device would receive for the parameter.
bool Wert(const char* name, double real, int ganz, const char* text, std::string* zeile) {
    const QVLKRV4_Parameter* p = QVLKRV4_ParameterSuchen(name);
    char puffer[32];
    if (!p || QVLKRV4_WertText(p, real, ganz, text, puffer, sizeof puffer) < 0) {
        return false;
    }
    *zeile += std::string(p->code) + " " + puffer + "\n";
    return true;
}

}  // namespace

bool GewoehnlicheDateiLesen(const std::string& pfad, std::size_t grenze, std::string* inhalt, std::string* fehler) {
    // Without O_NONBLOCK the open of a FIFO would wait for a writer.
    int fd = open(pfad.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *fehler = pfad + ": kann nicht gelesen werden (" + std::strerror(errno) + ")";
        return false;
    }
    struct stat st {};
    std::string meldung;
    if (fstat(fd, &st) != 0) {
        meldung = std::string("kann nicht gelesen werden (") + std::strerror(errno) + ")";
    } else if (S_ISDIR(st.st_mode)) {
        meldung = "ist ein Verzeichnis";
    } else if (!S_ISREG(st.st_mode)) {
        meldung = "ist keine gewöhnliche Datei";
    }
    // One byte past the limit is read: a file that grows meanwhile is refused too.
    std::string text;
    char puffer[8192];
    while (meldung.empty() && text.size() <= grenze) {
        ssize_t n = read(fd, puffer, sizeof puffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            meldung = std::string("kann nicht gelesen werden (") + std::strerror(errno) + ")";
        }
        if (n <= 0) {
            break;
        }
        text.append(puffer, static_cast<std::size_t>(n));
    }
    close(fd);
    if (meldung.empty() && text.size() > grenze) {
        meldung = "ist größer als " + std::to_string(grenze) + " Bytes";
    }
    if (!meldung.empty()) {
        *fehler = pfad + ": " + meldung;
        return false;
    }
    *inhalt = std::move(text);
    return true;
}

bool DatendateiAlsVorbelegung(const std::string& pfad, std::string* zeilen, std::string* fehler) {
    std::string inhalt;
    if (!GewoehnlicheDateiLesen(pfad, kEingabeGrenze, &inhalt, fehler)) {
        return false;
    }
    std::vector<unsigned char> daten(inhalt.begin(), inhalt.end());
    if (daten.size() < kDatenblockGroesse || DatenblockPruefen(daten.data(), daten.size()) != 0) {
        *fehler = pfad + ": keine gültige Datendatei (.krv)";
        return false;
    }
    Datenblock block;
    std::memcpy(&block, daten.data(), sizeof block);
    std::string text;
    for (int i = 0; i < kAnzahlProgramme; ++i) {
        const Programm& p = block.programme[i];
        const std::string vor = "P" + std::to_string(i + 1) + " ";
        char name[kNamenslaenge + 1];
        std::memcpy(name, p.name, kNamenslaenge);
        name[kNamenslaenge] = '\0';
        char geraetename[kNamenslaenge];
        NameNachKrv4(name, geraetename, sizeof geraetename);
        bool gut = true;
        text += vor;
        gut = gut && Wert("programmname", 0, 0, geraetename, &text);
        text += vor;
        gut = gut && Wert("anzahlschritte", 0, p.psAnzahl, nullptr, &text);
        for (int j = 0; j < p.psAnzahl && gut; ++j) {
            Krv4Pruefschritt b;
            PruefschrittNachKrv4(p.schritte[j], b);
            const std::string schritt = vor + "S" + std::to_string(j + 1) + " ";
            const struct {
                const char* name;
                double real;
                int ganz;
                const char* text;
            } felder[] = {
                {"schrittname", 0, 0, b.schrittname},  {"oberergrenzwert", b.oberergrenzwert, 0, nullptr},
                {"unterergrenzwert", b.unterergrenzwert, 0, nullptr}, {"messgeraet", 0, b.messgeraet, nullptr},
                {"vergleich", 0, b.vergleich, nullptr}, {"messzeit", 0, b.messzeit, nullptr},
                {"relaisgruppe1", 0, b.relaisgruppe1, nullptr}, {"relaisgruppe2", 0, b.relaisgruppe2, nullptr},
                {"schrittmodus", 0, b.schrittmodus, nullptr}, {"impulseinzeit", 0, b.impulseinzeit, nullptr},
                {"impulsauszeit", 0, b.impulsauszeit, nullptr}, {"impulszyklen", 0, b.impulszyklen, nullptr},
                {"spannung", b.spannung, 0, nullptr},    {"strom", b.strom, 0, nullptr},
            };
            for (const auto& f : felder) {
                text += schritt;
                if (!Wert(f.name, f.real, f.ganz, f.text, &text)) {
                    *fehler = pfad + ": Programm " + std::to_string(i + 1) + " Schritt " + std::to_string(j + 1) +
                              ": " + f.name + " lässt sich nicht darstellen";
                    return false;
                }
            }
        }
        if (!gut) {
            *fehler = pfad + ": Programm " + std::to_string(i + 1) + " lässt sich nicht darstellen";
            return false;
        }
    }
    *zeilen = text;
    return true;
}
