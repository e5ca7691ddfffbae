#include <cstdlib>

#include "app/Zuletzt.h"
#include "editor/Editor.h"
#include "model/Verlauf.h"
#include "platform/Datei.h"

namespace {

// The program started with a user folder of its own, so that the list of
// recent files starts empty and can be looked at.
class RecentFiles : public AppTest {
protected:
    void SetUp() override {
        const char* alt = std::getenv("XDG_CONFIG_HOME");
        altesXdg_ = alt ? alt : "";
        setenv("XDG_CONFIG_HOME", benutzer.Pfad().c_str(), 1);
        ASSERT_EQ(Start(), 0);
        Schreiben(dateien.Datei("vorlage.krv"), GueltigeDatei());
    }
    void TearDown() override {
        setenv("XDG_CONFIG_HOME", altesXdg_.c_str(), 1);
        AppTest::TearDown();
    }

    std::string Datei(int n) {
        std::string pfad = dateien.Datei("p" + std::to_string(n) + ".krv");
        if (!std::filesystem::exists(pfad)) Schreiben(pfad, GueltigeDatei(n % 16, n));
        return pfad;
    }
    void Oeffnen(const std::string& pfad) {
        ui->AnswerFileSelect(VAL_EXISTING_FILE_SELECTED, pfad);
        ChooseMenu(panelHandle, MENU_DATEI_OEFFNEN);
        ASSERT_EQ(std::string(gDateiname), pfad);
    }
    std::vector<std::string> Menue() {
        std::vector<std::string> punkte;
        const int menue = GetPanelMenuBar(panelHandle);
        for (int i = 0; i < kZuletztPlaetze; ++i) {
            int sichtbar = 0;
            GetMenuBarAttribute(menue, MENU_DATEI_ZULETZT_1 + i, ATTR_VISIBLE, sichtbar);
            if (!sichtbar) continue;
            std::string text;
            GetMenuBarAttribute(menue, MENU_DATEI_ZULETZT_1 + i, ATTR_ITEM_NAME, text);
            punkte.push_back(text);
        }
        return punkte;
    }
    std::string Listendatei() { return benutzer.Pfad() + "/krv4steuerung/zuletzt.txt"; }

    Testverzeichnis benutzer, dateien;

private:
    std::string altesXdg_;
};

TEST_F(RecentFiles, NewestFirstWithoutDuplicatesAtMostEightNumberedWithAccessKeys) {
    EXPECT_TRUE(MenuDimmed(panelHandle, MENU_DATEI_ZULETZT));
    EXPECT_TRUE(Menue().empty());
    for (int n = 1; n <= 10; ++n) Oeffnen(Datei(n));
    Oeffnen(Datei(4));  // again: moves to the top
    EXPECT_FALSE(MenuDimmed(panelHandle, MENU_DATEI_ZULETZT));
    const std::vector<int> erwartet = {4, 10, 9, 8, 7, 6, 5, 3};
    std::vector<std::string> menue = Menue();
    ASSERT_EQ(menue.size(), erwartet.size());
    for (std::size_t i = 0; i < erwartet.size(); ++i)
        EXPECT_EQ(menue[i], "__" + std::to_string(i + 1) + " " + Datei(erwartet[i]));
}

TEST_F(RecentFiles, SavingCountsAsWellAndTheListSurvivesARestart) {
    Oeffnen(Datei(1));
    ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, dateien.Datei("neu.krv"));
    ChooseMenu(panelHandle, MENU_DATEI_SPEICHERNUNTER);
    const std::vector<std::string> liste = {dateien.Datei("neu.krv"), Datei(1)};
    EXPECT_EQ(ZuletztListe(), liste);
    const std::string text = liste[0] + "\n" + liste[1] + "\n";
    EXPECT_EQ(Lesen(Listendatei()), Bytes(text.begin(), text.end()));

    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(ZuletztListe(), liste);
    EXPECT_EQ(Menue().at(0), "__1 " + liste[0]);
}

TEST_F(RecentFiles, ChoosingOneAsksTheUnsavedQuestionFirstAndOpensItWithAFreshHistory) {
    Oeffnen(Datei(2));
    Oeffnen(Datei(3));
    Operate(panelHandle, PANEL_NETZGERAETU, 5.0);
    ui->AnswerGeneric(3);  // "Abbrechen": nothing happens
    ChooseMenu(panelHandle, MENU_DATEI_ZULETZT_1 + 1);
    EXPECT_EQ(std::string(gDateiname), Datei(3));
    EXPECT_EQ(ui->Shown().back().title, "Datei speichern");

    ui->AnswerGeneric(2);  // "Nein": drop the edit, open
    ChooseMenu(panelHandle, MENU_DATEI_ZULETZT_1 + 1);
    EXPECT_EQ(std::string(gDateiname), Datei(2));
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_EQ(VerlaufAnzahl(), 1);
    EXPECT_EQ(ZuletztListe().front(), Datei(2));
}

TEST_F(RecentFiles, AFileThatIsGoneLeavesTheListWithAMessage) {
    Oeffnen(Datei(5));
    Oeffnen(Datei(6));
    Operate(panelHandle, PANEL_NETZGERAETU, 5.0);
    std::filesystem::remove(Datei(5));
    ui->AnswerMessage();
    ChooseMenu(panelHandle, MENU_DATEI_ZULETZT_1 + 1);  // no question: nothing would be opened
    ASSERT_EQ(ui->Shown().back().title, "Zuletzt geöffnet");
    EXPECT_NE(ui->Shown().back().message.find(dateien.Datei("p5.krv")), std::string::npos);
    EXPECT_EQ(ZuletztListe(), (std::vector<std::string>{Datei(6)}));
    EXPECT_EQ(Menue().size(), 1u);
    EXPECT_TRUE(gDatenGeaendert);
    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(ZuletztListe(), (std::vector<std::string>{Datei(6)}));
}

TEST_F(RecentFiles, AFileNameIsShownInTheProgramsCodePage) {
    // The system's name is UTF-8; menu and message show code page 1252.
    const std::string name = reinterpret_cast<const char*>(u8"Prüfplan Öl.krv");
    const std::string pfad = dateien.Datei(name);
    Schreiben(pfad, GueltigeDatei());
    Oeffnen(pfad);
    Oeffnen(Datei(1));
    const std::string gezeigt = pfad.substr(0, pfad.size() - name.size()) + "Pr\xFC" "fplan \xD6l.krv";
    EXPECT_EQ(Menue().at(1), "__2 " + gezeigt);
    EXPECT_EQ(ZuletztListe().at(1), pfad);

    std::filesystem::remove(pfad);
    ui->AnswerMessage();
    ChooseMenu(panelHandle, MENU_DATEI_ZULETZT_1 + 1);
    ASSERT_EQ(ui->Shown().back().title, "Zuletzt geöffnet");
    EXPECT_NE(ui->Shown().back().message.find(gezeigt), std::string::npos);
}

TEST_F(RecentFiles, AListFileOfAnyBytesGivesOnlyPathsThatCanBeOnes) {
    std::filesystem::create_directories(benutzer.Pfad() + "/krv4steuerung");
    std::string text = "/a.krv\r\n\n/b\x01.krv\n" + std::string(kPfadMax, 'x') + "\n/a.krv\n/c.krv";
    for (int i = 0; i < 20; ++i) text += "\n/d" + std::to_string(i) + ".krv";
    Schreiben(Listendatei(), Bytes(text.begin(), text.end()));
    ASSERT_EQ(Start(), 0);
    std::vector<std::string> liste = ZuletztListe();
    ASSERT_EQ(liste.size(), 8u);
    EXPECT_EQ(liste[0], "/a.krv");
    EXPECT_EQ(liste[1], "/c.krv");
    EXPECT_EQ(liste[7], "/d5.krv");

    Schreiben(Listendatei(), Bytes(100 * 1024, '/'));  // no list this program wrote
    ASSERT_EQ(Start(), 0);
    EXPECT_TRUE(ZuletztListe().empty());
}

}  // namespace
