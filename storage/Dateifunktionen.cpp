#include "storage/Dateifunktionen.h"

#include <cstring>
#include <string>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "model/Schrittbearbeitung.h"
#include "panels/Com.h"
#include "platform/Datei.h"
#include "storage/Ini.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

constexpr int kNichtGespeichert = -6000;
constexpr int kSchreibfehler = -301000;
constexpr int kFalscherTyp = -302000;
constexpr int kFalscheVersion = -303000;
constexpr int kLesefehler = -304000;
constexpr int kOeffnungsfehler = -308000;
constexpr int kUnerwartetesFormat = -312000;

constexpr const char* kDateimuster = "*.krv";

bool NameAbgeschlossen(const char (&name)[kNamenslaenge]) {
    return std::memchr(name, '\0', sizeof name) != nullptr;
}

// The store relies on these; the bytes of unused slots and padding are the
// file's own business and pass unchanged.
bool ProgrammHaltbar(const Programm& prog) {
    if (!NameAbgeschlossen(prog.name)) return false;
    if (prog.psAnzahl < 1 || prog.psAnzahl > kMaxPruefschritte) return false;
    if (prog.psIndex < 0 || prog.psIndex >= prog.psAnzahl) return false;
    for (int j = 0; j < prog.psAnzahl; ++j)
        if (!NameAbgeschlossen(prog.schritte[j].name)) return false;
    return true;
}

int BlockPruefen(const Datenblock& block) {
    // The kind text compared as a terminated string: its 21 characters and the NUL.
    if (std::memcmp(block.kennung, kDateikennung, sizeof kDateikennung) != 0) return kFalscherTyp;
    if (block.version != kDateiversion) return kFalscheVersion;
    if (block.progIndex < 0 || block.progIndex >= kAnzahlProgramme) return kUnerwartetesFormat;
    for (const Programm& prog : block.programme)
        if (!ProgrammHaltbar(prog)) return kUnerwartetesFormat;
    return 0;
}

void BlockUebernehmen(const Datenblock& block) {
    gProgIndex = block.progIndex;
    std::memcpy(gProg, block.programme, sizeof gProg);
    ProgrammverwaltungNachDateiLaden();
}

// The old file stays whole until the new one is complete on the disk; a
// target that may not be written is refused before anything is written.
int BlockSchreiben(const std::string& pfad, const Datenblock& block) {
    return DateiSicherErsetzen(pfad.c_str(), &block, sizeof block);
}

}  // namespace

void DatenblockErstellen(Datenblock& block) {
    std::memset(&block, 0, sizeof block);
    std::memcpy(block.kennung, kDateikennung, sizeof kDateikennung);
    block.version = kDateiversion;
    std::memcpy(block.programme, gProg, sizeof block.programme);
    block.progIndex = gProgIndex;
}

int DatenblockPruefen(const unsigned char* daten, std::size_t laenge) {
    if (daten == nullptr || laenge < kDatenblockGroesse) return kLesefehler;
    Datenblock block;
    std::memcpy(&block, daten, sizeof block);
    return BlockPruefen(block);
}

int DatenblockUebernehmen(const unsigned char* daten, std::size_t laenge) {
    if (daten == nullptr || laenge < kDatenblockGroesse) return kLesefehler;
    Datenblock block;
    std::memcpy(&block, daten, sizeof block);
    int status = BlockPruefen(block);
    if (status != 0) return status;
    BlockUebernehmen(block);
    return 0;
}

int DateiSpeichern(int neuerName) {
    if (PruefschrittPlausibilitaetspruefung() != 0) {
        MessagePopup("Fehler im Prüfschritt", "Datei wurde nicht gespeichert");
        return kNichtGespeichert;
    }
    std::string laufwerk, verzeichnis, datei;
    SplitPath(gDateiname.c_str(), laufwerk, verzeichnis, datei);

    std::string pfad;
    if (neuerName != 0 || gDateiname == kUnbenannt) {
        int ergebnis = FileSelectPopup((laufwerk + verzeichnis).c_str(), kDateimuster, kDateimuster, "Speichern",
                                       VAL_SAVE_BUTTON, 0, 1, 1, 1, pfad);
        if (ergebnis == VAL_NO_FILE_SELECTED) return kNichtGespeichert;
        if (ergebnis < 0) return kSchreibfehler;
    } else {
        pfad = gDateiname;
    }

    ProgrammverwaltungVorDateiSpeichern();
    if (pfad.empty()) return kSchreibfehler;
    Datenblock block;
    DatenblockErstellen(block);
    if (BlockSchreiben(pfad, block) != 0) return kSchreibfehler;

    DateinameSetzen(pfad.c_str());
    PaneltitelAktualisieren();
    AlsGespeichertSetzen();
    return 0;
}

int DateiOeffnen() {
    std::string laufwerk, verzeichnis, datei;
    SplitPath(gDateiname.c_str(), laufwerk, verzeichnis, datei);

    std::string pfad;
    int ergebnis = FileSelectPopup((laufwerk + verzeichnis).c_str(), kDateimuster, kDateimuster, "Öffnen", VAL_LOAD_BUTTON,
                                   0, 1, 1, 0, pfad);
    if (ergebnis == VAL_NO_FILE_SELECTED) return kNichtGespeichert;
    if (ergebnis != VAL_EXISTING_FILE_SELECTED) return kOeffnungsfehler;
    return DateiLaden(pfad.c_str());
}

int DateiLaden(const char* pfad) {
    if (pfad == nullptr || *pfad == '\0') return kOeffnungsfehler;
    int handle = DateiOeffnenZumLesen(pfad);
    if (handle < 0) return kOeffnungsfehler;
    Datenblock block;
    long gelesen = DateiLesen(handle, &block, sizeof block);
    DateiSchliessen(handle);
    if (gelesen < static_cast<long>(sizeof block)) return kLesefehler;

    int status = BlockPruefen(block);
    if (status != 0) return status;

    DateinameSetzen(pfad);
    PaneltitelAktualisieren();
    AlsGespeichertSetzen();
    BlockUebernehmen(block);
    return 0;
}

namespace {

constexpr int kIniFehlt = -802409;
constexpr int kIniUnlesbar = -801410;
constexpr int kIniNichtGeschrieben = -800411;
constexpr const char* kAbschnitt = "KRV4";

bool PortGueltig(int port) { return port >= 1 && port <= 6; }
bool AdresseGueltig(int adresse) { return (adresse >= '1' && adresse <= '9') || adresse == '&'; }

}  // namespace

int IniLaden() {
    IniText ini = Ini_New(1);
    if (!ini) return kIniUnlesbar;
    int status = Ini_ReadFromFile(ini, kEinstellungsdatei);
    if (status < 0) {
        Ini_Dispose(ini);
        return status == kIniDateiFehlt ? kIniFehlt : kIniUnlesbar;
    }

    int wert = 0;
    if (Ini_GetInt(ini, kAbschnitt, "port", &wert) > 0 && PortGueltig(wert)) {
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, wert);
        int fehler = Com_OpenComPort();
        if (fehler < 0) {
            SetCtrlVal(comPanelHandle, COMPANEL_PORT, -1);
            Com_ComFehlerSetzen(fehler);
        }
        Com_PortbilderSetzen();
    }
    // After the port: the stored last port wins over the one just opened.
    if (Ini_GetInt(ini, kAbschnitt, "lport", &wert) > 0 && PortGueltig(wert)) Com_SetzeLetztenComPort(wert);
    if (Ini_GetInt(ini, kAbschnitt, "adresse", &wert) > 0 && AdresseGueltig(wert))
        SetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, wert);

    Ini_Dispose(ini);
    return 0;
}

int IniSchreiben() {
    IniText ini = Ini_New(1);
    if (!ini) return kIniNichtGeschrieben;
    int adresse = 0, port = -1;
    GetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, adresse);
    GetCtrlVal(comPanelHandle, COMPANEL_PORT, port);
    // The address is stored as the code of its character, with the sign a char has.
    int status = Ini_PutInt(ini, kAbschnitt, "adresse", static_cast<signed char>(adresse));
    if (status == 0) status = Ini_PutInt(ini, kAbschnitt, "port", port);
    if (status == 0) status = Ini_PutInt(ini, kAbschnitt, "lport", Com_LetzterComPort());
    if (status == 0) status = Ini_WriteToFile(ini, kEinstellungsdatei);
    Ini_Dispose(ini);
    return status == 0 ? 0 : kIniNichtGeschrieben;
}
