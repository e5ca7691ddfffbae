#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "device/TreiberFixture.h"

namespace {

TEST_F(Treiber, IdentificationReplies) {
    struct Fall {
        char adresse;
        std::string antwort;
        int code;
        const char* kennung;
    };
    const Fall faelle[] = {
        {'1', "#1QVLKRV4-TST1-0042\r", 0, "QVLKRV4-TST1-0042"},
        {'e', "#eX\r", 0, "X"},
        {'1', "#1" + std::string(26, 'K') + "\r", 0, "KKKKKKKKKKKKKKKKKKKKKKKKKK"},
        {'2', "#1QVLKRV4-TST1-0042\r", -404015, nullptr},  // another device's reply
        {'1', "?1QVLKRV4-TST1-0042\r", -404015, nullptr},
        {'1', "#1QVL KRV4\r", -404015, nullptr},
        {'1', "#1QVLKRV4\t\r", -404015, nullptr},
        {'1', "#1\r", -404015, nullptr},
        {'1', "#1 QVL\r", -404015, nullptr},
        {'1', std::string("#1QV\0L\r", 7), -404015, nullptr},
        {'1', "\r", -404015, nullptr},
        {'1', "#1IDRQVL", -404014, nullptr},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.antwort);
        char kennung[28] = "unberuehrt";
        port->replyOnWrite(ACK + f.antwort);
        EXPECT_EQ(QVLKRV4_IDLesen(1, f.adresse, kennung), f.code);
        EXPECT_STREQ(kennung, f.kennung ? f.kennung : "unberuehrt");
    }
}

TEST_F(Treiber, StatusReplies) {
    struct Fall {
        int typ;
        std::string antwort;
        int code;
        int status;
    };
    const Fall faelle[] = {
        {1, "#1S1R41\r", 0, 0x41},
        {1, "#1S1R4a\r", 0, 0x4A},
        {1, "#1S1R4A\r", 0, 0x4A},
        {1, "#1S1Rff\r", 0, 0xFF},
        {1, "#1S1R8\r", 0, 0x08},
        {2, "#1S2R03\r", 0, 0x03},
        {1, "#1S2R00\r", -404146, -1},
        {2, "#1S1R00\r", -404147, -1},
        {1, "#2S1R00\r", -404145, -1},
        {1, "#1T1R00\r", -404145, -1},
        {1, "#1S1W00\r", -404145, -1},
        {1, "*1S1R00\r", -404145, -1},
        {1, "#1S1R\r", -404145, -1},
        {1, "#1S1R123\r", -404145, -1},
        {1, "#1S1R4g\r", -404145, -1},
        {1, "#1S1R-1\r", -404145, -1},
        {1, "#1S1R 4\r", -404145, -1},
        {1, "#1S1R41 \r", -404145, -1},
        {1, "#1S1R41", -404144, -1},
        {1, "#1S1R000000000\r", -404145, -1},  // cut after 14 characters
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.antwort);
        int status = -1;
        port->replyOnWrite(ACK + f.antwort);
        EXPECT_EQ(QVLKRV4_StatusLesen(1, '1', f.typ, &status), f.code);
        EXPECT_EQ(status, f.status);
    }
}

TEST_F(Treiber, ParameterReplies) {
    struct Fall {
        const char* name;
        std::string antwort;
        int code;
        double real;
        int ganz;
        const char* text;
    };
    const std::string name22 = "Pruefschritt Nummer 22";
    const Fall faelle[] = {
        {"unterergrenzwert", "#1L1R-0.500\r", 0, -0.5, -1, nullptr},
        {"oberergrenzwert", "#1L2R2.000\r", 0, 2.0, -1, nullptr},
        {"oberergrenzwert", "#1L2R1e3\r", 0, 1000.0, -1, nullptr},
        {"oberergrenzwert", "#1L2R +7.25\r", 0, 7.25, -1, nullptr},
        {"druck_v", "#105R1.000000\r", 0, 1.0, -1, nullptr},
        {"messzeit", "#1T1R600\r", 0, -1, 600, nullptr},
        {"messgeraet", "#1G1R-3\r", 0, -1, -3, nullptr},
        {"schrittmodus", "#1B1R11\r", 0, -1, 0x11, nullptr},
        {"relaisgruppe1", "#1K1R001a0000\r", 0, -1, 0x1A0000, nullptr},
        {"relaisgruppe1", "#1K1R001A0000\r", 0, -1, 0x1A0000, nullptr},
        {"relaisgruppe2", "#1K2RFFFFFFFF\r", 0, -1, -1, nullptr},
        {"relaisgruppe2", "#1K2R7fffffff\r", 0, -1, 0x7FFFFFFF, nullptr},
        {"programmname", "#1N1RProg mit Blanks \r", 0, -1, -1, "Prog mit Blanks "},
        {"schrittname", "#1N2R" + name22 + "\r", 0, -1, -1, "Pruefschritt Nummer "},
        {"schrittname", "#1N2R\r", 0, -1, -1, ""},
        // The header must repeat the command.
        {"unterergrenzwert", "#1L2R1.000\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#2L1R1.000\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#1L1W1.000\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#1L1\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "\r", -404091, -1, -1, nullptr},
        // The value must be one number of the parameter's kind, up to CR.
        {"unterergrenzwert", "#1L1R\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#1L1Rabc\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#1L1R1.5x\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#1L1R1,5\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#1L1Rnan\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#1L1Rinf\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#1L1R1e999\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#1L1R+-1\r", -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#1L1R0x10\r", -404091, -1, -1, nullptr},
        {"messzeit", "#1T1R12.5\r", -404091, -1, -1, nullptr},
        {"messzeit", "#1T1R99999999999\r", -404091, -1, -1, nullptr},
        {"messzeit", "#1T1R1A\r", -404091, -1, -1, nullptr},
        {"relaisgruppe1", "#1K1R100000000\r", -404091, -1, -1, nullptr},
        {"relaisgruppe1", "#1K1R-1\r", -404091, -1, -1, nullptr},
        {"relaisgruppe1", "#1K1R0x1A\r", -404091, -1, -1, nullptr},
        {"schrittname", std::string("#1N2Rab\0cd\r", 11), -404091, -1, -1, nullptr},
        {"unterergrenzwert", "#1L1R1.000", -404090, -1, -1, nullptr},
        {"programmname", "#1N1R" + std::string(24, 'x'), -404091, -1, -1, nullptr},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.antwort);
        double real = -1;
        int ganz = -1;
        char text[21] = "unberuehrt";
        port->replyOnWrite(ACK + f.antwort);
        EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', f.name, &real, &ganz, text), f.code);
        EXPECT_EQ(real, f.real);
        EXPECT_EQ(ganz, f.ganz);
        EXPECT_STREQ(text, f.text ? f.text : "unberuehrt");
    }
}

TEST_F(Treiber, ResultsOfOtherKindsMayBeAbsent) {
    port->replyOnWrite(ACK + "#1L1R1.5\r");
    port->replyOnWrite(ACK + "#1N1RName\r");
    port->replyOnWrite(ACK + "#1T1R3\r");
    double real = 0;
    char text[21];
    int ganz = 0;
    EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', "unterergrenzwert", &real, nullptr, nullptr), 0);
    EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', "programmname", nullptr, nullptr, text), 0);
    EXPECT_EQ(QVLKRV4_ParameterLesen(1, '1', "messzeit", nullptr, &ganz, nullptr), 0);
    EXPECT_EQ(real, 1.5);
    EXPECT_STREQ(text, "Name");
    EXPECT_EQ(ganz, 3);
}

// Any bytes from the line: a status code, never a crash, and the caller's
// variables untouched on failure.
TEST_F(Treiber, ArbitraryRepliesNeverBreakTheParsers) {
    std::mt19937 zufall(4711);
    auto antwort = [&] {
        std::string s;
        int n = static_cast<int>(zufall() % 34);
        const std::string baustein = "#1L1RNK0S.-+e\r ";
        for (int i = 0; i < n; ++i) {
            s += zufall() % 2 ? baustein[zufall() % baustein.size()] : static_cast<char>(zufall() % 256);
        }
        return s;
    };
    auto erste = [](const std::string& s) { return s.empty() ? 0 : static_cast<unsigned char>(s[0]); };
    for (int i = 0; i < 3000; ++i) {
        const QVLKRV4_Parameter& p = QVLKRV4_Parameterliste[i % QVLKRV4_ParameterAnzahl];
        std::string s = antwort();
        SCOPED_TRACE(testing::PrintToString(s));
        switch (i % 3) {
            case 0: {
                std::string kopf = std::string("\x06#1") + p.code + "R";
                port->replyOnWrite(zufall() % 2 ? kopf + s : ACK + s);
                double real = 123.0;
                int ganz = 123;
                char text[21] = "x";
                int r = QVLKRV4_ParameterLesen(1, '1', p.name, &real, &ganz, text);
                if (r != 0) {
                    EXPECT_EQ(r / 1000, -404) << r;
                    EXPECT_EQ(real, 123.0);
                    EXPECT_EQ(ganz, 123);
                    EXPECT_STREQ(text, "x");
                } else {
                    EXPECT_LE(std::strlen(text), 20u);
                }
                break;
            }
            case 1: {
                port->replyOnWrite(s);
                char kennung[28] = "x";
                int r = QVLKRV4_IDLesen(1, '1', kennung);
                if (r != 0) {
                    EXPECT_TRUE(r / 1000 == -404 || r / 1000 == -403 || r / 1000 == -402 || r / 1000 == -405) << r;
                    EXPECT_STREQ(kennung, "x");
                } else {
                    EXPECT_EQ(erste(s), 0x06);
                    EXPECT_LE(std::strlen(kennung), 26u);
                }
                break;
            }
            default: {
                port->replyOnWrite(ACK + "#1S1R" + s);
                int status = 999;
                int r = QVLKRV4_StatusLesen(1, '1', 1, &status);
                if (r != 0) {
                    EXPECT_EQ(r / 1000, -404) << r;
                    EXPECT_EQ(status, 999);
                } else {
                    EXPECT_GE(status, 0);
                    EXPECT_LE(status, 255);
                }
                break;
            }
        }
    }
}

}  // namespace
