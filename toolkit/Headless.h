#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/Backend.h"

// The toolkit without a screen: panels live in memory only. Tests operate
// controls as a person would, queue the answers to pop-ups and read back what
// was shown. Nothing waits: an event loop with nothing left to do, or a
// pop-up nobody answers, is reported through the failure handler (unless an
// external source, see WatchExternal, can still wake it).

struct ShownPopup {
    enum Kind { Message, Generic, FileSelect } kind = Message;
    std::string title;
    std::string message;
    std::vector<std::string> buttons;  // Generic
    int activeButton = 0, enterButton = 0, escapeButton = 0;
    ToolkitBackend::FileSelect fileSelect;  // FileSelect
    int answer = 0;
};

class HeadlessBackend : public ToolkitBackend {
public:
    // Called for every misuse and every unexpected pop-up. The default prints
    // the reason and aborts; tests install one that fails the test.
    using FailureHandler = std::function<void(const std::string&)>;
    explicit HeadlessBackend(FailureHandler onFailure = {});

    // ---- answers to pop-ups, used in the order queued ----
    void AnswerMessage();                                   // the OK button
    void AnswerGeneric(int button);                         // 1-based
    void AnswerFileSelect(int result, const std::string& path = "");
    bool AllAnswersUsed() const { return answers_.empty(); }
    const std::vector<ShownPopup>& Shown() const { return shown_; }
    void ClearShown() { shown_.clear(); }

    // ---- operator actions delivered later by the event loop ----
    void Later(std::function<void()> action);
    std::size_t PendingActions() const { return actions_.size(); }

    // Makes LoadPanel fail for that panel resource, as if it were missing.
    void RefusePanel(int resourceId) { refused_.push_back(resourceId); }

    // ---- documents printed or made into a PDF, in order ----
    const std::vector<PrintDocument>& Printed() const { return printed_; }
    // The next print dialog is cancelled instead of printing.
    void CancelNextPrint() { cancelPrint_ = true; }

    // ---- state a person would see ----
    bool Quitted() const { return quitted_; }
    int QuitCode() const { return quitCode_; }
    double DelayedSeconds() const { return delayed_; }
    std::vector<int> InstalledPopups() const { return popups_; }

    // ToolkitBackend
    bool CanLoadPanel(const PanelDef& def) override;
    void PanelLoaded(PanelState&) override {}
    void PanelShown(PanelState&, bool) override {}
    void PanelChanged(PanelState&) override {}
    void ControlChanged(PanelState&, ControlState&, Change) override {}
    void MenuChanged(PanelState&, MenuItemState&) override {}
    void PopupInstalled(PanelState& panel, bool installed) override;
    int Run() override;
    void Quit(int code) override;
    void ProcessEvents() override;
    void WaitForEvent() override;
    void Delay(double seconds) override { delayed_ += seconds; }
    int MessagePopup(const std::string& title, const std::string& message) override;
    int GenericMessagePopup(const std::string& title, const std::string& message,
                            const std::vector<std::string>& buttons, int activeButton, int enterButton,
                            int escapeButton) override;
    int FileSelectPopup(const FileSelect& request, std::string& path) override;
    void Misuse(const std::string& what) override;
    int PrintDialog(const PrintDocument& document) override;
    // The bytes are the document's lines, not a real PDF.
    int RenderPdf(const PrintDocument& document, std::string& pdf) override;
    // With an external source, an event loop or a modal wait with nothing
    // queued blocks until the source is ready, instead of failing.
    void WatchExternal(std::intptr_t descriptor, std::function<void()> handler) override;

private:
    // Runs the external handler if its source is ready, waiting for it when
    // warten: 1 when it ran, 0 when the source was not ready, -1 without one.
    int External(bool warten);

    struct Answer {
        ShownPopup::Kind kind;
        int value;
        std::string path;
    };
    bool TakeAnswer(ShownPopup::Kind kind, const std::string& title, Answer& answer);
    void Fail(const std::string& what);

    FailureHandler onFailure_;
    std::deque<Answer> answers_;
    std::vector<ShownPopup> shown_;
    std::deque<std::function<void()>> actions_;
    std::vector<int> popups_;
    std::vector<int> refused_;
    std::intptr_t externalDescriptor_ = -1;
    std::function<void()> externalHandler_;
    bool running_ = false;
    bool quitted_ = false;
    int quitCode_ = 0;
    double delayed_ = 0.0;
    std::vector<PrintDocument> printed_;
    bool cancelPrint_ = false;
};

// Installs a fresh headless backend and returns it (owned by the toolkit).
HeadlessBackend& UseHeadlessBackend(HeadlessBackend::FailureHandler onFailure = {});

// ---- a person operating the controls (acts at once) ----
// A numeric, check box, radio button, toggle or ring gets its new value, then
// value changed and commit fire.
void Operate(int panel, int control, int value);
void Operate(int panel, int control, double value);
void OperateText(int panel, int control, const std::string& text);
void OperateIndex(int panel, int control, int index);  // rings and list boxes
void Press(int panel, int control);                   // command button: commit
void Toggle(int panel, int control);                  // toggle button: flips, then events
void KeyPress(int panel, int control, int keyCode);   // EVENT_KEYPRESS with the key code
void Click(int panel, int control);                   // picture ring: left click
void Tick(int panel, int control);                    // timer tick; fails when disabled
void ClosePanel(int panel);                           // the window's close box
void ChooseMenu(int panel, int menuItem);             // menu item of the panel's menu bar
// A file dragged onto the panel and let go: false when the panel refuses it
// (the pointer's "no" sign), else its callback has handled the drop.
bool DropFile(int panel, const std::string& path);
