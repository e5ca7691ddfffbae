// The driver on the real termios port against krv4sim:
//   (a) a silent device's time-out and the CPU the program burns meanwhile,
//   (b) parameter writes against the unpaced simulator (software cost),
//   (c) the same on a line paced at 9600 baud against the wire time.
// Usage: bench_device [writes]   (default 1000)

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "device/qvlkrv4.h"
#include "platform/SerialPort.h"
#include "Simulator.h"
#include "Zeitmessung.h"


namespace {

using Clock = std::chrono::steady_clock;

double Seit(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

Sim SimStarten(std::vector<std::string> optionen) {
    Sim s = SimProzess(std::move(optionen));
    SerialPortSetzen(1, nullptr);
    if (QVLKRV4_Open(1, 9600) != 0 || QVLKRV4_Timeout(1, 1.0) != 0) {
        std::fprintf(stderr, "Port %s lässt sich nicht öffnen\n", s.pfad.c_str());
        std::exit(1);
    }
    return s;
}

void SimBeenden(Sim& s) {
    QVLKRV4_Close(1);
    SimProzessBeenden(s);
}

// One step parameter after the other, each with a valid value; returns the
// characters on the line: the command and its ACK.
int Schreiben(int i) {
    static const struct {
        const char* name;
        double real;
        int ganz;
        const char* text;
    } kWerte[] = {
        {"schrittname", 0, 0, "Dichtheit DS"}, {"unterergrenzwert", -0.5, 0, nullptr},
        {"oberergrenzwert", 12.25, 0, nullptr}, {"messgeraet", 0, 4, nullptr},
        {"vergleich", 0, 2, nullptr},          {"messzeit", 0, 30, nullptr},
        {"relaisgruppe1", 0, 0x1200, nullptr}, {"relaisgruppe2", 0, 0, nullptr},
        {"schrittmodus", 0, 17, nullptr},      {"impulseinzeit", 0, 500, nullptr},
        {"impulsauszeit", 0, 1500, nullptr},   {"impulszyklen", 0, 10, nullptr},
        {"spannung", 24.0, 0, nullptr},        {"strom", 1.5, 0, nullptr},
    };
    const auto& w = kWerte[i % (sizeof kWerte / sizeof kWerte[0])];
    int r = QVLKRV4_ParameterSchreiben(1, '1', w.name, w.real, w.ganz, w.text);
    if (r != 0) {
        std::fprintf(stderr, "Schreiben von %s: %d\n", w.name, r);
        std::exit(1);
    }
    char text[32];
    return 5 + QVLKRV4_WertText(QVLKRV4_ParameterSuchen(w.name), w.real, w.ganz, w.text, text, sizeof text) + 1 + 1;
}

}  // namespace

int main(int argc, char** argv) {
    const int anzahl = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (anzahl < 1) {
        std::fprintf(stderr, "Aufruf: bench_device [Anzahl]\n");
        return 2;
    }

    Sim sim = SimStarten({});
    {
        const int n = 5;
        double summe = 0, min = 1e9, max = 0, cpu = 0;
        for (int i = 0; i < n; ++i) {
            int status = 0;
            double c0 = Cpu();
            auto t0 = Clock::now();
            int r = QVLKRV4_StatusLesen(1, '2', 1, &status);
            double t = Seit(t0);
            cpu += Cpu() - c0;
            if (r != -403142) {
                std::fprintf(stderr, "unerwartet: %d\n", r);
                return 1;
            }
            summe += t;
            min = std::min(min, t);
            max = std::max(max, t);
        }
        std::printf("(a) Zeitüberschreitung bei stummem Gerät: Mittel %.4f s (min %.4f, max %.4f; Ziel 1.00 ± 0.02 s), "
                    "CPU %.3f ms je Zeitüberschreitung (Ziel < 10 ms)\n",
                    summe / n, min, max, cpu / n * 1e3);
    }
    {
        double c0 = Cpu();
        auto t0 = Clock::now();
        for (int i = 0; i < anzahl; ++i) {
            Schreiben(i);
        }
        double t = Seit(t0);
        double cpu = Cpu() - c0;
        std::printf("(b) %d Parameter schreiben, ungetaktet: %.3f s, %.4f ms je Befehl (Ziel < 0.5 ms), "
                    "CPU des Programms %.4f ms je Befehl\n",
                    anzahl, t, t / anzahl * 1e3, cpu / anzahl * 1e3);
    }
    SimBeenden(sim);

    sim = SimStarten({"--pace"});
    {
        long zeichen = 0;
        std::vector<double> mehr;  // per command: time beyond its wire time
        double c0 = Cpu();
        auto t0 = Clock::now();
        for (int i = 0; i < anzahl; ++i) {
            auto t1 = Clock::now();
            int z = Schreiben(i);
            mehr.push_back(Seit(t1) - z * 10.0 / 9600.0);
            zeichen += z;
        }
        double t = Seit(t0);
        double cpu = Cpu() - c0;
        double draht = static_cast<double>(zeichen) * 10.0 / 9600.0;
        std::sort(mehr.begin(), mehr.end());
        auto q = [&](double anteil) { return mehr[static_cast<size_t>(anteil * (anzahl - 1))] * 1e6; };
        std::printf("(c) %d Parameter schreiben, 9600 Baud: %.3f s, Leitungszeit von %ld Zeichen %.3f s, "
                    "Abweichung %+.2f %% (Ziel innerhalb 3 %%), CPU des Programms %.4f ms je Befehl\n"
                    "    Zeit über der Leitungszeit je Befehl: Median %.0f us, 90 %% %.0f us, 99 %% %.0f us, "
                    "max %.0f us (Leitungszeit im Mittel %.0f us)\n",
                    anzahl, t, zeichen, draht, (t / draht - 1.0) * 100.0, cpu / anzahl * 1e3, q(0.5), q(0.9),
                    q(0.99), mehr.back() * 1e6, draht / anzahl * 1e6);
    }
    SimBeenden(sim);
    return 0;
}
