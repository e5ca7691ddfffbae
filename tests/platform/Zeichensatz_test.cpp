// What is shown of a name that may hold anything: code page 1252 where it
// can, "?" for every character it cannot show and every byte that is no UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "platform/Zeichensatz.h"

namespace {

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

TEST(Zeichensatz, ANameIsShownInTheCodePageWithAQuestionMarkForTheRest) {
    struct Fall {
        std::string utf8;
        std::string gezeigt;
        bool genau;  // Utf8NachCp1252 takes it as it is
    } faelle[] = {
        {U8(u8"Prüfung Öl €.krv"), "Pr\xFC" "fung \xD6l \x80.krv", true},
        {U8(u8"Łódź"), "?\xF3" "d?", false},
        {U8(u8"日本"), "??", false},
        {U8(u8"a\U0001F600b"), "a?b", false},             // four bytes, one character
        {"a\xC3", "a?", false},                          // cut short
        {"\xC0\xAF" "x", "??x", false},                  // overlong
        {"\xED\xA0\x80", "???", false},                  // a surrogate
        {std::string("a\0b", 3), "a?b", true},           // NUL would end the shown text
        {"\xFF\xFE", "??", false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.gezeigt);
        EXPECT_EQ(Utf8NachCp1252Ersetzt(f.utf8), f.gezeigt);
        std::string genau;
        EXPECT_EQ(Utf8NachCp1252(f.utf8, &genau), f.genau);
        if (f.genau && f.utf8.find('\0') == std::string::npos) {
            EXPECT_EQ(genau, f.gezeigt);
        }
    }
}

}  // namespace
