#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

#include "com/Dateihilfen.h"
#include "storage/Ini.h"

namespace {

namespace fs = std::filesystem;

struct Dokument {
    Dokument(int sortieren = 1) : ini(Ini_New(sortieren)) {}
    ~Dokument() { Ini_Dispose(ini); }
    IniText ini;
};

struct Lesefall {
    const char* was;
    std::string text;
    int ergebnis;  // of Ini_GetInt for KRV4/port
    int wert;
};

class IniLesen : public ::testing::TestWithParam<Lesefall> {};

TEST_P(IniLesen, PortOfSectionKrv4) {
    const Lesefall& f = GetParam();
    Dokument d;
    ASSERT_EQ(Ini_ReadFromText(d.ini, f.text.data(), f.text.size()), 0);
    int wert = -99;
    EXPECT_EQ(Ini_GetInt(d.ini, "KRV4", "port", &wert), f.ergebnis);
    EXPECT_EQ(wert, f.ergebnis == 1 ? f.wert : -99);
}

// A line of 256 characters whose last one is dropped: "port", blanks, "= 12".
const std::string kLangeZeile = "port" + std::string(256 - 8, ' ') + "= 12";

INSTANTIATE_TEST_SUITE_P(
    Regeln, IniLesen,
    ::testing::Values(
        Lesefall{"crlf", "[KRV4]\r\nport = 3\r\n", 1, 3}, Lesefall{"lf", "[KRV4]\nport=3\n", 1, 3},
        Lesefall{"cr", "[KRV4]\rport=3\r", 1, 3}, Lesefall{"no_end_of_line", "[KRV4]\nport=3", 1, 3},
        Lesefall{"cr_cr_lf", "[KRV4]\r\r\n\r\nport=3", 1, 3},
        Lesefall{"leading_blanks", "  \t[KRV4]\n    port = 3\n", 1, 3},
        Lesefall{"blanks_in_brackets", "[ KRV4 ]  \nport=3", 1, 3},
        Lesefall{"case", "[krv4]\nPORT=3\n", 1, 3}, Lesefall{"comment_section", ";[KRV4]\nport=3\n", 0, 0},
        Lesefall{"comment_item", "[KRV4]\n  ;port=3\n", 0, 0},
        Lesefall{"item_before_section", "port=3\n[KRV4]\n", 0, 0},
        Lesefall{"other_section", "[KRV4]\n[Andere]\nport=3\n", 0, 0},
        Lesefall{"no_equals", "[KRV4]\nport 3\n", 0, 0}, Lesefall{"empty_key", "[KRV4]\n = 3\n", 0, 0},
        Lesefall{"empty_value", "[KRV4]\nport =  \n", 0, 0},
        Lesefall{"not_a_section", "[KRV4] x\nport=3\n", 0, 0},
        Lesefall{"bracket_in_name", "[KRV4]]\nport=3\n", 0, 0},
        Lesefall{"first_equals_splits", "[KRV4]\nport = 3 = 4\n", kIniKeineZahl, 0},
        Lesefall{"later_item_wins", "[KRV4]\nport=1\n[x]\nport=2\n[krv4]\nPort=3\n", 1, 3},
        Lesefall{"plus", "[KRV4]\nport = +7\n", 1, 7}, Lesefall{"minus", "[KRV4]\nport = -1\n", 1, -1},
        Lesefall{"leading_zeros", "[KRV4]\nport = 007\n", 1, 7},
        Lesefall{"int_max", "[KRV4]\nport = 2147483647\n", 1, INT_MAX},
        Lesefall{"int_min", "[KRV4]\nport = -2147483648\n", 1, INT_MIN},
        Lesefall{"above_int_max", "[KRV4]\nport = 2147483648\n", kIniKeineZahl, 0},
        Lesefall{"below_int_min", "[KRV4]\nport = -2147483649\n", kIniKeineZahl, 0},
        Lesefall{"huge", "[KRV4]\nport = 99999999999999999999999\n", kIniKeineZahl, 0},
        Lesefall{"letters", "[KRV4]\nport = 3x\n", kIniKeineZahl, 0},
        Lesefall{"hex", "[KRV4]\nport = 0x10\n", kIniKeineZahl, 0},
        Lesefall{"blank_after_sign", "[KRV4]\nport = - 3\n", kIniKeineZahl, 0},
        Lesefall{"sign_only", "[KRV4]\nport = -\n", kIniKeineZahl, 0},
        Lesefall{"quoted", "[KRV4]\nport = \"3\"\n", kIniKeineZahl, 0},
        Lesefall{"nul_byte", std::string("[KRV4]\nport = 3\0\n", 16), kIniKeineZahl, 0},
        Lesefall{"line_cut_at_255", "[KRV4]\n" + kLangeZeile + "\n", 1, 1},
        Lesefall{"empty", "", 0, 0}),
    [](const auto& info) { return std::string(info.param.was); });

TEST(Ini, LookupIgnoresCaseAndSurroundingBlanks) {
    Dokument d;
    const std::string text = "[KRV4]\nAdresse = 38\n";
    ASSERT_EQ(Ini_ReadFromText(d.ini, text.data(), text.size()), 0);
    int wert = 0;
    EXPECT_EQ(Ini_GetInt(d.ini, " krv4 ", "  ADRESSE ", &wert), 1);
    EXPECT_EQ(wert, 38);
    EXPECT_EQ(Ini_GetInt(d.ini, "KRV5", "adresse", &wert), 0);
}

TEST(Ini, WritesSortedItemsWithCrLfAndAnEmptyLineAfterEachSection) {
    Dokument d;
    ASSERT_EQ(Ini_PutInt(d.ini, "KRV4", "port", 3), 0);
    ASSERT_EQ(Ini_PutInt(d.ini, "KRV4", "lport", -1), 0);
    ASSERT_EQ(Ini_PutInt(d.ini, "KRV4", "adresse", 49), 0);
    EXPECT_EQ(Ini_Text(d.ini), "[KRV4]\r\nadresse = 49\r\nlport = -1\r\nport = 3\r\n\r\n");

    ASSERT_EQ(Ini_PutInt(d.ini, "b", "Zahl", INT_MIN), 0);
    ASSERT_EQ(Ini_PutInt(d.ini, "A", "x", 0), 0);
    ASSERT_EQ(Ini_PutInt(d.ini, "krv4", "PORT", 5), 0);  // the same item, another spelling
    EXPECT_EQ(Ini_Text(d.ini),
              "[A]\r\nx = 0\r\n\r\n[b]\r\nZahl = -2147483648\r\n\r\n"
              "[KRV4]\r\nadresse = 49\r\nlport = -1\r\nport = 5\r\n\r\n");

    Dokument unsortiert(0);
    Ini_PutInt(unsortiert.ini, "Z", "b", 1);
    Ini_PutInt(unsortiert.ini, "Z", "a", 2);
    EXPECT_EQ(Ini_Text(unsortiert.ini), "[Z]\r\nb = 1\r\na = 2\r\n\r\n");
}

TEST(Ini, WhatIsWrittenReadsBackTheSame) {
    Dokument d;
    for (int wert : {INT_MIN, -1, 0, 1, 56, INT_MAX}) Ini_PutInt(d.ini, "KRV4", std::to_string(wert).c_str(), wert);
    std::string text = Ini_Text(d.ini);
    Dokument zurueck;
    ASSERT_EQ(Ini_ReadFromText(zurueck.ini, text.data(), text.size()), 0);
    EXPECT_EQ(Ini_Text(zurueck.ini), text);
}

TEST(Ini, MisuseIsAnErrorCode) {
    Dokument d;
    int wert = 0;
    EXPECT_EQ(Ini_PutInt(nullptr, "KRV4", "port", 1), kIniParameter);
    EXPECT_EQ(Ini_PutInt(d.ini, "KRV4", " ", 1), kIniParameter);
    EXPECT_EQ(Ini_GetInt(d.ini, "KRV4", "port", nullptr), kIniParameter);
    EXPECT_EQ(Ini_GetInt(nullptr, "KRV4", "port", &wert), kIniParameter);
    EXPECT_EQ(Ini_ReadFromFile(d.ini, ""), kIniParameter);
    EXPECT_EQ(Ini_WriteToFile(d.ini, nullptr), kIniParameter);
    Ini_Dispose(nullptr);
}

class IniDatei : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("krv4-ini-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        Ini_PutInt(neu.ini, "KRV4", "port", 2);
    }
    void TearDown() override {
        std::error_code fehler;
        fs::permissions(dir, fs::perms::owner_all, fehler);
        fs::remove_all(dir, fehler);
    }
    std::string Pfad(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
    Dokument neu;
    const std::string alt = "[KRV4]\r\nport = 1\r\n";
    const std::string neuerText = "[KRV4]\r\nport = 2\r\n\r\n";
};

TEST_F(IniDatei, ReadingAMissingOrUnopenableFileChangesNothing) {
    Dokument d;
    Ini_PutInt(d.ini, "KRV4", "port", 4);
    EXPECT_EQ(Ini_ReadFromFile(d.ini, Pfad("fehlt.ini").c_str()), kIniDateiFehlt);
    fs::create_directory(dir / "verzeichnis.ini");
    EXPECT_EQ(Ini_ReadFromFile(d.ini, Pfad("verzeichnis.ini").c_str()), kIniOeffnungsfehler);
    EXPECT_EQ(Ini_Text(d.ini), "[KRV4]\r\nport = 4\r\n\r\n");

    DateiAnlegen(dir / "da.ini", "[KRV4]\nlport=6\n");
    EXPECT_EQ(Ini_ReadFromFile(d.ini, Pfad("da.ini").c_str()), 0);
    EXPECT_EQ(Ini_Text(d.ini), "[KRV4]\r\nlport = 6\r\nport = 4\r\n\r\n");
}

TEST_F(IniDatei, ReplacesTheFileAndLeavesNoTemporaryFile) {
    DateiAnlegen(dir / "a.ini", alt);
    fs::permissions(dir / "a.ini", fs::perms::owner_read | fs::perms::owner_write);
    // Another program's temporary file of the same pattern stays untouched.
    DateiAnlegen(dir / "ini$$0.TMP", "fremd");
    ASSERT_EQ(Ini_WriteToFile(neu.ini, Pfad("a.ini").c_str()), 0);
    EXPECT_EQ(DateiInhalt(dir / "a.ini"), neuerText);
    EXPECT_EQ(DateiInhalt(dir / "ini$$0.TMP"), "fremd");
    EXPECT_EQ(Verzeichnisinhalt(dir), (std::vector<std::string>{"a.ini", "ini$$0.TMP"}));
    EXPECT_EQ(fs::status(dir / "a.ini").permissions(), fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_EQ(Ini_WriteToFile(neu.ini, Pfad("b.ini").c_str()), 0);  // a new file
    EXPECT_EQ(DateiInhalt(dir / "b.ini"), neuerText);
}

TEST_F(IniDatei, ALinkStaysALinkToTheReplacedFile) {
    DateiAnlegen(dir / "echt.ini", alt);
    fs::create_symlink("echt.ini", dir / "link.ini");
    ASSERT_EQ(Ini_WriteToFile(neu.ini, Pfad("link.ini").c_str()), 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
    EXPECT_EQ(DateiInhalt(dir / "echt.ini"), neuerText);
}

TEST_F(IniDatei, WithEveryTemporaryNameTakenNothingIsWritten) {
    DateiAnlegen(dir / "a.ini", alt);
    for (int n = 0; n <= 999; ++n) DateiAnlegen(dir / ("ini$$" + std::to_string(n) + ".TMP"), "");
    EXPECT_EQ(Ini_WriteToFile(neu.ini, Pfad("a.ini").c_str()), kIniSchreibfehler);
    EXPECT_EQ(DateiInhalt(dir / "a.ini"), alt);
    EXPECT_EQ(Verzeichnisinhalt(dir).size(), 1001u);
}

TEST_F(IniDatei, AWriteProtectedFileOrDirectoryKeepsTheOldFile) {
    // A write-protected file in a directory that would let it be replaced.
    DateiAnlegen(dir / "a.ini", alt);
    fs::permissions(dir, fs::perms::all);
    fs::permissions(dir / "a.ini", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(AlsNormalerBenutzer([&] { return Ini_WriteToFile(neu.ini, Pfad("a.ini").c_str()); }),
              kIniSchreibgeschuetzt);
    EXPECT_EQ(DateiInhalt(dir / "a.ini"), alt);
    EXPECT_EQ(Verzeichnisinhalt(dir), std::vector<std::string>{"a.ini"});

    // A writable file in a directory where nothing can be created: written in place.
    fs::permissions(dir / "a.ini", fs::perms::all);
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    EXPECT_EQ(AlsNormalerBenutzer([&] { return Ini_WriteToFile(neu.ini, Pfad("a.ini").c_str()); }), 0);
    EXPECT_EQ(DateiInhalt(dir / "a.ini"), neuerText);
    EXPECT_EQ(Verzeichnisinhalt(dir), std::vector<std::string>{"a.ini"});
}

}  // namespace
