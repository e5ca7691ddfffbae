#include "panels/Direkttest.h"

// Placeholder until the direct test is built: it is never on.
bool gDirekttestAn = false;
bool gImpulsGesendet = false;

bool DirekttestAktiv() { return gDirekttestAn; }

int DirekttestEinAus(int) { return 0; }
