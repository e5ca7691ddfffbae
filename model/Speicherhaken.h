#pragma once

#include "model/Programmverwaltung.h"

// What the step store needs from the layers above it: the change tracking and
// the direct test. The program registers them at start-up; without them the
// store edits alone (no flag, no direct test), as the tools use it.
struct Speicherhaken {
    void (*datenGeaendert)() = nullptr;          // an edit marks the data as changed
    void (*neuAngelegt)() = nullptr;             // "Neu": nothing to save, no file name, title
    bool (*direkttestAktiv)() = nullptr;
    void (*direkttestSenden)(const Pruefschritt&) = nullptr;  // a checked panel step, sent and reported
    void (*vorher)() = nullptr;                  // an operation on the store begins
    void (*bearbeitet)(const char* was) = nullptr;  // ... and has ended (what it was, for undo)
    void (*gesperrt)(bool an) = nullptr;         // a transfer or direct test begins or ends
};

void SpeicherhakenSetzen(const Speicherhaken& haken);

// The store's side of the hooks; each does nothing when its hook is not set.
void SpeicherDatenGeaendert();
void SpeicherNeuAngelegt();
bool SpeicherDirekttestAktiv();
void SpeicherDirekttestSenden(const Pruefschritt& schritt);
void SpeicherVorher();
void SpeicherBearbeitet(const char* was);
void SpeicherGesperrt(bool an);
