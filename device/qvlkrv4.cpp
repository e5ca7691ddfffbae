#include "device/qvlkrv4.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/SerialPort.h"

namespace {

constexpr int ACK = 0x06;
constexpr int NAK = 0x15;
constexpr int CAN = 0x18;
constexpr char CR = '\r';

// A command is at most 31 characters: "#", address, two code characters,
// W or R, the value text and CR.
constexpr int kBefehlMax = 31;
constexpr int kKopf = 5;
constexpr int kWertMax = kBefehlMax - kKopf - 1;
constexpr int kAntwortMax = 29;
constexpr int kStatusAntwortMax = 14;
constexpr int kNameMax = 20;

// The codes one command returns at the steps of the exchange. flush == 0
// hands back the code of FlushInOut itself.
struct Codes {
    int flush;
    int schreiben;
    int kurz;
    int nak;
    int can;
    int stumm;
    int andere;
    int antwortByte;
};

constexpr Codes kIdCodes{0, -101008, -114009, -402010, -405011, -403012, -404013, -404014};
constexpr Codes kFunktionCodes{0, -101037, -101038, -402039, -405040, -403041, -404042, 0};
constexpr Codes kSetzenCodes{-112073, -101074, -101075, -402076, -405077, -403078, -404079, 0};
constexpr Codes kLesenCodes{-112083, -101084, -114085, -402086, -405087, -403088, -404089, -404090};
constexpr Codes kStatusCodes{0, -101138, -114139, -402140, -405141, -403142, -404143, -404144};

bool IstGeraeteadresse(char a) {
    return (a >= '1' && a <= '9') || (a >= 'a' && a <= 'f');
}

bool IstLeerzeichen(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Flush, one write, the bounded wait until the command has left the port,
// the answer byte and, when antwort is given, the reply text up to CR or the
// limit. *laenge receives the number of reply bytes collected.
int Austausch(int port, char adresse, const char* befehl, int befehlLaenge, const Codes& c, char* antwort = nullptr,
              int grenze = 0, int* laenge = nullptr) {
    if (int r = FlushInOut(port); r != 0) {
        return c.flush != 0 ? c.flush : r;
    }
    int geschrieben = ComWrt(port, befehl, befehlLaenge);
    if (geschrieben < 0) {
        return c.schreiben;
    }
    if (geschrieben != befehlLaenge) {
        return c.kurz;
    }
    // A line that does not drain counts as a failed write, so that a stuck
    // port cannot freeze the caller.
    if (WaitOutQEmpty(port) != 0) {
        return c.schreiben;
    }
    if (adresse == '&') {
        return 0;
    }
    int b = ComRdByte(port);
    if (b == NAK) {
        return c.nak;
    }
    if (b == CAN) {
        return c.can;
    }
    if (b < 0) {
        return c.stumm;
    }
    if (b != ACK) {
        return c.andere;
    }
    if (!antwort) {
        return 0;
    }
    int n = 0;
    while (n < grenze) {
        b = ComRdByte(port);
        if (b < 0) {
            return c.antwortByte;
        }
        antwort[n++] = static_cast<char>(b);
        if (b == CR) {
            break;
        }
    }
    antwort[n] = '\0';
    *laenge = n;
    return 0;
}


bool ImBereich(const QVLKRV4_Parameter& p, double realWert, int ganzWert, const char* textWert) {
    switch (p.art) {
        case QVLKRV4_GANZZAHL:
        case QVLKRV4_HEXZAHL:
            return ganzWert >= p.min && ganzWert <= p.max;
        case QVLKRV4_REALZAHL:
            return std::isfinite(realWert) && (!p.mitBereich || (realWert >= p.min && realWert <= p.max));
        case QVLKRV4_TEXT: {
            if (!textWert) {
                return false;
            }
            size_t n = std::strlen(textWert);
            // A CR inside the name would end the command early and a "#"
            // would start another one; the line carries 7 data bits: a byte
            // above 127 would arrive changed.
            for (const char* z = textWert; *z; ++z) {
                if (*z == CR || *z == '#' || static_cast<unsigned char>(*z) > 127) {
                    return false;
                }
            }
            return n >= p.min && n <= p.max;
        }
    }
    return false;
}

// Leading blanks and a plus sign are tolerated before a number.
const char* ZahlBeginn(const char* s, const char* ende) {
    while (s < ende && *s == ' ') {
        ++s;
    }
    if (s + 1 < ende && *s == '+' && *(s + 1) != '-') {
        ++s;
    }
    return s;
}

// The value text of a read reply [s, ende), CR already removed.
bool WertAuswerten(const QVLKRV4_Parameter& p, const char* s, const char* ende, double* realWert, int* ganzWert,
                   char* textWert) {
    if (std::memchr(s, '\0', static_cast<size_t>(ende - s))) {
        return false;
    }
    switch (p.art) {
        case QVLKRV4_GANZZAHL: {
            int v = 0;
            const char* a = ZahlBeginn(s, ende);
            auto [ptr, ec] = std::from_chars(a, ende, v, 10);
            if (ec != std::errc() || ptr != ende) {
                return false;
            }
            if (ganzWert) {
                *ganzWert = v;
            }
            return true;
        }
        case QVLKRV4_HEXZAHL: {
            std::uint32_t v = 0;
            const char* a = ZahlBeginn(s, ende);
            auto [ptr, ec] = std::from_chars(a, ende, v, 16);
            if (ec != std::errc() || ptr != ende) {
                return false;
            }
            if (ganzWert) {
                *ganzWert = static_cast<int>(v);
            }
            return true;
        }
        case QVLKRV4_REALZAHL: {
            double v = 0.0;
            const char* a = ZahlBeginn(s, ende);
            auto [ptr, ec] = std::from_chars(a, ende, v, std::chars_format::general);
            // "nan" or "inf" from the device is no value the caller can use.
            if (ec != std::errc() || ptr != ende || !std::isfinite(v)) {
                return false;
            }
            if (realWert) {
                *realWert = v;
            }
            return true;
        }
        case QVLKRV4_TEXT: {
            size_t n = static_cast<size_t>(ende - s);
            if (n > kNameMax) {
                n = kNameMax;
            }
            if (textWert) {
                std::memcpy(textWert, s, n);
                textWert[n] = '\0';
            }
            return true;
        }
    }
    return false;
}

}  // namespace

const QVLKRV4_Parameter QVLKRV4_Parameterliste[] = {
    {"anzahlschritte", "A1", QVLKRV4_GANZZAHL, 0, true, 0, 16},
    {"programmname", "N1", QVLKRV4_TEXT, 0, true, 1, kNameMax},
    {"schrittname", "N2", QVLKRV4_TEXT, 0, true, 1, kNameMax},
    {"unterergrenzwert", "L1", QVLKRV4_REALZAHL, 3, false, 0, 0},
    {"oberergrenzwert", "L2", QVLKRV4_REALZAHL, 3, false, 0, 0},
    {"messgeraet", "G1", QVLKRV4_GANZZAHL, 0, true, 1, 9},
    {"vergleich", "L3", QVLKRV4_GANZZAHL, 0, true, 1, 4},
    {"messzeit", "T1", QVLKRV4_GANZZAHL, 0, true, 0, 600},
    {"relaisgruppe1", "K1", QVLKRV4_HEXZAHL, 8, true, 0, 0x7FFFFFFF},
    {"relaisgruppe2", "K2", QVLKRV4_HEXZAHL, 8, true, 0, 0x7FFFFFFF},
    {"schrittmodus", "B1", QVLKRV4_HEXZAHL, 2, true, 0, 255},
    {"impulseinzeit", "W2", QVLKRV4_GANZZAHL, 0, true, 0, 65535},
    {"impulsauszeit", "W3", QVLKRV4_GANZZAHL, 0, true, 0, 65535},
    {"impulszyklen", "W1", QVLKRV4_GANZZAHL, 0, true, 0, 65536},
    {"spannung", "V1", QVLKRV4_REALZAHL, 3, true, 0.0, 40.95},
    {"strom", "C1", QVLKRV4_REALZAHL, 3, true, 0.0, 20.48},
    // Calibration values: gain "_v" and offset "_off" of each channel.
    {"usoll_v", "01", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"usoll_off", "02", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"isoll_v", "03", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"isoll_off", "04", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"druck_v", "05", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"druck_off", "06", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"vakuum_v", "07", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"vakuum_off", "08", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"flow_v", "09", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"flow_off", "10", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"rpg30_v", "11", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"rpg30_off", "12", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"rpg300_v", "13", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"rpg300_off", "14", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"rpg3k_v", "15", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"rpg3k_off", "16", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"rpg30k_v", "17", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"rpg30k_off", "18", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"spannung_v", "19", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"spannung_off", "20", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"strom_v", "21", QVLKRV4_REALZAHL, 6, false, 0, 0},
    {"strom_off", "22", QVLKRV4_REALZAHL, 6, false, 0, 0},
};

const int QVLKRV4_ParameterAnzahl = static_cast<int>(std::size(QVLKRV4_Parameterliste));

const QVLKRV4_Parameter* QVLKRV4_ParameterSuchen(const char* name) {
    if (!name) {
        return nullptr;
    }
    for (const auto& p : QVLKRV4_Parameterliste) {
        if (std::strcmp(p.name, name) == 0) {
            return &p;
        }
    }
    return nullptr;
}

int QVLKRV4_WertText(const QVLKRV4_Parameter* p, double realWert, int ganzWert, const char* textWert, char* puffer,
                     int groesse) {
    if (!p || !puffer || groesse < 1) {
        return -500070;
    }
    char text[kWertMax + 1];
    int n = 0;
    switch (p->art) {
        case QVLKRV4_GANZZAHL: {
            auto r = std::to_chars(text, text + kWertMax, ganzWert);
            n = static_cast<int>(r.ptr - text);
            break;
        }
        case QVLKRV4_HEXZAHL:
            n = std::snprintf(text, sizeof text, "%0*X", p->stellen, static_cast<unsigned>(ganzWert));
            break;
        case QVLKRV4_REALZAHL: {
            // Locale-independent: always a decimal point.
            if (!std::isfinite(realWert)) {
                return -500070;
            }
            auto r = std::to_chars(text, text + kWertMax, realWert, std::chars_format::fixed, p->stellen);
            if (r.ec != std::errc()) {
                return -500070;
            }
            n = static_cast<int>(r.ptr - text);
            break;
        }
        case QVLKRV4_TEXT: {
            if (!textWert) {
                return -500070;
            }
            size_t len = std::strlen(textWert);
            if (len > kWertMax) {
                return -500070;
            }
            std::memcpy(text, textWert, len);
            n = static_cast<int>(len);
            break;
        }
    }
    if (n < 0 || n > kWertMax || n + 1 > groesse) {
        return -500070;
    }
    std::memcpy(puffer, text, static_cast<size_t>(n));
    puffer[n] = '\0';
    return n;
}

int QVLKRV4_Open(int port, int baud) {
    if (baud != 9600) {
        return -125001;
    }
    if (port < 1 || port > 6) {
        return -100002;
    }
    char name[8];
    std::snprintf(name, sizeof name, "com%d", port);
    if (OpenComConfig(port, name, 9600, COM_PARITY_ODD, 7, 1, 512, 512) < 0) {
        return -100003;
    }
    return 0;
}

int QVLKRV4_Close(int port) {
    return CloseCom(port) < 0 ? -103004 : 0;
}

int QVLKRV4_Timeout(int port, double sekunden) {
    return SetComTime(port, sekunden) < 0 ? -111005 : 0;
}

int FlushInOut(int port) {
    if (FlushInQ(port) < 0) {
        return -124148;
    }
    if (FlushOutQ(port) < 0) {
        return -123149;
    }
    return 0;
}

int QVLKRV4_IDLesen(int port, char adresse, char* kennung) {
    if (!IstGeraeteadresse(adresse)) {
        return -400006;
    }
    const char befehl[] = {'#', adresse, 'I', 'D', 'R', CR};
    char a[kAntwortMax + 1];
    int n = 0;
    if (int r = Austausch(port, adresse, befehl, 6, kIdCodes, a, kAntwortMax, &n); r != 0) {
        return r;
    }
    // "#", the address, the identification up to the first blank, CR.
    if (n < 4 || a[0] != '#' || a[1] != adresse || a[n - 1] != CR) {
        return -404015;
    }
    int ende = 2;
    while (ende < n && !IstLeerzeichen(a[ende]) && a[ende] != '\0') {
        ++ende;
    }
    if (ende == 2 || ende != n - 1) {
        return -404015;
    }
    if (kennung) {
        std::memcpy(kennung, a + 2, static_cast<size_t>(ende - 2));
        kennung[ende - 2] = '\0';
    }
    return 0;
}

int QVLKRV4_DeviceFunction(int port, char adresse, const char* funktion) {
    if (!IstGeraeteadresse(adresse) && adresse != '&') {
        return -400034;
    }
    static constexpr struct {
        const char* name;
        char ziffer;
    } kFunktionen[] = {{"start", '1'}, {"stopp", '2'}, {"direktbetrieb", '3'}, {"programmierungabschliessen", '5'}};
    char ziffer = 0;
    for (const auto& f : kFunktionen) {
        if (funktion && std::strcmp(funktion, f.name) == 0) {
            ziffer = f.ziffer;
        }
    }
    if (!ziffer) {
        return -401035;
    }
    const char befehl[] = {'#', adresse, 'D', 'F', ziffer, CR};
    return Austausch(port, adresse, befehl, 6, kFunktionCodes);
}

int QVLKRV4_ProgrammUndSchrittEinstellen(int port, char adresse, int programm, int schritt) {
    if (!IstGeraeteadresse(adresse) && adresse != '&') {
        return -400069;
    }
    char befehl[40];
    int n = std::snprintf(befehl, sizeof befehl, "#%cP1S%02d%02d\r", adresse, programm, schritt);
    return Austausch(port, adresse, befehl, n, kSetzenCodes);
}

int QVLKRV4_StatusLesen(int port, char adresse, int statusTyp, int* status) {
    if (!IstGeraeteadresse(adresse)) {
        return -400135;
    }
    if (statusTyp != 1 && statusTyp != 2) {
        return -401136;
    }
    const char typ = statusTyp == 1 ? '1' : '2';
    const char befehl[] = {'#', adresse, 'S', typ, 'R', CR};
    char a[kStatusAntwortMax + 1];
    int n = 0;
    if (int r = Austausch(port, adresse, befehl, 6, kStatusCodes, a, kStatusAntwortMax, &n); r != 0) {
        return r;
    }
    // "#", address, "S", type digit, "R", one or two hexadecimal digits, CR.
    if (n < 7 || a[0] != '#' || a[1] != adresse || a[2] != 'S' || a[4] != 'R' || a[n - 1] != CR) {
        return -404145;
    }
    unsigned wert = 0;
    auto [ptr, ec] = std::from_chars(a + 5, a + n - 1, wert, 16);
    if (ec != std::errc() || ptr != a + n - 1 || n - 1 - 5 > 2) {
        return -404145;
    }
    if (a[3] != typ) {
        return statusTyp == 1 ? -404146 : -404147;
    }
    if (status) {
        *status = static_cast<int>(wert);
    }
    return 0;
}

int QVLKRV4_ParameterSchreiben(int port, char adresse, const char* name, double realWert, int ganzWert,
                               const char* textWert) {
    if (!IstGeraeteadresse(adresse) && adresse != '&') {
        return -400069;
    }
    const QVLKRV4_Parameter* p = QVLKRV4_ParameterSuchen(name);
    if (!p) {
        return -401071;
    }
    if (!ImBereich(*p, realWert, ganzWert, textWert)) {
        return -500070;
    }
    char befehl[kBefehlMax + 1] = {'#', adresse, p->code[0], p->code[1], 'W'};
    int n = QVLKRV4_WertText(p, realWert, ganzWert, textWert, befehl + kKopf, kWertMax + 1);
    if (n < 0) {
        return n;
    }
    befehl[kKopf + n] = CR;
    return Austausch(port, adresse, befehl, kKopf + n + 1, kSetzenCodes);
}

int QVLKRV4_ParameterLesen(int port, char adresse, const char* name, double* realWert, int* ganzWert,
                           char* textWert) {
    if (!IstGeraeteadresse(adresse)) {
        return -400080;
    }
    const QVLKRV4_Parameter* p = QVLKRV4_ParameterSuchen(name);
    if (!p) {
        return -401081;
    }
    const char befehl[] = {'#', adresse, p->code[0], p->code[1], 'R', CR};
    char a[kAntwortMax + 1];
    int n = 0;
    if (int r = Austausch(port, adresse, befehl, 6, kLesenCodes, a, kAntwortMax, &n); r != 0) {
        return r;
    }
    if (n < kKopf + 1 || std::memcmp(a, befehl, kKopf) != 0 || a[n - 1] != CR) {
        return -404091;
    }
    if (!WertAuswerten(*p, a + kKopf, a + n - 1, realWert, ganzWert, textWert)) {
        return -404091;
    }
    return 0;
}
