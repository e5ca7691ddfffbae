#include "model/Schrittbearbeitung.h"

#include <cstring>
#include <initializer_list>
#include <string>

#include "model/Speicherhaken.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/Panelhandles.h"

namespace {

// The instrument selectors in the order the panel is read and the units are
// chosen; with several on, the last one wins.
struct Messgeraetwahl {
    int control;
    int code;
    const char* einheit;  // nullptr: depends on the RPG range
};

constexpr Messgeraetwahl kMessgeraete[] = {
    {PANEL_DRUCKAKTIV, MESSGERAET_DRUCK, "mbar"},  {PANEL_VAKUUMAKTIV, MESSGERAET_VAKUUM, "mbar"},
    {PANEL_FLOWAKTIV, MESSGERAET_FLOW, "nl/min"},  {PANEL_RPGAKTIV, MESSGERAET_RPG, nullptr},
    {PANEL_SPANNUNGAKTIV, MESSGERAET_SPANNUNG, "V"}, {PANEL_STROMAKTIV, MESSGERAET_STROM, "A"},
};

int Wert(int control) {
    int v = 0;
    GetCtrlVal(panelHandle, control, v);
    return v;
}

double Zahl(int control) {
    double v = 0.0;
    GetCtrlVal(panelHandle, control, v);
    return v;
}

const char* RpgEinheit() {
    switch (Wert(PANEL_RPGMESSBEREICH)) {
        case 1:
        case 2: return "Ohm";
        case 3:
        case 4: return "kOhm";
        default: return nullptr;
    }
}

}  // namespace

void SchrittAufPanelZeigen(int schrittIndex) {
    const Pruefschritt& s = gPruefschritte[schrittIndex];
    SetCtrlVal(panelHandle, PANEL_NETZGERAETAKTIV, s.netzgeraetAktiv);
    SetCtrlVal(panelHandle, PANEL_NETZGERAETU, s.netzgeraetU);
    SetCtrlVal(panelHandle, PANEL_NETZGERAETI, s.netzgeraetI);
    SetCtrlVal(panelHandle, PANEL_IMPULSEINSCHALTZEIT, s.impulsEinschaltzeit);
    SetCtrlVal(panelHandle, PANEL_IMPULSAUSSCHALTZEIT, s.impulsAusschaltzeit);
    SetCtrlVal(panelHandle, PANEL_IMPULSZYKLEN, s.impulsZyklen);
    SetCtrlVal(panelHandle, PANEL_IMPULSAKTIV, s.impulsAktiv);
    SetCtrlVal(panelHandle, PANEL_MESSWARTEZEIT, s.messwartezeit);
    SetCtrlVal(panelHandle, PANEL_MESSENBISWEITER, s.messenBisWeiter);
    SetCtrlVal(panelHandle, PANEL_DIFFERENZMESSUNG, s.differenzmessung);

    for (const Messgeraetwahl& m : kMessgeraete) SetCtrlVal(panelHandle, m.control, 0);
    for (const Messgeraetwahl& m : kMessgeraete)
        if (m.code == s.messgeraet) SetCtrlVal(panelHandle, m.control, 1);

    SetCtrlVal(panelHandle, PANEL_RPGMESSBEREICH, s.rpgMessbereich);
    SetCtrlVal(panelHandle, PANEL_UNTERERGRENZWERT, s.untererGrenzwert);
    SetCtrlVal(panelHandle, PANEL_OBERERGRENZWERT, s.obererGrenzwert);

    SetCtrlVal(panelHandle, PANEL_GUTINNERHALB, 0);
    SetCtrlVal(panelHandle, PANEL_GUTAUSSERHALB, 0);
    if (s.gutWenn == GUT_INNERHALB) SetCtrlVal(panelHandle, PANEL_GUTINNERHALB, 1);
    else if (s.gutWenn == GUT_AUSSERHALB) SetCtrlVal(panelHandle, PANEL_GUTAUSSERHALB, 1);
    SetCtrlVal(panelHandle, PANEL_GRENZENGUT, s.grenzenGut);

    GrenzwerteinheitenSetzen();

    for (int i = 0; i < kAnzahlVentile; ++i) SetCtrlVal(panelHandle, PANEL_K_OEFFNUNGDS + i, int{s.ventile[i]});
}

void PanelInSchrittLesen(Pruefschritt& s) {
    s.netzgeraetAktiv = Wert(PANEL_NETZGERAETAKTIV);
    s.netzgeraetU = Zahl(PANEL_NETZGERAETU);
    s.netzgeraetI = Zahl(PANEL_NETZGERAETI);
    s.impulsEinschaltzeit = Zahl(PANEL_IMPULSEINSCHALTZEIT);
    s.impulsAusschaltzeit = Zahl(PANEL_IMPULSAUSSCHALTZEIT);
    s.impulsZyklen = Wert(PANEL_IMPULSZYKLEN);
    s.impulsAktiv = Wert(PANEL_IMPULSAKTIV);
    s.messwartezeit = Wert(PANEL_MESSWARTEZEIT);
    s.messenBisWeiter = Wert(PANEL_MESSENBISWEITER);
    s.differenzmessung = Wert(PANEL_DIFFERENZMESSUNG);

    for (const Messgeraetwahl& m : kMessgeraete)
        if (Wert(m.control)) s.messgeraet = m.code;

    s.rpgMessbereich = Wert(PANEL_RPGMESSBEREICH);
    s.untererGrenzwert = Zahl(PANEL_UNTERERGRENZWERT);
    s.obererGrenzwert = Zahl(PANEL_OBERERGRENZWERT);

    if (Wert(PANEL_GUTINNERHALB)) s.gutWenn = GUT_INNERHALB;
    if (Wert(PANEL_GUTAUSSERHALB)) s.gutWenn = GUT_AUSSERHALB;
    s.grenzenGut = Wert(PANEL_GRENZENGUT);

    for (int i = 0; i < kAnzahlVentile; ++i) s.ventile[i] = Wert(PANEL_K_OEFFNUNGDS + i) ? 1 : 0;
}

void PruefschrittAusArrayLaden() { SchrittAufPanelZeigen(gPSindex); }

void PruefschrittInArraySpeichern() {
    if (!SpeicherDirekttestAktiv()) {
        PanelInSchrittLesen(gPruefschritte[gPSindex]);
        return;
    }
    // During a direct test the panel goes to the device and the working copy
    // stays as it is; a faulty step is not sent.
    Pruefschritt schritt = gPruefschritte[gPSindex];
    PanelInSchrittLesen(schritt);
    if (PruefschrittPlausibilitaetspruefung(&schritt) != 0) return;
    SpeicherDirekttestSenden(schritt);
}

void PruefschrittlisteAktualisieren() {
    ClearListCtrl(panelHandle, PANEL_LISTBOX);
    for (int i = 0; i < gPSanzahl; ++i) {
        const char* name = gPruefschritte[i].name;
        std::string text(name, strnlen(name, kNamenslaenge));
        InsertListItem(panelHandle, PANEL_LISTBOX, -1, text.c_str(), i);
    }
    SetCtrlVal(panelHandle, PANEL_LISTBOX, gPSindex);
}

void GrenzwerteinheitenSetzen() {
    for (const Messgeraetwahl& m : kMessgeraete) {
        if (!Wert(m.control)) continue;
        const char* einheit = m.einheit ? m.einheit : RpgEinheit();
        if (!einheit) continue;
        SetCtrlVal(panelHandle, PANEL_EINHEIT1, einheit);
        SetCtrlVal(panelHandle, PANEL_EINHEIT2, einheit);
    }
}

void PruefschrittAusListboxAktivieren() {
    int index = 0;
    if (GetCtrlVal(panelHandle, PANEL_LISTBOX, index) != 0) return;
    if (index < 0 || index >= gPSanzahl) return;
    gPSindex = index;
    PruefschrittAusArrayLaden();
}

int PruefschrittPlausibilitaetspruefung(const Pruefschritt* schritt) {
    const Pruefschritt& s = schritt ? *schritt : gPruefschritte[gPSindex];
    std::string meldung;
    if (s.netzgeraetAktiv && s.impulsAktiv)
        meldung += "Netzgerät und Impulsgenerator dürfen nicht gleichzeitig aktiv sein.\n";
    if ((s.netzgeraetAktiv || s.impulsAktiv) && s.messgeraet == MESSGERAET_RPG)
        meldung += "RPG darf nicht gleichzeitig mit Netzgerät oder Impulsgenerator aktiv sein.\n";
    if (s.untererGrenzwert > s.obererGrenzwert) meldung += "Oberer Grenzwert ist kleiner als Unterer Grenzwert.\n";
    if (meldung.empty()) return 0;
    MessagePopup("Fehler im Prüfschritt", meldung.c_str());
    return -1;
}

namespace {

// What undo names an edit of this control by.
std::string AenderungsName(int control) {
    switch (control) {
        case PANEL_MESSWARTEZEIT: return "Messwartezeit ändern";
        case PANEL_RPGMESSBEREICH: return "RPG-Messbereich ändern";
        case PANEL_GUTINNERHALB:
        case PANEL_GUTAUSSERHALB: return "Gutbedingung ändern";
        default: break;
    }
    for (const Messgeraetwahl& m : kMessgeraete)
        if (m.control == control) return "Messgerät wählen";
    std::string label;
    GetCtrlAttribute(panelHandle, control, ATTR_LABEL_TEXT, label);
    return label.empty() ? "Prüfschritt ändern" : label + " ändern";
}

void SchrittGeaendert(int control) {
    SpeicherVorher();
    // Edits of a direct test are dropped when it ends: nothing to save.
    if (!SpeicherDirekttestAktiv()) SpeicherDatenGeaendert();
    PruefschrittInArraySpeichern();
    SpeicherBearbeitet(AenderungsName(control).c_str());
}

// Exactly one of a group is on: the one the operator touched, even when it
// was on before and the click switched it off.
void NurDiesenEinschalten(int control, std::initializer_list<int> gruppe) {
    for (int c : gruppe) SetCtrlVal(panelHandle, c, 0);
    SetCtrlVal(panelHandle, control, 1);
}

}  // namespace

int AllgemeineAenderung_Callback(int, int control, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED) SchrittGeaendert(control);
    return 0;
}

int Grenzwerte_Callback(int, int control, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED) SchrittGeaendert(control);
    return 0;
}

int RpgMessbereich_Callback(int, int control, int event, void*, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    GrenzwerteinheitenSetzen();
    SchrittGeaendert(control);
    return 0;
}

int TogglegruppeMessgeraet_Callback(int, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    NurDiesenEinschalten(control, {PANEL_DRUCKAKTIV, PANEL_VAKUUMAKTIV, PANEL_FLOWAKTIV, PANEL_RPGAKTIV,
                                   PANEL_SPANNUNGAKTIV, PANEL_STROMAKTIV});
    GrenzwerteinheitenSetzen();
    SchrittGeaendert(control);
    return 0;
}

int TogglegruppeGrenzwerte_Callback(int, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    NurDiesenEinschalten(control, {PANEL_GUTINNERHALB, PANEL_GUTAUSSERHALB});
    SchrittGeaendert(control);
    return 0;
}

int Listbox_Callback(int, int, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED) PruefschrittAusListboxAktivieren();
    return 0;
}
