// The safe save of whole files, the way every file of the program is saved.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Datei.h"
#include "platform/Zeichensatz.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

class SafeReplaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        ordner_ = fs::temp_directory_path() /
                  (std::string("krv4-datei-") + info->name() + "-" + std::to_string(std::rand()));
        fs::create_directories(ordner_);
    }
    void TearDown() override {
        std::error_code fehler;
        for (const auto& e : fs::recursive_directory_iterator(ordner_, fehler))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, fehler);
        fs::remove_all(ordner_, fehler);
    }
    // The path as the program holds it: a code page 1252 text.
    std::string Pfad(const fs::path& name) const {
        std::u8string utf8 = (ordner_ / name).u8string();
        std::string programmPfad;
        EXPECT_TRUE(Utf8NachCp1252(std::string(utf8.begin(), utf8.end()), &programmPfad));
        return programmPfad;
    }
    fs::path Os(const fs::path& name) const { return ordner_ / name; }
    static Bytes Lesen(const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    static void Schreiben(const fs::path& p, const Bytes& b) {
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    std::vector<fs::path> Eintraege() const {
        std::vector<fs::path> namen;
        for (const auto& e : fs::directory_iterator(ordner_)) namen.push_back(e.path().filename());
        std::sort(namen.begin(), namen.end());
        return namen;
    }
    fs::path ordner_;
};

Bytes Block(std::size_t n, unsigned char saat) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(saat + i * 7);
    return b;
}

TEST_F(SafeReplaceTest, CreatesAndReplacesWholeFilesAndLeavesNothingBeside) {
    Bytes eins = Block(21040, 1), zwei = Block(100, 2);
    // A name with an umlaut: the program's text is code page 1252, the name
    // on disk the system's own.
    std::string pfad = Pfad(u8"Prüfung.krv");
    ASSERT_EQ(DateiSicherErsetzen(pfad.c_str(), eins.data(), eins.size()), 0);
    EXPECT_EQ(Lesen(Os(u8"Prüfung.krv")), eins);
    ASSERT_EQ(DateiSicherErsetzen(pfad.c_str(), zwei.data(), zwei.size()), 0);
    EXPECT_EQ(Lesen(Os(u8"Prüfung.krv")), zwei);  // shorter: nothing of the old file stays
    EXPECT_EQ(Eintraege(), std::vector<fs::path>{u8"Prüfung.krv"});

    int handle = DateiOeffnenZumLesen(pfad.c_str());
    ASSERT_GE(handle, 0);
    Bytes gelesen(200);
    EXPECT_EQ(DateiLesen(handle, gelesen.data(), gelesen.size()), 100);
    EXPECT_EQ(DateiSchliessen(handle), 0);
}

TEST_F(SafeReplaceTest, TargetsThatCannotBeWrittenAreRefusedAndStayAsTheyWere) {
    Bytes alt = Block(50, 9), neu = Block(21040, 3);
    fs::create_directory(Os("ordner.krv"));
    Schreiben(Os("da.krv"), alt);
    struct Fall {
        const char* name;
        std::string pfad;
    } faelle[] = {
        {"a directory", Pfad("ordner.krv")},
        {"a missing folder", Pfad("fehlt/neu.krv")},
        {"a file as folder", Pfad("da.krv/neu.krv")},
        {"an empty path", ""},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(DateiSicherErsetzen(f.pfad.c_str(), neu.data(), neu.size()), -1);
        EXPECT_EQ(Eintraege(), (std::vector<fs::path>{"da.krv", "ordner.krv"}));
        EXPECT_EQ(Lesen(Os("da.krv")), alt);
        EXPECT_TRUE(fs::is_empty(Os("ordner.krv")));
    }
    EXPECT_EQ(DateiSicherErsetzen(nullptr, neu.data(), neu.size()), -1);
}

// A caller's own temporary names: the first free number, never a file that
// is there already; and why a save failed.
TEST_F(SafeReplaceTest, ATemporaryNamePatternTakesTheFirstFreeNumber) {
    Bytes alt = Block(50, 9), neu = Block(300, 4);
    Schreiben(Os("a.ini"), alt);
    Schreiben(Os("ini$$0.TMP"), Block(5, 1));  // someone else's
    std::string pfad = Pfad("a.ini");
    DateiFehler fehler = DateiFehler::schreiben;
    ASSERT_EQ(DateiSicherErsetzen(pfad.c_str(), neu.data(), neu.size(), "ini$$%d.TMP", &fehler), 0);
    EXPECT_EQ(fehler, DateiFehler::keiner);
    EXPECT_EQ(Lesen(Os("a.ini")), neu);
    EXPECT_EQ(Lesen(Os("ini$$0.TMP")), Block(5, 1));
    EXPECT_EQ(Eintraege(), (std::vector<fs::path>{"a.ini", "ini$$0.TMP"}));

    for (int n = 1; n <= 999; ++n) Schreiben(Os("ini$$" + std::to_string(n) + ".TMP"), Bytes{});
    EXPECT_EQ(DateiSicherErsetzen(pfad.c_str(), alt.data(), alt.size(), "ini$$%d.TMP", &fehler), -1);
    EXPECT_EQ(fehler, DateiFehler::nichtAngelegt);
    EXPECT_EQ(Lesen(Os("a.ini")), neu);
    EXPECT_EQ(Eintraege().size(), 1001u);
}

TEST_F(SafeReplaceTest, AFailedSaveSaysWhetherTheTargetWasRefused) {
    fs::create_directory(Os("ordner.krv"));
    Bytes neu = Block(100, 3);
    struct Fall {
        const char* name;
        std::string pfad;
        DateiFehler grund;
    } faelle[] = {
        {"a directory", Pfad("ordner.krv"), DateiFehler::zielGesperrt},
        {"a missing folder", Pfad("fehlt/neu.krv"), DateiFehler::nichtAngelegt},
        {"an empty path", "", DateiFehler::nichtAngelegt},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        DateiFehler fehler = DateiFehler::keiner;
        EXPECT_EQ(DateiSicherErsetzen(f.pfad.c_str(), neu.data(), neu.size(), nullptr, &fehler), -1);
        EXPECT_EQ(fehler, f.grund);
        EXPECT_EQ(DateiSicherErsetzen(f.pfad.c_str(), neu.data(), neu.size(), "ini$$%d.TMP", &fehler), -1);
        EXPECT_EQ(fehler, f.grund);
        EXPECT_EQ(Eintraege(), std::vector<fs::path>{"ordner.krv"});
    }
}

#ifdef _WIN32
// The read-only attribute is Windows' write protection.
TEST_F(SafeReplaceTest, AReadOnlyFileIsRefusedAndAWritableOneKeepsItsAttributes) {
    Bytes alt = Block(50, 9), neu = Block(21040, 3);
    Schreiben(Os("schutz.krv"), alt);
    fs::permissions(Os("schutz.krv"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::string pfad = Pfad("schutz.krv");
    EXPECT_EQ(DateiSicherErsetzen(pfad.c_str(), neu.data(), neu.size()), -1);
    DateiFehler fehler = DateiFehler::keiner;
    EXPECT_EQ(DateiSicherErsetzen(pfad.c_str(), neu.data(), neu.size(), "ini$$%d.TMP", &fehler), -1);
    EXPECT_EQ(fehler, DateiFehler::zielGesperrt);
    EXPECT_EQ(Lesen(Os("schutz.krv")), alt);
    EXPECT_EQ(Eintraege(), std::vector<fs::path>{"schutz.krv"});
}
#else
// Permission bits, owner and group of the replaced file.
TEST_F(SafeReplaceTest, AReplacedFileKeepsItsModeOwnerAndGroup) {
    const bool root = geteuid() == 0;
    struct Fall {
        mode_t modus;
        uid_t besitzer;  // -1: this process
        gid_t gruppe;
    } faelle[] = {
        {0640, static_cast<uid_t>(-1), static_cast<gid_t>(-1)},
        {0604, static_cast<uid_t>(-1), static_cast<gid_t>(-1)},
        {02750, static_cast<uid_t>(-1), static_cast<gid_t>(-1)},
        {0660, 65534, 65534},  // needs the super-user
        {0644, 0, 65534},
    };
    Bytes neu = Block(21040, 5);
    int nr = 0;
    for (const Fall& f : faelle) {
        if (!root && (f.besitzer != static_cast<uid_t>(-1) || f.gruppe != static_cast<gid_t>(-1))) continue;
        std::string name = "datei" + std::to_string(nr++) + ".krv";
        SCOPED_TRACE(name);
        Schreiben(Os(name), Block(10, 1));
        ASSERT_EQ(chown(Os(name).c_str(), f.besitzer, f.gruppe), 0);
        ASSERT_EQ(chmod(Os(name).c_str(), f.modus), 0);
        struct stat vorher {};
        ASSERT_EQ(stat(Os(name).c_str(), &vorher), 0);
        std::string pfad = Pfad(name);
        ASSERT_EQ(DateiSicherErsetzen(pfad.c_str(), neu.data(), neu.size()), 0);
        struct stat nachher {};
        ASSERT_EQ(stat(Os(name).c_str(), &nachher), 0);
        EXPECT_EQ(Lesen(Os(name)), neu);
        EXPECT_NE(nachher.st_ino, vorher.st_ino);  // replaced, not written in place
        EXPECT_EQ(nachher.st_mode & 07777, f.modus);
        EXPECT_EQ(nachher.st_uid, vorher.st_uid);
        EXPECT_EQ(nachher.st_gid, vorher.st_gid);
    }
    if (!root) std::printf("Besitzer fremder Dateien nur als root geprüft.\n");
}

// A pipe with nobody reading must neither block the save nor be replaced.
TEST_F(SafeReplaceTest, APipeAsTargetIsRefusedAtOnce) {
    ASSERT_EQ(mkfifo(Os("rohr.krv").c_str(), 0666), 0);
    Bytes neu = Block(21040, 3);
    std::string pfad = Pfad("rohr.krv");
    EXPECT_EQ(DateiSicherErsetzen(pfad.c_str(), neu.data(), neu.size()), -1);
    EXPECT_TRUE(fs::is_fifo(Os("rohr.krv")));
    EXPECT_EQ(Eintraege(), std::vector<fs::path>{"rohr.krv"});
}
#endif

}  // namespace
