#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Datei.h"
#include "platform/Zeichensatz.h"

namespace {

bool OrdnerDa(const std::string& pfad, mode_t modus) {
    if (::mkdir(pfad.c_str(), modus) == 0) return true;
    struct stat st {};
    return errno == EEXIST && ::stat(pfad.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string BenutzerOrdner() {
    std::string basis;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (xdg && xdg[0] == '/') {
        basis = xdg;
    } else if (home && home[0] == '/') {
        basis = std::string(home) + "/.config";
    } else {
        return "";
    }
    if (!OrdnerDa(basis, 0700)) return "";
    std::string ordner = basis + "/krv4steuerung";
    if (!OrdnerDa(ordner, 0700)) return "";
    std::string pfad;
    if (!Utf8NachCp1252(ordner, &pfad)) return "";
    return pfad;
}
