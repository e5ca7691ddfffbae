// The files the simulator is given: it never destroys one, and it reads only
// regular files of bounded size.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/Leitung.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string Inhalt(const fs::path& datei) {
    std::ifstream f(datei, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Bytes as a data file has them, NUL and high bytes included.
const std::string kWertvoll = std::string("KRV4 Pr\xfc" "fprogramme\0\x01\xff", 17) + std::string(300, 'x');

// A fresh directory of the test's own with a file and a directory in it.
struct Ablage {
    Ablage() : ort(TempName("krv4sim_ablage")) {
        fs::remove_all(ort);
        fs::create_directories(ort / "verzeichnis");
        std::ofstream(ort / "verzeichnis" / "drin.krv", std::ios::binary) << kWertvoll;
        std::ofstream(ort / "programme.krv", std::ios::binary) << kWertvoll;
    }
    ~Ablage() { fs::remove_all(ort); }
    void Unversehrt() const {
        EXPECT_EQ(Inhalt(ort / "programme.krv"), kWertvoll);
        EXPECT_TRUE(fs::is_directory(ort / "verzeichnis"));
        EXPECT_EQ(Inhalt(ort / "verzeichnis" / "drin.krv"), kWertvoll);
    }
    fs::path ort;
};

TEST(SimDateien, LinkAndPathFileNeverReplaceAFileOrADirectory) {
    Ablage a;
    for (const char* option : {"--link", "--path-file"}) {
        for (const char* name : {"programme.krv", "verzeichnis"}) {
            SCOPED_TRACE(std::string(option) + " " + name);
            const std::string ziel = (a.ort / name).string();
            Ergebnis e = Ausfuehren(kSimulator, {option, ziel}, std::chrono::milliseconds(5000));
            EXPECT_EQ(e.status, 2);
            EXPECT_EQ(e.aus, "");  // no line was offered
            EXPECT_NE(e.fehler.find(ziel), std::string::npos) << e.fehler;
            a.Unversehrt();
        }
    }
}

TEST(SimDateien, AtExitItRemovesOnlyWhatItMade) {
    Ablage a;
    const fs::path link = a.ort / "leitung";
    const fs::path pfadDatei = a.ort / "leitung.pfad";
    fs::create_symlink("/dev/pts/nicht-mehr-da", link);  // left by an earlier run: it gives way
    {
        Simulator sim({"--link", link.string(), "--path-file", pfadDatei.string()});
        EXPECT_EQ(fs::read_symlink(link), sim.pfad());
        EXPECT_EQ(Inhalt(pfadDatei), sim.pfad() + "\n");
        EXPECT_EQ(sim.beenden(), 0);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_FALSE(fs::exists(pfadDatei));

    // Both names taken over by someone else while it runs: theirs stay.
    {
        Simulator sim({"--link", link.string(), "--path-file", pfadDatei.string()});
        fs::remove(link);
        std::ofstream(link, std::ios::binary) << kWertvoll;
        std::ofstream(a.ort / "neu", std::ios::binary) << kWertvoll;
        fs::rename(a.ort / "neu", pfadDatei);
        EXPECT_EQ(sim.beenden(), 0);
    }
    EXPECT_EQ(Inhalt(link), kWertvoll);
    EXPECT_EQ(Inhalt(pfadDatei), kWertvoll);
    a.Unversehrt();
}

TEST(SimDateien, LoadAndPreloadReadOnlyRegularFilesOfBoundedSize) {
    Ablage a;
    const fs::path fifo = a.ort / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const fs::path gross = a.ort / "gross.krv";
    std::ofstream(gross, std::ios::binary) << kWertvoll;
    fs::resize_file(gross, 2 * 1024 * 1024);  // larger than any data or preload file
    const std::vector<std::string> falsch = {(a.ort / "verzeichnis").string(), fifo.string(), "/dev/zero",
                                             gross.string(), (a.ort / "fehlt").string()};
    for (const char* option : {"--load", "--preload"}) {
        for (const std::string& pfad : falsch) {
            SCOPED_TRACE(std::string(option) + " " + pfad);
            const auto anfang = Clock::now();
            Ergebnis e = Ausfuehren(kSimulator, {option, pfad}, std::chrono::milliseconds(5000));
            EXPECT_EQ(e.status, 2);  // -1: killed after five seconds
            EXPECT_LT(Clock::now() - anfang, std::chrono::milliseconds(2500));
            EXPECT_LT(e.speicherKiB, 64 * 1024);
            EXPECT_EQ(e.aus, "");
            EXPECT_NE(e.fehler.find("krv4sim: " + pfad + ": "), std::string::npos) << e.fehler;
        }
    }
    a.Unversehrt();
}

}  // namespace
