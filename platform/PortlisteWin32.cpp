// clang-format off
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Portliste.h"
#include "platform/Zeichensatz.h"

// SetupAPI's ports class names every COM port present with its friendly name
// ("USB Serial Port (COM7)"); the device's own key holds its port name.

namespace {

std::string Cp1252(const wchar_t* text) {
    std::string s;
    for (; text && *text; ++text) {
        int b = Cp1252Byte(static_cast<char32_t>(*text));
        s += b >= 0 ? static_cast<char>(b) : '?';
    }
    return s;
}

std::wstring Eigenschaft(HDEVINFO liste, SP_DEVINFO_DATA* geraet, DWORD eigenschaft) {
    wchar_t puffer[512] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(liste, geraet, eigenschaft, nullptr, reinterpret_cast<BYTE*>(puffer),
                                           sizeof puffer - sizeof(wchar_t), nullptr))
        return {};
    return puffer;
}

std::wstring Portname(HDEVINFO liste, SP_DEVINFO_DATA* geraet) {
    HKEY schluessel = SetupDiOpenDevRegKey(liste, geraet, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (schluessel == INVALID_HANDLE_VALUE) return {};
    wchar_t puffer[64] = {};
    DWORD groesse = sizeof puffer - sizeof(wchar_t);
    DWORD typ = 0;
    LONG r = RegQueryValueExW(schluessel, L"PortName", nullptr, &typ, reinterpret_cast<BYTE*>(puffer), &groesse);
    RegCloseKey(schluessel);
    return r == ERROR_SUCCESS && typ == REG_SZ ? std::wstring(puffer) : std::wstring();
}

}  // namespace

void PortlisteWurzelSetzen(const std::string&) {}

std::vector<Schnittstelle> SchnittstellenAuflisten() {
    std::vector<Schnittstelle> ports;
    HDEVINFO liste = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (liste == INVALID_HANDLE_VALUE) return ports;
    SP_DEVINFO_DATA geraet{};
    geraet.cbSize = sizeof geraet;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(liste, i, &geraet); ++i) {
        std::string name = Cp1252(Portname(liste, &geraet).c_str());
        // The class holds printer ports too.
        if (name.size() < 4 || name.compare(0, 3, "COM") != 0) continue;
        Schnittstelle s;
        s.geraet = name;
        s.pfad = "\\\\.\\" + name;
        s.name = Cp1252(Eigenschaft(liste, &geraet, SPDRP_FRIENDLYNAME).c_str());
        if (s.name.empty()) s.name = name;
        std::string bus = Cp1252(Eigenschaft(liste, &geraet, SPDRP_ENUMERATOR_NAME).c_str());
        s.usb = bus == "USB" || bus == "FTDIBUS";
        ports.push_back(s);
    }
    SetupDiDestroyDeviceInfoList(liste);
    std::sort(ports.begin(), ports.end(), [](const Schnittstelle& a, const Schnittstelle& b) {
        return std::atoi(a.geraet.c_str() + 3) < std::atoi(b.geraet.c_str() + 3);
    });
    return ports;
}
