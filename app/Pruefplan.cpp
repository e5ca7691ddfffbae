#include "app/Pruefplan.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "app/Aenderungen.h"
#include "device/Krv4Funktionen.h"
#include "errors/QVL_errorV3.h"
#include "model/Programmverwaltung.h"
#include "platform/Datei.h"
#include "platform/Zeichensatz.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/Panelhandles.h"

namespace {

constexpr int kSchreibfehler = -301000;

std::string Name(const char (&name)[kNamenslaenge]) { return std::string(name, strnlen(name, kNamenslaenge)); }

// With the decimals the panel shows and a decimal comma.
std::string Zahl(double wert, int stellen) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", stellen, wert);
    for (char* c = text; *c; ++c)
        if (*c == '.') *c = ',';
    return text;
}

const char* EinAus(int wert) { return wert ? "ein" : "aus"; }
const char* JaNein(int wert) { return wert ? "ja" : "nein"; }

const char* RpgBereich(int bereich) {
    switch (bereich) {
        case 1: return "0 - 30,00 Ohm";
        case 2: return "0 - 300,0 Ohm";
        case 3: return "0 - 3,000 kOhm";
        case 4: return "0 - 30,00 kOhm";
        default: return "ungültiger Bereich";
    }
}

std::string Messgeraet(const Pruefschritt& s) {
    switch (s.messgeraet) {
        case MESSGERAET_DRUCK: return "Druck (0 - 2000 mbar)";
        case MESSGERAET_VAKUUM: return "Vakuum (0 - 800 mbar)";
        case MESSGERAET_FLOW: return "Flow (0 - 20 nl/min)";
        case MESSGERAET_RPG: return std::string("RPG (") + RpgBereich(s.rpgMessbereich) + ")";
        case MESSGERAET_SPANNUNG: return "Spannung (0 - 33 V)";
        case MESSGERAET_STROM: return "Strom (0 - 2 A)";
        default: return "keines";
    }
}

// The unit the panel shows beside the limits.
const char* Grenzwerteinheit(const Pruefschritt& s) {
    switch (s.messgeraet) {
        case MESSGERAET_DRUCK:
        case MESSGERAET_VAKUUM: return "mbar";
        case MESSGERAET_FLOW: return "nl/min";
        case MESSGERAET_RPG: return s.rpgMessbereich <= 2 ? "Ohm" : "kOhm";
        case MESSGERAET_SPANNUNG: return "V";
        case MESSGERAET_STROM: return "A";
        default: return "";
    }
}

// The valves by the names of their controls, V1 to V8 as a reader of the
// plan looks them up; the record keeps them in another order.
constexpr struct {
    int index;
    const char* name;
} kVentile[kAnzahlVentile] = {
    {4, "Bypass druckseitig (V1)"},    {2, "Widerstand druckseitig (V2)"}, {0, "Ansaugen/Abblasen auf DS (V3)"},
    {5, "Bypass saugseitig (V4)"},     {3, "Widerstand saugseitig (V5)"},  {1, "Ansaugen/Abblasen auf SS (V6)"},
    {6, "Externer Prüfdruck DS (V7)"}, {7, "Externer Prüfdruck SS (V8)"},
};

void Zeile(PrintDocument& plan, const std::string& text, const std::string& wert) {
    plan.lines.push_back({DocumentLine::Row, text, wert});
}

void SchrittEintragen(PrintDocument& plan, int nummer, const Pruefschritt& s) {
    plan.lines.push_back({DocumentLine::Subheading, "Prüfschritt " + std::to_string(nummer) + ": " + Name(s.name), ""});
    Zeile(plan, "Netzgerät", EinAus(s.netzgeraetAktiv));
    Zeile(plan, "Spannung [V]", Zahl(s.netzgeraetU, 2));
    Zeile(plan, "Strom [A]", Zahl(s.netzgeraetI, 2));
    Zeile(plan, "Impulsgenerator", EinAus(s.impulsAktiv));
    Zeile(plan, "Einschaltzeit [ms]", Zahl(s.impulsEinschaltzeit, 1));
    Zeile(plan, "Ausschaltzeit [ms]", Zahl(s.impulsAusschaltzeit, 1));
    Zeile(plan, "Zyklen", std::to_string(s.impulsZyklen));
    Zeile(plan, "Meßgerät", Messgeraet(s));
    Zeile(plan, "Messen", "nach " + std::to_string(s.messwartezeit) + " s messen");
    Zeile(plan, "Differenzmessung", JaNein(s.differenzmessung));
    Zeile(plan, "Weitermessen bis Weiter-Taste gedrückt wird", JaNein(s.messenBisWeiter));
    for (const auto& v : kVentile) Zeile(plan, v.name, EinAus(s.ventile[v.index]));
    const std::string einheit = Grenzwerteinheit(s);
    const std::string nachsatz = einheit.empty() ? "" : " " + einheit;
    Zeile(plan, "Unterer Grenzwert", Zahl(s.untererGrenzwert, 2) + nachsatz);
    Zeile(plan, "Oberer Grenzwert", Zahl(s.obererGrenzwert, 2) + nachsatz);
    const char* regel = s.gutWenn == GUT_INNERHALB   ? "Gut wenn innerhalb der Grenzen"
                        : s.gutWenn == GUT_AUSSERHALB ? "Gut wenn außerhalb der Grenzen"
                                                      : "keine";
    Zeile(plan, "Bewertung", regel);
    Zeile(plan, "Grenzen werden noch als gut geprüft", JaNein(s.grenzenGut));
}

std::string Heute() {
    std::time_t jetzt = std::time(nullptr);
    std::tm zeit{};
#ifdef _WIN32
    localtime_s(&zeit, &jetzt);
#else
    localtime_r(&jetzt, &zeit);
#endif
    char text[16];
    std::strftime(text, sizeof text, "%d.%m.%Y", &zeit);
    return text;
}

// As the title shows it: "?" for what code page 1252 cannot show.
std::string DateinameOhnePfad() {
    std::string laufwerk, verzeichnis, datei;
    SplitPath(gDateiname.c_str(), laufwerk, verzeichnis, datei);
    return Utf8NachCp1252Ersetzt(datei);
}

int PdfSpeichern(const PrintDocument& plan) {
    std::string laufwerk, verzeichnis, datei;
    SplitPath(gDateiname.c_str(), laufwerk, verzeichnis, datei);
    std::string pfad;
    int ergebnis = FileSelectPopup(verzeichnis.c_str(), "*.pdf", "*.pdf", "Als PDF speichern", VAL_SAVE_BUTTON, 0, 1,
                                   1, 1, pfad);
    if (ergebnis == VAL_NO_FILE_SELECTED) return 0;
    if (ergebnis < 0 || pfad.empty()) return kSchreibfehler;
    std::string pdf;
    if (RenderDocumentPdf(plan, pdf) != 0 || pdf.empty()) return kSchreibfehler;
    // The old file stays whole until the new one is complete.
    if (DateiSicherErsetzen(pfad.c_str(), pdf.data(), pdf.size()) != 0) return kSchreibfehler;
    return 0;
}

}  // namespace

void PruefplanErstellen(int erstes, int letztes, const char* datum, PrintDocument& plan) {
    plan = {};
    plan.title = "Prüfplan " + DateinameOhnePfad();
    plan.date = datum ? datum : "";
    plan.footer = "Seite %1 von %2";
    for (int i = erstes; i <= letztes && i < kAnzahlProgramme; ++i) {
        const Programm& prog = gProg[i];
        // The working copy is the truth for the program being edited.
        const bool bearbeitet = i == gProgIndex;
        const Pruefschritt* schritte = bearbeitet ? gPruefschritte : prog.schritte;
        int anzahl = bearbeitet ? gPSanzahl : prog.psAnzahl;
        if (anzahl < 0) anzahl = 0;
        if (anzahl > kMaxPruefschritte) anzahl = kMaxPruefschritte;
        plan.lines.push_back({DocumentLine::Heading, "Programm " + std::to_string(i + 1) + " - " + Name(prog.name), ""});
        for (int j = 0; j < anzahl; ++j) SchrittEintragen(plan, j + 1, schritte[j]);
    }
}

void Menu_Pruefplan(int, int menuItem, void*, int) {
    const bool alsPdf = menuItem == MENU_DATEI_PDF;
    int erstes = 0, letztes = 0;
    if (!ProgrammeWaehlen(alsPdf ? "Als PDF speichern" : "Drucken",
                          alsPdf ? "Nur aktuell ausgewähltes oder alle Programme als PDF speichern?"
                                 : "Nur aktuell ausgewähltes oder alle Programme drucken?",
                          erstes, letztes))
        return;
    PrintDocument plan;
    PruefplanErstellen(erstes, letztes, Heute().c_str(), plan);
    if (alsPdf) {
        if (int status = PdfSpeichern(plan); status != 0) QVL_Fehlerpopup(status);
    } else if (PrintDocumentDialog(plan) < 0) {
        MessagePopup("Drucken", "Der Prüfplan konnte nicht gedruckt werden.");
    }
}
