#pragma once

#include <string>

// write, read and compare: the program's own operations, run behind its
// buttons on a console toolkit. The port must have been set up for com.
enum class Vorgang { Schreiben, Lesen, Vergleichen };

// programm 1-16, or 0 for all. Exit status: 0, 1 (port, device or file
// failure), 2 (bad usage), 3 (compare found differences), 4 (refused or
// cancelled: the operation did not run to its end).
int Uebertragen(Vorgang vorgang, int com, char adresse, const std::string& datei, int programm);

// show: the data file as text or JSON. Exit status 0, or 1 when it cannot be read.
int DateiZeigen(const std::string& datei, bool json);

// calib read, write and show: the calibration panel's own operations and file
// format. read and write need the port set up for com; show reads the file
// only. Each prints the 22 values with their channel names.
enum class Kalibriervorgang { Lesen, Schreiben, Zeigen };

// Exit status: 0, 1 (port, device or file failure), 2 (bad usage).
int Kalibrieren(Kalibriervorgang vorgang, int com, char adresse, const std::string& datei);
