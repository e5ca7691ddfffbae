#pragma once

#include <string>
#include <string_view>
#include <vector>

// The serial ports present on this computer and which of them COM 1 to COM 6
// stand for. Linux reads sysfs and /dev/serial/by-id (what udev leaves there);
// Windows asks SetupAPI for the ports class.

// One port present. Texts are code page 1252, as everywhere in the program.
struct Schnittstelle {
    std::string pfad;          // what is opened: a USB adapter's stable by-id name when it has one,
                               // else /dev/ttyS0 or \\.\COM7
    std::string geraet;        // the device itself: /dev/ttyUSB0, or COM7
    std::string hersteller;    // a USB adapter's maker, product and serial number (may be empty)
    std::string produkt;
    std::string seriennummer;
    std::string name;          // Windows: the friendly name, "USB Serial Port (COM7)"
    bool usb = false;
};

// The folder the Linux lister takes for "/": tests give it a fake tree with
// sys/class/tty and dev. "" is the system's own.
void PortlisteWurzelSetzen(const std::string& wurzel);

// The ports present, in the order of the default assignment: USB adapters
// (by their by-id name), then real UARTs. A ttyS without a UART behind it is
// left out.
std::vector<Schnittstelle> SchnittstellenAuflisten();

// "/dev/ttyUSB0 · FTDI FT232R USB UART · A10K3XYZ" or "USB Serial Port (COM7)".
std::string SchnittstelleBeschreiben(const Schnittstelle& s);

// The operator's choice of device per COM number, kept in a file of its own
// beside the settings file. An empty entry leaves the number to the default.
struct PortZuordnung {
    std::string pfad[6];
};

inline constexpr char kZuordnungsdatei[] = "krv4Schnittstellen.ini";

// The file the assignment lives in (tests give another; "" brings back
// kZuordnungsdatei in the working directory).
void ZuordnungsdateiSetzen(const std::string& pfad);
const std::string& Zuordnungsdatei();

// Reads the file; a missing or unreadable file is an empty assignment. 0, or
// -1 when the file exists but could not be read.
int ZuordnungLesen(PortZuordnung* z);
// Replaces the file as a whole (the old one stays whole if that fails). 0 or -1.
int ZuordnungSchreiben(const PortZuordnung& z);
// The file's text: "[Schnittstellen]", then one "comN = path" line per
// chosen number, CR LF line ends. Reading takes any bytes and keeps only
// lines of that form.
std::string ZuordnungAlsText(const PortZuordnung& z);
void ZuordnungAusText(std::string_view text, PortZuordnung* z);

// Where what COM n stands for comes from.
enum class PortHerkunft {
    Umgebung,        // KRV4_COMn
    Zuordnung,       // the operator's choice
    Voreinstellung,  // the default assignment
    Keine,           // nothing present for this number
};

struct PortBelegung {
    std::string pfad;  // what opening COM n opens; "" when nothing
    PortHerkunft herkunft = PortHerkunft::Keine;
    bool vorhanden = false;       // the device is among the ports present, or a chosen name exists
    Schnittstelle schnittstelle;  // that port, when present
};

// What COM n (1 to 6) stands for, given the ports present, the operator's
// assignment and the value of KRV4_COMn (nullptr or "" when unset). Linux:
// the chosen numbers keep their device, the other present ports fill the
// free numbers in the list's order. Windows: COM n is \\.\COMn unless chosen.
PortBelegung PortBelegen(int port, const std::vector<Schnittstelle>& liste, const PortZuordnung& z,
                         const char* umgebung);
// The same for this computer now: its ports, the assignment file, KRV4_COMn.
PortBelegung PortBelegungHolen(int port);

// "COM 1 = /dev/ttyUSB0 · FTDI FT232R USB UART · A10K3XYZ", with a note when
// the device is missing or comes from KRV4_COMn.
std::string PortZeile(int port, const PortBelegung& b);
