#pragma once

#include <cstddef>
#include <string>

// A small INI library: a document of sections with items kept in memory, read
// from and written to a text file. Names of sections and items are compared
// without regard to case and surrounding blanks.

struct IniDokument;
using IniText = IniDokument*;

// Result codes of the library.
inline constexpr int kIniDateiFehlt = -300000;         // the file does not exist
inline constexpr int kIniSchreibfehler = -301000;      // writing or replacing failed
inline constexpr int kIniLesefehler = -304000;         // reading stopped half way
inline constexpr int kIniSchreibgeschuetzt = -305000;  // the target may not be written
inline constexpr int kIniOeffnungsfehler = -308000;    // the file exists but does not open
inline constexpr int kIniKeineZahl = -312000;          // the item's value is no integer
inline constexpr int kIniParameter = -504000;          // no document, name or path

// A new, empty document; with automatischSortieren != 0 sections and items
// are written in alphabetical order, else in the order they were put in.
// nullptr when out of memory.
IniText Ini_New(int automatischSortieren);
void Ini_Dispose(IniText dokument);

// Adds every section and item of the file to the document; an item that is
// there already takes the file's value. 0 or a code; on a code the document
// is unchanged. A file larger than kIniGroessteDatei is no settings file:
// kIniLesefehler, after reading no more than that.
inline constexpr std::size_t kIniGroessteDatei = 64 * 1024;
int Ini_ReadFromFile(IniText dokument, const char* pfad);
// The same for text already in memory (the reading rules are those of a file).
int Ini_ReadFromText(IniText dokument, const char* text, std::size_t laenge);

// Replaces the file as a whole. The old file stays untouched until the new
// text is complete on the disk beside it, and a write-protected file is
// refused. 0 or a code.
int Ini_WriteToFile(IniText dokument, const char* pfad);
// The text Ini_WriteToFile writes.
std::string Ini_Text(IniText dokument);

// Puts the item (creating its section when needed) with the decimal text of
// the value. 0 or a code.
int Ini_PutInt(IniText dokument, const char* abschnitt, const char* schluessel, int wert);
// 1 with the value when the item exists and is an integer, 0 when the section
// or the item does not exist, kIniKeineZahl when the item is no integer
// (the value is then left alone).
int Ini_GetInt(IniText dokument, const char* abschnitt, const char* schluessel, int* wert);
