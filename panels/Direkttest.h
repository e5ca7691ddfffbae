#pragma once

// Direct test: the device applies the step shown on the main panel at once.

extern bool gDirekttestAn;
extern bool gImpulsGesendet;

bool DirekttestAktiv();
// 1 switches the direct test on, 0 off (sending "stopp" and reloading the
// stored step). 0 or the first failure's code.
int DirekttestEinAus(int ein);
