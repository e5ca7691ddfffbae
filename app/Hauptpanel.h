#pragma once

// Callbacks of the main panel's menu bar and buttons that open other panels,
// and of the small panels opened from it.

void Menu_Datei(int menuBar, int menuItem, void* callbackData, int panel);
// After a file was opened (status 0): a fresh history, the file first among
// the recent ones; else the error is shown. Returns the status.
int OeffnenAbschliessen(int status);
// After a save (status 0): the file first among the recent ones; else the error.
int SpeichernAbschliessen(int status);
// A data file dropped on the main panel opens as "Öffnen" would open it.
void DateiAbgelegt();
void Menu_Hilfe(int menuBar, int menuItem, void* callbackData, int panel);

int Pneumatikplan_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
int PlanOk_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int PlanPanel_Callback(int panel, int event, void* callbackData, int eventData1, int eventData2);
int InfoOk_Callback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int ComEinstellungen_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                              int eventData2);
int Kalibrierung_Callback(int panel, int control, int event, void* callbackData, int eventData1,
                          int eventData2);
