#include "editor/Editor.h"
#include "model/Verlauf.h"

namespace {

class DropTest : public AppTest {
protected:
    Testverzeichnis dir;
};

TEST_F(DropTest, ADroppedDataFileOpensAsOpenWouldAfterTheQuestion) {
    const std::string pfad = dir.Datei("Pruefung.KRV");
    const Bytes datei = GueltigeDatei(3);
    Schreiben(pfad, datei);
    Operate(panelHandle, PANEL_NETZGERAETU, 5.0);

    ui->AnswerGeneric(3);  // "Abbrechen"
    EXPECT_TRUE(DropFile(panelHandle, pfad));
    EXPECT_EQ(ui->Shown().back().title, "Datei speichern");
    EXPECT_EQ(std::string(gDateiname), "Unbenannt");

    ui->AnswerGeneric(2);  // "Nein"
    EXPECT_TRUE(DropFile(panelHandle, pfad));
    EXPECT_EQ(std::string(gDateiname), pfad);
    EXPECT_EQ(Title(panelHandle), "KRV4 Steuerung - Pruefung.KRV");
    EXPECT_EQ(gProgIndex, 3);
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_EQ(VerlaufAnzahl(), 1);
    EXPECT_TRUE(MenuDimmed(panelHandle, MENU_BEARBEITEN_RUECKGAENGIG));
}

TEST_F(DropTest, AnythingButADataFileIsRefusedAndNothingIsAsked) {
    Operate(panelHandle, PANEL_NETZGERAETU, 5.0);
    const Zustand vorher = Zustand::Jetzt();
    for (const char* name : {"plan.pdf", "geraet.krk", "krv", ".krv", "programme.krv.bak"})
        EXPECT_FALSE(DropFile(panelHandle, dir.Datei(name))) << name;
    EXPECT_FALSE(DropFile(comPanelHandle, dir.Datei("a.krv")));  // a panel that takes no files
    EXPECT_TRUE(ui->Shown().empty());
    EXPECT_EQ(Zustand::Jetzt(), vorher);
}

TEST_F(DropTest, ADroppedFileThatCannotBeReadShowsTheOpenError) {
    Schreiben(dir.Datei("kurz.krv"), Bytes(10));
    ui->AnswerMessage();
    EXPECT_TRUE(DropFile(panelHandle, dir.Datei("kurz.krv")));
    EXPECT_EQ(ui->Shown().back().title, "Fehler #304000");
    EXPECT_EQ(std::string(gDateiname), "Unbenannt");
}

}  // namespace
