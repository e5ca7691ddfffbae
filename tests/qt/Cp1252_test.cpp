#include <QLineEdit>

#include "qt/QtFixture.h"
#include "toolkit/qt/Cp1252.h"

namespace {

TEST(Cp1252, TheHighRangeIsTheWindowsTableAndTheUndefinedBytesRoundTrip) {
    struct {
        unsigned char byte;
        char16_t unicode;
    } table[] = {{0x80, 0x20AC}, {0x81, 0x0081}, {0x84, 0x201E}, {0x8A, 0x0160}, {0x8D, 0x008D},
                 {0x8F, 0x008F}, {0x90, 0x0090}, {0x93, 0x201C}, {0x96, 0x2013}, {0x99, 0x2122},
                 {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xC4, 0x00C4}, {0xDF, 0x00DF},
                 {0xFC, 0x00FC}, {0xFF, 0x00FF}, {0x41, 0x0041}};
    for (auto [byte, unicode] : table) {
        std::string b(1, static_cast<char>(byte));
        EXPECT_EQ(FromCp1252(b), QString(QChar(unicode))) << int(byte);
        EXPECT_EQ(ToCp1252(QString(QChar(unicode))), b) << int(byte);
    }
    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        if (b != 0) {
            EXPECT_EQ(ToCp1252(FromCp1252(one)), one) << b;
        }
    }
}

TEST(Cp1252, CharactersTheCodePageCannotHoldBecomeBlanks) {
    // Outside the test macros, which keep their text in the code page.
    const QString foreign = Q(u"Ω 😀 \u0080 x");
    EXPECT_EQ(ToCp1252(foreign), "      x");
    EXPECT_EQ(ToCp1252(QString(QChar(0))), " ");
}

// All byte values through a real text field: shown as their characters,
// and what the operator leaves in the field comes back byte for byte.
TEST_F(QtToolkitTest, EveryByteRoundTripsThroughATextField) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    SetCtrlVal(panel, T_EDIT, all.c_str());
    auto* edit = Widget<QLineEdit>(T_EDIT);
    QString shown = edit->text();
    ASSERT_EQ(shown.size(), 255);
    EXPECT_EQ(shown.at(0x80 - 1), QChar(0x20AC));
    EXPECT_EQ(shown.at(0xE4 - 1), QChar(0x00E4));

    SetCtrlVal(panel, T_EDIT, "");
    edit->setText(shown);
    Key(edit, Qt::Key_Return);
    std::string back;
    GetCtrlVal(panel, T_EDIT, back);
    EXPECT_EQ(back, all);
}

TEST_F(QtToolkitTest, ATypedCharacterOutsideTheCodePageArrivesAsABlank) {
    auto* edit = Widget<QLineEdit>(T_EDIT);
    Type(edit, Q(u"aΩ€"));
    Key(edit, Qt::Key_Return);
    std::string text;
    GetCtrlVal(panel, T_EDIT, text);
    EXPECT_EQ(text, "a \x80");
    EXPECT_EQ(edit->text(), Q(u"a €"));
}

}  // namespace
