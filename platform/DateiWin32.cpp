#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Datei.h"
#include "platform/Zeichensatz.h"

// The file operations on the wide API of Windows. Handles are indexes into a
// small table of the system's handles.

namespace {

std::mutex gTabelleSperre;
std::vector<HANDLE> gTabelle;

int Eintragen(HANDLE h) {
    std::lock_guard<std::mutex> sperre(gTabelleSperre);
    for (std::size_t i = 0; i < gTabelle.size(); ++i) {
        if (gTabelle[i] == INVALID_HANDLE_VALUE) {
            gTabelle[i] = h;
            return static_cast<int>(i);
        }
    }
    gTabelle.push_back(h);
    return static_cast<int>(gTabelle.size() - 1);
}

HANDLE Holen(int handle) {
    std::lock_guard<std::mutex> sperre(gTabelleSperre);
    if (handle < 0 || static_cast<std::size_t>(handle) >= gTabelle.size()) return INVALID_HANDLE_VALUE;
    return gTabelle[static_cast<std::size_t>(handle)];
}

HANDLE Austragen(int handle) {
    std::lock_guard<std::mutex> sperre(gTabelleSperre);
    if (handle < 0 || static_cast<std::size_t>(handle) >= gTabelle.size()) return INVALID_HANDLE_VALUE;
    HANDLE h = gTabelle[static_cast<std::size_t>(handle)];
    gTabelle[static_cast<std::size_t>(handle)] = INVALID_HANDLE_VALUE;
    return h;
}

// The program's paths are code page 1252 texts; the system's names are UTF-16.
std::wstring Os(const std::string& pfad) {
    std::u16string w = Cp1252NachUtf16(pfad);
    return std::wstring(w.begin(), w.end());
}

std::string Verzeichnis(const std::string& pfad) {
    std::size_t trenner = pfad.find_last_of("/\\");
    if (trenner == std::string::npos) return ".";
    if (trenner == 0 || (trenner == 2 && pfad[1] == ':')) return pfad.substr(0, trenner + 1);
    return pfad.substr(0, trenner);
}

std::string Dateiname(const std::string& pfad) {
    std::size_t trenner = pfad.find_last_of("/\\:");
    return trenner == std::string::npos ? pfad : pfad.substr(trenner + 1);
}

constexpr DWORD kAlleTeilen = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

int DateiOeffnenZumLesen(const char* pfad) {
    if (pfad == nullptr || *pfad == '\0') return -1;
    HANDLE h = CreateFileW(Os(pfad).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    // Only files on a disk: a device or a pipe could block the program.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return -1;
    }
    return Eintragen(h);
}

long DateiLesen(int handle, void* puffer, std::size_t anzahl) {
    HANDLE h = Holen(handle);
    if (h == INVALID_HANDLE_VALUE) return -1;
    auto* ziel = static_cast<unsigned char*>(puffer);
    std::size_t gelesen = 0;
    while (gelesen < anzahl) {
        DWORD teil = static_cast<DWORD>(std::min<std::size_t>(anzahl - gelesen, 1u << 30));
        DWORD n = 0;
        if (!ReadFile(h, ziel + gelesen, teil, &n, nullptr)) return -1;
        if (n == 0) break;
        gelesen += n;
    }
    return static_cast<long>(gelesen);
}

long DateiSchreiben(int handle, const void* puffer, std::size_t anzahl) {
    HANDLE h = Holen(handle);
    if (h == INVALID_HANDLE_VALUE) return 0;
    const auto* quelle = static_cast<const unsigned char*>(puffer);
    std::size_t geschrieben = 0;
    while (geschrieben < anzahl) {
        DWORD teil = static_cast<DWORD>(std::min<std::size_t>(anzahl - geschrieben, 1u << 30));
        DWORD n = 0;
        if (!WriteFile(h, quelle + geschrieben, teil, &n, nullptr) || n == 0) break;
        geschrieben += n;
    }
    return static_cast<long>(geschrieben);
}

int DateiAufPlatteBringen(int handle) {
    HANDLE h = Holen(handle);
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) ? 0 : -1;
}

int DateiSchliessen(int handle) {
    HANDLE h = Austragen(handle);
    return h != INVALID_HANDLE_VALUE && CloseHandle(h) ? 0 : -1;
}

bool DateiAbsoluterPfad(const char* argument, std::string* pfad) {
    if (argument == nullptr || *argument == '\0' || pfad == nullptr) return false;
    // The command line comes in the system's ANSI code page; the whole name
    // goes through UTF-16 and UTF-8 to the program's code page.
    int laenge = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, argument, -1, nullptr, 0);
    if (laenge <= 0) return false;
    std::wstring breit(static_cast<std::size_t>(laenge), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, argument, -1, breit.data(), laenge) <= 0) return false;
    DWORD ganzLaenge = GetFullPathNameW(breit.c_str(), 0, nullptr, nullptr);
    if (ganzLaenge == 0) return false;
    std::wstring ganz(ganzLaenge, L'\0');
    ganzLaenge = GetFullPathNameW(breit.c_str(), ganzLaenge, ganz.data(), nullptr);
    if (ganzLaenge == 0 || ganzLaenge >= ganz.size()) return false;
    ganz.resize(ganzLaenge);
    int utf8Laenge = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, ganz.data(), static_cast<int>(ganz.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (utf8Laenge <= 0) return false;
    std::string utf8(static_cast<std::size_t>(utf8Laenge), '\0');
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, ganz.data(), static_cast<int>(ganz.size()), utf8.data(),
                            utf8Laenge, nullptr, nullptr) <= 0)
        return false;
    return Utf8NachCp1252(utf8, pfad);
}

bool DateiVorhanden(const char* pfad) {
    return pfad != nullptr && *pfad != '\0' && GetFileAttributesW(Os(pfad).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Links are rare on Windows and ReplaceFileW keeps what the name stands for.
std::string DateiZiel(const char* pfad) { return pfad ? pfad : ""; }

int DateiTemporaerNeben(const std::string& ziel, std::string& tempPfad, const char* tempMuster, DateiFehler* fehler) {
    DateiFehler grund = DateiFehler::keiner;
    if (fehler == nullptr) fehler = &grund;
    // An existing target must be one this process may write (not read-only,
    // not a folder), as if it were overwritten in place. The attribute is
    // asked for itself: an administrator may open a read-only file for writing.
    *fehler = DateiFehler::zielGesperrt;
    DWORD attribute = GetFileAttributesW(Os(ziel).c_str());
    if (attribute != INVALID_FILE_ATTRIBUTES && (attribute & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return -1;
    HANDLE alt = CreateFileW(Os(ziel).c_str(), GENERIC_WRITE, kAlleTeilen, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (alt == INVALID_HANDLE_VALUE) {
        DWORD fehlerCode = GetLastError();
        if (fehlerCode != ERROR_FILE_NOT_FOUND) {
            // A missing folder is no protected target: nothing can be created there.
            if (fehlerCode == ERROR_PATH_NOT_FOUND) *fehler = DateiFehler::nichtAngelegt;
            return -1;
        }
    } else {
        bool datei = GetFileType(alt) == FILE_TYPE_DISK;
        CloseHandle(alt);
        if (!datei) return -1;
    }
    // A name of its own beside the target; CREATE_NEW never takes over an
    // existing file.
    *fehler = DateiFehler::nichtAngelegt;
    std::string vorn = Verzeichnis(ziel);
    if (vorn.back() != '\\' && vorn.back() != '/') vorn += '\\';
    static unsigned zaehler = 0;
    const int versuche = tempMuster != nullptr ? 1000 : 100;
    for (int versuch = 0; versuch < versuche; ++versuch) {
        std::string kandidat;
        if (tempMuster != nullptr) {
            kandidat = vorn + DateiMusterName(tempMuster, versuch);
        } else {
            unsigned zahl = (GetCurrentProcessId() * 2654435761u) ^ (GetTickCount() * 40503u) ^ (++zaehler * 97u);
            char endung[16];
            snprintf(endung, sizeof endung, "%06x.tmp", zahl & 0xFFFFFF);
            kandidat = vorn + "~" + Dateiname(ziel) + "." + endung;
        }
        HANDLE h = CreateFileW(Os(kandidat).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            tempPfad = kandidat;
            *fehler = DateiFehler::keiner;
            return Eintragen(h);
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return -1;
    }
    return -1;
}

int DateiErsetzen(const std::string& von, const std::string& ziel) {
    std::wstring wVon = Os(von), wZiel = Os(ziel);
    // ReplaceFileW gives the new file the old one's attributes and access
    // rights; a target that does not exist yet just takes the new name.
    if (GetFileAttributesW(wZiel.c_str()) != INVALID_FILE_ATTRIBUTES &&
        ReplaceFileW(wZiel.c_str(), wVon.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return 0;
    return MoveFileExW(wVon.c_str(), wZiel.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : -1;
}

int DateiEntfernen(const std::string& pfad) { return DeleteFileW(Os(pfad).c_str()) ? 0 : -1; }
