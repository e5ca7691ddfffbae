#pragma once

#include <string>
#include <vector>

// "Zuletzt geöffnet": the files opened or saved last, newest first, at most
// eight, kept per user in a file of their own ("zuletzt.txt" in the user's
// folder of the program), never in the settings file.

// At start-up: reads the list (what cannot be read counts as empty) and fills the menu.
void ZuletztLaden();
// A file opened or saved: first in the list, the menu and the file updated.
void ZuletztMerken(const std::string& pfad);
const std::vector<std::string>& ZuletztListe();
// The submenu as the list is; dimmed while empty or during a direct test.
void ZuletztMenueAktualisieren();
// Where the list is kept; empty when the user has no folder for it.
std::string ZuletztDatei();

// One of the files chosen: gone ones leave the list with a message; else the
// unsaved-data question, then it opens as "Öffnen" would open it.
void Menu_Zuletzt(int menuBar, int menuItem, void* callbackData, int panel);
