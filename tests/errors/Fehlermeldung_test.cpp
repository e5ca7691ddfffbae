#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "errors/QVL_errorV3.h"

namespace {

// Read during dynamic start-up, before any test could change the language.
const int kSpracheBeimStart = sgSprache;

const std::string kUnbekanntDe = "Ein unbekannter Fehler ist aufgetreten";
const std::string kUnbekanntEn = "A unknown error occured";
const std::string kKeinFehler = "Es ist kein Fehler aufgetreten";

class Fehlermeldung : public ::testing::Test {
protected:
    void SetUp() override { QVL_Fehlersprache(1); }
    void TearDown() override { QVL_Fehlersprache(1); }
};

struct TextFall {
    int code;
    const char* text;
};

// Class = code / 1000 truncated toward zero; the site digits never matter.
TEST_F(Fehlermeldung, ClassOfCodeSelectsGermanText) {
    const TextFall faelle[] = {
        {-125001, "Unzulässige Baudrate"},
        {-5999, "Datum/Zeit Funktion fehlgeschlagen"},
        {-7000, "Irgendwas ist schief gelaufen"},
        {-1, kKeinFehler.c_str()},
        {-999, kKeinFehler.c_str()},
        {0, kKeinFehler.c_str()},
        {999, kKeinFehler.c_str()},
        {-1017000, "Die Datei ist keine TWX-9 Kurvendatei."},
        {-1017999, "Die Datei ist keine TWX-9 Kurvendatei."},
        {-6000, ""},
        {-6999, ""},
        {-1500, kUnbekanntDe.c_str()},
        {-1999, kUnbekanntDe.c_str()},
        {-9000, kUnbekanntDe.c_str()},
        {-1028000, kUnbekanntDe.c_str()},
        {1000, kUnbekanntDe.c_str()},
        {125001, kUnbekanntDe.c_str()},
        {INT_MIN, kUnbekanntDe.c_str()},
        {INT_MAX, kUnbekanntDe.c_str()},
    };
    for (const TextFall& f : faelle) EXPECT_EQ(std::string(QVL_Fehlermeldung(f.code)), f.text) << "code " << f.code;
}

// Rows whose texts carry the system's own spelling; they must stay as they are.
TEST_F(Fehlermeldung, TextsKeepTheirOwnSpelling) {
    const TextFall faelle[] = {
        {-103000, "Fehler beim schliesen der seriellen Schnittstelle"},
        {-112073, "Fehler beim Leeren des Schreib- oder Leesepuffers der seriellen Schnittstelle"},
        {-111005, "Konnte kein Timeout für die serielle Schnittstelle setzten"},
        {-766000, "Digitalport konnte nicht konfiguruert werden"},
        {-509000, "Wert auserhalb der Toleranz."},
        {-116000, "Keine oder falsche Antwort vom vom seriellem Gerät"},
        {-315000, "Arbeitsverzeichnis konnte nicht ermittel werden"},
        {-1005000,
         "Die Kombination aus vorhandenen Seriennummern\nund Losumfang ist ungülting.\n"
         "Erlaubter Bereich für die Seriennummern ist unklar."},
        {-350000, "Timeout:\nDruck konnte nicht aufgebaut werden."},
    };
    for (const TextFall& f : faelle) EXPECT_EQ(std::string(QVL_Fehlermeldung(f.code)), f.text) << "code " << f.code;
}

TEST_F(Fehlermeldung, TextsAreSingleByteWithRealLineBreaks) {
    const char* baudrate = QVL_Fehlermeldung(-125001);
    ASSERT_EQ(std::strlen(baudrate), 20u);
    EXPECT_EQ(static_cast<unsigned char>(baudrate[5]), 0xE4);  // 'ä' in code page 1252

    const char* laengster = QVL_Fehlermeldung(-1002000);
    EXPECT_EQ(std::strlen(laengster), 192u);
    EXPECT_EQ(std::string(laengster).rfind("anderen Sequenz erstellt.", std::string::npos), 167u);
    EXPECT_NE(std::strchr(laengster, '\n'), nullptr);
}

TEST_F(Fehlermeldung, EveryClassHasRowInBothLanguagesOrNoneAtAll) {
    int zeilen = 0;
    for (int klasse = 0; klasse >= -1100; --klasse) {
        QVL_Fehlersprache(1);
        const std::string deutsch = QVL_Fehlermeldung(klasse * 1000);
        QVL_Fehlersprache(2);
        const std::string englisch = QVL_Fehlermeldung(klasse * 1000);
        SCOPED_TRACE("class " + std::to_string(klasse));

        EXPECT_EQ(deutsch.find('\\'), std::string::npos);
        EXPECT_EQ(englisch.find('\\'), std::string::npos);
        if (deutsch == kUnbekanntDe) {
            EXPECT_EQ(englisch, kUnbekanntEn);
            continue;
        }
        ++zeilen;
        EXPECT_NE(englisch, kUnbekanntEn);
        if (klasse == -6) {
            EXPECT_EQ(deutsch, "");
            EXPECT_EQ(englisch, "");
        } else {
            EXPECT_FALSE(englisch.empty());
            EXPECT_NE(englisch, deutsch);
        }
    }
    EXPECT_EQ(zeilen, 146);
}

TEST(FehlermeldungStart, LanguageStartsGerman) { EXPECT_EQ(kSpracheBeimStart, 1); }

TEST_F(Fehlermeldung, LanguageTwoIsEnglishEveryOtherValueGerman) {
    const struct {
        int sprache;
        const char* text;
    } faelle[] = {
        {0, "Keine Antwort vom Gerät"},
        {1, "Keine Antwort vom Gerät"},
        {2, "No answer from device"},
        {3, "Keine Antwort vom Gerät"},
        {-2, "Keine Antwort vom Gerät"},
    };
    for (const auto& f : faelle) {
        QVL_Fehlersprache(f.sprache);
        EXPECT_EQ(sgSprache, f.sprache);
        EXPECT_EQ(std::string(QVL_Fehlermeldung(-403012)), f.text) << "language " << f.sprache;
    }
    QVL_Fehlersprache(2);
    EXPECT_EQ(std::string(QVL_Fehlermeldung(-1)), "No error");
    EXPECT_EQ(std::string(QVL_Fehlermeldung(-1500)), kUnbekanntEn);
    EXPECT_EQ(std::string(QVL_Fehlermeldung(-7000)), "Something went wrong");
}

// One buffer: the next lookup overwrites the text of the last one.
TEST_F(Fehlermeldung, ResultBufferIsReusedByNextLookup) {
    const char* erster = QVL_Fehlermeldung(-1002000);
    const char* zweiter = QVL_Fehlermeldung(-3000);
    EXPECT_EQ(erster, zweiter);
    EXPECT_STREQ(erster, "Timeout erreicht");
}

}  // namespace
