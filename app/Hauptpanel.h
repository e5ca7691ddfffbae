#pragma once

// Callbacks of the main panel's menu bar and buttons that open other panels,
// and of the small panels opened from it.

void Menu_Datei(int menuBar, int menuItem, void* callbackData, int panel);
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

// One panel takes the place of another on screen: a normal window passes its
// position and size on, a maximised one its zoom, a minimised one nothing.
void PanelWechseln(int von, int nach);
// Main panel -> COM panel and main panel -> calibration panel. They belong to
// the COM and calibration modules and move there with them.
void ComPanelZeigen();
void KalibrierPanelZeigen();
