#include "com/ComFixture.h"
#include "panels/Direkttest.h"

namespace {

const std::string kOeffnungsfehler = "Fehler beim öffnen der seriellen Schnittstelle";
const std::string kNichtGeoeffnet = "Serielle Schnittstelle ist nicht geöffnet";

class ComPanel : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        ComPanelOeffnen();
    }

    void PortWaehlen(int port) { Operate(comPanelHandle, COMPANEL_PORT, port); }
};

TEST_F(ComPanel, ChoosingAPortOpensItWithTheDeviceLineSettings) {
    PortWaehlen(3);
    EXPECT_EQ(Com_ComPort(), 3);
    EXPECT_EQ(Com_LetzterComPort(), 3);
    EXPECT_TRUE(Port(3).isOpen);
    EXPECT_EQ(Port(3).deviceName, "com3");
    EXPECT_EQ(Port(3).baud, 9600);
    EXPECT_EQ(Port(3).timeout, 1.0);
    EXPECT_EQ(Portbilder(), Ueberall(3));
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());

    // Another port closes the first one.
    PortWaehlen(5);
    EXPECT_FALSE(Port(3).isOpen);
    EXPECT_TRUE(Port(5).isOpen);
    EXPECT_EQ(Portbilder(), Ueberall(5));

    PortWaehlen(-1);
    EXPECT_FALSE(Port(5).isOpen);
    EXPECT_EQ(Com_ComPort(), -1);
    EXPECT_EQ(Com_LetzterComPort(), 5);
    EXPECT_EQ(Portbilder(), Ueberall(-1));
}

TEST_F(ComPanel, ChoosingTheOpenPortAgainSendsNothingAndClearsTheErrors) {
    PortWaehlen(3);
    Com_ComFehlerSetzen(-403012);
    PortWaehlen(3);
    EXPECT_EQ(Port(3).opens, 1);
    EXPECT_TRUE(Port(3).isOpen);
    EXPECT_EQ(Port(3).written, "");
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
    EXPECT_EQ(Portbilder(), Ueberall(3));
}

TEST_F(ComPanel, APortThatDoesNotOpenShowsItsCodeEverywhereAndKeepsTheLastPort) {
    PortWaehlen(2);
    Port(4).failOpen = true;
    PortWaehlen(4);
    EXPECT_EQ(Fehleranzeigen(), Ueberall(1, kOeffnungsfehler, 100003));
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_PORT), -1);
    int index = -1;
    std::string anzeige;
    GetCtrlIndex(comPanelHandle, COMPANEL_PORT, index);
    GetLabelFromIndex(comPanelHandle, COMPANEL_PORT, index, anzeige);
    EXPECT_EQ(anzeige, "nicht geöffnet");
    EXPECT_EQ(Portbilder(), Ueberall(-1));
    EXPECT_EQ(Com_ComPort(), -1);
    EXPECT_EQ(Com_LetzterComPort(), 2);
    EXPECT_FALSE(Port(2).isOpen);

    // A port that does open clears the displays again.
    PortWaehlen(6);
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
}

// Each of the three port pictures opens the last port and closes the open one.
TEST_F(ComPanel, APictureClickReopensTheLastPortAndClosesItAgain) {
    const std::pair<int, int> ringe[] = {{panelHandle, PANEL_PICTURERING},
                                         {comPanelHandle, COMPANEL_PICTURERING},
                                         {kalPanelHandle, KALPANEL_PICTURERING}};
    for (auto [panel, ring] : ringe) {
        SCOPED_TRACE(panel);
        DisplayPanel(panel);
        PortWaehlen(3);
        PortWaehlen(-1);
        ASSERT_FALSE(Port(3).isOpen);

        Click(panel, ring);
        EXPECT_TRUE(Port(3).isOpen);
        EXPECT_EQ(Com_ComPort(), 3);
        EXPECT_EQ(Int(comPanelHandle, COMPANEL_PORT), 3);
        EXPECT_EQ(Portbilder(), Ueberall(3));
        EXPECT_EQ(Fehleranzeigen(), KeinFehler());

        // Closing by a click leaves an error on display.
        Com_ComFehlerSetzen(-403142);
        Click(panel, ring);
        EXPECT_FALSE(Port(3).isOpen);
        EXPECT_EQ(Int(comPanelHandle, COMPANEL_PORT), -1);
        EXPECT_EQ(Portbilder(), Ueberall(-1));
        EXPECT_EQ(Fehleranzeigen()[1].nummer, 403142);
        Com_ComFehlerSetzen(0);
    }
}

TEST_F(ComPanel, APictureClickThatCannotReopenShowsTheCode) {
    PortWaehlen(3);
    PortWaehlen(-1);
    Port(3).failOpen = true;
    Click(comPanelHandle, COMPANEL_PICTURERING);
    EXPECT_EQ(Fehleranzeigen(), Ueberall(1, kOeffnungsfehler, 100003));
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_PORT), -1);
    EXPECT_EQ(Portbilder(), Ueberall(-1));
    EXPECT_EQ(Com_LetzterComPort(), 3);
}

TEST_F(ComPanel, APictureClickWithoutALastPortOpensNothingAndClearsTheErrors) {
    Com_ComFehlerSetzen(-122003);
    Click(comPanelHandle, COMPANEL_PICTURERING);
    for (int n = 1; n <= 6; ++n) EXPECT_EQ(Port(n).opens, 0) << n;
    EXPECT_EQ(Com_ComPort(), -1);
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_PORT), -1);
    EXPECT_EQ(Portbilder(), Ueberall(-1));
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
}

TEST_F(ComPanel, ScanLightsAKrv4GreenAndAForeignDeviceRed) {
    PortWaehlen(2);
    // Lamps of an earlier scan go out where nobody answers now.
    SetCtrlVal(comPanelHandle, COMPANEL_LED1, 1);
    SetCtrlVal(comPanelHandle, COMPANEL_IDSTRING, "alt");
    Com_ComFehlerSetzen(-403012);
    const std::string krv4 = "QVLKRV4-TST1-1000";
    for (char n = '1'; n <= '9'; ++n) {
        if (n == '3') Port(2).replyOnWrite(ACK + "#3" + krv4 + "\r");
        else if (n == '5') Port(2).replyOnWrite(ACK + "#5QVLXYZ-9\r");
        else Port(2).replyOnWrite("");
    }

    Press(comPanelHandle, COMPANEL_SCANN);

    EXPECT_EQ(Port(2).written, "#1IDR\r#2IDR\r#3IDR\r#4IDR\r#5IDR\r#6IDR\r#7IDR\r#8IDR\r#9IDR\r");
    // Each address is announced before its answer is awaited.
    std::vector<std::string> erwartet;
    for (char n = '1'; n <= '9'; ++n) erwartet.push_back(std::string("Suche nach Gerät ") + n);
    EXPECT_EQ(Port(2).textBeimSenden, erwartet);
    EXPECT_EQ(Text(comPanelHandle, COMPANEL_TEXT), "");

    const int lampen[] = {COMPANEL_LED1, COMPANEL_LED2, COMPANEL_LED3, COMPANEL_LED4, COMPANEL_LED5,
                          COMPANEL_LED6, COMPANEL_LED7, COMPANEL_LED8, COMPANEL_LED9};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(Int(comPanelHandle, lampen[i]), i == 2 || i == 4) << "lamp " << i + 1;
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_LED3, ATTR_ON_COLOR), 0x00FF00);
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_LED5, ATTR_ON_COLOR), 0xFF0000);
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_ADRESSE), '3');
    EXPECT_EQ(Text(comPanelHandle, COMPANEL_IDSTRING), krv4);
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
}

TEST_F(ComPanel, WithSeveralKrv4sTheHighestAddressStaysChosen) {
    PortWaehlen(1);
    for (char n = '1'; n <= '9'; ++n)
        Port(1).replyOnWrite(n == '2' || n == '7' ? ACK + "#" + n + "QVLKRV4-TST1-" + n + "\r" : "");
    Press(comPanelHandle, COMPANEL_SCANN);
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_ADRESSE), '7');
    EXPECT_EQ(Text(comPanelHandle, COMPANEL_IDSTRING), "QVLKRV4-TST1-7");
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_LED2), 1);
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_LED7), 1);
}

TEST_F(ComPanel, ButtonsWithoutAPortShowTheirOwnCode) {
    struct Fall {
        int knopf;
        int code;
    };
    for (Fall f : {Fall{COMPANEL_SCANN, 122003}, Fall{COMPANEL_IDLESEN, 122002}, Fall{COMPANEL_START, 122004},
                   Fall{COMPANEL_STOPP, 122005}}) {
        Com_ComFehlerSetzen(0);
        Press(comPanelHandle, f.knopf);
        EXPECT_EQ(Fehleranzeigen(), Ueberall(1, kNichtGeoeffnet, f.code)) << f.code;
        EXPECT_EQ(Text(comPanelHandle, COMPANEL_TEXT), "");
    }
}

TEST_F(ComPanel, IdReadShowsTheIdentificationOfTheChosenAddress) {
    PortWaehlen(4);
    Operate(comPanelHandle, COMPANEL_ADRESSE, '7');
    Port(4).replyOnWrite(ACK + "#7QVLKRV4-TST1-1234\r");
    Press(comPanelHandle, COMPANEL_IDLESEN);
    EXPECT_EQ(Port(4).written, "#7IDR\r");
    EXPECT_EQ(Port(4).textBeimSenden, std::vector<std::string>{"lese ID..."});
    EXPECT_EQ(Text(comPanelHandle, COMPANEL_IDSTRING), "QVLKRV4-TST1-1234");
    EXPECT_EQ(Text(comPanelHandle, COMPANEL_TEXT), "");
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());

    // A silent device: the field is cleared and the error shown.
    Press(comPanelHandle, COMPANEL_IDLESEN);
    EXPECT_EQ(Text(comPanelHandle, COMPANEL_IDSTRING), "");
    EXPECT_EQ(Fehleranzeigen(), Ueberall(1, "Keine Antwort vom Gerät", 403012));
}

TEST_F(ComPanel, IdReadOfAllDevicesIsRefusedBeforeAnythingIsSent) {
    PortWaehlen(1);
    Operate(comPanelHandle, COMPANEL_ADRESSE, '&');
    Press(comPanelHandle, COMPANEL_IDLESEN);
    EXPECT_EQ(Port(1).written, "");
    EXPECT_EQ(Fehleranzeigen(), Ueberall(1, "Unzulässige Geräteadresse", 400006));
}

TEST_F(ComPanel, StartAndStopSendTheDeviceFunctions) {
    PortWaehlen(2);
    Operate(comPanelHandle, COMPANEL_ADRESSE, '3');
    Port(2).replyOnWrite(ACK);
    Press(comPanelHandle, COMPANEL_START);
    EXPECT_EQ(Port(2).written, "#3DF1\r");
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());

    Port(2).replyOnWrite("\x15");
    Press(comPanelHandle, COMPANEL_STOPP);
    EXPECT_EQ(Port(2).written, "#3DF1\r#3DF2\r");
    EXPECT_EQ(Fehleranzeigen()[0].nummer, 402039);

    // To every device at once: no answer is awaited.
    Operate(comPanelHandle, COMPANEL_ADRESSE, '&');
    Press(comPanelHandle, COMPANEL_STOPP);
    EXPECT_EQ(Port(2).written, "#3DF1\r#3DF2\r#&DF2\r");
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
}

TEST_F(ComPanel, StopDuringADirectTestEndsTheDirectTest) {
    PortWaehlen(1);
    SetCtrlVal(panelHandle, PANEL_DIREKTTEST, 1);
    gDirekttestAn = true;
    Press(comPanelHandle, COMPANEL_STOPP);
    gDirekttestAn = false;
    EXPECT_EQ(Int(panelHandle, PANEL_DIREKTTEST), 0);
}

class Statusabfrage : public ComPanel {
protected:
    void Einschalten() {
        Toggle(comPanelHandle, COMPANEL_STATUSABFRAGE);
        ASSERT_EQ(Int(comPanelHandle, COMPANEL_STATUSABFRAGE), 1);
    }
    static std::array<int, 5> Lampen() {
        return {Int(comPanelHandle, COMPANEL_LEDSTATUS0), Int(comPanelHandle, COMPANEL_LEDSTATUS1),
                Int(comPanelHandle, COMPANEL_LEDSTATUS2), Int(comPanelHandle, COMPANEL_LEDSTATUS3),
                Int(comPanelHandle, COMPANEL_LEDSTATUS6)};
    }
    static bool LampenGedimmt(bool gedimmt) {
        for (int lampe : {COMPANEL_LEDSTATUS0, COMPANEL_LEDSTATUS1, COMPANEL_LEDSTATUS2, COMPANEL_LEDSTATUS3,
                          COMPANEL_LEDSTATUS6})
            if ((Attribute(comPanelHandle, lampe, ATTR_DIMMED) != 0) != gedimmt) return false;
        return true;
    }
    static bool TimerAn() { return Attribute(comPanelHandle, COMPANEL_STATUSTIMER, ATTR_ENABLED) != 0; }
    static void ErwarteAus() {
        EXPECT_FALSE(TimerAn());
        EXPECT_EQ(Int(comPanelHandle, COMPANEL_STATUSABFRAGE), 0);
        EXPECT_TRUE(LampenGedimmt(true));
    }
};

TEST_F(Statusabfrage, IsOffAndDimmedAfterStartAndFollowsItsToggle) {
    ErwarteAus();
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_STATUSTIMER, ATTR_INTERVAL), 500);
    Com_ComFehlerSetzen(-403142);
    Einschalten();
    EXPECT_TRUE(TimerAn());
    EXPECT_TRUE(LampenGedimmt(false));
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
    Toggle(comPanelHandle, COMPANEL_STATUSABFRAGE);
    ErwarteAus();
}

TEST_F(Statusabfrage, EachBitLightsItsOwnLamp) {
    struct Fall {
        int statusbyte;
        std::array<int, 5> lampen;
    };
    const Fall faelle[] = {
        {0x41, {1, 0, 0, 0, 1}}, {0x02, {0, 1, 0, 0, 0}}, {0x04, {0, 0, 1, 0, 0}},
        {0x08, {0, 0, 0, 1, 0}}, {0xB0, {0, 0, 0, 0, 0}}, {0x00, {0, 0, 0, 0, 0}},
    };
    PortWaehlen(1);
    Operate(comPanelHandle, COMPANEL_ADRESSE, '4');
    Einschalten();
    for (const Fall& f : faelle) {
        char antwort[16];
        std::snprintf(antwort, sizeof antwort, "#4S1R%02X\r", f.statusbyte);
        Port(1).written.clear();
        Port(1).replyOnWrite(ACK + antwort);
        Tick(comPanelHandle, COMPANEL_STATUSTIMER);
        EXPECT_EQ(Port(1).written, "#4S1R\r");
        EXPECT_EQ(Lampen(), f.lampen) << f.statusbyte;
        EXPECT_TRUE(TimerAn());
    }
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
}

TEST_F(Statusabfrage, ASilentDeviceSwitchesThePollingOff) {
    PortWaehlen(1);
    Einschalten();
    Port(1).replyOnWrite(ACK + "#1S1R01\r");
    Tick(comPanelHandle, COMPANEL_STATUSTIMER);
    Tick(comPanelHandle, COMPANEL_STATUSTIMER);  // nobody answers
    ErwarteAus();
    EXPECT_EQ(Fehleranzeigen(), Ueberall(1, "Keine Antwort vom Gerät", 403142));
    EXPECT_EQ(Port(1).written, "#1S1R\r#1S1R\r");
}

TEST_F(Statusabfrage, WithoutAPortTheFirstTickEndsIt) {
    Einschalten();
    Tick(comPanelHandle, COMPANEL_STATUSTIMER);
    ErwarteAus();
    EXPECT_EQ(Fehleranzeigen(), Ueberall(1, kNichtGeoeffnet, 122001));
}

// "Zurück" and the close box both end the polling and bring the main panel back.
TEST_F(Statusabfrage, LeavingThePanelEndsThePolling) {
    for (bool schliessfeld : {false, true}) {
        SCOPED_TRACE(schliessfeld ? "close box" : "Zurück");
        PortWaehlen(1);
        Einschalten();
        if (schliessfeld) ClosePanel(comPanelHandle);
        else Press(comPanelHandle, COMPANEL_ZURUECK);
        ErwarteAus();
        EXPECT_FALSE(Shown(comPanelHandle));
        EXPECT_TRUE(Shown(panelHandle));
        // The port stays open for the rest of the program.
        EXPECT_EQ(Com_ComPort(), 1);
        ComPanelOeffnen();
    }
}

TEST_F(ComPanel, SwitchingPanelsPassesGeometryOrZoom) {
    Press(comPanelHandle, COMPANEL_ZURUECK);
    SetPanelAttribute(panelHandle, ATTR_TOP, 40);
    SetPanelAttribute(panelHandle, ATTR_LEFT, 50);
    SetPanelAttribute(panelHandle, ATTR_WIDTH, 900);
    SetPanelAttribute(panelHandle, ATTR_HEIGHT, 700);
    ComPanelOeffnen();
    for (auto [attribut, wert] : {std::pair{ATTR_TOP, 40}, std::pair{ATTR_LEFT, 50}, std::pair{ATTR_WIDTH, 900},
                                  std::pair{ATTR_HEIGHT, 700}}) {
        int v = 0;
        GetPanelAttribute(comPanelHandle, attribut, v);
        EXPECT_EQ(v, wert) << attribut;
    }

    SetPanelAttribute(comPanelHandle, ATTR_WINDOW_ZOOM, VAL_MAXIMIZE);
    SetPanelAttribute(panelHandle, ATTR_WIDTH, 300);
    Press(comPanelHandle, COMPANEL_ZURUECK);
    int zoom = 0, breite = 0;
    GetPanelAttribute(panelHandle, ATTR_WINDOW_ZOOM, zoom);
    GetPanelAttribute(panelHandle, ATTR_WIDTH, breite);
    EXPECT_EQ(zoom, VAL_MAXIMIZE);
    EXPECT_EQ(breite, 300);
}

}  // namespace
