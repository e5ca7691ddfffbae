#include "toolkit/Konsole.h"

#include <cstdio>

void KonsoleBackend::ControlChanged(PanelState& panel, ControlState& control, Change what) {
    if (what == Change::Value && panel.shown && h_.wert) h_.wert(panel, control);
}

int KonsoleBackend::MessagePopup(const std::string& title, const std::string& message) {
    if (h_.meldung) h_.meldung(title, message);
    return 1;
}

int KonsoleBackend::GenericMessagePopup(const std::string& title, const std::string& message,
                                        const std::vector<std::string>& buttons, int, int enterButton,
                                        int escapeButton) {
    const int n = static_cast<int>(buttons.size());
    int antwort = escapeButton;
    if (h_.frage) antwort = h_.frage(title, message, buttons, enterButton, escapeButton);
    // An answer the pop-up does not offer counts as its escape button.
    return antwort >= 1 && antwort <= n ? antwort : (escapeButton >= 1 && escapeButton <= n ? escapeButton : n);
}

int KonsoleBackend::FileSelectPopup(const FileSelect& request, std::string& path) {
    return h_.datei ? h_.datei(request, path) : VAL_NO_FILE_SELECTED;
}

void KonsoleBackend::Misuse(const std::string& what) {
    if (h_.fehlgebrauch) h_.fehlgebrauch(what);
    else std::fprintf(stderr, "toolkit: %s\n", what.c_str());
}

KonsoleBackend& UseKonsoleBackend(KonsoleBackend::Handler handler) {
    auto backend = std::make_unique<KonsoleBackend>(std::move(handler));
    KonsoleBackend& ref = *backend;
    SetToolkitBackend(std::move(backend));
    return ref;
}
