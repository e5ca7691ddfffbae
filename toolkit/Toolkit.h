#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// The panel toolkit the application talks to. Panels and controls are
// addressed by integer handles and control numbers, on the GUI thread only.
// Every operation returns 0 (or a handle) on success and a negative toolkit
// error code on misuse.

enum : int {
    EVENT_COMMIT = 1,
    EVENT_VAL_CHANGED = 2,
    EVENT_LEFT_CLICK = 3,
    EVENT_KEYPRESS = 7,
    EVENT_CLOSE = 11,
    EVENT_TIMER_TICK = 15,
};

constexpr int VAL_ENTER_VKEY = 1280;

using CtrlCallbackPtr = int (*)(int panel, int control, int event, void* callbackData, int eventData1,
                                int eventData2);
using PanelCallbackPtr = int (*)(int panel, int event, void* callbackData, int eventData1, int eventData2);
using MenuCallbackPtr = void (*)(int menuBar, int menuItem, void* callbackData, int panel);

// Toolkit error codes (negative), returned on misuse.
enum : int {
    UIE_NO_BACKEND = -1,
    UIE_BAD_PANEL = -2,
    UIE_BAD_CONTROL = -3,
    UIE_TYPE_MISMATCH = -4,
    UIE_BAD_INDEX = -5,
    UIE_BAD_ATTRIBUTE = -6,
    UIE_PANEL_NOT_FOUND = -7,
    UIE_BAD_MENU = -8,
};

// Control attributes.
enum : int {
    ATTR_DIMMED = 1,
    ATTR_VISIBLE = 2,
    ATTR_LABEL_TEXT = 3,
    ATTR_MAX_ENTRY_LENGTH = 4,
    ATTR_ENABLED = 5,   // timers
    ATTR_ON_COLOR = 6,  // LEDs, 0xRRGGBB
    ATTR_INTERVAL = 7,  // timers, milliseconds
    ATTR_MAX_VALUE = 8, // numeric controls and progress bars: the upper end of the range
};

// Panel attributes.
enum : int {
    ATTR_TITLE = 101,
    ATTR_TOP = 102,
    ATTR_LEFT = 103,
    ATTR_WIDTH = 104,
    ATTR_HEIGHT = 105,
    ATTR_WINDOW_ZOOM = 106,
    ATTR_VISIBLE_PANEL = 107,  // read only
    ATTR_DROP_FILE_TYPES = 108,  // text, "*.krv": the panel takes one dropped file of that type
};

// Menu items: ATTR_DIMMED, ATTR_VISIBLE and their text. A leading "__" in the
// text marks the next character as the item's access key.
enum : int { ATTR_ITEM_NAME = 110 };

// Panel event: a file of the panel's drop type was dropped on it; the path is
// GetDroppedFile's while the callback runs.
enum : int { EVENT_FILESDROPPED = 40 };

enum : int { VAL_NO_ZOOM = 0, VAL_MINIMIZE = 1, VAL_MAXIMIZE = 2 };

enum : int {
    VAL_GENERIC_POPUP_NO_CTRL = 0,
    VAL_GENERIC_POPUP_BTN1 = 1,
    VAL_GENERIC_POPUP_BTN2 = 2,
    VAL_GENERIC_POPUP_BTN3 = 3,
};

enum : int { VAL_OK_BUTTON = 0, VAL_SAVE_BUTTON = 1, VAL_SELECT_BUTTON = 2, VAL_LOAD_BUTTON = 3 };
enum : int { VAL_NO_FILE_SELECTED = 0, VAL_EXISTING_FILE_SELECTED = 1, VAL_NEW_FILE_SELECTED = 2 };

// Run-time start; fails when no backend has been installed.
int InitToolkit(int argc, char* argv[]);

int LoadPanel(int parentPanel, const char* fileName, int panelResourceId);
int DisplayPanel(int panel);
int HidePanel(int panel);

int RunUserInterface();
int QuitUserInterface(int returnCode);
int InstallPopup(int panel);
int RemovePopup(int removeAll);

// Handles every pending event (callbacks included), then returns.
int ProcessSystemEvents();
// Blocks until at least one operator event has been handled. For modal
// waiting: nothing spins while the operator thinks.
int WaitForSystemEvent();

int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char* value);
int GetCtrlVal(int panel, int control, int& value);
int GetCtrlVal(int panel, int control, double& value);
int GetCtrlVal(int panel, int control, std::string& value);

// Reads a text control into a fixed buffer, cut to fit and always terminated.
template <std::size_t N>
int GetCtrlVal(int panel, int control, char (&buffer)[N]) {
    std::string text;
    int status = GetCtrlVal(panel, control, text);
    if (status < 0) {
        buffer[0] = '\0';
        return status;
    }
    std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return 0;
}

int ClearListCtrl(int panel, int control);
// index -1 appends.
int InsertListItem(int panel, int control, int index, const char* itemLabel, int itemValue);
int ReplaceListItem(int panel, int control, int index, const char* itemLabel, int itemValue);
int GetNumListItems(int panel, int control, int& count);
int GetCtrlIndex(int panel, int control, int& index);
int SetCtrlIndex(int panel, int control, int index);
int GetLabelFromIndex(int panel, int control, int index, std::string& label);

int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, const char* value);
int GetCtrlAttribute(int panel, int control, int attribute, int& value);
int GetCtrlAttribute(int panel, int control, int attribute, std::string& value);

int SetPanelAttribute(int panel, int attribute, int value);
int SetPanelAttribute(int panel, int attribute, const char* value);
int GetPanelAttribute(int panel, int attribute, int& value);
int GetPanelAttribute(int panel, int attribute, std::string& value);

int GetPanelMenuBar(int panel);
int SetMenuBarAttribute(int menuBar, int menuItem, int attribute, int value);
int GetMenuBarAttribute(int menuBar, int menuItem, int attribute, int& value);
int SetMenuBarAttribute(int menuBar, int menuItem, int attribute, const char* value);
int GetMenuBarAttribute(int menuBar, int menuItem, int attribute, std::string& value);
// The file of the EVENT_FILESDROPPED being handled; empty otherwise.
int GetDroppedFile(std::string& path);

int MessagePopup(const char* title, const char* message);
// Up to three buttons (an empty or null label shows no button); returns the
// 1-based number of the button pressed.
int GenericMessagePopup(const char* title, const char* message, const char* button1, const char* button2,
                        const char* button3, int activeButton, int enterButton, int escapeButton);
// Returns VAL_NO_FILE_SELECTED, VAL_EXISTING_FILE_SELECTED or
// VAL_NEW_FILE_SELECTED; the chosen path is written to pathName.
int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec, const char* fileTypeList,
                    const char* title, int buttonKind, int restrictDirectory, int restrictExtension,
                    int allowCancel, int allowMakeDirectory, std::string& pathName);

// Splits a path into drive (always empty here), directory (with its trailing
// separator) and file name.
int SplitPath(const char* path, std::string& drive, std::string& directory, std::string& fileName);

// Events from outside the operator (the signals that end the program): the
// handler runs on the GUI thread, in the event loop and in modal waits,
// whenever the descriptor is ready (a file descriptor; on Windows an event
// handle). One source at a time; a null handler removes it.
int WatchExternalEvents(std::intptr_t descriptor, void (*handler)());
// Ends the event loop as QuitUserInterface does, for a program that must end
// without its operator: the pop-ups open now close as with their escape
// button, later ones are answered so at once without being shown, and modal
// waits return at once.
int AbortUserInterface(int returnCode);
bool UserInterfaceAborted();

// Blocks for that time and handles no event meanwhile: an operator action
// that arrives waits until the running callback has returned.
int Delay(double seconds);
int SetSystemAttribute(int attribute, int value);
