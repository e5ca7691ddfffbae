// Any bytes as a recovery file: taken or refused without a crash; what is
// taken holds a data file the store accepts, a time and a name within their
// limits, and ends with the name's NUL.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/Wiederherstellung.h"
#include "fuzz/Fuzzstart.h"
#include "storage/Dateifunktionen.h"

namespace {

[[noreturn]] void Fund(const char* was) {
    std::fprintf(stderr, "recovery file reader: %s\n", was);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (FuzzProgrammStarten() != 0) Fund("the program could not be started");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, std::size_t laenge) {
    Wiederherstellungsdaten gelesen;
    bool genommen = WiederherstellungPruefen(daten, laenge, &gelesen);
    if (WiederherstellungPruefen(daten, laenge, nullptr) != genommen) Fund("the check depends on its output");
    if (!genommen) return 0;
    if (laenge < kDatenblockGroesse) Fund("a file shorter than a data file was taken");
    if (DatenblockPruefen(daten, laenge) != 0) Fund("taken with a data file the store refuses");
    if (gelesen.zeit.empty() || gelesen.zeit.size() > 31) Fund("a time outside its limits");
    if (gelesen.dateiname.empty() || gelesen.dateiname.size() > 259) Fund("a name outside its limits");
    if (kDatenblockGroesse + gelesen.zeit.size() + gelesen.dateiname.size() + 2 != laenge)
        Fund("bytes after the name were taken");
    if (daten[laenge - 1] != 0) Fund("the name does not end with NUL");
    return 0;
}
