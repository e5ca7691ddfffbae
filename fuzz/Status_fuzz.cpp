// Any bytes as the answer to a status read. The first input byte picks the
// address and the status type (1 or 2). Checked: the exact code of the
// answer byte and of a missing reply byte; on success a status of 0 to 255
// that is the reply's hexadecimal number, in a reply that names the address
// and the type; on failure the status variable unchanged.

#include <cctype>

#include "fuzz/Geraetantwort.h"

using namespace geraetantwort;

namespace {

constexpr char kHarness[] = "status read";

int Hexwert(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, std::size_t laenge) {
    if (laenge < 1) return 0;
    const char adresse = kAdressen[daten[0] % 15];
    const int typ = (daten[0] / 15) % 2 + 1;
    std::string_view antwort = Eingabe(daten + 1, laenge - 1);
    auto port = PortMitAntwort(antwort);

    auto status = std::make_unique<int>(-12345);
    int r = QVLKRV4_StatusLesen(1, adresse, typ, status.get());

    const char befehl[] = {'#', adresse, 'S', static_cast<char>('0' + typ), 'R', '\r'};
    if (port->written != std::string_view(befehl, 6)) Fund(kHarness, "wrong command sent");

    int erwartet = NachAntwortbyte(antwort, {-402140, -405141, -403142, -404143});
    std::string_view text;
    if (erwartet == 1) erwartet = Antworttext(antwort, 14, &text) ? 2 : -404144;
    if (erwartet == 2) {
        // "#", address, "S", type, "R", one or two hex digits, CR.
        bool form = text.size() >= 7 && text.size() <= 8 && text[0] == '#' && text[1] == adresse &&
                    text[2] == 'S' && text[4] == 'R' && text.back() == '\r';
        for (std::size_t i = 5; form && i + 1 < text.size(); ++i) form = Hexwert(text[i]) >= 0;
        if (!form) {
            erwartet = -404145;
        } else if (text[3] != '0' + typ) {
            erwartet = typ == 1 ? -404146 : -404147;
        } else {
            erwartet = 0;
        }
    }
    if (r != erwartet) Fund(kHarness, "unexpected result code");

    if (r != 0) {
        if (*status != -12345) Fund(kHarness, "a failed read changed the status");
        return 0;
    }
    int wert = 0;
    for (std::size_t i = 5; i + 1 < text.size(); ++i) wert = wert * 16 + Hexwert(text[i]);
    if (*status < 0 || *status > 255 || *status != wert) Fund(kHarness, "status is not the reply's number");
    return 0;
}
