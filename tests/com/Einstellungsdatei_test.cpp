#include <sys/stat.h>

#include <chrono>
#include <cstdint>

#include "com/ComFixture.h"
#include "com/Dateihilfen.h"
#include "storage/Dateifunktionen.h"

namespace {

namespace fs = std::filesystem;

class Einstellungsdatei : public ComTest {
protected:
    // Start-up again, now with this settings file in the working directory.
    void StartenMit(const std::string& text) {
        DateiAnlegen(kEinstellungsdatei, text);
        Com_CloseComPort();
        gLetzterComPort = -1;
        ASSERT_EQ(Start(), 0);
    }
    static int Adresse() { return Int(comPanelHandle, COMPANEL_ADRESSE); }
    static int PortRing() { return Int(comPanelHandle, COMPANEL_PORT); }
    int Oeffnungen() const {
        int n = 0;
        for (const auto& p : ports) n += p->opens;
        return n;
    }
};

TEST_F(Einstellungsdatei, WithoutAFileNothingIsOpenedAndNothingShown) {
    // The fixture started without a file; a pop-up would have failed the test.
    EXPECT_EQ(Oeffnungen(), 0);
    EXPECT_EQ(Com_ComPort(), -1);
    EXPECT_EQ(Com_LetzterComPort(), -1);
    EXPECT_EQ(PortRing(), -1);
    EXPECT_EQ(Adresse(), '1');
    EXPECT_EQ(Portbilder(), Ueberall(-1));
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
    EXPECT_EQ(IniLaden(), -802409);
    EXPECT_FALSE(fs::exists(kEinstellungsdatei));
}

TEST_F(Einstellungsdatei, AFileThatCannotBeReadIsSkipped) {
    fs::create_directory(kEinstellungsdatei);
    EXPECT_EQ(IniLaden(), -801410);
    EXPECT_EQ(Oeffnungen(), 0);
}

// A settings file is a few lines: a larger one is refused unread, however
// large, and start-up stays quick.
TEST_F(Einstellungsdatei, AFileLargerThan64KiBIsUnreadableAndStartUpStaysQuick) {
    const std::string gueltig = "[KRV4]\r\nport = 3\r\n";
    std::string viele;
    for (int i = 0; viele.size() < 2'000'000; ++i) viele += "[A" + std::to_string(i) + "]\r\nx = 1\r\n";
    const struct {
        const char* was;
        std::uintmax_t groesse;  // the valid text padded with a comment to this size; 0: `viele`
        int ergebnis;
    } faelle[] = {
        {"64 KiB", 64 * 1024, 0},
        {"64 KiB + 1", 64 * 1024 + 1, -801410},
        {"2 MB, 100000 sections", 0, -801410},
        {"4 GiB, sparse", 4ull << 30, -801410},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.was);
        if (f.groesse == 0) {
            DateiAnlegen(kEinstellungsdatei, viele + gueltig);
        } else if (f.groesse < (1u << 20)) {
            std::string text = gueltig + ";" + std::string(f.groesse - gueltig.size() - 3, 'x') + "\r\n";
            ASSERT_EQ(text.size(), f.groesse);
            DateiAnlegen(kEinstellungsdatei, text);
        } else {
            DateiAnlegen(kEinstellungsdatei, gueltig);
            fs::resize_file(kEinstellungsdatei, f.groesse);
        }
        Com_CloseComPort();
        const auto beginn = std::chrono::steady_clock::now();
        ASSERT_EQ(Start(), 0);
        const double sekunden = std::chrono::duration<double>(std::chrono::steady_clock::now() - beginn).count();
        EXPECT_LT(sekunden, 0.5);
        EXPECT_EQ(Com_ComPort(), f.ergebnis == 0 ? 3 : -1);
        EXPECT_EQ(Fehleranzeigen(), KeinFehler());
        if (f.ergebnis != 0) {
            EXPECT_EQ(IniLaden(), f.ergebnis);
        }
        fs::remove(kEinstellungsdatei);
    }
}

struct Fall {
    const char* was;
    const char* text;
    int port;     // open after start-up, -1 none
    int lport;    // Com_LetzterComPort
    int adresse;  // ADRESSE
};

class Lesen : public Einstellungsdatei, public ::testing::WithParamInterface<Fall> {};

TEST_P(Lesen, StartUpTakesWhatIsAccepted) {
    const Fall& f = GetParam();
    StartenMit(f.text);
    EXPECT_EQ(Com_ComPort(), f.port);
    EXPECT_EQ(PortRing(), f.port);
    EXPECT_EQ(Portbilder(), Ueberall(f.port));
    EXPECT_EQ(Com_LetzterComPort(), f.lport);
    EXPECT_EQ(Adresse(), f.adresse);
    EXPECT_EQ(Oeffnungen(), f.port == -1 ? 0 : 1);
    if (f.port != -1) {
        EXPECT_TRUE(Port(f.port).isOpen);
        EXPECT_EQ(Port(f.port).written, "");
    }
    EXPECT_EQ(Fehleranzeigen(), KeinFehler());
}

INSTANTIATE_TEST_SUITE_P(
    Datei, Lesen,
    ::testing::Values(
        Fall{"port_3", "[KRV4]\r\nadresse = 49\r\nlport = 3\r\nport = 3\r\n\r\n", 3, 3, '1'},
        Fall{"port_7", "[KRV4]\r\nadresse = 49\r\nlport = -1\r\nport = 7\r\n\r\n", -1, -1, '1'},
        Fall{"port_minus_1", "[KRV4]\r\nadresse = 49\r\nlport = -1\r\nport = -1\r\n\r\n", -1, -1, '1'},
        Fall{"port_0", "[KRV4]\r\nport = 0\r\n", -1, -1, '1'},
        Fall{"port_not_a_number", "[KRV4]\r\nport = drei\r\nadresse = 52\r\n", -1, -1, '4'},
        Fall{"adresse_38_is_alle", "[KRV4]\r\nadresse = 38\r\n", -1, -1, '&'},
        Fall{"adresse_65_ignored", "[KRV4]\r\nadresse = 65\r\n", -1, -1, '1'},
        Fall{"adresse_57", "[KRV4]\r\nadresse = 57\r\n", -1, -1, '9'},
        Fall{"adresse_48_ignored", "[KRV4]\r\nadresse = 48\r\n", -1, -1, '1'},
        Fall{"lower_case_section_upper_case_key", "[krv4]\nPORT = 2\nADRESSE=55\n", 2, 2, '7'},
        Fall{"lport_2_port_4", "[KRV4]\r\nlport = 2\r\nport = 4\r\n", 4, 2, '1'},
        Fall{"lport_without_port", "[KRV4]\r\nlport = 6\r\n", -1, 6, '1'},
        Fall{"lport_9_ignored", "[KRV4]\r\nlport = 9\r\nport = 5\r\n", 5, 5, '1'},
        Fall{"other_section", "[KRV5]\r\nport = 3\r\n", -1, -1, '1'},
        Fall{"garbage", "\x01\xff[\r\n=\r\n[KRV4\r\nport", -1, -1, '1'}),
    [](const auto& info) { return std::string(info.param.was); });

TEST_F(Einstellungsdatei, AStoredPortThatDoesNotOpenShowsItsCode) {
    Port(3).failOpen = true;
    StartenMit("[KRV4]\r\nadresse = 50\r\nlport = 1\r\nport = 3\r\n\r\n");
    EXPECT_EQ(Com_ComPort(), -1);
    EXPECT_EQ(PortRing(), -1);
    EXPECT_EQ(Portbilder(), Ueberall(-1));
    EXPECT_EQ(Fehleranzeigen(), Ueberall(1, "Fehler beim öffnen der seriellen Schnittstelle", 100003));
    EXPECT_EQ(Com_LetzterComPort(), 1);
    EXPECT_EQ(Adresse(), '2');
}

TEST_F(Einstellungsdatei, ExitWritesTheSettingsThenClosesThePort) {
    StartenMit("[KRV4]\r\nlport = 2\r\nport = 4\r\n");
    ComPanelOeffnen();
    Operate(comPanelHandle, COMPANEL_ADRESSE, '7');
    Krv4SteuerungBeenden();
    EXPECT_EQ(DateiInhalt(kEinstellungsdatei), "[KRV4]\r\nadresse = 55\r\nlport = 2\r\nport = 4\r\n\r\n");
    EXPECT_FALSE(Port(4).isOpen);
    EXPECT_EQ(Com_ComPort(), -1);
    EXPECT_EQ(Verzeichnisinhalt("."), std::vector<std::string>{kEinstellungsdatei});

    // What was written starts the next run the same way.
    StartenMit(DateiInhalt(kEinstellungsdatei));
    EXPECT_EQ(Com_ComPort(), 4);
    EXPECT_EQ(Com_LetzterComPort(), 2);
    EXPECT_EQ(Adresse(), '7');
}

TEST_F(Einstellungsdatei, ARunWithoutAnOpenPortStoresMinusOne) {
    Krv4SteuerungBeenden();
    EXPECT_EQ(DateiInhalt(kEinstellungsdatei), "[KRV4]\r\nadresse = 49\r\nlport = -1\r\nport = -1\r\n\r\n");

    // A port opened and closed again: the last port is kept, the port is not.
    StartenMit("");
    ComPanelOeffnen();
    Operate(comPanelHandle, COMPANEL_PORT, 6);
    Operate(comPanelHandle, COMPANEL_ADRESSE, '&');
    Operate(comPanelHandle, COMPANEL_PORT, -1);
    Krv4SteuerungBeenden();
    EXPECT_EQ(DateiInhalt(kEinstellungsdatei), "[KRV4]\r\nadresse = 38\r\nlport = 6\r\nport = -1\r\n\r\n");
}

TEST_F(Einstellungsdatei, AProtectedFileStaysByteForByteAndAReadOnlyFolderIsWrittenInPlace) {
    const std::string alt = "; von Hand\n[KRV4]\nport=3\n";
    DateiAnlegen(kEinstellungsdatei, alt);
    ComPanelOeffnen();
    Operate(comPanelHandle, COMPANEL_ADRESSE, '5');
    const fs::path hier = fs::current_path();

    // Write-protected file in a directory anybody may write to.
    fs::permissions(hier, fs::perms::all);
    fs::permissions(kEinstellungsdatei, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(AlsNormalerBenutzer([] { return IniSchreiben(); }), -800411);
    EXPECT_EQ(DateiInhalt(kEinstellungsdatei), alt);
    EXPECT_EQ(Verzeichnisinhalt(hier), std::vector<std::string>{kEinstellungsdatei});

    // A writable file in a read-only directory is written in place.
    fs::permissions(kEinstellungsdatei, fs::perms::all);
    fs::permissions(hier, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    EXPECT_EQ(AlsNormalerBenutzer([] { return IniSchreiben(); }), 0);
    EXPECT_EQ(DateiInhalt(kEinstellungsdatei), "[KRV4]\r\nadresse = 53\r\nlport = -1\r\nport = -1\r\n\r\n");
    EXPECT_EQ(Verzeichnisinhalt(hier), std::vector<std::string>{kEinstellungsdatei});
    fs::permissions(hier, fs::perms::owner_all);
}

}  // namespace
