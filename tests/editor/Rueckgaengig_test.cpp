#include <functional>

#include "editor/Editor.h"
#include "model/Verlauf.h"
#include "panels/Direkttest.h"

namespace {

// Every step control of the main panel, as a person reads it off the screen.
constexpr int kSchrittZahlen[] = {
    PANEL_NETZGERAETU,       PANEL_NETZGERAETI,       PANEL_IMPULSEINSCHALTZEIT, PANEL_IMPULSAUSSCHALTZEIT,
    PANEL_UNTERERGRENZWERT,  PANEL_OBERERGRENZWERT,
};
constexpr int kSchrittSchalter[] = {
    PANEL_NETZGERAETAKTIV, PANEL_IMPULSAKTIV,    PANEL_IMPULSZYKLEN,  PANEL_MESSWARTEZEIT, PANEL_MESSENBISWEITER,
    PANEL_DIFFERENZMESSUNG, PANEL_DRUCKAKTIV,    PANEL_VAKUUMAKTIV,   PANEL_FLOWAKTIV,     PANEL_RPGAKTIV,
    PANEL_SPANNUNGAKTIV,   PANEL_STROMAKTIV,     PANEL_RPGMESSBEREICH, PANEL_GUTINNERHALB, PANEL_GUTAUSSERHALB,
    PANEL_GRENZENGUT,      PANEL_K_OEFFNUNGDS,   PANEL_K_OEFFNUNGSS,  PANEL_K_DROSSELDS,   PANEL_K_DROSSELSS,
    PANEL_K_BYPASSDS,      PANEL_K_BYPASSSS,     PANEL_K_EXTDRUCKDS,  PANEL_K_EXTDRUCKSS,
};

// The store byte for byte, the lists, the title, the changed flag and every
// value the panel shows.
struct Bild {
    Zustand zustand;
    std::vector<double> zahlen;
    std::vector<int> schalter;
    std::string einheit1, einheit2;

    static Bild Jetzt() {
        Bild b;
        b.zustand = Zustand::Jetzt();
        for (int c : kSchrittZahlen) {
            double v = 0;
            GetCtrlVal(panelHandle, c, v);
            b.zahlen.push_back(v);
        }
        for (int c : kSchrittSchalter) {
            int v = 0;
            GetCtrlVal(panelHandle, c, v);
            b.schalter.push_back(v);
        }
        GetCtrlVal(panelHandle, PANEL_EINHEIT1, b.einheit1);
        GetCtrlVal(panelHandle, PANEL_EINHEIT2, b.einheit2);
        return b;
    }
    bool operator==(const Bild&) const = default;
};

void PrintTo(const Bild& b, std::ostream* os) {
    const Zustand& z = b.zustand;
    *os << "{prog " << z.progIndex << " schritt " << z.psIndex << "/" << z.psAnzahl << " geaendert " << z.geaendert
        << " titel \"" << z.titel << "\" wahl " << z.programmwahl << "/" << z.schrittwahl << " schritte";
    for (const std::string& s : z.schritte) *os << " \"" << s << "\"";
    *os << " zahlen";
    for (double d : b.zahlen) *os << " " << d;
    *os << " schalter";
    for (int i : b.schalter) *os << " " << i;
    *os << " einheit " << b.einheit1 << "/" << b.einheit2 << " programme " << z.programme.size() << "}";
}

std::string Menuetext(int punkt) {
    std::string text;
    GetMenuBarAttribute(GetPanelMenuBar(panelHandle), punkt, ATTR_ITEM_NAME, text);
    return text;
}

class UndoTest : public AppTest {
protected:
    void Rueckgaengig() { ChooseMenu(panelHandle, MENU_BEARBEITEN_RUECKGAENGIG); }
    void Wiederherstellen() { ChooseMenu(panelHandle, MENU_BEARBEITEN_WIEDERHERSTELLEN); }
    bool KannRueckgaengig() { return !MenuDimmed(panelHandle, MENU_BEARBEITEN_RUECKGAENGIG); }
    bool KannWiederherstellen() { return !MenuDimmed(panelHandle, MENU_BEARBEITEN_WIEDERHERSTELLEN); }

    // Three steps that differ, the third selected, program 2 renamed.
    void Vorbereiten() {
        Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
        Operate(panelHandle, PANEL_NETZGERAETU, 4.5);
        Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
        Operate(panelHandle, PANEL_OBERERGRENZWERT, 77.0);
        OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 1);
        NameTippen(*ui, "Zweites");
        ChooseMenu(panelHandle, MENU_PROGRAMM_UMBENENNEN);
        OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 0);
    }
};

TEST_F(UndoTest, AtStartNothingCanBeUndoneOrRedone) {
    EXPECT_FALSE(KannRueckgaengig());
    EXPECT_FALSE(KannWiederherstellen());
    EXPECT_EQ(Menuetext(MENU_BEARBEITEN_RUECKGAENGIG), "Rückgängig");
    EXPECT_EQ(Menuetext(MENU_BEARBEITEN_WIEDERHERSTELLEN), "Wiederherstellen");
}

struct Bearbeitung {
    const char* name;
    std::function<void(HeadlessBackend&)> vorher;  // not part of the step
    std::function<void(HeadlessBackend&)> tun;
    const char* menuetext;
};

void PrintTo(const Bearbeitung& b, std::ostream* os) { *os << b.name; }

void Nichts(HeadlessBackend&) {}

const Bearbeitung kBearbeitungen[] = {
    {"Spannung", Nichts, [](HeadlessBackend&) { Operate(panelHandle, PANEL_NETZGERAETU, 12.5); },
     "Rückgängig: Spannung [V] ändern"},
    {"Netzgeraet", Nichts, [](HeadlessBackend&) { Operate(panelHandle, PANEL_NETZGERAETAKTIV, 1); },
     "Rückgängig: Netzgerät ändern"},
    {"Zyklen", Nichts, [](HeadlessBackend&) { Operate(panelHandle, PANEL_IMPULSZYKLEN, 40); },
     "Rückgängig: Zyklen ändern"},
    {"Messwartezeit", Nichts, [](HeadlessBackend&) { Operate(panelHandle, PANEL_MESSWARTEZEIT, 9); },
     "Rückgängig: Messwartezeit ändern"},
    {"Ventil", Nichts, [](HeadlessBackend&) { Operate(panelHandle, PANEL_K_BYPASSDS, 0); },
     "Rückgängig: Bypass druckseitig (V1) ändern"},
    {"Messgeraet", Nichts, [](HeadlessBackend&) { Operate(panelHandle, PANEL_STROMAKTIV, 1); },
     "Rückgängig: Messgerät wählen"},
    {"RpgBereich", [](HeadlessBackend&) { Operate(panelHandle, PANEL_RPGAKTIV, 1); },
     [](HeadlessBackend&) { OperateIndex(panelHandle, PANEL_RPGMESSBEREICH, 0); },
     "Rückgängig: RPG-Messbereich ändern"},
    {"Grenzwert", Nichts, [](HeadlessBackend&) { Operate(panelHandle, PANEL_UNTERERGRENZWERT, -3.25); },
     "Rückgängig: Unterer Grenzwert ändern"},
    {"Gutbedingung", Nichts, [](HeadlessBackend&) { Operate(panelHandle, PANEL_GUTAUSSERHALB, 1); },
     "Rückgängig: Gutbedingung ändern"},
    {"SchrittNeu", Nichts, [](HeadlessBackend&) { Press(panelHandle, PANEL_PRUEFSCHRITTNEU); },
     "Rückgängig: Prüfschritt anlegen"},
    {"SchrittLoeschen", [](HeadlessBackend&) { OperateIndex(panelHandle, PANEL_LISTBOX, 1); },
     [](HeadlessBackend&) { Press(panelHandle, PANEL_PRUEFSCHRITTLOESCHEN); }, "Rückgängig: Prüfschritt löschen"},
    {"SchrittEinfuegen", [](HeadlessBackend&) { Press(panelHandle, PANEL_PRUEFSCHRITTKOPIEREN); },
     [](HeadlessBackend&) { Press(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN); }, "Rückgängig: Prüfschritt einfügen"},
    {"SchrittUmbenennen", Nichts,
     [](HeadlessBackend& ui) {
         NameTippen(ui, "Dichtheit");
         Press(panelHandle, PANEL_PRUEFSCHRITTUMBENENNE);
     },
     "Rückgängig: Prüfschritt umbenennen"},
    {"SchrittAufwaerts", Nichts, [](HeadlessBackend&) { Press(panelHandle, PANEL_PRUEFSCHRITTAUFWAERTS); },
     "Rückgängig: Prüfschritt aufwärts schieben"},
    {"SchrittAbwaerts", [](HeadlessBackend&) { OperateIndex(panelHandle, PANEL_LISTBOX, 0); },
     [](HeadlessBackend&) { Press(panelHandle, PANEL_PRUEFSCHRITTABWAERTS); },
     "Rückgängig: Prüfschritt abwärts schieben"},
    {"ProgrammUmbenennen", Nichts,
     [](HeadlessBackend& ui) {
         NameTippen(ui, "Dichtprüfung");
         ChooseMenu(panelHandle, MENU_PROGRAMM_UMBENENNEN);
     },
     "Rückgängig: Programm umbenennen"},
    {"ProgrammEinfuegen",
     [](HeadlessBackend&) {
         ChooseMenu(panelHandle, MENU_PROGRAMM_KOPIEREN);
         OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 1);
     },
     [](HeadlessBackend&) { ChooseMenu(panelHandle, MENU_PROGRAMM_EINFUEGEN); }, "Rückgängig: Programm einfügen"},
};

class JedeBearbeitung : public UndoTest, public ::testing::WithParamInterface<Bearbeitung> {};

TEST_P(JedeBearbeitung, IsUndoneAndRedoneWithEverythingTheOperatorSaw) {
    Vorbereiten();
    GetParam().vorher(*ui);
    const Bild vorher = Bild::Jetzt();
    GetParam().tun(*ui);
    const Bild nachher = Bild::Jetzt();
    ASSERT_NE(vorher, nachher);
    EXPECT_EQ(Menuetext(MENU_BEARBEITEN_RUECKGAENGIG), GetParam().menuetext);

    Rueckgaengig();
    EXPECT_EQ(Bild::Jetzt(), vorher);
    EXPECT_TRUE(KannWiederherstellen());
    EXPECT_EQ(Menuetext(MENU_BEARBEITEN_WIEDERHERSTELLEN),
              "Wiederherstellen: " + std::string(GetParam().menuetext).substr(std::string("Rückgängig: ").size()));

    Wiederherstellen();
    EXPECT_EQ(Bild::Jetzt(), nachher);
    EXPECT_FALSE(KannWiederherstellen());
}

INSTANTIATE_TEST_SUITE_P(Faelle, JedeBearbeitung, ::testing::ValuesIn(kBearbeitungen),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UndoTest, UndoingBackToTheSavedStateNeedsNoQuestionAndRedoingAwayDoes) {
    Testverzeichnis dir;
    Operate(panelHandle, PANEL_NETZGERAETU, 3.0);
    ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, dir.Datei("plan.krv"));
    ChooseMenu(panelHandle, MENU_DATEI_SPEICHERN);
    ASSERT_FALSE(gDatenGeaendert);
    const Bild gespeichert = Bild::Jetzt();

    Operate(panelHandle, PANEL_NETZGERAETU, 7.0);
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
    Rueckgaengig();
    EXPECT_TRUE(gDatenGeaendert);
    Rueckgaengig();
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_EQ(Bild::Jetzt(), gespeichert);
    EXPECT_EQ(AbfrageWennNichtGespeichert(), 0);  // quitting asks nothing

    // Before the save the data differed from the file.
    Rueckgaengig();
    EXPECT_TRUE(gDatenGeaendert);
    Wiederherstellen();
    EXPECT_FALSE(gDatenGeaendert);
    Wiederherstellen();
    EXPECT_TRUE(gDatenGeaendert);
}

TEST_F(UndoTest, NewAndOpenClearTheHistory) {
    Testverzeichnis dir;
    Schreiben(dir.Datei("a.krv"), GueltigeDatei());
    Operate(panelHandle, PANEL_NETZGERAETU, 3.0);
    ui->AnswerGeneric(2);  // "Nein": drop the changes
    ChooseMenu(panelHandle, MENU_DATEI_NEU);
    EXPECT_FALSE(KannRueckgaengig());
    EXPECT_FALSE(KannWiederherstellen());

    Operate(panelHandle, PANEL_NETZGERAETU, 3.0);
    Rueckgaengig();
    ASSERT_TRUE(KannWiederherstellen());
    ASSERT_FALSE(gDatenGeaendert);  // back at the new store: "Öffnen" asks nothing
    ui->AnswerFileSelect(VAL_EXISTING_FILE_SELECTED, dir.Datei("a.krv"));
    ChooseMenu(panelHandle, MENU_DATEI_OEFFNEN);
    EXPECT_FALSE(KannRueckgaengig());
    EXPECT_FALSE(KannWiederherstellen());
    EXPECT_EQ(VerlaufAnzahl(), 1);
}

TEST_F(UndoTest, ASelectionAloneOrACopyIsNoStepButUndoReturnsToTheProgramOfTheEdit) {
    Press(panelHandle, PANEL_PRUEFSCHRITTKOPIEREN);
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 3);
    EXPECT_FALSE(KannRueckgaengig());
    Bild vorher = Bild::Jetzt();
    Operate(panelHandle, PANEL_MESSWARTEZEIT, 30);
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 0);
    Rueckgaengig();
    // The copy marked the data, but the store is as at the start again.
    vorher.zustand.geaendert = false;
    EXPECT_EQ(Bild::Jetzt(), vorher);
    EXPECT_EQ(Int(panelHandle, PANEL_PROGRAMMLISTE), 3);
}

TEST_F(UndoTest, KeepsAHundredStepsAndDropsTheOldest) {
    for (int i = 1; i <= kVerlaufSchritte + 5; ++i) Operate(panelHandle, PANEL_IMPULSZYKLEN, i + 1);
    int zurueck = 0;
    while (KannRueckgaengig()) {
        Rueckgaengig();
        ++zurueck;
    }
    EXPECT_EQ(zurueck, kVerlaufSchritte);
    EXPECT_EQ(Int(panelHandle, PANEL_IMPULSZYKLEN), 6);  // the first five edits are beyond reach
    EXPECT_TRUE(gDatenGeaendert);                        // the start is gone with them
}

TEST_F(UndoTest, ANewEditDropsWhatCouldHaveBeenRedone) {
    Operate(panelHandle, PANEL_IMPULSZYKLEN, 2);
    Operate(panelHandle, PANEL_IMPULSZYKLEN, 3);
    Rueckgaengig();
    Operate(panelHandle, PANEL_IMPULSZYKLEN, 9);
    EXPECT_FALSE(KannWiederherstellen());
    Rueckgaengig();
    EXPECT_EQ(Int(panelHandle, PANEL_IMPULSZYKLEN), 2);
}

TEST_F(UndoTest, BothItemsAreDimmedDuringADirectTest) {
    Operate(panelHandle, PANEL_NETZGERAETU, 2.0);
    Operate(panelHandle, PANEL_NETZGERAETU, 3.0);
    Rueckgaengig();
    ASSERT_TRUE(KannRueckgaengig());
    ASSERT_TRUE(KannWiederherstellen());
    DirekttestEinAus(1);  // no port: the device is not told, the panel is dimmed all the same
    EXPECT_FALSE(KannRueckgaengig());
    EXPECT_FALSE(KannWiederherstellen());
    EXPECT_TRUE(MenuDimmed(panelHandle, MENU_DATEI_ZULETZT));
    EXPECT_FALSE(DropFile(panelHandle, "/tmp/programme.krv"));  // as "Öffnen" is dimmed
    Operate(panelHandle, PANEL_NETZGERAETU, 9.0);  // goes to the device only
    DirekttestEinAus(0);
    EXPECT_TRUE(KannRueckgaengig());
    EXPECT_TRUE(KannWiederherstellen());
    EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_NETZGERAETU), 2.0);
}

}  // namespace
