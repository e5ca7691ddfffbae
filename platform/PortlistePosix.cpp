#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/Portliste.h"
#include "platform/Zeichensatz.h"

// sysfs tells what is behind each tty: a USB adapter names its maker, product
// and serial number in the USB device above its interface, a serial-core port
// its UART type (0 when no UART answered at that address). udev's by-id links
// are the names that stay with an adapter whichever socket it is in.

namespace {

std::string gWurzel;

std::vector<std::string> Eintraege(const std::string& ordner) {
    std::vector<std::string> namen;
    if (DIR* d = opendir(ordner.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") namen.push_back(n);
        }
        closedir(d);
    }
    std::sort(namen.begin(), namen.end());
    return namen;
}

// The first line of a small sysfs file, as a code page 1252 text.
std::string Lesen(const std::string& pfad) {
    std::string text;
    if (FILE* f = std::fopen(pfad.c_str(), "r")) {
        char puffer[256];
        std::size_t n = std::fread(puffer, 1, sizeof puffer, f);
        std::fclose(f);
        text.assign(puffer, n);
    }
    text = text.substr(0, text.find_first_of("\r\n"));
    std::string cp;
    if (Utf8NachCp1252(text, &cp)) return cp;
    for (char& c : text)
        if (static_cast<unsigned char>(c) > 127) c = '?';
    return text;
}

bool Vorhanden(const std::string& pfad) {
    struct stat st {};
    return lstat(pfad.c_str(), &st) == 0;
}

std::string Echt(const std::string& pfad) {
    char puffer[PATH_MAX];
    return realpath(pfad.c_str(), puffer) ? std::string(puffer) : std::string();
}

std::string Elternordner(const std::string& pfad) {
    std::size_t s = pfad.find_last_of('/');
    return s == std::string::npos || s == 0 ? std::string() : pfad.substr(0, s);
}

std::string Basisname(const std::string& pfad) {
    std::size_t s = pfad.find_last_of('/');
    return s == std::string::npos ? pfad : pfad.substr(s + 1);
}

bool Beginnt(const std::string& s, const char* anfang) { return s.rfind(anfang, 0) == 0; }

// The number at the end of a name; ttyUSB2 before ttyUSB10.
long Nummer(const std::string& name) {
    std::size_t i = name.size();
    while (i > 0 && name[i - 1] >= '0' && name[i - 1] <= '9') --i;
    return i < name.size() ? std::strtol(name.c_str() + i, nullptr, 10) : -1;
}

// The USB device above a tty's device: the first folder upwards with idVendor.
void UsbAngaben(const std::string& geraeteordner, Schnittstelle* s) {
    std::string ordner = Echt(geraeteordner);
    for (int stufe = 0; stufe < 6 && !ordner.empty(); ++stufe, ordner = Elternordner(ordner)) {
        if (Vorhanden(ordner + "/idVendor")) {
            s->hersteller = Lesen(ordner + "/manufacturer");
            s->produkt = Lesen(ordner + "/product");
            s->seriennummer = Lesen(ordner + "/serial");
            return;
        }
    }
}

}  // namespace

void PortlisteWurzelSetzen(const std::string& wurzel) { gWurzel = wurzel; }

std::vector<Schnittstelle> SchnittstellenAuflisten() {
    const std::string klasse = gWurzel + "/sys/class/tty";
    const std::string dev = gWurzel + "/dev";
    // Device name -> its by-id link; the first link in order wins.
    std::map<std::string, std::string> byId;
    const std::string byIdOrdner = dev + "/serial/by-id";
    for (const std::string& link : Eintraege(byIdOrdner)) {
        // udev's link names the node beside it ("../../ttyUSB0").
        char ziel[PATH_MAX];
        ssize_t n = readlink((byIdOrdner + "/" + link).c_str(), ziel, sizeof ziel - 1);
        if (n > 0) byId.emplace(Basisname(std::string(ziel, static_cast<std::size_t>(n))), byIdOrdner + "/" + link);
    }

    std::vector<Schnittstelle> usb, uart;
    for (const std::string& name : Eintraege(klasse)) {
        const bool istUsb = Beginnt(name, "ttyUSB") || Beginnt(name, "ttyACM");
        if (!istUsb && !Beginnt(name, "ttyS")) continue;
        Schnittstelle s;
        s.geraet = dev + "/" + name;
        if (!Vorhanden(s.geraet) || !Vorhanden(klasse + "/" + name + "/device")) continue;
        s.pfad = s.geraet;
        if (istUsb) {
            s.usb = true;
            auto link = byId.find(name);
            if (link != byId.end()) s.pfad = link->second;
            UsbAngaben(klasse + "/" + name + "/device", &s);
            usb.push_back(s);
        } else {
            std::string typ = Lesen(klasse + "/" + name + "/type");
            if (typ.empty() || std::strtol(typ.c_str(), nullptr, 10) == 0) continue;
            uart.push_back(s);
        }
    }
    // Adapters with a by-id name by that name, the others after them by device.
    std::sort(usb.begin(), usb.end(), [](const Schnittstelle& a, const Schnittstelle& b) {
        bool ia = a.pfad != a.geraet, ib = b.pfad != b.geraet;
        if (ia != ib) return ia;
        if (ia) return a.pfad < b.pfad;
        std::string na = Basisname(a.geraet), nb = Basisname(b.geraet);
        std::string pa = na.substr(0, 6), pb = nb.substr(0, 6);
        return pa != pb ? pa < pb : Nummer(na) < Nummer(nb);
    });
    std::sort(uart.begin(), uart.end(), [](const Schnittstelle& a, const Schnittstelle& b) {
        return Nummer(a.geraet) < Nummer(b.geraet);
    });
    usb.insert(usb.end(), uart.begin(), uart.end());
    return usb;
}
