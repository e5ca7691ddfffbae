// Which serial ports are present and which of them COM 1 to COM 6 stand for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Datei.h"
#include "platform/Portliste.h"

namespace fs = std::filesystem;

namespace {

class PortlisteTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        wurzel = fs::temp_directory_path() / ("krv4-ports-" + name + "-" + std::to_string(std::rand()));
        fs::remove_all(wurzel);
        fs::create_directories(wurzel / "sys/class/tty");
        fs::create_directories(wurzel / "dev");
        W = wurzel.string();
        PortlisteWurzelSetzen(W);
        ZuordnungsdateiSetzen((wurzel / "krv4Schnittstellen.ini").string());
    }
    void TearDown() override {
        PortlisteWurzelSetzen("");
        ZuordnungsdateiSetzen("");
        std::error_code fehler;
        fs::remove_all(wurzel, fehler);
    }

    static void Datei(const fs::path& pfad, const std::string& inhalt) {
        fs::create_directories(pfad.parent_path());
        std::ofstream(pfad) << inhalt;
    }
    // A tty as the kernel shows it: its class entry with the device link, and its node.
    void Tty(const std::string& name, const std::string& geraeteordner) {
        fs::create_directories(wurzel / "sys" / geraeteordner);
        fs::create_directories(wurzel / "sys/class/tty" / name);
        fs::create_symlink(fs::path("../../../") / geraeteordner, wurzel / "sys/class/tty" / name / "device");
        Datei(wurzel / "dev" / name, "");
    }
    // A USB adapter in a socket: the USB device with its strings, the
    // interface, the port (ttyUSB) below it, and its by-id link.
    void Adapter(const std::string& tty, const std::string& buchse, const std::string& hersteller,
                 const std::string& produkt, const std::string& serie, const std::string& byId) {
        const std::string usb = "devices/pci0000:00/0000:00:14.0/usb1/" + buchse;
        Datei(wurzel / "sys" / usb / "idVendor", "0403\n");
        if (!hersteller.empty()) Datei(wurzel / "sys" / usb / "manufacturer", hersteller + "\n");
        if (!produkt.empty()) Datei(wurzel / "sys" / usb / "product", produkt + "\n");
        if (!serie.empty()) Datei(wurzel / "sys" / usb / "serial", serie + "\n");
        // ttyACM sits on the interface itself, ttyUSB on a port below it.
        const bool acm = tty.rfind("ttyACM", 0) == 0;
        Tty(tty, usb + "/" + buchse + ":1.0" + (acm ? "" : "/" + tty));
        if (!byId.empty()) {
            fs::create_directories(wurzel / "dev/serial/by-id");
            fs::create_symlink("../../" + tty, wurzel / "dev/serial/by-id" / byId);
        }
    }
    void Uart(const std::string& tty, int typ) {
        Tty(tty, "devices/pnp0/00:0" + tty.substr(4) + "/" + tty);
        Datei(wurzel / "sys/class/tty" / tty / "type", std::to_string(typ) + "\n");
    }
    void Ftdi() {
        Adapter("ttyUSB0", "1-2", "FTDI", "FT232R USB UART", "A10K3XYZ",
                "usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");
    }
    std::string ById(const std::string& name) const { return W + "/dev/serial/by-id/" + name; }
    std::string Dev(const std::string& name) const { return W + "/dev/" + name; }

    std::vector<std::string> Geraete() const {
        std::vector<std::string> namen;
        for (const Schnittstelle& s : SchnittstellenAuflisten()) namen.push_back(s.geraet.substr(W.size()));
        return namen;
    }

    fs::path wurzel;
    std::string W;
};

#ifndef _WIN32

TEST_F(PortlisteTest, NoPortMeansNoComNumberHasADevice) {
    // Terminals that are no serial ports, and legacy ports without a UART.
    fs::create_directories(wurzel / "sys/class/tty/tty0");
    fs::create_directories(wurzel / "sys/class/tty/ptmx");
    Uart("ttyS0", 0);
    Uart("ttyS1", 0);
    EXPECT_TRUE(SchnittstellenAuflisten().empty());
    PortBelegung b = PortBelegungHolen(1);
    EXPECT_EQ(b.herkunft, PortHerkunft::Keine);
    EXPECT_EQ(b.pfad, "");
    EXPECT_EQ(PortZeile(1, b), "COM 1: keine serielle Schnittstelle vorhanden");
}

TEST_F(PortlisteTest, OneFtdiAdapterIsCom1ByItsStableName) {
    Ftdi();
    auto liste = SchnittstellenAuflisten();
    ASSERT_EQ(liste.size(), 1u);
    const Schnittstelle& s = liste[0];
    EXPECT_EQ(s.pfad, ById("usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0"));
    EXPECT_EQ(s.geraet, Dev("ttyUSB0"));
    EXPECT_EQ(s.hersteller, "FTDI");
    EXPECT_EQ(s.produkt, "FT232R USB UART");
    EXPECT_EQ(s.seriennummer, "A10K3XYZ");
    EXPECT_TRUE(s.usb);

    PortBelegung com1 = PortBelegungHolen(1);
    EXPECT_EQ(com1.herkunft, PortHerkunft::Voreinstellung);
    EXPECT_EQ(com1.pfad, s.pfad);
    EXPECT_EQ(PortZeile(1, com1), "COM 1 = " + Dev("ttyUSB0") + " · FTDI FT232R USB UART · A10K3XYZ");
    EXPECT_EQ(PortBelegungHolen(2).herkunft, PortHerkunft::Keine);
}

TEST_F(PortlisteTest, AdaptersByTheirByIdNameComeBeforeRealUarts) {
    Uart("ttyS0", 4);  // a 16550A
    Uart("ttyS1", 0);  // nothing behind it
    Uart("ttyS10", 4);
    Ftdi();
    Adapter("ttyACM0", "1-3", "Arduino (www.arduino.cc)", "", "7563", "usb-Arduino__www.arduino.cc__7563-if00");
    Adapter("ttyUSB1", "1-4", "", "", "", "");  // no strings, no by-id link
    EXPECT_EQ(Geraete(), (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyS0",
                                                   "/dev/ttyS10"}));
    const std::string erwartet[] = {
        "COM 1 = " + Dev("ttyACM0") + " · Arduino (www.arduino.cc) · 7563",
        "COM 2 = " + Dev("ttyUSB0") + " · FTDI FT232R USB UART · A10K3XYZ",
        "COM 3 = " + Dev("ttyUSB1"),
        "COM 4 = " + Dev("ttyS0"),
        "COM 5 = " + Dev("ttyS10"),
        "COM 6: keine serielle Schnittstelle vorhanden",
    };
    for (int n = 1; n <= 6; ++n) EXPECT_EQ(PortZeile(n, PortBelegungHolen(n)), erwartet[n - 1]);
    EXPECT_EQ(PortBelegungHolen(3).pfad, Dev("ttyUSB1"));
}

TEST_F(PortlisteTest, ChosenDeviceKeepsItsNumberAndTheOthersFillTheFreeOnes) {
    Ftdi();
    Uart("ttyS0", 4);
    PortZuordnung z;
    z.pfad[2] = Dev("ttyS0");  // COM 3
    ASSERT_EQ(ZuordnungSchreiben(z), 0);
    EXPECT_EQ(PortBelegungHolen(1).pfad, ById("usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0"));
    EXPECT_EQ(PortBelegungHolen(2).herkunft, PortHerkunft::Keine);
    PortBelegung com3 = PortBelegungHolen(3);
    EXPECT_EQ(com3.herkunft, PortHerkunft::Zuordnung);
    EXPECT_TRUE(com3.vorhanden);
    EXPECT_EQ(PortZeile(3, com3), "COM 3 = " + Dev("ttyS0"));
}

TEST_F(PortlisteTest, AssignedAdapterFollowsItsByIdNameToAnotherSocket) {
    Ftdi();
    Adapter("ttyUSB1", "1-3", "Prolific Technology Inc.", "USB-Serial Controller", "", "usb-Prolific-if00-port0");
    const std::string ftdi = ById("usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");
    PortZuordnung z;
    z.pfad[1] = ftdi;  // COM 2
    ASSERT_EQ(ZuordnungSchreiben(z), 0);
    EXPECT_EQ(PortBelegungHolen(2).schnittstelle.geraet, Dev("ttyUSB0"));
    EXPECT_EQ(PortBelegungHolen(1).schnittstelle.geraet, Dev("ttyUSB1"));

    // Plugged into another socket, the FTDI adapter comes back as ttyUSB2.
    fs::remove_all(wurzel / "sys/class/tty/ttyUSB0");
    fs::remove(wurzel / "dev/ttyUSB0");
    fs::remove(ftdi);
    Adapter("ttyUSB2", "1-7", "FTDI", "FT232R USB UART", "A10K3XYZ", "usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");
    PortBelegung com2 = PortBelegungHolen(2);
    EXPECT_EQ(com2.pfad, ftdi);
    EXPECT_TRUE(com2.vorhanden);
    EXPECT_EQ(PortZeile(2, com2), "COM 2 = " + Dev("ttyUSB2") + " · FTDI FT232R USB UART · A10K3XYZ");
}

TEST_F(PortlisteTest, AssignedAdapterThatIsAbsentKeepsItsNumber) {
    Adapter("ttyUSB0", "1-3", "Prolific Technology Inc.", "USB-Serial Controller", "", "usb-Prolific-if00-port0");
    PortZuordnung z;
    z.pfad[0] = ById("usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");
    ASSERT_EQ(ZuordnungSchreiben(z), 0);
    PortBelegung com1 = PortBelegungHolen(1);
    EXPECT_EQ(com1.herkunft, PortHerkunft::Zuordnung);
    EXPECT_FALSE(com1.vorhanden);
    EXPECT_EQ(com1.pfad, z.pfad[0]);
    EXPECT_EQ(PortZeile(1, com1), "COM 1 = " + z.pfad[0] + " (nicht angeschlossen)");
    // The adapter present takes the next free number instead of passing for the chosen one.
    EXPECT_EQ(PortBelegungHolen(2).pfad, ById("usb-Prolific-if00-port0"));
}

TEST_F(PortlisteTest, EnvironmentOverridesChoiceAndDefault) {
    Ftdi();
    PortZuordnung z;
    z.pfad[0] = Dev("ttyUSB0");
    ASSERT_EQ(ZuordnungSchreiben(z), 0);
    setenv("KRV4_COM1", "/tmp/krv4-linie", 1);
    PortBelegung b = PortBelegungHolen(1);
    unsetenv("KRV4_COM1");
    EXPECT_EQ(b.herkunft, PortHerkunft::Umgebung);
    EXPECT_EQ(b.pfad, "/tmp/krv4-linie");
    EXPECT_EQ(PortZeile(1, b), "COM 1 = /tmp/krv4-linie (KRV4_COM1)");
}

#else

TEST_F(PortlisteTest, ComNIsTheWindowsDeviceOfTheSameNumberUnlessChosen) {
    std::vector<Schnittstelle> liste(1);
    liste[0].pfad = "\\\\.\\COM7";
    liste[0].geraet = "COM7";
    liste[0].name = "USB Serial Port (COM7)";
    PortZuordnung z;
    z.pfad[2] = "\\\\.\\com7";
    EXPECT_EQ(PortBelegen(1, liste, z, nullptr).pfad, "\\\\.\\COM1");
    EXPECT_FALSE(PortBelegen(1, liste, z, nullptr).vorhanden);
    PortBelegung com3 = PortBelegen(3, liste, z, nullptr);
    EXPECT_TRUE(com3.vorhanden);
    EXPECT_EQ(PortZeile(3, com3), "COM 3 = USB Serial Port (COM7)");
}

#endif

TEST_F(PortlisteTest, AssignmentFileRoundTrip) {
    PortZuordnung z;
    z.pfad[0] = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0";
    z.pfad[5] = "\\\\.\\COM12";
    ASSERT_EQ(ZuordnungSchreiben(z), 0);
    std::string text;
    {
        std::ifstream f(Zuordnungsdatei(), std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    EXPECT_EQ(text, "[Schnittstellen]\r\ncom1 = /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0\r\n"
                    "com6 = \\\\.\\COM12\r\n\r\n");
    PortZuordnung gelesen;
    ASSERT_EQ(ZuordnungLesen(&gelesen), 0);
    for (int n = 0; n < 6; ++n) EXPECT_EQ(gelesen.pfad[n], z.pfad[n]) << "COM " << n + 1;

    // Choosing the default again leaves a file without that number.
    z.pfad[0].clear();
    ASSERT_EQ(ZuordnungSchreiben(z), 0);
    ASSERT_EQ(ZuordnungLesen(&gelesen), 0);
    EXPECT_EQ(gelesen.pfad[0], "");
    EXPECT_EQ(gelesen.pfad[5], z.pfad[5]);
}

TEST_F(PortlisteTest, AssignmentTextKeepsOnlyWellFormedLines) {
    static const char kMitNull[] = "com1 = /dev/\0a\ncom2 = /dev/c";
    struct Fall {
        std::string text;
        std::string com1, com2;
    } faelle[] = {
        {"", "", ""},
        {"[Schnittstellen]\ncom1=/dev/ttyUSB0\n", "/dev/ttyUSB0", ""},
        {"  COM2  =   /dev/ttyS0  \r", "", "/dev/ttyS0"},
        {"com1 = \ncom2 = a\x01" "b\ncom7 = /dev/x\ncom = /dev/y\ncom12 = /dev/z\n", "", ""},
        {"com1 = /dev/a\ncom1 = /dev/b", "/dev/b", ""},
        {std::string(kMitNull, sizeof kMitNull - 1), "", "/dev/c"},
        {"com1 = " + std::string(kPfadMax + 1, 'x'), "", ""},
        {"\xff\xfe[\x80]\r\n=\r\ncom2 = ok", "", "ok"},
    };
    for (const Fall& f : faelle) {
        PortZuordnung z;
        z.pfad[3] = "vorher";
        ZuordnungAusText(f.text, &z);
        EXPECT_EQ(z.pfad[0], f.com1) << f.text;
        EXPECT_EQ(z.pfad[1], f.com2) << f.text;
        EXPECT_EQ(z.pfad[3], "") << f.text;
    }
}

TEST_F(PortlisteTest, MissingAssignmentFileIsNoChoice) {
    PortZuordnung z;
    z.pfad[0] = "vorher";
    EXPECT_EQ(ZuordnungLesen(&z), 0);
    EXPECT_EQ(z.pfad[0], "");
}

}  // namespace
