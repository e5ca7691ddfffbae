// Any bytes as the port assignment file: every number ends up chosen or
// left to the default, a chosen device is a name of 1 to 255 characters
// without control characters or surrounding blanks, and what is written
// reads back as the same assignment.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Portliste.h"

namespace {

[[noreturn]] void Fund(const char* was) {
    std::fprintf(stderr, "assignment reader: %s\n", was);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, std::size_t laenge) {
    PortZuordnung z;
    ZuordnungAusText(std::string_view(reinterpret_cast<const char*>(daten), laenge), &z);
    for (const std::string& p : z.pfad) {
        if (p.empty()) continue;
        if (p.size() > 255) Fund("name longer than 255 characters");
        if (p.front() == ' ' || p.front() == '\t' || p.back() == ' ' || p.back() == '\t') Fund("blank around a name");
        for (char c : p)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) Fund("control character in a name");
    }
    PortZuordnung zurueck;
    ZuordnungAusText(ZuordnungAlsText(z), &zurueck);
    for (int n = 0; n < 6; ++n)
        if (zurueck.pfad[n] != z.pfad[n]) Fund("written assignment does not read back the same");
    return 0;
}
