#pragma once

// The end of a run from outside: SIGTERM, SIGINT, SIGHUP (on Windows the
// console's events) or a lost display end the program the way "Beenden"
// does, without the question nobody is there to answer: the direct test is
// switched off, the settings file written, unsaved data kept in the recovery
// file, the port closed.

// Before start-up: the signals are caught from here on, and noted until the
// event loop can take them.
void BeendigungssignaleEinrichten();
// In start-up, once the toolkit runs: a caught signal wakes the event loop
// (and any modal wait) and ends the run.
void BeendigungssignaleBeobachten();
// The event loop is about to run: should the process end in the middle of
// it (the toolkit ends it when the display is lost), shutdown still happens.
void LaufBeginnt();
// Shutdown has begun; it happens once.
void LaufEndet();
// After shutdown: the signals have their usual effect again.
void BeendigungssignaleFreigebenNachLauf();
// Whether the run was ended from outside.
bool VonAussenBeendet();
