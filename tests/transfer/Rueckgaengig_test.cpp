#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "platform/SerialPort.h"
#include "support/AppFixture.h"
#include "toolkit/Toolkit.h"
#include "transfer/Geraet.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

constexpr int ALLE = 2;

// A read over unsaved edits, with the port open on the simulated device.
class ReadUndo : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        SerialPortSetzen(1, geraet);
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
        ASSERT_EQ(Com_OpenComPort(), 0);
        for (int p = 1; p <= kAnzahlProgramme; ++p) geraet->ProgrammAnlegen(p, "Geraet " + std::to_string(p), 2);
    }
    void TearDown() override {
        Com_CloseComPort();
        SerialPortSetzen(1, nullptr);
        AppTest::TearDown();
    }
    static std::vector<unsigned char> Speicher() {
        std::vector<unsigned char> b(sizeof gProg + sizeof gPruefschritte);
        std::memcpy(b.data(), gProg, sizeof gProg);
        std::memcpy(b.data() + sizeof gProg, gPruefschritte, sizeof gPruefschritte);
        b.push_back(static_cast<unsigned char>(gProgIndex));
        b.push_back(static_cast<unsigned char>(gPSanzahl));
        b.push_back(static_cast<unsigned char>(gPSindex));
        return b;
    }
    std::string Menuetext(int punkt) {
        std::string text;
        GetMenuBarAttribute(GetPanelMenuBar(panelHandle), punkt, ATTR_ITEM_NAME, text);
        return text;
    }

    std::shared_ptr<FakeKrv4> geraet = std::make_shared<FakeKrv4>();
};

TEST_F(ReadUndo, AReadOfAllProgramsOverUnsavedEditsIsTakenBackAsOneStep) {
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 2);
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
    Operate(panelHandle, PANEL_NETZGERAETU, 17.5);
    const auto vorher = Speicher();
    const std::vector<std::string> listeVorher = Items(panelHandle, PANEL_PROGRAMMLISTE);

    bool gedimmtWaehrendDesLesens = true;
    geraet->beiSchreiben = [&] {
        gedimmtWaehrendDesLesens = gedimmtWaehrendDesLesens && MenuDimmed(panelHandle, MENU_BEARBEITEN_RUECKGAENGIG) &&
                                   MenuDimmed(panelHandle, MENU_BEARBEITEN_WIEDERHERSTELLEN);
    };
    ui->AnswerGeneric(ALLE);
    Press(panelHandle, PANEL_GERAETLESEN);
    geraet->beiSchreiben = nullptr;
    ASSERT_EQ(Int(panelHandle, PANEL_FEHLERNUMMER), 0);
    ASSERT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE).at(2), "3 - Geraet 3");
    EXPECT_TRUE(gedimmtWaehrendDesLesens);
    EXPECT_EQ(Menuetext(MENU_BEARBEITEN_RUECKGAENGIG), "Rückgängig: von KRV-4 lesen");
    const auto gelesen = Speicher();

    ChooseMenu(panelHandle, MENU_BEARBEITEN_RUECKGAENGIG);
    EXPECT_EQ(Speicher(), vorher);
    EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE), listeVorher);
    EXPECT_EQ(Int(panelHandle, PANEL_PROGRAMMLISTE), 2);
    EXPECT_DOUBLE_EQ(Real(panelHandle, PANEL_NETZGERAETU), 17.5);
    EXPECT_TRUE(gDatenGeaendert);

    ChooseMenu(panelHandle, MENU_BEARBEITEN_WIEDERHERSTELLEN);
    EXPECT_EQ(Speicher(), gelesen);
    EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE).at(2), "3 - Geraet 3");
}

TEST_F(ReadUndo, AReadAfterASaveStillAsksNothingOnQuitButItsUndoReturnsToTheFile) {
    ui->AnswerGeneric(ALLE);
    Press(panelHandle, PANEL_GERAETLESEN);
    EXPECT_FALSE(gDatenGeaendert);  // reads do not mark the data
    ChooseMenu(panelHandle, MENU_BEARBEITEN_RUECKGAENGIG);
    EXPECT_FALSE(gDatenGeaendert);  // back at the state of start-up
    EXPECT_EQ(Items(panelHandle, PANEL_PROGRAMMLISTE).at(0), "1 - Programm 1");
}

}  // namespace
