#include <time.h>

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <chrono>

#include "qt/QtFixture.h"

namespace {

using Events = std::vector<Event>;

struct NumericCase {
    int control;
    const char16_t* typed;
    double expected;
};

void PrintTo(const NumericCase& c, std::ostream* os) {
    *os << "control " << c.control << " typed " << QString::fromUtf16(c.typed).toStdString();
}

class NumericEdit : public QtToolkitTest, public ::testing::WithParamInterface<NumericCase> {};

// The value is reported once it is complete (Enter), not at each keystroke,
// and is what GetCtrlVal reads in the callback.
TEST_P(NumericEdit, ReportsValueChangedOnceWhenTheEditIsComplete) {
    const NumericCase& c = GetParam();
    auto* spin = Widget<QAbstractSpinBox>(c.control);
    ASSERT_NE(spin, nullptr);
    double seen = -1;
    gOnEvent = [&](const Event& e) {
        if (e.event != EVENT_VAL_CHANGED) return;
        if (c.control == T_REAL) GetCtrlVal(panel, c.control, seen);
        int whole = 0;
        if (c.control == T_WHOLE && GetCtrlVal(panel, c.control, whole) == 0) seen = whole;
    };
    spin->setFocus();
    spin->selectAll();
    Type(spin, QString::fromUtf16(c.typed));
    EXPECT_TRUE(gEvents.empty()) << "an event before the edit was complete";
    Key(spin, Qt::Key_Return);
    EXPECT_EQ(gEvents, (Events{{panel, c.control, EVENT_VAL_CHANGED, 0}, {panel, c.control, EVENT_COMMIT, 0}}));
    EXPECT_DOUBLE_EQ(seen, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Qt, NumericEdit,
                         ::testing::Values(NumericCase{T_REAL, u"12,5", 12.5},    // German decimal comma
                                           NumericCase{T_REAL, u"7.25", 7.25},    // keypad point
                                           // outside the range: taken while typing, brought into it at Enter
                                           NumericCase{T_REAL, u"250", 100.0},
                                           NumericCase{T_REAL, u"100,5", 100.0},
                                           NumericCase{T_REAL, u"3,125", 3.12},    // a third decimal is refused
                                           NumericCase{T_WHOLE, u"42", 42.0},
                                           NumericCase{T_WHOLE, u"7000", 600.0}));

// Leaving the field completes the entry as Enter does.
TEST_F(QtToolkitTest, AValueOutsideTheRangeIsBroughtIntoItWhenTheFieldIsLeft) {
    QWidget* window = QtPanelWindow(panel);
    window->activateWindow();
    ASSERT_TRUE(RunUntil([window] { return QGuiApplication::focusWindow() == window->windowHandle(); }, 2000));
    auto* spin = Widget<QAbstractSpinBox>(T_REAL);
    spin->setFocus();
    spin->selectAll();
    Type(spin, Q(u"999"));
    EXPECT_EQ(spin->text(), Q(u"999"));
    Widget<QPushButton>(T_BUTTON)->setFocus();
    EXPECT_EQ(spin->text(), Q(u"100,00"));
    double value = 0;
    GetCtrlVal(panel, T_REAL, value);
    EXPECT_DOUBLE_EQ(value, 100.0);
    EXPECT_EQ(EventsOf(T_REAL).front(), (Event{panel, T_REAL, EVENT_VAL_CHANGED, 0}));
}

void Wheel(QWidget* target, int notches) {
    QPointF at = QRectF(target->rect()).center();
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

// Scrolling over a field changes nothing unless the operator is working in
// that field: during a direct test a changed value goes to the device.
TEST_F(QtToolkitTest, TheWheelChangesOnlyTheFieldThatHasTheFocus) {
    QWidget* window = QtPanelWindow(panel);
    window->activateWindow();
    ASSERT_TRUE(RunUntil([window] { return QGuiApplication::focusWindow() == window->windowHandle(); }, 2000));
    SetCtrlVal(panel, T_REAL, 5.0);
    Widget<QPushButton>(T_BUTTON)->setFocus();
    for (int control : {T_REAL, T_WHOLE, T_RING}) {
        SCOPED_TRACE(control);
        QWidget* w = QtControlWidget(panel, control);
        Wheel(w, 1);
        Wheel(w, -3);
        EXPECT_FALSE(w->hasFocus()) << "the wheel took the focus";
    }
    EXPECT_TRUE(gEvents.empty());
    double real = 0;
    int whole = 0, ring = 0;
    GetCtrlVal(panel, T_REAL, real);
    GetCtrlVal(panel, T_WHOLE, whole);
    GetCtrlIndex(panel, T_RING, ring);
    EXPECT_EQ(real, 5.0);
    EXPECT_EQ(whole, 1);
    EXPECT_EQ(ring, 0);

    auto* spin = Widget<QAbstractSpinBox>(T_WHOLE);
    spin->setFocus();
    ASSERT_TRUE(spin->hasFocus());
    Wheel(spin, 1);
    GetCtrlVal(panel, T_WHOLE, whole);
    EXPECT_EQ(whole, 2);
    EXPECT_EQ(EventsOf(T_WHOLE).front(), (Event{panel, T_WHOLE, EVENT_VAL_CHANGED, 0}));
}

TEST_F(QtToolkitTest, ArrowStepReportsEachStep) {
    auto* spin = Widget<QAbstractSpinBox>(T_WHOLE);
    Key(spin, Qt::Key_Up);
    Key(spin, Qt::Key_Up);
    int value = 0;
    GetCtrlVal(panel, T_WHOLE, value);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(EventsOf(T_WHOLE).size(), 4u);  // value changed and commit per step
}

TEST_F(QtToolkitTest, PressingAButtonFiresOneCommit) {
    Click(Widget<QPushButton>(T_BUTTON));
    EXPECT_EQ(gEvents, (Events{{panel, T_BUTTON, EVENT_COMMIT, 0}}));
    Click(Widget<QPushButton>(T_BUTTON), Qt::RightButton);
    EXPECT_EQ(gEvents.size(), 1u);
}

// What the program sets is shown, and a person's action is what fires events.
TEST_F(QtToolkitTest, ValuesSetByTheProgramFireNoEventAndAreShown) {
    SetCtrlVal(panel, T_REAL, 33.25);
    SetCtrlVal(panel, T_WHOLE, 17);
    SetCtrlVal(panel, T_EDIT, "Dichtheit");
    SetCtrlVal(panel, T_PORT, 1);
    SetCtrlVal(panel, T_CHECK, 1);
    SetCtrlVal(panel, T_RADIO2, 1);
    SetCtrlVal(panel, T_TOGGLE, 1);
    SetCtrlVal(panel, T_RING, 3);
    SetCtrlVal(panel, T_LIST, 2);
    SetCtrlVal(panel, T_LABEL, "Schritt 1");
    SetCtrlVal(panel, T_LAMP, 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(gEvents.empty());

    EXPECT_EQ(Widget<QAbstractSpinBox>(T_REAL)->text(), Q(u"33,25"));
    EXPECT_EQ(Widget<QAbstractSpinBox>(T_WHOLE)->text(), Q(u"17"));
    EXPECT_EQ(Widget<QLineEdit>(T_EDIT)->text(), Q(u"Dichtheit"));
    EXPECT_TRUE(Widget<QCheckBox>(T_CHECK)->isChecked());
    EXPECT_TRUE(Widget<QRadioButton>(T_RADIO2)->isChecked());
    EXPECT_EQ(Widget<QPushButton>(T_TOGGLE)->text(), Q(u"Direkttest beenden"));
    EXPECT_EQ(Widget<QComboBox>(T_RING)->currentText(), Q(u"drei"));
    EXPECT_EQ(Widget<QListWidget>(T_LIST)->currentRow(), 1);
    EXPECT_EQ(Widget<QLabel>(T_LABEL)->text(), Q(u"Schritt 1"));
}

TEST_F(QtToolkitTest, RadioButtonsAreIndependentTheProgramMakesTheGroup) {
    Click(Widget<QRadioButton>(T_RADIO1));
    Click(Widget<QRadioButton>(T_RADIO2));
    EXPECT_TRUE(Widget<QRadioButton>(T_RADIO1)->isChecked());
    EXPECT_TRUE(Widget<QRadioButton>(T_RADIO2)->isChecked());
    int a = 0, b = 0;
    GetCtrlVal(panel, T_RADIO1, a);
    GetCtrlVal(panel, T_RADIO2, b);
    EXPECT_EQ(a + b, 2);
    EXPECT_EQ(gEvents, (Events{{panel, T_RADIO1, EVENT_VAL_CHANGED, 0},
                               {panel, T_RADIO1, EVENT_COMMIT, 0},
                               {panel, T_RADIO2, EVENT_VAL_CHANGED, 0},
                               {panel, T_RADIO2, EVENT_COMMIT, 0}}));
}

TEST_F(QtToolkitTest, ToggleButtonShowsItsOnAndOffText) {
    auto* toggle = Widget<QPushButton>(T_TOGGLE);
    EXPECT_EQ(toggle->text(), Q(u"Direkttest"));
    Click(toggle);
    int on = 0;
    GetCtrlVal(panel, T_TOGGLE, on);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(toggle->text(), Q(u"Direkttest beenden"));
    Click(toggle);
    GetCtrlVal(panel, T_TOGGLE, on);
    EXPECT_EQ(on, 0);
    EXPECT_EQ(toggle->text(), Q(u"Direkttest"));
}

TEST_F(QtToolkitTest, RingAndListReportTheChosenItem) {
    auto* ring = Widget<QComboBox>(T_RING);
    ring->setFocus();
    Key(ring, Qt::Key_Down);
    int value = 0;
    GetCtrlVal(panel, T_RING, value);
    EXPECT_EQ(value, 2);
    auto* list = Widget<QListWidget>(T_LIST);
    list->setFocus();
    Key(list, Qt::Key_End);
    GetCtrlVal(panel, T_LIST, value);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(gEvents, (Events{{panel, T_RING, EVENT_VAL_CHANGED, 0},
                               {panel, T_RING, EVENT_COMMIT, 0},
                               {panel, T_LIST, EVENT_VAL_CHANGED, 0},
                               {panel, T_LIST, EVENT_COMMIT, 0}}));
}

TEST_F(QtToolkitTest, DimmedAndHiddenControlsCannotBeOperated) {
    SetCtrlAttribute(panel, T_BUTTON, ATTR_DIMMED, 1);
    EXPECT_FALSE(Widget<QPushButton>(T_BUTTON)->isEnabled());
    Click(Widget<QPushButton>(T_BUTTON));
    SetCtrlAttribute(panel, T_CHECK, ATTR_VISIBLE, 0);
    EXPECT_FALSE(Widget<QCheckBox>(T_CHECK)->isVisible());
    EXPECT_TRUE(gEvents.empty());
    SetCtrlAttribute(panel, T_CHECK, ATTR_LABEL_TEXT, "Aus & an");
    EXPECT_EQ(Widget<QCheckBox>(T_CHECK)->text(), Q(u"Aus && an"));  // an '&' is no shortcut mark
}

// The string input: every key reaches the callback before the widget
// takes it, Enter as 1280 with the typed text already the control's value.
TEST_F(QtToolkitTest, EnterInATextFieldReachesTheCallbackAs1280) {
    std::string atEnter;
    gOnEvent = [&](const Event& e) {
        if (e.event == EVENT_KEYPRESS && e.data == VAL_ENTER_VKEY) GetCtrlVal(panel, T_EDIT, atEnter);
    };
    auto* edit = Widget<QLineEdit>(T_EDIT);
    edit->setFocus();
    Type(edit, Q(u"Öl"));
    Key(edit, Qt::Key_Return);
    EXPECT_EQ(gEvents, (Events{{panel, T_EDIT, EVENT_KEYPRESS, 0xD6},
                               {panel, T_EDIT, EVENT_KEYPRESS, 'l'},
                               {panel, T_EDIT, EVENT_VAL_CHANGED, 0},
                               {panel, T_EDIT, EVENT_COMMIT, 0},
                               {panel, T_EDIT, EVENT_KEYPRESS, VAL_ENTER_VKEY}}));
    EXPECT_EQ(atEnter, "Öl");
}

TEST_F(QtToolkitTest, MaximumEntryLengthLimitsTyping) {
    SetCtrlAttribute(panel, T_EDIT, ATTR_MAX_ENTRY_LENGTH, 3);
    auto* edit = Widget<QLineEdit>(T_EDIT);
    Type(edit, Q(u"abcdef"));
    Key(edit, Qt::Key_Return);
    std::string text;
    GetCtrlVal(panel, T_EDIT, text);
    EXPECT_EQ(text, "abc");
}

TEST_F(QtToolkitTest, TimerTicksOnlyWhileEnabled) {
    int ticks = 0;
    gOnEvent = [&](const Event& e) { ticks += e.event == EVENT_TIMER_TICK; };
    RunUntil([] { return false; }, 30);
    EXPECT_EQ(ticks, 0) << "a timer is not enabled when its panel is loaded";

    SetCtrlAttribute(panel, T_TIMER, ATTR_ENABLED, 1);
    EXPECT_TRUE(RunUntil([&] { return ticks >= 3; }, 2000));
    SetCtrlAttribute(panel, T_TIMER, ATTR_ENABLED, 0);
    int stopped = ticks;
    RunUntil([] { return false; }, 40);
    EXPECT_EQ(ticks, stopped);
}

TEST_F(QtToolkitTest, LeftClickOnThePictureRingReachesItsCallback) {
    SetCtrlVal(panel, T_PORT, 1);
    QWidget* picture = QtControlWidget(panel, T_PORT);
    Click(picture, Qt::RightButton);
    Click(picture);
    EXPECT_EQ(gEvents, (Events{{panel, T_PORT, EVENT_LEFT_CLICK, 0}}));
}

TEST_F(QtToolkitTest, CloseBoxGoesToThePanelCallbackAndTheWindowStays) {
    QWidget* window = QtPanelWindow(panel);
    window->close();
    EXPECT_EQ(gEvents, (Events{{panel, 0, EVENT_CLOSE, 0}}));
    EXPECT_TRUE(window->isVisible());

    int still = LoadPanel(0, "qt_test.uir", T_STILL);
    DisplayPanel(still);
    QtPanelWindow(still)->close();  // no callback: nothing happens
    EXPECT_TRUE(QtPanelWindow(still)->isVisible());
    EXPECT_EQ(gEvents.size(), 1u);
}

// Inside a callback the event loop does not run: a text set there is
// painted before the callback returns, and a tick falling due meanwhile is
// handled after it, not in the middle.
TEST_F(QtToolkitTest, BlockingCallbackRepaintsAtOnceAndDefersTicks) {
    auto* label = Widget<QLabel>(T_LABEL);
    std::vector<QString> painted;
    struct Spy : QObject {
        std::vector<QString>* painted;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint) painted->push_back(static_cast<QLabel*>(o)->text());
            return false;
        }
    } spy;
    spy.painted = &painted;
    label->installEventFilter(&spy);
    SetCtrlAttribute(panel, T_TIMER, ATTR_ENABLED, 1);
    int ticksInside = -1;
    bool paintedInside = false;
    gOnEvent = [&](const Event& e) {
        if (e.control != T_BUTTON) return;
        painted.clear();
        SetCtrlVal(panel, T_LABEL, "Schreibe Programm 1 Schritt 1");
        paintedInside = !painted.empty() && painted.back() == Q(u"Schreibe Programm 1 Schritt 1");
        Delay(0.05);
        ProcessSystemEvents();
        ticksInside = static_cast<int>(std::count_if(gEvents.begin(), gEvents.end(), [](const Event& x) {
            return x.event == EVENT_TIMER_TICK;
        }));
    };
    ASSERT_TRUE(RunUntil([] { return !gEvents.empty(); }, 2000));  // the timer runs
    gEvents.clear();
    Click(Widget<QPushButton>(T_BUTTON));
    EXPECT_TRUE(paintedInside);
    EXPECT_EQ(ticksInside, 0);
    EXPECT_TRUE(RunUntil([] { return gEvents.size() >= 2; }, 2000));
    EXPECT_EQ(gEvents[0].event, EVENT_COMMIT);
    EXPECT_EQ(gEvents[1].event, EVENT_TIMER_TICK);
    label->removeEventFilter(&spy);
}

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

TEST_F(QtToolkitTest, WaitingForTheOperatorUsesNoCpu) {
    auto* button = Widget<QPushButton>(T_BUTTON);
    QTimer::singleShot(120, button, [button] { Click(button); });
    double cpu = CpuSeconds();
    auto start = std::chrono::steady_clock::now();
    while (gEvents.empty()) WaitForSystemEvent();
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(waited, 0.1);
    EXPECT_LT(CpuSeconds() - cpu, 0.04);
}

TEST_F(QtToolkitTest, PanelGeometryAndZoomFollowProgramAndOperator) {
    QWidget* window = QtPanelWindow(panel);
    SetPanelAttribute(panel, ATTR_LEFT, 40);
    SetPanelAttribute(panel, ATTR_TOP, 50);
    SetPanelAttribute(panel, ATTR_WIDTH, window->width() + 100);
    EXPECT_EQ(window->geometry().topLeft(), QPoint(40, 50));
    window->setGeometry(70, 80, window->width(), window->height());  // the operator moves it
    int left = 0, top = 0;
    GetPanelAttribute(panel, ATTR_LEFT, left);
    GetPanelAttribute(panel, ATTR_TOP, top);
    EXPECT_EQ(QPoint(left, top), QPoint(70, 80));

    SetPanelAttribute(panel, ATTR_WINDOW_ZOOM, VAL_MAXIMIZE);
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
    window->showNormal();  // the operator restores it
    int zoom = -1;
    GetPanelAttribute(panel, ATTR_WINDOW_ZOOM, zoom);
    EXPECT_EQ(zoom, VAL_NO_ZOOM);

    SetPanelAttribute(panel, ATTR_TITLE, "Prüfung – [*] 1");
    EXPECT_EQ(window->windowHandle()->title(), Q(u"Prüfung – [*] 1"));  // as the window system shows it
}

TEST_F(QtToolkitTest, InstalledPopupIsApplicationModalUntilRemoved) {
    int still = LoadPanel(0, "qt_test.uir", T_STILL);
    InstallPopup(still);
    QWidget* popup = QtPanelWindow(still);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(QApplication::activeModalWidget(), popup);
    RemovePopup(0);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
