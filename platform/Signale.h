#pragma once

#include <cstdint>

// The signals by which the system ends a program from outside: SIGTERM,
// SIGINT and SIGHUP (a kill, Ctrl-C, a closed terminal or a logout); on
// Windows the console's Ctrl-C, close, logoff and shutdown events. Their
// handler only notes the signal and makes a descriptor ready, so that the
// event loop wakes and the program ends in order on its own thread.

// Installs the handlers. False when that is not possible; the signals then
// keep their usual effect.
bool BeendigungssignaleAbfangen();
// The usual effect again; the descriptor is closed.
void BeendigungssignaleFreigeben();
// Ready (readable; on Windows signalled) once a signal has come: a file
// descriptor, on Windows an event handle. -1 when no handlers are installed.
std::intptr_t BeendigungssignalDeskriptor();
// The signal that came (its number), 0 when none has come since the last
// call. Leaves the descriptor unready.
int BeendigungssignalAbholen();

// Blocks until the descriptor is ready, at most the time (millisekunden < 0:
// without a limit). False on time-out or error.
bool DeskriptorAbwarten(std::intptr_t deskriptor, int millisekunden);
