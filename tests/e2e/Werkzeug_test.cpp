#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "e2e/Prozess.h"

namespace {

// The tool talks UTF-8 whatever the character set of this file's literals.
std::string U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

std::string Lesen(const std::string& datei) {
    std::ifstream f(datei, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The krv4 tool as a technician runs it, against a simulator.
class Werkzeug : public ::testing::Test {
protected:
    Ergebnis krv4(std::vector<std::string> argumente) {
        argumente.insert(argumente.begin(), {"--port", sim->pfad()});
        return Ausfuehren(kWerkzeug, argumente);
    }
    void Starten(const std::vector<std::string>& optionen) { sim = std::make_unique<Simulator>(optionen); }

    std::unique_ptr<Simulator> sim;
    const std::string log = TempName("krv4_werkzeug_sim.log");
};

TEST_F(Werkzeug, EveryCommandPrintsWhatTheDeviceSent) {
    std::remove(log.c_str());
    Starten({"--addresses", "1b", "--log", log, "--test-ms", "60000"});
    struct Fall {
        std::vector<std::string> argumente;
        std::string aus;
    };
    const std::vector<Fall> faelle = {
        {{"id"}, "QVLKRV4-TST1-1000\n"},
        {{"--address", "b", "id"}, "QVLKRV4-TST1-1001\n"},
        {{"status"}, "00\n"},
        {{"function", "direktbetrieb"}, ""},
        {{"function", "start"}, ""},
        {{"status"}, U8(u8"41 Prüfung läuft, Direktbetrieb\n")},
        {{"function", "stopp"}, ""},
        {{"status"}, "08 abgebrochen\n"},
        {{"select", "7", "3"}, ""},
        {{"set", "relaisgruppe1", "0x1a0000"}, ""},
        {{"get", "relaisgruppe1"}, "001A0000\n"},
        {{"set", "schrittmodus", "17"}, ""},
        {{"get", "schrittmodus"}, "11\n"},
        {{"set", "unterergrenzwert", "-0.5"}, ""},
        {{"get", "unterergrenzwert"}, "-0.500\n"},
        {{"set", "messzeit", "600"}, ""},
        {{"get", "messzeit"}, "600\n"},
        {{"set", "schrittname", "Pruefung ~1"}, ""},
        {{"get", "schrittname"}, "Pruefung ~1\n"},
        {{"set", "rpg3k_off", "+1e-3"}, ""},
        {{"get", "rpg3k_off"}, "0.001000\n"},
        {{"--address", "&", "set", "impulszyklen", "65536"}, ""},
        {{"--address", "b", "get", "impulszyklen"}, "65536\n"},
        {{"get", "impulszyklen"}, "65536\n"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(testing::PrintToString(f.argumente));
        Ergebnis e = krv4(f.argumente);
        EXPECT_EQ(e.status, 0) << e.fehler;
        EXPECT_EQ(e.aus, f.aus);
        EXPECT_EQ(e.fehler, "");
    }
    sim->beenden();
    EXPECT_NE(Lesen(log).find("<- #1N2WPruefung ~1<CR>"), std::string::npos) << Lesen(log);
    std::remove(log.c_str());
}

TEST_F(Werkzeug, FailuresPrintTheCodeAndItsGermanText) {
    Starten({"--fault", "1:T1R:nak"});
    struct Fall {
        std::vector<std::string> argumente;
        std::string fehler;
    };
    const std::vector<Fall> faelle = {
        {{"get", "messzeit"}, U8(u8"Fehler #402086: Fehlermeldung (NAK) vom Gerät erhalten\n")},
        {{"set", "spannung", "40.96"}, U8(u8"Fehler #500070: Parameter außerhalb der Grenzwerte\n")},
        // The line carries 7 bits: a name with "ü" would arrive changed.
        {{"set", "schrittname", U8(u8"Prüfung €")}, U8(u8"Fehler #500070: Parameter außerhalb der Grenzwerte\n")},
        {{"set", "oberergrenzwert", "nan"}, U8(u8"Fehler #500070: Parameter außerhalb der Grenzwerte\n")},
        {{"set", "impulseinzeit", "0x10000"}, U8(u8"Fehler #500070: Parameter außerhalb der Grenzwerte\n")},
        {{"set", "relaisgruppe2", "0xFFFFFFFF"}, U8(u8"Fehler #500070: Parameter außerhalb der Grenzwerte\n")},
        {{"get", "Messgeraet"}, U8(u8"Fehler #401081: Unzulässiger Parameter\n")},
        {{"set", "Messgeraet", "1"}, U8(u8"Fehler #401071: Unzulässiger Parameter\n")},
        {{"function", "Start"}, U8(u8"Fehler #401035: Unzulässiger Parameter\n")},
        {{"--address", "&", "id"}, U8(u8"Fehler #400006: Unzulässige Geräteadresse\n")},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(testing::PrintToString(f.argumente));
        Ergebnis e = krv4(f.argumente);
        EXPECT_EQ(e.status, 1);
        EXPECT_EQ(e.aus, "");
        EXPECT_EQ(e.fehler, f.fehler);
    }
    Ergebnis e = Ausfuehren(kWerkzeug, {"--port", "/nonexistent/krv4-line", "id"});
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(e.fehler, U8(u8"krv4: /nonexistent/krv4-line ist nicht angeschlossen\n"
                           u8"Fehler #100003: Fehler beim öffnen der seriellen Schnittstelle\n"));
}

TEST(WerkzeugAufruf, BadUsageExitsWith2BeforeTouchingTheLine) {
    const std::vector<std::vector<std::string>> falsch = {
        {},
        {"lesen"},
        {"--address", "A", "id"},
        {"--address", "0", "id"},
        {"--com", "7", "id"},
        {"--com", "1", "--port", "/dev/null", "id"},
        {"select", "3"},
        {"select", "100", "1"},
        {"set", "messzeit"},
        {"set", "messzeit", U8(u8"zwölf")},
        {"set", "messzeit", "12.5"},
        {"set", "messzeit", "99999999999"},
        {"set", "spannung", "1,5"},
        {"set", "schrittname", "\xe2\x82"},        // broken UTF-8
        {"set", "schrittname", "\xe2\x98\x83"},    // not in code page 1252
        {"id", "status"},
        {"--port", "", "id"},  // not COM 1 instead
        {"--port", "", "write", "programme.krv"},
    };
    for (const auto& a : falsch) {
        SCOPED_TRACE(testing::PrintToString(a));
        EXPECT_EQ(Ausfuehren(kWerkzeug, a).status, 2);
    }
    EXPECT_EQ(Ausfuehren(kWerkzeug, {"--port", "/dev/null", "--trace", "/nonexistent/dir/trace", "id"}).status, 2);
    Ergebnis hilfe = Ausfuehren(kWerkzeug, {"--help"});
    EXPECT_EQ(hilfe.status, 0);
    EXPECT_NE(hilfe.aus.find("relaisgruppe1"), std::string::npos);
    for (const char* code : {"0 Erfolg", "1 Fehler", "2 falscher Aufruf", "3 Vergleich", "4 Vorgang abgelehnt"})
        EXPECT_NE(hilfe.aus.find(code), std::string::npos) << code;
}

TEST_F(Werkzeug, ATraceThatCannotBeWrittenIsAFailure) {
    Starten({});
    for (const std::vector<std::string>& befehl : {std::vector<std::string>{"id"}, {"status"}, {"get", "messzeit"}}) {
        SCOPED_TRACE(befehl[0]);
        std::vector<std::string> a = {"--trace", "/dev/full"};
        a.insert(a.end(), befehl.begin(), befehl.end());
        Ergebnis e = krv4(a);
        EXPECT_EQ(e.status, 1);
        EXPECT_NE(e.fehler.find("Spurdatei /dev/full"), std::string::npos) << e.fehler;
    }
}

TEST_F(Werkzeug, TraceAppendsEveryFrameWithTimeAndDirection) {
    Starten({"--fault", "1:T1R:otherparam"});
    const std::string spur = TempName("krv4_spur.log");
    std::remove(spur.c_str());
    EXPECT_EQ(krv4({"--trace", spur, "id"}).status, 0);
    EXPECT_EQ(krv4({"--trace", spur, "get", "messzeit"}).status, 1);
    std::vector<std::string> zeilen;
    std::ifstream f(spur);
    for (std::string z; std::getline(f, z);) {
        ASSERT_GT(z.size(), 24u) << z;
        EXPECT_EQ(z[4], '-');
        EXPECT_EQ(z[19], '.');  // "YYYY-MM-DD HH:MM:SS.mmm "
        zeilen.push_back(z.substr(24));
    }
    std::remove(spur.c_str());
    const std::vector<std::string> erwartet = {
        "-> #1IDR<CR>", "<- <ACK>", "<- #1QVLKRV4-TST1-1000<CR>",
        "-> #1T1R<CR>", "<- <ACK>", "<- #1T2R0<CR>",
    };
    EXPECT_EQ(zeilen, erwartet);
}

TEST_F(Werkzeug, ScanListsEveryAddress) {
    Starten({"--addresses", "123456789abcdef", "--fault", "5:IDR:nak"});
    Ergebnis e = krv4({"scan"});
    EXPECT_EQ(e.status, 0);
    std::string erwartet;
    const std::string adressen = "123456789abcdef";
    for (size_t i = 0; i < adressen.size(); ++i) {
        erwartet += adressen[i];
        erwartet += adressen[i] == '5' ? U8(u8" Fehler #402010: Fehlermeldung (NAK) vom Gerät erhalten")
                                       : " QVLKRV4-TST1-" + std::to_string(1000 + i);
        erwartet += "\n";
    }
    EXPECT_EQ(e.aus, erwartet);
}

}  // namespace
