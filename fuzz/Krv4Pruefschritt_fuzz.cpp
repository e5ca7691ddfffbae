// Any values of a step as read from the device: the conversion gives 0 or
// -786000, a refusal names the first bad value in the order of the checks
// with exactly one "KRV-4: Fehlerhafte Daten" message, and a step taken over
// holds only values the editor can show and converts back into the same
// device values.
//
// Input: the bytes of a Krv4Pruefschritt (missing ones are 0), then one byte
// each for the program index, the step index and the RPG range the out step
// held before.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device/ComProgramme.h"
#include "toolkit/Headless.h"
#include "toolkit/Toolkit.h"

namespace {

[[noreturn]] void Fund(const char* was) {
    std::fprintf(stderr, "device step conversion: %s\n", was);
    std::abort();
}

bool GleicheBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The label of the first check the image fails, or nullptr.
const char* ErsterFehler(const Krv4Pruefschritt& b, int* wert) {
    const struct {
        int32_t wert, min, max;
        const char* name;
    } pruefungen[] = {
        {b.impulseinzeit, 0, 65535, "Impulseinzeit"}, {b.impulsauszeit, 1, 65535, "Impulsauszeit"},
        {b.impulszyklen, 1, 65535, "Impulszyklen"},   {b.messzeit, 0, 600, "Meßzeit"},
        {b.messgeraet, 1, 9, "Meßgerät"},             {b.vergleich, 1, 4, "Vergleichsoperation"},
    };
    for (const auto& p : pruefungen) {
        if (p.wert < p.min || p.wert > p.max) {
            *wert = p.wert;
            return p.name;
        }
    }
    return nullptr;
}

constexpr int32_t kBekannteRelais = 0x03FF0000;  // valves, power supply, pulse generator

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, std::size_t laenge) {
    Krv4Pruefschritt bild;
    std::memset(&bild, 0, sizeof bild);
    std::memcpy(&bild, daten, laenge < sizeof bild ? laenge : sizeof bild);
    auto zusatz = [&](std::size_t i) { return laenge > sizeof bild + i ? daten[sizeof bild + i] : 0; };
    const int programm = zusatz(0) % 16;
    const int schritt = zusatz(1) % 10;
    const int32_t rpgVorher = 1 + zusatz(2) % 4;

    HeadlessBackend& ui = UseHeadlessBackend();
    ui.AnswerMessage();
    Pruefschritt aus;
    std::memset(&aus, 0x5A, sizeof aus);
    aus.rpgMessbereich = rpgVorher;
    const Pruefschritt vorher = aus;
    const int status = Krv4NachPruefschritt(programm, schritt, bild, aus);

    int falsch = 0;
    const char* fehler = ErsterFehler(bild, &falsch);
    if (fehler) {
        if (status != -786000) Fund("a bad value was taken over");
        if (ui.Shown().size() != 1) Fund("not exactly one message for a refused step");
        char text[160];
        std::snprintf(text, sizeof text, "Fehler in Programm %d Schritt %d:\n%s (%d) ist ungültig", programm + 1,
                      schritt + 1, fehler, falsch);
        if (ui.Shown()[0].title != "KRV-4: Fehlerhafte Daten") Fund("message with another title");
        if (ui.Shown()[0].message != text) Fund("message that names another value");
        if (std::memcmp(vorher.fuellbytes1, aus.fuellbytes1, 4) != 0) Fund("padding changed");
        return 0;
    }
    if (status != 0) Fund("a good step refused");
    if (!ui.Shown().empty()) Fund("a message for a good step");

    const Pruefschritt& s = aus;
    // The name: the image's text up to its NUL, as far as the record holds it.
    std::string name(bild.schrittname, strnlen(bild.schrittname, sizeof bild.schrittname));
    if (name.size() >= sizeof s.name) name.resize(sizeof s.name - 1);
    if (std::string(s.name, strnlen(s.name, sizeof s.name)) != name) Fund("name not taken over");
    for (std::size_t i = name.size(); i < sizeof s.name; ++i)
        if (s.name[i] != 0) Fund("bytes of an earlier name left behind");

    auto flag = [](int32_t v) { return v == 0 || v == 1; };
    if (!flag(s.netzgeraetAktiv) || !flag(s.impulsAktiv) || !flag(s.messenBisWeiter) || !flag(s.differenzmessung) ||
        !flag(s.grenzenGut))
        Fund("a switch that is neither on nor off");
    for (uint8_t v : s.ventile)
        if (v > 1) Fund("a valve that is neither open nor closed");
    if (s.messgeraet < 1 || s.messgeraet > 6) Fund("an instrument the editor does not have");
    if (s.rpgMessbereich < 1 || s.rpgMessbereich > 4) Fund("an RPG range the ring does not have");
    if (bild.messgeraet < 4 || bild.messgeraet > 7) {
        if (s.rpgMessbereich != rpgVorher) Fund("RPG range changed by another instrument");
    }
    if (s.gutWenn != GUT_INNERHALB && s.gutWenn != GUT_AUSSERHALB) Fund("a pass rule the editor does not have");
    if (s.impulsEinschaltzeit != bild.impulseinzeit / 10.0 || s.impulsAusschaltzeit != bild.impulsauszeit / 10.0)
        Fund("pulse times not in milliseconds");
    if (!GleicheBits(s.netzgeraetU, bild.spannung) || !GleicheBits(s.netzgeraetI, bild.strom) ||
        !GleicheBits(s.untererGrenzwert, bild.unterergrenzwert) ||
        !GleicheBits(s.obererGrenzwert, bild.oberergrenzwert))
        Fund("a real value not taken over as it came");
    if (std::memcmp(vorher.fuellbytes1, s.fuellbytes1, 4) != 0 || std::memcmp(vorher.fuellbytes2, s.fuellbytes2, 4) != 0)
        Fund("padding changed");

    // Back into the device's representation: what the device holds and the
    // program carries comes out the same.
    Krv4Pruefschritt zurueck;
    PruefschrittNachKrv4(s, zurueck);
    if (zurueck.messgeraet != bild.messgeraet || zurueck.vergleich != bild.vergleich ||
        zurueck.messzeit != bild.messzeit || zurueck.impulseinzeit != bild.impulseinzeit ||
        zurueck.impulsauszeit != bild.impulsauszeit || zurueck.impulszyklen != bild.impulszyklen)
        Fund("an integer value does not convert back");
    if (zurueck.relaisgruppe1 != (bild.relaisgruppe1 & kBekannteRelais) || zurueck.relaisgruppe2 != 0 ||
        zurueck.schrittmodus != (bild.schrittmodus & 0x11))
        Fund("relays or step mode do not convert back");
    if (!GleicheBits(zurueck.spannung, bild.spannung) || !GleicheBits(zurueck.strom, bild.strom) ||
        !GleicheBits(zurueck.unterergrenzwert, bild.unterergrenzwert) ||
        !GleicheBits(zurueck.oberergrenzwert, bild.oberergrenzwert))
        Fund("a real value does not convert back");
    bool siebenBit = name.size() <= 20;
    for (unsigned char c : name) siebenBit = siebenBit && c < 0x80;
    if (siebenBit && name != zurueck.schrittname) Fund("a 7-bit name does not convert back");
    return 0;
}
