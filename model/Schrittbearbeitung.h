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
