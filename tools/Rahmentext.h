#pragma once

#include <cstdio>
#include <string>

// A frame as a readable line for logs and traces: control bytes by name,
// everything else outside printable ASCII as two hex digits.
inline std::string Lesbar(const std::string& bytes) {
    std::string s;
    for (unsigned char c : bytes) {
        switch (c) {
            case 0x06: s += "<ACK>"; break;
            case 0x15: s += "<NAK>"; break;
            case 0x18: s += "<CAN>"; break;
            case 0x0D: s += "<CR>"; break;
            default:
                if (c >= 0x20 && c < 0x7F && c != '<') {
                    s += static_cast<char>(c);
                } else {
                    char h[8];
                    std::snprintf(h, sizeof h, "<%02X>", c);
                    s += h;
                }
        }
    }
    return s;
}
