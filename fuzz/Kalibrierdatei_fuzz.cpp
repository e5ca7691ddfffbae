// Any bytes as a calibration file: one of the reader's codes, no crash, no
// misuse of the toolkit, and the record untouched unless the file was taken
// over. A record that was taken over holds the file's bytes, shows on the
// panel and comes back from it bit for bit.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/Fuzzstart.h"
#include "panels/Kalibrieren.h"

namespace {

[[noreturn]] void Fund(const char* was) {
    std::fprintf(stderr, "calibration file reader: %s\n", was);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (FuzzProgrammStarten() != 0) Fund("the program could not be started");
    kalPanelHandle = LoadPanel(0, kPanelFile, KALPANEL);
    if (kalPanelHandle < 0) Fund("the calibration panel could not be loaded");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, std::size_t laenge) {
    Kalibrierwerte werte;
    std::memset(&werte, 0xCD, sizeof werte);
    Kalibrierwerte vorher = werte;
    int status = KalibrierdatenPruefen(daten, laenge, &werte);
    if (KalibrierdatenPruefen(daten, laenge, nullptr) != status) Fund("the check depends on its output");

    switch (status) {
        case 0: break;
        case -304000:
            if (laenge >= sizeof werte) Fund("a whole record called too short");
            [[fallthrough]];
        case -302000:
        case -303000:
        case -312000:
            if (std::memcmp(&werte, &vorher, sizeof werte) != 0) Fund("a refused file changed the record");
            return 0;
        default: Fund("unexpected result code");
    }

    if (laenge < sizeof werte) Fund("a short file was taken over");
    if (std::memcmp(&werte, daten, sizeof werte) != 0) Fund("the record differs from the file");
    if (std::strcmp(werte.kennung, kKalibrierkennung) != 0) Fund("taken over with another header");
    if (werte.format != kKalibrierformat) Fund("taken over with another format number");
    for (double w : werte.werte)
        if (!std::isfinite(w)) Fund("taken over with a value that is not a finite number");

    KalibrierwerteAufsPanel(werte);
    Kalibrierwerte zurueck;
    KalibrierwerteVomPanel(zurueck);
    if (std::memcmp(zurueck.werte, werte.werte, sizeof werte.werte) != 0) Fund("the panel changed a value");
    return 0;
}
