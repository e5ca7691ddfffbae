#pragma once

#include "toolkit/Dokument.h"

// The test plan on paper and as PDF: per program its number and name, per step
// every value in the words and units of the main panel.

// The plan of programs erstes to letztes as the operator sees them now (the
// working copy counts for its program), headed by the file name and datum.
void PruefplanErstellen(int erstes, int letztes, const char* datum, PrintDocument& plan);

// "Drucken…" and "Als PDF speichern…": which programs, then the print dialog
// or the PDF file's name.
void Menu_Pruefplan(int menuBar, int menuItem, void* callbackData, int panel);
