#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "errors/QVL_errorV3.h"
#include "toolkit/Headless.h"

namespace {

class Fehlerpopup : public ::testing::Test {
protected:
    void SetUp() override {
        QVL_Fehlersprache(1);
        toolkit = &UseHeadlessBackend([](const std::string& what) { ADD_FAILURE() << what; });
    }
    void TearDown() override {
        EXPECT_TRUE(toolkit->AllAnswersUsed());
        QVL_Fehlersprache(1);
    }

    // Shows one pop-up (acknowledged) and returns what the operator saw.
    ShownPopup Zeige(int code, const char* titel = nullptr, bool mitTitel = false) {
        toolkit->ClearShown();
        toolkit->AnswerMessage();
        if (mitTitel)
            QVL_Fehlerpopup2(code, titel);
        else
            QVL_Fehlerpopup(code);
        EXPECT_EQ(toolkit->Shown().size(), 1u) << "code " << code;
        return toolkit->Shown().empty() ? ShownPopup{} : toolkit->Shown().back();
    }

    HeadlessBackend* toolkit = nullptr;
};

TEST_F(Fehlerpopup, TitleShowsCodeWithoutSignAndClassText) {
    const struct {
        int code;
        const char* titel;
        const char* text;
    } faelle[] = {
        {-125001, "Fehler #125001", "Unzulässige Baudrate"},
        {-5999, "Fehler #5999", "Datum/Zeit Funktion fehlgeschlagen"},
        {-7000, "Fehler #7000", "Irgendwas ist schief gelaufen"},
        {-1, "Fehler #1", "Es ist kein Fehler aufgetreten"},
        {0, "Fehler #0", "Es ist kein Fehler aufgetreten"},
        {-301000, "Fehler #301000", "Fehler beim Schreiben auf Datei"},
        {-1500, "Fehler #1500", "Ein unbekannter Fehler ist aufgetreten"},
        {-9000, "Fehler #9000", "Ein unbekannter Fehler ist aufgetreten"},
        {1000, "Fehler #-1000", "Ein unbekannter Fehler ist aufgetreten"},
        // The magnitude of the most negative int does not fit an int; it is still shown.
        {INT_MIN, "Fehler #2147483648", "Ein unbekannter Fehler ist aufgetreten"},
    };
    for (const auto& f : faelle) {
        ShownPopup p = Zeige(f.code);
        EXPECT_EQ(p.kind, ShownPopup::Message);
        EXPECT_EQ(p.title, f.titel);
        EXPECT_EQ(p.message, f.text);
    }
}

TEST_F(Fehlerpopup, CancelledClassShowsNothing) {
    for (int code : {-6000, -6001, -6500, -6999}) {
        QVL_Fehlerpopup(code);
        QVL_Fehlerpopup2(code, "Kalibrierdatei");
    }
    EXPECT_TRUE(toolkit->Shown().empty());
}

TEST_F(Fehlerpopup, EnglishOnlyForLanguageTwo) {
    const struct {
        int sprache;
        const char* titel;
        const char* text;
    } faelle[] = {
        {0, "Fehler #403012", "Keine Antwort vom Gerät"},
        {2, "Error #403012", "No answer from device"},
        {3, "Fehler #403012", "Keine Antwort vom Gerät"},
    };
    for (const auto& f : faelle) {
        QVL_Fehlersprache(f.sprache);
        ShownPopup p = Zeige(-403012);
        EXPECT_EQ(p.title, f.titel);
        EXPECT_EQ(p.message, f.text);
    }
}

TEST_F(Fehlerpopup, CallersTitleIsFollowedByNumber) {
    const std::string titel80(80, 'K');
    ShownPopup p = Zeige(-404147, titel80.c_str(), true);
    EXPECT_EQ(p.title, titel80 + " #404147");
    EXPECT_EQ(p.title.size(), 88u);
    EXPECT_EQ(p.message, "Fehlerhafte Antwort vom Gerät");

    QVL_Fehlersprache(2);
    p = Zeige(-404147, "Kalibrierung", true);
    EXPECT_EQ(p.title, "Kalibrierung #404147");
    EXPECT_EQ(p.message, "Wrong answer from device");
}

// A title of any length gives way to the number so that the whole fits in 99 characters.
TEST_F(Fehlerpopup, OverlongCallersTitleIsCutToLeaveRoomForNumber) {
    const struct {
        std::size_t laenge;
        int code;
        std::string nummer;
    } faelle[] = {
        {91, -404147, " #404147"},
        {92, -404147, " #404147"},
        {200, -404147, " #404147"},
        {5000, -1, " #1"},
        {200, INT_MIN, " #2147483648"},
    };
    for (const auto& f : faelle) {
        const std::string titel(f.laenge, 'T');
        ShownPopup p = Zeige(f.code, titel.c_str(), true);
        const std::size_t platz = 99 - f.nummer.size();
        EXPECT_EQ(p.title, titel.substr(0, platz) + f.nummer) << "length " << f.laenge;
    }
}

TEST_F(Fehlerpopup, MissingCallersTitleShowsNumberOnly) {
    EXPECT_EQ(Zeige(-302000, nullptr, true).title, " #302000");
    EXPECT_EQ(Zeige(-302000, "", true).title, " #302000");
}

}  // namespace
