#pragma once

// Editing the step list of the working copy.

int PruefschrittNeu();  // appends a default step and selects it
