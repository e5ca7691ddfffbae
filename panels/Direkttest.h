#pragma once

#include "model/Programmverwaltung.h"

// Direct test: the device applies the step shown on the main panel at once,
// and every edit of it is sent while the working copy stays as it was.

extern bool gDirekttestAn;
// The pulse parameters went out with the pulse generator's current run.
extern bool gImpulsGesendet;

bool DirekttestAktiv();
// 1 switches the direct test on ("direktbetrieb"), 0 off (the stored step
// shown again, "stopp"). The panel is dimmed or undimmed even when the device
// cannot be told: 0, -122000 without a port, or the device's code.
int DirekttestEinAus(int ein);
// Sends a step built from the panel to the device in direct operation:
// 0 (also when the device has left direct operation, after a message),
// -122000 without a port, or the device's code.
int DirekttestzustandEinstellen(const Pruefschritt& schritt);

int Direkttest_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
