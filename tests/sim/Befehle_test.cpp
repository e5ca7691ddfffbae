// The simulator's answer to every command as the device speaks it: bytes in,
// bytes out on its line.

#include <gtest/gtest.h>

#include "sim/Leitung.h"

namespace {

struct Fall {
    std::string befehl;
    std::string antwort;
};

void Abspielen(Leitung& l, const std::vector<Fall>& faelle) {
    for (const auto& f : faelle) {
        EXPECT_EQ(l.Frage(f.befehl), f.antwort) << "command " << f.befehl;
    }
    EXPECT_TRUE(l.Still());
}

TEST(SimBefehle, FreshDeviceAnswersEveryReadWithItsDefaults) {
    Geraet g({"--addresses", "1a", "--serial", "1000"});
    Abspielen(g.leitung, {
        {"#1IDR\r", ACK + "#1QVLKRV4-TST1-1000\r"},
        {"#aIDR\r", ACK + "#aQVLKRV4-TST1-1001\r"},
        {"#1S1R\r", ACK + "#1S1R00\r"},
        {"#1S2R\r", ACK + "#1S2R00\r"},
        {"#1A1R\r", ACK + "#1A1R1\r"},
        {"#1N1R\r", ACK + "#1N1RProgramm 1\r"},
        {"#1N2R\r", ACK + "#1N2RSchritt 1\r"},
        {"#1L1R\r", ACK + "#1L1R0.000\r"},
        {"#1L2R\r", ACK + "#1L2R0.000\r"},
        {"#1G1R\r", ACK + "#1G1R1\r"},
        {"#1L3R\r", ACK + "#1L3R1\r"},
        {"#1T1R\r", ACK + "#1T1R0\r"},
        {"#1K1R\r", ACK + "#1K1R00000000\r"},
        {"#1K2R\r", ACK + "#1K2R00000000\r"},
        {"#1B1R\r", ACK + "#1B1R00\r"},
        {"#1W1R\r", ACK + "#1W1R1\r"},
        {"#1W2R\r", ACK + "#1W2R0\r"},
        {"#1W3R\r", ACK + "#1W3R100\r"},
        {"#1V1R\r", ACK + "#1V1R0.000\r"},
        {"#1C1R\r", ACK + "#1C1R0.000\r"},
        // Calibration: gains 1, offsets 0.
        {"#101R\r", ACK + "#101R1.000000\r"},
        {"#102R\r", ACK + "#102R0.000000\r"},
        {"#121R\r", ACK + "#121R1.000000\r"},
        {"#122R\r", ACK + "#122R0.000000\r"},
        {"#1P1S1610\r", ACK},
        {"#1N1R\r", ACK + "#1N1RProgramm 16\r"},
        {"#1N2R\r", ACK + "#1N2RSchritt 10\r"},
    });
}

TEST(SimBefehle, WritesAreReadBackInTheDevicesOwnFormat) {
    Geraet g;
    Abspielen(g.leitung, {
        {"#1P1S0203\r", ACK},
        {"#1G1W4\r", ACK},           {"#1G1R\r", ACK + "#1G1R4\r"},
        {"#1T1W600\r", ACK},         {"#1T1R\r", ACK + "#1T1R600\r"},
        {"#1W1W65536\r", ACK},       {"#1W1R\r", ACK + "#1W1R65536\r"},
        {"#1K1W01200000\r", ACK},    {"#1K1R\r", ACK + "#1K1R01200000\r"},
        {"#1B1W1a\r", ACK},          {"#1B1R\r", ACK + "#1B1R1A\r"},
        {"#1L1W-0.5\r", ACK},        {"#1L1R\r", ACK + "#1L1R-0.500\r"},
        {"#1L2W10.000\r", ACK},      {"#1L2R\r", ACK + "#1L2R10.000\r"},
        {"#1V1W40.950\r", ACK},      {"#1V1R\r", ACK + "#1V1R40.950\r"},
        {"#1N2WMein Schritt\r", ACK}, {"#1N2R\r", ACK + "#1N2RMein Schritt\r"},
        {"#1N1WPrg\r", ACK},          {"#1N1R\r", ACK + "#1N1RPrg\r"},
        {"#1A1W7\r", ACK},
        {"#105W1.5\r", ACK},          {"#105R\r", ACK + "#105R1.500000\r"},
        // Step values belong to their step, name and step count to the
        // program, calibration to the device.
        {"#1P1S0201\r", ACK},
        {"#1G1R\r", ACK + "#1G1R1\r"},
        {"#1N2R\r", ACK + "#1N2RSchritt 1\r"},
        {"#1A1R\r", ACK + "#1A1R7\r"},
        {"#1N1R\r", ACK + "#1N1RPrg\r"},
        {"#1P1S0103\r", ACK},
        {"#1G1R\r", ACK + "#1G1R1\r"},
        {"#1A1R\r", ACK + "#1A1R1\r"},
        {"#105R\r", ACK + "#105R1.500000\r"},
        {"#1P1S0203\r", ACK},
        {"#1G1R\r", ACK + "#1G1R4\r"},
    });
}

TEST(SimBefehle, CommandsTheDeviceCannotCarryOutAreAnsweredNak) {
    Geraet g;
    Abspielen(g.leitung, {
        {"#1DF4\r", NAK},
        {"#1DF5\r", ACK},
        {"#1DF1x\r", NAK},
        {"#1P1S1710\r", NAK},
        {"#1P1S0111\r", NAK},
        {"#1P1S0000\r", NAK},
        {"#1P1S011\r", NAK},
        {"#1G1Wx\r", NAK},
        {"#1G1W\r", NAK},
        {"#1L1Wnan\r", NAK},
        {"#1K1W-1\r", NAK},
        {"#1G1R5\r", NAK},
        {"#1IDRx\r", NAK},
        {"#1Z9R\r", NAK},
        {"#123R\r", NAK},
        {"#100R\r", NAK},
        // Longer than the 31 characters of a command.
        {"#1N2W" + std::string(26, 'x') + "\r", NAK},
        {"#1N2W" + std::string(25, 'x') + "\r", ACK},
        {"#1N2R\r", ACK + "#1N2R" + std::string(25, 'x') + "\r"},
        // A refused selection keeps the one before.
        {"#1P1S0305\r", ACK},
        {"#1P1S9999\r", NAK},
        {"#1N2R\r", ACK + "#1N2RSchritt 5\r"},
    });
}

TEST(SimBefehle, FramesForNoDeviceOnTheLineAndNoiseGetNoAnswer) {
    Geraet g({"--addresses", "1"});
    Leitung& l = g.leitung;
    for (const char* befehl : {"#2IDR\r", "#AIDR\r", "#0S1R\r", "xyz\r", "\x06\x15", "#1\r"}) {
        l.Senden(befehl);
        EXPECT_TRUE(l.Still()) << "frame " << befehl;
    }
    // A frame starts again at every "#".
    l.Senden("#1G1#1IDR\r");
    EXPECT_EQ(l.Lesen(21), ACK + "#1QVLKRV4-TST1-1000\r");
    EXPECT_TRUE(l.Still());
}

TEST(SimBefehle, CollectiveAddressIsCarriedOutByAllAndAnsweredByNone) {
    Geraet g({"--addresses", "13"});
    Leitung& l = g.leitung;
    for (const char* befehl : {"#&DF3\r", "#&P1S0402\r", "#&G1W7\r", "#&IDR\r", "#&S1R\r", "#&G1R\r",
                               "#&DF4\r", "#&G1Wx\r"}) {
        l.Senden(befehl);
        EXPECT_TRUE(l.Still()) << "frame " << befehl;
    }
    for (char a : {'1', '3'}) {
        std::string h = std::string("#") + a;
        EXPECT_EQ(l.Frage(h + "S1R\r"), ACK + h + "S1R40\r");
        EXPECT_EQ(l.Frage(h + "G1R\r"), ACK + h + "G1R7\r");
        EXPECT_EQ(l.Frage(h + "N2R\r"), ACK + h + "N2RSchritt 2\r");
    }
}

TEST(SimBefehle, CommandLineMistakesStopTheSimulator) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--fault", "1:DF1:kaputt"},
             {"--fault", "1:DF:nak"},
             {"--fault", "1:DF1:nak:x"},
             {"--addresses", "1A"},
             {"--addresses", "11"},
             {"--addresses", ""},
             {"--result", "vielleicht"}}) {
        EXPECT_EQ(Ausfuehren(kSimulator, args).status, 2) << args[0] << " " << args[1];
    }
}

}  // namespace
