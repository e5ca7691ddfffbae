#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "model/Schrittliste.h"
#include "qt/QtFixture.h"
#include "storage/Dateifunktionen.h"
#include "toolkit/qt/Cp1252.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/qt/Layouts.h"

// The command line: the service switch alone, or one data file to open.

namespace {

struct Lauf {
    int code = -1;
    std::string ausgabe;  // standard output and error
};

// Runs the program itself in a directory of its own, bounded to a minute;
// `setzen` holds NAME=value, `weg` the variables taken away.
Lauf Starte(const QStringList& setzen, const QStringList& weg, const QStringList& argumente) {
    QTemporaryDir dir;
    QProcessEnvironment umgebung = QProcessEnvironment::systemEnvironment();
    for (const QString& name : weg) umgebung.remove(name);
    for (const QString& paar : setzen) umgebung.insert(paar.section(QLatin1Char('='), 0, 0), paar.section(QLatin1Char('='), 1));
    // The sanitizer build: fontconfig's own cache is no leak of the program.
    QFile ausnahmen(dir.filePath(QStringLiteral("lsan")));
    if (ausnahmen.open(QIODevice::WriteOnly)) ausnahmen.write("leak:libfontconfig.so\n");
    ausnahmen.close();
    umgebung.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=") + ausnahmen.fileName());
    QProcess programm;
    programm.setProcessEnvironment(umgebung);
    programm.setWorkingDirectory(dir.path());
    programm.setProcessChannelMode(QProcess::MergedChannels);
    programm.setStandardInputFile(QProcess::nullDevice());
    // Absolute with its drive on Windows: the working directory may be on another.
    programm.start(QFileInfo(QStringLiteral(KRV4_BINARY_DIR "/krv4steuerung")).absoluteFilePath(), argumente);
    Lauf lauf;
    if (!programm.waitForFinished(60000)) programm.kill();
    programm.waitForFinished(5000);
    if (programm.exitStatus() == QProcess::NormalExit) lauf.code = programm.exitCode();
    lauf.ausgabe = programm.readAll().toStdString();
    return lauf;
}

// Notes and closes any modal box that opens while it lives.
struct PopupWaechter {
    PopupWaechter() {
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
                gesehen = true;
                if (auto* box = qobject_cast<QMessageBox*>(modal)) box->accept();
            }
        });
        timer.start(5);
    }
    QTimer timer;
    bool gesehen = false;
};

class Aufruf : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        InstallQtToolkit();
        InstallKrv4QtLook();
        ProgrammspeicherZuruecksetzen();
        KopierpufferZuruecksetzen();
    }
    void TearDown() override { SetToolkitBackend(nullptr); }

    int Starten(std::vector<std::string> args) {
        static std::vector<std::string> keep;
        keep = std::move(args);
        keep.insert(keep.begin(), "krv4steuerung");
        std::vector<char*> argv;
        for (std::string& a : keep) argv.push_back(a.data());
        argv.push_back(nullptr);
        return Krv4SteuerungStarten(static_cast<int>(keep.size()), argv.data());
    }

    // A data file whose third program is named and selected.
    std::string Datei(const char* name) {
        Starten({});
        std::snprintf(gProg[2].name, sizeof gProg[2].name, "%s", "Dichtheit");
        gProgIndex = 2;
        Datenblock block;
        DatenblockErstellen(block);
        SetToolkitBackend(nullptr);
        InstallQtToolkit();
        ProgrammspeicherZuruecksetzen();
        QFile f(dir.filePath(FromCp1252(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(&block), sizeof block);
        // As the program takes it from the command line: the system's own name.
        return ToFileName(f.fileName());
    }

    QTemporaryDir dir;
};

std::string Titel() {
    std::string titel;
    GetPanelAttribute(panelHandle, ATTR_TITLE, titel);
    return titel;
}

TEST_F(Aufruf, AFileOnTheCommandLineIsOpenedAtStart) {
    std::string pfad = Datei("Prüfung 7.krv");
    PopupWaechter popup;
    ASSERT_EQ(Starten({pfad}), 0);
    EXPECT_FALSE(popup.gesehen);
    EXPECT_EQ(Titel(), "KRV4 Steuerung - Prüfung 7.krv");
    int index = -1;
    GetCtrlIndex(panelHandle, PANEL_PROGRAMMLISTE, index);
    EXPECT_EQ(index, 2);
    std::string label;
    GetLabelFromIndex(panelHandle, PANEL_PROGRAMMLISTE, 2, label);
    EXPECT_NE(label.find("Dichtheit"), std::string::npos) << label;
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_EQ(QDir::fromNativeSeparators(FromFileName(gDateiname)), QDir::fromNativeSeparators(FromFileName(pfad)));
    EXPECT_FALSE(QtControlWidget(panelHandle, PANEL_KALIBRIERUNG)->isVisible());
}

// The same pop-up as "Öffnen" shows, and the program starts empty.
TEST_F(Aufruf, AFileThatCannotBeOpenedIsReportedAndTheProgramStartsEmpty) {
    QFile kurz(dir.filePath(QStringLiteral("kurz.krv")));
    ASSERT_TRUE(kurz.open(QIODevice::WriteOnly));
    kurz.write("QVLKRV4TST1 Programme");
    kurz.close();
    const struct {
        std::string argument;
        const char16_t* meldung;  // part of the pop-up's text
    } faelle[] = {
        {dir.filePath(QStringLiteral("fehlt.krv")).toStdString(), u"308"},
        {kurz.fileName().toStdString(), u"304"},
    };
    for (auto& f : faelle) {
        SCOPED_TRACE(f.argument);
        SetToolkitBackend(nullptr);
        InstallQtToolkit();
        QString text;
        WhenModal([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                text = box->windowTitle() + QLatin1Char(' ') + box->text();
                box->accept();
            }
        });
        ASSERT_EQ(Starten({f.argument}), 0);
        EXPECT_TRUE(text.contains(QString::fromUtf16(f.meldung))) << text.toStdString();
        EXPECT_EQ(Titel(), "KRV4 Steuerung - Unbenannt");
        EXPECT_FALSE(QtControlWidget(panelHandle, PANEL_KALIBRIERUNG)->isVisible());
    }
}

// A mistyped switch is no file name: no pop-up, nothing opened, no calibration.
TEST_F(Aufruf, AnArgumentBeginningWithADashIsIgnored) {
    for (const char* argument : {"-P=SrvModeOpen", "-p=srvmodeopen", "--help", "-"}) {
        SCOPED_TRACE(argument);
        SetToolkitBackend(nullptr);
        InstallQtToolkit();
        PopupWaechter popup;
        ASSERT_EQ(Starten({argument}), 0);
        QApplication::processEvents();
        EXPECT_FALSE(popup.gesehen);
        EXPECT_FALSE(gKalibrierFlag);
        EXPECT_FALSE(QtControlWidget(panelHandle, PANEL_KALIBRIERUNG)->isVisible());
        EXPECT_EQ(Titel(), "KRV4 Steuerung - Unbenannt");
    }
}

TEST_F(Aufruf, TheServiceSwitchAloneOffersCalibrationAndOpensNothing) {
    PopupWaechter popup;
    ASSERT_EQ(Starten({"-p=SrvModeOpen"}), 0);
    QApplication::processEvents();
    EXPECT_FALSE(popup.gesehen);
    EXPECT_TRUE(gKalibrierFlag);
    EXPECT_TRUE(QtControlWidget(panelHandle, PANEL_KALIBRIERUNG)->isVisible());
    EXPECT_EQ(Titel(), "KRV4 Steuerung - Unbenannt");
}

// The program itself: its command line is judged as given, before Qt takes
// its own options out of it. The window's title shows whether the file was
// opened (KRV4_SCREENSHOT ends the run once the window is up).
TEST_F(Aufruf, TheCommandLineIsJudgedBeforeQtTakesItsOptions) {
    std::string pfad = Datei("auftrag.krv");
    QStringList umgebung{QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                         QStringLiteral("KRV4_SCREENSHOT=") + dir.filePath(QStringLiteral("foto.png"))};
    QString datei = QString::fromLocal8Bit(pfad);
    Lauf allein = Starte(umgebung, {}, {datei});
    EXPECT_EQ(allein.code, 0) << allein.ausgabe;
    EXPECT_NE(allein.ausgabe.find("KRV4 Steuerung - auftrag.krv"), std::string::npos) << allein.ausgabe;
    Lauf mitQt = Starte(umgebung, {}, {datei, QStringLiteral("-platform"), QStringLiteral("offscreen")});
    EXPECT_EQ(mitQt.code, 0) << mitQt.ausgabe;
    EXPECT_NE(mitQt.ausgabe.find("KRV4 Steuerung - Unbenannt"), std::string::npos) << mitQt.ausgabe;
}

// Without a display the program says so in German and ends with its failure
// code (-1), instead of being aborted by Qt.
TEST(Start, WithoutADisplayEndsWithTheFailureCodeAndAGermanMessage) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows always has a display: no X11 or Wayland session to miss";
#endif
    Lauf lauf = Starte({QStringLiteral("QT_QPA_PLATFORM=xcb")},
                       {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY")}, {});
    EXPECT_EQ(lauf.code, 255) << lauf.ausgabe;
    // The terminal reads UTF-8, whatever the program's own code page.
    std::string meldung(reinterpret_cast<const char*>(u8"Die Bedienoberfläche kann nicht starten: keine Anzeige"));
    EXPECT_NE(lauf.ausgabe.find(meldung), std::string::npos)
        << lauf.ausgabe;
    EXPECT_EQ(lauf.ausgabe.find("Aborted"), std::string::npos) << lauf.ausgabe;
}

}  // namespace
