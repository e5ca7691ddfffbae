#pragma once

// The serial port of the whole program: which COM port is open, which was open
// last, the device address, the COM panel with scan, identification, start/stop
// and status polling, and the error display shared by the main, COM and
// calibration panels.

extern int gComPort;          // open port 1..6, -1 when none is open
extern int gLetzterComPort;   // port opened successfully last, 1..6 or -1

// Opens the port chosen in the COM panel's PORT ring: 0 or the driver's code.
int Com_OpenComPort();
// Closes the open port, if any; a close error is ignored. Always 0.
int Com_CloseComPort();
int Com_ComPort();
int Com_LetzterComPort();
void Com_SetzeLetztenComPort(int port);
// Shows a status on the three error displays at once; 0 clears them.
void Com_ComFehlerSetzen(int status);
// Sets the port pictures of the main, COM and calibration panels to the open port.
void Com_PortbilderSetzen();
// The device address chosen in the COM panel's ADRESSE ring ('1'..'9' or '&').
char Com_Adresse();
// Shows beside PORT which device a COM number stands for (-1: the one chosen
// in PORT, else the one a click on the port picture opens, else COM 1), and
// offers the ports present in GERAETWAHL for it.
void Com_GeraetAnzeigen(int port);

// One panel takes the place of another on screen: a normal window passes its
// position and size on, a maximised one its zoom, a minimised one nothing.
void PanelWechseln(int von, int nach);
// Main panel -> COM panel.
void ComPanelZeigen();

int PortSelect_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int ComPicture_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Scann_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int IDLesen_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int StartStopp_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Statusabfrage_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
int Statustimer_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
// Assigns the device picked in GERAETWAHL to the COM number of the device line.
int GeraetWahl_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int ComZurueck_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
// Close box of the COM panel: the same as "Zurück zum Hauptfenster".
int ComPanel_Callback(int panel, int event, void* callbackData, int eventData1, int eventData2);
