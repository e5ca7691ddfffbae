#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Backend.h"

// The toolkit on a terminal: panels live in memory as in the headless
// backend, and what the program shows or asks goes to the caller's handlers,
// which print it and answer in the operator's place. Nothing waits for a
// person: there is no event loop to run.
class KonsoleBackend : public ToolkitBackend {
public:
    struct Handler {
        // A control of a shown panel got a new value from the program.
        std::function<void(const PanelState&, const ControlState&)> wert;
        std::function<void(const std::string& titel, const std::string& text)> meldung;
        // Returns the 1-based button; without a handler the escape button.
        std::function<int(const std::string& titel, const std::string& text, const std::vector<std::string>& knoepfe,
                          int enter, int escape)>
            frage;
        // Returns the result of a file selection and sets the path.
        std::function<int(const FileSelect&, std::string&)> datei;
        std::function<void(const std::string&)> fehlgebrauch;
    };

    explicit KonsoleBackend(Handler handler) : h_(std::move(handler)) {}

    void PanelLoaded(PanelState&) override {}
    void PanelShown(PanelState&, bool) override {}
    void PanelChanged(PanelState&) override {}
    void ControlChanged(PanelState& panel, ControlState& control, Change what) override;
    void MenuChanged(PanelState&, MenuItemState&) override {}
    void PopupInstalled(PanelState&, bool) override {}
    int Run() override { return 0; }
    void Quit(int) override {}
    void ProcessEvents() override {}
    void WaitForEvent() override {}
    void Delay(double) override {}
    int MessagePopup(const std::string& title, const std::string& message) override;
    int GenericMessagePopup(const std::string& title, const std::string& message,
                            const std::vector<std::string>& buttons, int activeButton, int enterButton,
                            int escapeButton) override;
    int FileSelectPopup(const FileSelect& request, std::string& path) override;
    void Misuse(const std::string& what) override;

private:
    Handler h_;
};

// Installs a console backend and returns it (owned by the toolkit).
KonsoleBackend& UseKonsoleBackend(KonsoleBackend::Handler handler);
