#pragma once

#include <QString>
#include <string>
#include <string_view>

// The program keeps its texts as Windows code page 1252 bytes; Qt speaks
// Unicode. These two convert at the border between them, for all 256 bytes:
// the five bytes the code page leaves undefined map to the control characters
// of the same number, so that every byte comes back unchanged.

QString FromCp1252(std::string_view bytes);

// A character the code page cannot hold (and NUL, which would end a C string)
// becomes a blank.
std::string ToCp1252(const QString& text);

// File names are not texts of the program: they pass as the system names
// them (bytes, UTF-8, on Linux; the UTF-8 form of the UTF-16 name, with the
// system's backslashes, on Windows), whatever their characters or length.
QString FromFileName(std::string_view name);
std::string ToFileName(const QString& name);
