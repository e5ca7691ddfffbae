#include "errors/QVL_errorV3.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <string_view>

#include "toolkit/Toolkit.h"

int sgSprache = 1;

namespace {

struct Fehlertext {
    int klasse;
    const char* deutsch;
    const char* englisch;
};

// The whole vocabulary of the codes: many classes belong to other programs of
// the same family and are kept so that every code of the family has its text.
constexpr Fehlertext kTexte[] = {
    {0, "Es ist kein Fehler aufgetreten", "No error"},
    {-2, "Ein Fehler ist aufgetreten", "A error occured"},
    {-3, "Timeout erreicht", "Timeout reached"},
    {-4, "Abbruch durch Benutzer", "Aborted by user"},
    {-5, "Datum/Zeit Funktion fehlgeschlagen", "Date/time function failed"},
    {-6, "", ""},
    {-7, "Irgendwas ist schief gelaufen", "Something went wrong"},
    {-8, "Timer konnte nicht angesprochen werden", "Unable to access the timer"},

    {-100, "Fehler beim öffnen der seriellen Schnittstelle", "Error opening com-port"},
    {-101, "Fehler beim schreiben auf die serielle Schnittstelle", "Error writing to COM Port"},
    {-102, "Fehler beim lesen von der seriellen Schnittstelle", "Error reading from com-port"},
    {-103, "Fehler beim schliesen der seriellen Schnittstelle", "Error closing com-port"},
    {-110, "Ungültige COM-Port Nummer", "Invalid com-port number"},
    {-111, "Konnte kein Timeout für die serielle Schnittstelle setzten", "Unable to set com-port timeout"},
    {-112, "Fehler beim Leeren des Schreib- oder Leesepuffers der seriellen Schnittstelle",
     "Error flushing read- or writebuffer for com-port"},
    {-113, "Die Zeichenkette, die über die serielle Schnittstelle gesendet werden soll, ist zu lang",
     "The string to be sent over the com-port is too long"},
    {-114, "Keine oder nicht alle Zeichen konnten auf die serielle Schnittstelle geschrieben werden",
     "Was not able to write any or all characters to a com-port"},
    {-116, "Keine oder falsche Antwort vom vom seriellem Gerät", "No or wrong answer from serial device"},
    {-117,
     "Das Echo des Befehls, der über sie serielle Schnittstelle geschickt wurde, entspricht nicht dem "
     "ursprünglichen Befehl",
     "The echo of the command sent over the com-port does not match the original command"},
    {-118, "Das Gerät an der seriellen Schnittstelle hat die Befehlsausführung nicht korrekt bestätigt",
     "The device on the com-port did not acknowledge the command correctly"},
    {-119, "Das Gerät an der seriellen Schnittstelle meldet einen Fehler bei der Befehlsausführung",
     "The device on the com-port reports an error executing the command"},
    {-120, "Die von der seriellen Schnittstelle zurückgelesene Zeichenkette hat nicht das erwartete Format",
     "The string read back from the com-port does not have the expected format"},
    {-122, "Serielle Schnittstelle ist nicht geöffnet", "COM-port not open"},
    {-123, "Fehler beim Leeren des Schreibpuffers der seriellen Schnittstelle",
     "Error flushing writebuffer of com-port"},
    {-124, "Fehler beim Leeren des Lesepuffers der seriellen Schnittstelle", "Error flushing readbuffer of com-port"},
    {-125, "Unzulässige Baudrate", "Invalid Baudrate"},
    {-126, "Serielles Gerät meldet Befehlsausführung nicht möglich",
     "Serial device reports command not possible"},

    {-200, "Fehler beim verarbeiten des Spannungswertes", "Error processing the voltage value"},
    {-201, "Fehler beim verarbeiten des Stromwertes", "Error processing the current value"},
    {-202, "Fehler beim Formatieren der Werte", "Error formatting the values"},

    {-300, "Datei nicht gefunden", "File not found"},
    {-301, "Fehler beim Schreiben auf Datei", "Error writing to file"},
    {-302, "Die Datei ist nicht vom richtigen Typ", "Wrong filetype"},
    {-303, "Die Datei hat die falsche Versionsnummer", "Wrong fileversion"},
    {-304, "Fehler beim Lesen der Datei", "Error reading from file"},
    {-305, "Der Zugriff auf die Datei wurde verweigert", "Access to the file was denied"},
    {-306, "Die Datei konnte nicht gelöscht werden", "The file could not be deleted"},
    {-307, "Fehler beim Erstellen des Dateipfades", "Error creating the file path"},
    {-308, "Fehler beim Öffnen der Datei", "Error opening file"},
    {-310, "Fehler beim erstellen des Verzeichnisses", "Error creating the directory"},
    {-311, "Datei kann nicht editiert werden", "File cannot be edited"},
    {-312, "Aus Datei gelesene Daten haben nicht das erwartete Format",
     "Data read from file do not have the expected format"},
    {-315, "Arbeitsverzeichnis konnte nicht ermittel werden", "Unable to determine the working directory"},
    {-316, "Verzeichnis nicht gefunden", "Directory not found"},
    {-317, "Fehler beim Aufrufen des Dateiauswahlfensters", "Error opening the file selection dialog"},
    {-318, "Die Datei enthält ein nicht erlaubtes Zeichen.", "The file contains an invalid character."},
    {-319, "Eine Zeile in der Datei ist zu lang.", "A line in the file is too long."},
    {-320, "Die Datei enthält zu viele Werte.", "The file contains too many values."},
    {-321, "Die Datei enthält keine Werte.", "The file contains no values."},
    {-322, "Die Datei wurde beschädigt.", "The file is corrupted."},
    {-323, "Fehler beim Umbenennen der Datei.", "Error renaming the file."},
    {-324, "Die Datei existiert schon.", "The file already exists."},
    {-325, "Dateiattribut konnte nicht gesetzt werden.", "Unable to set the file attribute."},

    {-350, "Timeout:\nDruck konnte nicht aufgebaut werden.", "Timeout:\nUnable to build up pressure."},
    {-351, "Timeout:\nDruck hat sich nicht stabilisiert.", "Timeout:\nPressure did not stabilise."},
    {-352, "Timeout:\nVakuum hat sich nicht stabilisiert.", "Timeout:\nVacuum did not stabilise."},
    {-353, "Timeout:\nDruck konnte nicht abgelassen werden.", "Timeout:\nUnable to release pressure."},
    {-354, "Timeout:\nVakuum konnte nicht aufgebaut werden.", "Timeout:\nUnable to build up vacuum."},
    {-355, "Timeout:\nVakuum konnte nicht abgelassen werden.", "Timeout:\nUnable to release vacuum."},
    {-358, "Timeout:\nDruck hat sich nicht ausgeglichen.", "Timeout:\nPressure did not equalise."},
    {-359, "Druck zu Beginn der Messung bereits zu hoch.", "Pressure already too high at start of measurement."},
    {-360, "Vakuum zu Beginn der Messung bereits zu hoch.", "Vacuum already too high at start of measurement."},
    {-361, "Druck zu Beginn der Messung bereits zu niedrig.", "Pressure already too low at start of measurement."},
    {-362, "Vakuum zu Beginn der Messung bereits zu niedrig.", "Vacuum already too low at start of measurement."},
    {-363, "Timeout:\nDruck konnte nicht eingestellt werden.", "Timeout:\nUnable to set pressure."},
    {-380, "Wassersäule hat Maximum erreicht", "Water column reached maximum"},
    {-381, "Wassersäule hat Minimum erreicht", "Water column reached minimum"},
    {-382, "Wasservorrat hat Minimum erreicht", "Water supply reached minimum"},

    {-400, "Unzulässige Geräteadresse", "invalid deviceaddress"},
    {-401, "Unzulässiger Parameter", "invalid parameter"},
    {-402, "Fehlermeldung (NAK) vom Gerät erhalten", "Errormessage (NAK) received from device"},
    {-403, "Keine Antwort vom Gerät", "No answer from device"},
    {-404, "Fehlerhafte Antwort vom Gerät", "Wrong answer from device"},
    {-405, "Befehlsausführung momentan nicht möglich (CAN erhalten)",
     "Command not possible at the moment (CAN received)"},
    {-406, "Checksummenfehler bei der Übertragung", "Checksum error in transmission"},
    {-407, "Lesebefehl ist mit Sammeladresse nicht möglich", "Read command not possible with broadcast address"},
    {-408, "Fehlende Checksumme", "Missing checksum"},

    {-500, "Parameter außerhalb der Grenzwerte", "Parameter out of limits"},
    {-503, "Fehlende Werte", "Missing values"},
    {-504, "Falscher Parameter", "Wrong parameter"},
    {-505, "Die Daten sind fehlerhaft", "The data are faulty"},
    {-506, "Es sind keine negativen Werte erlaubt.", "Negative values are not allowed."},
    {-507, "Wert zu groß.", "Value too large."},
    {-508, "Wert zu klein.", "Value too small."},
    {-509, "Wert auserhalb der Toleranz.", "Value out of tolerance."},

    {-600, "Speicherreservierung fehlgeschlagen", "Memory allocation failed"},
    {-651, "Panel konnte nicht erstellt werden", "Unable to create panel"},
    {-652, "Bedienelement konnte nicht erstellt werden", "Unable to create control"},

    {-700, "Timeout:\nMeßeingang konnte nicht gelesen werden", "Timeout:\nUnable to read measuring input"},
    {-701, "Meßwerte können nicht schnell genug verarbeitet werden",
     "Measured values cannot be processed fast enough"},
    {-702, "Meßeingang konnten nicht gelesen werden", "Unable to read measuring input"},
    {-703, "Außentemperatursensor defekt oder nicht angeschlossen",
     "Ambient temperature sensor faulty or not connected"},
    {-704, "Außendrucksensor defekt oder nicht angeschlossen", "Ambient pressure sensor faulty or not connected"},

    {-760, "Digitalausgang konnte nicht gesetzt werden", "Unable to set digital output"},
    {-763, "Relaisposition konnte nicht abgefragt werden", "Unable to query relay position"},
    {-764, "Relais konnte nicht gesetzt werden", "Unable to set relay"},
    {-765, "Digitalausgang konnte nicht gelesen werden", "Unable to read digital output"},
    {-766, "Digitalport konnte nicht konfiguruert werden", "Unable to configure digital port"},

    {-780, "Gerät nicht gefunden", "Device not found"},
    {-783, "Regelkarte meldet Speicherfehler", "Control card reports memory error"},
    {-784, "Regelkarte wurde nicht gefunden.", "Control card not found."},
    {-785, "Es wurde ein Gerät vom falschen Typ gefunden.", "A device of the wrong type was found."},
    {-786, "Im Gerät gespeicherte Daten sind ungültig.", "Data saved in the device are invalid."},

    {-800, "Fehler beim schreiben in die INI-Datei", "Error writing to INI-File"},
    {-801, "Fehler beim lesen der INI-Datei", "Error reading from INI-File"},
    {-802, "INI-Datei nicht gefunden", "INI-File not found"},
    {-803, "INI-Datei ist beschädigt", "INI-File is corrupted"},
    {-805, "Prüfstandname in der INI-Datei ist ungültig", "Test stand name in INI-File is invalid"},

    {-850, "Verbindung mit der Datenbank konnte nicht hergestellt werden", "Unable to connect to the database"},
    {-851, "Fehler beim erstellen der Map für die Datenbanktabelle", "Error creating the map for the database table"},
    {-852, "Fehler beim öffnen der Datenbanktabelle", "Error opening the database table"},
    {-853, "Fehler beim erstellen der Datenbanktabelle", "Error creating the database table"},
    {-854, "Fehler beim anpassen der Datenbanktabelle", "Error adapting the database table"},
    {-855, "Fehler beim schreiben in die Datenbanktabelle", "Error writing to the database table"},

    {-880, "DAQ-Task konnte nicht erstellt werden", "Unable to create DAQ task"},
    {-894, "Ungültige Startadresse.", "Invalid start address."},
    {-895, "Ungültige Speichergröße.", "Invalid memory size."},
    {-896, "Ungültiger Speichertyp.", "Invalid memory type."},
    {-897, "Checksummenfehler im EEPROM Speicher.", "Checksum error in EEPROM memory."},
    {-898, "Ungültiger Speicherbereich.", "Invalid memory area."},

    {-1000,
     "Für diesen Prüfschritt ist als Grenzwertvergleich\nnur >&< erlaubt.\nPassen Sie den Vergleich im "
     "Sequenzeditor an.",
     "For this test step only >&< is allowed\nas limit comparison.\nAdjust the comparison in the sequence editor."},
    {-1001, "In der Protokolldatei wurde keine Information über\nden Losumfang gefunden.",
     "No information about the lot size\nwas found in the log file."},
    {-1002,
     "Die Anzahl der Prüfschritte stimmt nicht mit der Anzahl\nder Prüfschritte in der Protokolldatei für diese "
     "BA-Nr. überein.\nWahrscheinlich wurde dieser Auftrag mit einer\nanderen Sequenz erstellt.",
     "The number of test steps does not match the number\nof test steps in the log file for this order no.\n"
     "This order was probably created with\na different sequence."},
    {-1003,
     "Der Name eines Prüfschrittes stimmt nicht mit dem\nNamen in der Protokolldatei für diese BA-Nr. "
     "überein.\nWahrscheinlich wurde dieser Auftrag mit einer\nanderen Sequenz erstellt.",
     "The name of a test step does not match the\nname in the log file for this order no.\n"
     "This order was probably created with\na different sequence."},
    {-1004, "Falscher oder Fehlender Eintrag für Losumfang.\nErlaubter Bereich für die Seriennummern ist unklar.",
     "Wrong or missing entry for lot size.\nAllowed range of serial numbers is unclear."},
    {-1005,
     "Die Kombination aus vorhandenen Seriennummern\nund Losumfang ist ungülting.\nErlaubter Bereich für die "
     "Seriennummern ist unklar.",
     "The combination of existing serial numbers\nand lot size is invalid.\n"
     "Allowed range of serial numbers is unclear."},
    {-1007, "Auf die Datei mit Druck und Temperaturinformation\nkonnte nicht zugegriffen werden.",
     "Unable to access the file with pressure\nand temperature information."},
    {-1008, "Druck- und Temperaturinformationen\nsind zu alt.", "Pressure and temperature information\nis too old."},
    {-1010, "Unerlaubte Zeitbasis.", "Invalid time base."},
    {-1011, "Die Kurve besteht aus zu vielen Datenpunkten.", "The curve consists of too many data points."},
    {-1012, "Druck zu Beginn der Messung bereits zu hoch.", "Pressure already too high at start of measurement."},
    {-1013, "Vakuum zu Beginn der Messung bereits zu hoch.", "Vacuum already too high at start of measurement."},
    {-1014, "Gewichtsbereich überschritten", "Weight range exceeded"},
    {-1015, "Gewichtsbereich unterschritten", "Below weight range"},
    {-1016, "Unbekannte Gewichtseinheit", "Unknown weight unit"},
    {-1017, "Die Datei ist keine TWX-9 Kurvendatei.", "The file is not a TWX-9 curve file."},
    {-1018, "Die Datei mit dem Außendruck konnte nicht gelesen werden.",
     "Unable to read the file with the ambient pressure."},
    {-1019, "Protokolldatei nicht gefunden.", "Log file not found."},
    {-1020, "Temporäre Datei existiert bereits.", "Temporary file already exists."},
    {-1021, "Ungültiger Aussendruck.", "Invalid ambient pressure."},
    {-1022, "Ungültige Aussentemperatur.", "Invalid ambient temperature."},
    {-1023, "Aussendruck nicht vorhanden.", "Ambient pressure not available."},
    {-1024, "Kein Stromwert vorhanden.", "No current value available."},
    {-1025, "Prüflingsventile nicht konfiguriert\nPrüfschritt VPKonfig in die Sequenz aufnehmen!",
     "Test item valves not configured\nAdd test step VPKonfig to the sequence!"},
    {-1026, "Schaltventilzustand unbekannt.", "Switching valve state unknown."},
    {-1027, "Ansteuersignal konnte nicht ausgewertet werden.", "Unable to evaluate the control signal."},
};

constexpr Fehlertext kUnbekannt = {0, "Ein unbekannter Fehler ist aufgetreten", "A unknown error occured"};

constexpr bool KlassenEindeutig() {
    for (std::size_t i = 0; i < std::size(kTexte); ++i)
        for (std::size_t j = i + 1; j < std::size(kTexte); ++j)
            if (kTexte[i].klasse == kTexte[j].klasse) return false;
    return true;
}

constexpr std::size_t LaengsterText() {
    std::size_t laenge = std::max(std::string_view(kUnbekannt.deutsch).size(),
                                  std::string_view(kUnbekannt.englisch).size());
    for (const Fehlertext& t : kTexte)
        laenge = std::max({laenge, std::string_view(t.deutsch).size(), std::string_view(t.englisch).size()});
    return laenge;
}

static_assert(std::size(kTexte) == 146, "one row per class of the code scheme");
static_assert(KlassenEindeutig(), "a class selects exactly one row");

char sgFehlertext[LaengsterText() + 1];

// Titles are composed into a box of this many characters plus the NUL.
constexpr int kTitelMax = 99;

const Fehlertext& ZeileFuerKlasse(int klasse) {
    for (const Fehlertext& t : kTexte)
        if (t.klasse == klasse) return t;
    return kUnbekannt;
}

// The number is shown without its sign; widened so that INT_MIN has a magnitude too.
long long Fehlernummer(int code) { return -static_cast<long long>(code); }

bool IstStilleKlasse(int code) { return (code / 1000) * 1000 == -6000; }

}  // namespace

const char* QVL_Fehlermeldung(int code) {
    const Fehlertext& zeile = ZeileFuerKlasse(code / 1000);
    const char* text = sgSprache == 2 ? zeile.englisch : zeile.deutsch;
    std::snprintf(sgFehlertext, sizeof sgFehlertext, "%s", text);
    return sgFehlertext;
}

void QVL_Fehlerpopup(int code) {
    if (IstStilleKlasse(code)) return;
    char titel[kTitelMax + 1];
    std::snprintf(titel, sizeof titel, sgSprache == 2 ? "Error #%lld" : "Fehler #%lld", Fehlernummer(code));
    MessagePopup(titel, QVL_Fehlermeldung(code));
}

void QVL_Fehlerpopup2(int code, const char* title) {
    if (IstStilleKlasse(code)) return;
    char nummer[32];
    int nummerLaenge = std::snprintf(nummer, sizeof nummer, " #%lld", Fehlernummer(code));
    // The caller's title gives way to the number, never the other way round.
    int platz = kTitelMax - nummerLaenge;
    char titel[kTitelMax + 1];
    std::snprintf(titel, sizeof titel, "%.*s%s", platz, title ? title : "", nummer);
    MessagePopup(titel, QVL_Fehlermeldung(code));
}

void QVL_Fehlersprache(int language) { sgSprache = language; }
