#pragma once

#include "device/ComProgramme.h"

// Writing the programs into the KRV-4, reading them back and comparing them,
// and the frame the three buttons share: progress panel, the operation, its
// status to the error display.

int Krv4LesenSchreiben_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                                int eventData2);

// The question of the transfers: "aktuelles" (program gProgIndex), "alle" or
// "abbrechen" (false).
bool ProgrammeWaehlen(const char* titel, const char* frage, int& erstes, int& letztes);

// 0 also when refused by the plausibility check or cancelled; -122000
// without an open port; else the driver's first failure.
int Krv4Schreiben();
// 0 or cancelled; -122000; -786000 after a message about the device's data;
// else the driver's first failure.
int Krv4Lesen();
// 0 also when differences were found or the operator stopped; -122000;
// -786000 for an invalid step count; else the driver's first failure.
int Krv4Vergleichen();

// 0 to go on, non-zero to stop.
int ProgrammkopfVergleichen(int programmIndex, const Programm& geraet, const Programm& pc,
                            bool& unterschiedGefunden);
int PruefschrittVergleichen(int programmIndex, int schrittIndex, const Krv4Pruefschritt& geraet,
                            const Krv4Pruefschritt& pc, bool& unterschiedGefunden);
// schrittIndex -1: a difference of the program header. 0 for "Weiter", else 1.
int UnterschiedMelden(const char* bezeichnung, const char* werte, int programmIndex, int schrittIndex);
