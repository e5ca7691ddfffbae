#pragma once

// The handles of the loaded panels, set once at start-up. Every layer that
// shows something on a panel reaches it through these.

extern int panelHandle;
extern int stringPanelHandle;
extern int comPanelHandle;
extern int fortschrittPanelHandle;
extern int planPanelHandle;
extern int infoPanelHandle;
extern int kalPanelHandle;
