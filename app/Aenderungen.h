#pragma once

#include <string>

#include "toolkit/Toolkit.h"

// The one data-changed flag, the current file name and the main panel title.

extern bool gDatenGeaendert;
// The system's own name of the file, whole (see platform/Datei.h); shown
// through code page 1252.
extern std::string gDateiname;

inline constexpr const char* kUnbenannt = "Unbenannt";

void DatenAlsGeaendertMarkieren();
void AlsGespeichertSetzen();
void DateinameZuruecksetzen();
void DateinameSetzen(const char* pfad);
void PaneltitelAktualisieren();
// Before unsaved data would be lost: 0 = go ahead, 1 = abandon the action
// (the operator cancelled, or the save he asked for did not happen).
int AbfrageWennNichtGespeichert();

// Hands the step store the change tracking and the direct test (at start-up).
void SpeicherhakenAnmelden();
