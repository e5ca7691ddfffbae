#include "editor/Editor.h"
#include "model/Schrittliste.h"

namespace {

enum class Ausloeser { Schliessen, Beenden, Neu, Oeffnen };

void Ausloesen(Ausloeser a) {
    switch (a) {
        case Ausloeser::Schliessen: ClosePanel(panelHandle); break;
        case Ausloeser::Beenden: ChooseMenu(panelHandle, MENU_DATEI_BEENDEN); break;
        case Ausloeser::Neu: ChooseMenu(panelHandle, MENU_DATEI_NEU); break;
        case Ausloeser::Oeffnen: ChooseMenu(panelHandle, MENU_DATEI_OEFFNEN); break;
    }
}

constexpr int JA = 1, NEIN = 2, ABBRECHEN = 3;

struct Fragefall {
    const char* name;
    int antwort;
    bool benannt;          // the data has a file of its own
    int speicherdialog;    // "Ja" on "Unbenannt": the save dialog's result
    bool verzeichnisWeg;   // the named file can no longer be written
    bool weiter;           // the command goes ahead
    bool gespeichert;
};

void PrintTo(const Fragefall& f, std::ostream* os) { *os << f.name; }

class UnsavedQuestionTest : public AppTest,
                            public ::testing::WithParamInterface<std::tuple<Ausloeser, Fragefall>> {
protected:
    Testverzeichnis dir;
};

TEST_P(UnsavedQuestionTest, AnswerDecidesWhetherTheCommandGoesAhead) {
    auto [ausloeser, f] = GetParam();
    std::string alt = dir.Datei("alt.krv"), neu = dir.Datei("neu.krv");
    if (f.benannt) {
        ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, alt);
        ChooseMenu(panelHandle, MENU_DATEI_SPEICHERNUNTER);
        ASSERT_FALSE(gDatenGeaendert);
        ui->ClearShown();
    }
    if (f.verzeichnisWeg) std::filesystem::remove_all(dir.Pfad());
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);  // an unsaved edit: two steps
    ASSERT_TRUE(gDatenGeaendert);

    ui->AnswerGeneric(f.antwort);
    if (f.antwort == JA && !f.benannt) ui->AnswerFileSelect(f.speicherdialog, neu);
    if (f.verzeichnisWeg) ui->AnswerMessage();
    bool oeffnen = ausloeser == Ausloeser::Oeffnen && f.weiter;
    if (oeffnen) ui->AnswerFileSelect(VAL_NO_FILE_SELECTED);

    Ausloesen(ausloeser);

    ASSERT_FALSE(ui->Shown().empty());
    const ShownPopup& frage = ui->Shown()[0];
    EXPECT_EQ(frage.kind, ShownPopup::Generic);
    EXPECT_EQ(frage.title, "Datei speichern");
    EXPECT_EQ(frage.message, std::string("Möchten Sie die Änderungen in ") + (f.benannt ? "alt.krv" : "Unbenannt") +
                                 " speichern?");
    EXPECT_EQ(frage.buttons, (std::vector<std::string>{"Ja", "Nein", "Abbrechen"}));
    EXPECT_EQ(frage.activeButton, JA);
    EXPECT_EQ(frage.enterButton, JA);
    EXPECT_EQ(frage.escapeButton, ABBRECHEN);

    if (f.verzeichnisWeg) {
        EXPECT_EQ(ui->Shown().back().title, "Fehler #301000");
        EXPECT_EQ(ui->Shown().back().message, "Fehler beim Schreiben auf Datei");
    }
    if (oeffnen) {
        EXPECT_EQ(ui->Shown().back().title, "Öffnen");
    }
    if (ausloeser == Ausloeser::Schliessen || ausloeser == Ausloeser::Beenden) {
        EXPECT_EQ(ui->Quitted(), f.weiter);
    }
    bool zurueckgesetzt = ausloeser == Ausloeser::Neu && f.weiter;
    EXPECT_EQ(gPSanzahl, zurueckgesetzt ? 1 : 2);
    EXPECT_EQ(gDatenGeaendert, !zurueckgesetzt && !f.gespeichert);

    std::string datei = f.benannt ? alt : neu;
    Bytes inhalt = Lesen(datei);
    if (f.gespeichert) {
        ASSERT_EQ(inhalt.size(), kDateiGroesse);
        EXPECT_EQ(Holen<int32_t>(inhalt, ProgOffset(0) + 24), 2);
    } else if (!inhalt.empty()) {
        EXPECT_EQ(Holen<int32_t>(inhalt, ProgOffset(0) + 24), 1);
    }
}

const Fragefall kFragefaelle[] = {
    {"Abbrechen", ABBRECHEN, false, 0, false, false, false},
    {"Nein", NEIN, false, 0, false, true, false},
    {"JaBenannt", JA, true, 0, false, true, true},
    {"JaUnbenanntDialogAbgebrochen", JA, false, VAL_NO_FILE_SELECTED, false, false, false},
    {"JaUnbenanntNeueDatei", JA, false, VAL_NEW_FILE_SELECTED, false, true, true},
    {"JaSpeichernScheitert", JA, true, 0, true, false, false},
};

std::string Fragename(const ::testing::TestParamInfo<std::tuple<Ausloeser, Fragefall>>& info) {
    constexpr const char* kNamen[] = {"Schliessen", "Beenden", "Neu", "Oeffnen"};
    return std::string(kNamen[static_cast<int>(std::get<0>(info.param))]) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Faelle, UnsavedQuestionTest,
                         ::testing::Combine(::testing::Values(Ausloeser::Schliessen, Ausloeser::Beenden,
                                                              Ausloeser::Neu, Ausloeser::Oeffnen),
                                            ::testing::ValuesIn(kFragefaelle)),
                         Fragename);

using MainPanelTest = AppTest;

TEST_F(MainPanelTest, WithoutChangesNothingIsAsked) {
    ClosePanel(panelHandle);
    EXPECT_TRUE(ui->Quitted());
    ChooseMenu(panelHandle, MENU_DATEI_BEENDEN);
    ChooseMenu(panelHandle, MENU_DATEI_NEU);
    ui->AnswerFileSelect(VAL_NO_FILE_SELECTED);
    ChooseMenu(panelHandle, MENU_DATEI_OEFFNEN);
    ASSERT_EQ(ui->Shown().size(), 1u);
    EXPECT_EQ(ui->Shown()[0].kind, ShownPopup::FileSelect);
}

TEST_F(MainPanelTest, SelectingAndCopyingDoNotCountAsChanges) {
    Press(panelHandle, PANEL_PRUEFSCHRITTNEU);
    AlsGespeichertSetzen();
    OperateIndex(panelHandle, PANEL_LISTBOX, 0);
    OperateIndex(panelHandle, PANEL_PROGRAMMLISTE, 5);
    ChooseMenu(panelHandle, MENU_PROGRAMM_KOPIEREN);
    EXPECT_FALSE(gDatenGeaendert);
    ClosePanel(panelHandle);
    EXPECT_TRUE(ui->Quitted());
    EXPECT_TRUE(ui->Shown().empty());
}

TEST_F(MainPanelTest, InfoAndPlanPanelsOpenAndClose) {
    auto sichtbar = [](int panel) {
        int v = 0;
        GetPanelAttribute(panel, ATTR_VISIBLE_PANEL, v);
        return v != 0;
    };
    ChooseMenu(panelHandle, MENU_HILFE_INFO);
    EXPECT_TRUE(sichtbar(infoPanelHandle));
    Press(infoPanelHandle, INFOPANEL_OK);
    EXPECT_FALSE(sichtbar(infoPanelHandle));

    Press(panelHandle, PANEL_PNEUMATIKPLAN);
    EXPECT_TRUE(sichtbar(planPanelHandle));
    Press(planPanelHandle, PLANPANEL_OK);
    EXPECT_FALSE(sichtbar(planPanelHandle));
    Press(panelHandle, PANEL_PNEUMATIKPLAN);
    ClosePanel(planPanelHandle);
    EXPECT_FALSE(sichtbar(planPanelHandle));
    EXPECT_TRUE(sichtbar(panelHandle));
    EXPECT_FALSE(ui->Quitted());
}

struct Wechselfall {
    const char* name;
    int zoom;
    bool geometrie;
    int neuerZoom;
};

void PrintTo(const Wechselfall& f, std::ostream* os) { *os << f.name; }

class PanelSwitchTest : public AppTest, public ::testing::WithParamInterface<Wechselfall> {
protected:
    static int Attr(int panel, int a) {
        int v = 0;
        GetPanelAttribute(panel, a, v);
        return v;
    }
    void Pruefen(int knopf, int ziel) {
        const Wechselfall& f = GetParam();
        SetPanelAttribute(ziel, ATTR_TOP, 5);
        SetPanelAttribute(ziel, ATTR_LEFT, 6);
        SetPanelAttribute(ziel, ATTR_WIDTH, 300);
        SetPanelAttribute(ziel, ATTR_HEIGHT, 200);
        SetPanelAttribute(panelHandle, ATTR_TOP, 40);
        SetPanelAttribute(panelHandle, ATTR_LEFT, 50);
        SetPanelAttribute(panelHandle, ATTR_WIDTH, 900);
        SetPanelAttribute(panelHandle, ATTR_HEIGHT, 700);
        SetPanelAttribute(panelHandle, ATTR_WINDOW_ZOOM, f.zoom);

        Press(panelHandle, knopf);

        EXPECT_EQ(Attr(panelHandle, ATTR_VISIBLE_PANEL), 0);
        EXPECT_EQ(Attr(ziel, ATTR_VISIBLE_PANEL), 1);
        EXPECT_EQ(Attr(ziel, ATTR_TOP), f.geometrie ? 40 : 5);
        EXPECT_EQ(Attr(ziel, ATTR_LEFT), f.geometrie ? 50 : 6);
        EXPECT_EQ(Attr(ziel, ATTR_WIDTH), f.geometrie ? 900 : 300);
        EXPECT_EQ(Attr(ziel, ATTR_HEIGHT), f.geometrie ? 700 : 200);
        EXPECT_EQ(Attr(ziel, ATTR_WINDOW_ZOOM), f.neuerZoom);
    }
};

TEST_P(PanelSwitchTest, ComPanelTakesThePlaceOfTheMainPanel) { Pruefen(PANEL_COMEINSTELLUNGEN, comPanelHandle); }

TEST_P(PanelSwitchTest, CalibrationPanelTakesThePlaceOfTheMainPanelWithTheSwitch) {
    ASSERT_EQ(Start({"-p=SrvModeOpen"}), 0);
    Pruefen(PANEL_KALIBRIERUNG, kalPanelHandle);
}

INSTANTIATE_TEST_SUITE_P(Zoom, PanelSwitchTest,
                         ::testing::Values(Wechselfall{"normal", VAL_NO_ZOOM, true, VAL_NO_ZOOM},
                                           Wechselfall{"maximiert", VAL_MAXIMIZE, false, VAL_MAXIMIZE},
                                           Wechselfall{"minimiert", VAL_MINIMIZE, false, VAL_NO_ZOOM}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainPanelTest, CalibrationButtonDoesNothingWithoutTheSwitch) {
    SetCtrlAttribute(panelHandle, PANEL_KALIBRIERUNG, ATTR_VISIBLE, 1);
    Press(panelHandle, PANEL_KALIBRIERUNG);
    int kal = 1, haupt = 0;
    GetPanelAttribute(kalPanelHandle, ATTR_VISIBLE_PANEL, kal);
    GetPanelAttribute(panelHandle, ATTR_VISIBLE_PANEL, haupt);
    EXPECT_EQ(kal, 0);
    EXPECT_EQ(haupt, 1);
}

}  // namespace
