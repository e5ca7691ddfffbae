#pragma once

#include <string>

// The programs of a .krv data file as the device holds them after a write of
// all programs: the preload lines (see krv4sim --help) that set them.
// false with a message when the file cannot be read or holds a value the
// device cannot take.
bool DatendateiAlsVorbelegung(const std::string& pfad, std::string* zeilen, std::string* fehler);
