// Any bytes as the answer to the setting commands (device function,
// program/step selection, parameter write). The first input byte picks the
// command and the address, "&" included. Checked: the exact code the answer
// byte gives (ACK 0, NAK, CAN, none, any other byte), nothing read after it,
// and nothing read at all for "&".

#include "fuzz/Geraetantwort.h"

using namespace geraetantwort;

namespace {

constexpr char kHarness[] = "answer byte";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, std::size_t laenge) {
    if (laenge < 1) return 0;
    const int befehl = daten[0] % 3;
    const char adresse = (daten[0] / 3) % 16 == 15 ? '&' : kAdressen[(daten[0] / 3) % 16];
    std::string_view antwort = Eingabe(daten + 1, laenge - 1);
    auto port = PortMitAntwort(antwort);

    int r = 0;
    Antwortcodes c{};
    switch (befehl) {
        case 0:
            r = QVLKRV4_DeviceFunction(1, adresse, "start");
            c = {-402039, -405040, -403041, -404042};
            break;
        case 1:
            r = QVLKRV4_ProgrammUndSchrittEinstellen(1, adresse, 16, 10);
            c = {-402076, -405077, -403078, -404079};
            break;
        default:
            r = QVLKRV4_ParameterSchreiben(1, adresse, "relaisgruppe1", 0.0, 0x1A0000, nullptr);
            c = {-402076, -405077, -403078, -404079};
            break;
    }
    if (port->writes != 1 || port->written.empty() || port->written.front() != '#' || port->written.back() != '\r')
        Fund(kHarness, "the command was not sent once, framed");

    if (adresse == '&') {
        if (r != 0) Fund(kHarness, "a collective command failed");
        if (port->reads != 0) Fund(kHarness, "a collective command awaited an answer");
        return 0;
    }
    int erwartet = NachAntwortbyte(antwort, c);
    if (erwartet == 1) erwartet = 0;
    if (r != erwartet) Fund(kHarness, "unexpected result code");
    if (port->reads != 1) Fund(kHarness, "read more than the answer byte");
    return 0;
}
