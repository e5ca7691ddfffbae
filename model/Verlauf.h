#pragma once

#include <string>

// The history of the program store for undo and redo: after every operation
// that changed the store, the whole store as the operator saw it (programs,
// working copy, selected program and step). Up to kVerlaufSchritte steps back.

inline constexpr int kVerlaufSchritte = 100;

// The store as it is now is the only entry, and the one last saved or opened.
void VerlaufBeginnen();
// Before an operation: the current entry takes the selection the operator has
// now, so that undoing the operation shows the same program and step again.
void VerlaufVorher();
// After an operation named `was`: a new step when the store's content changed
// (a selection alone, or an operation that changed nothing, is no step).
// The steps that could have been redone are gone.
void VerlaufNachher(const char* was);

bool VerlaufKannRueckgaengig();
bool VerlaufKannWiederherstellen();
// The operation undo or redo would take back or repeat; empty when none.
std::string VerlaufRueckgaengigName();
std::string VerlaufWiederherstellenName();
// One step back or forward, the panels showing the store as it was then.
void VerlaufRueckgaengig();
void VerlaufWiederherstellen();

// The current entry is what the file holds now; whether it still is.
void VerlaufAlsGespeichertMerken();
bool VerlaufBeimGespeicherten();
int VerlaufAnzahl();  // entries held, the current one included
