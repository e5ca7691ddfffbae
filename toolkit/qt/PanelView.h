#pragma once

#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>
#include <map>
#include <vector>

#include "toolkit/Backend.h"
#include "toolkit/qt/PanelWidgets.h"

// The widgets of one loaded panel, as the backend built them from the
// panel's definition. A layout function then places them.

struct ControlView {
    const ControlDef* def = nullptr;
    QWidget* widget = nullptr;      // null for a text shown as a group title
    QLabel* caption = nullptr;      // label beside the widget, when it has one
    QGroupBox* heading = nullptr;   // the group box whose title this text is
    QTimer* timer = nullptr;
    bool placed = false;
};

struct PanelView {
    int handle = 0;
    const PanelDef* def = nullptr;
    PanelWindow* window = nullptr;
    QMenuBar* menuBar = nullptr;
    std::vector<int> order;               // control ids in definition order
    std::map<int, ControlView> controls;  // by control id
    std::map<int, QAction*> actions;      // menu items by item number
    bool positioned = false;              // placed by the program, or shown once
    bool applyingGeometry = false;
    int enterControl = 0;                 // button that Enter presses anywhere on the panel
    int escapeControl = 0;                // button that Escape and the close box press
};

// Helps the program's layout function (SetQtPanelLayout): hands out the widgets by control number, marks
// them placed and records the order in which they were placed, which becomes
// the keyboard focus order.
class PanelBuilder {
public:
    explicit PanelBuilder(PanelView& view);

    QVBoxLayout* Top() const { return top_; }
    // The panel's resource name, by which a layout knows which panel it places.
    const char* PanelName() const;
    QWidget* Window() const;
    // The control's widget (an empty spacer when the panel has no such control).
    QWidget* W(int id);
    // The control's caption; the caption of a control without one is an empty spacer.
    QWidget* Cap(int id);
    // The caption is not shown (a column heading says it instead).
    void NoCap(int id);
    // The decoration as a group box, titled with the text control `heading`.
    QGroupBox* Group(int decoration, int heading);
    // A lamp with its caption on its right.
    QLayout* Lamp(int id);
    // A fixed caption of the layout's own.
    QLabel* Note(const QString& text);
    // The step of a number field's arrows; its shown decimals stay.
    void Step(int id, double step);
    // A button that Enter presses wherever the focus is on the panel (drawn
    // as the default button), and one that Escape and the close box press.
    void EnterPresses(int id);
    void EscapePresses(int id);
    void Shortcut(int menuItem, const QKeySequence& keys);
    // Several key combinations for one item, the first one shown in the menu.
    void Shortcuts(int menuItem, const QList<QKeySequence>& keys);

    // Places what the layout function left out, then sets the focus order.
    void Finish();

private:
    ControlView* View(int id);
    QWidget* Spacer();

    PanelView& view_;
    QVBoxLayout* top_;
    std::vector<QWidget*> focus_;
};

// Places the controls of one panel with the registered layout; what it
// leaves out (all, for a panel it does not know) goes in a plain form, in
// definition order.
void LayoutPanel(PanelView& view);
