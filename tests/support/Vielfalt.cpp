#include "support/Vielfalt.h"

#include <cstdio>
#include <cstring>

#include "model/Programmverwaltung.h"

void VielfaeltigerSpeicher() {
    ProgrammeInitialisieren();
    for (int i = 0; i < kAnzahlProgramme; ++i) {
        Programm& p = gProg[i];
        char name[kNamenslaenge];
        std::snprintf(name, sizeof name, i % 3 == 0 ? "Prüfung Nr. %d" : "P%d", i + 1);
        std::memset(p.name, 0, sizeof p.name);
        NameSetzen(p.name, name);
        p.psAnzahl = 1 + (i * 7) % kMaxPruefschritte;
        p.psIndex = 0;
        for (int j = 0; j < p.psAnzahl; ++j) {
            Pruefschritt& s = p.schritte[j];
            s = kStandardPruefschritt;
            std::memset(s.name, 0, sizeof s.name);
            NameSetzen(s.name, j == 0 ? "Überdruckprüfung groß" : (j == 1 ? "x" : "Schritt"));
            const int k = i * 10 + j;
            s.messgeraet = 1 + k % 6;
            s.rpgMessbereich = 1 + k % 4;
            s.gutWenn = k % 2 ? GUT_AUSSERHALB : GUT_INNERHALB;
            s.grenzenGut = (k / 2) % 2;
            s.netzgeraetAktiv = s.messgeraet != MESSGERAET_RPG && k % 3 == 0;
            s.impulsAktiv = s.messgeraet != MESSGERAET_RPG && !s.netzgeraetAktiv && k % 3 == 1;
            s.netzgeraetU = (k % 34) * 0.97;
            s.netzgeraetI = (k % 20) * 0.5;
            s.impulsEinschaltzeit = k * 2.26;
            s.impulsAusschaltzeit = 0.1 + k;
            s.impulsZyklen = 1 + k * 100;
            s.messwartezeit = k % 601;
            s.messenBisWeiter = k % 5 == 0;
            s.differenzmessung = k % 7 == 0;
            s.untererGrenzwert = -1.5 + k * 0.125;
            s.obererGrenzwert = s.untererGrenzwert + 100.00004;
            for (int v = 0; v < kAnzahlVentile; ++v) s.ventile[v] = (k >> v) & 1;
        }
    }
    gProgIndex = 0;
    ProgrammverwaltungNachDateiLaden();
}
