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
