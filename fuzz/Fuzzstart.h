#pragma once

#include <cstdlib>

#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "model/Schrittliste.h"
#include "toolkit/Headless.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/Panels.h"

// The program store on the main panel of a headless toolkit, nothing more:
// any misuse of the toolkit aborts, so that the fuzzer reports it.
inline int FuzzProgrammStarten() {
    UseHeadlessBackend();
    char name[] = "fuzz";
    char* argv[] = {name, nullptr};
    if (InitToolkit(1, argv) < 0) return -1;
    RegisterPanelFile(Krv4SteuerungPanelFile());
    panelHandle = LoadPanel(0, kPanelFile, PANEL);
    if (panelHandle < 0) return -1;
    ProgrammspeicherZuruecksetzen();
    KopierpufferZuruecksetzen();
    ProgrammeInitialisieren();
    return 0;
}
