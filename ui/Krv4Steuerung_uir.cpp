#include "ui/Krv4Steuerung_uir.h"

#include <limits>

#include "app/Hauptpanel.h"
#include "app/Bearbeiten.h"
#include "app/Krv4Steuerung.h"
#include "app/Pruefplan.h"
#include "app/Zuletzt.h"
#include "device/Krv4Funktionen.h"
#include "model/Schrittbearbeitung.h"
#include "model/Schrittliste.h"
#include "panels/Com.h"
#include "panels/Direkttest.h"
#include "panels/Kalibrieren.h"
#include "toolkit/PanelDef.h"

// The panel file of the program: every panel with its controls, labels,
// ranges, initial values and callbacks.

namespace {

constexpr double kUnbounded = std::numeric_limits<double>::max();

#define ID(panel, name) panel##_##name, #name

constexpr ControlDef Command(int id, const char* name, const char* label, CtrlCallbackPtr cb = nullptr,
                             bool dimmed = false) {
    return {.id = id, .name = name, .kind = CtrlKind::Command, .label = label, .dimmed = dimmed, .callback = cb};
}

constexpr ControlDef Text(int id, const char* name, const char* text) {
    return {.id = id, .name = name, .kind = CtrlKind::TextMsg, .type = ValueType::Text, .initialText = text};
}

constexpr ControlDef Decoration(int id, const char* name) {
    return {.id = id, .name = name, .kind = CtrlKind::Decoration};
}

constexpr ControlDef Check(int id, const char* name, const char* label, CtrlCallbackPtr cb = nullptr) {
    return {.id = id, .name = name, .kind = CtrlKind::CheckBox, .label = label, .type = ValueType::Int,
            .callback = cb};
}

constexpr ControlDef Radio(int id, const char* name, const char* label, int initial,
                           CtrlCallbackPtr cb = nullptr) {
    return {.id = id, .name = name, .kind = CtrlKind::RadioButton, .label = label, .type = ValueType::Int,
            .initial = static_cast<double>(initial), .callback = cb};
}

constexpr ControlDef Real(int id, const char* name, const char* label, double initial, double min, double max,
                          int decimals, CtrlCallbackPtr cb = nullptr, bool indicator = false) {
    return {.id = id, .name = name, .kind = CtrlKind::Numeric, .label = label, .type = ValueType::Double,
            .initial = initial, .min = min, .max = max, .decimals = decimals, .indicator = indicator,
            .callback = cb};
}

constexpr ControlDef Integer(int id, const char* name, const char* label, int initial, int min, int max,
                             CtrlCallbackPtr cb = nullptr, bool indicator = false) {
    return {.id = id, .name = name, .kind = CtrlKind::Numeric, .label = label, .type = ValueType::Int,
            .initial = static_cast<double>(initial), .min = static_cast<double>(min),
            .max = static_cast<double>(max), .indicator = indicator, .callback = cb};
}

constexpr ControlDef Field(int id, const char* name, const char* label, const char* text, bool indicator,
                           CtrlCallbackPtr cb = nullptr) {
    return {.id = id, .name = name, .kind = CtrlKind::String, .label = label, .type = ValueType::Text,
            .initialText = text, .indicator = indicator, .callback = cb};
}

constexpr ControlDef Led(int id, const char* name, const char* label, bool dimmed = false, int onColor = 0xFF0000) {
    return {.id = id, .name = name, .kind = CtrlKind::Led, .label = label, .type = ValueType::Int,
            .dimmed = dimmed, .onColor = onColor};
}

constexpr ControlDef Toggle(int id, const char* name, const char* offText, const char* onText,
                            CtrlCallbackPtr cb = nullptr) {
    return {.id = id, .name = name, .kind = CtrlKind::Toggle, .label = offText, .type = ValueType::Int,
            .callback = cb, .onText = onText};
}

constexpr ControlDef Ring(int id, const char* name, const char* label, std::span<const ListItemDef> items,
                          int initialIndex, CtrlCallbackPtr cb = nullptr) {
    return {.id = id, .name = name, .kind = CtrlKind::Ring, .label = label, .type = ValueType::Int,
            .callback = cb, .items = items, .initialIndex = initialIndex};
}

constexpr ControlDef Picture(int id, const char* name, const char* picture) {
    return {.id = id, .name = name, .kind = CtrlKind::Picture, .picture = picture};
}

constexpr ListItemDef kPortPictures[] = {
    {"port_geschlossen", -1}, {"port_com1", 1}, {"port_com2", 2}, {"port_com3", 3},
    {"port_com4", 4},         {"port_com5", 5}, {"port_com6", 6},
};

constexpr ControlDef PortPicture(int id, const char* name, CtrlCallbackPtr cb = nullptr) {
    return {.id = id, .name = name, .kind = CtrlKind::PictureRing, .type = ValueType::Int, .callback = cb,
            .items = kPortPictures, .initialIndex = 0};
}

// For screen readers: the name of a control whose label does not say what it
// is, and the text control (a unit) that describes one.
constexpr ControlDef Named(ControlDef d, const char* name) {
    d.accessibleName = name;
    return d;
}
constexpr ControlDef DescribedBy(ControlDef d, int text) {
    d.describedBy = text;
    return d;
}

constexpr ControlDef ErrorLed(int id, const char* name) { return Led(id, name, "Fehler"); }
constexpr ControlDef ErrorText(int id, const char* name) { return Named(Field(id, name, "", "", true), "Fehlertext"); }
constexpr ControlDef ErrorNumber(int id, const char* name) {
    return Named(Integer(id, name, "", 0, 0, 0, nullptr, true), "Fehlernummer");
}

// ---- main panel ----

constexpr ListItemDef kRpgBereiche[] = {
    {"0 - 30,00 Ohm", 1}, {"0 - 300,0 Ohm", 2}, {"0 - 3,000 kOhm", 3}, {"0 - 30,00 kOhm", 4}};

const ControlDef kPanelControls[] = {
    {.id = PANEL_PROGRAMMLISTE, .name = "PROGRAMMLISTE", .kind = CtrlKind::Ring, .label = "Programm",
     .type = ValueType::Int, .callback = Programmliste_Callback},
    {.id = PANEL_LISTBOX, .name = "LISTBOX", .kind = CtrlKind::ListBox, .label = "Prüfschritte",
     .type = ValueType::Int, .callback = Listbox_Callback},
    Command(ID(PANEL, PRUEFSCHRITTNEU), "Neu", Pruefschrittaktionen_Callback),
    Command(ID(PANEL, PRUEFSCHRITTLOESCHEN), "Löschen", Pruefschrittaktionen_Callback),
    Command(ID(PANEL, PRUEFSCHRITTKOPIEREN), "Kopieren", Pruefschrittaktionen_Callback),
    Command(ID(PANEL, PRUEFSCHRITTEINFUEGEN), "Einfügen", Pruefschrittaktionen_Callback, true),
    Command(ID(PANEL, PRUEFSCHRITTUMBENENNE), "Umbenennen", Pruefschrittaktionen_Callback),
    Command(ID(PANEL, PRUEFSCHRITTAUFWAERTS), "^ Aufwärts", Pruefschrittaktionen_Callback),
    Command(ID(PANEL, PRUEFSCHRITTABWAERTS), "v Abwärts", Pruefschrittaktionen_Callback),
    Text(ID(PANEL, TEXTMSG), "Versorgung"),
    Check(ID(PANEL, NETZGERAETAKTIV), "Netzgerät", AllgemeineAenderung_Callback),
    Real(ID(PANEL, NETZGERAETU), "Spannung [V]", 0.0, 0.0, 33.0, 2, AllgemeineAenderung_Callback),
    Real(ID(PANEL, NETZGERAETI), "Strom [A]", 0.0, 0.0, 20.0, 2, AllgemeineAenderung_Callback),
    Check(ID(PANEL, IMPULSAKTIV), "Impulsgenerator", AllgemeineAenderung_Callback),
    Real(ID(PANEL, IMPULSAUSSCHALTZEIT), "Ausschaltzeit [ms]", 0.1, 0.1, 6553.5, 1, AllgemeineAenderung_Callback),
    Real(ID(PANEL, IMPULSEINSCHALTZEIT), "Einschaltzeit [ms]", 0.0, 0.0, 6553.5, 1, AllgemeineAenderung_Callback),
    Integer(ID(PANEL, IMPULSZYKLEN), "Zyklen", 1, 1, 65535, AllgemeineAenderung_Callback),
    Decoration(ID(PANEL, DECORATION_2)),
    Text(ID(PANEL, TEXTMSG_2), "Meßgeräte"),
    Named(Integer(ID(PANEL, MESSWARTEZEIT), "nach", 2, 1, 600, AllgemeineAenderung_Callback), "Meßwartezeit [s]"),
    Check(ID(PANEL, DIFFERENZMESSUNG), "Differenzmessung", AllgemeineAenderung_Callback),
    Check(ID(PANEL, MESSENBISWEITER), "Weitermessen bis Weiter-Taste gedrückt wird", AllgemeineAenderung_Callback),
    Field(ID(PANEL, DRUCKMESSBEREICH), "Druck", "0 - 2000 mbar", true),
    Field(ID(PANEL, VAKUUMMESSBEREICH), "Vakuum", "0 - 800 mbar", true),
    Field(ID(PANEL, FLOWMESSBEREICH), "Flow", "0 - 20 nl/min", true),
    Ring(ID(PANEL, RPGMESSBEREICH), "RPG", kRpgBereiche, 3, RpgMessbereich_Callback),
    Field(ID(PANEL, SPANNUNGMESSBEREICH), "Spannung", "0 - 33 V", true),
    Field(ID(PANEL, STROMMESSBEREICH), "Strom", "0 - 2 A", true),
    Named(Radio(ID(PANEL, DRUCKAKTIV), "", 0, TogglegruppeMessgeraet_Callback), "Druck"),
    Named(Radio(ID(PANEL, VAKUUMAKTIV), "", 0, TogglegruppeMessgeraet_Callback), "Vakuum"),
    Named(Radio(ID(PANEL, FLOWAKTIV), "", 0, TogglegruppeMessgeraet_Callback), "Flow"),
    Named(Radio(ID(PANEL, RPGAKTIV), "", 0, TogglegruppeMessgeraet_Callback), "RPG"),
    Named(Radio(ID(PANEL, SPANNUNGAKTIV), "", 0, TogglegruppeMessgeraet_Callback), "Spannung"),
    Named(Radio(ID(PANEL, STROMAKTIV), "", 0, TogglegruppeMessgeraet_Callback), "Strom"),
    Decoration(ID(PANEL, DECORATION_3)),
    Text(ID(PANEL, TEXTMSG_3), "Ventile"),
    Check(ID(PANEL, K_OEFFNUNGDS), "Ansaugen/Abblasen auf DS (V3)", AllgemeineAenderung_Callback),
    Check(ID(PANEL, K_OEFFNUNGSS), "Ansaugen/Abblasen auf SS (V6)", AllgemeineAenderung_Callback),
    Check(ID(PANEL, K_DROSSELDS), "Widerstand druckseitig (V2)", AllgemeineAenderung_Callback),
    Check(ID(PANEL, K_DROSSELSS), "Widerstand saugseitig (V5)", AllgemeineAenderung_Callback),
    Check(ID(PANEL, K_BYPASSDS), "Bypass druckseitig (V1)", AllgemeineAenderung_Callback),
    Check(ID(PANEL, K_BYPASSSS), "Bypass saugseitig (V4)", AllgemeineAenderung_Callback),
    Check(ID(PANEL, K_EXTDRUCKDS), "Externer Prüfdruck DS (V7)", AllgemeineAenderung_Callback),
    Check(ID(PANEL, K_EXTDRUCKSS), "Externer Prüfdruck SS (V8)", AllgemeineAenderung_Callback),
    Command(ID(PANEL, PNEUMATIKPLAN), "Pneumatikplan", Pneumatikplan_Callback),
    Decoration(ID(PANEL, DECORATION)),
    DescribedBy(Real(ID(PANEL, UNTERERGRENZWERT), "Unterer Grenzwert", 0.0, -kUnbounded, kUnbounded, 2,
                     Grenzwerte_Callback), PANEL_EINHEIT1),
    DescribedBy(Real(ID(PANEL, OBERERGRENZWERT), "Oberer Grenzwert", 0.0, -kUnbounded, kUnbounded, 2,
                     Grenzwerte_Callback), PANEL_EINHEIT2),
    Radio(ID(PANEL, GUTINNERHALB), "Gut wenn innerhalb der Grenzen", 1, TogglegruppeGrenzwerte_Callback),
    Radio(ID(PANEL, GUTAUSSERHALB), "Gut wenn außerhalb der Grenzen", 0, TogglegruppeGrenzwerte_Callback),
    Check(ID(PANEL, GRENZENGUT), "Grenzen werden noch als gut geprüft", AllgemeineAenderung_Callback),
    Toggle(ID(PANEL, DIREKTTEST), "Direkttest", "Direkttest beenden", Direkttest_Callback),
    Command(ID(PANEL, COMEINSTELLUNGEN), "Com Einstellungen", ComEinstellungen_Callback),
    Command(ID(PANEL, KALIBRIERUNG), "Kalibrierung", Kalibrierung_Callback),
    Command(ID(PANEL, GERAETSCHREIBEN), "zu KRV-4 schreiben", Krv4LesenSchreiben_Callback),
    Command(ID(PANEL, GERAETLESEN), "von KRV-4 lesen", Krv4LesenSchreiben_Callback),
    ErrorLed(ID(PANEL, FEHLERLED)),
    Command(ID(PANEL, GERAETVERGLEICHEN), "KRV-4 vergleichen", Krv4LesenSchreiben_Callback),
    PortPicture(ID(PANEL, PICTURERING), ComPicture_Callback),
    ErrorText(ID(PANEL, FEHLERSTRING)),
    ErrorNumber(ID(PANEL, FEHLERNUMMER)),
    Text(ID(PANEL, TEXTMSG_4), "s messen"),
    Decoration(ID(PANEL, DECORATION_4)),
    Text(ID(PANEL, TEXTMSG_6), "Grenzwerte"),
    Text(ID(PANEL, EINHEIT1), "V"),
    Text(ID(PANEL, EINHEIT2), "V"),
};

#define ZULETZT(n) \
    {.id = MENU_DATEI_ZULETZT_1 + (n), .name = "ZULETZT_" #n, .label = "", .callback = Menu_Zuletzt, .visible = false}
const MenuItemDef kMenuZuletzt[] = {ZULETZT(0), ZULETZT(1), ZULETZT(2), ZULETZT(3),
                                    ZULETZT(4), ZULETZT(5), ZULETZT(6), ZULETZT(7)};
#undef ZULETZT

const MenuItemDef kMenuDatei[] = {
    {MENU_DATEI_NEU, "NEU", "Neu", Menu_Datei},
    {MENU_DATEI_OEFFNEN, "OEFFNEN", "Öffnen", Menu_Datei},
    {.id = MENU_DATEI_ZULETZT, .name = "ZULETZT", .label = "Zuletzt geöffnet", .dimmed = true,
     .submenu = kMenuZuletzt},
    {MENU_DATEI_SPEICHERN, "SPEICHERN", "Speichern", Menu_Datei},
    {MENU_DATEI_SPEICHERNUNTER, "SPEICHERNUNTER", "Speichern unter", Menu_Datei},
    {MENU_DATEI_SEPARATOR, "SEPARATOR", nullptr},
    {MENU_DATEI_DRUCKEN, "DRUCKEN", "Drucken…", Menu_Pruefplan},
    {MENU_DATEI_PDF, "PDF", "Als PDF speichern…", Menu_Pruefplan},
    {MENU_DATEI_SEPARATOR_2, "SEPARATOR_2", nullptr},
    {MENU_DATEI_BEENDEN, "BEENDEN", "Beenden", Menu_Datei},
};

const MenuItemDef kMenuBearbeiten[] = {
    {MENU_BEARBEITEN_RUECKGAENGIG, "RUECKGAENGIG", "Rückgängig", Menu_Bearbeiten, true},
    {MENU_BEARBEITEN_WIEDERHERSTELLEN, "WIEDERHERSTELLEN", "Wiederherstellen", Menu_Bearbeiten, true},
};

const MenuItemDef kMenuProgramm[] = {
    {MENU_PROGRAMM_UMBENENNEN, "UMBENENNEN", "Umbenennen", Menu_Programm},
    {MENU_PROGRAMM_KOPIEREN, "KOPIEREN", "Kopieren", Menu_Programm},
    {MENU_PROGRAMM_EINFUEGEN, "EINFUEGEN", "Einfügen", Menu_Programm, true},
};

const MenuItemDef kMenuHilfe[] = {
    {MENU_HILFE_INFO, "INFO", "Info", Menu_Hilfe},
};

const MenuDef kMenus[] = {
    {MENU_DATEI, "DATEI", "Datei", kMenuDatei},
    {MENU_BEARBEITEN, "BEARBEITEN", "Bearbeiten", kMenuBearbeiten},
    {MENU_PROGRAMM, "PROGRAMM", "Programm", kMenuProgramm},
    {MENU_HILFE, "HILFE", "Hilfe", kMenuHilfe},
};

const MenuBarDef kMenuBar = {MENU, "MENU", kMenus};

// ---- COM panel ----

constexpr ListItemDef kPorts[] = {{"nicht geöffnet", -1}, {"COM 1", 1}, {"COM 2", 2}, {"COM 3", 3},
                                  {"COM 4", 4},           {"COM 5", 5}, {"COM 6", 6}};

constexpr ListItemDef kAdressen[] = {{"1", '1'}, {"2", '2'}, {"3", '3'}, {"4", '4'}, {"5", '5'},
                                     {"6", '6'}, {"7", '7'}, {"8", '8'}, {"9", '9'}, {"alle", '&'}};

// Filled with the ports present whenever the panel is shown.
constexpr ListItemDef kGeraetewahl[] = {{"Voreinstellung", 0}};

const ControlDef kComControls[] = {
    Ring(ID(COMPANEL, PORT), "COM-Port", kPorts, 0, PortSelect_Callback),
    Ring(ID(COMPANEL, ADRESSE), "Adresse", kAdressen, 0),
    Command(ID(COMPANEL, SCANN), "Scann", Scann_Callback),
    Named(Led(ID(COMPANEL, LED1), "1"), "Adresse 1"),
    Named(Led(ID(COMPANEL, LED2), "2"), "Adresse 2"),
    Named(Led(ID(COMPANEL, LED3), "3"), "Adresse 3"),
    Named(Led(ID(COMPANEL, LED4), "4"), "Adresse 4"),
    Named(Led(ID(COMPANEL, LED5), "5"), "Adresse 5"),
    Named(Led(ID(COMPANEL, LED6), "6"), "Adresse 6"),
    Named(Led(ID(COMPANEL, LED7), "7"), "Adresse 7"),
    Named(Led(ID(COMPANEL, LED8), "8"), "Adresse 8"),
    Named(Led(ID(COMPANEL, LED9), "9"), "Adresse 9"),
    Command(ID(COMPANEL, IDLESEN), "ID lesen", IDLesen_Callback),
    Field(ID(COMPANEL, IDSTRING), "ID", "", true),
    Text(ID(COMPANEL, TEXT), ""),
    Command(ID(COMPANEL, START), " Start", StartStopp_Callback),
    Command(ID(COMPANEL, STOPP), "Stopp", StartStopp_Callback),
    Toggle(ID(COMPANEL, STATUSABFRAGE), "Statusabfrage einschalten", "Statusabfrage ausschalten",
           Statusabfrage_Callback),
    Led(ID(COMPANEL, LEDSTATUS0), "Prüfung läuft", true, 0xFFD000),
    Led(ID(COMPANEL, LEDSTATUS1), "bestanden", true, 0x00FF00),
    Led(ID(COMPANEL, LEDSTATUS2), "nicht bestanden", true, 0xFF0000),
    Led(ID(COMPANEL, LEDSTATUS3), "abgebrochen", true, 0xFF8000),
    Led(ID(COMPANEL, LEDSTATUS6), "Direktbetrieb", true, 0x00A0FF),
    {.id = COMPANEL_STATUSTIMER, .name = "STATUSTIMER", .kind = CtrlKind::Timer, .callback = Statustimer_Callback,
     .interval = 0.5},
    PortPicture(ID(COMPANEL, PICTURERING), ComPicture_Callback),
    ErrorLed(ID(COMPANEL, FEHLERLED)),
    ErrorText(ID(COMPANEL, FEHLERSTRING)),
    ErrorNumber(ID(COMPANEL, FEHLERNUMMER)),
    Command(ID(COMPANEL, ZURUECK), "Zurück zum Hauptfenster", ComZurueck_Callback),
    Text(ID(COMPANEL, GERAET), ""),
    Ring(ID(COMPANEL, GERAETWAHL), "Gerät", kGeraetewahl, 0, GeraetWahl_Callback),
    Text(ID(COMPANEL, HINWEIS), ""),
};

// ---- progress, info, plan and string-input panels ----

// The bar counts the steps of a transfer; the operation sets its maximum.
const ControlDef kFortschrittControls[] = {
    Text(ID(FORTSCHPNL, TEXT), "..."),
    {.id = FORTSCHPNL_BALKEN, .name = "BALKEN", .kind = CtrlKind::ProgressBar, .type = ValueType::Int, .min = 0,
     .max = 1, .indicator = true, .accessibleName = "Fortschritt"},
};

const ControlDef kInfoControls[] = {
    Command(ID(INFOPANEL, OK), "OK", InfoOk_Callback),
    Named(Picture(ID(INFOPANEL, PICTURE), "info"), "Programmsymbol"),
    Text(ID(INFOPANEL, TEXTMSG), "QVL Prüf- und Messtechnik"),
    Text(ID(INFOPANEL, TEXTMSG_2), "Industriestraße 4, 71332 Waiblingen"),
    Text(ID(INFOPANEL, DATUM), ""),
    Text(ID(INFOPANEL, VERSION), ""),
    Text(ID(INFOPANEL, TEXTMSG_3), "KRV4-Steuerung"),
};

const ControlDef kPlanControls[] = {
    Named(Picture(ID(PLANPANEL, PICTURE), "pneumatikplan"), "Pneumatikplan"),
    Command(ID(PLANPANEL, OK), "OK", PlanOk_Callback),
    Text(ID(PLANPANEL, TEXTMSG), "Ventile sind im Ruhezustand geschlossen."),
};

const ControlDef kStringControls[] = {
    Field(ID(STRINGPNL, STRING), "", "", false, Stringeingabe_Callback),
};

// ---- calibration panel ----

constexpr ControlDef Gain(int id, const char* name) { return Real(id, name, "V", 1.0, -kUnbounded, kUnbounded, 6); }
constexpr ControlDef Offset(int id, const char* name) {
    return Real(id, name, "Off", 0.0, -kUnbounded, kUnbounded, 6);
}
constexpr ControlDef CalcInput(int id, const char* name, const char* label, double initial) {
    return Real(id, name, label, initial, -kUnbounded, kUnbounded, 6, RechnerEingabe_Callback);
}
constexpr ControlDef CalcResult(int id, const char* name, const char* label, double initial) {
    return Real(id, name, label, initial, -kUnbounded, kUnbounded, 6, nullptr, true);
}
constexpr ControlDef PictureButton(int id, const char* name, const char* label, const char* picture) {
    return {.id = id, .name = name, .kind = CtrlKind::Command, .label = label, .callback = Kalibrierbuttons_Callback,
            .picture = picture};
}

// A row of the table is named by its channel and its column's heading.
#define KANAL(prefix, label)                                                                         \
    Named(Gain(ID(KALPANEL, prefix##V)), label " V"), Named(Offset(ID(KALPANEL, prefix##OFF)), label " Off"), \
        Named(Command(ID(KALPANEL, prefix##BISHER), label, RechnerHolen_Callback), "Werte holen von " label), \
        Named(Command(ID(KALPANEL, prefix##NEU), label, RechnerUebernehmen_Callback), "Werte übernehmen als " label)

const ControlDef kKalControls[] = {
    KANAL(USOLL, "U Soll"),
    KANAL(ISOLL, "I Soll"),
    KANAL(DRUCK, "Druck"),
    KANAL(VAKUUM, "Vakuum"),
    KANAL(FLOW, "Flow"),
    KANAL(RPG30, "RPG 30 Ohm"),
    KANAL(RPG300, "RPG 300 Ohm"),
    KANAL(RPG3K, "RPG 3 kOhm"),
    KANAL(RPG30K, "RPG 30 kOhm"),
    KANAL(UIST, "Spannung"),
    KANAL(IIST, "Strom"),
    CalcInput(ID(KALPANEL, SOLL1), "Soll 1", 0.0),
    CalcInput(ID(KALPANEL, IST1), "Ist 1", 0.0),
    CalcInput(ID(KALPANEL, SOLL2), "Soll 2", 1.0),
    CalcInput(ID(KALPANEL, IST2), "Ist 2", 1.0),
    Named(CalcInput(ID(KALPANEL, VBISHER), "V", 1.0), "V bisher"),
    Named(CalcInput(ID(KALPANEL, OFFBISHER), "Off", 0.0), "Off bisher"),
    Named(CalcResult(ID(KALPANEL, VNEU), "V", 1.0), "V neu"),
    Named(CalcResult(ID(KALPANEL, OFFNEU), "Off", 0.0), "Off neu"),
    PictureButton(ID(KALPANEL, LADEN), "Kalibrierdaten laden", "laden"),
    PictureButton(ID(KALPANEL, SPEICHERN), "Kalibrierdaten speichern", "speichern"),
    PictureButton(ID(KALPANEL, KRV4LESEN), "Von KRV-4 lesen", "krv4lesen"),
    PictureButton(ID(KALPANEL, KRV4SCHREIBEN), "Zu KRV-4 schreiben", "krv4schreiben"),
    Command(ID(KALPANEL, ZURUECK), "Zurück", KalZurueck_Callback),
    PortPicture(ID(KALPANEL, PICTURERING), ComPicture_Callback),
    ErrorLed(ID(KALPANEL, FEHLERLED)),
    ErrorText(ID(KALPANEL, FEHLERSTRING)),
    ErrorNumber(ID(KALPANEL, FEHLERNUMMER)),
};

#undef KANAL
#undef ID

const PanelDef kPanels[] = {
    {.resourceId = COMPANEL, .name = "COMPANEL", .title = "COM-Einstellungen", .callback = ComPanel_Callback,
     .controls = kComControls},
    {.resourceId = FORTSCHPNL, .name = "FORTSCHPNL", .title = "Fortschritt", .controls = kFortschrittControls},
    {.resourceId = INFOPANEL, .name = "INFOPANEL", .title = "Info", .controls = kInfoControls},
    {.resourceId = KALPANEL, .name = "KALPANEL", .title = "Kalibrierung", .callback = KalPanel_Callback,
     .controls = kKalControls},
    {.resourceId = PANEL, .name = "PANEL", .title = "KRV04 Steuerung -", .callback = Panel_Callback,
     .controls = kPanelControls, .menuBar = &kMenuBar},
    {.resourceId = PLANPANEL, .name = "PLANPANEL", .title = "Pneumatikplan",
     .callback = PlanPanel_Callback, .controls = kPlanControls},
    {.resourceId = STRINGPNL, .name = "STRINGPNL", .title = "Stringeingabe", .controls = kStringControls},
};

const PanelFileDef kPanelFileDef = {kPanelFile, kPanels};

}  // namespace

const PanelFileDef& Krv4SteuerungPanelFile() { return kPanelFileDef; }
