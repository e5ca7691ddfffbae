#pragma once

#include "toolkit/PanelDef.h"

// The definitions of every panel in "Krv4Steuerung.uir".
const PanelFileDef& Krv4SteuerungPanelFile();
