#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

// A path as the test's own file calls reach it at any length: on Windows
// the C library's calls stop at MAX_PATH, the \\?\ form of the whole path
// does not.
inline std::filesystem::path Erreichbar(const std::filesystem::path& pfad) {
#ifdef _WIN32
    return L"\\\\?\\" + std::filesystem::absolute(pfad).lexically_normal().wstring();
#else
    return pfad;
#endif
}

// The names in a folder, sorted; and a folder removed with all it holds. The
// C++ library's folder walk of mingw-w64 fails beyond MAX_PATH even in the
// \\?\ form, so Windows walks with its own calls.
inline std::vector<std::filesystem::path> Ordnerinhalt(const std::filesystem::path& ordner) {
    std::vector<std::filesystem::path> namen;
#ifdef _WIN32
    WIN32_FIND_DATAW fund{};
    HANDLE suche = FindFirstFileW((Erreichbar(ordner) / L"*").c_str(), &fund);
    if (suche == INVALID_HANDLE_VALUE) return namen;
    do {
        std::wstring name = fund.cFileName;
        if (name != L"." && name != L"..") namen.emplace_back(name);
    } while (FindNextFileW(suche, &fund));
    FindClose(suche);
#else
    std::error_code fehler;
    for (const auto& e : std::filesystem::directory_iterator(ordner, fehler)) namen.push_back(e.path().filename());
#endif
    std::sort(namen.begin(), namen.end());
    return namen;
}

// Creates the folder and those above it; true when it is there.
inline bool OrdnerAnlegen(const std::filesystem::path& ordner) {
    std::error_code fehler;
#ifdef _WIN32
    // One folder at a time: mingw-w64's create_directories does not end on a \\?\ path.
    std::filesystem::path bisher;
    for (const auto& glied : std::filesystem::absolute(ordner).lexically_normal()) {
        bisher /= glied;
        if (bisher.has_relative_path()) CreateDirectoryW(Erreichbar(bisher).c_str(), nullptr);
    }
    DWORD attribute = GetFileAttributesW(Erreichbar(ordner).c_str());
    return attribute != INVALID_FILE_ATTRIBUTES && (attribute & FILE_ATTRIBUTE_DIRECTORY);
#else
    std::filesystem::create_directories(ordner, fehler);
    return std::filesystem::is_directory(ordner, fehler);
#endif
}

inline void OrdnerEntfernen(const std::filesystem::path& ordner) {
#ifdef _WIN32
    // The system's own calls: the C++ library's do not end on a \\?\ path either.
    for (const auto& name : Ordnerinhalt(ordner)) {
        std::filesystem::path p = Erreichbar(ordner / name);
        DWORD attribute = GetFileAttributesW(p.c_str());
        if (attribute != INVALID_FILE_ATTRIBUTES && (attribute & FILE_ATTRIBUTE_DIRECTORY)) {
            OrdnerEntfernen(ordner / name);
        } else {
            SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(p.c_str());
        }
    }
    RemoveDirectoryW(Erreichbar(ordner).c_str());
#else
    std::error_code fehler;
    std::filesystem::remove_all(ordner, fehler);
#endif
}
