#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "toolkit/Backend.h"
#include "toolkit/Toolkit.h"
#include "toolkit/qt/QtToolkit.h"

// The Qt toolkit on the offscreen platform, with a test panel whose
// callbacks record every event in order. A misuse of the toolkit fails the
// test.

struct Event {
    int panel, control, event, data;
    bool operator==(const Event&) const = default;
};
inline void PrintTo(const Event& e, std::ostream* os) {
    *os << "{panel " << e.panel << ", control " << e.control << ", event " << e.event << ", data " << e.data << "}";
}

inline QString Q(const char16_t* text) { return QString::fromUtf16(text); }
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

constexpr int kMenuEvent = -1;  // recorded for menu callbacks: control = item number

// Controls of the test panel.
enum : int {
    T_REAL = 2,
    T_WHOLE,
    T_BUTTON,
    T_EDIT,
    T_TIMER,
    T_PORT,
    T_CHECK,
    T_RADIO1,
    T_RADIO2,
    T_TOGGLE,
    T_RING,
    T_LIST,
    T_LABEL,
    T_LAMP,
};
// Menu items of its file menu.
enum : int { T_MENU_NEU = 11, T_MENU_OEFFNEN, T_MENU_SPEICHERN, T_MENU_SPEICHERNUNTER, T_MENU_BEENDEN };
// Panels of the test file.
enum : int { T_PANEL = 1, T_STILL = 2 };

extern std::vector<Event> gEvents;
extern std::function<void(const Event&)> gOnEvent;

// Installs a fresh Qt backend (creating the application on first use).
void InstallQtToolkit();
// The program itself on a fresh Qt backend with its own look, its store
// empty, started (with the service switch: every panel) and on the screen.
void StartQtProgram(bool service = false);

class QtToolkitTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    template <class T>
    T* Widget(int control) const {
        return dynamic_cast<T*>(QtControlWidget(panel, control));
    }
    std::vector<Event> EventsOf(int control) const;

    int panel = 0;
};

// ---- a person at the keyboard and mouse ----
void Key(QWidget* target, int key, const QString& text = {}, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void Type(QWidget* target, const QString& text);
// At the centre, or for a check box or radio button on its indicator.
void Click(QWidget* target, Qt::MouseButton button = Qt::LeftButton);
// Waits (boundedly) until the window is on the (offscreen) screen.
void WaitShown(QWidget* window);
// Runs `act` on the modal dialog once one is open and its event loop runs.
void WhenModal(std::function<void(QWidget*)> act);

// Runs the event loop until `done` or the time is up; false on time-out.
bool RunUntil(const std::function<bool()>& done, int ms);

// The program itself on the Qt toolkit, started with the service switch so
// that every control of every panel is there.
class QtProgram : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
