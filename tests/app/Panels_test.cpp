#include <set>

#include "app/Krv4Steuerung.h"
#include "support/AppFixture.h"
#include "toolkit/Backend.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/Panels.h"

namespace {

TEST(PanelFileTest, SevenPanelsWithTheirTitlesAndControlsNumberedFromTwo) {
    FreshHeadlessToolkit();
    RegisterPanelFile(Krv4SteuerungPanelFile());
    struct Erwartet {
        int resource;
        const char* title;
        int controls;
    };
    const Erwartet panels[] = {{COMPANEL, "COM-Einstellungen", 32}, {FORTSCHPNL, "Fortschritt", 2},
                               {INFOPANEL, "Info", 7},              {KALPANEL, "Kalibrierung", 61},
                               {PANEL, "KRV04 Steuerung -", 66},   {PLANPANEL, "Pneumatikplan", 3},
                               {STRINGPNL, "Stringeingabe", 1}};
    for (const Erwartet& e : panels) {
        SCOPED_TRACE(e.title);
        int handle = LoadPanel(0, kPanelFile, e.resource);
        ASSERT_GT(handle, 0);
        PanelState* p = FindPanel(handle);
        EXPECT_EQ(p->title, e.title);
        ASSERT_EQ(static_cast<int>(p->controls.size()), e.controls);
        for (int i = 0; i < e.controls; ++i) EXPECT_EQ(p->controls[i].def->id, i + 2) << p->controls[i].def->name;
    }
    EXPECT_LT(LoadPanel(0, kPanelFile, PANEL_2), 0);  // in the file once, never part of the program
    EXPECT_LT(LoadPanel(0, "andere.uir", PANEL), 0);
}

using PanelDefaultsTest = AppTest;

TEST_F(PanelDefaultsTest, ComAndCalibrationPanelsStartAsLoaded) {
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_PORT), -1);
    EXPECT_EQ(Items(comPanelHandle, COMPANEL_PORT).front(), "nicht geöffnet");
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_ADRESSE), '1');
    EXPECT_EQ(Items(comPanelHandle, COMPANEL_ADRESSE).back(), "alle");
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_STATUSABFRAGE), 0);
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_STATUSTIMER, ATTR_ENABLED), 0);
    EXPECT_EQ(Attribute(comPanelHandle, COMPANEL_STATUSTIMER, ATTR_INTERVAL), 500);
    for (int lampe : {COMPANEL_LEDSTATUS0, COMPANEL_LEDSTATUS1, COMPANEL_LEDSTATUS2, COMPANEL_LEDSTATUS3,
                      COMPANEL_LEDSTATUS6})
        EXPECT_EQ(Attribute(comPanelHandle, lampe, ATTR_DIMMED), 1);
    EXPECT_EQ(Text(comPanelHandle, COMPANEL_TEXT), "");
    EXPECT_EQ(Int(panelHandle, PANEL_PICTURERING), -1);
    EXPECT_EQ(Attribute(panelHandle, PANEL_PRUEFSCHRITTEINFUEGEN, ATTR_DIMMED), 1);
    EXPECT_TRUE(MenuDimmed(panelHandle, MENU_PROGRAMM_EINFUEGEN));
    EXPECT_FALSE(MenuDimmed(panelHandle, MENU_PROGRAMM_KOPIEREN));
    for (int k = KALPANEL_USOLLV; k <= KALPANEL_IISTNEU; k += 4) {
        EXPECT_DOUBLE_EQ(Real(kalPanelHandle, k), 1.0);
        EXPECT_DOUBLE_EQ(Real(kalPanelHandle, k + 1), 0.0);
    }
    EXPECT_DOUBLE_EQ(Real(kalPanelHandle, KALPANEL_SOLL2), 1.0);
    EXPECT_DOUBLE_EQ(Real(kalPanelHandle, KALPANEL_VNEU), 1.0);
    EXPECT_EQ(Text(fortschrittPanelHandle, FORTSCHPNL_TEXT), "...");
}

}  // namespace
