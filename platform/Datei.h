#pragma once

#include <cstddef>
#include <string>

// Binary file operations on whole blocks. Paths are the program's texts
// (code page 1252) and are converted for the file system here. Handles are small non-negative
// numbers; -1 means failure. Only regular files are opened for reading, so
// that a directory or a pipe chosen by mistake fails at once instead of
// blocking the program.

int DateiOeffnenZumLesen(const char* pfad);
// Reads up to anzahl bytes; returns the number read (less at the end of the
// file), -1 on a read error.
long DateiLesen(int handle, void* puffer, std::size_t anzahl);
// Writes the whole block; returns the number of bytes written, which is less
// than anzahl when the disk refused the rest (a full disk or a file-size
// limit: the limit's signal does not end the program).
long DateiSchreiben(int handle, const void* puffer, std::size_t anzahl);
// Pushes what was written to the disk itself. 0 or -1.
int DateiAufPlatteBringen(int handle);
int DateiSchliessen(int handle);
// Whether anything (a file, a folder, even a link that leads nowhere) has
// this name.
bool DateiVorhanden(const char* pfad);
// A file name as the system hands it to the program (on the command line)
// made whole, as the program's path: a code page 1252 text, so that a later
// save finds the same file. False when the name cannot be made one.
bool DateiAbsoluterPfad(const char* argument, std::string* pfad);

// Saving a whole file: replaces the file at pfad by the block so that the
// old file stays whole until the new one is complete on the disk. The block
// goes into a new file beside the target, which then takes its name. A
// symbolic link is followed and stays a link. An existing target that this
// process may not write (write-protected, a directory, a pipe) is refused
// before anything is written. The new file keeps the old one's permission
// bits and, where the process may set them, its owner and group. 0 or -1;
// on -1 the old file is as it was and no temporary file is left.
// tempMuster names the new file when the caller's files have always used a
// name of their own: "%d" in it stands for the first free number from 0 to
// 999 (e.g. "ini$$%d.TMP"); an existing file of that name is never touched.
// Without it the name is one of the system's. fehler, if given, says why a
// save failed.
enum class DateiFehler {
    keiner,
    zielGesperrt,   // the existing target may not be written; nothing was created
    nichtAngelegt,  // no new file could be created beside the target
    schreiben,      // writing, syncing or the replacement failed
};
int DateiSicherErsetzen(const char* pfad, const void* daten, std::size_t anzahl, const char* tempMuster = nullptr,
                        DateiFehler* fehler = nullptr);

// The steps DateiSicherErsetzen is made of.
// The file that a save to this path really replaces: a symbolic link is
// followed, so that the link stays a link.
std::string DateiZiel(const char* pfad);
// Creates a new, empty file beside the target (same directory, so that the
// final rename cannot cross file systems), with the permission bits, owner
// and group the target has or a new file would get. Refuses (-1) a target
// that exists but cannot be opened for writing. Returns the handle and the
// path of the new file, or -1 with the reason in fehler (zielGesperrt or
// nichtAngelegt). tempMuster as for DateiSicherErsetzen.
int DateiTemporaerNeben(const std::string& ziel, std::string& tempPfad, const char* tempMuster = nullptr,
                        DateiFehler* fehler = nullptr);
// The name a temporary-file pattern gives for number n ("%d" replaced).
std::string DateiMusterName(const char* tempMuster, int n);
// Replaces ziel by von in one step, then makes the directory entry durable.
// 0 or -1.
int DateiErsetzen(const std::string& von, const std::string& ziel);
int DateiEntfernen(const std::string& pfad);

// The folder of this user's own files of the program (a list of recent files,
// say), created when missing: ~/.config/krv4steuerung (or under
// $XDG_CONFIG_HOME), %APPDATA%\krv4steuerung on Windows. Empty when the user
// has none or it cannot be made.
std::string BenutzerOrdner();
