#include "qt/QtFixture.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QRadioButton>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "model/Schrittliste.h"
#include "toolkit/PanelDef.h"
#include "ui/qt/Layouts.h"

// The sanitizer build: fontconfig, under Qt's font database, loses a few
// blocks of its own pattern cache.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

std::vector<Event> gEvents;
std::function<void(const Event&)> gOnEvent;

namespace {

int Record(int panel, int control, int event, void*, int data, int) {
    gEvents.push_back({panel, control, event, data});
    if (gOnEvent) gOnEvent(gEvents.back());
    return 0;
}

int RecordPanel(int panel, int event, void*, int, int) {
    gEvents.push_back({panel, 0, event, 0});
    if (gOnEvent) gOnEvent(gEvents.back());
    return 0;
}

void RecordMenu(int, int item, void*, int panel) {
    gEvents.push_back({panel, item, kMenuEvent, 0});
    if (gOnEvent) gOnEvent(gEvents.back());
}

constexpr ListItemDef kPorts[] = {{"port_geschlossen", -1}, {"port_com1", 1}};
constexpr ListItemDef kChoices[] = {{"eins", 1}, {"zwei", 2}, {"drei", 3}};

const ControlDef kControls[] = {
    {.id = T_REAL, .name = "REAL", .kind = CtrlKind::Numeric, .label = "Wert", .type = ValueType::Double,
     .min = 0.0, .max = 100.0, .decimals = 2, .callback = Record},
    {.id = T_WHOLE, .name = "WHOLE", .kind = CtrlKind::Numeric, .label = "Zahl", .type = ValueType::Int,
     .initial = 1, .min = 1, .max = 600, .callback = Record},
    {.id = T_BUTTON, .name = "BUTTON", .kind = CtrlKind::Command, .label = "Los", .callback = Record},
    {.id = T_EDIT, .name = "EDIT", .kind = CtrlKind::String, .label = "Name", .type = ValueType::Text,
     .callback = Record},
    {.id = T_TIMER, .name = "TIMER", .kind = CtrlKind::Timer, .callback = Record, .interval = 0.005},
    {.id = T_PORT, .name = "PORT", .kind = CtrlKind::PictureRing, .type = ValueType::Int, .callback = Record,
     .items = kPorts},
    {.id = T_CHECK, .name = "CHECK", .kind = CtrlKind::CheckBox, .label = "An", .type = ValueType::Int,
     .callback = Record},
    {.id = T_RADIO1, .name = "RADIO1", .kind = CtrlKind::RadioButton, .label = "A", .type = ValueType::Int,
     .callback = Record},
    {.id = T_RADIO2, .name = "RADIO2", .kind = CtrlKind::RadioButton, .label = "B", .type = ValueType::Int,
     .callback = Record},
    {.id = T_TOGGLE, .name = "TOGGLE", .kind = CtrlKind::Toggle, .label = "Direkttest", .type = ValueType::Int,
     .callback = Record, .onText = "Direkttest beenden"},
    {.id = T_RING, .name = "RING", .kind = CtrlKind::Ring, .label = "Wahl", .type = ValueType::Int,
     .callback = Record, .items = kChoices},
    {.id = T_LIST, .name = "LIST", .kind = CtrlKind::ListBox, .label = "Liste", .type = ValueType::Int,
     .callback = Record, .items = kChoices},
    {.id = T_LABEL, .name = "LABEL", .kind = CtrlKind::TextMsg, .type = ValueType::Text, .initialText = "..."},
    {.id = T_LAMP, .name = "LAMP", .kind = CtrlKind::Led, .label = "Lampe", .type = ValueType::Int},
};

const MenuItemDef kDatei[] = {
    {T_MENU_NEU, "NEU", "Neu", RecordMenu},
    {T_MENU_OEFFNEN, "OEFFNEN", "Öffnen", RecordMenu},
    {T_MENU_SPEICHERN, "SPEICHERN", "Speichern", RecordMenu},
    {T_MENU_SPEICHERNUNTER, "SPEICHERNUNTER", "Speichern unter", RecordMenu},
    {T_MENU_BEENDEN, "BEENDEN", "Beenden", RecordMenu},
};
const MenuDef kMenus[] = {{10, "DATEI", "Datei", kDatei}};
const MenuBarDef kMenuBar = {9, "MENU", kMenus};

const ControlDef kStillControls[] = {
    {.id = 2, .name = "TEXT", .kind = CtrlKind::TextMsg, .type = ValueType::Text, .initialText = "still"},
};

const PanelDef kPanels[] = {
    {.resourceId = T_PANEL, .name = "TESTPANEL", .title = "Prüfpanel", .callback = RecordPanel,
     .controls = kControls, .menuBar = &kMenuBar},
    {.resourceId = T_STILL, .name = "STILL", .title = "Ohne Rückruf", .controls = kStillControls},
};
const PanelFileDef kFile = {"qt_test.uir", kPanels};

}  // namespace

void InstallQtToolkit() {
    static int argc = 1;
    static char name[] = "test_qt";
    static char* argv[] = {name, nullptr};
    SetToolkitBackend(CreateQtBackend(argc, argv, [](const std::string& what) { ADD_FAILURE() << "misuse: " << what; }));
}

void StartQtProgram(bool service) {
    InstallQtToolkit();
    InstallKrv4QtLook();
    ProgrammspeicherZuruecksetzen();
    KopierpufferZuruecksetzen();
    static char name[] = "krv4steuerung";
    static char schalter[] = "-p=SrvModeOpen";
    char* argv[] = {name, service ? schalter : nullptr, nullptr};
    ASSERT_EQ(Krv4SteuerungStarten(service ? 2 : 1, argv), 0);
    WaitShown(QtPanelWindow(panelHandle));
}

void QtToolkitTest::SetUp() {
    InstallQtToolkit();
    RegisterPanelFile(kFile);
    gEvents.clear();
    gOnEvent = nullptr;
    panel = LoadPanel(0, "qt_test.uir", T_PANEL);
    ASSERT_GT(panel, 0);
    DisplayPanel(panel);
    WaitShown(QtPanelWindow(panel));
}

void QtToolkitTest::TearDown() {
    gOnEvent = nullptr;
    SetToolkitBackend(nullptr);
}

std::vector<Event> QtToolkitTest::EventsOf(int control) const {
    std::vector<Event> of;
    for (const Event& e : gEvents)
        if (e.control == control) of.push_back(e);
    return of;
}

void Key(QWidget* target, int key, const QString& text, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

void Type(QWidget* target, const QString& text) {
    for (QChar c : text) {
        int key = c.isLetterOrNumber() && c.unicode() < 128 ? int(c.toUpper().unicode()) : int(Qt::Key_unknown);
        if (c == QLatin1Char(',')) key = Qt::Key_Comma;
        if (c == QLatin1Char('.')) key = Qt::Key_Period;
        Key(target, key, QString(c));
    }
}

void Click(QWidget* target, Qt::MouseButton button) {
    QPointF at = QRectF(target->rect()).center();
    if (qobject_cast<QCheckBox*>(target) || qobject_cast<QRadioButton*>(target)) at.setX(8);
    QPointF global = target->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

bool RunUntil(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void WaitShown(QWidget* window) {
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(RunUntil([window] { return window->windowHandle() && window->windowHandle()->isExposed(); }, 2000));
}

void WhenModal(std::function<void(QWidget*)> act) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, poll] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            QTimer::singleShot(5, *poll);
            return;
        }
        // One more turn of the loop: what the dialog does on being shown is done.
        QTimer::singleShot(0, modal, [act, modal] { act(modal); });
        *poll = nullptr;
    };
    QTimer::singleShot(0, *poll);
}

void QtProgram::SetUp() { StartQtProgram(true); }

void QtProgram::TearDown() { SetToolkitBackend(nullptr); }
