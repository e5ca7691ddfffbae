#pragma once

#include <QAccessible>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QIcon>
#include <QLineEdit>
#include <QSpinBox>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QSvgRenderer;

// The few widgets Qt does not have as such: lamps, drawn pictures, number
// fields that stay a sensible width for unbounded ranges, and the panel window
// that reports its close box, position and zoom to the toolkit.

class LedWidget : public QWidget {
public:
    explicit LedWidget(QWidget* parent);
    void SetState(bool on, int rgb);
    bool On() const { return on_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool on_ = false;
    int rgb_ = 0xFF0000;
};

// A picture from the resources (":/pictures/<name>.svg"), drawn to fit. One
// with onLeftClick is a button: Space and Enter click it too.
class PictureWidget : public QWidget {
public:
    PictureWidget(QWidget* parent, QSize size);
    ~PictureWidget() override;
    void SetPicture(const QString& name);
    const QString& Picture() const { return name_; }
    std::function<void()> onLeftClick;
    QSize sizeHint() const override { return size_; }
    QSize minimumSizeHint() const override { return size_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString name_;
    QSize size_;
    std::unique_ptr<QSvgRenderer> svg_;  // parsed once per picture
};

bool PictureExists(const QString& name);

// What screen readers and UI automation see of a control drawn by the
// program itself or whose Qt role is not its kind: the role given here, the
// widget's accessible name, and for buttons and clickable pictures the action
// that clicks them. The click happens from the event loop, after the action
// has returned, so that the program's callback never runs inside the
// assistive technology's request. The factory is installed with the first role.
void SetAccessibleRole(QWidget* widget, QAccessible::Role role);
QIcon PictureIcon(const QString& name, int size);

// Number fields take a number outside their range while it is typed and
// bring it into the range when the entry is complete (Enter, leaving the
// field), as a value set by the program is. The mouse wheel changes only the
// field that has the focus; over any other it is left to the window.
class IntSpin : public QSpinBox {
public:
    explicit IntSpin(QWidget* parent);
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void wheelEvent(QWheelEvent* event) override;
};

// Accepts a point as well as the comma as decimal separator: the numeric
// keypad gives either, depending on the keyboard layout.
class RealSpin : public QDoubleSpinBox {
public:
    explicit RealSpin(QWidget* parent);
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
    double valueFromText(const QString& text) const override;
    void ShowEmpty() { lineEdit()->clear(); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void wheelEvent(QWheelEvent* event) override;
};

// A ring: the wheel chooses an item only while it has the focus. onChosen
// hears of every choice a person makes, once, also of the item chosen once
// more and of a choice made by assistive technology; none made by the program
// while the box's signals are blocked.
class RingBox : public QComboBox {
public:
    explicit RingBox(QWidget* parent);
    std::function<void(int index)> onChosen;

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    int justChosen_ = -1;  // reported by the new current item; its activation says it again
};

class PanelWindow : public QWidget {
public:
    PanelWindow(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}
    std::function<void()> onClose;
    std::function<void()> onGeometry;
    std::function<void()> onZoom;
    // A key no control of the panel took; true when it was used.
    std::function<bool(QKeyEvent*)> onKey;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
};

// Sees key presses of one widget before the widget does; returns true to
// swallow the key.
class KeyFilter : public QObject {
public:
    KeyFilter(QObject* parent, std::function<bool(QKeyEvent*)> onKey) : QObject(parent), onKey_(std::move(onKey)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool(QKeyEvent*)> onKey_;
};
