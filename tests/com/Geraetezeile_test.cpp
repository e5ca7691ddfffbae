// The COM panel's device line and pick list, the hint of a port that did not
// open and the port whose line has gone.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "com/ComFixture.h"
#include "platform/Portliste.h"
#include "storage/Dateifunktionen.h"
#include "platform/SerialPort.h"

namespace fs = std::filesystem;

namespace {

// A memory port that can say why it did not open and lose its line.
class Hinweisport : public BeobachteterPort {
public:
    std::string hint() const override { return hinweis; }
    bool lineLost() const override { return verloren; }
    std::string hinweis;
    bool verloren = false;
};

std::string Lesen(const fs::path& pfad) {
    std::ifstream f(pfad, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

class Geraetezeile : public ComTest {
protected:
    void VorDemStart() override {
        // The computer's ports: an FTDI adapter and a real UART, in a tree of the test's own.
        W = (verzeichnis / "wurzel").string();
        const fs::path usb = verzeichnis / "wurzel/sys/devices/pci0000:00/usb1/1-2";
        Datei(usb / "idVendor", "0403");
        Datei(usb / "manufacturer", "FTDI");
        Datei(usb / "product", "FT232R USB UART");
        Datei(usb / "serial", "A10K3XYZ");
        Tty("ttyUSB0", "devices/pci0000:00/usb1/1-2/1-2:1.0/ttyUSB0");
        fs::create_directories(verzeichnis / "wurzel/dev/serial/by-id");
        fs::create_symlink("../../ttyUSB0", verzeichnis / "wurzel/dev/serial/by-id" / kFtdi);
        Tty("ttyS0", "devices/pnp0/00:01/ttyS0");
        Datei(verzeichnis / "wurzel/sys/class/tty/ttyS0/type", "4");
        PortlisteWurzelSetzen(W);
    }
    void SetUp() override {
        ComTest::SetUp();
        // The ports of this test say why they fail.
        for (int n = 1; n <= 6; ++n) {
            hinweisports[n - 1] = std::make_shared<Hinweisport>();
            ports[n - 1] = hinweisports[n - 1];
            SerialPortSetzen(n, ports[n - 1]);
        }
        ComPanelOeffnen();
    }
    void TearDown() override {
        ComTest::TearDown();
        PortlisteWurzelSetzen("");
    }

    static void Datei(const fs::path& pfad, const std::string& inhalt) {
        fs::create_directories(pfad.parent_path());
        std::ofstream(pfad) << inhalt << "\n";
    }
    void Tty(const std::string& name, const std::string& geraet) {
        fs::create_directories(verzeichnis / "wurzel/sys" / geraet);
        fs::create_directories(verzeichnis / "wurzel/sys/class/tty" / name);
        fs::create_symlink(fs::path("../../../") / geraet, verzeichnis / "wurzel/sys/class/tty" / name / "device");
        Datei(verzeichnis / "wurzel/dev" / name, "");
    }

    std::string Ftdi() const { return W + "/dev/ttyUSB0 · FTDI FT232R USB UART · A10K3XYZ"; }
    std::string Uart() const { return W + "/dev/ttyS0"; }
    static std::string Zeile() { return Text(comPanelHandle, COMPANEL_GERAET); }
    static std::string Hinweis() { return Text(comPanelHandle, COMPANEL_HINWEIS); }
    Hinweisport& HPort(int n) { return *hinweisports[n - 1]; }

    static constexpr char kFtdi[] = "usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0";
    std::string W;
    std::array<std::shared_ptr<Hinweisport>, 6> hinweisports;
};

TEST_F(Geraetezeile, ShowsTheDeviceOfTheComNumberAndOffersThePortsPresent) {
    EXPECT_EQ(Zeile(), "COM 1 = " + Ftdi());
    EXPECT_EQ(Items(comPanelHandle, COMPANEL_GERAETWAHL),
              (std::vector<std::string>{"Voreinstellung", Ftdi(), Uart()}));
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_GERAETWAHL), 0);
    EXPECT_EQ(Label(comPanelHandle, COMPANEL_GERAETWAHL), "Gerät");

    Operate(comPanelHandle, COMPANEL_PORT, 2);
    EXPECT_EQ(Zeile(), "COM 2 = " + Uart());
    Operate(comPanelHandle, COMPANEL_PORT, 3);
    EXPECT_EQ(Zeile(), "COM 3: keine serielle Schnittstelle vorhanden");
    // Closed, the line speaks of the port a click on the picture opens.
    Operate(comPanelHandle, COMPANEL_PORT, -1);
    EXPECT_EQ(Zeile(), "COM 3: keine serielle Schnittstelle vorhanden");
}

TEST_F(Geraetezeile, PickedDeviceIsKeptInAFileOfItsOwnAndTheSettingsFileStaysAsItWas) {
    Operate(comPanelHandle, COMPANEL_PORT, 1);
    const int oeffnungen = Port(1).opens;
    Operate(comPanelHandle, COMPANEL_GERAETWAHL, 2);  // the UART for COM 1
    EXPECT_EQ(Zeile(), "COM 1 = " + Uart());
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_GERAETWAHL), 2);
    EXPECT_EQ(Lesen(verzeichnis / "krv4Schnittstellen.ini"), "[Schnittstellen]\r\ncom1 = " + Uart() + "\r\n\r\n");
    // The open port moved to the device now meant by its number.
    EXPECT_EQ(Port(1).opens, oeffnungen + 1);
    EXPECT_TRUE(Port(1).isOpen);
    EXPECT_EQ(Com_ComPort(), 1);
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
    // The adapter goes to the next free number.
    Operate(comPanelHandle, COMPANEL_PORT, 2);
    EXPECT_EQ(Zeile(), "COM 2 = " + Ftdi());

    // Picked for COM 2 as well, the UART leaves COM 1 to the default.
    Operate(comPanelHandle, COMPANEL_GERAETWAHL, 2);
    EXPECT_EQ(Lesen(verzeichnis / "krv4Schnittstellen.ini"), "[Schnittstellen]\r\ncom2 = " + Uart() + "\r\n\r\n");
    Operate(comPanelHandle, COMPANEL_GERAETWAHL, 0);
    EXPECT_EQ(Lesen(verzeichnis / "krv4Schnittstellen.ini"), "[Schnittstellen]\r\n\r\n");

    Com_CloseComPort();
    IniSchreiben();
    EXPECT_EQ(Lesen(verzeichnis / "krv4Steuerung.ini"), "[KRV4]\r\nadresse = 49\r\nlport = 2\r\nport = 2\r\n\r\n");
}

TEST_F(Geraetezeile, EnvironmentVariableOutranksThePickList) {
    setenv("KRV4_COM2", "/tmp/krv4-linie", 1);
    Operate(comPanelHandle, COMPANEL_PORT, 2);
    unsetenv("KRV4_COM2");
    EXPECT_EQ(Zeile(), "COM 2 = /tmp/krv4-linie (KRV4_COM2)");
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_GERAETWAHL, ATTR_DIMMED), 1);
    Operate(comPanelHandle, COMPANEL_PORT, 1);
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_GERAETWAHL, ATTR_DIMMED), 0);
}

TEST_F(Geraetezeile, AssignedAdapterThatIsAbsentStaysOfferedAsTheChoice) {
    std::ofstream(verzeichnis / "krv4Schnittstellen.ini") << "[Schnittstellen]\r\ncom1 = /dev/serial/by-id/usb-weg\r\n";
    Press(comPanelHandle, COMPANEL_ZURUECK);
    ComPanelOeffnen();
    EXPECT_EQ(Zeile(), "COM 1 = /dev/serial/by-id/usb-weg (nicht angeschlossen)");
    EXPECT_EQ(Items(comPanelHandle, COMPANEL_GERAETWAHL),
              (std::vector<std::string>{"Voreinstellung", Ftdi(), Uart(),
                                        "/dev/serial/by-id/usb-weg (nicht angeschlossen)"}));
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_GERAETWAHL), -1);
}

TEST_F(Geraetezeile, PortThatDoesNotOpenKeepsItsCodeAndSaysWhatToDo) {
    Operate(comPanelHandle, COMPANEL_PORT, 1);
    HPort(2).failOpen = true;
    HPort(2).hinweis = "Kein Zugriff auf /dev/ttyS0: Benutzer gehört nicht zur Gruppe dialout";
    Operate(comPanelHandle, COMPANEL_PORT, 2);
    EXPECT_EQ(Fehleranzeigen(), Ueberall(1, "Fehler beim öffnen der seriellen Schnittstelle", 100003));
    EXPECT_EQ(Hinweis(), "Kein Zugriff auf /dev/ttyS0: Benutzer gehört nicht zur Gruppe dialout");
    // The line speaks of the port the hint is about, not of the last one.
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_PORT), -1);
    EXPECT_EQ(Zeile(), "COM 2 = " + Uart());
    Press(comPanelHandle, COMPANEL_ZURUECK);
    ComPanelOeffnen();
    EXPECT_EQ(Zeile(), "COM 2 = " + Uart());

    HPort(2).failOpen = false;
    Operate(comPanelHandle, COMPANEL_PORT, 2);
    EXPECT_EQ(Hinweis(), "");
    EXPECT_EQ(Com_ComPort(), 2);
}

TEST_F(Geraetezeile, PortWhoseLineHasGoneIsClosedAndOneClickOpensItAgain) {
    Operate(comPanelHandle, COMPANEL_PORT, 1);
    Toggle(comPanelHandle, COMPANEL_STATUSABFRAGE);
    HPort(1).failFlushIn = true;  // what a pulled adapter does to the first step
    HPort(1).verloren = true;
    HPort(1).hinweis = "Verbindung zu /dev/ttyUSB0 unterbrochen";
    Tick(comPanelHandle, COMPANEL_STATUSTIMER);
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_STATUSTIMER, ATTR_ENABLED), 0);
    EXPECT_EQ(Fehleranzeigen()[1].nummer, 124148);  // the first error met
    EXPECT_EQ(Com_ComPort(), -1);
    EXPECT_EQ(Com_LetzterComPort(), 1);
    EXPECT_FALSE(Port(1).isOpen);
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_PORT), -1);
    EXPECT_EQ(Portbilder(), Ueberall(-1));
    EXPECT_EQ(Hinweis(), "Verbindung zu /dev/ttyUSB0 unterbrochen, Port geschlossen");

    // Back again: one click.
    HPort(1).failFlushIn = false;
    HPort(1).verloren = false;
    Click(comPanelHandle, COMPANEL_PICTURERING);
    EXPECT_EQ(Com_ComPort(), 1);
    EXPECT_EQ(Portbilder(), Ueberall(1));
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
    Port(1).replyOnWrite(ACK + "#1QVLKRV4-TST1-1000\r");
    Press(comPanelHandle, COMPANEL_IDLESEN);
    EXPECT_EQ(Text(comPanelHandle, COMPANEL_IDSTRING), "QVLKRV4-TST1-1000");
}

TEST_F(Geraetezeile, FailureOnALineThatIsStillThereLeavesThePortOpen) {
    Operate(comPanelHandle, COMPANEL_PORT, 1);
    Press(comPanelHandle, COMPANEL_IDLESEN);  // nobody answers
    EXPECT_EQ(Fehleranzeigen()[1].nummer, 403012);
    EXPECT_EQ(Com_ComPort(), 1);
    EXPECT_EQ(Portbilder(), Ueberall(1));
}

}  // namespace
