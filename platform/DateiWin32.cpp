#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cwchar>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Datei.h"

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

std::wstring Breit(const std::string& utf8) {
    if (utf8.empty()) return {};
    int laenge = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                     nullptr, 0);
    if (laenge <= 0) return {};
    std::wstring breit(static_cast<std::size_t>(laenge), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), breit.data(),
                        laenge);
    return breit;
}

// False for a name that is no UTF-16 (a lone surrogate).
bool Schmal(const wchar_t* breit, std::size_t laenge, std::string* utf8) {
    if (laenge == 0) {
        utf8->clear();
        return true;
    }
    int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, breit, static_cast<int>(laenge), nullptr, 0, nullptr,
                                nullptr);
    if (n <= 0) return false;
    utf8->assign(static_cast<std::size_t>(n), '\0');
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, breit, static_cast<int>(laenge), utf8->data(), n,
                               nullptr, nullptr) > 0;
}

std::wstring GanzerPfad(const std::wstring& pfad) {
    DWORD laenge = GetFullPathNameW(pfad.c_str(), 0, nullptr, nullptr);
    if (laenge == 0) return {};
    std::wstring ganz(laenge, L'\0');
    laenge = GetFullPathNameW(pfad.c_str(), laenge, ganz.data(), nullptr);
    if (laenge == 0 || laenge >= ganz.size()) return {};
    ganz.resize(laenge);
    return ganz;
}

// The program's paths are UTF-8; the system's names are UTF-16. Beyond
// MAX_PATH only the "\\?\" form of the whole path reaches the file.
std::wstring Os(const std::string& pfad) {
    std::wstring breit = Breit(pfad);
    if (breit.size() < MAX_PATH - 12 || breit.rfind(L"\\\\?\\", 0) == 0) return breit;
    std::wstring ganz = GanzerPfad(breit);
    if (ganz.empty()) return breit;
    if (ganz.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + ganz.substr(2);
    return L"\\\\?\\" + ganz;
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

namespace {

// Only files on a disk: a device or a pipe could block the program.
int OeffnenAufPlatte(const std::string& pfad, DWORD zugriff, DWORD teilen) {
    HANDLE h = CreateFileW(Os(pfad).c_str(), zugriff, teilen, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return -1;
    }
    return Eintragen(h);
}

}  // namespace

int DateiOeffnenZumLesen(const char* pfad) {
    if (pfad == nullptr || *pfad == '\0') return -1;
    return OeffnenAufPlatte(pfad, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
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
    std::wstring breit = Breit(argument);
    if (breit.empty()) return false;
    std::wstring ganz = GanzerPfad(breit);
    return !ganz.empty() && Schmal(ganz.data(), ganz.size(), pfad);
}

std::vector<std::string> DateiAufrufargumente(int argc, char* argv[]) {
    std::vector<std::string> argumente;
    int anzahl = 0;
    LPWSTR* breit = CommandLineToArgvW(GetCommandLineW(), &anzahl);
    // The wide command line is the one main was given, unless the caller built its own argv.
    if (breit != nullptr && anzahl == argc) {
        for (int i = 0; i < anzahl; ++i) {
            std::string utf8;
            if (!Schmal(breit[i], wcslen(breit[i]), &utf8)) utf8.clear();
            argumente.push_back(utf8);
        }
    } else {
        for (int i = 0; i < argc && argv[i] != nullptr; ++i) argumente.emplace_back(argv[i]);
    }
    if (breit != nullptr) LocalFree(breit);
    return argumente;
}

bool DateiVorhanden(const char* pfad) {
    return pfad != nullptr && *pfad != '\0' && GetFileAttributesW(Os(pfad).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Links are rare on Windows and ReplaceFileW keeps what the name stands for.
std::string DateiZiel(const char* pfad) { return pfad ? pfad : ""; }

namespace {

std::string Vorn(const std::string& ziel) {
    std::string vorn = Verzeichnis(ziel);
    if (vorn.back() != '\\' && vorn.back() != '/') vorn += '\\';
    return vorn;
}

// "~name.xxxxxx.tmp" beside the target, six hex digits.
std::string Systemname(const std::string& ziel) {
    static unsigned zaehler = 0;
    unsigned zahl = (GetCurrentProcessId() * 2654435761u) ^ (GetTickCount() * 40503u) ^ (++zaehler * 97u);
    char endung[16];
    snprintf(endung, sizeof endung, "%06x.tmp", zahl & 0xFFFFFF);
    return Vorn(ziel) + "~" + Dateiname(ziel) + "." + endung;
}

// Whether a new file can be made beside the target: asked by making one,
// since the folder's rights are the system's to judge.
bool OrdnerNimmtDateien(const std::string& ziel) {
    HANDLE probe = CreateFileW(Os(Systemname(ziel)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return GetLastError() != ERROR_ACCESS_DENIED;
    CloseHandle(probe);
    return true;
}

}  // namespace

int DateiZielPruefen(const std::string& ziel, DateiZielZustand& zustand, DateiFehler* fehler) {
    DateiFehler grund = DateiFehler::keiner;
    if (fehler == nullptr) fehler = &grund;
    zustand = DateiZielZustand{};
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
        zustand.umbenennen = true;
        *fehler = DateiFehler::keiner;
        return 0;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    LARGE_INTEGER laenge{};
    bool datei = GetFileType(alt) == FILE_TYPE_DISK && GetFileInformationByHandle(alt, &info) &&
                 GetFileSizeEx(alt, &laenge);
    CloseHandle(alt);
    if (!datei) return -1;
    zustand.vorhanden = true;
    zustand.laenge = laenge.QuadPart;
    // ReplaceFileW keeps the old file's attributes, rights and owner, but not
    // its other names.
    zustand.umbenennen = info.nNumberOfLinks == 1 && OrdnerNimmtDateien(ziel);
    *fehler = DateiFehler::keiner;
    return 0;
}

namespace {

// The name without a pattern: "~name.xxxxxx.tmp", six hex digits.
bool EigenerSystemname(const std::string& ziel, const std::string& eintrag) {
    const std::string vorn = "~" + Dateiname(ziel) + ".";
    if (eintrag.size() != vorn.size() + 10 || eintrag.compare(0, vorn.size(), vorn) != 0 ||
        eintrag.compare(eintrag.size() - 4, 4, ".tmp") != 0)
        return false;
    return std::all_of(eintrag.begin() + static_cast<std::ptrdiff_t>(vorn.size()), eintrag.end() - 4,
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

int DateiTemporaerNeben(const std::string& ziel, std::string& tempPfad, const char* tempMuster) {
    // A name of its own beside the target; CREATE_NEW never takes over an
    // existing file.
    std::string vorn = Vorn(ziel);
    const int versuche = tempMuster != nullptr ? 1000 : 100;
    for (int versuch = 0; versuch < versuche; ++versuch) {
        std::string kandidat;
        if (tempMuster != nullptr) {
            kandidat = vorn + DateiMusterName(tempMuster, versuch);
        } else {
            kandidat = Systemname(ziel);
        }
        HANDLE h = CreateFileW(Os(kandidat).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            tempPfad = kandidat;
            return Eintragen(h);
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return -1;
    }
    return -1;
}

void DateiVeralteteTemporaereEntfernen(const std::string& ziel, const char* tempMuster) {
    const std::string vorn = Vorn(ziel);
    WIN32_FIND_DATAW fund{};
    HANDLE suche = FindFirstFileW(Os(vorn + "*").c_str(), &fund);
    if (suche == INVALID_HANDLE_VALUE) return;
    FILETIME jetztZeit{};
    GetSystemTimeAsFileTime(&jetztZeit);
    auto zahl = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const unsigned long long grenze = zahl(jetztZeit) - kTemporaerVeraltetSekunden * 10000000ull;
    std::vector<std::string> veraltet;
    do {
        std::string eintrag;
        if ((fund.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
            !Schmal(fund.cFileName, wcslen(fund.cFileName), &eintrag))
            continue;
        bool eigen = tempMuster != nullptr ? DateiMusterPasst(tempMuster, eintrag) : EigenerSystemname(ziel, eintrag);
        if (eigen && zahl(fund.ftLastWriteTime) < grenze) veraltet.push_back(vorn + eintrag);
    } while (FindNextFileW(suche, &fund));
    FindClose(suche);
    for (const std::string& pfad : veraltet) DeleteFileW(Os(pfad).c_str());
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

int DateiOeffnenZumAendern(const std::string& pfad) {
    return OeffnenAufPlatte(pfad, GENERIC_READ | GENERIC_WRITE, kAlleTeilen);
}

int DateiSicherungAnlegen(std::string& pfad) {
    wchar_t ordner[MAX_PATH + 1];
    DWORD laenge = GetTempPathW(MAX_PATH + 1, ordner);
    std::string vorn;
    if (laenge == 0 || laenge > MAX_PATH || !Schmal(ordner, laenge, &vorn)) return -1;
    static unsigned zaehler = 0;
    for (int versuch = 0; versuch < 100; ++versuch) {
        unsigned zahl = (GetCurrentProcessId() * 2654435761u) ^ (GetTickCount() * 40503u) ^ (++zaehler * 97u);
        char name[32];
        snprintf(name, sizeof name, "krv4-alt.%06x.tmp", zahl & 0xFFFFFF);
        HANDLE h = CreateFileW(Os(vorn + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            pfad = vorn + name;
            return Eintragen(h);
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return -1;
    }
    return -1;
}

namespace {

bool Positionieren(HANDLE h, long long stelle) {
    LARGE_INTEGER wo{};
    wo.QuadPart = stelle;
    return SetFilePointerEx(h, wo, nullptr, FILE_BEGIN) != 0;
}

}  // namespace

long DateiSchreibenAn(int handle, long long stelle, const void* puffer, std::size_t anzahl) {
    if (!Positionieren(Holen(handle), stelle)) return 0;
    return DateiSchreiben(handle, puffer, anzahl);
}

long DateiLesenAn(int handle, long long stelle, void* puffer, std::size_t anzahl) {
    if (!Positionieren(Holen(handle), stelle)) return -1;
    return DateiLesen(handle, puffer, anzahl);
}

int DateiLaengeSetzen(int handle, long long laenge) {
    HANDLE h = Holen(handle);
    return Positionieren(h, laenge) && SetEndOfFile(h) ? 0 : -1;
}
