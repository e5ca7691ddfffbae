#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// The calibration panel: gain (V) and offset (Off) of the device's eleven
// channels, read from and written to the device, kept in calibration files,
// and worked out with a two-point calculator. Offered only with the service
// switch.

static_assert(std::endian::native == std::endian::little);

inline constexpr int kAnzahlKalibrierkanaele = 11;
inline constexpr int kAnzahlKalibrierwerte = 2 * kAnzahlKalibrierkanaele;
inline constexpr char kKalibrierkennung[] = "QVLKRV4TST1 Kalibrierung";
inline constexpr int32_t kKalibrierformat = 0;

// One record, in memory and in a "*.krk" file: 216 bytes, little-endian.
struct Kalibrierwerte {
    char kennung[32];  // the header text, NUL-terminated; the rest not significant
    int32_t format;
    uint8_t fuellbytes[4];
    double werte[kAnzahlKalibrierwerte];  // V and Off of channel 1, of channel 2, ...
};

static_assert(sizeof(Kalibrierwerte) == 216);
static_assert(offsetof(Kalibrierwerte, kennung) == 0);
static_assert(offsetof(Kalibrierwerte, format) == 32);
static_assert(offsetof(Kalibrierwerte, fuellbytes) == 36);
static_assert(offsetof(Kalibrierwerte, werte) == 40);
static_assert(sizeof(kKalibrierkennung) == 25);

inline constexpr std::size_t kKalibrierwerteGroesse = sizeof(Kalibrierwerte);

// A channel: its name, its two device parameters and its four controls.
struct Kalibrierkanal {
    const char* name;
    const char* parameterV;
    const char* parameterOff;
    int v, off, bisher, neu;
};

// In the fixed order of the panel, the file and the device.
extern const Kalibrierkanal kKalibrierkanaele[kAnzahlKalibrierkanaele];
// Device parameter of value i of a record (V before Off).
const char* KalibrierParameter(int i);

// ---- the record, without the panel ----

// Header, format 0, every gain 1.0 and every offset 0.0.
void KalibrierwerteGrundstellung(Kalibrierwerte& werte);
// Checks the bytes of a calibration file (only the first 216 count) and,
// when they pass, copies them into werte (if given): 0, -304000 (too short),
// -302000 (header), -303000 (format) or -312000 (a value that is not a
// finite number). werte is untouched unless the result is 0.
int KalibrierdatenPruefen(const unsigned char* daten, std::size_t laenge, Kalibrierwerte* werte);
// Reads a calibration file: 0, -308000 (cannot be opened) or a code of
// KalibrierdatenPruefen. werte is untouched on failure.
int KalibrierdateiLesen(const char* pfad, Kalibrierwerte& werte);
// Saves the record so that the file that was there stays whole until the new
// one is complete: 0, -308006 (cannot be created, or an existing file is
// write-protected) or -301007 (not written; the old file is unchanged).
int KalibrierdateiSchreiben(const char* pfad, const Kalibrierwerte& werte);

// The 22 parameters in record order. -122000 without a port (-1); else the
// first failure's code. On failure werte is untouched.
int KalibrierwerteVomGeraetLesen(int port, char adresse, Kalibrierwerte& werte);
// -122000 without a port; -500070 before anything is sent when a value
// cannot be written (not finite, too long for a command); else the first
// failure's code, the values before it having been written.
int KalibrierwerteZumGeraetSchreiben(int port, char adresse, const Kalibrierwerte& werte);

// ---- the panel ----

// The 22 controls into a record (header, format 0), and back.
void KalibrierwerteVomPanel(Kalibrierwerte& werte);
void KalibrierwerteAufsPanel(const Kalibrierwerte& werte);

// File dialog, then load or save. 0 also when cancelled; else the file code.
int KalibrierdatenLaden();
int KalibrierdatenSpeichern();
// Port and address of the COM module. The panel is changed only after all
// 22 values have been read.
int KalibrierwerteLesen();
int KalibrierwerteSchreiben();

// The two-point calculator from its six inputs into its two results.
void RechnerBerechnen();

// Main panel -> calibration panel, only with the service switch.
void KalibrierPanelZeigen();

int Kalibrierbuttons_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                              int eventData2);
int RechnerEingabe_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                            int eventData2);
int RechnerHolen_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                          int eventData2);
int RechnerUebernehmen_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                                int eventData2);
int KalZurueck_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
// Close box of the calibration panel: the same as "Zurück".
// A calibration file dropped on the panel loads as its load button would load it.
void KalibrierdateiAbgelegt();
int KalPanel_Callback(int panel, int event, void* callbackData, int eventData1, int eventData2);
