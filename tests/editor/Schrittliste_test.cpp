#include "editor/Editor.h"
#include "model/Schrittbearbeitung.h"
#include "model/Schrittliste.h"

namespace {

class StepListTest : public AppTest {
protected:
    // Steps named A, B, C, ... each with its own supply voltage 1, 2, 3, ...
    void Schritte(int anzahl) {
        for (int i = 0; i < anzahl; ++i) {
            if (i > 0) Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
            Operate(panelHandle, PANEL_NETZGERAETU, static_cast<double>(i + 1));
            NameSetzen(gPruefschritte[i].name, std::string(1, static_cast<char>('A' + i)).c_str());
        }
        PruefschrittlisteAktualisieren();
        AlsGespeichertSetzen();
    }
    static std::string Reihenfolge() {
        std::string s;
        for (int i = 0; i < gPSanzahl; ++i) s += gPruefschritte[i].name;
        return s;
    }
    void Waehlen(int index) { OperateIndex(panelHandle, PANEL_LISTBOX, index); }
    void ExpectOnlyMessage(const char* titel, const char* text) {
        ASSERT_EQ(ui->Shown().size(), 1u);
        EXPECT_EQ(ui->Shown()[0].title, titel);
        EXPECT_EQ(ui->Shown()[0].message, text);
    }
};

TEST_F(StepListTest, TenStepsRefuseNewAndPasteAndLeaveTheList) {
    Schritte(10);
    Press(panelHandle, PANEL_PRUEFSCHRITTKOPIEREN);
    for (int knopf : {PANEL_PRUEFSCHRITTNEU, PANEL_PRUEFSCHRITTEINFUEGEN}) {
        SCOPED_TRACE(knopf);
        ui->ClearShown();
        std::vector<std::string> vorher = Items(panelHandle, PANEL_LISTBOX);
        ui->AnswerMessage();
        Press(panelHandle, knopf);
        ExpectOnlyMessage("Hinweis", "Keine weiteren Prüfschritte möglich");
        EXPECT_EQ(gPSanzahl, 10);
        EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX), vorher);
    }
}

TEST_F(StepListTest, TheLastStepCannotBeDeleted) {
    ui->AnswerMessage();
    Press(panelHandle, PANEL_PRUEFSCHRITTLOESCHEN);
    ExpectOnlyMessage("Hinweis", "Letzter Prüfschritt kann nicht gelöscht werden");
    EXPECT_EQ(gPSanzahl, 1);
}

TEST_F(StepListTest, DeletingSelectsTheStepThatTookTheSlotOrTheNewLast) {
    const struct {
        int geloescht;
        const char* danach;
        int auswahl;
    } faelle[] = {{0, "BCD", 0}, {1, "ACD", 1}, {3, "ABC", 2}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.geloescht);
        ASSERT_EQ(Start(), 0);
        Schritte(4);
        Waehlen(f.geloescht);
        Press(panelHandle, PANEL_PRUEFSCHRITTLOESCHEN);
        EXPECT_EQ(Reihenfolge(), f.danach);
        EXPECT_EQ(gPSindex, f.auswahl);
        EXPECT_EQ(Int(panelHandle, PANEL_LISTBOX), f.auswahl);
        EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_NETZGERAETU), f.danach[f.auswahl] - 'A' + 1);
        EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX).size(), 3u);
        EXPECT_TRUE(gDatenGeaendert);
    }
}

TEST_F(StepListTest, MovingSwapsWithTheNeighbourAndTheSelectionMovesAlong) {
    const struct {
        int knopf;
        int auswahl;
        const char* danach;
        int neueAuswahl;
    } faelle[] = {
        {PANEL_PRUEFSCHRITTAUFWAERTS, 1, "BAC", 0}, {PANEL_PRUEFSCHRITTABWAERTS, 1, "ACB", 2},
        {PANEL_PRUEFSCHRITTAUFWAERTS, 0, "ABC", 0},  // first stays first
        {PANEL_PRUEFSCHRITTABWAERTS, 2, "ABC", 2},   // last stays last
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.danach);
        ASSERT_EQ(Start(), 0);
        Schritte(3);
        Waehlen(f.auswahl);
        Press(panelHandle, f.knopf);
        EXPECT_EQ(Reihenfolge(), f.danach);
        EXPECT_EQ(gPSindex, f.neueAuswahl);
        EXPECT_EQ(Int(panelHandle, PANEL_LISTBOX), f.neueAuswahl);
        EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX)[f.neueAuswahl], std::string(1, f.danach[f.neueAuswahl]));
        EXPECT_DOUBLE_EQ(gPruefschritte[f.neueAuswahl].netzgeraetU, f.danach[f.neueAuswahl] - 'A' + 1);
        EXPECT_TRUE(gDatenGeaendert);  // even when nothing moved
    }
}

TEST_F(StepListTest, PasteAppendsACopyNamedNeueKopieAndCopyMarksTheData) {
    Schritte(3);
    Waehlen(1);
    Operate(panelHandle, PANEL_MESSWARTEZEIT, 42);
    std::memset(gPruefschritte[1].fuellbytes2, 0x5A, 4);
    Pruefschritt kopiert = gPruefschritte[1];
    AlsGespeichertSetzen();
    ASSERT_EQ(Attribute(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN, ATTR_DIMMED), 1);

    Press(panelHandle, PANEL_PRUEFSCHRITTKOPIEREN);
    EXPECT_TRUE(gDatenGeaendert);
    EXPECT_EQ(Attribute(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN, ATTR_DIMMED), 0);

    Waehlen(0);
    Press(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN);
    ASSERT_EQ(gPSanzahl, 4);
    EXPECT_EQ(gPSindex, 3);
    EXPECT_STREQ(gPruefschritte[3].name, "neue Kopie");
    EXPECT_EQ(std::memcmp(&gPruefschritte[3].netzgeraetAktiv, &kopiert.netzgeraetAktiv, 128 - 24), 0);
    EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX), (std::vector<std::string>{"A", "B", "C", "neue Kopie"}));
    EXPECT_EQ(Int(panelHandle, PANEL_MESSWARTEZEIT), 42);
}

struct Namensfall {
    const char* name;
    std::string eingabe;
    std::string ergebnis;  // empty: refused, the old name stays
};

void PrintTo(const Namensfall& f, std::ostream* os) { *os << f.name; }

class RenameTest : public AppTest, public ::testing::WithParamInterface<Namensfall> {};

TEST_P(RenameTest, StepNameIsCleanedOrRefused) {
    const Namensfall& f = GetParam();
    NameSetzen(gPruefschritte[0].name, "alter Name");
    PruefschrittlisteAktualisieren();
    std::string prompt, vorgabe;
    int laenge = 0;
    ui->Later([&] {
        prompt = Label(stringPanelHandle, STRINGPNL_STRING);
        vorgabe = Text(stringPanelHandle, STRINGPNL_STRING);
        laenge = Attribute(stringPanelHandle, STRINGPNL_STRING, ATTR_MAX_ENTRY_LENGTH);
    });
    NameTippen(*ui, f.eingabe);
    if (f.ergebnis.empty()) ui->AnswerMessage();

    Press(panelHandle, PANEL_PRUEFSCHRITTUMBENENNE);

    EXPECT_EQ(prompt, "Prüfschritt umbenennen");
    EXPECT_EQ(vorgabe, "alter Name");
    EXPECT_EQ(laenge, 20);
    std::string erwartet = f.ergebnis.empty() ? "alter Name" : f.ergebnis;
    EXPECT_EQ(Schrittname(0), erwartet);
    EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX), std::vector<std::string>{erwartet});
    if (f.ergebnis.empty()) {
        ASSERT_EQ(ui->Shown().size(), 1u);
        EXPECT_EQ(ui->Shown()[0].title, "Fehler");
        EXPECT_EQ(ui->Shown()[0].message, "Prüfschrittname ungültig");
    } else {
        EXPECT_TRUE(ui->Shown().empty());
    }
    EXPECT_TRUE(ui->InstalledPopups().empty());
    EXPECT_TRUE(gDatenGeaendert);
}

INSTANTIATE_TEST_SUITE_P(
    Faelle, RenameTest,
    ::testing::Values(Namensfall{"Umlaute", "Prüfung Öl", "Prüfung Öl"},
                      Namensfall{"Zeichen128bis255", "€ß±é\xff", "€ß±é\xff"},
                      Namensfall{"nurLeerzeichen", "   ", ""}, Namensfall{"leer", "", ""},
                      Namensfall{"Tabulator", "Druck\ttest", "Druck test"},
                      Namensfall{"TabulatorVorne", "\tDruck", ""},
                      Namensfall{"Steuerzeichen", "a\x01" "b\x7f" "c\n", "a b c "},
                      Namensfall{"NullImText", std::string("a\0b", 3), "a b"},
                      Namensfall{"LueckenIn1252", "x\x81\x8d\x8f\x90\x9dy", "x     y"},
                      Namensfall{"GeschuetztesLeerzeichenInnen", "10\xa0mbar", "10\xa0mbar"},
                      Namensfall{"GeschuetztesLeerzeichenVorne", "\xa0x", ""},
                      Namensfall{"ZwanzigZeichen", "1234567890123456789012345", "12345678901234567890"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StepListTest, OnlyEnterEndsTheNameInput) {
    ui->Later([] { KeyPress(stringPanelHandle, STRINGPNL_STRING, 'a'); });
    ui->Later([] { ClosePanel(stringPanelHandle); });
    NameTippen(*ui, "neu");
    Press(panelHandle, PANEL_PRUEFSCHRITTUMBENENNE);
    EXPECT_EQ(ui->PendingActions(), 0u);
    EXPECT_EQ(Schrittname(0), "neu");
}

TEST_F(StepListTest, ProgramRenameChangesNameAndListItem) {
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 2);
    AlsGespeichertSetzen();
    std::string prompt;
    ui->Later([&] { prompt = Label(stringPanelHandle, STRINGPNL_STRING); });
    NameTippen(*ui, "Dichtheit");
    ChooseMenu(panelHandle, MENU_PROGRAMM_UMBENENNEN);
    EXPECT_EQ(prompt, "Programm umbenennen");
    EXPECT_STREQ(gProg[2].name, "Dichtheit");
    EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE)[2], "3 - Dichtheit");
    EXPECT_EQ(Int(panelHandle, PANEL_PROGRAMMLISTE), 2);
    EXPECT_TRUE(gDatenGeaendert);

    NameTippen(*ui, " x");
    ui->AnswerMessage();
    ChooseMenu(panelHandle, MENU_PROGRAMM_UMBENENNEN);
    ExpectOnlyMessage("Fehler", "Programmname ungültig");
    EXPECT_STREQ(gProg[2].name, "Dichtheit");
}

TEST_F(StepListTest, ProgramCopyAndPasteNamesTheCopyAfterItsSource) {
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 2);
    Schritte(3);
    Waehlen(1);
    Bytes quelle(reinterpret_cast<unsigned char*>(gPruefschritte), reinterpret_cast<unsigned char*>(gPruefschritte + 3));
    ASSERT_TRUE(MenuDimmed(panelHandle, MENU_PROGRAMM_EINFUEGEN));

    ChooseMenu(panelHandle, MENU_PROGRAMM_KOPIEREN);
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_FALSE(MenuDimmed(panelHandle, MENU_PROGRAMM_EINFUEGEN));

    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 4);
    EXPECT_FALSE(gDatenGeaendert);
    ChooseMenu(panelHandle, MENU_PROGRAMM_EINFUEGEN);
    EXPECT_TRUE(gDatenGeaendert);
    EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE)[4], "5 - Kopie von Prog 3");
    EXPECT_STREQ(gProg[4].name, "Kopie von Prog 3");
    EXPECT_EQ(gPSanzahl, 3);
    EXPECT_EQ(gPSindex, 1);
    EXPECT_EQ(std::memcmp(gPruefschritte, quelle.data(), quelle.size()), 0);
    EXPECT_EQ(Items(panelHandle, PANEL_LISTBOX), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_NETZGERAETU), 2.0);

    // The pasted steps reach the table at the next switch; the source is untouched.
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 0);
    EXPECT_EQ(gProg[4].psAnzahl, 3);
    EXPECT_EQ(std::memcmp(gProg[4].schritte, quelle.data(), quelle.size()), 0);
    EXPECT_EQ(std::memcmp(gProg[2].schritte, quelle.data(), quelle.size()), 0);
    EXPECT_STREQ(gProg[2].name, "Programm 3");
}

TEST_F(StepListTest, ProgramPasteWithNothingCopiedRefuses) {
    // The menu item is dimmed until a copy; made usable by other means it still refuses.
    SetMenuBarAttribute(GetPanelMenuBar(panelHandle), MENU_PROGRAMM_EINFUEGEN, ATTR_DIMMED, 0);
    Zustand vorher = Zustand::Jetzt();
    ui->AnswerMessage();
    ChooseMenu(panelHandle, MENU_PROGRAMM_EINFUEGEN);
    ExpectOnlyMessage("Hinweis", "Kein Prüfschritt zum Einfügen vorhanden");
    EXPECT_EQ(Zustand::Jetzt(), vorher);
}

TEST_F(StepListTest, StepPasteWithNothingCopiedRefuses) {
    SetCtrlAttribute(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN, ATTR_DIMMED, 0);
    ui->AnswerMessage();
    Press(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN);
    ExpectOnlyMessage("Hinweise", "Kein Prüfschritt zum Einfügen vorhanden");
    EXPECT_EQ(gPSanzahl, 1);
}

TEST_F(StepListTest, CopyBuffersSurviveNew) {
    Schritte(2);
    Press(panelHandle, PANEL_PRUEFSCHRITTKOPIEREN);
    ChooseMenu(panelHandle, MENU_PROGRAMM_KOPIEREN);
    ui->AnswerGeneric(2);  // "Nein": the step copy counts as a change
    ChooseMenu(panelHandle, MENU_DATEI_NEU);
    ASSERT_EQ(gPSanzahl, 1);
    ui->ClearShown();
    Press(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN);
    EXPECT_STREQ(gPruefschritte[1].name, "neue Kopie");
    EXPECT_DOUBLE_EQ(gPruefschritte[1].netzgeraetU, 2.0);
    ChooseMenu(panelHandle, MENU_PROGRAMM_EINFUEGEN);
    EXPECT_EQ(Reihenfolge(), "AB");
    EXPECT_TRUE(ui->Shown().empty());
}

}  // namespace
