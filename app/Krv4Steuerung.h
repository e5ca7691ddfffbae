#pragma once

#include "ui/Panelhandles.h"

// Start-up, the main loop and shutdown of the program.

extern bool gKalibrierFlag;
extern char gPaneltitle[64];

inline constexpr const char* kKalibrierSchalter = "-p=SrvModeOpen";
inline constexpr const char* kVersionText = "KRV4-TST1 V 0.3";
inline constexpr const char* kDatumText = "05/2007";
// Exit code when the run-time cannot start or a panel cannot be loaded.
inline constexpr int kFehlercodeStart = -1;

// Steps of start-up up to the shown main panel: 0, or -1 when the toolkit
// cannot start or a panel cannot be loaded. A single argument other than the
// service switch is a data file, opened as "Öffnen" opens it, unless it
// begins with "-": that is a switch, and like every other command line ignored.
int Krv4SteuerungStarten(int argc, char* argv[]);
// Steps after the event loop: direct test off, settings written, port closed;
// after an end from outside, unsaved data into the recovery file.
void Krv4SteuerungBeenden();
// The whole run: start-up, event loop, shutdown. The exit code of main.
int Krv4SteuerungAusfuehren(int argc, char* argv[]);

void PanelsInitialisieren(const char* version, const char* datum);
// Opens the data file named on the command line (as the system gives it):
// 0, or the code "Öffnen" would report, which is also shown.
int AufrufDateiOeffnen(const char* argument);

int Panel_Callback(int panel, int event, void* callbackData, int eventData1, int eventData2);
