#include <QAbstractSpinBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "toolkit/qt/PanelView.h"
#include "toolkit/qt/QtToolkit.h"

// The placing of a panel's controls. The program says where its controls go
// through the layout it registers; this file only hands out the widgets and
// places whatever the layout left out.

namespace {

QtPanelLayout gLayout = nullptr;

}  // namespace

void SetQtPanelLayout(QtPanelLayout layout) { gLayout = layout; }

PanelBuilder::PanelBuilder(PanelView& view) : view_(view), top_(new QVBoxLayout(view.window)) {
    if (view.menuBar) top_->setMenuBar(view.menuBar);
}

const char* PanelBuilder::PanelName() const { return view_.def->name; }

QWidget* PanelBuilder::Window() const { return view_.window; }

ControlView* PanelBuilder::View(int id) {
    auto it = view_.controls.find(id);
    return it == view_.controls.end() ? nullptr : &it->second;
}

QWidget* PanelBuilder::Spacer() {
    auto* w = new QWidget(view_.window);
    w->setFixedSize(0, 0);
    return w;
}

QWidget* PanelBuilder::W(int id) {
    ControlView* cv = View(id);
    if (!cv || !cv->widget || cv->placed) return Spacer();
    cv->placed = true;
    if (cv->widget->focusPolicy() & Qt::TabFocus) focus_.push_back(cv->widget);
    return cv->widget;
}

QWidget* PanelBuilder::Cap(int id) {
    ControlView* cv = View(id);
    if (!cv || !cv->caption || cv->caption->property("placed").toBool()) return Spacer();
    cv->caption->setProperty("placed", true);
    return cv->caption;
}

void PanelBuilder::NoCap(int id) {
    ControlView* cv = View(id);
    if (!cv || !cv->caption) return;
    delete cv->caption;
    cv->caption = nullptr;
}

QGroupBox* PanelBuilder::Group(int decoration, int heading) {
    ControlView* frame = View(decoration);
    QGroupBox* box = frame ? qobject_cast<QGroupBox*>(frame->widget) : nullptr;
    if (box && !frame->placed) frame->placed = true;
    else box = new QGroupBox(view_.window);
    if (ControlView* title = View(heading); title && title->widget && !title->placed) {
        delete title->widget;
        title->widget = nullptr;
        title->heading = box;
        title->placed = true;
    }
    return box;
}

QLayout* PanelBuilder::Lamp(int id) {
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(W(id));
    row->addWidget(Cap(id));
    return row;
}

QLabel* PanelBuilder::Note(const QString& text) {
    auto* label = new QLabel(text, view_.window);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void PanelBuilder::Step(int id, double step) {
    ControlView* cv = View(id);
    if (!cv) return;
    if (auto* real = qobject_cast<QDoubleSpinBox*>(cv->widget)) real->setSingleStep(step);
    else if (auto* whole = qobject_cast<QSpinBox*>(cv->widget)) whole->setSingleStep(std::max(1, int(step)));
}

void PanelBuilder::EnterPresses(int id) {
    ControlView* cv = View(id);
    auto* button = cv ? qobject_cast<QPushButton*>(cv->widget) : nullptr;
    if (!button) return;
    button->setDefault(true);
    view_.enterControl = id;
}

void PanelBuilder::EscapePresses(int id) {
    ControlView* cv = View(id);
    if (cv && qobject_cast<QPushButton*>(cv->widget)) view_.escapeControl = id;
}

void PanelBuilder::Shortcuts(int menuItem, const QList<QKeySequence>& keys) {
    if (auto it = view_.actions.find(menuItem); it != view_.actions.end()) it->second->setShortcuts(keys);
}

void PanelBuilder::Shortcut(int menuItem, const QKeySequence& keys) {
    if (auto it = view_.actions.find(menuItem); it != view_.actions.end()) it->second->setShortcut(keys);
}

void PanelBuilder::Finish() {
    QFormLayout* rest = nullptr;
    for (int id : view_.order) {
        ControlView& cv = view_.controls[id];
        bool widgetLeft = cv.widget && !cv.placed;
        bool captionLeft = cv.caption && !cv.caption->property("placed").toBool();
        if (!widgetLeft && !captionLeft) continue;
        if (!rest) {
            rest = new QFormLayout;
            top_->addLayout(rest);
        }
        QWidget* caption = captionLeft ? Cap(id) : nullptr;
        QWidget* widget = widgetLeft ? W(id) : Spacer();
        if (caption) rest->addRow(caption, widget);
        else rest->addRow(widget);
    }
    for (std::size_t i = 1; i < focus_.size(); ++i) QWidget::setTabOrder(focus_[i - 1], focus_[i]);
}

void LayoutPanel(PanelView& view) {
    PanelBuilder b(view);
    if (gLayout) gLayout(b);
    b.Finish();
}
