// The device's status over time: a test after "start", direct operation,
// stop, as the status byte shows them.

#include <gtest/gtest.h>

#include <thread>

#include "sim/Leitung.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The status byte text ("01", "42", ...) of device 1.
std::string Status(Leitung& l) {
    std::string a = l.Frage("#1S1R\r");
    EXPECT_EQ(a.substr(0, 6), ACK + "#1S1R");
    return a.size() == 9 ? a.substr(6, 2) : "?";
}

// Asks for the status until it differs from the one given, at most the limit
// (the device has no way to tell; the program asks the same way). Returns the
// new status and how long it took.
std::pair<std::string, Clock::duration> Abwarten(Leitung& l, const std::string& bisher,
                                                 std::chrono::milliseconds grenze) {
    const auto anfang = Clock::now();
    std::string s = bisher;
    while (s == bisher && Clock::now() - anfang < grenze) {
        std::this_thread::sleep_for(20ms);
        s = Status(l);
    }
    return {s, Clock::now() - anfang};
}

TEST(SimAblauf, StartRunsATestForItsTimeThenReportsItsResult) {
    struct Fall {
        const char* ergebnis;
        std::string ende;
    };
    for (const Fall& f : {Fall{"pass", "02"}, Fall{"fail", "04"}}) {
        SCOPED_TRACE(f.ergebnis);
        Geraet g({"--test-ms", "800", "--result", f.ergebnis});
        Leitung& l = g.leitung;
        const auto start = Clock::now();
        ASSERT_EQ(l.Frage("#1DF1\r"), ACK);
        EXPECT_EQ(Status(l), "01");
        auto [s, dauer] = Abwarten(l, "01", 3000ms);
        EXPECT_EQ(s, f.ende);
        EXPECT_GE(Clock::now() - start, 800ms);
        EXPECT_LT(dauer, 2500ms);
        // The result stays until the next command changes it.
        EXPECT_EQ(Status(l), f.ende);
        ASSERT_EQ(l.Frage("#1DF1\r"), ACK);
        EXPECT_EQ(Status(l), "01");
    }
}

TEST(SimAblauf, StopAbortsATestAndEndsDirectOperation) {
    Geraet g({"--test-ms", "60000"});
    Leitung& l = g.leitung;
    ASSERT_EQ(l.Frage("#1DF1\r"), ACK);
    EXPECT_EQ(Status(l), "01");
    ASSERT_EQ(l.Frage("#1DF2\r"), ACK);
    EXPECT_EQ(Status(l), "08");

    ASSERT_EQ(l.Frage("#1DF3\r"), ACK);
    EXPECT_EQ(Status(l), "40");
    ASSERT_EQ(l.Frage("#1DF2\r"), ACK);
    EXPECT_EQ(Status(l), "08");
    // Status type 2 is no status byte the device keeps.
    EXPECT_EQ(l.Frage("#1S2R\r"), ACK + "#1S2R00\r");
}

TEST(SimAblauf, DirectOperationRunsTheGivenStepLiveAndKeepsItsFlagThroughATest) {
    Geraet g({"--test-ms", "800"});
    Leitung& l = g.leitung;
    ASSERT_EQ(l.Frage("#1DF3\r"), ACK);
    EXPECT_EQ(Status(l), "40");
    // The step is edited while the device is in direct operation.
    EXPECT_EQ(l.Frage("#1P1S0101\r"), ACK);
    EXPECT_EQ(l.Frage("#1V1W12.500\r"), ACK);
    EXPECT_EQ(l.Frage("#1V1R\r"), ACK + "#1V1R12.500\r");
    EXPECT_EQ(Status(l), "40");
    ASSERT_EQ(l.Frage("#1DF1\r"), ACK);
    EXPECT_EQ(Status(l), "41");
    auto [s, dauer] = Abwarten(l, "41", 3000ms);
    EXPECT_EQ(s, "42");
    ASSERT_EQ(l.Frage("#1DF2\r"), ACK);
    EXPECT_EQ(Status(l), "08");
    EXPECT_TRUE(l.Still());
}

TEST(SimAblauf, EachDeviceOnTheLineKeepsItsOwnStatus) {
    Geraet g({"--addresses", "12", "--test-ms", "60000"});
    Leitung& l = g.leitung;
    ASSERT_EQ(l.Frage("#2DF3\r"), ACK);
    ASSERT_EQ(l.Frage("#1DF1\r"), ACK);
    EXPECT_EQ(l.Frage("#1S1R\r"), ACK + "#1S1R01\r");
    EXPECT_EQ(l.Frage("#2S1R\r"), ACK + "#2S1R40\r");
}

TEST(SimAblauf, SimulatorEndsCleanlyOnTerm) {
    Simulator sim({});
    EXPECT_EQ(sim.beenden(), 0);
}

}  // namespace
