#pragma once

// Programs with every instrument, rule, valve pattern and name edge the
// device must carry: umlauts, a 20-character name, pulse times in 0.1 ms.
// The store is filled with them, program 1 selected.
void VielfaeltigerSpeicher();
