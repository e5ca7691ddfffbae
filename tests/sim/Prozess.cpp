// The simulator is started and stopped as the end-to-end suite does it.
#include "e2e/Prozess.cpp"
