#include "app/Pruefplan.h"
#include "editor/Editor.h"

namespace {

class TestPlan : public AppTest {
protected:
    // Program 2 with two steps that use every field, edited on the panel.
    void Vielfaeltig() {
        OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 1);
        NameTippen(*ui, "Dichtheit Öl");
        ChooseMenu(panelHandle, MENU_PROGRAMM_UMBENENNEN);
        Operate(panelHandle, PANEL_NETZGERAETAKTIV, 1);
        Operate(panelHandle, PANEL_NETZGERAETU, 12.5);
        Operate(panelHandle, PANEL_NETZGERAETI, 1.25);
        Operate(panelHandle, PANEL_MESSWARTEZEIT, 7);
        Operate(panelHandle, PANEL_DIFFERENZMESSUNG, 1);
        Operate(panelHandle, PANEL_K_DROSSELSS, 1);
        Operate(panelHandle, PANEL_UNTERERGRENZWERT, -2.5);
        Operate(panelHandle, PANEL_OBERERGRENZWERT, 250.0);
        Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
        NameTippen(*ui, "Widerstand");
        Press(panelHandle, PANEL_PRUEFSCHRITTUMBENENNE);
        Operate(panelHandle, PANEL_RPGAKTIV, 1);
        OperateIndex(panelHandle, PANEL_RPGMESSBEREICH, 1);  // 0 - 300,0 Ohm
        Operate(panelHandle, PANEL_IMPULSEINSCHALTZEIT, 2.5);
        Operate(panelHandle, PANEL_IMPULSAUSSCHALTZEIT, 40.0);
        Operate(panelHandle, PANEL_IMPULSZYKLEN, 12);
        Operate(panelHandle, PANEL_GUTAUSSERHALB, 1);
        Operate(panelHandle, PANEL_GRENZENGUT, 1);
        Operate(panelHandle, PANEL_MESSENBISWEITER, 1);
    }
    static std::vector<std::string> Zeilen(const PrintDocument& plan) {
        std::vector<std::string> z;
        for (const DocumentLine& l : plan.lines) z.push_back(l.value.empty() ? l.text : l.text + " = " + l.value);
        return z;
    }
};

TEST_F(TestPlan, EveryValueOfEveryStepInTheWordsAndUnitsOfThePanel) {
    Vielfaeltig();
    PrintDocument plan;
    PruefplanErstellen(1, 1, "10.12.2026", plan);
    EXPECT_EQ(plan.title, "Prüfplan Unbenannt");
    EXPECT_EQ(plan.date, "10.12.2026");
    EXPECT_EQ(plan.footer, "Seite %1 von %2");
    const std::vector<std::string> erwartet = {
        "Programm 2 - Dichtheit Öl",
        "Prüfschritt 1: neuer Pruefschritt",
        "Netzgerät = ein",
        "Spannung [V] = 12,50",
        "Strom [A] = 1,25",
        "Impulsgenerator = aus",
        "Einschaltzeit [ms] = 0,0",
        "Ausschaltzeit [ms] = 10,0",
        "Zyklen = 1",
        "Meßgerät = Druck (0 - 2000 mbar)",
        "Messen = nach 7 s messen",
        "Differenzmessung = ja",
        "Weitermessen bis Weiter-Taste gedrückt wird = nein",
        "Bypass druckseitig (V1) = ein",
        "Widerstand druckseitig (V2) = aus",
        "Ansaugen/Abblasen auf DS (V3) = aus",
        "Bypass saugseitig (V4) = ein",
        "Widerstand saugseitig (V5) = ein",
        "Ansaugen/Abblasen auf SS (V6) = ein",
        "Externer Prüfdruck DS (V7) = aus",
        "Externer Prüfdruck SS (V8) = aus",
        "Unterer Grenzwert = -2,50 mbar",
        "Oberer Grenzwert = 250,00 mbar",
        "Bewertung = Gut wenn innerhalb der Grenzen",
        "Grenzen werden noch als gut geprüft = nein",
        "Prüfschritt 2: Widerstand",
        "Netzgerät = aus",
        "Spannung [V] = 0,00",
        "Strom [A] = 0,00",
        "Impulsgenerator = aus",
        "Einschaltzeit [ms] = 2,5",
        "Ausschaltzeit [ms] = 40,0",
        "Zyklen = 12",
        "Meßgerät = RPG (0 - 300,0 Ohm)",
        "Messen = nach 2 s messen",
        "Differenzmessung = nein",
        "Weitermessen bis Weiter-Taste gedrückt wird = ja",
        "Bypass druckseitig (V1) = ein",
        "Widerstand druckseitig (V2) = aus",
        "Ansaugen/Abblasen auf DS (V3) = aus",
        "Bypass saugseitig (V4) = ein",
        "Widerstand saugseitig (V5) = aus",
        "Ansaugen/Abblasen auf SS (V6) = ein",
        "Externer Prüfdruck DS (V7) = aus",
        "Externer Prüfdruck SS (V8) = aus",
        "Unterer Grenzwert = 0,00 Ohm",
        "Oberer Grenzwert = 10,00 Ohm",
        "Bewertung = Gut wenn außerhalb der Grenzen",
        "Grenzen werden noch als gut geprüft = ja",
    };
    EXPECT_EQ(Zeilen(plan), erwartet);
}

TEST_F(TestPlan, PrintAsksLikeTheTransfersAndPrintsTheCurrentOrAllPrograms) {
    Vielfaeltig();
    ui->AnswerGeneric(3);  // "abbrechen"
    ChooseMenu(panelHandle, MENU_DATEI_DRUCKEN);
    EXPECT_TRUE(ui->Printed().empty());
    const ShownPopup& frage = ui->Shown().back();
    EXPECT_EQ(frage.title, "Drucken");
    EXPECT_EQ(frage.buttons, (std::vector<std::string>{"aktuelles", "alle", "abbrechen"}));
    EXPECT_EQ(frage.escapeButton, 3);

    ui->AnswerGeneric(1);
    ChooseMenu(panelHandle, MENU_DATEI_DRUCKEN);
    ASSERT_EQ(ui->Printed().size(), 1u);
    EXPECT_EQ(ui->Printed()[0].lines.front().text, "Programm 2 - Dichtheit Öl");
    EXPECT_EQ(ui->Printed()[0].lines.size(), 1u + 2 * 24);

    ui->CancelNextPrint();  // the print dialog closed without printing: nothing more is said
    ui->AnswerGeneric(1);
    const std::size_t gezeigt = ui->Shown().size();
    ChooseMenu(panelHandle, MENU_DATEI_DRUCKEN);
    EXPECT_EQ(ui->Printed().size(), 1u);
    EXPECT_EQ(ui->Shown().size(), gezeigt + 1);

    ui->AnswerGeneric(2);
    ChooseMenu(panelHandle, MENU_DATEI_DRUCKEN);
    ASSERT_EQ(ui->Printed().size(), 2u);
    int programme = 0;
    for (const DocumentLine& l : ui->Printed()[1].lines) programme += l.kind == DocumentLine::Heading;
    EXPECT_EQ(programme, kAnzahlProgramme);
    EXPECT_EQ(ui->Printed()[1].lines.size(), kAnzahlProgramme + 17 * 24);
}

TEST_F(TestPlan, AsPdfAsksForTheFileAndKeepsAnOldOneWhenCancelled) {
    Testverzeichnis dir;
    const std::string pfad = dir.Datei("plan.pdf");
    Schreiben(pfad, Bytes{'a', 'l', 't'});
    ui->AnswerGeneric(1);
    ui->AnswerFileSelect(VAL_NO_FILE_SELECTED);
    ChooseMenu(panelHandle, MENU_DATEI_PDF);
    EXPECT_EQ(Lesen(pfad), (Bytes{'a', 'l', 't'}));
    EXPECT_EQ(ui->Shown()[0].title, "Als PDF speichern");
    EXPECT_EQ(ui->Shown()[1].fileSelect.defaultFileSpec, "*.pdf");
    EXPECT_EQ(ui->Shown()[1].fileSelect.buttonKind, VAL_SAVE_BUTTON);

    ui->AnswerGeneric(1);
    ui->AnswerFileSelect(VAL_EXISTING_FILE_SELECTED, pfad);
    ChooseMenu(panelHandle, MENU_DATEI_PDF);
    const Bytes pdf = Lesen(pfad);
    EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 13), "%PDF-headless");
    EXPECT_EQ(dir.Eintraege(), std::vector<std::string>{"plan.pdf"});

    ui->AnswerGeneric(1);
    ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, dir.Datei("fehlt/plan.pdf"));
    ui->AnswerMessage();
    ChooseMenu(panelHandle, MENU_DATEI_PDF);
    EXPECT_EQ(ui->Shown().back().title, "Fehler #301000");
    EXPECT_EQ(Lesen(pfad), pdf);
}

}  // namespace
