#include <string>
#include <vector>

#include "support/AppFixture.h"
#include "toolkit/Headless.h"
#include "toolkit/PanelDef.h"

namespace {

struct Ereignis {
    int control;
    int event;
    int data1;
};
std::vector<Ereignis> gEreignisse;
std::vector<int> gMenues;

int Aufzeichnen(int, int control, int event, void*, int data1, int) {
    gEreignisse.push_back({control, event, data1});
    return 0;
}

int PanelAufzeichnen(int, int event, void*, int, int) {
    gEreignisse.push_back({0, event, 0});
    return 0;
}

void MenueAufzeichnen(int, int item, void*, int) { gMenues.push_back(item); }

enum { ZAHL = 2, SCHALTER, KNOPF, LISTE, TEXT, BILD, UHR, GESPERRT, ANZEIGE };
constexpr ListItemDef kBilder[] = {{"aus", -1}, {"an", 1}};
constexpr ListItemDef kAuswahl[] = {{"eins", 10}, {"zwei", 20}};

const ControlDef kControls[] = {
    {.id = ZAHL, .name = "ZAHL", .kind = CtrlKind::Numeric, .type = ValueType::Double, .initial = 1.0,
     .min = 0.0, .max = 33.0, .decimals = 2, .callback = Aufzeichnen},
    {.id = SCHALTER, .name = "SCHALTER", .kind = CtrlKind::Toggle, .label = "aus", .type = ValueType::Int,
     .callback = Aufzeichnen, .onText = "an"},
    {.id = KNOPF, .name = "KNOPF", .kind = CtrlKind::Command, .label = "OK", .callback = Aufzeichnen},
    {.id = LISTE, .name = "LISTE", .kind = CtrlKind::Ring, .type = ValueType::Int, .callback = Aufzeichnen,
     .items = kAuswahl, .initialIndex = 1},
    {.id = TEXT, .name = "TEXT", .kind = CtrlKind::String, .type = ValueType::Text, .callback = Aufzeichnen,
     .maxEntryLength = 5},
    {.id = BILD, .name = "BILD", .kind = CtrlKind::PictureRing, .type = ValueType::Int, .callback = Aufzeichnen,
     .items = kBilder},
    {.id = UHR, .name = "UHR", .kind = CtrlKind::Timer, .callback = Aufzeichnen, .interval = 0.5},
    {.id = GESPERRT, .name = "GESPERRT", .kind = CtrlKind::Command, .dimmed = true, .callback = Aufzeichnen},
    {.id = ANZEIGE, .name = "ANZEIGE", .kind = CtrlKind::Numeric, .type = ValueType::Int, .indicator = true},
};

const MenuItemDef kItems[] = {{3, "NEU", "Neu", MenueAufzeichnen}, {4, "WEG", "Weg", MenueAufzeichnen, true}};
const MenuDef kMenus[] = {{2, "DATEI", "Datei", kItems}};
const MenuBarDef kMenuBar = {1, "MENU", kMenus};

const PanelDef kPanels[] = {
    {.resourceId = 1, .name = "HAUPT", .title = "Haupt", .callback = PanelAufzeichnen, .controls = kControls,
     .menuBar = &kMenuBar},
    {.resourceId = 2, .name = "NEBEN", .title = "Neben", .controls = kControls},
};
const PanelFileDef kFile = {"probe.uir", kPanels};

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui = &FreshHeadlessToolkit();
        RegisterPanelFile(kFile);
        haupt = LoadPanel(0, "probe.uir", 1);
        neben = LoadPanel(haupt, "probe.uir", 2);
        ASSERT_GT(haupt, 0);
        ASSERT_GT(neben, 0);
        DisplayPanel(haupt);
        gEreignisse.clear();
        gMenues.clear();
    }
    HeadlessBackend* ui = nullptr;
    int haupt = 0, neben = 0;
};

TEST_F(HeadlessTest, PersonsEditFiresValueChangedThenCommitWithTheNewValue) {
    double gelesen = 0;
    gEreignisse.clear();
    Operate(haupt, ZAHL, 12.5);
    ASSERT_EQ(gEreignisse.size(), 2u);
    EXPECT_EQ(gEreignisse[0].event, EVENT_VAL_CHANGED);
    EXPECT_EQ(gEreignisse[1].event, EVENT_COMMIT);
    GetCtrlVal(haupt, ZAHL, gelesen);
    EXPECT_DOUBLE_EQ(gelesen, 12.5);

    Operate(haupt, ZAHL, 99.0);  // the field keeps its range, as the widget does
    GetCtrlVal(haupt, ZAHL, gelesen);
    EXPECT_DOUBLE_EQ(gelesen, 33.0);
}

TEST_F(HeadlessTest, SettingFromCodeFiresNothing) {
    SetCtrlVal(haupt, ZAHL, 3.0);
    SetCtrlVal(haupt, LISTE, 10);
    SetCtrlVal(haupt, TEXT, "abc");
    EXPECT_TRUE(gEreignisse.empty());
}

TEST_F(HeadlessTest, ButtonsKeysClicksAndTogglesFireTheirEvents) {
    Press(haupt, KNOPF);
    KeyPress(haupt, TEXT, VAL_ENTER_VKEY);
    Click(haupt, BILD);
    Toggle(haupt, SCHALTER);
    ASSERT_EQ(gEreignisse.size(), 5u);
    EXPECT_EQ(gEreignisse[0].event, EVENT_COMMIT);
    EXPECT_EQ(gEreignisse[1].event, EVENT_KEYPRESS);
    EXPECT_EQ(gEreignisse[1].data1, 1280);
    EXPECT_EQ(gEreignisse[2].event, EVENT_LEFT_CLICK);
    EXPECT_EQ(gEreignisse[4].event, EVENT_COMMIT);
    int an = 0;
    GetCtrlVal(haupt, SCHALTER, an);
    EXPECT_EQ(an, 1);
}

TEST_F(HeadlessTest, RingValueIsTheSelectedItemsValue) {
    int v = 0;
    GetCtrlVal(haupt, LISTE, v);
    EXPECT_EQ(v, 20);
    EXPECT_EQ(SetCtrlVal(haupt, LISTE, 10), 0);
    GetCtrlVal(haupt, LISTE, v);
    EXPECT_EQ(v, 10);
    EXPECT_LT(SetCtrlVal(haupt, LISTE, 77), 0);  // no such item: the selection stays
    GetCtrlVal(haupt, LISTE, v);
    EXPECT_EQ(v, 10);
    InsertListItem(haupt, LISTE, 0, "null", 0);  // the selection moves with its item
    GetCtrlVal(haupt, LISTE, v);
    EXPECT_EQ(v, 10);
}

TEST_F(HeadlessTest, TypedTextIsCutToTheMaximumEntryLength) {
    OperateText(haupt, TEXT, "abcdefgh");
    std::string text;
    GetCtrlVal(haupt, TEXT, text);
    EXPECT_EQ(text, "abcde");
}

TEST_F(HeadlessTest, WhatAPersonCannotDoFailsLoudly) {
    EXPECT_THROW(Press(haupt, GESPERRT), HeadlessFailure);
    EXPECT_THROW(Operate(haupt, ANZEIGE, 1), HeadlessFailure);
    EXPECT_THROW(Operate(neben, ZAHL, 1.0), HeadlessFailure);  // panel not shown
    EXPECT_THROW(Tick(haupt, UHR), HeadlessFailure);           // timer disabled
    EXPECT_THROW(ChooseMenu(haupt, 4), HeadlessFailure);       // dimmed item
    EXPECT_THROW(MessagePopup("Hinweis", "unerwartet"), HeadlessFailure);
    int v = 0;
    EXPECT_THROW(GetCtrlVal(haupt, TEXT, v), HeadlessFailure);  // wrong value type
    EXPECT_TRUE(gEreignisse.empty());
}

TEST_F(HeadlessTest, ModalPopupKeepsOtherPanelsOutOfReach) {
    InstallPopup(neben);
    EXPECT_THROW(Press(haupt, KNOPF), HeadlessFailure);
    Press(neben, KNOPF);
    RemovePopup(0);
    Press(haupt, KNOPF);
    EXPECT_EQ(gEreignisse.size(), 2u);
}

TEST_F(HeadlessTest, TimerTicksOnlyWhileEnabled) {
    SetCtrlAttribute(haupt, UHR, ATTR_ENABLED, 1);
    Tick(haupt, UHR);
    ASSERT_EQ(gEreignisse.size(), 1u);
    EXPECT_EQ(gEreignisse[0].event, EVENT_TIMER_TICK);
    SetCtrlAttribute(haupt, UHR, ATTR_ENABLED, 0);
    EXPECT_THROW(Tick(haupt, UHR), HeadlessFailure);
}

TEST_F(HeadlessTest, PopupsTakeTheQueuedAnswersAndAreRecorded) {
    ui->AnswerGeneric(2);
    ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, "/tmp/a.krv");
    EXPECT_EQ(GenericMessagePopup("Frage", "Text", "Ja", "Nein", "Abbrechen", 1, 1, 3), 2);
    std::string pfad;
    EXPECT_EQ(FileSelectPopup("", "*.krv", "*.krv", "Speichern", VAL_SAVE_BUTTON, 0, 1, 1, 1, pfad),
              VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(pfad, "/tmp/a.krv");
    ASSERT_EQ(ui->Shown().size(), 2u);
    EXPECT_EQ(ui->Shown()[0].buttons, (std::vector<std::string>{"Ja", "Nein", "Abbrechen"}));
    EXPECT_EQ(ui->Shown()[0].escapeButton, 3);
    EXPECT_TRUE(ui->Shown()[1].fileSelect.restrictExtension);

    ui->AnswerMessage();  // a file dialog now would be the wrong pop-up
    EXPECT_THROW(FileSelectPopup("", "", "", "Öffnen", VAL_LOAD_BUTTON, 0, 0, 1, 0, pfad), HeadlessFailure);
}

TEST_F(HeadlessTest, EventLoopDeliversQueuedActionsAndNeverWaitsForEver) {
    ui->Later([this] { Press(haupt, KNOPF); });
    ui->Later([this] { ChooseMenu(haupt, 3); });
    ui->Later([this] { ClosePanel(haupt); });
    ui->Later([] { QuitUserInterface(7); });
    EXPECT_EQ(RunUserInterface(), 7);
    EXPECT_EQ(gMenues, std::vector<int>{3});
    ASSERT_EQ(gEreignisse.size(), 2u);
    EXPECT_EQ(gEreignisse[1].event, EVENT_CLOSE);

    EXPECT_THROW(RunUserInterface(), HeadlessFailure);    // nothing queued
    EXPECT_THROW(WaitForSystemEvent(), HeadlessFailure);  // nothing queued
}

TEST_F(HeadlessTest, ProcessSystemEventsHandlesOnlyWhatIsPending) {
    ui->Later([this] {
        Press(haupt, KNOPF);
        ui->Later([this] { Press(haupt, KNOPF); });
    });
    ProcessSystemEvents();
    EXPECT_EQ(gEreignisse.size(), 1u);
    EXPECT_EQ(ui->PendingActions(), 1u);
    WaitForSystemEvent();
    EXPECT_EQ(gEreignisse.size(), 2u);
}

TEST(SplitPathTest, DirectoryKeepsItsSeparator) {
    std::string laufwerk, verzeichnis, datei;
    SplitPath("/home/pruef/daten/test.krv", laufwerk, verzeichnis, datei);
    EXPECT_EQ(laufwerk, "");
    EXPECT_EQ(verzeichnis, "/home/pruef/daten/");
    EXPECT_EQ(datei, "test.krv");
    SplitPath("Unbenannt", laufwerk, verzeichnis, datei);
    EXPECT_EQ(verzeichnis, "");
    EXPECT_EQ(datei, "Unbenannt");
}

// A path past the old limit of 260 bytes splits whole.
TEST(SplitPathTest, LongPathsAndTheSystemsSeparators) {
    std::string laufwerk, verzeichnis, datei;
    const std::string tief = "/" + std::string(200, 'a') + "/" + std::string(200, 'b') + "/";
    SplitPath((tief + "\xC3\x96l.krv").c_str(), laufwerk, verzeichnis, datei);
    EXPECT_EQ(verzeichnis, tief);
    EXPECT_EQ(datei, "\xC3\x96l.krv");
}

// On Windows the drive comes apart and a backslash separates as well; on
// POSIX a backslash is a character of the name.
TEST(SplitPathTest, WindowsPathsByTheirSystem) {
    const struct {
        const char* pfad;
        const char *laufwerk, *verzeichnis, *datei;
    } faelle[] = {
#ifdef _WIN32
        {"C:\\Users\\pruef\\Auftrag.krv", "C:", "\\Users\\pruef\\", "Auftrag.krv"},
        {"d:/daten/test.krv", "d:", "/daten/", "test.krv"},
        {"C:Auftrag.krv", "C:", "", "Auftrag.krv"},
        {"\\\\server\\freigabe\\a.krv", "", "\\\\server\\freigabe\\", "a.krv"},
#else
        {"C:\\Users\\Auftrag.krv", "", "", "C:\\Users\\Auftrag.krv"},
        {"/daten/a\\b.krv", "", "/daten/", "a\\b.krv"},
#endif
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.pfad);
        std::string laufwerk, verzeichnis, datei;
        SplitPath(f.pfad, laufwerk, verzeichnis, datei);
        EXPECT_EQ(laufwerk, f.laufwerk);
        EXPECT_EQ(verzeichnis, f.verzeichnis);
        EXPECT_EQ(datei, f.datei);
    }
}

}  // namespace
