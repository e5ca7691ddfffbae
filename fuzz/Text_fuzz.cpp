// Any bytes as the answer to reading a parameter of kind QVLKRV4_TEXT (see
// Parameterantwort.h for what is checked).

#include "fuzz/Parameterantwort.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, std::size_t laenge) {
    return geraetantwort::ParameterFuzz(QVLKRV4_TEXT, "name parameter read", daten, laenge);
}
