#include "platform/Zeichensatz.h"

namespace {

// 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr char32_t kObereSteuerzeichen[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void Anhaengen(std::string& s, char32_t c) {
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

char32_t Cp1252Zeichen(unsigned char b) { return b >= 0x80 && b <= 0x9F ? kObereSteuerzeichen[b - 0x80] : b; }

int Cp1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kObereSteuerzeichen[i] == c) return 0x80 + i;
    return -1;
}

std::string Cp1252NachUtf8(std::string_view text) {
    std::string s;
    for (char c : text) {
        Anhaengen(s, Cp1252Zeichen(static_cast<unsigned char>(c)));
    }
    return s;
}

namespace {

// The character at text[i] and the bytes it takes; 0 for bytes that are no
// UTF-8 (a cut or overlong sequence, a surrogate, beyond U+10FFFF).
std::size_t Utf8Zeichen(std::string_view text, std::size_t i, char32_t* zeichen) {
    auto b = static_cast<unsigned char>(text[i]);
    std::size_t laenge = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (laenge == 0 || i + laenge > text.size()) return 0;
    char32_t c = laenge == 1 ? b : b & (0x7F >> laenge);
    for (std::size_t k = 1; k < laenge; ++k) {
        auto f = static_cast<unsigned char>(text[i + k]);
        if ((f & 0xC0) != 0x80) return 0;
        c = (c << 6) | (f & 0x3F);
    }
    constexpr char32_t kKleinste[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kKleinste[laenge] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *zeichen = c;
    return laenge;
}

}  // namespace

bool Utf8NachCp1252(std::string_view text, std::string* ergebnis) {
    std::string s;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        std::size_t laenge = Utf8Zeichen(text, i, &c);
        int gefunden = laenge ? Cp1252Byte(c) : -1;
        if (gefunden < 0) return false;
        s += static_cast<char>(gefunden);
        i += laenge;
    }
    *ergebnis = std::move(s);
    return true;
}

std::string Utf8NachCp1252Ersetzt(std::string_view text) {
    std::string s;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        std::size_t laenge = Utf8Zeichen(text, i, &c);
        int gefunden = laenge ? Cp1252Byte(c) : -1;
        // NUL would end the text where it is shown.
        s += gefunden > 0 ? static_cast<char>(gefunden) : '?';
        i += laenge ? laenge : 1;
    }
    return s;
}

std::u16string Cp1252NachUtf16(std::string_view text) {
    std::u16string s;
    s.reserve(text.size());
    for (char c : text) s += static_cast<char16_t>(Cp1252Zeichen(static_cast<unsigned char>(c)));
    return s;
}
