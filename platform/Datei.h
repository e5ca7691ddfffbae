#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Binary file operations on whole blocks. Paths are the system's own names,
// kept whole from the file dialog or the command line to the file call:
// bytes (UTF-8) on Linux, the UTF-8 form of the UTF-16 name on Windows. No
// length limit but the system's. Only what is shown of a name is code page
// 1252 (Utf8NachCp1252Ersetzt). Handles are small non-negative numbers; -1
// means failure. Only regular files are opened for reading, so that a
// directory or a pipe chosen by mistake fails at once instead of blocking
// the program.

// The longest name the program keeps in files of its own (the list of recent
// files, the recovery file): Linux's PATH_MAX; a file call takes longer ones.
inline constexpr std::size_t kPfadMax = 4096;

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
// A file name from the command line made whole, so that a later save finds
// the same file. False when the name cannot be made one.
bool DateiAbsoluterPfad(const char* argument, std::string* pfad);
// The command line in the system's names: argv itself on Linux; on Windows
// the wide command line, since argv holds only what the ANSI code page can.
std::vector<std::string> DateiAufrufargumente(int argc, char* argv[]);

// Saving a whole file so that the old content survives every failure. Where
// a new file can take the target's place unnoticed (the folder may be
// written, the target has one name and belongs to the saver), the block
// goes into a new file beside the target, which then takes its name; stale
// temporary files of that naming are removed first. Otherwise (a shared
// folder, a hard link, someone else's file) the target is written in place
// once the whole new content is at hand, with a copy of the old content in
// the user's temporary folder that is put back if the write fails and
// removed once the new content is on the disk. A symbolic link is followed,
// even to a file that does not exist yet, and stays a link. An existing
// target that this process may not write (write-protected, a directory, a
// pipe) is refused before anything is written. A replacing file keeps the
// old one's permission bits and, where the process may set them, its owner
// and group. 0 or -1; on -1 the old file is as it was and no temporary file
// is left beside it.
// tempMuster names the new file when the caller's files have always used a
// name of their own: "%d" in it stands for the first free number from 0 to
// 999 (e.g. "ini$$%d.TMP"); an existing file of that name is never touched
// unless it is a stale one of this naming. Without it the name is one of the
// system's. fehler, if given, says why a save failed.
enum class DateiFehler {
    keiner,
    zielGesperrt,   // the existing target may not be written; nothing was created
    nichtAngelegt,  // no new file could be created beside the target
    schreiben,      // writing, syncing or the replacement failed
};
int DateiSicherErsetzen(const char* pfad, const void* daten, std::size_t anzahl, const char* tempMuster = nullptr,
                        DateiFehler* fehler = nullptr);

// A temporary file of a save that did not finish is stale after this long.
inline constexpr int kTemporaerVeraltetSekunden = 5 * 60;

// The steps DateiSicherErsetzen is made of.
// The file that a save to this path really writes: symbolic links are
// followed to their end, which need not exist.
std::string DateiZiel(const char* pfad);
// What a save finds at the target. umbenennen: a new file may take its
// place. Refuses (-1, zielGesperrt) a target that exists but may not be
// written; a missing target in a folder that cannot take a new file is
// nichtAngelegt.
struct DateiZielZustand {
    bool vorhanden = false;
    bool umbenennen = false;
    long long laenge = 0;
};
int DateiZielPruefen(const std::string& ziel, DateiZielZustand& zustand, DateiFehler* fehler);
// Creates a new, empty file beside the target (same directory, so that the
// final rename cannot cross file systems), with the permission bits, owner
// and group the target has or a new file would get. Returns the handle and
// the path of the new file, or -1. tempMuster as for DateiSicherErsetzen.
int DateiTemporaerNeben(const std::string& ziel, std::string& tempPfad, const char* tempMuster = nullptr);
// Removes this process's own stale temporary files of that naming beside
// the target.
void DateiVeralteteTemporaereEntfernen(const std::string& ziel, const char* tempMuster = nullptr);
// The name a temporary-file pattern gives for number n ("%d" replaced), and
// whether a name is one the pattern gives.
std::string DateiMusterName(const char* tempMuster, int n);
bool DateiMusterPasst(const char* tempMuster, const std::string& name);
// Replaces ziel by von in one step, then makes the directory entry durable.
// 0 or -1.
int DateiErsetzen(const std::string& von, const std::string& ziel);
int DateiEntfernen(const std::string& pfad);

// The folder of this user's own files of the program (a list of recent files,
// say), created when missing: ~/.config/krv4steuerung (or under
// $XDG_CONFIG_HOME), %APPDATA%\krv4steuerung on Windows. Empty when the user
// has none or it cannot be made.
std::string BenutzerOrdner();
// For the write in place: the existing file opened for reading and writing,
// nothing cut; a new file of the user's own in the temporary folder; writing
// and reading at a position; setting the length.
int DateiOeffnenZumAendern(const std::string& pfad);
int DateiSicherungAnlegen(std::string& pfad);
long DateiSchreibenAn(int handle, long long stelle, const void* puffer, std::size_t anzahl);
long DateiLesenAn(int handle, long long stelle, void* puffer, std::size_t anzahl);
int DateiLaengeSetzen(int handle, long long laenge);
