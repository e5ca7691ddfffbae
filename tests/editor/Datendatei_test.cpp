#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <limits>

#include "editor/Editor.h"
#include "errors/QVL_errorV3.h"
#include "model/Schrittbearbeitung.h"
#include "storage/Dateifunktionen.h"

namespace {

class DataFileTest : public AppTest {
protected:
    Testverzeichnis dir;

    void SpeichernUnter(const std::string& pfad) {
        ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, pfad);
        ChooseMenu(panelHandle, MENU_DATEI_SPEICHERNUNTER);
    }
    void Oeffnen(const std::string& pfad) {
        ui->AnswerFileSelect(VAL_EXISTING_FILE_SELECTED, pfad);
        ChooseMenu(panelHandle, MENU_DATEI_OEFFNEN);
    }
    // The store as a file would hold it, built here from the records.
    static Bytes Erwartet() {
        Bytes b(kDateiGroesse, 0);
        std::memcpy(b.data(), "QVLKRV4TST1 Programme", 22);
        std::memcpy(b.data() + 40, gProg, sizeof gProg);
        Setzen<int32_t>(b, kProgIndexOffset, gProgIndex);
        return b;
    }
    static Bytes Speicher() {
        const auto* p = reinterpret_cast<const unsigned char*>(gProg);
        return Bytes(p, p + sizeof gProg);
    }
};

TEST_F(DataFileTest, SaveThenOpenRestoresTheStoreByteForByte) {
    Bytes datei = GueltigeDatei(7);
    std::memcpy(gProg, datei.data() + 40, sizeof gProg);
    gProgIndex = 7;
    ProgrammverwaltungNachDateiLaden();
    Bytes vorher = Speicher();
    std::string pfad = dir.Datei("programme.krv");

    SpeichernUnter(pfad);
    EXPECT_EQ(Lesen(pfad), Erwartet());
    EXPECT_EQ(Lesen(pfad), Bereinigt(datei));
    EXPECT_EQ(Title(panelHandle), "KRV4 Steuerung - programme.krv");
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_EQ(dir.Eintraege(), std::vector<std::string>{"programme.krv"});

    ChooseMenu(panelHandle, MENU_DATEI_NEU);
    ASSERT_EQ(gProg[7].psAnzahl, 1);
    Oeffnen(pfad);
    EXPECT_EQ(ui->Shown().size(), 2u);  // the two dialogs, no error
    EXPECT_EQ(Speicher(), vorher);
    EXPECT_EQ(gProgIndex, 7);
    EXPECT_EQ(Int(panelHandle, PANEL_PROGRAMMLISTE), 7);
    EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE)[7], "8 - Prog 8 Öl");
    EXPECT_EQ(gPSanzahl, 8);
    EXPECT_EQ(gPSindex, 1);
    EXPECT_EQ(Int(panelHandle, PANEL_LISTBOX), 1);
    EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX)[1], "S8.2");
    EXPECT_EQ(std::memcmp(gPruefschritte, gProg[7].schritte, sizeof(Pruefschritt) * 8), 0);
    EXPECT_EQ(gDateiname, pfad);
    EXPECT_EQ(Title(panelHandle), "KRV4 Steuerung - programme.krv");
    EXPECT_FALSE(gDatenGeaendert);
}

TEST_F(DataFileTest, OpenedFileSavesBackUnchangedWithOnlyTheInsignificantBytesZeroed) {
    Bytes datei = GueltigeDatei(3, 9);
    for (int i = 22; i < 32; ++i) datei[i] = static_cast<unsigned char>(0xE0 + i);  // after the NUL
    Setzen<uint32_t>(datei, 36, 0xDEADBEEF);
    Setzen<int32_t>(datei, SchrittOffset(0, 0) + 72, 0);  // instrument code 0
    Setzen<double>(datei, SchrittOffset(1, 0) + 32, std::numeric_limits<double>::quiet_NaN());
    std::memset(datei.data() + SchrittOffset(2, 5), 'x', 128);  // an unused slot, its name without NUL
    datei.insert(datei.end(), {'m', 'e', 'h', 'r'});  // beyond the block
    std::string pfad = dir.Datei("fremd.krv"), zurueck = dir.Datei("zurueck.krv");
    Schreiben(pfad, datei);

    Oeffnen(pfad);
    ASSERT_EQ(ui->Shown().size(), 1u);
    EXPECT_EQ(gProgIndex, 3);
    SpeichernUnter(zurueck);
    EXPECT_EQ(Lesen(zurueck), Bereinigt(datei));
}

TEST_F(DataFileTest, SaveRightAfterAnEditStoresTheEditedStep) {
    Operate(panelHandle, PANEL_NETZGERAETU, 17.25);
    std::string pfad = dir.Datei("edit.krv");
    SpeichernUnter(pfad);
    EXPECT_DOUBLE_EQ(Holen<double>(Lesen(pfad), SchrittOffset(0, 0) + 32), 17.25);
}

TEST_F(DataFileTest, DialogsAskAsTheOperatorExpects) {
    ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, dir.Datei("a.krv"));
    ChooseMenu(panelHandle, MENU_DATEI_SPEICHERN);  // "Unbenannt": asks for a name
    ASSERT_EQ(ui->Shown().size(), 1u);
    const auto& speichern = ui->Shown()[0].fileSelect;
    EXPECT_EQ(speichern.title, "Speichern");
    EXPECT_EQ(speichern.defaultDirectory, "");
    EXPECT_EQ(speichern.defaultFileSpec, "*.krv");
    EXPECT_EQ(speichern.fileTypeList, "*.krv");
    EXPECT_EQ(speichern.buttonKind, VAL_SAVE_BUTTON);
    EXPECT_FALSE(speichern.restrictDirectory);
    EXPECT_TRUE(speichern.restrictExtension);
    EXPECT_TRUE(speichern.allowCancel);
    EXPECT_TRUE(speichern.allowMakeDirectory);

    Operate(panelHandle, PANEL_NETZGERAETI, 2.5);
    ChooseMenu(panelHandle, MENU_DATEI_SPEICHERN);  // named: writes without a dialog
    EXPECT_EQ(ui->Shown().size(), 1u);
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_DOUBLE_EQ(Holen<double>(Lesen(dir.Datei("a.krv")), SchrittOffset(0, 0) + 40), 2.5);

    ui->AnswerFileSelect(VAL_NO_FILE_SELECTED);
    ChooseMenu(panelHandle, MENU_DATEI_SPEICHERNUNTER);  // always asks, in the file's directory
    ASSERT_EQ(ui->Shown().size(), 2u);
    EXPECT_EQ(ui->Shown()[1].fileSelect.defaultDirectory, dir.Pfad() + "/");

    ui->AnswerFileSelect(VAL_NO_FILE_SELECTED);
    ChooseMenu(panelHandle, MENU_DATEI_OEFFNEN);
    ASSERT_EQ(ui->Shown().size(), 3u);
    const auto& oeffnen = ui->Shown()[2].fileSelect;
    EXPECT_EQ(oeffnen.title, "Öffnen");
    EXPECT_EQ(oeffnen.defaultDirectory, dir.Pfad() + "/");
    EXPECT_EQ(oeffnen.defaultFileSpec, "*.krv");
    EXPECT_EQ(oeffnen.fileTypeList, "*.krv");
    EXPECT_EQ(oeffnen.buttonKind, VAL_LOAD_BUTTON);
    EXPECT_FALSE(oeffnen.restrictDirectory);
    EXPECT_TRUE(oeffnen.restrictExtension);
    EXPECT_TRUE(oeffnen.allowCancel);
    EXPECT_FALSE(oeffnen.allowMakeDirectory);
    EXPECT_EQ(gDateiname, dir.Datei("a.krv"));
}

struct Lesefall {
    const char* name;
    std::function<void(Bytes&, std::string&)> verderben;  // the file's bytes and the chosen path
    int dialog;
    int code;  // 0: loads
};

void PrintTo(const Lesefall& f, std::ostream* os) { *os << f.name; }

class OpenTest : public DataFileTest, public ::testing::WithParamInterface<Lesefall> {};

TEST_P(OpenTest, RefusedFilesLeaveEverythingAsItWas) {
    const Lesefall& f = GetParam();
    Bytes datei = GueltigeDatei(5);
    std::string pfad = dir.Datei("test.krv");
    f.verderben(datei, pfad);
    if (!datei.empty()) Schreiben(dir.Datei("test.krv"), datei);

    Operate(panelHandle, PANEL_NETZGERAETU, 12.0);  // unsaved, and the operator says "Nein"
    Zustand vorher = Zustand::Jetzt();
    ui->AnswerGeneric(2);
    ui->AnswerFileSelect(f.dialog, pfad);
    if (f.code != 0) ui->AnswerMessage();

    ChooseMenu(panelHandle, MENU_DATEI_OEFFNEN);

    if (f.code == 0) {
        EXPECT_EQ(ui->Shown().size(), 2u);
        EXPECT_EQ(gProgIndex, 5);
        EXPECT_FALSE(gDatenGeaendert);
        return;
    }
    ASSERT_EQ(ui->Shown().size(), 3u);
    EXPECT_EQ(ui->Shown()[2].title, "Fehler #" + std::to_string(-f.code));
    EXPECT_EQ(ui->Shown()[2].message, QVL_Fehlermeldung(f.code));
    EXPECT_EQ(Zustand::Jetzt(), vorher);
    EXPECT_TRUE(gDatenGeaendert);
}

void Nichts(Bytes&, std::string&) {}

INSTANTIATE_TEST_SUITE_P(
    Dateien, OpenTest,
    ::testing::Values(
        Lesefall{"gueltig", Nichts, VAL_EXISTING_FILE_SELECTED, 0},
        Lesefall{"laenger", [](Bytes& b, std::string&) { b.resize(30000, 0xAB); }, VAL_EXISTING_FILE_SELECTED, 0},
        Lesefall{"Byte22bis31beliebig", [](Bytes& b, std::string&) { std::memset(b.data() + 22, 'Z', 10); },
                 VAL_EXISTING_FILE_SELECTED, 0},
        Lesefall{"einByteZuKurz", [](Bytes& b, std::string&) { b.resize(21039); }, VAL_EXISTING_FILE_SELECTED,
                 -304000},
        Lesefall{"leer", [](Bytes& b, std::string& p) { b.clear(); Schreiben(p, {}); }, VAL_EXISTING_FILE_SELECTED,
                 -304000},
        Lesefall{"KennungEinZeichenAnders", [](Bytes& b, std::string&) { b[4] = 'r'; }, VAL_EXISTING_FILE_SELECTED,
                 -302000},
        Lesefall{"KennungOhneNul", [](Bytes& b, std::string&) { b[21] = ' '; }, VAL_EXISTING_FILE_SELECTED,
                 -302000},
        Lesefall{"KennungKuerzer", [](Bytes& b, std::string&) { b[20] = '\0'; }, VAL_EXISTING_FILE_SELECTED,
                 -302000},
        Lesefall{"Version1", [](Bytes& b, std::string&) { Setzen<int32_t>(b, 32, 1); }, VAL_EXISTING_FILE_SELECTED,
                 -303000},
        Lesefall{"fehlt", [](Bytes& b, std::string& p) { b.clear(); p += ".weg"; }, VAL_EXISTING_FILE_SELECTED,
                 -308000},
        Lesefall{"neuerNameImDialog", [](Bytes& b, std::string& p) { b.clear(); p += ".weg"; },
                 VAL_NEW_FILE_SELECTED, -308000},
        Lesefall{"Verzeichnis", [](Bytes& b, std::string& p) { b.clear(); p = p.substr(0, p.rfind('/')); },
                 VAL_EXISTING_FILE_SELECTED, -308000},
        Lesefall{"Programmwahl16", [](Bytes& b, std::string&) { Setzen<int32_t>(b, kProgIndexOffset, 16); },
                 VAL_EXISTING_FILE_SELECTED, -312000},
        Lesefall{"ProgrammwahlNegativ", [](Bytes& b, std::string&) { Setzen<int32_t>(b, kProgIndexOffset, -1); },
                 VAL_EXISTING_FILE_SELECTED, -312000},
        Lesefall{"KeinSchritt", [](Bytes& b, std::string&) { Setzen<int32_t>(b, ProgOffset(9) + 24, 0); },
                 VAL_EXISTING_FILE_SELECTED, -312000},
        Lesefall{"ElfSchritte", [](Bytes& b, std::string&) { Setzen<int32_t>(b, ProgOffset(9) + 24, 11); },
                 VAL_EXISTING_FILE_SELECTED, -312000},
        Lesefall{"SchrittwahlGleichAnzahl",
                 [](Bytes& b, std::string&) { Setzen<int32_t>(b, ProgOffset(9) + 28, 10); },
                 VAL_EXISTING_FILE_SELECTED, -312000},
        Lesefall{"SchrittwahlNegativ", [](Bytes& b, std::string&) { Setzen<int32_t>(b, ProgOffset(0) + 28, -1); },
                 VAL_EXISTING_FILE_SELECTED, -312000},
        Lesefall{"ProgrammnameOhneNul", [](Bytes& b, std::string&) { std::memset(b.data() + ProgOffset(15), 'P', 24); },
                 VAL_EXISTING_FILE_SELECTED, -312000},
        Lesefall{"SchrittnameOhneNul",
                 [](Bytes& b, std::string&) { std::memset(b.data() + SchrittOffset(4, 4), 'S', 24); },
                 VAL_EXISTING_FILE_SELECTED, -312000}),
    [](const auto& info) { return std::string(info.param.name); });

class SaveFailureTest : public DataFileTest {
protected:
    void SetUp() override {
        DataFileTest::SetUp();
        alt = dir.Datei("alt.krv");
        SpeichernUnter(alt);
        altInhalt = Lesen(alt);
        ASSERT_EQ(altInhalt.size(), kDateiGroesse);
        Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
        ui->ClearShown();
    }
    void ExpectNothingLost(std::size_t fehler = 0) {
        ASSERT_EQ(ui->Shown().size(), fehler + 1);
        EXPECT_EQ(ui->Shown()[fehler].title, "Fehler #301000");
        EXPECT_EQ(ui->Shown()[fehler].message, "Fehler beim Schreiben auf Datei");
        EXPECT_EQ(Lesen(alt), altInhalt);
        EXPECT_EQ(dir.Eintraege(), std::vector<std::string>{"alt.krv"});
        EXPECT_TRUE(gDatenGeaendert);
        EXPECT_EQ(gDateiname, alt);
        EXPECT_EQ(gPSanzahl, 2);
    }
    std::string alt;
    Bytes altInhalt;
};

// A shared folder the operator may not write, with a file he may: the file
// is written in place.
TEST_F(SaveFailureTest, AFileInAReadOnlyDirectoryIsWrittenInPlace) {
    chmod(alt.c_str(), 0666);
    chmod(dir.Pfad().c_str(), 0555);
    struct stat vorher {};
    ASSERT_EQ(stat(alt.c_str(), &vorher), 0);
    {
        // The super-user ignores the directory's mode; the save runs as nobody.
        struct AlsNiemand {
            bool root = geteuid() == 0;
            AlsNiemand() { EXPECT_TRUE(!root || seteuid(65534) == 0); }
            ~AlsNiemand() { EXPECT_TRUE(!root || seteuid(0) == 0); }
        } niemand;
        ChooseMenu(panelHandle, MENU_DATEI_SPEICHERN);
    }
    chmod(dir.Pfad().c_str(), 0755);
    EXPECT_TRUE(ui->Shown().empty());
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_EQ(Lesen(alt), Erwartet());
    struct stat nachher {};
    ASSERT_EQ(stat(alt.c_str(), &nachher), 0);
    EXPECT_EQ(nachher.st_ino, vorher.st_ino);
    EXPECT_EQ(dir.Eintraege(), std::vector<std::string>{"alt.krv"});
}

TEST_F(SaveFailureTest, AWriteThatStopsHalfWayKeepsTheOldFile) {
    {
        // The disk takes only the first 4096 bytes of the new file.
        KnappePlatte platte(4096);
        ui->AnswerMessage();
        ChooseMenu(panelHandle, MENU_DATEI_SPEICHERN);
    }
    ExpectNothingLost();
}

TEST_F(SaveFailureTest, AMissingDirectoryFailsAndTheOldNameStays) {
    ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, dir.Datei("fehlt/neu.krv"));
    ui->AnswerMessage();
    ChooseMenu(panelHandle, MENU_DATEI_SPEICHERNUNTER);
    ExpectNothingLost(1);
}

TEST_F(DataFileTest, FaultyStepBlocksSavingWithoutADialog) {
    Operate(panelHandle, PANEL_UNTERERGRENZWERT, 20.0);
    ui->AnswerMessage();
    ui->AnswerMessage();
    ChooseMenu(panelHandle, MENU_DATEI_SPEICHERNUNTER);
    ASSERT_EQ(ui->Shown().size(), 2u);
    EXPECT_EQ(ui->Shown()[0].message, "Oberer Grenzwert ist kleiner als Unterer Grenzwert.\n");
    EXPECT_EQ(ui->Shown()[1].title, "Fehler im Prüfschritt");
    EXPECT_EQ(ui->Shown()[1].message, "Datei wurde nicht gespeichert");
    EXPECT_TRUE(dir.Eintraege().empty());
    EXPECT_TRUE(gDatenGeaendert);
    EXPECT_EQ(gDateiname, "Unbenannt");
}

// A link to a file that is not there yet: the save creates that file.
TEST_F(DataFileTest, SavingThroughADanglingLinkCreatesTheFileItNames) {
    std::string link = dir.Datei("link.krv");
    std::filesystem::create_directory(dir.Datei("ablage"));
    ASSERT_EQ(symlink("ablage/neu.krv", link.c_str()), 0);
    SpeichernUnter(link);
    EXPECT_EQ(ui->Shown().size(), 1u);  // the dialog, no error
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Lesen(dir.Datei("ablage/neu.krv")), Erwartet());
    EXPECT_EQ(gDateiname, link);
    EXPECT_EQ(Title(panelHandle), "KRV4 Steuerung - link.krv");
}

TEST_F(DataFileTest, SavingThroughALinkKeepsTheLinkAndTheFileMode) {
    std::string echt = dir.Datei("echt.krv"), link = dir.Datei("link.krv");
    Schreiben(echt, Bytes(10, 1));
    chmod(echt.c_str(), 0640);
    ASSERT_EQ(symlink("echt.krv", link.c_str()), 0);
    SpeichernUnter(link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Lesen(echt), Erwartet());
    struct stat st {};
    stat(echt.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.Eintraege(), (std::vector<std::string>{"echt.krv", "link.krv"}));
}

TEST(DataBlockTest, LayoutOfTheBlockWrittenForAFreshStore) {
    FreshHeadlessToolkit();
    Datenblock block;
    std::memset(gProg, 0x11, sizeof gProg);
    gProgIndex = 15;
    DatenblockErstellen(block);
    Bytes b(reinterpret_cast<unsigned char*>(&block), reinterpret_cast<unsigned char*>(&block) + sizeof block);
    Bytes kopf(b.begin(), b.begin() + 40);
    Bytes erwartet(40, 0);
    std::memcpy(erwartet.data(), "QVLKRV4TST1 Programme", 22);
    EXPECT_EQ(kopf, erwartet);
    EXPECT_EQ(Holen<int32_t>(b, kProgIndexOffset), 15);
    EXPECT_EQ(Holen<uint32_t>(b, 21036), 0u);
    EXPECT_EQ(b[40], 0x11);
    EXPECT_EQ(b[21031], 0x11);
    EXPECT_EQ(DatenblockPruefen(b.data(), b.size() - 1), -304000);
    ProgrammspeicherZuruecksetzen();
}

}  // namespace

namespace {

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// The dialog hands over the system's own name (UTF-8), whatever its
// characters and however long the path; only the title is code page 1252,
// with "?" for a character it cannot show.
TEST_F(DataFileTest, FileNamesAreTheSystemsOwnFromTheDialogToTheDiskAndShownInTheCodePage) {
    std::string tief = Utf8(u8"\u0141\u00f3d\u017a");
    for (char c : {'a', 'b', 'c'}) tief += "/" + std::string(90, c);
    struct Fall {
        std::string ordner, name;
        const char* titel;
    } faelle[] = {
        {"", Utf8(u8"Pr\u00fcfung \u00d6l.krv"), "KRV4 Steuerung - Prüfung Öl.krv"},
        {Utf8(u8"\u0141\u00f3d\u017a"), Utf8(u8"\u00d6l \u2603 \u65e5\u672c.krv"), "KRV4 Steuerung - Öl ? ??.krv"},
        {tief, Utf8(u8"\u00d6l.krv"), "KRV4 Steuerung - Öl.krv"},
        {"", "Rohe \xC0\xFF Bytes.krv", "KRV4 Steuerung - Rohe ?? Bytes.krv"},  // no UTF-8 at all
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.titel);
        std::filesystem::create_directories(dir.Datei(f.ordner));
        const std::string pfad = dir.Datei(f.ordner.empty() ? f.name : f.ordner + "/" + f.name);
        Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
        SpeichernUnter(pfad);
        EXPECT_EQ(Lesen(pfad), Erwartet());
        EXPECT_EQ(Title(panelHandle), f.titel);
        EXPECT_EQ(gDateiname, pfad);
        const int schritte = gPSanzahl;

        SpeichernUnter(dir.Datei("zwischen.krv"));
        Oeffnen(pfad);
        EXPECT_EQ(gPSanzahl, schritte);
        EXPECT_EQ(gDateiname, pfad);
        EXPECT_EQ(Title(panelHandle), f.titel);
        Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
        ChooseMenu(panelHandle, MENU_DATEI_SPEICHERN);  // saves again under the same name
        EXPECT_EQ(Lesen(pfad), Erwartet());
        EXPECT_FALSE(gDatenGeaendert);
        for (const ShownPopup& p : ui->Shown()) EXPECT_EQ(p.kind, ShownPopup::FileSelect) << p.title;
        ui->ClearShown();
    }
    EXPECT_EQ(dir.Eintraege(), (std::vector<std::string>{"Pr\xC3\xBC" "fung \xC3\x96l.krv", "Rohe \xC0\xFF Bytes.krv",
                                                         "zwischen.krv", Utf8(u8"\u0141\u00f3d\u017a")}));
}

}  // namespace
