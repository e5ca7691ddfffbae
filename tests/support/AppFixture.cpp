#include "support/AppFixture.h"

#include <cstdlib>

#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "model/Schrittliste.h"
#include "toolkit/Toolkit.h"

namespace {

// The suites keep their recent files away from the user's own list.
const bool kEigenerBenutzerordner = [] {
    const std::string ordner = ::testing::TempDir() + "krv4-test-benutzer";
#ifdef _WIN32
    _putenv_s("APPDATA", ordner.c_str());
#else
    setenv("XDG_CONFIG_HOME", ordner.c_str(), 1);
#endif
    return true;
}();

}  // namespace

HeadlessBackend& FreshHeadlessToolkit() {
    return UseHeadlessBackend([](const std::string& what) { throw HeadlessFailure(what); });
}

void AppTest::SetUp() { ASSERT_EQ(Start(), 0); }

void AppTest::TearDown() {
    if (ui) {
        EXPECT_TRUE(ui->AllAnswersUsed()) << "a queued pop-up answer was never used";
    }
}

int AppTest::Start(const std::vector<std::string>& args) {
    ui = &FreshHeadlessToolkit();
    ProgrammspeicherZuruecksetzen();
    KopierpufferZuruecksetzen();
    std::vector<std::string> words = {"krv4steuerung"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return Krv4SteuerungStarten(static_cast<int>(words.size()), argv.data());
}

int AppTest::Int(int panel, int control) {
    int v = 0;
    EXPECT_EQ(GetCtrlVal(panel, control, v), 0);
    return v;
}

double AppTest::Real(int panel, int control) {
    double v = 0;
    EXPECT_EQ(GetCtrlVal(panel, control, v), 0);
    return v;
}

std::string AppTest::Text(int panel, int control) {
    std::string v;
    EXPECT_EQ(GetCtrlVal(panel, control, v), 0);
    return v;
}

std::vector<std::string> AppTest::Items(int panel, int control) {
    int n = 0;
    GetNumListItems(panel, control, n);
    std::vector<std::string> items(n);
    for (int i = 0; i < n; ++i) GetLabelFromIndex(panel, control, i, items[i]);
    return items;
}

int AppTest::Attribute(int panel, int control, int attribute) {
    int v = 0;
    EXPECT_EQ(GetCtrlAttribute(panel, control, attribute, v), 0);
    return v;
}

std::string AppTest::Label(int panel, int control) {
    std::string v;
    EXPECT_EQ(GetCtrlAttribute(panel, control, ATTR_LABEL_TEXT, v), 0);
    return v;
}

std::string AppTest::Title(int panel) {
    std::string v;
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_TITLE, v), 0);
    return v;
}

bool AppTest::MenuDimmed(int panel, int item) {
    int v = 0;
    EXPECT_EQ(GetMenuBarAttribute(GetPanelMenuBar(panel), item, ATTR_DIMMED, v), 0);
    return v != 0;
}
