#pragma once

#include "model/Programmverwaltung.h"

// The selected step of the working copy is edited in the controls of the
// main panel. These move a step between its record and the panel.

void SchrittAufPanelZeigen(int schrittIndex);        // record -> panel
void PanelInSchrittLesen(Pruefschritt& schritt);     // panel -> record (the name stays)
void PruefschrittAusArrayLaden();                    // shows step gPSindex
void PruefschrittInArraySpeichern();                 // stores the panel into step gPSindex
void PruefschrittlisteAktualisieren();               // rebuilds LISTBOX, selects gPSindex
void GrenzwerteinheitenSetzen();                     // unit labels beside the limits
void PruefschrittAusListboxAktivieren();             // LISTBOX's value becomes gPSindex, shown

// The one validity check of a step (none given: step gPSindex). 0 when valid;
// -1 after one "Fehler im Prüfschritt" box listing every fault found.
int PruefschrittPlausibilitaetspruefung(const Pruefschritt* schritt = nullptr);

// Main panel: every change of the step data is stored at once and marks the
// data as changed.
int AllgemeineAenderung_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                                 int eventData2);
int Grenzwerte_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int RpgMessbereich_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                            int eventData2);
int TogglegruppeMessgeraet_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                                    int eventData2);
int TogglegruppeGrenzwerte_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                                    int eventData2);
int Listbox_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
