#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "app/Wiederherstellung.h"
#include "model/Programmverwaltung.h"
#include "storage/Dateifunktionen.h"
#include "support/AppFixture.h"
#include "toolkit/Toolkit.h"
#include "ui/Krv4Steuerung_uir.h"

// The recovery file: what an end from outside leaves, and what the next
// start makes of it, whatever bytes it holds.

namespace {

namespace fs = std::filesystem;

class Wiederherstellung : public AppTest {
protected:
    void SetUp() override {
        altesVerzeichnis = fs::current_path();
        verzeichnis = fs::temp_directory_path() / ("krv4-wdh-" + std::to_string(getpid()));
        fs::remove_all(verzeichnis);
        fs::create_directories(verzeichnis);
        fs::current_path(verzeichnis);
        AppTest::SetUp();
    }
    void TearDown() override {
        AppTest::TearDown();
        fs::current_path(altesVerzeichnis);
        fs::remove_all(verzeichnis);
    }
    static std::string Inhalt() {
        std::ifstream f(kWiederherstellungsdatei, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    static void Schreiben(const std::string& inhalt) {
        std::ofstream(kWiederherstellungsdatei, std::ios::binary) << inhalt;
    }
    fs::path altesVerzeichnis, verzeichnis;
};

TEST_F(Wiederherstellung, HoldsTheDataFileTheTimeAndTheNameAndOpensAsADataFile) {
    NameSetzen(gProg[3].name, "Dichtheit");
    gProgIndex = 3;
    ProgrammverwaltungNachDateiLaden();
    Operate(panelHandle, PANEL_NETZGERAETU, 4.5);  // still in the working copy only
    DateinameSetzen("/daten/auftrag.krv");
    ASSERT_EQ(WiederherstellungSchreiben(), 0);
    const std::string inhalt = Inhalt();
    ASSERT_GT(inhalt.size(), kDatenblockGroesse);
    const std::string rest = inhalt.substr(kDatenblockGroesse);
    // "10.12.2026 11:45", NUL, the name, NUL.
    ASSERT_EQ(rest.size(), 16 + 1 + std::string("/daten/auftrag.krv").size() + 1);
    EXPECT_EQ(rest[2], '.');
    EXPECT_EQ(rest[13], ':');
    EXPECT_EQ(rest.substr(17), std::string("/daten/auftrag.krv") + '\0');

    // "Öffnen" takes it as the data file it begins with.
    ProgrammeInitialisieren();
    ASSERT_EQ(DateiLaden(kWiederherstellungsdatei), 0);
    EXPECT_STREQ(gProg[3].name, "Dichtheit");
    EXPECT_EQ(gProgIndex, 3);
    EXPECT_EQ(gProg[3].schritte[0].netzgeraetU, 4.5);
}

TEST_F(Wiederherstellung, NeinRemovesTheFileAndTheProgramStartsEmpty) {
    NameSetzen(gProg[0].name, "Alt");
    ASSERT_EQ(WiederherstellungSchreiben(), 0);
    ui = &FreshHeadlessToolkit();
    ui->AnswerGeneric(2);
    ProgrammspeicherZuruecksetzen();
    char name[] = "krv4steuerung";
    char* argv[] = {name, nullptr};
    ASSERT_EQ(Krv4SteuerungStarten(1, argv), 0);
    ASSERT_EQ(ui->Shown().size(), 1u);
    EXPECT_EQ(ui->Shown()[0].escapeButton, 2);
    EXPECT_FALSE(fs::exists(kWiederherstellungsdatei));
    EXPECT_STREQ(gProg[0].name, "Programm 1");
    EXPECT_FALSE(gDatenGeaendert);
}

// Only a whole recovery file is offered; anything else is left alone, and the
// program starts as usual.
TEST_F(Wiederherstellung, AnyOtherBytesAreNeitherOfferedNorRemoved) {
    DateinameSetzen("/daten/a.krv");
    ASSERT_EQ(WiederherstellungSchreiben(), 0);
    const std::string gut = Inhalt();
    Wiederherstellungsdaten daten;
    ASSERT_TRUE(WiederherstellungLesen(&daten));
    EXPECT_EQ(daten.dateiname, "/daten/a.krv");
    // Cut anywhere in the block (a sample) or in the texts after it (every length).
    for (std::size_t laenge = 0; laenge < gut.size(); laenge += laenge + 500 < kDatenblockGroesse ? 499 : 1) {
        Schreiben(gut.substr(0, laenge));
        ASSERT_FALSE(WiederherstellungLesen(&daten)) << laenge;
    }
    std::string kaputt = gut;
    kaputt[0] = 'X';  // not a data file
    std::string ohneZeit = gut;
    ohneZeit[kDatenblockGroesse] = '\0';
    std::string steuerzeichen = gut;
    steuerzeichen[kDatenblockGroesse + 20] = '\n';
    std::mt19937 zufall(7);
    std::string rauschen(gut.size(), '\0');
    for (char& c : rauschen) c = static_cast<char>(zufall());
    for (const std::string& inhalt : {kaputt, ohneZeit, steuerzeichen, gut + "x", gut + std::string(300, 'y'), rauschen}) {
        Schreiben(inhalt);
        EXPECT_FALSE(WiederherstellungLesen(&daten));
        ASSERT_EQ(Start(), 0);  // no pop-up
        EXPECT_EQ(Inhalt(), inhalt);
    }
    fs::remove(kWiederherstellungsdatei);
    fs::create_directory(kWiederherstellungsdatei);
    ASSERT_EQ(Start(), 0);
}

}  // namespace
