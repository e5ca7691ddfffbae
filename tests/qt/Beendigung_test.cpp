#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <string>

#include "app/Aenderungen.h"
#include "app/Beendigung.h"
#include "app/Krv4Steuerung.h"
#include "app/Wiederherstellung.h"
#include "model/Programmverwaltung.h"
#include "model/Schrittliste.h"
#include "qt/QtFixture.h"
#include "storage/Dateifunktionen.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/qt/Layouts.h"

// A signal reaches the Qt event loop through its notifier, wherever the
// program waits: also in a pop-up's own loop, which it closes.

namespace {

class QtBeendigung : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        altesVerzeichnis = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir.path()));
        InstallQtToolkit();
        InstallKrv4QtLook();
        ProgrammspeicherZuruecksetzen();
        KopierpufferZuruecksetzen();
        BeendigungssignaleEinrichten();
        static char name[] = "krv4steuerung";
        char* argv[] = {name, nullptr};
        ASSERT_EQ(Krv4SteuerungStarten(1, argv), 0);
        WaitShown(QtPanelWindow(panelHandle));
    }
    void TearDown() override {
        BeendigungssignaleFreigebenNachLauf();
        SetToolkitBackend(nullptr);
        QDir::setCurrent(altesVerzeichnis);
    }

    QTemporaryDir dir;
    QString altesVerzeichnis;
};

TEST_F(QtBeendigung, ASignalDuringTheSaveQuestionClosesItAndEndsTheRun) {
    OperatorSetValue(panelHandle, PANEL_NETZGERAETU, 7.5);
    ASSERT_TRUE(gDatenGeaendert);
    QString frage;
    WhenModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) frage = box->text();
        kill(getpid(), SIGTERM);
    });
    QTimer::singleShot(0, [] { DispatchMenu(GetPanelMenuBar(panelHandle), MENU_DATEI_BEENDEN); });
    // Should the signal not arrive, the run still ends, and the test fails.
    bool abgelaufen = false;
    QTimer notbremse;
    notbremse.setSingleShot(true);
    QObject::connect(&notbremse, &QTimer::timeout, [&] {
        abgelaufen = true;
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        QuitUserInterface(0);
    });
    notbremse.start(5000);
    EXPECT_EQ(RunUserInterface(), 0);
    EXPECT_FALSE(abgelaufen);
    EXPECT_TRUE(frage.startsWith(QStringLiteral("Möchten Sie die Änderungen"))) << frage.toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(UserInterfaceAborted());
    // Nobody answers any more: a later question takes its escape button unseen.
    EXPECT_EQ(GenericMessagePopup("Frage", "?", "Ja", "Nein", "", 1, 1, 2), 2);

    Krv4SteuerungBeenden();
    EXPECT_TRUE(QFile::exists(dir.filePath(QString::fromLatin1(kWiederherstellungsdatei))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QString::fromLatin1(kEinstellungsdatei))));
    Wiederherstellungsdaten daten;
    ASSERT_TRUE(WiederherstellungLesen(&daten));
    EXPECT_EQ(daten.dateiname, "Unbenannt");
}

}  // namespace
