#include "device/ComProgramme.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "device/qvlkrv4.h"
#include "toolkit/Toolkit.h"

namespace {

constexpr int kDeviceNameMax = 20;

// Bit of each valve in relaisgruppe1, by its index in Pruefschritt::ventile.
constexpr int32_t kVentilBit[kAnzahlVentile] = {
    0x00020000,  // VENTIL_OEFFNUNG_DS
    0x00200000,  // VENTIL_OEFFNUNG_SS
    0x00040000,  // VENTIL_DROSSEL_DS
    0x00400000,  // VENTIL_DROSSEL_SS
    0x00080000,  // VENTIL_BYPASS_DS
    0x00800000,  // VENTIL_BYPASS_SS
    0x00010000,  // VENTIL_EXTDRUCK_DS
    0x00100000,  // VENTIL_EXTDRUCK_SS
};

// Milliseconds to tenths of a millisecond, rounded. A value no int can hold
// becomes -1, which the driver refuses before anything is sent.
int32_t Zehntelms(double ms) {
    double z = ms * 10.0 + 0.5;
    if (!(z > -2147483648.0 && z < 2147483648.0)) return -1;
    return static_cast<int32_t>(z);
}

// Instrument code of the device; 0 (refused by the driver) for a step that
// has none.
int32_t Geraetecode(int32_t messgeraet, int32_t rpgMessbereich) {
    switch (messgeraet) {
        case MESSGERAET_STROM: return 9;
        case MESSGERAET_SPANNUNG: return 8;
        case MESSGERAET_RPG: return rpgMessbereich >= 1 && rpgMessbereich <= 4 ? 3 + rpgMessbereich : 0;
        case MESSGERAET_DRUCK: return 1;
        case MESSGERAET_VAKUUM: return 2;
        case MESSGERAET_FLOW: return 3;
        default: return 0;
    }
}

void Fehlerhaft(int programmIndex, int schrittIndex, const char* was, int wert) {
    char text[160];
    std::snprintf(text, sizeof text, "Fehler in Programm %d Schritt %d:\n%s (%d) ist ungültig", programmIndex + 1,
                  schrittIndex + 1, was, wert);
    MessagePopup("KRV-4: Fehlerhafte Daten", text);
}

int Ganz(int port, char adresse, const char* name, int32_t wert) {
    return QVLKRV4_ParameterSchreiben(port, adresse, name, 0.0, wert, "");
}

int Real(int port, char adresse, const char* name, double wert) {
    return QVLKRV4_ParameterSchreiben(port, adresse, name, wert, 0, "");
}

int Text(int port, char adresse, const char* name, const char* wert) {
    return QVLKRV4_ParameterSchreiben(port, adresse, name, 0.0, 0, wert);
}

// "#" starts every frame and CR ends it; the other control characters
// include the device's answer bytes. None of them may stand in a name.
bool ZeichenAufDerLeitung(unsigned char z) { return z >= 0x20 && z < 0x7F && z != '#'; }

}  // namespace

void NameNachKrv4(const char* name, char* ziel, int groesse) {
    int n = 0;
    const int grenze = groesse - 1 < kDeviceNameMax ? groesse - 1 : kDeviceNameMax;
    auto anhaengen = [&](const char* s) {
        for (; *s && n < grenze; ++s) ziel[n++] = *s;
    };
    for (const unsigned char* z = reinterpret_cast<const unsigned char*>(name ? name : ""); *z && n < grenze; ++z) {
        // Code page 1252 values of the umlauts and sharp s.
        switch (*z) {
            case 0xE4: anhaengen("ae"); break;
            case 0xF6: anhaengen("oe"); break;
            case 0xFC: anhaengen("ue"); break;
            case 0xC4: anhaengen("Ae"); break;
            case 0xD6: anhaengen("Oe"); break;
            case 0xDC: anhaengen("Ue"); break;
            case 0xDF: anhaengen("ss"); break;
            default: ziel[n++] = ZeichenAufDerLeitung(*z) ? static_cast<char>(*z) : '?'; break;
        }
    }
    ziel[n] = '\0';
}

void PruefschrittNachKrv4(const Pruefschritt& s, Krv4Pruefschritt& b) {
    b = Krv4Pruefschritt{};
    char name[kNamenslaenge + 1];
    std::memcpy(name, s.name, kNamenslaenge);
    name[kNamenslaenge] = '\0';  // a record from a file need not be terminated
    NameNachKrv4(name, b.schrittname, sizeof b.schrittname);
    if (s.netzgeraetAktiv != 0) b.relaisgruppe1 |= kRelaisNetzgeraet;
    b.spannung = s.netzgeraetU;
    b.strom = s.netzgeraetI;
    if (s.impulsAktiv != 0) b.relaisgruppe1 |= kRelaisImpuls;
    b.impulseinzeit = Zehntelms(s.impulsEinschaltzeit);
    b.impulsauszeit = Zehntelms(s.impulsAusschaltzeit);
    b.impulszyklen = s.impulsZyklen;
    b.messzeit = s.messwartezeit;
    if (s.messenBisWeiter != 0) b.schrittmodus |= 0x01;
    if (s.differenzmessung != 0) b.schrittmodus |= 0x10;
    b.messgeraet = Geraetecode(s.messgeraet, s.rpgMessbereich);
    b.oberergrenzwert = s.obererGrenzwert;
    b.unterergrenzwert = s.untererGrenzwert;
    if (s.gutWenn == GUT_INNERHALB) b.vergleich = s.grenzenGut != 0 ? 2 : 1;
    else b.vergleich = s.grenzenGut != 0 ? 4 : 3;
    for (int v = 0; v < kAnzahlVentile; ++v)
        if (s.ventile[v] != 0) b.relaisgruppe1 |= kVentilBit[v];
}

int Krv4NachPruefschritt(int programmIndex, int schrittIndex, const Krv4Pruefschritt& b, Pruefschritt& s) {
    char name[sizeof b.schrittname];
    std::memcpy(name, b.schrittname, sizeof name);
    name[sizeof name - 1] = '\0';
    // Nothing of an earlier name stays behind the new one.
    std::memset(s.name, 0, sizeof s.name);
    NameSetzen(s.name, name);
    s.netzgeraetAktiv = (b.relaisgruppe1 & kRelaisNetzgeraet) ? 1 : 0;
    s.netzgeraetU = b.spannung;
    s.netzgeraetI = b.strom;
    s.impulsAktiv = (b.relaisgruppe1 & kRelaisImpuls) ? 1 : 0;
    if (b.impulseinzeit < 0 || b.impulseinzeit > 65535) {
        Fehlerhaft(programmIndex, schrittIndex, "Impulseinzeit", b.impulseinzeit);
        return -786000;
    }
    if (b.impulsauszeit < 1 || b.impulsauszeit > 65535) {
        Fehlerhaft(programmIndex, schrittIndex, "Impulsauszeit", b.impulsauszeit);
        return -786000;
    }
    if (b.impulszyklen < 1 || b.impulszyklen > 65535) {
        Fehlerhaft(programmIndex, schrittIndex, "Impulszyklen", b.impulszyklen);
        return -786000;
    }
    s.impulsEinschaltzeit = b.impulseinzeit / 10.0;
    s.impulsAusschaltzeit = b.impulsauszeit / 10.0;
    s.impulsZyklen = b.impulszyklen;
    if (b.messzeit < 0 || b.messzeit > 600) {
        Fehlerhaft(programmIndex, schrittIndex, "Meßzeit", b.messzeit);
        return -786000;
    }
    s.messwartezeit = b.messzeit;
    s.messenBisWeiter = (b.schrittmodus & 0x01) ? 1 : 0;
    s.differenzmessung = (b.schrittmodus & 0x10) ? 1 : 0;
    switch (b.messgeraet) {
        case 1: s.messgeraet = MESSGERAET_DRUCK; break;
        case 2: s.messgeraet = MESSGERAET_VAKUUM; break;
        case 3: s.messgeraet = MESSGERAET_FLOW; break;
        case 4:
        case 5:
        case 6:
        case 7:
            s.messgeraet = MESSGERAET_RPG;
            s.rpgMessbereich = b.messgeraet - 3;
            break;
        case 8: s.messgeraet = MESSGERAET_SPANNUNG; break;
        case 9: s.messgeraet = MESSGERAET_STROM; break;
        default: Fehlerhaft(programmIndex, schrittIndex, "Meßgerät", b.messgeraet); return -786000;
    }
    s.untererGrenzwert = b.unterergrenzwert;
    s.obererGrenzwert = b.oberergrenzwert;
    switch (b.vergleich) {
        case 1: s.gutWenn = GUT_INNERHALB; s.grenzenGut = 0; break;
        case 2: s.gutWenn = GUT_INNERHALB; s.grenzenGut = 1; break;
        case 3: s.gutWenn = GUT_AUSSERHALB; s.grenzenGut = 0; break;
        case 4: s.gutWenn = GUT_AUSSERHALB; s.grenzenGut = 1; break;
        default: Fehlerhaft(programmIndex, schrittIndex, "Vergleichsoperation", b.vergleich); return -786000;
    }
    for (int v = 0; v < kAnzahlVentile; ++v) s.ventile[v] = (b.relaisgruppe1 & kVentilBit[v]) ? 1 : 0;
    return 0;
}

int ProgrammkopfSchreiben(int port, char adresse, int programmIndex) {
    const Programm& p = gProg[programmIndex];
    char name[kNamenslaenge + 1];
    std::memcpy(name, p.name, kNamenslaenge);
    name[kNamenslaenge] = '\0';
    char geraetename[kDeviceNameMax + 1];
    NameNachKrv4(name, geraetename, sizeof geraetename);
    if (int r = QVLKRV4_ProgrammUndSchrittEinstellen(port, adresse, programmIndex + 1, 1)) return r;
    if (int r = Text(port, adresse, "programmname", geraetename)) return r;
    return Ganz(port, adresse, "anzahlschritte", p.psAnzahl);
}

int ProgrammkopfLesen(int port, char adresse, int programmIndex, Programm& programm) {
    if (int r = QVLKRV4_ProgrammUndSchrittEinstellen(port, adresse, programmIndex + 1, 1)) return r;
    programm.psIndex = 0;
    char name[kDeviceNameMax + 1] = "";
    if (int r = QVLKRV4_ParameterLesen(port, adresse, "programmname", nullptr, nullptr, name)) return r;
    std::memset(programm.name, 0, sizeof programm.name);
    NameSetzen(programm.name, name);
    int anzahl = 0;
    if (int r = QVLKRV4_ParameterLesen(port, adresse, "anzahlschritte", nullptr, &anzahl, nullptr)) return r;
    programm.psAnzahl = anzahl;
    return 0;
}

int SchrittparameterSchreiben(int port, char adresse, int programmIndex, int schrittIndex, Schreibumfang umfang,
                              const Krv4Pruefschritt& b) {
    const bool komplett = umfang == Komplett;
    int r = 0;
    if (komplett) {
        if ((r = QVLKRV4_ProgrammUndSchrittEinstellen(port, adresse, programmIndex + 1, schrittIndex + 1))) return r;
        char name[sizeof b.schrittname];
        std::memcpy(name, b.schrittname, sizeof name);
        name[sizeof name - 1] = '\0';
        if ((r = Text(port, adresse, "schrittname", name))) return r;
        if ((r = Ganz(port, adresse, "vergleich", b.vergleich))) return r;
        if ((r = Ganz(port, adresse, "messzeit", b.messzeit))) return r;
        if ((r = Real(port, adresse, "oberergrenzwert", b.oberergrenzwert))) return r;
        if ((r = Real(port, adresse, "unterergrenzwert", b.unterergrenzwert))) return r;
    }
    if ((r = Ganz(port, adresse, "messgeraet", b.messgeraet))) return r;
    if ((r = Ganz(port, adresse, "relaisgruppe1", b.relaisgruppe1))) return r;
    if ((r = Ganz(port, adresse, "relaisgruppe2", b.relaisgruppe2))) return r;
    if ((r = Ganz(port, adresse, "schrittmodus", b.schrittmodus))) return r;
    if ((r = Real(port, adresse, "spannung", b.spannung))) return r;
    if ((r = Real(port, adresse, "strom", b.strom))) return r;
    if (umfang == NurAusgaenge) return 0;
    if ((r = Ganz(port, adresse, "impulseinzeit", b.impulseinzeit))) return r;
    if ((r = Ganz(port, adresse, "impulsauszeit", b.impulsauszeit))) return r;
    return Ganz(port, adresse, "impulszyklen", b.impulszyklen);
}

int SchrittparameterLesen(int port, char adresse, int programmIndex, int schrittIndex, Krv4Pruefschritt& b) {
    if (int r = QVLKRV4_ProgrammUndSchrittEinstellen(port, adresse, programmIndex + 1, schrittIndex + 1)) return r;
    char name[kDeviceNameMax + 1] = "";
    if (int r = QVLKRV4_ParameterLesen(port, adresse, "schrittname", nullptr, nullptr, name)) return r;
    std::snprintf(b.schrittname, sizeof b.schrittname, "%s", name);
    const struct {
        const char* name;
        double* real;
        int32_t* ganz;
    } kFelder[] = {
        {"oberergrenzwert", &b.oberergrenzwert, nullptr},
        {"unterergrenzwert", &b.unterergrenzwert, nullptr},
        {"messgeraet", nullptr, &b.messgeraet},
        {"vergleich", nullptr, &b.vergleich},
        {"messzeit", nullptr, &b.messzeit},
        {"relaisgruppe1", nullptr, &b.relaisgruppe1},
        {"relaisgruppe2", nullptr, &b.relaisgruppe2},
        {"schrittmodus", nullptr, &b.schrittmodus},
        {"impulseinzeit", nullptr, &b.impulseinzeit},
        {"impulsauszeit", nullptr, &b.impulsauszeit},
        {"impulszyklen", nullptr, &b.impulszyklen},
        {"spannung", &b.spannung, nullptr},
        {"strom", &b.strom, nullptr},
    };
    for (const auto& f : kFelder) {
        int ganz = 0;
        int r = QVLKRV4_ParameterLesen(port, adresse, f.name, f.real, f.ganz ? &ganz : nullptr, nullptr);
        if (r) return r;
        if (f.ganz) *f.ganz = ganz;
    }
    return 0;
}

int ComProgramme_PruefschrittSchreiben(int port, char adresse, int mitImpuls, const Pruefschritt& schritt) {
    Krv4Pruefschritt bild;
    PruefschrittNachKrv4(schritt, bild);
    return SchrittparameterSchreiben(port, adresse, 0, 0, mitImpuls != 0 ? AusgaengeMitImpuls : NurAusgaenge, bild);
}
