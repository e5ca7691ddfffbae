#pragma once

#include <string>
#include <string_view>

// Code page 1252 (the device's and the program's texts) and UTF-8 (the
// terminal). Every one of the 256 byte values has its character; the five
// holes of the code page stand for the control characters of the same number.
// The character of one byte, and the byte of a character (-1 when the code
// page has none).
char32_t Cp1252Zeichen(unsigned char byte);
int Cp1252Byte(char32_t zeichen);

std::string Cp1252NachUtf8(std::string_view text);

// False for invalid UTF-8 or a character code page 1252 does not have.
bool Utf8NachCp1252(std::string_view text, std::string* ergebnis);
// For showing a text that may hold anything (a file name): a character the
// code page does not have, and every byte that is no UTF-8, becomes "?".
std::string Utf8NachCp1252Ersetzt(std::string_view text);

// For the wide file and device names of Windows; every character of the code
// page lies in the basic plane.
std::u16string Cp1252NachUtf16(std::string_view text);
