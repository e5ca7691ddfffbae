#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "platform/Datei.h"

std::string BenutzerOrdner() {
    const wchar_t* appdata = _wgetenv(L"APPDATA");
    if (!appdata || !*appdata) return "";
    std::wstring ordner = std::wstring(appdata) + L"\\krv4steuerung";
    if (!CreateDirectoryW(ordner.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return "";
    // The program's paths are code page 1252; a folder outside it cannot be one.
    BOOL ersetzt = FALSE;
    int laenge = WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, ordner.c_str(), -1, nullptr, 0, nullptr, &ersetzt);
    if (laenge <= 0 || ersetzt) return "";
    std::string pfad(static_cast<std::size_t>(laenge), '\0');
    WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, ordner.c_str(), -1, pfad.data(), laenge, nullptr, &ersetzt);
    pfad.resize(static_cast<std::size_t>(laenge - 1));
    return pfad;
}
