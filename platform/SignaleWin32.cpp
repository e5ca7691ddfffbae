#include "platform/Signale.h"

#include <windows.h>

namespace {

HANDLE gEreignis = nullptr;  // set by the handler, waited for by the event loop
HANDLE gFertig = nullptr;    // set once the program has ended in order
volatile LONG gSignal = 0;

// Runs on a thread of its own. After a close, logoff or shutdown event the
// system ends the process as soon as the handler returns: it waits (at most
// the five seconds the system grants) until the program has ended in order.
BOOL WINAPI SignalNotieren(DWORD art) {
    switch (art) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT: break;
        default: return FALSE;
    }
    InterlockedCompareExchange(&gSignal, static_cast<LONG>(art) + 1, 0);
    SetEvent(gEreignis);
    if (art == CTRL_CLOSE_EVENT || art == CTRL_LOGOFF_EVENT || art == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(gFertig, 5000);
    return TRUE;
}

}  // namespace

bool BeendigungssignaleAbfangen() {
    if (gEreignis) return true;
    gEreignis = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    gFertig = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!gEreignis || !gFertig || !SetConsoleCtrlHandler(SignalNotieren, TRUE)) {
        if (gEreignis) CloseHandle(gEreignis);
        if (gFertig) CloseHandle(gFertig);
        gEreignis = gFertig = nullptr;
        return false;
    }
    return true;
}

void BeendigungssignaleFreigeben() {
    if (!gEreignis) return;
    SetEvent(gFertig);
    SetConsoleCtrlHandler(SignalNotieren, FALSE);
    // The handler thread may still hold the events: they stay until the process ends.
    gEreignis = nullptr;
}

std::intptr_t BeendigungssignalDeskriptor() {
    return gEreignis ? reinterpret_cast<std::intptr_t>(gEreignis) : -1;
}

int BeendigungssignalAbholen() {
    if (!gEreignis) return 0;
    ResetEvent(gEreignis);
    return static_cast<int>(InterlockedExchange(&gSignal, 0));
}

bool DeskriptorAbwarten(std::intptr_t deskriptor, int millisekunden) {
    DWORD warten = millisekunden < 0 ? INFINITE : static_cast<DWORD>(millisekunden);
    return WaitForSingleObject(reinterpret_cast<HANDLE>(deskriptor), warten) == WAIT_OBJECT_0;
}
