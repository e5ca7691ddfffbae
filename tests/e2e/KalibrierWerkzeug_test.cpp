#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/Prozess.h"
#include "panels/Kalibrieren.h"

namespace {

// krv4 calib against a simulator, on files of the calibration panel's format.
class KalibrierWerkzeug : public ::testing::Test {
protected:
    void SetUp() override { sim = std::make_unique<Simulator>(std::vector<std::string>{}); }
    void TearDown() override {
        for (const std::string& d : {quelle, ziel}) std::remove(d.c_str());
    }
    Ergebnis krv4(std::vector<std::string> argumente) {
        argumente.insert(argumente.begin(), {"--port", sim->pfad()});
        return Ausfuehren(kWerkzeug, argumente);
    }
    static Kalibrierwerte Beispiel() {
        Kalibrierwerte w;
        KalibrierwerteGrundstellung(w);
        // Six decimals, as the device keeps them: the double of the decimal text.
        for (int i = 0; i < kAnzahlKalibrierwerte; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "%.6f", (i % 2 == 0 ? 1.0 : 0.0) + (i + 1) * 0.001001 * (i % 3 == 0 ? -1 : 1));
            w.werte[i] = std::strtod(text, nullptr);
        }
        return w;
    }
    // What show prints for a record.
    static std::string Ausgabe(const Kalibrierwerte& w) {
        std::string s;
        for (int k = 0; k < kAnzahlKalibrierkanaele; ++k) {
            char zeile[96];
            std::snprintf(zeile, sizeof zeile, "%-12s V %.6f  Off %.6f\n", kKalibrierkanaele[k].name,
                          w.werte[2 * k], w.werte[2 * k + 1]);
            s += zeile;
        }
        return s;
    }

    std::unique_ptr<Simulator> sim;
    const std::string quelle = TempName("krv4_calib_quelle.krk");
    const std::string ziel = TempName("krv4_calib_ziel.krk");
};

TEST_F(KalibrierWerkzeug, WrittenValuesAreReadBackEqualAndShown) {
    const Kalibrierwerte beispiel = Beispiel();
    ASSERT_EQ(KalibrierdateiSchreiben(quelle.c_str(), beispiel), 0);

    Ergebnis e = krv4({"calib", "show", quelle});
    EXPECT_EQ(e.status, 0) << e.fehler;
    EXPECT_EQ(e.aus, Ausgabe(beispiel));
    EXPECT_NE(e.aus.find("RPG 30 kOhm  V 1.017017  Off 0.018018\n"), std::string::npos) << e.aus;

    e = krv4({"calib", "write", quelle});
    EXPECT_EQ(e.status, 0) << e.fehler;
    EXPECT_EQ(e.aus, Ausgabe(beispiel));

    e = krv4({"calib", "read", ziel});
    EXPECT_EQ(e.status, 0) << e.fehler;
    EXPECT_EQ(e.aus, Ausgabe(beispiel));
    Kalibrierwerte gelesen;
    ASSERT_EQ(KalibrierdateiLesen(ziel.c_str(), gelesen), 0);
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i)
        EXPECT_EQ(gelesen.werte[i], beispiel.werte[i]) << KalibrierParameter(i);

    e = krv4({"calib", "show", ziel});
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.aus, Ausgabe(beispiel));
}

TEST_F(KalibrierWerkzeug, FailuresGiveTheCodeAndTouchNeitherDeviceNorFile) {
    // Not a calibration file: refused before the line is used.
    {
        std::FILE* f = std::fopen(quelle.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("kein Kalibrierdatensatz", f);
        std::fclose(f);
    }
    for (const char* vorgang : {"show", "write"}) {
        SCOPED_TRACE(vorgang);
        Ergebnis e = krv4({"calib", vorgang, quelle});
        EXPECT_EQ(e.status, 1);
        EXPECT_EQ(e.aus, "");
        EXPECT_EQ(e.fehler.rfind("Fehler #304000: ", 0), 0u) << e.fehler;
    }
    Ergebnis e = krv4({"calib", "show", TempName("krv4_calib_fehlt.krk")});
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(e.fehler.rfind("Fehler #308000: ", 0), 0u) << e.fehler;

    // A silent device: the file to be read into is not created.
    sim = std::make_unique<Simulator>(std::vector<std::string>{"--vanish-after", "3"});
    e = krv4({"calib", "read", ziel});
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(e.fehler.rfind("Fehler #403", 0), 0u) << e.fehler;
    EXPECT_FALSE(std::ifstream(ziel).good());

    e = Ausfuehren(kWerkzeug, {"--port", sim->pfad(), "calib"});
    EXPECT_EQ(e.status, 2);
}

}  // namespace
