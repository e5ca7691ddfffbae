// The in-memory KRV-4 of the transfer suite, for the transfers on the real widgets.
#include "transfer/Geraet.cpp"
