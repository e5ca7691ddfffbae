#pragma once

// The menu "Bearbeiten": undo and redo of every change of the program store.

// The history starts again from the store as it is (start-up, "Neu", "Öffnen").
void BearbeitenNeuBeginnen();
// Dims the two items when nothing can be undone or redone, or while a
// transfer or a direct test runs, and names the step they would take.
void BearbeitenAktualisieren();
// The store's hooks for the history: before and after an operation, and a
// transfer or direct test beginning or ending.
void BearbeitenVorher();
void BearbeitenNachher(const char* was);
void BearbeitenGesperrt(bool an);

void Menu_Bearbeiten(int menuBar, int menuItem, void* callbackData, int panel);
