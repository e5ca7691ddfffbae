#pragma once

#include <cstdint>

#include "model/Programmverwaltung.h"

// Editing the step list of the working copy and whole programs: the seven
// step buttons, the menu "Programm", the program list and the name input.

// Copy buffers: kept for the whole run, across program switches, files and "Neu".
extern Pruefschritt gPSKopie;
extern bool gPSKopieVorhanden;
extern Pruefschritt gProgKopie[kMaxPruefschritte];
extern int gProgKopieAnzahl;
extern int gProgKopieIndex;
extern int8_t gProgKopieQuelle;  // -1: nothing copied
extern bool gEingabeFlag;        // set by Enter in the name input

int PruefschrittNeu();  // appends a default step and selects it
int PruefschrittLoeschen();
int PruefschrittKopieren();
int PruefschrittEinfuegen();
int PruefschrittUmbenennen();
int PruefschrittAufwaertsSchieben();
int PruefschrittAbwaertsSchieben();

int ProgrammUmbenennen();
int ProgrammKopieren();
int ProgrammEinfuegen();

// Modal name input on the string panel, up to 20 characters, ended by Enter.
// The name buffer holds the old name and receives the new one; an empty name
// or one beginning with a blank keeps the old name after an error box.
void PruefschrittnameEingeben(char (&name)[kNamenslaenge]);
void ProgrammnameEingeben(char (&name)[kNamenslaenge]);
// What a typed name keeps: the characters a person can see, everything else
// becomes a blank.
bool NamenszeichenDruckbar(unsigned char zeichen);

// Both copy buffers empty again, as at program start (for tests and restarts).
void KopierpufferZuruecksetzen();

int Pruefschrittaktionen_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                                  int eventData2);
int Programmliste_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
int Stringeingabe_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
void Menu_Programm(int menuBar, int menuItem, void* callbackData, int panel);
