// Every fault the simulator injects, as it shows on the line.

#include <gtest/gtest.h>

#include "sim/Leitung.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Fall {
    std::string stoerung;
    std::string befehl;
    std::string antwort;  // empty: no answer at all
};

TEST(SimStoerungen, EachKindChangesTheAnswerAsNamed) {
    const std::vector<Fall> faelle = {
        {"1:IDR:silent", "#1IDR\r", ""},
        {"1:G1W:silent", "#1G1W4\r", ""},
        {"1:IDR:nak", "#1IDR\r", NAK},
        {"1:DF1:nak", "#1DF1\r", NAK},
        {"1:IDR:can", "#1IDR\r", CAN},
        {"1:P1S:can", "#1P1S0101\r", CAN},
        {"1:IDR:wrongbyte", "#1IDR\r", "#"},
        {"1:G1W:wrongbyte", "#1G1W4\r", "#"},
        {"1:IDR:malformed", "#1IDR\r", ACK + "?1QVLKRV4-TST1-1000\r"},
        {"1:L1R:malformed", "#1L1R\r", ACK + "?1L1R0.000\r"},
        {"1:S1R:nocr", "#1S1R\r", ACK + "#1S1R00"},
        {"1:N1R:nocr", "#1N1R\r", ACK + "#1N1RProgramm 1"},
        {"1:L1R:otherparam", "#1L1R\r", ACK + "#1L2R0.000\r"},
        {"1:G1R:otherparam", "#1G1R\r", ACK + "#1G2R1\r"},
        {"1:09R:otherparam", "#109R\r", ACK + "#108R1.000000\r"},
        {"1:S1R:otherparam", "#1S1R\r", ACK + "#1S2R00\r"},
        {"1:IDR:otheraddr", "#1IDR\r", ACK + "#2QVLKRV4-TST1-1000\r"},
        {"1:G1R:otheraddr", "#1G1R\r", ACK + "#2G1R1\r"},
        {"1:G1R:range", "#1G1R\r", ACK + "#1G1R10\r"},
        {"1:A1R:range", "#1A1R\r", ACK + "#1A1R17\r"},
        {"1:W1R:range", "#1W1R\r", ACK + "#1W1R65537\r"},
        {"1:K1R:range", "#1K1R\r", ACK + "#1K1R80000000\r"},
        {"1:B1R:range", "#1B1R\r", ACK + "#1B1R100\r"},
        {"1:V1R:range", "#1V1R\r", ACK + "#1V1R41.950\r"},
        {"1:N2R:range", "#1N2R\r", ACK + "#1N2R\r"},
        // Values without a range are sent as they are.
        {"1:L1R:range", "#1L1R\r", ACK + "#1L1R0.000\r"},
        // A fault on a reply text leaves a bare ACK alone.
        {"1:DF5:malformed", "#1DF5\r", ACK},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.stoerung);
        Geraet g({"--fault", f.stoerung});
        Leitung& l = g.leitung;
        if (f.antwort.empty()) {
            l.Senden(f.befehl);
        } else if (f.antwort[0] == ACK[0] && f.antwort.back() != '\r' && f.antwort.size() > 1) {
            // No CR: exactly the bytes, then nothing more.
            l.Senden(f.befehl);
            EXPECT_EQ(l.Lesen(f.antwort.size()), f.antwort);
        } else {
            EXPECT_EQ(l.Frage(f.befehl), f.antwort);
        }
        EXPECT_TRUE(l.Still());
    }
}

TEST(SimStoerungen, OverlongReplyRunsPastEveryReplyBuffer) {
    for (const std::string befehl : {"IDR", "S1R", "L1R", "N2R"}) {
        SCOPED_TRACE(befehl);
        Geraet g({"--fault", "1:" + befehl + ":overlong"});
        std::string a = g.leitung.Frage("#1" + befehl + "\r");
        ASSERT_GE(a.size(), 1u + 30u);
        EXPECT_EQ(a.substr(0, 3), ACK + "#1");
        EXPECT_EQ(a.back(), '\r');
        EXPECT_TRUE(g.leitung.Still());
    }
}

TEST(SimStoerungen, FaultedSettingCommandIsNotCarriedOut) {
    Geraet g({"--fault", "1:DF1:nak", "--fault", "1:G1W:silent", "--fault", "1:P1S:can"});
    Leitung& l = g.leitung;
    EXPECT_EQ(l.Frage("#1DF1\r"), NAK);
    EXPECT_EQ(l.Frage("#1S1R\r"), ACK + "#1S1R00\r");
    l.Senden("#1G1W4\r");
    EXPECT_TRUE(l.Still());
    EXPECT_EQ(l.Frage("#1G1R\r"), ACK + "#1G1R1\r");
    EXPECT_EQ(l.Frage("#1P1S0305\r"), CAN);
    EXPECT_EQ(l.Frage("#1N2R\r"), ACK + "#1N2RSchritt 1\r");
}

TEST(SimStoerungen, SlowAnswerComesAfterItsDelay) {
    Geraet g({"--fault", "1:IDR:slow", "--slow-ms", "1000"});
    Leitung& l = g.leitung;
    auto anfang = Clock::now();
    l.Senden("#1IDR\r");
    EXPECT_EQ(l.Lesen(1, 500ms), "");
    EXPECT_EQ(l.Lesen(21, 3000ms), ACK + "#1QVLKRV4-TST1-1000\r");
    auto dauer = Clock::now() - anfang;
    EXPECT_GE(dauer, 1000ms);
    EXPECT_LT(dauer, 2500ms);
    // Other commands are not delayed.
    anfang = Clock::now();
    EXPECT_EQ(l.Frage("#1S1R\r"), ACK + "#1S1R00\r");
    EXPECT_LT(Clock::now() - anfang, 1000ms);
}

TEST(SimStoerungen, CountSkipAndPatternsSelectTheCommandsHit) {
    struct Schritt {
        std::string befehl;
        std::string antwort;
    };
    struct Fall {
        std::vector<std::string> optionen;
        std::vector<Schritt> schritte;
    };
    const std::vector<Fall> faelle = {
        // Two pass, then one NAK, then all pass again.
        {{"--fault", "1:S1R:nak:1:2"},
         {{"#1S1R\r", ACK + "#1S1R00\r"}, {"#1S1R\r", ACK + "#1S1R00\r"}, {"#1S1R\r", NAK},
          {"#1S1R\r", ACK + "#1S1R00\r"}}},
        // A count without skip: the first two.
        {{"--fault", "1:IDR:can:2"},
         {{"#1IDR\r", CAN}, {"#1IDR\r", CAN}, {"#1IDR\r", ACK + "#1QVLKRV4-TST1-1000\r"}}},
        // "?" in the command and "*" as the address: every write to anyone.
        {{"--addresses", "12", "--fault", "*:??W:can"},
         {{"#1G1W4\r", CAN}, {"#2L1W1.0\r", CAN}, {"#1G1R\r", ACK + "#1G1R1\r"}, {"#2IDR\r",
          ACK + "#2QVLKRV4-TST1-1001\r"}}},
        // One address only.
        {{"--addresses", "12", "--fault", "2:*:nak"},
         {{"#2IDR\r", NAK}, {"#2DF1\r", NAK}, {"#1IDR\r", ACK + "#1QVLKRV4-TST1-1000\r"}}},
        // The first matching fault decides; the second only counts.
        {{"--fault", "1:IDR:nak:1", "--fault", "1:IDR:can"},
         {{"#1IDR\r", NAK}, {"#1IDR\r", CAN}}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.optionen.back());
        Geraet g(f.optionen);
        for (const auto& s : f.schritte) {
            EXPECT_EQ(g.leitung.Frage(s.befehl), s.antwort) << s.befehl;
        }
        EXPECT_TRUE(g.leitung.Still());
    }
}

TEST(SimStoerungen, CollectiveCommandIsCarriedOutDespiteAFault) {
    Geraet g({"--fault", "*:DF3:nak"});
    g.leitung.Senden("#&DF3\r");
    EXPECT_TRUE(g.leitung.Still());
    EXPECT_EQ(g.leitung.Frage("#1S1R\r"), ACK + "#1S1R40\r");
}

TEST(SimStoerungen, VanishedDeviceAnswersNothingMore) {
    Geraet g({"--vanish-after", "2"});
    Leitung& l = g.leitung;
    EXPECT_EQ(l.Frage("#1IDR\r"), ACK + "#1QVLKRV4-TST1-1000\r");
    EXPECT_EQ(l.Frage("#1DF3\r"), ACK);
    l.Senden("#1S1R\r");
    EXPECT_EQ(l.Lesen(1, 300ms), "");
    l.Senden("#1IDR\r");
    EXPECT_EQ(l.Lesen(1, 300ms), "");
}

}  // namespace
