#pragma once

#include <cstddef>
#include <string>

// The files the simulator reads (--load, --preload) are a few kilobytes.
inline constexpr std::size_t kEingabeGrenze = 1 << 20;

// The whole of a regular file of at most `grenze` bytes. A directory, a FIFO,
// a device or a larger file is refused with a message: reading one neither
// blocks nor grows without end.
bool GewoehnlicheDateiLesen(const std::string& pfad, std::size_t grenze, std::string* inhalt, std::string* fehler);

// The programs of a .krv data file as the device holds them after a write of
// all programs: the preload lines (see krv4sim --help) that set them.
// false with a message when the file cannot be read or holds a value the
// device cannot take.
bool DatendateiAlsVorbelegung(const std::string& pfad, std::string* zeilen, std::string* fehler);
