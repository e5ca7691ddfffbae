#pragma once

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

// A picture from the resources (":/pictures/<name>.svg"), drawn to fit.
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

private:
    QString name_;
    QSize size_;
    std::unique_ptr<QSvgRenderer> svg_;  // parsed once per picture
};

bool PictureExists(const QString& name);
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

// A ring: the wheel chooses an item only while it has the focus.
class RingBox : public QComboBox {
public:
    explicit RingBox(QWidget* parent);

protected:
    void wheelEvent(QWheelEvent* event) override;
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
