#include "toolkit/Toolkit.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <map>

#include "toolkit/Backend.h"

namespace {

std::unique_ptr<ToolkitBackend> gBackend;
std::vector<const PanelFileDef*> gPanelFiles;
std::map<int, std::unique_ptr<PanelState>> gPanels;  // by handle
int gNextHandle = 1;
// Set by AbortUserInterface: nobody is there to answer.
bool gAborted = false;
int gAbortCode = 0;
std::vector<int> gPopups;  // installed modal panels, innermost last

int Misuse(int code, const std::string& what) {
    if (gBackend) gBackend->Misuse(what);
    return code;
}

PanelState* Panel(int handle, const char* op) {
    PanelState* p = FindPanel(handle);
    if (!p) Misuse(UIE_BAD_PANEL, std::string(op) + ": no panel with handle " + std::to_string(handle));
    return p;
}

ControlState* Control(PanelState* p, int id, const char* op) {
    ControlState* c = p ? p->Control(id) : nullptr;
    if (p && !c)
        Misuse(UIE_BAD_CONTROL, std::string(op) + ": panel " + p->def->name + " has no control " +
                                    std::to_string(id));
    return c;
}

ValueType TypeOf(const ControlState& c) { return c.def->type; }

bool HasItems(const ControlState& c) {
    return c.def->kind == CtrlKind::Ring || c.def->kind == CtrlKind::ListBox ||
           c.def->kind == CtrlKind::PictureRing;
}

double Coerce(const ControlState& c, double v) {
    if (c.def->min < c.maxValue) v = std::clamp(v, c.def->min, c.maxValue);
    return v;
}

void Notify(PanelState* p, ControlState* c, Change what) {
    if (gBackend) gBackend->ControlChanged(*p, *c, what);
}

int TypeMismatch(PanelState* p, ControlState* c, const char* op) {
    return Misuse(UIE_TYPE_MISMATCH,
                  std::string(op) + ": wrong value type for " + p->def->name + "_" + c->def->name);
}

// Rings and lists: the value is the selected item's value.
int SelectItemWithValue(PanelState* p, ControlState* c, int value) {
    for (std::size_t i = 0; i < c->items.size(); ++i) {
        if (c->items[i].value == value) {
            c->index = static_cast<int>(i);
            Notify(p, c, Change::Value);
            return 0;
        }
    }
    // Not a misuse: a value read from outside may match no item. The
    // selection then stays as it was.
    return UIE_BAD_INDEX;
}

void InitControl(ControlState& c, const ControlDef& def) {
    c.def = &def;
    c.dimmed = def.dimmed;
    c.visible = def.visible;
    c.label = def.label;
    c.maxEntryLength = def.maxEntryLength;
    c.onColor = def.onColor;
    c.intervalMs = static_cast<int>(std::lround(def.interval * 1000.0));
    c.timerEnabled = false;
    c.maxValue = def.max;
    for (const ListItemDef& item : def.items) c.items.push_back({item.label, item.value});
    if (!c.items.empty()) c.index = std::clamp(def.initialIndex, 0, static_cast<int>(c.items.size()) - 1);
    switch (def.type) {
        case ValueType::Int: c.intValue = static_cast<int>(Coerce(c, def.initial)); break;
        case ValueType::Double: c.doubleValue = Coerce(c, def.initial); break;
        case ValueType::Text: c.text = def.initialText; break;
        case ValueType::None: break;
    }
    // A text message shows its label as its text.
    if (def.kind == CtrlKind::TextMsg && c.text.empty()) c.text = def.label;
}

}  // namespace

ControlState* PanelState::Control(int id) {
    for (ControlState& c : controls)
        if (c.def->id == id) return &c;
    return nullptr;
}

MenuItemState* PanelState::MenuItem(int id) {
    for (MenuItemState& m : menuItems)
        if (m.def->id == id) return &m;
    return nullptr;
}

void RegisterPanelFile(const PanelFileDef& file) {
    for (const PanelFileDef* f : gPanelFiles)
        if (std::strcmp(f->fileName, file.fileName) == 0) return;
    gPanelFiles.push_back(&file);
}

void SetToolkitBackend(std::unique_ptr<ToolkitBackend> backend) {
    gPanels.clear();
    gPopups.clear();
    gNextHandle = 1;
    gAborted = false;
    gBackend = std::move(backend);
}

ToolkitBackend* CurrentToolkitBackend() { return gBackend.get(); }

PanelState* FindPanel(int handle) {
    auto it = gPanels.find(handle);
    return it == gPanels.end() ? nullptr : it->second.get();
}

PanelState* FindPanelByMenuBar(int menuBar) {
    for (auto& [handle, p] : gPanels)
        if (menuBar != 0 && p->menuBar == menuBar) return p.get();
    return nullptr;
}

std::vector<PanelState*> LoadedPanels() {
    std::vector<PanelState*> all;
    for (auto& [handle, p] : gPanels) all.push_back(p.get());
    return all;
}

int InitToolkit(int, char*[]) { return gBackend ? 0 : UIE_NO_BACKEND; }

int LoadPanel(int parentPanel, const char* fileName, int panelResourceId) {
    if (!gBackend) return UIE_NO_BACKEND;
    if (parentPanel != 0 && !FindPanel(parentPanel)) return UIE_BAD_PANEL;
    const PanelDef* def = nullptr;
    for (const PanelFileDef* f : gPanelFiles) {
        if (fileName == nullptr || std::strcmp(f->fileName, fileName) != 0) continue;
        for (const PanelDef& d : f->panels)
            if (d.resourceId == panelResourceId) def = &d;
    }
    if (!def || !gBackend->CanLoadPanel(*def)) return UIE_PANEL_NOT_FOUND;

    auto p = std::make_unique<PanelState>();
    p->handle = gNextHandle++;
    p->parent = parentPanel;
    p->def = def;
    p->title = def->title;
    p->controls.resize(def->controls.size());
    for (std::size_t i = 0; i < def->controls.size(); ++i) InitControl(p->controls[i], def->controls[i]);
    if (def->menuBar) {
        p->menuBar = gNextHandle++;
        auto add = [&p](const MenuItemDef& item) {
            p->menuItems.push_back({&item, item.dimmed, item.visible, item.label ? item.label : ""});
        };
        for (const MenuDef& menu : def->menuBar->menus)
            for (const MenuItemDef& item : menu.items) {
                add(item);
                for (const MenuItemDef& sub : item.submenu) add(sub);
            }
    }
    PanelState& ref = *p;
    gPanels[p->handle] = std::move(p);
    gBackend->PanelLoaded(ref);
    return ref.handle;
}

int DisplayPanel(int panel) {
    PanelState* p = Panel(panel, "DisplayPanel");
    if (!p) return UIE_BAD_PANEL;
    p->shown = true;
    gBackend->PanelShown(*p, true);
    return 0;
}

int HidePanel(int panel) {
    PanelState* p = Panel(panel, "HidePanel");
    if (!p) return UIE_BAD_PANEL;
    p->shown = false;
    gBackend->PanelShown(*p, false);
    return 0;
}

int RunUserInterface() {
    if (!gBackend) return UIE_NO_BACKEND;
    return gAborted ? gAbortCode : gBackend->Run();
}

int QuitUserInterface(int returnCode) {
    if (!gBackend) return UIE_NO_BACKEND;
    gBackend->Quit(returnCode);
    return 0;
}

int WatchExternalEvents(std::intptr_t descriptor, void (*handler)()) {
    if (!gBackend) return UIE_NO_BACKEND;
    gBackend->WatchExternal(descriptor, handler ? std::function<void()>(handler) : std::function<void()>());
    return 0;
}

int AbortUserInterface(int returnCode) {
    if (!gBackend) return UIE_NO_BACKEND;
    gAborted = true;
    gAbortCode = returnCode;
    gBackend->Quit(returnCode);
    gBackend->ClosePopups();
    return 0;
}

bool UserInterfaceAborted() { return gAborted; }

int InstallPopup(int panel) {
    PanelState* p = Panel(panel, "InstallPopup");
    if (!p) return UIE_BAD_PANEL;
    gPopups.push_back(panel);
    p->shown = true;
    gBackend->PopupInstalled(*p, true);
    return 0;
}

int RemovePopup(int removeAll) {
    if (!gBackend) return UIE_NO_BACKEND;
    while (!gPopups.empty()) {
        PanelState* p = FindPanel(gPopups.back());
        gPopups.pop_back();
        if (p) {
            p->shown = false;
            gBackend->PopupInstalled(*p, false);
        }
        if (!removeAll) break;
    }
    return 0;
}

int ProcessSystemEvents() {
    if (!gBackend) return UIE_NO_BACKEND;
    gBackend->ProcessEvents();
    return 0;
}

int WaitForSystemEvent() {
    if (!gBackend) return UIE_NO_BACKEND;
    if (gAborted) return 0;
    gBackend->WaitForEvent();
    return 0;
}

int SetCtrlVal(int panel, int control, int value) {
    PanelState* p = Panel(panel, "SetCtrlVal");
    ControlState* c = Control(p, control, "SetCtrlVal");
    if (!c) return p ? UIE_BAD_CONTROL : UIE_BAD_PANEL;
    if (HasItems(*c)) return SelectItemWithValue(p, c, value);
    if (TypeOf(*c) == ValueType::Double) {
        c->doubleValue = Coerce(*c, value);
    } else if (TypeOf(*c) == ValueType::Int) {
        c->intValue = static_cast<int>(Coerce(*c, value));
    } else {
        return TypeMismatch(p, c, "SetCtrlVal");
    }
    Notify(p, c, Change::Value);
    return 0;
}

int SetCtrlVal(int panel, int control, double value) {
    PanelState* p = Panel(panel, "SetCtrlVal");
    ControlState* c = Control(p, control, "SetCtrlVal");
    if (!c) return p ? UIE_BAD_CONTROL : UIE_BAD_PANEL;
    if (TypeOf(*c) != ValueType::Double || HasItems(*c)) return TypeMismatch(p, c, "SetCtrlVal");
    // A value the field cannot show (not a number) is kept as it came, so
    // that reading the panel back does not invent a value.
    c->doubleValue = std::isnan(value) ? value : Coerce(*c, value);
    Notify(p, c, Change::Value);
    return 0;
}

int SetCtrlVal(int panel, int control, const char* value) {
    PanelState* p = Panel(panel, "SetCtrlVal");
    ControlState* c = Control(p, control, "SetCtrlVal");
    if (!c) return p ? UIE_BAD_CONTROL : UIE_BAD_PANEL;
    if (TypeOf(*c) != ValueType::Text) return TypeMismatch(p, c, "SetCtrlVal");
    c->text = value ? value : "";
    Notify(p, c, Change::Value);
    return 0;
}

int GetCtrlVal(int panel, int control, int& value) {
    PanelState* p = Panel(panel, "GetCtrlVal");
    ControlState* c = Control(p, control, "GetCtrlVal");
    if (!c) return p ? UIE_BAD_CONTROL : UIE_BAD_PANEL;
    if (HasItems(*c)) {
        if (c->index < 0 || c->index >= static_cast<int>(c->items.size()))
            return Misuse(UIE_BAD_INDEX, std::string("GetCtrlVal: empty list ") + c->def->name);
        value = c->items[c->index].value;
        return 0;
    }
    if (TypeOf(*c) != ValueType::Int) return TypeMismatch(p, c, "GetCtrlVal");
    value = c->intValue;
    return 0;
}

int GetCtrlVal(int panel, int control, double& value) {
    PanelState* p = Panel(panel, "GetCtrlVal");
    ControlState* c = Control(p, control, "GetCtrlVal");
    if (!c) return p ? UIE_BAD_CONTROL : UIE_BAD_PANEL;
    if (TypeOf(*c) != ValueType::Double || HasItems(*c)) return TypeMismatch(p, c, "GetCtrlVal");
    value = c->doubleValue;
    return 0;
}

int GetCtrlVal(int panel, int control, std::string& value) {
    PanelState* p = Panel(panel, "GetCtrlVal");
    ControlState* c = Control(p, control, "GetCtrlVal");
    if (!c) return p ? UIE_BAD_CONTROL : UIE_BAD_PANEL;
    if (TypeOf(*c) != ValueType::Text) return TypeMismatch(p, c, "GetCtrlVal");
    value = c->text;
    return 0;
}

namespace {

ControlState* ListControl(int panel, int control, const char* op, PanelState** panelOut) {
    PanelState* p = Panel(panel, op);
    ControlState* c = Control(p, control, op);
    if (c && !HasItems(*c)) {
        Misuse(UIE_BAD_CONTROL, std::string(op) + ": " + c->def->name + " is not a list");
        return nullptr;
    }
    *panelOut = p;
    return c;
}

}  // namespace

int ClearListCtrl(int panel, int control) {
    PanelState* p = nullptr;
    ControlState* c = ListControl(panel, control, "ClearListCtrl", &p);
    if (!c) return UIE_BAD_CONTROL;
    c->items.clear();
    c->index = -1;
    Notify(p, c, Change::Items);
    return 0;
}

int InsertListItem(int panel, int control, int index, const char* itemLabel, int itemValue) {
    PanelState* p = nullptr;
    ControlState* c = ListControl(panel, control, "InsertListItem", &p);
    if (!c) return UIE_BAD_CONTROL;
    int n = static_cast<int>(c->items.size());
    if (index < -1 || index > n) return Misuse(UIE_BAD_INDEX, "InsertListItem: index out of range");
    if (index == -1) index = n;
    c->items.insert(c->items.begin() + index, ListItem{itemLabel ? itemLabel : "", itemValue});
    if (c->index < 0) c->index = 0;
    else if (index <= c->index && n > 0) ++c->index;
    Notify(p, c, Change::Items);
    return 0;
}

int ReplaceListItem(int panel, int control, int index, const char* itemLabel, int itemValue) {
    PanelState* p = nullptr;
    ControlState* c = ListControl(panel, control, "ReplaceListItem", &p);
    if (!c) return UIE_BAD_CONTROL;
    if (index < 0 || index >= static_cast<int>(c->items.size()))
        return Misuse(UIE_BAD_INDEX, "ReplaceListItem: index out of range");
    c->items[index] = ListItem{itemLabel ? itemLabel : "", itemValue};
    Notify(p, c, Change::Items);
    return 0;
}

int GetNumListItems(int panel, int control, int& count) {
    PanelState* p = nullptr;
    ControlState* c = ListControl(panel, control, "GetNumListItems", &p);
    if (!c) return UIE_BAD_CONTROL;
    count = static_cast<int>(c->items.size());
    return 0;
}

int GetCtrlIndex(int panel, int control, int& index) {
    PanelState* p = nullptr;
    ControlState* c = ListControl(panel, control, "GetCtrlIndex", &p);
    if (!c) return UIE_BAD_CONTROL;
    index = c->index;
    return 0;
}

int SetCtrlIndex(int panel, int control, int index) {
    PanelState* p = nullptr;
    ControlState* c = ListControl(panel, control, "SetCtrlIndex", &p);
    if (!c) return UIE_BAD_CONTROL;
    if (index < 0 || index >= static_cast<int>(c->items.size()))
        return Misuse(UIE_BAD_INDEX, "SetCtrlIndex: index out of range");
    c->index = index;
    Notify(p, c, Change::Value);
    return 0;
}

int GetLabelFromIndex(int panel, int control, int index, std::string& label) {
    PanelState* p = nullptr;
    ControlState* c = ListControl(panel, control, "GetLabelFromIndex", &p);
    if (!c) return UIE_BAD_CONTROL;
    if (index < 0 || index >= static_cast<int>(c->items.size()))
        return Misuse(UIE_BAD_INDEX, "GetLabelFromIndex: index out of range");
    label = c->items[index].label;
    return 0;
}

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
    PanelState* p = Panel(panel, "SetCtrlAttribute");
    ControlState* c = Control(p, control, "SetCtrlAttribute");
    if (!c) return p ? UIE_BAD_CONTROL : UIE_BAD_PANEL;
    switch (attribute) {
        case ATTR_DIMMED: c->dimmed = value != 0; break;
        case ATTR_VISIBLE: c->visible = value != 0; break;
        case ATTR_MAX_ENTRY_LENGTH: c->maxEntryLength = value; break;
        case ATTR_ON_COLOR: c->onColor = value; break;
        case ATTR_ENABLED:
            if (c->def->kind != CtrlKind::Timer) return Misuse(UIE_BAD_ATTRIBUTE, "ATTR_ENABLED on a non-timer");
            c->timerEnabled = value != 0;
            break;
        case ATTR_INTERVAL:
            if (c->def->kind != CtrlKind::Timer) return Misuse(UIE_BAD_ATTRIBUTE, "ATTR_INTERVAL on a non-timer");
            c->intervalMs = value;
            break;
        case ATTR_MAX_VALUE:
            // The value stays within the new range.
            c->maxValue = value;
            if (TypeOf(*c) == ValueType::Int) c->intValue = static_cast<int>(Coerce(*c, c->intValue));
            else if (TypeOf(*c) == ValueType::Double) c->doubleValue = Coerce(*c, c->doubleValue);
            break;
        default: return Misuse(UIE_BAD_ATTRIBUTE, "SetCtrlAttribute: attribute " + std::to_string(attribute));
    }
    Notify(p, c, Change::Attributes);
    return 0;
}

int SetCtrlAttribute(int panel, int control, int attribute, const char* value) {
    PanelState* p = Panel(panel, "SetCtrlAttribute");
    ControlState* c = Control(p, control, "SetCtrlAttribute");
    if (!c) return p ? UIE_BAD_CONTROL : UIE_BAD_PANEL;
    if (attribute != ATTR_LABEL_TEXT)
        return Misuse(UIE_BAD_ATTRIBUTE, "SetCtrlAttribute: text for attribute " + std::to_string(attribute));
    c->label = value ? value : "";
    Notify(p, c, Change::Attributes);
    return 0;
}

int GetCtrlAttribute(int panel, int control, int attribute, int& value) {
    PanelState* p = Panel(panel, "GetCtrlAttribute");
    ControlState* c = Control(p, control, "GetCtrlAttribute");
    if (!c) return p ? UIE_BAD_CONTROL : UIE_BAD_PANEL;
    switch (attribute) {
        case ATTR_DIMMED: value = c->dimmed; break;
        case ATTR_VISIBLE: value = c->visible; break;
        case ATTR_MAX_ENTRY_LENGTH: value = c->maxEntryLength; break;
        case ATTR_ON_COLOR: value = c->onColor; break;
        case ATTR_ENABLED: value = c->timerEnabled; break;
        case ATTR_INTERVAL: value = c->intervalMs; break;
        case ATTR_MAX_VALUE: value = static_cast<int>(c->maxValue); break;
        default: return Misuse(UIE_BAD_ATTRIBUTE, "GetCtrlAttribute: attribute " + std::to_string(attribute));
    }
    return 0;
}

int GetCtrlAttribute(int panel, int control, int attribute, std::string& value) {
    PanelState* p = Panel(panel, "GetCtrlAttribute");
    ControlState* c = Control(p, control, "GetCtrlAttribute");
    if (!c) return p ? UIE_BAD_CONTROL : UIE_BAD_PANEL;
    if (attribute != ATTR_LABEL_TEXT) return Misuse(UIE_BAD_ATTRIBUTE, "GetCtrlAttribute: not a text");
    value = c->label;
    return 0;
}

int SetPanelAttribute(int panel, int attribute, int value) {
    PanelState* p = Panel(panel, "SetPanelAttribute");
    if (!p) return UIE_BAD_PANEL;
    switch (attribute) {
        case ATTR_TOP: p->top = value; break;
        case ATTR_LEFT: p->left = value; break;
        case ATTR_WIDTH: p->width = value; break;
        case ATTR_HEIGHT: p->height = value; break;
        case ATTR_WINDOW_ZOOM: p->zoom = value; break;
        default: return Misuse(UIE_BAD_ATTRIBUTE, "SetPanelAttribute: attribute " + std::to_string(attribute));
    }
    gBackend->PanelChanged(*p);
    return 0;
}

int SetPanelAttribute(int panel, int attribute, const char* value) {
    PanelState* p = Panel(panel, "SetPanelAttribute");
    if (!p) return UIE_BAD_PANEL;
    if (attribute == ATTR_DROP_FILE_TYPES) p->dropFileTypes = value ? value : "";
    else if (attribute == ATTR_TITLE) p->title = value ? value : "";
    else return Misuse(UIE_BAD_ATTRIBUTE, "SetPanelAttribute: text for a number");
    gBackend->PanelChanged(*p);
    return 0;
}

int GetPanelAttribute(int panel, int attribute, int& value) {
    PanelState* p = Panel(panel, "GetPanelAttribute");
    if (!p) return UIE_BAD_PANEL;
    switch (attribute) {
        case ATTR_TOP: value = p->top; break;
        case ATTR_LEFT: value = p->left; break;
        case ATTR_WIDTH: value = p->width; break;
        case ATTR_HEIGHT: value = p->height; break;
        case ATTR_WINDOW_ZOOM: value = p->zoom; break;
        case ATTR_VISIBLE_PANEL: value = p->shown; break;
        default: return Misuse(UIE_BAD_ATTRIBUTE, "GetPanelAttribute: attribute " + std::to_string(attribute));
    }
    return 0;
}

int GetPanelAttribute(int panel, int attribute, std::string& value) {
    PanelState* p = Panel(panel, "GetPanelAttribute");
    if (!p) return UIE_BAD_PANEL;
    if (attribute != ATTR_TITLE) return Misuse(UIE_BAD_ATTRIBUTE, "GetPanelAttribute: not a text");
    value = p->title;
    return 0;
}

int GetPanelMenuBar(int panel) {
    PanelState* p = Panel(panel, "GetPanelMenuBar");
    return p ? p->menuBar : UIE_BAD_PANEL;
}

int SetMenuBarAttribute(int menuBar, int menuItem, int attribute, int value) {
    PanelState* p = FindPanelByMenuBar(menuBar);
    MenuItemState* m = p ? p->MenuItem(menuItem) : nullptr;
    if (!m) return Misuse(UIE_BAD_MENU, "SetMenuBarAttribute: no menu item " + std::to_string(menuItem));
    if (attribute == ATTR_DIMMED) m->dimmed = value != 0;
    else if (attribute == ATTR_VISIBLE) m->visible = value != 0;
    else return Misuse(UIE_BAD_ATTRIBUTE, "SetMenuBarAttribute: attribute");
    gBackend->MenuChanged(*p, *m);
    return 0;
}

int SetMenuBarAttribute(int menuBar, int menuItem, int attribute, const char* value) {
    PanelState* p = FindPanelByMenuBar(menuBar);
    MenuItemState* m = p ? p->MenuItem(menuItem) : nullptr;
    if (!m) return Misuse(UIE_BAD_MENU, "SetMenuBarAttribute: no menu item " + std::to_string(menuItem));
    if (attribute != ATTR_ITEM_NAME || !m->def->label)
        return Misuse(UIE_BAD_ATTRIBUTE, "SetMenuBarAttribute: text attribute");
    m->label = value ? value : "";
    gBackend->MenuChanged(*p, *m);
    return 0;
}

int GetMenuBarAttribute(int menuBar, int menuItem, int attribute, std::string& value) {
    PanelState* p = FindPanelByMenuBar(menuBar);
    MenuItemState* m = p ? p->MenuItem(menuItem) : nullptr;
    if (!m) return Misuse(UIE_BAD_MENU, "GetMenuBarAttribute: no menu item " + std::to_string(menuItem));
    if (attribute != ATTR_ITEM_NAME) return Misuse(UIE_BAD_ATTRIBUTE, "GetMenuBarAttribute: text attribute");
    value = m->label;
    return 0;
}

int GetMenuBarAttribute(int menuBar, int menuItem, int attribute, int& value) {
    PanelState* p = FindPanelByMenuBar(menuBar);
    MenuItemState* m = p ? p->MenuItem(menuItem) : nullptr;
    if (!m) return Misuse(UIE_BAD_MENU, "GetMenuBarAttribute: no menu item " + std::to_string(menuItem));
    if (attribute == ATTR_DIMMED) value = m->dimmed;
    else if (attribute == ATTR_VISIBLE) value = m->visible;
    else return Misuse(UIE_BAD_ATTRIBUTE, "GetMenuBarAttribute: attribute");
    return 0;
}

int MessagePopup(const char* title, const char* message) {
    if (!gBackend) return UIE_NO_BACKEND;
    if (gAborted) return 1;
    return gBackend->MessagePopup(title ? title : "", message ? message : "");
}

int GenericMessagePopup(const char* title, const char* message, const char* button1, const char* button2,
                        const char* button3, int activeButton, int enterButton, int escapeButton) {
    if (!gBackend) return UIE_NO_BACKEND;
    std::vector<std::string> buttons;
    for (const char* b : {button1, button2, button3}) {
        if (b == nullptr || *b == '\0') break;
        buttons.emplace_back(b);
    }
    const int n = static_cast<int>(buttons.size());
    if (gAborted) return escapeButton >= 1 && escapeButton <= n ? escapeButton : n;
    return gBackend->GenericMessagePopup(title ? title : "", message ? message : "", buttons, activeButton,
                                         enterButton, escapeButton);
}

int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec, const char* fileTypeList,
                    const char* title, int buttonKind, int restrictDirectory, int restrictExtension,
                    int allowCancel, int allowMakeDirectory, std::string& pathName) {
    if (!gBackend) return UIE_NO_BACKEND;
    pathName.clear();
    if (gAborted) return VAL_NO_FILE_SELECTED;
    ToolkitBackend::FileSelect request;
    request.defaultDirectory = defaultDirectory ? defaultDirectory : "";
    request.defaultFileSpec = defaultFileSpec ? defaultFileSpec : "";
    request.fileTypeList = fileTypeList ? fileTypeList : "";
    request.title = title ? title : "";
    request.buttonKind = buttonKind;
    request.restrictDirectory = restrictDirectory != 0;
    request.restrictExtension = restrictExtension != 0;
    request.allowCancel = allowCancel != 0;
    request.allowMakeDirectory = allowMakeDirectory != 0;
    pathName.clear();
    return gBackend->FileSelectPopup(request, pathName);
}

int SplitPath(const char* path, std::string& drive, std::string& directory, std::string& fileName) {
    std::string p = path ? path : "";
    drive.clear();
#ifdef _WIN32
    // C:\Prüfung\a.krv: the drive apart, and either slash separates.
    if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        drive = p.substr(0, 2);
        p.erase(0, 2);
    }
    std::size_t slash = p.find_last_of("/\\");
#else
    std::size_t slash = p.find_last_of('/');
#endif
    if (slash == std::string::npos) {
        directory.clear();
        fileName = p;
    } else {
        directory = p.substr(0, slash + 1);
        fileName = p.substr(slash + 1);
    }
    return 0;
}

int Delay(double seconds) {
    if (!gBackend) return UIE_NO_BACKEND;
    if (seconds > 0.0) gBackend->Delay(seconds);
    return 0;
}

int SetSystemAttribute(int, int) { return 0; }

// ---- operator actions, for the backends ----

namespace {

ControlState* Operable(int panel, int control, PanelState** panelOut) {
    PanelState* p = Panel(panel, "operate");
    ControlState* c = Control(p, control, "operate");
    if (!c) return nullptr;
    if (c->dimmed || !c->visible || c->def->indicator) {
        Misuse(UIE_BAD_CONTROL, std::string("operate: ") + p->def->name + "_" + c->def->name +
                                    " cannot be operated (dimmed, hidden or an indicator)");
        return nullptr;
    }
    if (!p->shown || (!gPopups.empty() && gPopups.back() != panel)) {
        Misuse(UIE_BAD_PANEL, std::string("operate: panel ") + p->def->name +
                                  " is not shown or lies behind a modal pop-up");
        return nullptr;
    }
    *panelOut = p;
    return c;
}

void ValueEdited(int panel, int control) {
    DispatchCtrlEvent(panel, control, EVENT_VAL_CHANGED);
    DispatchCtrlEvent(panel, control, EVENT_COMMIT);
}

}  // namespace

void OperatorSetValue(int panel, int control, int value) {
    PanelState* p = nullptr;
    ControlState* c = Operable(panel, control, &p);
    if (!c) return;
    if (HasItems(*c)) {
        if (SelectItemWithValue(p, c, value) != 0) return;
    } else if (TypeOf(*c) == ValueType::Int) {
        c->intValue = static_cast<int>(Coerce(*c, value));
        Notify(p, c, Change::Value);
    } else if (TypeOf(*c) == ValueType::Double) {
        c->doubleValue = Coerce(*c, value);
        Notify(p, c, Change::Value);
    } else {
        TypeMismatch(p, c, "operate");
        return;
    }
    ValueEdited(panel, control);
}

void OperatorSetValue(int panel, int control, double value) {
    PanelState* p = nullptr;
    ControlState* c = Operable(panel, control, &p);
    if (!c) return;
    if (TypeOf(*c) != ValueType::Double || HasItems(*c)) {
        TypeMismatch(p, c, "operate");
        return;
    }
    c->doubleValue = Coerce(*c, value);
    Notify(p, c, Change::Value);
    ValueEdited(panel, control);
}

void OperatorSetText(int panel, int control, const std::string& text) {
    PanelState* p = nullptr;
    ControlState* c = Operable(panel, control, &p);
    if (!c) return;
    if (TypeOf(*c) != ValueType::Text) {
        TypeMismatch(p, c, "operate");
        return;
    }
    c->text = c->maxEntryLength > 0 ? text.substr(0, c->maxEntryLength) : text;
    Notify(p, c, Change::Value);
    ValueEdited(panel, control);
}

void OperatorSelectIndex(int panel, int control, int index) {
    PanelState* p = nullptr;
    ControlState* c = Operable(panel, control, &p);
    if (!c) return;
    if (!HasItems(*c) || index < 0 || index >= static_cast<int>(c->items.size())) {
        Misuse(UIE_BAD_INDEX, "operate: no item " + std::to_string(index));
        return;
    }
    c->index = index;
    Notify(p, c, Change::Value);
    ValueEdited(panel, control);
}

bool PanelReachable(int panel) {
    PanelState* p = FindPanel(panel);
    return p && p->shown && (gPopups.empty() || gPopups.back() == panel);
}

int DispatchCtrlEvent(int panel, int control, int event, int eventData1, int eventData2) {
    PanelState* p = FindPanel(panel);
    ControlState* c = p ? p->Control(control) : nullptr;
    if (!c || !c->def->callback) return 0;
    return c->def->callback(panel, control, event, nullptr, eventData1, eventData2);
}

int DispatchPanelEvent(int panel, int event) {
    PanelState* p = FindPanel(panel);
    if (!p || !p->def->callback) return 0;
    return p->def->callback(panel, event, nullptr, 0, 0);
}

void DispatchMenu(int menuBar, int menuItem) {
    PanelState* p = FindPanelByMenuBar(menuBar);
    MenuItemState* m = p ? p->MenuItem(menuItem) : nullptr;
    if (!m || m->dimmed || !m->visible || !m->def->callback) return;
    m->def->callback(menuBar, menuItem, nullptr, p->handle);
}

namespace {

std::string gDroppedFile;

bool EndsWithIgnoringCase(const std::string& text, const std::string& end) {
    if (end.size() > text.size()) return false;
    return std::equal(end.rbegin(), end.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

bool PanelTakesDroppedFile(int panel, const std::string& path) {
    PanelState* p = FindPanel(panel);
    if (!p || !p->def->callback || p->dropFileTypes.size() < 2 || p->dropFileTypes.compare(0, 1, "*") != 0)
        return false;
    if (!PanelReachable(panel)) return false;
    // "*.krv": a name that ends in ".krv", and more than the extension.
    const std::string extension = p->dropFileTypes.substr(1);
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.size() > extension.size() && EndsWithIgnoringCase(name, extension);
}

bool DispatchFileDrop(int panel, const std::string& path) {
    if (!PanelTakesDroppedFile(panel, path)) return false;
    PanelState* p = FindPanel(panel);
    gDroppedFile = path;
    p->def->callback(panel, EVENT_FILESDROPPED, nullptr, 0, 0);
    gDroppedFile.clear();
    return true;
}

int GetDroppedFile(std::string& path) {
    path = gDroppedFile;
    return 0;
}
