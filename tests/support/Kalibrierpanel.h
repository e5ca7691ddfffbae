#pragma once

#include <array>

#include "app/Krv4Steuerung.h"
#include "panels/Kalibrieren.h"
#include "toolkit/Headless.h"
#include "toolkit/Toolkit.h"

// The 22 values as the calibration panel shows them, V before Off per channel.
using Werte = std::array<double, kAnzahlKalibrierwerte>;

inline Werte Panelwerte() {
    Werte w{};
    for (int k = 0; k < kAnzahlKalibrierkanaele; ++k) {
        GetCtrlVal(kalPanelHandle, kKalibrierkanaele[k].v, w[2 * k]);
        GetCtrlVal(kalPanelHandle, kKalibrierkanaele[k].off, w[2 * k + 1]);
    }
    return w;
}

// Typed in by the operator, field by field.
inline void PanelSetzen(const Werte& w) {
    for (int k = 0; k < kAnzahlKalibrierkanaele; ++k) {
        Operate(kalPanelHandle, kKalibrierkanaele[k].v, w[2 * k]);
        Operate(kalPanelHandle, kKalibrierkanaele[k].off, w[2 * k + 1]);
    }
}
