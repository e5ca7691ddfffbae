// Any bytes as an INI text: the reading always succeeds, every value asked
// for is an integer, absent or refused with its code (the value then left
// alone), and what is written reads back as the same text, unless a line of
// it is cut at 255 characters or an item reads like a section header.

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "storage/Ini.h"

namespace {

[[noreturn]] void Fund(const char* was) {
    std::fprintf(stderr, "INI reader: %s\n", was);
    std::abort();
}

// Lines of the written text that would not read back as written.
bool Rundreise(std::string_view text) {
    bool inAbschnitt = false;
    while (!text.empty()) {
        std::size_t ende = text.find("\r\n");
        if (ende == std::string_view::npos) Fund("written text without CR LF at its end");
        std::string_view zeile = text.substr(0, ende);
        text.remove_prefix(ende + 2);
        if (zeile.size() > 255) return false;
        if (zeile.empty()) {
            inAbschnitt = false;
            continue;
        }
        if (!inAbschnitt) {
            if (zeile.front() != '[' || zeile.back() != ']') Fund("section without its header");
            inAbschnitt = true;
            continue;
        }
        if (zeile.find(" = ") == std::string_view::npos) Fund("item line without \" = \"");
        if (zeile.front() == '[' && zeile.back() == ']') return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, std::size_t laenge) {
    IniText ini = Ini_New(1);
    if (!ini) return 0;
    if (Ini_ReadFromText(ini, reinterpret_cast<const char*>(daten), laenge) != 0) Fund("reading failed");

    for (const char* schluessel : {"adresse", "lport", "port"}) {
        int wert = INT_MIN + 7;
        int r = Ini_GetInt(ini, "KRV4", schluessel, &wert);
        if (r != 1 && r != 0 && r != kIniKeineZahl) Fund("unexpected result code");
        if (r != 1 && wert != INT_MIN + 7) Fund("value changed without an integer");
    }

    std::string text = Ini_Text(ini);
    if (Rundreise(text)) {
        IniText zurueck = Ini_New(1);
        if (!zurueck) Fund("out of memory");
        Ini_ReadFromText(zurueck, text.data(), text.size());
        if (Ini_Text(zurueck) != text) Fund("written text does not read back the same");
        Ini_Dispose(zurueck);
    }
    Ini_Dispose(ini);
    return 0;
}
