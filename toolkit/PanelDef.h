#pragma once

#include <span>

#include "toolkit/Toolkit.h"

// The definition of a panel: what a panel file holds. The tables live in ui/;
// LoadPanel builds a panel from them. Layout and look belong to the backend.

enum class CtrlKind {
    Ring,         // drop-down list of items, value = selected item's value
    ListBox,      // list of items, value = selected item's value
    Command,      // push button
    TextMsg,      // static text; its value is the text
    CheckBox,
    Numeric,
    RadioButton,
    Toggle,       // toggle button with off and on text
    Led,
    PictureRing,  // one picture per value; reacts to a left click
    Picture,      // a fixed picture
    Decoration,   // frame around a group of controls
    String,       // one-line text input (or indicator)
    Timer,
    ProgressBar,  // indicator of how far a piece of work has come, 0 to its maximum
};

enum class ValueType { None, Int, Double, Text };

struct ListItemDef {
    const char* label;  // item text; for picture rings the picture's name
    int value;
};

struct ControlDef {
    int id;
    const char* name;  // constant name without the panel prefix
    CtrlKind kind;
    const char* label = "";
    ValueType type = ValueType::None;
    double initial = 0.0;              // Int and Double controls
    const char* initialText = "";      // Text controls
    double min = 0.0;
    double max = 0.0;                  // min == max: no range
    int decimals = 0;
    bool indicator = false;            // shows a value, cannot be operated
    bool dimmed = false;
    bool visible = true;
    CtrlCallbackPtr callback = nullptr;
    std::span<const ListItemDef> items = {};
    int initialIndex = 0;              // selected item of rings and lists
    const char* onText = "";           // toggle buttons
    int onColor = 0x00FF0000;          // LEDs (red)
    double interval = 0.0;             // timers, seconds
    const char* picture = "";          // fixed pictures
    int maxEntryLength = 0;            // String controls, 0 = unlimited
    // For screen readers: the name of a control whose label does not say what
    // it is ("" = its label), and the text control whose text describes it.
    const char* accessibleName = "";
    int describedBy = 0;
};

struct MenuItemDef {
    int id;
    const char* name;
    const char* label;  // nullptr: separator
    MenuCallbackPtr callback = nullptr;
    bool dimmed = false;
    std::span<const MenuItemDef> submenu = {};  // not empty: the item opens these
    bool visible = true;
};

struct MenuDef {
    int id;
    const char* name;
    const char* label;
    std::span<const MenuItemDef> items;
};

struct MenuBarDef {
    int id;
    const char* name;
    std::span<const MenuDef> menus;
};

struct PanelDef {
    int resourceId;
    const char* name;
    const char* title;
    PanelCallbackPtr callback = nullptr;
    std::span<const ControlDef> controls = {};
    const MenuBarDef* menuBar = nullptr;
};

// The panel file: every panel definition the program has. ui/ provides it;
// LoadPanel looks panels up here by file name and resource number.
struct PanelFileDef {
    const char* fileName;
    std::span<const PanelDef> panels;
};

void RegisterPanelFile(const PanelFileDef& file);
