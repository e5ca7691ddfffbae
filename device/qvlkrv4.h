#pragma once

// Driver of the KRV-4 serial protocol: "#", address, three command characters,
// an optional value and CR; the device answers ACK, NAK or CAN and, for reads,
// a reply text. Stateless: every call names its port (1 to 6) and address
// ("1"-"9", "a"-"f"; "&" = all devices, no answer, setting commands only).
// Every function returns 0 or a negative status code.

int QVLKRV4_Open(int port, int baud);
int QVLKRV4_Close(int port);
int QVLKRV4_Timeout(int port, double sekunden);
int FlushInOut(int port);

// kennung: at least 28 characters; receives the identification text.
int QVLKRV4_IDLesen(int port, char adresse, char* kennung);
// funktion: "start", "stopp", "direktbetrieb" or "programmierungabschliessen".
int QVLKRV4_DeviceFunction(int port, char adresse, const char* funktion);
// Program 1-16 and step 1-10, as the device counts them.
int QVLKRV4_ProgrammUndSchrittEinstellen(int port, char adresse, int programm, int schritt);
// statusTyp 1 (the status byte) or 2.
int QVLKRV4_StatusLesen(int port, char adresse, int statusTyp, int* status);

// Only the value that matches the parameter's kind is used.
int QVLKRV4_ParameterSchreiben(int port, char adresse, const char* name, double realWert, int ganzWert,
                               const char* textWert);
// Only the result that matches the kind is written; textWert holds at least
// 21 characters. Integer and hexadecimal parameters go to ganzWert.
int QVLKRV4_ParameterLesen(int port, char adresse, const char* name, double* realWert, int* ganzWert,
                           char* textWert);

// The named device parameters.
enum QVLKRV4_Art : int {
    QVLKRV4_GANZZAHL,
    QVLKRV4_HEXZAHL,
    QVLKRV4_REALZAHL,
    QVLKRV4_TEXT,
};

struct QVLKRV4_Parameter {
    const char* name;
    const char* code;  // the two characters on the wire
    QVLKRV4_Art art;
    int stellen;        // hexadecimal digits or decimals
    bool mitBereich;    // whether min/max are checked on writing
    double min, max;    // value range; for texts the length
};

extern const QVLKRV4_Parameter QVLKRV4_Parameterliste[];
extern const int QVLKRV4_ParameterAnzahl;

// Exact, case-sensitive lookup; nullptr for an unknown name.
const QVLKRV4_Parameter* QVLKRV4_ParameterSuchen(const char* name);

// The value text of a write command for the parameter, without its range
// check: the length written (NUL added), or -500070 when the value is not
// finite or does not fit a command of 31 characters.
int QVLKRV4_WertText(const QVLKRV4_Parameter* parameter, double realWert, int ganzWert, const char* textWert,
                     char* puffer, int groesse);
