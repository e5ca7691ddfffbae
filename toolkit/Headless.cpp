#include "toolkit/Headless.h"

#include <cstdio>
#include <cstdlib>

#include "platform/Signale.h"

namespace {

const char* KindName(ShownPopup::Kind kind) {
    switch (kind) {
        case ShownPopup::Message: return "MessagePopup";
        case ShownPopup::Generic: return "GenericMessagePopup";
        case ShownPopup::FileSelect: return "FileSelectPopup";
    }
    return "?";
}

HeadlessBackend* Headless() { return dynamic_cast<HeadlessBackend*>(CurrentToolkitBackend()); }

}  // namespace

HeadlessBackend::HeadlessBackend(FailureHandler onFailure) : onFailure_(std::move(onFailure)) {}

void HeadlessBackend::Fail(const std::string& what) {
    if (onFailure_) {
        onFailure_(what);
        return;
    }
    std::fprintf(stderr, "headless toolkit: %s\n", what.c_str());
    std::abort();
}

void HeadlessBackend::Misuse(const std::string& what) { Fail("misuse: " + what); }

void HeadlessBackend::AnswerMessage() { answers_.push_back({ShownPopup::Message, 1, {}}); }
void HeadlessBackend::AnswerGeneric(int button) { answers_.push_back({ShownPopup::Generic, button, {}}); }
void HeadlessBackend::AnswerFileSelect(int result, const std::string& path) {
    answers_.push_back({ShownPopup::FileSelect, result, path});
}

bool HeadlessBackend::TakeAnswer(ShownPopup::Kind kind, const std::string& title, Answer& answer) {
    if (answers_.empty()) {
        Fail(std::string("unexpected ") + KindName(kind) + " \"" + title + "\" (no answer queued)");
        return false;
    }
    if (answers_.front().kind != kind) {
        Fail(std::string("unexpected ") + KindName(kind) + " \"" + title + "\" (the next answer is for a " +
             KindName(answers_.front().kind) + ")");
        return false;
    }
    answer = answers_.front();
    answers_.pop_front();
    return true;
}

int HeadlessBackend::MessagePopup(const std::string& title, const std::string& message) {
    ShownPopup shown;
    shown.kind = ShownPopup::Message;
    shown.title = title;
    shown.message = message;
    Answer answer{};
    TakeAnswer(ShownPopup::Message, title, answer);
    shown.answer = 1;
    shown_.push_back(shown);
    return 1;
}

int HeadlessBackend::GenericMessagePopup(const std::string& title, const std::string& message,
                                         const std::vector<std::string>& buttons, int activeButton,
                                         int enterButton, int escapeButton) {
    ShownPopup shown;
    shown.kind = ShownPopup::Generic;
    shown.title = title;
    shown.message = message;
    shown.buttons = buttons;
    shown.activeButton = activeButton;
    shown.enterButton = enterButton;
    shown.escapeButton = escapeButton;
    Answer answer{};
    int result = escapeButton > 0 ? escapeButton : static_cast<int>(buttons.size());
    if (TakeAnswer(ShownPopup::Generic, title, answer)) {
        if (answer.value < 1 || answer.value > static_cast<int>(buttons.size()))
            Fail("GenericMessagePopup \"" + title + "\" has no button " + std::to_string(answer.value));
        else
            result = answer.value;
    }
    shown.answer = result;
    shown_.push_back(shown);
    return result;
}

int HeadlessBackend::FileSelectPopup(const FileSelect& request, std::string& path) {
    ShownPopup shown;
    shown.kind = ShownPopup::FileSelect;
    shown.title = request.title;
    shown.fileSelect = request;
    Answer answer{};
    int result = VAL_NO_FILE_SELECTED;
    if (TakeAnswer(ShownPopup::FileSelect, request.title, answer)) {
        result = answer.value;
        if (result != VAL_NO_FILE_SELECTED) path = answer.path;
    }
    shown.answer = result;
    shown_.push_back(shown);
    return result;
}

bool HeadlessBackend::CanLoadPanel(const PanelDef& def) {
    for (int id : refused_)
        if (id == def.resourceId) return false;
    return true;
}

void HeadlessBackend::Later(std::function<void()> action) { actions_.push_back(std::move(action)); }

void HeadlessBackend::PopupInstalled(PanelState& panel, bool installed) {
    if (installed) {
        popups_.push_back(panel.handle);
    } else {
        for (auto it = popups_.begin(); it != popups_.end(); ++it)
            if (*it == panel.handle) {
                popups_.erase(it);
                break;
            }
    }
}

void HeadlessBackend::WatchExternal(std::intptr_t descriptor, std::function<void()> handler) {
    externalDescriptor_ = handler ? descriptor : -1;
    externalHandler_ = std::move(handler);
}

int HeadlessBackend::External(bool warten) {
    if (externalDescriptor_ < 0 || !externalHandler_) return -1;
    if (!DeskriptorAbwarten(externalDescriptor_, warten ? -1 : 0)) return 0;
    std::function<void()> handler = externalHandler_;
    handler();
    return 1;
}

int HeadlessBackend::Run() {
    running_ = true;
    quitted_ = false;
    while (!quitted_) {
        if (External(actions_.empty()) == 1) continue;
        if (actions_.empty()) {
            running_ = false;
            Fail("RunUserInterface: the event loop would wait for ever (no operator action queued)");
            return -1;
        }
        auto action = std::move(actions_.front());
        actions_.pop_front();
        action();
    }
    running_ = false;
    return quitCode_;
}

void HeadlessBackend::Quit(int code) {
    quitted_ = true;
    quitCode_ = code;
}

void HeadlessBackend::ProcessEvents() {
    External(false);
    // Only what is pending now; actions queued by these callbacks wait.
    std::size_t n = actions_.size();
    for (std::size_t i = 0; i < n && !actions_.empty(); ++i) {
        auto action = std::move(actions_.front());
        actions_.pop_front();
        action();
    }
}

void HeadlessBackend::WaitForEvent() {
    if (External(actions_.empty()) == 1) return;
    if (actions_.empty()) {
        Fail("WaitForSystemEvent: would wait for ever (no operator action queued)");
        // A handler that returns cannot release the waiting caller.
        std::fprintf(stderr, "headless toolkit: a modal wait cannot end\n");
        std::abort();
    }
    auto action = std::move(actions_.front());
    actions_.pop_front();
    action();
}

HeadlessBackend& UseHeadlessBackend(HeadlessBackend::FailureHandler onFailure) {
    auto backend = std::make_unique<HeadlessBackend>(std::move(onFailure));
    HeadlessBackend& ref = *backend;
    SetToolkitBackend(std::move(backend));
    return ref;
}

// ---- a person operating the controls ----

namespace {

void FailOn(const std::string& what) {
    if (HeadlessBackend* h = Headless()) h->Misuse(what);
}

ControlState* Find(int panel, int control, const char* op) {
    PanelState* p = FindPanel(panel);
    ControlState* c = p ? p->Control(control) : nullptr;
    if (!c) {
        FailOn(std::string(op) + ": no control " + std::to_string(control) + " on panel " + std::to_string(panel));
        return nullptr;
    }
    if (c->dimmed || !c->visible || !PanelReachable(panel)) {
        FailOn(std::string(op) + ": " + p->def->name + "_" + c->def->name +
               " is dimmed or hidden, or its panel cannot be reached");
        return nullptr;
    }
    return c;
}

}  // namespace

void Operate(int panel, int control, int value) { OperatorSetValue(panel, control, value); }
void Operate(int panel, int control, double value) { OperatorSetValue(panel, control, value); }
void OperateText(int panel, int control, const std::string& text) { OperatorSetText(panel, control, text); }
void OperateIndex(int panel, int control, int index) { OperatorSelectIndex(panel, control, index); }

void Press(int panel, int control) {
    ControlState* c = Find(panel, control, "Press");
    if (!c) return;
    if (c->def->kind != CtrlKind::Command) {
        FailOn(std::string("Press: ") + c->def->name + " is not a command button");
        return;
    }
    DispatchCtrlEvent(panel, control, EVENT_COMMIT);
}

void Toggle(int panel, int control) {
    ControlState* c = Find(panel, control, "Toggle");
    if (!c) return;
    OperatorSetValue(panel, control, c->intValue ? 0 : 1);
}

void KeyPress(int panel, int control, int keyCode) {
    if (Find(panel, control, "KeyPress")) DispatchCtrlEvent(panel, control, EVENT_KEYPRESS, keyCode);
}

void Click(int panel, int control) {
    if (Find(panel, control, "Click")) DispatchCtrlEvent(panel, control, EVENT_LEFT_CLICK);
}

void Tick(int panel, int control) {
    PanelState* p = FindPanel(panel);
    ControlState* c = p ? p->Control(control) : nullptr;
    if (!c || c->def->kind != CtrlKind::Timer || !c->timerEnabled) {
        FailOn("Tick: timer " + std::to_string(control) + " is not enabled");
        return;
    }
    DispatchCtrlEvent(panel, control, EVENT_TIMER_TICK);
}

void ClosePanel(int panel) {
    if (!PanelReachable(panel)) {
        FailOn("ClosePanel: panel " + std::to_string(panel) + " is not shown or cannot be reached");
        return;
    }
    DispatchPanelEvent(panel, EVENT_CLOSE);
}

void ChooseMenu(int panel, int menuItem) {
    PanelState* p = FindPanel(panel);
    MenuItemState* m = p ? p->MenuItem(menuItem) : nullptr;
    if (!m || m->dimmed || !m->visible || !m->def->label || !PanelReachable(panel)) {
        FailOn("ChooseMenu: item " + std::to_string(menuItem) + " is missing, dimmed or a separator");
        return;
    }
    DispatchMenu(p->menuBar, menuItem);
}

bool DropFile(int panel, const std::string& path) { return DispatchFileDrop(panel, path); }

int HeadlessBackend::PrintDialog(const PrintDocument& document) {
    if (cancelPrint_) {
        cancelPrint_ = false;
        return 1;
    }
    printed_.push_back(document);
    return 0;
}

int HeadlessBackend::RenderPdf(const PrintDocument& document, std::string& pdf) {
    printed_.push_back(document);
    pdf = "%PDF-headless\n" + document.title + "\n";
    for (const DocumentLine& line : document.lines) pdf += line.text + "\t" + line.value + "\n";
    return 0;
}
