#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Dokument.h"
#include "toolkit/PanelDef.h"

// What a backend sees of the toolkit: the state of every loaded panel (kept
// here, once, for both backends) and the operations a backend must provide.

struct ListItem {
    std::string label;
    int value = 0;
};

struct ControlState {
    const ControlDef* def = nullptr;
    int intValue = 0;
    double doubleValue = 0.0;
    std::string text;
    std::vector<ListItem> items;
    int index = -1;  // selected item of rings and lists, -1 when empty
    bool dimmed = false;
    bool visible = true;
    std::string label;
    int maxEntryLength = 0;
    int onColor = 0;
    bool timerEnabled = false;
    int intervalMs = 0;
    double maxValue = 0.0;  // upper end of the range; starts as the definition's
};

struct MenuItemState {
    const MenuItemDef* def = nullptr;
    bool dimmed = false;
    bool visible = true;
    std::string label;  // "__" marks of the access key included
};

struct PanelState {
    int handle = 0;
    int parent = 0;
    const PanelDef* def = nullptr;
    std::string title;
    int top = 0, left = 0, width = 0, height = 0;
    int zoom = VAL_NO_ZOOM;
    std::string dropFileTypes;  // empty: the panel takes no dropped file
    bool shown = false;
    int menuBar = 0;  // handle, 0 when the panel has none
    std::vector<ControlState> controls;  // in definition order
    std::vector<MenuItemState> menuItems;

    ControlState* Control(int id);
    MenuItemState* MenuItem(int id);
};

// What changed, so that a backend can bring its view up to date.
enum class Change { Value, Items, Attributes };

class ToolkitBackend {
public:
    virtual ~ToolkitBackend() = default;

    // A backend may refuse a panel (no resources for it): LoadPanel fails.
    virtual bool CanLoadPanel(const PanelDef&) { return true; }
    virtual void PanelLoaded(PanelState& panel) = 0;
    virtual void PanelShown(PanelState& panel, bool shown) = 0;
    virtual void PanelChanged(PanelState& panel) = 0;  // title, geometry, zoom
    virtual void ControlChanged(PanelState& panel, ControlState& control, Change what) = 0;
    virtual void MenuChanged(PanelState& panel, MenuItemState& item) = 0;
    virtual void PopupInstalled(PanelState& panel, bool installed) = 0;

    // Runs until QuitUserInterface. Returns its code.
    virtual int Run() = 0;
    virtual void Quit(int code) = 0;
    virtual void ProcessEvents() = 0;
    virtual void WaitForEvent() = 0;
    virtual void Delay(double seconds) = 0;

    virtual int MessagePopup(const std::string& title, const std::string& message) = 0;
    virtual int GenericMessagePopup(const std::string& title, const std::string& message,
                                    const std::vector<std::string>& buttons, int activeButton,
                                    int enterButton, int escapeButton) = 0;
    struct FileSelect {
        std::string defaultDirectory, defaultFileSpec, fileTypeList, title;
        int buttonKind = 0;
        bool restrictDirectory = false, restrictExtension = false, allowCancel = true,
             allowMakeDirectory = false;
    };
    virtual int FileSelectPopup(const FileSelect& request, std::string& path) = 0;

    // Printing a document (print dialog) and making a PDF of it; a backend
    // without paper has neither.
    virtual int PrintDialog(const PrintDocument&) { return UIE_NO_BACKEND; }
    virtual int RenderPdf(const PrintDocument&, std::string&) { return UIE_NO_BACKEND; }

    // A misuse of the toolkit by the program (bad handle, wrong value type).
    virtual void Misuse(const std::string& what) = 0;

    // See WatchExternalEvents; an empty handler removes the source.
    virtual void WatchExternal(std::intptr_t, std::function<void()>) {}
    // Closes every pop-up that is open, as with its escape button.
    virtual void ClosePopups() {}
};

// Installs the backend; discards every loaded panel of the previous one.
void SetToolkitBackend(std::unique_ptr<ToolkitBackend> backend);
ToolkitBackend* CurrentToolkitBackend();

PanelState* FindPanel(int handle);
PanelState* FindPanelByMenuBar(int menuBar);
std::vector<PanelState*> LoadedPanels();

// Entry points for backends when the operator acts. They check that the
// control can be operated, change the value as the widget did and call the
// callbacks with the events a person's action causes.
void OperatorSetValue(int panel, int control, int value);
void OperatorSetValue(int panel, int control, double value);
void OperatorSetText(int panel, int control, const std::string& text);
void OperatorSelectIndex(int panel, int control, int index);
// A person can reach the panel: it is shown and no other modal pop-up is in front.
bool PanelReachable(int panel);
int DispatchCtrlEvent(int panel, int control, int event, int eventData1 = 0, int eventData2 = 0);
int DispatchPanelEvent(int panel, int event);
void DispatchMenu(int menuBar, int menuItem);
// Whether the panel takes this file when dropped, and the drop itself: the
// panel's callback receives EVENT_FILESDROPPED. A refused file is not passed on.
bool PanelTakesDroppedFile(int panel, const std::string& path);
bool DispatchFileDrop(int panel, const std::string& path);