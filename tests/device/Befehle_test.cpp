#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "device/TreiberFixture.h"

namespace {

TEST(PortOeffnen, OpensComNWithTheDeviceLineSettings) {
    auto port = std::make_shared<MemorySerialPort>();
    SerialPortSetzen(3, port);
    EXPECT_EQ(QVLKRV4_Open(3, 9600), 0);
    EXPECT_EQ(port->deviceName, "com3");
    EXPECT_EQ(port->baud, 9600);
    EXPECT_EQ(port->parity, COM_PARITY_ODD);
    EXPECT_EQ(port->dataBits, 7);
    EXPECT_EQ(port->stopBits, 1);
    EXPECT_EQ(port->inQueue, 512);
    EXPECT_EQ(port->outQueue, 512);
    EXPECT_EQ(QVLKRV4_Timeout(3, 1.0), 0);
    EXPECT_EQ(port->timeout, 1.0);
    EXPECT_EQ(QVLKRV4_Close(3), 0);
    EXPECT_FALSE(port->isOpen);
    SerialPortSetzen(3, nullptr);
}

TEST(PortOeffnen, RefusesBaudFirstThenPortNumberWithoutTouchingThePort) {
    auto port = std::make_shared<MemorySerialPort>();
    SerialPortSetzen(3, port);
    EXPECT_EQ(QVLKRV4_Open(3, 19200), -125001);
    EXPECT_EQ(QVLKRV4_Open(7, 19200), -125001);
    EXPECT_EQ(QVLKRV4_Open(7, 9600), -100002);
    EXPECT_EQ(QVLKRV4_Open(0, 9600), -100002);
    EXPECT_EQ(port->opens, 0);
    SerialPortSetzen(3, nullptr);
}

TEST(PortOeffnen, PortLibraryFailuresGiveTheirCodes) {
    auto port = std::make_shared<MemorySerialPort>();
    SerialPortSetzen(2, port);
    port->failOpen = true;
    EXPECT_EQ(QVLKRV4_Open(2, 9600), -100003);
    port->failOpen = false;
    ASSERT_EQ(QVLKRV4_Open(2, 9600), 0);
    port->failSetTimeout = true;
    EXPECT_EQ(QVLKRV4_Timeout(2, 1.0), -111005);
    port->failClose = true;
    EXPECT_EQ(QVLKRV4_Close(2), -103004);
    port->failClose = false;
    EXPECT_EQ(QVLKRV4_Close(2), 0);
    EXPECT_EQ(QVLKRV4_Close(2), -103004);  // not open any more
    SerialPortSetzen(2, nullptr);
}

TEST_F(Treiber, FlushInOutEmptiesInputFirstAndLeavesOutputAloneWhenThatFails) {
    port->failFlushIn = true;
    EXPECT_EQ(FlushInOut(1), -124148);
    EXPECT_EQ(port->flushesOut, 0);
    port->failFlushIn = false;
    port->failFlushOut = true;
    EXPECT_EQ(FlushInOut(1), -123149);
    port->failFlushOut = false;
    port->queueInput("alt");
    EXPECT_EQ(FlushInOut(1), 0);
    EXPECT_LT(ComRdByte(1), 0);
}

// Every command as bytes on the line, with the device's answer.
struct Beispiel {
    const char* was;
    std::function<int()> aufruf;
    std::string gesendet;
    std::string antwort;
};

TEST_F(Treiber, CommandsGoOnTheLineByteForByte) {
    char kennung[28] = {};
    int status = -1;
    const std::string name20 = "Dichtheit DS 20 Zchn";
    const std::vector<Beispiel> beispiele = {
        {"IDR", [&] { return QVLKRV4_IDLesen(1, '1', kennung); }, "\x23\x31\x49\x44\x52\x0d",
         ACK + "#1QVLKRV4-TST1-0042\r"},
        {"start", [] { return QVLKRV4_DeviceFunction(1, '1', "start"); }, "\x23\x31\x44\x46\x31\x0d", ACK},
        {"stopp", [] { return QVLKRV4_DeviceFunction(1, '1', "stopp"); }, "#1DF2\r", ACK},
        {"direkt", [] { return QVLKRV4_DeviceFunction(1, '1', "direktbetrieb"); }, "\x23\x31\x44\x46\x33\x0d", ACK},
        {"ende", [] { return QVLKRV4_DeviceFunction(1, 'b', "programmierungabschliessen"); }, "#bDF5\r", ACK},
        {"P3S10", [] { return QVLKRV4_ProgrammUndSchrittEinstellen(1, '1', 3, 10); },
         "\x23\x31\x50\x31\x53\x30\x33\x31\x30\x0d", ACK},
        {"P3S1", [] { return QVLKRV4_ProgrammUndSchrittEinstellen(1, '1', 3, 1); }, "#1P1S0301\r", ACK},
        {"P16S10", [] { return QVLKRV4_ProgrammUndSchrittEinstellen(1, 'f', 16, 10); }, "#fP1S1610\r", ACK},
        {"S1R", [&] { return QVLKRV4_StatusLesen(1, '1', 1, &status); }, "\x23\x31\x53\x31\x52\x0d",
         ACK + "\x23\x31\x53\x31\x52\x34\x31\x0d"},
        {"S2R", [&] { return QVLKRV4_StatusLesen(1, '1', 2, &status); }, "#1S2R\r", ACK + "#1S2R00\r"},
        {"G1 4", [] { return QVLKRV4_ParameterSchreiben(1, '1', "messgeraet", 0, 4, nullptr); },
         "\x23\x31\x47\x31\x57\x34\x0d", ACK},
        {"K1", [] { return QVLKRV4_ParameterSchreiben(1, '1', "relaisgruppe1", 0, 0x01200000, nullptr); },
         "#1K1W01200000\r", ACK},
        {"K1 kurz", [] { return QVLKRV4_ParameterSchreiben(1, '1', "relaisgruppe1", 0, 0x1A0000, nullptr); },
         "#1K1W001A0000\r", ACK},
        {"K2 oben", [] { return QVLKRV4_ParameterSchreiben(1, 'a', "relaisgruppe2", 0, 0x7FFFFFFF, nullptr); },
         "#aK2W7FFFFFFF\r", ACK},
        {"B1 17", [] { return QVLKRV4_ParameterSchreiben(1, '1', "schrittmodus", 0, 17, nullptr); }, "#1B1W11\r",
         ACK},
        {"B1 0xAB", [] { return QVLKRV4_ParameterSchreiben(1, 'c', "schrittmodus", 0, 0xab, nullptr); },
         "#cB1WAB\r", ACK},
        {"L2 10", [] { return QVLKRV4_ParameterSchreiben(1, '1', "oberergrenzwert", 10.0, 0, nullptr); },
         "#1L2W10.000\r", ACK},
        {"L1 -0.5", [] { return QVLKRV4_ParameterSchreiben(1, '1', "unterergrenzwert", -0.5, 0, nullptr); },
         "#1L1W-0.500\r", ACK},
        {"L1 2.0004", [] { return QVLKRV4_ParameterSchreiben(1, '1', "unterergrenzwert", 2.0004, 0, nullptr); },
         "#1L1W2.000\r", ACK},
        {"N2", [&] { return QVLKRV4_ParameterSchreiben(1, '1', "schrittname", 0, 0, name20.c_str()); },
         "#1N2W" + name20 + "\r", ACK},
        {"N1", [] { return QVLKRV4_ParameterSchreiben(1, '1', "programmname", 0, 0, "Pruefung"); },
         "#1N1WPruefung\r", ACK},
        {"A1", [] { return QVLKRV4_ParameterSchreiben(1, '1', "anzahlschritte", 0, 16, nullptr); }, "#1A1W16\r",
         ACK},
        {"W1", [] { return QVLKRV4_ParameterSchreiben(1, '1', "impulszyklen", 0, 65536, nullptr); },
         "#1W1W65536\r", ACK},
        {"V1", [] { return QVLKRV4_ParameterSchreiben(1, '1', "spannung", 40.95, 0, nullptr); }, "#1V1W40.950\r",
         ACK},
        {"C1", [] { return QVLKRV4_ParameterSchreiben(1, '1', "strom", 20.48, 0, nullptr); }, "#1C1W20.480\r", ACK},
        {"05", [] { return QVLKRV4_ParameterSchreiben(1, '1', "druck_v", 1.0, 0, nullptr); }, "#105W1.000000\r",
         ACK},
        {"22", [] { return QVLKRV4_ParameterSchreiben(1, '1', "strom_off", -0.25, 0, nullptr); },
         "#122W-0.250000\r", ACK},
        {"L1R", [] { return QVLKRV4_ParameterLesen(1, '1', "unterergrenzwert", nullptr, nullptr, nullptr); },
         "#1L1R\r", ACK + "#1L1R-0.500\r"},
        {"13R", [] { return QVLKRV4_ParameterLesen(1, '1', "rpg300_v", nullptr, nullptr, nullptr); }, "#113R\r",
         ACK + "#113R1.000000\r"},
    };
    for (const auto& b : beispiele) {
        SCOPED_TRACE(b.was);
        port->written.clear();
        port->replyOnWrite(b.antwort);
        EXPECT_EQ(b.aufruf(), 0);
        EXPECT_EQ(port->written, b.gesendet);
    }
    EXPECT_STREQ(kennung, "QVLKRV4-TST1-0042");
}

TEST_F(Treiber, EveryParameterHasItsWireCode) {
    const std::vector<std::pair<const char*, const char*>> codes = {
        {"anzahlschritte", "A1"}, {"programmname", "N1"},    {"schrittname", "N2"},    {"unterergrenzwert", "L1"},
        {"oberergrenzwert", "L2"}, {"messgeraet", "G1"},     {"vergleich", "L3"},      {"messzeit", "T1"},
        {"relaisgruppe1", "K1"},  {"relaisgruppe2", "K2"},   {"schrittmodus", "B1"},   {"impulseinzeit", "W2"},
        {"impulsauszeit", "W3"},  {"impulszyklen", "W1"},    {"spannung", "V1"},       {"strom", "C1"},
        {"usoll_v", "01"},        {"usoll_off", "02"},       {"isoll_v", "03"},        {"isoll_off", "04"},
        {"druck_v", "05"},        {"druck_off", "06"},       {"vakuum_v", "07"},       {"vakuum_off", "08"},
        {"flow_v", "09"},         {"flow_off", "10"},        {"rpg30_v", "11"},        {"rpg30_off", "12"},
        {"rpg300_v", "13"},       {"rpg300_off", "14"},      {"rpg3k_v", "15"},        {"rpg3k_off", "16"},
        {"rpg30k_v", "17"},       {"rpg30k_off", "18"},      {"spannung_v", "19"},     {"spannung_off", "20"},
        {"strom_v", "21"},        {"strom_off", "22"},
    };
    ASSERT_EQ(QVLKRV4_ParameterAnzahl, static_cast<int>(codes.size()));
    for (const auto& [name, code] : codes) {
        SCOPED_TRACE(name);
        port->written.clear();
        EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', name, nullptr, nullptr, nullptr), -403088);
        EXPECT_EQ(port->written, std::string("#1") + code + "R\r");
    }
}

// One row of the code table: a fault of the port or the device and the code
// it must give.
struct Fall {
    const char* was;
    std::function<void(MemorySerialPort&)> stoerung;
    int code;
    bool sendetNichts = false;
};

void PruefeCodetabelle(MemorySerialPort& port, const std::function<int()>& aufruf, const std::vector<Fall>& faelle) {
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.was);
        port = MemorySerialPort{};
        port.isOpen = true;
        f.stoerung(port);
        EXPECT_EQ(aufruf(), f.code);
        if (f.sendetNichts) {
            EXPECT_EQ(port.written, "");
            EXPECT_EQ(port.flushesIn, 0);
            EXPECT_EQ(port.reads, 0);
        }
    }
}

auto Antwort(std::string bytes) {
    return [bytes](MemorySerialPort& p) { p.replyOnWrite(bytes); };
}

// The line faults shared by every command, given its codes.
std::vector<Fall> Leitungsfehler(int flushIn, int flushOut, int schreiben, int kurz, int nak, int can, int stumm,
                                 int andere) {
    return {
        {"FlushIn", [](MemorySerialPort& p) { p.failFlushIn = true; }, flushIn},
        {"FlushOut", [](MemorySerialPort& p) { p.failFlushOut = true; }, flushOut},
        {"Schreiben", [](MemorySerialPort& p) { p.failWrite = true; }, schreiben},
        {"Kurz", [](MemorySerialPort& p) { p.shortWrite = 3; }, kurz},
        {"Leitung haengt", [](MemorySerialPort& p) { p.stuckOutput = true; }, schreiben},
        {"Ausgabe unbekannt", [](MemorySerialPort& p) { p.failOutQueue = true; }, schreiben},
        {"NAK", Antwort(NAK), nak},
        {"CAN", Antwort(CAN), can},
        {"Stumm", [](MemorySerialPort&) {}, stumm},
        {"Portfehler", [](MemorySerialPort& p) { p.failRead = true; }, stumm},
        {"Anderes", Antwort("#"), andere},
        {"ACK ohne Bit 7", Antwort("\x86"), andere},
    };
}

std::vector<Fall> operator+(std::vector<Fall> a, const std::vector<Fall>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(Treiber, CodeTableOfIDLesen) {
    char kennung[28];
    char adresse = '1';
    auto aufruf = [&] { return QVLKRV4_IDLesen(1, adresse, kennung); };
    PruefeCodetabelle(*port, aufruf,
                      Leitungsfehler(-124148, -123149, -101008, -114009, -402010, -405011, -403012, -404013) +
                          std::vector<Fall>{
                              {"Antwortbyte", Antwort(ACK + "#1QVL"), -404014},
                              {"Antwort", Antwort(ACK + "#2QVLKRV4-TST1-1\r"), -404015},
                              {"gut", Antwort(ACK + "#1QVLKRV4-TST1-1\r"), 0},
                          });
    for (char falsch : {'&', '0', 'A', 'g', '#', '\0'}) {
        adresse = falsch;
        PruefeCodetabelle(*port, aufruf, {{"Adresse", Antwort(ACK + "#1X\r"), -400006, true}});
    }
}

TEST_F(Treiber, CodeTableOfDeviceFunction) {
    const char* funktion = "start";
    char adresse = '1';
    auto aufruf = [&] { return QVLKRV4_DeviceFunction(1, adresse, funktion); };
    PruefeCodetabelle(*port, aufruf,
                      Leitungsfehler(-124148, -123149, -101037, -101038, -402039, -405040, -403041, -404042) +
                          std::vector<Fall>{{"gut", Antwort(ACK), 0}});
    for (const char* name : {"Start", "START", "stop", "", "start ", "programmierung"}) {
        funktion = name;
        PruefeCodetabelle(*port, aufruf, {{name, Antwort(ACK), -401035, true}});
    }
    funktion = nullptr;
    PruefeCodetabelle(*port, aufruf, {{"kein Name", Antwort(ACK), -401035, true}});
    funktion = "start";
    adresse = 'A';
    PruefeCodetabelle(*port, aufruf, {{"Adresse", Antwort(ACK), -400034, true}});
}

TEST_F(Treiber, CodeTableOfProgramAndStepSelection) {
    char adresse = '1';
    auto aufruf = [&] { return QVLKRV4_ProgrammUndSchrittEinstellen(1, adresse, 1, 1); };
    PruefeCodetabelle(*port, aufruf,
                      Leitungsfehler(-112073, -112073, -101074, -101075, -402076, -405077, -403078, -404079) +
                          std::vector<Fall>{{"gut", Antwort(ACK), 0}});
    adresse = '0';
    PruefeCodetabelle(*port, aufruf, {{"Adresse", Antwort(ACK), -400069, true}});
}

TEST_F(Treiber, CodeTableOfStatusLesen) {
    char adresse = '1';
    int typ = 1;
    int status = -1;
    auto aufruf = [&] { return QVLKRV4_StatusLesen(1, adresse, typ, &status); };
    PruefeCodetabelle(*port, aufruf,
                      Leitungsfehler(-124148, -123149, -101138, -114139, -402140, -405141, -403142, -404143) +
                          std::vector<Fall>{
                              {"Antwortbyte", Antwort(ACK + "#1S1R4"), -404144},
                              {"Antwort", Antwort(ACK + "#2S1R00\r"), -404145},
                              {"Typ", Antwort(ACK + "#1S2R00\r"), -404146},
                              {"gut", Antwort(ACK + "#1S1R41\r"), 0},
                          });
    EXPECT_EQ(status, 0x41);
    typ = 2;
    PruefeCodetabelle(*port, aufruf, {{"Typ 2", Antwort(ACK + "#1S1R00\r"), -404147}});
    for (int falsch : {0, 3, -1}) {
        typ = falsch;
        PruefeCodetabelle(*port, aufruf, {{"Typ", Antwort(ACK + "#1S1R00\r"), -401136, true}});
    }
    typ = 1;
    for (char falsch : {'&', '0', 'A'}) {
        adresse = falsch;
        PruefeCodetabelle(*port, aufruf, {{"Adresse", Antwort(ACK + "#&S1R00\r"), -400135, true}});
    }
}

TEST_F(Treiber, CodeTableOfParameterSchreiben) {
    char adresse = '1';
    const char* name = "messzeit";
    int wert = 5;
    auto aufruf = [&] { return QVLKRV4_ParameterSchreiben(1, adresse, name, 0.0, wert, nullptr); };
    PruefeCodetabelle(*port, aufruf,
                      Leitungsfehler(-112073, -112073, -101074, -101075, -402076, -405077, -403078, -404079) +
                          std::vector<Fall>{{"gut", Antwort(ACK), 0}});
    name = "Messzeit";
    PruefeCodetabelle(*port, aufruf, {{"Name", Antwort(ACK), -401071, true}});
    name = nullptr;
    PruefeCodetabelle(*port, aufruf, {{"kein Name", Antwort(ACK), -401071, true}});
    name = "messzeit";
    wert = 601;
    PruefeCodetabelle(*port, aufruf, {{"Wert", Antwort(ACK), -500070, true}});
    adresse = 'F';
    PruefeCodetabelle(*port, aufruf, {{"Adresse", Antwort(ACK), -400069, true}});
}

TEST_F(Treiber, CodeTableOfParameterLesen) {
    char adresse = '1';
    const char* name = "messzeit";
    int wert = -1;
    auto aufruf = [&] { return QVLKRV4_ParameterLesen(1, adresse, name, nullptr, &wert, nullptr); };
    PruefeCodetabelle(*port, aufruf,
                      Leitungsfehler(-112083, -112083, -101084, -114085, -402086, -405087, -403088, -404089) +
                          std::vector<Fall>{
                              {"Antwortbyte", Antwort(ACK + "#1T1R12"), -404090},
                              {"Antwort", Antwort(ACK + "#1T2R12\r"), -404091},
                              {"gut", Antwort(ACK + "#1T1R12\r"), 0},
                          });
    EXPECT_EQ(wert, 12);
    name = "messzeit ";
    PruefeCodetabelle(*port, aufruf, {{"Name", Antwort(ACK), -401081, true}});
    name = "messzeit";
    for (char falsch : {'&', '0', 'A'}) {
        adresse = falsch;
        PruefeCodetabelle(*port, aufruf, {{"Adresse", Antwort(ACK), -400080, true}});
    }
}

TEST_F(Treiber, CollectiveAddressSendsAndReturnsWithoutReading) {
    EXPECT_EQ(QVLKRV4_DeviceFunction(1, '&', "stopp"), 0);
    EXPECT_EQ(QVLKRV4_ProgrammUndSchrittEinstellen(1, '&', 2, 5), 0);
    EXPECT_EQ(QVLKRV4_ParameterSchreiben(1, '&', "schrittname", 0, 0, "alle"), 0);
    EXPECT_EQ(QVLKRV4_ParameterSchreiben(1, '&', "flow_off", 0.25, 0, nullptr), 0);
    EXPECT_EQ(port->written, "#&DF2\r#&P1S0205\r#&N2Walle\r#&10W0.250000\r");
    EXPECT_EQ(port->reads, 0);
    // The write and drain faults still count.
    port->stuckOutput = true;
    EXPECT_EQ(QVLKRV4_DeviceFunction(1, '&', "start"), -101037);
}

TEST_F(Treiber, LeftoversOfAnEarlierExchangeAreFlushed) {
    port->queueInput(NAK + "#1T1R99\r");
    port->replyOnWrite(ACK + "#1T1R7\r");
    int wert = 0;
    EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', "messzeit", nullptr, &wert, nullptr), 0);
    EXPECT_EQ(wert, 7);
}

TEST_F(Treiber, OverlongReplyIsCutAndItsRestDoesNotDisturbTheNextCommand) {
    const std::string lang29 = "#1QVLKRV4-TST1-0123456789ABCD";  // 29 characters, no CR
    ASSERT_EQ(lang29.size(), 29u);
    char kennung[28] = "vorher";
    port->replyOnWrite(ACK + lang29 + "EF\r");
    EXPECT_EQ(QVLKRV4_IDLesen(1, '1', kennung), -404015);
    EXPECT_EQ(port->reads, 1 + 29);

    port->replyOnWrite(ACK + "#1N1R" + std::string(24, 'x') + "yz\r");
    char text[21] = "vorher";
    EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', "programmname", nullptr, nullptr, text), -404091);
    EXPECT_STREQ(text, "vorher");

    port->replyOnWrite(ACK + "#1S1R" + std::string(9, '0') + "\r");
    int status = -1;
    EXPECT_EQ(QVLKRV4_StatusLesen(1, '1', 1, &status), -404145);

    port->replyOnWrite(ACK + "#1QVLKRV4-TST1-7\r");
    EXPECT_EQ(QVLKRV4_IDLesen(1, '1', kennung), 0);
    EXPECT_STREQ(kennung, "QVLKRV4-TST1-7");
}

// Values the driver refuses before the line is touched, and their neighbours
// that are sent.
struct Grenze {
    const char* name;
    double real;
    int ganz;
    const char* text;
    const char* gesendet;  // nullptr: refused with -500070
};

TEST_F(Treiber, RangeLimitsAreCheckedBeforeSending) {
    const std::string n20(20, 'n');
    const std::string n21(21, 'n');
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Grenze grenzen[] = {
        {"messgeraet", 0, 0, nullptr, nullptr},
        {"messgeraet", 0, 1, nullptr, "#1G1W1\r"},
        {"messgeraet", 0, 9, nullptr, "#1G1W9\r"},
        {"messgeraet", 0, 10, nullptr, nullptr},
        {"anzahlschritte", 0, 0, nullptr, "#1A1W0\r"},
        {"anzahlschritte", 0, 17, nullptr, nullptr},
        {"anzahlschritte", 0, -1, nullptr, nullptr},
        {"vergleich", 0, 4, nullptr, "#1L3W4\r"},
        {"vergleich", 0, 5, nullptr, nullptr},
        {"messzeit", 0, 600, nullptr, "#1T1W600\r"},
        {"messzeit", 0, 601, nullptr, nullptr},
        {"impulszyklen", 0, 65536, nullptr, "#1W1W65536\r"},
        {"impulszyklen", 0, 65537, nullptr, nullptr},
        {"impulseinzeit", 0, 65535, nullptr, "#1W2W65535\r"},
        {"impulseinzeit", 0, 65536, nullptr, nullptr},
        {"impulsauszeit", 0, 65536, nullptr, nullptr},
        {"relaisgruppe1", 0, -1, nullptr, nullptr},
        {"relaisgruppe2", 0, static_cast<int>(0x80000000u), nullptr, nullptr},
        {"schrittmodus", 0, 255, nullptr, "#1B1WFF\r"},
        {"schrittmodus", 0, 256, nullptr, nullptr},
        {"spannung", 40.95, 0, nullptr, "#1V1W40.950\r"},
        {"spannung", 40.96, 0, nullptr, nullptr},
        {"spannung", 0.0, 0, nullptr, "#1V1W0.000\r"},
        {"spannung", -0.001, 0, nullptr, nullptr},
        {"strom", 20.48, 0, nullptr, "#1C1W20.480\r"},
        {"strom", 20.49, 0, nullptr, nullptr},
        {"strom", nan, 0, nullptr, nullptr},
        {"programmname", 0, 0, "", nullptr},
        {"programmname", 0, 0, nullptr, nullptr},
        {"programmname", 0, 0, n20.c_str(), "#1N1Wnnnnnnnnnnnnnnnnnnnn\r"},
        {"schrittname", 0, 0, n21.c_str(), nullptr},
        // A CR would end the command inside the name.
        {"schrittname", 0, 0, "ab\rcd", nullptr},
        // A "#" would start another command, which the device would sync on.
        {"schrittname", 0, 0, "Ventil #2", nullptr},
        {"programmname", 0, 0, "Ventil ?2", "#1N1WVentil ?2\r"},
        // The line carries 7 data bits: "ü" would reach the device as "|".
        {"schrittname", 0, 0, "M\xFCller", nullptr},
        {"programmname", 0, 0, "\x80", nullptr},
        {"programmname", 0, 0, "~\x7F", "#1N1W~\x7F\r"},
        // Reals without a range: never "nan", "inf" or a command over 31 bytes.
        {"unterergrenzwert", nan, 0, nullptr, nullptr},
        {"oberergrenzwert", inf, 0, nullptr, nullptr},
        {"oberergrenzwert", -inf, 0, nullptr, nullptr},
        {"oberergrenzwert", 1e20, 0, nullptr, "#1L2W100000000000000000000.000\r"},
        {"oberergrenzwert", 1e21, 0, nullptr, nullptr},
        {"unterergrenzwert", -1e19, 0, nullptr, "#1L1W-10000000000000000000.000\r"},
        {"unterergrenzwert", -1e20, 0, nullptr, nullptr},
        {"druck_off", 1e17, 0, nullptr, "#106W100000000000000000.000000\r"},
        {"druck_off", 1e18, 0, nullptr, nullptr},
        {"druck_v", nan, 0, nullptr, nullptr},
        {"vakuum_v", -inf, 0, nullptr, nullptr},
    };
    for (const auto& g : grenzen) {
        SCOPED_TRACE(std::string(g.name) + " " + std::to_string(g.real) + " " + std::to_string(g.ganz));
        port->written.clear();
        int flushes = port->flushesIn;
        port->replyOnWrite(ACK);
        int r = QVLKRV4_ParameterSchreiben(1, '1', g.name, g.real, g.ganz, g.text);
        if (g.gesendet) {
            EXPECT_EQ(r, 0);
            EXPECT_EQ(port->written, g.gesendet);
            EXPECT_LE(port->written.size(), 31u);
        } else {
            EXPECT_EQ(r, -500070);
            EXPECT_EQ(port->written, "");
            EXPECT_EQ(port->flushesIn, flushes);
            FlushInOut(1);  // drop the unused reply
        }
    }
}

TEST_F(Treiber, OnlyTheArgumentOfTheParametersKindIsUsed) {
    port->replyOnWrite(ACK);
    port->replyOnWrite(ACK);
    port->replyOnWrite(ACK);
    EXPECT_EQ(QVLKRV4_ParameterSchreiben(1, '1', "messzeit", std::nan(""), 12, nullptr), 0);
    EXPECT_EQ(QVLKRV4_ParameterSchreiben(1, '1', "strom", 1.5, 99999, "x\r"), 0);
    EXPECT_EQ(QVLKRV4_ParameterSchreiben(1, '1', "schrittname", 1e300, -5, "ok"), 0);
    EXPECT_EQ(port->written, "#1T1W12\r#1C1W1.500\r#1N2Wok\r");
}

}  // namespace
