#include "app/Beendigung.h"

#include <cstdio>
#include <cstdlib>

#include "app/Krv4Steuerung.h"
#include "model/Schrittliste.h"
#include "platform/Signale.h"
#include "toolkit/Toolkit.h"

namespace {

bool gLaeuft = false;
bool gVonAussen = false;

void VonAussenBeenden() {
    gVonAussen = true;
    // A name input waits for Enter, which will not come.
    gEingabeFlag = true;
    AbortUserInterface(0);
}

void SignalGekommen() {
    if (BeendigungssignalAbholen() != 0) VonAussenBeenden();
}

// The process ends in the middle of the run (Qt calls exit() when the
// connection to the display breaks): what can still be done is done. Then
// it ends at once: the static objects would take down widgets that the
// abandoned stack (a pop-up's own loop) still holds.
void BeiProzessende() {
    if (!gLaeuft) return;
    VonAussenBeenden();
    Krv4SteuerungBeenden();
    std::fflush(nullptr);
    std::_Exit(1);
}

}  // namespace

void BeendigungssignaleEinrichten() {
    gVonAussen = false;
    BeendigungssignaleAbfangen();
}

void BeendigungssignaleBeobachten() {
    if (BeendigungssignalDeskriptor() >= 0) WatchExternalEvents(BeendigungssignalDeskriptor(), SignalGekommen);
}

void LaufBeginnt() {
    static bool angemeldet = false;
    if (!angemeldet) angemeldet = std::atexit(BeiProzessende) == 0;
    gLaeuft = true;
}

void LaufEndet() { gLaeuft = false; }

void BeendigungssignaleFreigebenNachLauf() {
    WatchExternalEvents(-1, nullptr);
    BeendigungssignaleFreigeben();
}

bool VonAussenBeendet() { return gVonAussen && UserInterfaceAborted(); }
