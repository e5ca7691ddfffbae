// A full write of 16 programs x 10 steps (2448 commands) through the
// operation behind "zu KRV-4 schreiben", against krv4sim:
//   (a) on a line paced at 9600 baud: the time against the pure wire time
//       (10 bits per character, both directions), target at most 1.02 on a
//       quiet machine, Qt within 1 % of headless;
//   (b) unpaced: the software cost per command, target under 0.06 ms.
// With the Qt front end (offscreen unless a display is set) the button is
// clicked on the program's real panels and the progress is painted as the
// program paints it (at most 25 times a second); --headless runs the same on
// the headless toolkit.
//   bench_transfer [--headless] [unpaced runs]   (default 5)

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Simulator.h"
#include "Zeitmessung.h"
#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "platform/SerialPort.h"
#include "toolkit/Headless.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

#ifdef KRV4_BENCH_QT
#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include "toolkit/qt/QtToolkit.h"
#include "ui/qt/Layouts.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// The real port, counting what goes over the line and when the first
// command left.
class ZaehlPort : public SerialPort {
public:
    explicit ZaehlPort(std::string pfad) : port_(std::move(pfad)) {}
    int open(const char* n, long b, int p, int d, int s, int i, int o) override { return port_.open(n, b, p, d, s, i, o); }
    int close() override { return port_.close(); }
    int setTimeout(double s) override { return port_.setTimeout(s); }
    int flushIn() override { return port_.flushIn(); }
    int flushOut() override { return port_.flushOut(); }
    int write(const char* b, int n) override {
        if (befehle++ == 0) erster = Clock::now();
        int r = port_.write(b, n);
        if (r > 0) zeichen += r;
        return r;
    }
    int outQueueLength() override { return port_.outQueueLength(); }
    int waitOutQueueEmpty() override { return port_.waitOutQueueEmpty(); }
    int readByte() override {
        int b = port_.readByte();
        if (b >= 0) ++zeichen;
        return b;
    }

    long befehle = 0;
    long zeichen = 0;
    Clock::time_point erster{};

private:
    PosixSerialPort port_;
};

// 16 programs of 10 steps, the values varying from step to step.
void VollerSpeicher() {
    ProgrammeInitialisieren();
    for (int i = 0; i < kAnzahlProgramme; ++i) {
        gProg[i].psAnzahl = kMaxPruefschritte;
        for (int j = 0; j < kMaxPruefschritte; ++j) {
            Pruefschritt& s = gProg[i].schritte[j];
            s = kStandardPruefschritt;
            char name[kNamenslaenge];
            std::snprintf(name, sizeof name, "Schritt %d.%d", i + 1, j + 1);
            NameSetzen(s.name, name);
            s.messgeraet = 1 + (i + j) % 6;
            s.netzgeraetAktiv = s.messgeraet != MESSGERAET_RPG;
            s.netzgeraetU = 12.5 + j;
            s.netzgeraetI = 0.25 * j;
            s.untererGrenzwert = -0.5 * j;
            s.obererGrenzwert = 100.0 + i;
            s.impulsEinschaltzeit = 2.26 * j;
            s.messwartezeit = 30 + j;
        }
    }
    gProgIndex = 0;
    ProgrammverwaltungNachDateiLaden();
}

bool gQt = false;

struct Lauf {
    double sekunden = 0, cpu = 0;
    long befehle = 0, zeichen = 0;
    int status = 0;
};

Lauf Schreiben(const std::vector<std::string>& simOptionen) {
    Sim sim = SimProzess(simOptionen);
    auto port = std::make_shared<ZaehlPort>(sim.pfad);
    SerialPortSetzen(1, port);
    SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
    if (Com_OpenComPort() != 0) {
        std::fprintf(stderr, "Port %s lässt sich nicht öffnen\n", sim.pfad.c_str());
        std::exit(1);
    }
    double c0 = Cpu();
#ifdef KRV4_BENCH_QT
    if (gQt) {
        // The question is answered with Enter ("alle") as soon as it is up.
        QTimer enter;
        QObject::connect(&enter, &QTimer::timeout, [] {
            if (QWidget* m = QApplication::activeModalWidget()) {
                QKeyEvent druck(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(m, &druck);
            }
        });
        enter.start(5);
        static_cast<QAbstractButton*>(QtControlWidget(panelHandle, PANEL_GERAETSCHREIBEN))->click();
    }
#endif
    if (!gQt) {
        static_cast<HeadlessBackend*>(CurrentToolkitBackend())->AnswerGeneric(2);
        Press(panelHandle, PANEL_GERAETSCHREIBEN);
    }
    Lauf l;
    l.sekunden = std::chrono::duration<double>(Clock::now() - port->erster).count();
    l.cpu = Cpu() - c0;
    l.befehle = port->befehle;
    l.zeichen = port->zeichen;
    GetCtrlVal(panelHandle, PANEL_FEHLERNUMMER, l.status);
    Com_CloseComPort();
    SerialPortSetzen(1, nullptr);
    SimProzessBeenden(sim);
    return l;
}

}  // namespace

int main(int argc, char* argv[]) {
    int laeufe = 5;
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0) headless = true;
        else laeufe = std::atoi(argv[i]);
    }
#ifdef KRV4_BENCH_QT
    if (!headless && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    if (!headless) {
        SetToolkitBackend(CreateQtBackend(qtArgc, argv));
        InstallKrv4QtLook();
        gQt = true;
    }
#endif
    (void)headless;  // without Qt every run is headless
    if (!gQt) UseHeadlessBackend();
    char* args[] = {argv[0], nullptr};
    if (Krv4SteuerungStarten(1, args) < 0) {
        std::fprintf(stderr, "Start fehlgeschlagen\n");
        return 1;
    }
    VollerSpeicher();
    std::string name = "headless";
#ifdef KRV4_BENCH_QT
    if (gQt) name = "Qt (" + QApplication::platformName().toStdString() + ")";
#endif

    Lauf t = Schreiben({"--pace"});
    double draht = t.zeichen * 10.0 / 9600.0;
    std::printf("(a) %s, 9600 Baud: %ld Befehle, %ld Zeichen, %.3f s gegen %.3f s Leitungszeit: Verhältnis %.4f "
                "(Ziel <= 1.02), CPU %.3f s, Status %d\n",
                name.c_str(), t.befehle, t.zeichen, t.sekunden, draht, t.sekunden / draht, t.cpu, -t.status);
    double best = 1e9, summe = 0, cpu = 0;
    long befehle = 0;
    for (int i = 0; i < laeufe; ++i) {
        Lauf u = Schreiben({});
        double je = u.sekunden / u.befehle * 1e3;
        best = std::min(best, je);
        summe += je;
        cpu += u.cpu / u.befehle * 1e3;
        befehle = u.befehle;
    }
    std::printf("(b) %s, ungetaktet, %d Läufe zu %ld Befehlen: %.4f ms je Befehl im Mittel, bester Lauf %.4f ms "
                "(Ziel < 0.06 ms), CPU des Programms %.4f ms je Befehl\n",
                name.c_str(), laeufe, befehle, summe / laeufe, best, cpu / laeufe);
    SetToolkitBackend(nullptr);
    return 0;
}
