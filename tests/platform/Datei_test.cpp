// The safe save of whole files, the way every file of the program is saved.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Datei.h"
#include "support/Pfade.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "com/Dateihilfen.h"
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
#ifndef _WIN32
        for (const auto& e : fs::recursive_directory_iterator(ordner_, fehler))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, fehler);
#endif
        OrdnerEntfernen(ordner_);
    }
    // The path as the program holds it: the system's own name, in UTF-8.
    std::string Pfad(const fs::path& name) const { return Utf8((ordner_ / name).u8string()); }
    static std::string Utf8(const std::u8string& text) { return std::string(text.begin(), text.end()); }
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
    // A name with an umlaut: the program's path and the name on disk are the
    // system's own.
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

// No limit of the old platform: a path of more than 300 bytes, below folders
// whose names code page 1252 cannot show, opens and saves like any other.
TEST_F(SafeReplaceTest, APathOfAnyLengthAndAnyCharactersOpensAndSaves) {
    fs::path tief = fs::path(u8"Łódź") / u8"Prüfprogramme";
    for (char c : {'a', 'b', 'c'}) tief /= std::string(90, c);
    ASSERT_TRUE(OrdnerAnlegen(Os(tief)));
    std::string pfad = Pfad(tief / u8"Öl.krv");
    ASSERT_GT(pfad.size(), 300u);
    Bytes eins = Block(21040, 1), zwei = Block(21040, 2);
    for (const Bytes* inhalt : {&eins, &zwei}) {
        ASSERT_EQ(DateiSicherErsetzen(pfad.c_str(), inhalt->data(), inhalt->size()), 0);
        EXPECT_TRUE(DateiVorhanden(pfad.c_str()));
        int handle = DateiOeffnenZumLesen(pfad.c_str());
        ASSERT_GE(handle, 0);
        Bytes gelesen(30000);
        EXPECT_EQ(DateiLesen(handle, gelesen.data(), gelesen.size()), 21040);
        gelesen.resize(21040);
        EXPECT_EQ(gelesen, *inhalt);
        EXPECT_EQ(DateiSchliessen(handle), 0);
    }
    EXPECT_EQ(Ordnerinhalt(Os(tief)), std::vector<fs::path>{u8"Öl.krv"});
    std::string ganz;
    ASSERT_TRUE(DateiAbsoluterPfad(pfad.c_str(), &ganz));
    auto alsPfad = [](const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); };
    EXPECT_EQ(alsPfad(ganz).lexically_normal(), alsPfad(pfad).lexically_normal());
}

// A file with two names is written in place: both names keep one content,
// a longer one and then a shorter one, and nothing is left anywhere.
TEST_F(SafeReplaceTest, AHardLinkedFileIsWrittenInPlaceUnderBothNames) {
    Schreiben(Os("eins.krv"), Block(3000, 1));
    fs::create_hard_link(Os("eins.krv"), Os("zwei.krv"));
    for (const Bytes& neu : {Block(21040, 2), Block(100, 3)}) {
        ASSERT_EQ(DateiSicherErsetzen(Pfad("eins.krv").c_str(), neu.data(), neu.size(), "ini$$%d.TMP"), 0);
        EXPECT_EQ(Lesen(Os("eins.krv")), neu);
        EXPECT_EQ(Lesen(Os("zwei.krv")), neu);
        EXPECT_TRUE(fs::equivalent(Os("eins.krv"), Os("zwei.krv")));  // still one file
        EXPECT_EQ(Eintraege(), (std::vector<fs::path>{"eins.krv", "zwei.krv"}));
    }
}

// What a killed save left behind goes before the next one picks a name: only
// plain files of its own naming, and only when they are minutes old.
TEST_F(SafeReplaceTest, StaleTemporaryFilesOfItsOwnNamingAreRemovedFirst) {
    auto alt = [this](const fs::path& name, bool veraltet) {
        Schreiben(Os(name), Block(7, 1));
        auto wann = fs::file_time_type::clock::now() -
                    std::chrono::seconds(veraltet ? kTemporaerVeraltetSekunden + 60 : 10);
        fs::last_write_time(Os(name), wann);
    };
    Schreiben(Os("a.ini"), Block(50, 9));
    // A thousand stale ones would leave no name for the settings file.
    for (int n = 0; n <= 999; ++n) alt("ini$$" + std::to_string(n) + ".TMP", true);
    Bytes neu = Block(300, 4);
    ASSERT_EQ(DateiSicherErsetzen(Pfad("a.ini").c_str(), neu.data(), neu.size(), "ini$$%d.TMP"), 0);
    EXPECT_EQ(Lesen(Os("a.ini")), neu);
    EXPECT_EQ(Eintraege(), std::vector<fs::path>{"a.ini"});

#ifdef _WIN32
    const fs::path eigen = "~b.krv.0a1b2c.tmp", fremdesZiel = "~c.krv.0a1b2c.tmp";
#else
    const fs::path eigen = ".b.krv.Ab1Cd2", fremdesZiel = ".c.krv.Ab1Cd2";
#endif
    alt("ini$$5.TMP", false);  // a save running now
    alt("ini$$6.TMP", true);
    alt("ini$$06.TMP", true);  // not a name of the pattern
    alt("xini$$7.TMP", true);
    fs::create_directory(Os("ini$$8.TMP"));
    alt(eigen, true);
    alt(fremdesZiel, true);
    ASSERT_EQ(DateiSicherErsetzen(Pfad("a.ini").c_str(), neu.data(), neu.size(), "ini$$%d.TMP"), 0);
    ASSERT_EQ(DateiSicherErsetzen(Pfad("b.krv").c_str(), neu.data(), neu.size()), 0);
    std::vector<fs::path> bleiben{fremdesZiel, "a.ini", "b.krv", "ini$$06.TMP", "ini$$5.TMP", "ini$$8.TMP",
                                  "xini$$7.TMP"};
    std::sort(bleiben.begin(), bleiben.end());
    EXPECT_EQ(Eintraege(), bleiben);
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
// Permission bits, owner and group of the saved file; someone else's file
// is written in place rather than handed to the saver.
TEST_F(SafeReplaceTest, ASavedFileKeepsItsModeOwnerAndGroup) {
    const bool root = geteuid() == 0;
    struct Fall {
        mode_t modus;
        uid_t besitzer;  // -1: this process
        gid_t gruppe;
        bool ersetzt;
    } faelle[] = {
        {0640, static_cast<uid_t>(-1), static_cast<gid_t>(-1), true},
        {0604, static_cast<uid_t>(-1), static_cast<gid_t>(-1), true},
        {02750, static_cast<uid_t>(-1), static_cast<gid_t>(-1), true},
        {0660, 65534, 65534, false},  // needs the super-user
        {0644, 0, 65534, true},
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
        EXPECT_EQ(nachher.st_ino != vorher.st_ino, f.ersetzt);
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

// A link that leads nowhere yet is followed like any other: the save creates
// the file it points to, and the link stays.
TEST_F(SafeReplaceTest, ADanglingLinkIsFollowedToTheFileItNames) {
    fs::create_directories(Os("a"));
    fs::create_directories(Os("b"));
    fs::create_symlink("../b/echt.krv", Os("a/link.krv"));
    fs::create_symlink("a/link.krv", Os("kette.krv"));  // a link to that link
    fs::create_symlink("kreis2.krv", Os("kreis1.krv"));
    fs::create_symlink("kreis1.krv", Os("kreis2.krv"));
    Bytes neu = Block(21040, 6);
    ASSERT_EQ(DateiSicherErsetzen(Pfad("kette.krv").c_str(), neu.data(), neu.size()), 0);
    EXPECT_TRUE(fs::is_symlink(Os("kette.krv")));
    EXPECT_TRUE(fs::is_symlink(Os("a/link.krv")));
    EXPECT_EQ(Lesen(Os("b/echt.krv")), neu);
    EXPECT_EQ(fs::status(Os("b/echt.krv")).permissions() & fs::perms::owner_write, fs::perms::owner_write);
    std::vector<fs::path> inB;
    for (const auto& e : fs::directory_iterator(Os("b"))) inB.push_back(e.path().filename());
    EXPECT_EQ(inB, std::vector<fs::path>{"echt.krv"});
    // A loop of links leads to no file.
    EXPECT_EQ(DateiSicherErsetzen(Pfad("kreis1.krv").c_str(), neu.data(), neu.size()), -1);
    EXPECT_TRUE(fs::is_symlink(Os("kreis1.krv")));
}

// How a save is made, as the user nobody, and that the old content survives
// every failure. A new file takes the target's name only where the folder may
// be written, the target has one name and is the saver's own; otherwise the
// target is written in place. A file-size limit below the old size leaves no
// room for the copy of the old content (a full disk); one between the old and
// the new size cuts the write of the new content half-way.
class SaveDecisionTest : public SafeReplaceTest {
protected:
    struct Fall {
        bool ordnerBeschreibbar;
        int namen;
        bool eigen;
        bool ersetzt;
    };
    static constexpr Fall kFaelle[] = {
        {true, 1, true, true},    {true, 2, true, false},   {true, 1, false, false}, {true, 2, false, false},
        {false, 1, true, false},  {false, 2, true, false},  {false, 1, false, false}, {false, 2, false, false},
    };
    static std::string Name(const Fall& f) {
        return std::string(f.ordnerBeschreibbar ? "beschreibbar" : "gesperrt") + "-" + std::to_string(f.namen) +
               (f.eigen ? "-eigen" : "-fremd");
    }
    void SetUp() override {
        SafeReplaceTest::SetUp();
        if (geteuid() != 0) GTEST_SKIP() << "needs the super-user to give files to nobody";
        temp_ = Os("tmp");
        fs::create_directory(temp_);
        fs::permissions(ordner_, fs::perms::all);
        fs::permissions(temp_, fs::perms::all);
    }
    // The target "f/ziel.krv", maybe a second name "zweit-f.krv" beside f.
    fs::path Aufbauen(const Fall& f, const Bytes& alt) {
        fs::path ordner = Os(Name(f));
        fs::create_directory(ordner);
        fs::path ziel = ordner / "ziel.krv";
        Schreiben(ziel, alt);
        if (f.namen == 2) fs::create_hard_link(ziel, Os("zweit-" + Name(f) + ".krv"));
        EXPECT_EQ(chmod(ziel.c_str(), 0666), 0);
        if (f.eigen) {
            EXPECT_EQ(chown(ziel.c_str(), 65534, 65534), 0);
        }
        EXPECT_EQ(chmod(ordner.c_str(), f.ordnerBeschreibbar ? 0777 : 0555), 0);
        return ziel;
    }
    // Saves as nobody, with that file-size limit (0: none) and TMPDIR the
    // test's own temporary folder.
    int AlsNiemandSpeichern(const fs::path& ziel, const Bytes& neu, rlim_t grenze) {
        std::string tmp = temp_.string();
        return AlsNormalerBenutzer([&] {
            setenv("TMPDIR", tmp.c_str(), 1);
            signal(SIGXFSZ, SIG_DFL);  // the save must not die of it
            if (grenze != 0) {
                struct rlimit knapp {};
                getrlimit(RLIMIT_FSIZE, &knapp);
                knapp.rlim_cur = grenze;
                if (setrlimit(RLIMIT_FSIZE, &knapp) != 0) return 98;
            }
            return DateiSicherErsetzen(ziel.c_str(), neu.data(), neu.size());
        });
    }
    void NichtsUebrig(const Fall& f) {
        std::vector<fs::path> namen;
        for (const auto& e : fs::directory_iterator(Os(Name(f)))) namen.push_back(e.path().filename());
        EXPECT_EQ(namen, std::vector<fs::path>{"ziel.krv"});
        EXPECT_TRUE(fs::is_empty(temp_));
    }
    fs::path temp_;
};

TEST_F(SaveDecisionTest, ANewFileTakesTheNameOnlyWhereNothingOfTheOldIsLost) {
    Bytes alt = Block(3000, 1), neu = Block(21040, 2);
    for (const Fall& f : kFaelle) {
        SCOPED_TRACE(Name(f));
        fs::path ziel = Aufbauen(f, alt);
        struct stat vorher {};
        ASSERT_EQ(stat(ziel.c_str(), &vorher), 0);
        ASSERT_EQ(AlsNiemandSpeichern(ziel, neu, 0), 0);
        struct stat nachher {};
        ASSERT_EQ(stat(ziel.c_str(), &nachher), 0);
        EXPECT_EQ(Lesen(ziel), neu);
        if (f.namen == 2) {
            EXPECT_EQ(Lesen(Os("zweit-" + Name(f) + ".krv")), neu);
        }
        EXPECT_EQ(nachher.st_ino != vorher.st_ino, f.ersetzt);
        EXPECT_EQ(nachher.st_nlink, vorher.st_nlink);
        EXPECT_EQ(nachher.st_uid, vorher.st_uid);
        EXPECT_EQ(nachher.st_gid, vorher.st_gid);
        EXPECT_EQ(nachher.st_mode, vorher.st_mode);
        NichtsUebrig(f);

        // A shorter content leaves nothing of the longer one behind.
        Bytes kurz = Block(100, 3);
        ASSERT_EQ(AlsNiemandSpeichern(ziel, kurz, 0), 0);
        EXPECT_EQ(Lesen(ziel), kurz);
        NichtsUebrig(f);
    }
}

TEST_F(SaveDecisionTest, TheOldContentSurvivesAFullDiskAndACutWrite) {
    Bytes alt = Block(3000, 1), neu = Block(21040, 2);
    struct Grenze {
        const char* name;
        rlim_t bytes;
    } grenzen[] = {{"voll", 2048}, {"abgeschnitten", 8192}};
    for (const Grenze& g : grenzen) {
        for (const Fall& f : kFaelle) {
            SCOPED_TRACE(std::string(g.name) + " " + Name(f));
            fs::path ziel = Aufbauen(f, alt);
            EXPECT_EQ(AlsNiemandSpeichern(ziel, neu, g.bytes), -1);
            EXPECT_EQ(Lesen(ziel), alt);
            if (f.namen == 2) {
                EXPECT_EQ(Lesen(Os("zweit-" + Name(f) + ".krv")), alt);
            }
            NichtsUebrig(f);
            chmod(Os(Name(f)).c_str(), 0777);
            fs::remove_all(Os(Name(f)));
            fs::remove(Os("zweit-" + Name(f) + ".krv"));
        }
    }
}
#endif

}  // namespace
