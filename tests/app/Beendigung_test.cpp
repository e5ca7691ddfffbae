#include <signal.h>

#include <string>

#include "app/Aenderungen.h"
#include "app/Beendigung.h"
#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "model/Schrittliste.h"
#include "support/AppFixture.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

// A signal wakes the headless event loop through the toolkit's external
// source, also in a modal wait for the operator, which then ends. (Windows
// has no such signals: its console events cannot be raised in a test.)

#ifndef _WIN32
namespace {

class Signalempfang : public AppTest {
protected:
    void SetUp() override {
        BeendigungssignaleEinrichten();
        AppTest::SetUp();  // start-up watches the signals from here on
    }
    void TearDown() override {
        BeendigungssignaleFreigebenNachLauf();
        AppTest::TearDown();
    }
};

TEST_F(Signalempfang, ASignalWhileTheEventLoopWaitsEndsIt) {
    ui->Later([] { raise(SIGTERM); });
    EXPECT_EQ(RunUserInterface(), 0);
    EXPECT_TRUE(UserInterfaceAborted());
    EXPECT_TRUE(ui->Shown().empty());
}

// The name input waits for Enter; the signal ends the wait with the name as
// it stands, the event loop ends, and nothing is asked.
TEST_F(Signalempfang, ASignalDuringTheNameInputEndsTheWaitAndTheRun) {
    ui->Later([] {
        Press(panelHandle, PANEL_PRUEFSCHRITTUMBENENNE);
    });
    ui->Later([] { raise(SIGHUP); });
    EXPECT_EQ(RunUserInterface(), 0);
    EXPECT_TRUE(UserInterfaceAborted());
    EXPECT_TRUE(ui->InstalledPopups().empty());
    EXPECT_STREQ(gPruefschritte[0].name, "neuer Pruefschritt");
    EXPECT_TRUE(ui->Shown().empty());
    // Later questions are answered unseen with their escape button.
    EXPECT_EQ(GenericMessagePopup("Frage", "?", "Ja", "Nein", "Abbrechen", 1, 1, 3), 3);
    std::string pfad = "x";
    EXPECT_EQ(FileSelectPopup("", "*.krv", "*.krv", "Öffnen", VAL_LOAD_BUTTON, 0, 1, 1, 0, pfad), VAL_NO_FILE_SELECTED);
    EXPECT_EQ(pfad, "");
    EXPECT_TRUE(ui->Shown().empty());
}

}  // namespace
#endif
