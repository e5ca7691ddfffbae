// Any bytes as the answer to an identification read, into a buffer of
// exactly the 28 characters the caller provides. The first input byte picks
// the address. Checked: the exact code of the answer byte and of a missing
// reply byte; on success an identification of 1 to 26 characters without
// blanks, "#", the address and CR around it; on failure the buffer unchanged.

#include <cstring>
#include <memory>

#include "fuzz/Geraetantwort.h"

using namespace geraetantwort;

namespace {

constexpr char kHarness[] = "identification read";
constexpr std::size_t kPuffer = 28;

bool Leerzeichen(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, std::size_t laenge) {
    if (laenge < 1) return 0;
    const char adresse = kAdressen[daten[0] % 15];
    std::string_view antwort = Eingabe(daten + 1, laenge - 1);
    auto port = PortMitAntwort(antwort);

    // On the heap at its exact size, so that one byte too many is a finding.
    auto kennung = std::make_unique<char[]>(kPuffer);
    std::memset(kennung.get(), 0x5A, kPuffer);
    int r = QVLKRV4_IDLesen(1, adresse, kennung.get());

    const char befehl[] = {'#', adresse, 'I', 'D', 'R', '\r'};
    if (port->written != std::string_view(befehl, 6)) Fund(kHarness, "wrong command sent");

    int erwartet = NachAntwortbyte(antwort, {-402010, -405011, -403012, -404013});
    std::string_view text;
    if (erwartet == 1) erwartet = Antworttext(antwort, 29, &text) ? 2 : -404014;
    if (erwartet == 2) {
        erwartet = r == 0 ? 0 : -404015;
    }
    if (r != erwartet) Fund(kHarness, "unexpected result code");

    if (r != 0) {
        for (std::size_t i = 0; i < kPuffer; ++i)
            if (kennung[i] != 0x5A) Fund(kHarness, "a failed read changed the buffer");
        // A well-formed reply must not be refused.
        if (erwartet == -404015 && text.size() >= 4 && text[0] == '#' && text[1] == adresse) {
            std::string_view id = text.substr(2, text.size() - 3);
            bool gut = text.back() == '\r' && !id.empty();
            for (char c : id) gut = gut && !Leerzeichen(c) && c != '\0';
            if (gut) Fund(kHarness, "a well-formed reply was refused");
        }
        return 0;
    }
    std::size_t n = strnlen(kennung.get(), kPuffer);
    if (n == kPuffer) Fund(kHarness, "identification not terminated");
    if (n < 1 || n > 26) Fund(kHarness, "identification length out of range");
    for (std::size_t i = 0; i < n; ++i)
        if (Leerzeichen(kennung[i])) Fund(kHarness, "blank in the identification");
    if (text.size() != n + 3 || text[0] != '#' || text[1] != adresse || text.back() != '\r' ||
        text.substr(2, n) != std::string_view(kennung.get(), n))
        Fund(kHarness, "identification is not the one in the reply");
    return 0;
}
