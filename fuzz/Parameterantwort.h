#pragma once

// Any bytes as the answer to a parameter read of one kind; the first input
// byte picks the parameter of that kind and the address. The result goes to
// a real, an integer and a text buffer of exactly 21 characters.
// Checked: the exact code of the answer byte, of a missing reply byte and of
// a reply that does not echo the command; on success only the result of the
// kind is written and it is the reply's value within its limits, and a
// plainly well-formed value is never refused; on failure nothing is written.

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/Geraetantwort.h"

namespace geraetantwort {

inline constexpr std::size_t kTextPuffer = 21;

inline bool Ziffern(std::string_view s, int basis) {
    if (s.empty()) return false;
    for (char c : s) {
        bool z = (c >= '0' && c <= '9') || (basis == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!z) return false;
    }
    return true;
}

inline int ParameterFuzz(QVLKRV4_Art art, const char* harness, const uint8_t* daten, std::size_t laenge) {
    if (laenge < 1) return 0;
    std::vector<const QVLKRV4_Parameter*> auswahl;
    for (int i = 0; i < QVLKRV4_ParameterAnzahl; ++i)
        if (QVLKRV4_Parameterliste[i].art == art) auswahl.push_back(&QVLKRV4_Parameterliste[i]);
    const QVLKRV4_Parameter& p = *auswahl[daten[0] % auswahl.size()];
    const char adresse = kAdressen[(daten[0] / auswahl.size()) % 15];
    std::string_view antwort = Eingabe(daten + 1, laenge - 1);
    auto port = PortMitAntwort(antwort);

    // On the heap at their exact sizes, so that one byte too many is a finding.
    auto real = std::make_unique<double>(-7.25);
    auto ganz = std::make_unique<int>(-12345);
    auto text = std::make_unique<char[]>(kTextPuffer);
    std::memset(text.get(), 0x5A, kTextPuffer);
    int r = QVLKRV4_ParameterLesen(1, adresse, p.name, real.get(), ganz.get(), text.get());

    const char befehl[] = {'#', adresse, p.code[0], p.code[1], 'R', '\r'};
    if (port->written != std::string_view(befehl, 6)) Fund(harness, "wrong command sent");

    int erwartet = NachAntwortbyte(antwort, {-402086, -405087, -403088, -404089});
    std::string_view antworttext;
    if (erwartet == 1) erwartet = Antworttext(antwort, 29, &antworttext) ? 2 : -404090;
    std::string_view wert;
    if (erwartet == 2) {
        bool kopf = antworttext.size() >= 6 && antworttext.substr(0, 5) == std::string_view(befehl, 5) &&
                    antworttext.back() == '\r';
        if (!kopf) {
            erwartet = -404091;
        } else {
            wert = antworttext.substr(5, antworttext.size() - 6);
            erwartet = r == 0 ? 0 : -404091;
        }
    }
    if (r != erwartet) Fund(harness, "unexpected result code");

    bool realGleich = *real == -7.25;
    bool ganzGleich = *ganz == -12345;
    bool textGleich = true;
    for (std::size_t i = 0; i < kTextPuffer; ++i) textGleich = textGleich && text[i] == 0x5A;

    if (r != 0) {
        if (!realGleich || !ganzGleich || !textGleich) Fund(harness, "a failed read changed a result");
        if (erwartet != -404091 || wert.data() == nullptr) return 0;
        // The value text is there: plain forms of the kind must be taken.
        std::string_view ohneMinus = !wert.empty() && wert[0] == '-' ? wert.substr(1) : wert;
        switch (art) {
            case QVLKRV4_GANZZAHL:
                if (Ziffern(ohneMinus, 10) && ohneMinus.size() <= 9) Fund(harness, "a plain integer was refused");
                break;
            case QVLKRV4_HEXZAHL:
                if (Ziffern(wert, 16) && wert.size() <= 8) Fund(harness, "a plain hex number was refused");
                break;
            case QVLKRV4_REALZAHL: {
                auto punkt = ohneMinus.find('.');
                if (punkt != std::string_view::npos && Ziffern(ohneMinus.substr(0, punkt), 10) &&
                    Ziffern(ohneMinus.substr(punkt + 1), 10))
                    Fund(harness, "a plain real number was refused");
                break;
            }
            case QVLKRV4_TEXT:
                if (wert.find('\0') == std::string_view::npos) Fund(harness, "a name was refused");
                break;
        }
        return 0;
    }

    // Success: the value the reply holds, in the result of its kind only.
    std::string w(wert);
    switch (art) {
        case QVLKRV4_GANZZAHL: {
            if (!realGleich || !textGleich) Fund(harness, "a result of another kind was written");
            char* ende = nullptr;
            long long v = std::strtoll(w.c_str(), &ende, 10);
            if (*ende != '\0' || w.find_first_not_of(" +-0123456789") != std::string::npos || v != *ganz)
                Fund(harness, "integer is not the reply's number");
            break;
        }
        case QVLKRV4_HEXZAHL: {
            if (!realGleich || !textGleich) Fund(harness, "a result of another kind was written");
            char* ende = nullptr;
            unsigned long long v = std::strtoull(w.c_str(), &ende, 16);
            if (*ende != '\0' || w.find_first_not_of(" +0123456789abcdefABCDEF") != std::string::npos ||
                v > 0xFFFFFFFFull || static_cast<unsigned>(v) != static_cast<unsigned>(*ganz))
                Fund(harness, "hex number is not the reply's number");
            break;
        }
        case QVLKRV4_REALZAHL: {
            if (!ganzGleich || !textGleich) Fund(harness, "a result of another kind was written");
            if (!std::isfinite(*real)) Fund(harness, "real number not finite");
            char* ende = nullptr;
            double v = std::strtod(w.c_str(), &ende);
            if (*ende != '\0' || v != *real) Fund(harness, "real number is not the reply's number");
            break;
        }
        case QVLKRV4_TEXT: {
            if (!realGleich || !ganzGleich) Fund(harness, "a result of another kind was written");
            std::size_t n = strnlen(text.get(), kTextPuffer);
            if (n > 20) Fund(harness, "name not terminated within 21 characters");
            if (n != std::min<std::size_t>(wert.size(), 20) || wert.substr(0, n) != std::string_view(text.get(), n))
                Fund(harness, "name is not the reply's text");
            break;
        }
    }
    return 0;
}

}  // namespace geraetantwort
