// File names from the dialog and the command line to the disk, on every
// system the program runs on: umlaut folders, names code page 1252 cannot
// show, paths longer than 260 bytes.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "storage/Dateifunktionen.h"
#include "support/AppFixture.h"
#include "support/Pfade.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

namespace fs = std::filesystem;

namespace {

std::string Utf8(const fs::path& p) {
    std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
}

class Dateipfade : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        wurzel_ = fs::temp_directory_path() / ("krv4-pfade-" + std::to_string(std::rand()));
    }
    void TearDown() override {
        OrdnerEntfernen(wurzel_);
        AppTest::TearDown();
    }
    fs::path wurzel_;
};

TEST_F(Dateipfade, ADataFileOpensAndSavesUnderAnyFolderThroughDialogAndCommandLine) {
    fs::path tief = u8"\u0141\u00f3d\u017a";
    for (char c : {'a', 'b', 'c'}) tief /= std::string(90, c);
    struct Fall {
        fs::path ordner, name;
        const char* titel;
    } faelle[] = {
        {u8"Pr\u00fcfprogramme", u8"\u00d6l.krv", "KRV4 Steuerung - Öl.krv"},
        {tief, u8"\u00d6l \u65e5\u672c.krv", "KRV4 Steuerung - Öl ??.krv"},
    };
    for (const Fall& f : faelle) {
        fs::path ordner = wurzel_ / f.ordner;
        ASSERT_TRUE(OrdnerAnlegen(ordner));
        const std::string pfad = Utf8(ordner / f.name);
        SCOPED_TRACE(pfad);
        std::snprintf(gProg[3].name, sizeof gProg[3].name, "%s", "Ölstand");
        ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, pfad);
        ChooseMenu(panelHandle, MENU_DATEI_SPEICHERNUNTER);
        ASSERT_EQ(ui->Shown().size(), 1u) << ui->Shown().back().title;
        ui->ClearShown();
        EXPECT_EQ(fs::file_size(Erreichbar(ordner / f.name)), kDatenblockGroesse);
        EXPECT_EQ(Title(panelHandle), f.titel);

        // Saved again under its name, then opened from the command line.
        ChooseMenu(panelHandle, MENU_DATEI_SPEICHERN);
        EXPECT_TRUE(ui->Shown().empty());
        ProgrammspeicherZuruecksetzen();
        ASSERT_EQ(Start({pfad}), 0);
        EXPECT_TRUE(ui->Shown().empty()) << ui->Shown().front().title;
        EXPECT_EQ(gDateiname, pfad);
        EXPECT_STREQ(gProg[3].name, "Ölstand");
        EXPECT_EQ(Title(panelHandle), f.titel);
        ChooseMenu(panelHandle, MENU_DATEI_SPEICHERN);
        EXPECT_TRUE(ui->Shown().empty());
        EXPECT_EQ(Ordnerinhalt(ordner), std::vector<fs::path>{f.name});
    }
}

}  // namespace
