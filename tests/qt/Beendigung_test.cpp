#ifdef _WIN32
#include <gtest/gtest.h>

// Signals, fork and an X display that goes away are POSIX's.
TEST(QtBeendigung, NeedsPosixSignalsAndAnXDisplay) { GTEST_SKIP() << "POSIX signals and X11 only"; }
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractSpinBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

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

// ---- a display that goes away ----

std::string Inhalt(const QString& datei) {
    std::ifstream f(datei.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Starts a program in the directory with the environment additions; its
// standard output into the pipe end (or /dev/null).
pid_t Starten(const std::vector<std::string>& befehl, const std::string& verzeichnis,
              const std::vector<std::string>& umgebung, int ausgabe = -1, int erbe = -1) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    if (!verzeichnis.empty() && chdir(verzeichnis.c_str()) != 0) _exit(127);
    for (const std::string& u : umgebung) putenv(const_cast<char*>(u.c_str()));
    int null = open("/dev/null", O_RDWR);
    dup2(ausgabe >= 0 ? ausgabe : null, 1);
    dup2(null, 2);
    dup2(null, 0);
    if (erbe >= 0) fcntl(erbe, F_SETFD, 0);
    std::vector<char*> argv;
    for (const std::string& b : befehl) argv.push_back(const_cast<char*>(b.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// The first line a child writes into the pipe, bounded.
std::string ErsteZeile(int fd, int ms) {
    std::string zeile;
    pollfd p{fd, POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, ms) > 0 && read(fd, &c, 1) == 1 && c != '\n') zeile += c;
    return zeile;
}

// Exit status, or -1 after killing it at the limit.
int Warten(pid_t pid, int ms) {
    int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    pollfd p{fd, POLLIN, 0};
    if (fd >= 0 && poll(&p, 1, ms) == 0) kill(pid, SIGKILL);
    if (fd >= 0) close(fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The main panel's controls that Tab reaches, in the order it reaches them,
// beginning with the one that has the focus when the window opens.
std::vector<QWidget*> Tabfolge() {
    QWidget* window = QtPanelWindow(panelHandle);
    std::vector<QWidget*> folge;
    QWidget* w = window;
    for (int guard = 0; guard < 2000; ++guard) {
        w = w->nextInFocusChain();
        if (w == window) break;
        // A spin box's own line edit is its focus, not another stop.
        const bool vertreter = qobject_cast<QAbstractSpinBox*>(w->parentWidget()) != nullptr;
        if (w->isVisibleTo(window) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && !vertreter &&
            std::find(folge.begin(), folge.end(), w) == folge.end())
            folge.push_back(w);
    }
    return folge;
}

int Stelle(const std::vector<QWidget*>& folge, int control) {
    auto it = std::find(folge.begin(), folge.end(), QtControlWidget(panelHandle, control));
    return it == folge.end() ? -1 : static_cast<int>(it - folge.begin());
}

// The real program on a real (virtual) display, a person changing a value
// and starting the direct test with the keyboard; then the display dies.
// Qt ends the process; the program still switches the direct test off,
// writes its settings and keeps the unsaved data.
TEST_F(QtBeendigung, ALostDisplayStillSwitchesTheDirectTestOffAndKeepsTheData) {
    if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0)
        GTEST_SKIP() << "Xvfb and xdotool are needed";
    // The way there by Tab, worked out on the same widgets here.
    const std::vector<QWidget*> folge = Tabfolge();
    const int netzgeraet = Stelle(folge, PANEL_NETZGERAETAKTIV);
    const int direkttest = Stelle(folge, PANEL_DIREKTTEST);
    ASSERT_GT(netzgeraet, 0);
    ASSERT_GT(direkttest, 0);
    const int n = static_cast<int>(folge.size());
    const int weiter = ((direkttest - netzgeraet) % n + n) % n;

    QTemporaryDir ort;
    const std::string hier = ort.path().toStdString();
    const std::string log = hier + "/sim.log";
    std::ofstream(hier + "/" + kEinstellungsdatei, std::ios::binary) << "[KRV4]\r\nadresse = 49\r\nport = 1\r\n";
    int rohr[2];
    ASSERT_EQ(pipe2(rohr, O_CLOEXEC), 0);
    pid_t sim = Starten({KRV4_BINARY_DIR "/tools/krv4sim/krv4sim", "--log", log}, "", {}, rohr[1]);
    const std::string leitung = ErsteZeile(rohr[0], 5000);
    int anzeigeRohr[2];
    ASSERT_EQ(pipe2(anzeigeRohr, O_CLOEXEC), 0);
    pid_t xvfb = Starten({"Xvfb", "-displayfd", std::to_string(anzeigeRohr[1]), "-nolisten", "tcp"}, "", {}, -1,
                         anzeigeRohr[1]);
    const std::string anzeige = ":" + ErsteZeile(anzeigeRohr[0], 10000);
    for (int fd : {rohr[0], rohr[1], anzeigeRohr[0], anzeigeRohr[1]}) close(fd);
    ASSERT_FALSE(leitung.empty());
    ASSERT_GT(anzeige.size(), 1u);

    pid_t programm = Starten({KRV4_BINARY_DIR "/krv4steuerung"}, hier,
                             {"KRV4_COM1=" + leitung, "DISPLAY=" + anzeige, "QT_QPA_PLATFORM=xcb"});
    auto xdotool = [&](const std::string& was) {
        return std::system(("DISPLAY=" + anzeige + " timeout 10 xdotool " + was + " >/dev/null 2>&1").c_str());
    };
    EXPECT_EQ(xdotool("search --sync --name 'KRV4 Steuerung' windowfocus --sync"), 0);
    std::string tasten = "key";
    for (int i = 0; i < netzgeraet; ++i) tasten += " Tab";
    tasten += " space";
    for (int i = 0; i < weiter; ++i) tasten += " Tab";
    tasten += " space";
    EXPECT_EQ(xdotool(tasten), 0);
    bool direkt = false;
    for (int i = 0; i < 500 && !direkt; ++i) {
        direkt = Inhalt(QString::fromStdString(log)).find("#1DF3<CR>") != std::string::npos;
        if (!direkt) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(direkt) << "the direct test did not start " << tasten;

    kill(xvfb, SIGTERM);
    EXPECT_EQ(Warten(xvfb, 10000), 0);
    EXPECT_EQ(Warten(programm, 10000), 1);
    kill(sim, SIGTERM);
    Warten(sim, 5000);

    std::string rahmen = Inhalt(QString::fromStdString(log));
    std::vector<std::string> empfangen;
    for (std::size_t a = 0, e; (e = rahmen.find('\n', a)) != std::string::npos; a = e + 1)
        if (std::size_t p = rahmen.find(" <- ", a); p < e) empfangen.push_back(rahmen.substr(p + 4, e - p - 4));
    ASSERT_FALSE(empfangen.empty());
    EXPECT_EQ(empfangen.back(), "#1DF2<CR>");
    EXPECT_EQ(Inhalt(ort.filePath(QString::fromLatin1(kEinstellungsdatei))),
              "[KRV4]\r\nadresse = 49\r\nlport = 1\r\nport = 1\r\n\r\n");
    ASSERT_TRUE(QDir::setCurrent(ort.path()));
    Wiederherstellungsdaten daten;
    std::string block;
    ASSERT_TRUE(WiederherstellungLesen(&daten, &block));
    Datenblock gerettet;
    std::memcpy(&gerettet, block.data(), sizeof gerettet);
    EXPECT_EQ(gerettet.programme[0].schritte[0].netzgeraetAktiv, 1);
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
}

}  // namespace
#endif
