#include "toolkit/qt/PanelWidgets.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QItemSelectionModel>
#include <QCloseEvent>
#include <QFile>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <QRadialGradient>
#include <QStyleOptionSpinBox>
#include <QSvgRenderer>
#include <QWheelEvent>
#include <algorithm>
#include <type_traits>
#include <utility>

namespace {

QString PicturePath(const QString& name) { return QStringLiteral(":/pictures/%1.svg").arg(name); }

// Width of a number field: wide enough for the longest value of a
// reasonable range, not for the 300 digits of an unbounded one.
QSize SpinHint(const QAbstractSpinBox* box, const QString& longest) {
    QFontMetrics fm(box->font());
    int w = fm.horizontalAdvance(longest + QLatin1Char(' '));
    QLineEdit* edit = box->findChild<QLineEdit*>();
    int h = edit ? edit->sizeHint().height() : fm.height() + 6;
    QStyleOptionSpinBox opt;
    opt.initFrom(box);
    opt.buttonSymbols = box->buttonSymbols();
    opt.frame = box->hasFrame();
    QSize hint = box->style()->sizeFromContents(QStyle::CT_SpinBox, &opt, QSize(w, h), box);
    return hint.expandedTo(QSize(60, 0));
}

}  // namespace

LedWidget::LedWidget(QWidget* parent) : QWidget(parent) { setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed); }

void LedWidget::SetState(bool on, int rgb) {
    if (on == on_ && rgb == rgb_) return;
    on_ = on;
    rgb_ = rgb;
    update();
}

QSize LedWidget::sizeHint() const {
    int d = std::max(14, fontMetrics().height());
    return {d, d};
}

void LedWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    int d = std::min(width(), height()) - 2;
    QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    // Off is a dark grey whatever the lamp's colour, so that an idle lamp
    // never reads as a fault; on is the lamp's colour; dimmed is pale.
    bool lit = on_ && isEnabled();
    QColor face = lit ? QColor::fromRgb(static_cast<QRgb>(rgb_ & 0xFFFFFF))
                      : isEnabled() ? QColor(96, 96, 96) : QColor(190, 190, 190);
    QRadialGradient g(r.center() - QPointF(d / 5.0, d / 5.0), d * 0.7);
    g.setColorAt(0.0, face.lighter(lit ? 170 : 135));
    g.setColorAt(1.0, face);
    p.setBrush(g);
    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.drawEllipse(r);
}

PictureWidget::PictureWidget(QWidget* parent, QSize size) : QWidget(parent), size_(size) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

PictureWidget::~PictureWidget() = default;

void PictureWidget::SetPicture(const QString& name) {
    if (name == name_ && svg_) return;
    name_ = name;
    svg_ = std::make_unique<QSvgRenderer>(PicturePath(name_));
    update();
}

void PictureWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!svg_) svg_ = std::make_unique<QSvgRenderer>(PicturePath(name_));
    QSvgRenderer& svg = *svg_;
    if (!svg.isValid()) {
        // A picture the program does not have: its name in a frame.
        p.setPen(palette().color(QPalette::WindowText));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.drawText(rect(), Qt::AlignCenter, name_);
        return;
    }
    QSizeF s = svg.defaultSize();
    s.scale(size(), Qt::KeepAspectRatio);
    QRectF target((width() - s.width()) / 2.0, (height() - s.height()) / 2.0, s.width(), s.height());
    if (!isEnabled()) p.setOpacity(0.45);
    svg.render(&p, target);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        p.setOpacity(1.0);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

void PictureWidget::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (onLeftClick && !event->isAutoRepeat() &&
        (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        event->accept();
        onLeftClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PictureWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onLeftClick) {
        event->accept();
        onLeftClick();
        return;
    }
    QWidget::mousePressEvent(event);
}

bool PictureExists(const QString& name) { return QFile::exists(PicturePath(name)); }

QIcon PictureIcon(const QString& name, int size) {
    QSvgRenderer svg(PicturePath(name));
    QIcon icon;
    if (!svg.isValid()) return icon;
    for (int scale : {1, 2, 3}) {
        QPixmap pm(size * scale, size * scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        svg.render(&p);
        p.end();
        pm.setDevicePixelRatio(scale);
        icon.addPixmap(pm);
    }
    return icon;
}

namespace {

const char kAccessibleRole[] = "krv4AccessibleRole";

bool Clickable(QWidget* w) {
    if (qobject_cast<QAbstractButton*>(w)) return true;
    auto* picture = dynamic_cast<PictureWidget*>(w);
    return picture && picture->onLeftClick;
}

void ClickLater(QWidget* w) {
    QPointer<QWidget> target(w);
    QTimer::singleShot(0, w, [target] {
        if (!target || !target->isEnabled()) return;
        if (auto* button = qobject_cast<QAbstractButton*>(target)) button->click();
        else if (auto* picture = dynamic_cast<PictureWidget*>(target.data()); picture && picture->onLeftClick)
            picture->onLeftClick();
    });
}

class ControlAccessible : public QAccessibleWidget {
public:
    ControlAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && !widget()->accessibleName().isEmpty()) return widget()->accessibleName();
        if (t == QAccessible::Name)
            if (auto* button = qobject_cast<QAbstractButton*>(widget()))
                return button->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
        // Qt describes a widget by its tool tip; one that only repeats the name is not read twice.
        if (t == QAccessible::Description && QAccessibleWidget::text(t) == text(QAccessible::Name)) return {};
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (auto* button = qobject_cast<QAbstractButton*>(widget()); button && button->isCheckable()) {
            s.checkable = true;
            s.checked = button->isChecked();
            // A toggle button shows its state as pressed.
            if (role() == QAccessible::Button) s.pressed = button->isChecked();
        }
        return s;
    }
    QStringList actionNames() const override {
        QStringList names;
        if (widget()->isEnabled() && Clickable(widget())) {
            auto* button = qobject_cast<QAbstractButton*>(widget());
            names << (button && button->isCheckable() ? toggleAction() : pressAction());
        }
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if ((action == pressAction() || action == toggleAction()) && actionNames().contains(action)) {
            ClickLater(widget());
            return;
        }
        QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* ControlFactory(const QString&, QObject* object) {
    auto* w = object && object->isWidgetType() ? static_cast<QWidget*>(object) : nullptr;
    QVariant role = w ? w->property(kAccessibleRole) : QVariant();
    if (!role.isValid()) return nullptr;
    return new ControlAccessible(w, static_cast<QAccessible::Role>(role.toInt()));
}

}  // namespace

void SetAccessibleRole(QWidget* widget, QAccessible::Role role) {
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(ControlFactory);
        installed = true;
    }
    widget->setProperty(kAccessibleRole, static_cast<int>(role));
    // An interface Qt made while the widget was built has the role of Qt's own kind.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget); made && made->role() != role)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

namespace {

// A whole typed number outside the range: kept while typing (the next key
// may still make it fit), brought into the range by fixup.
template <class Spin, class T>
bool OutOfRange(const Spin* spin, const QString& text, T& value) {
    QString t = text.trimmed();
    if (!spin->prefix().isEmpty() && t.startsWith(spin->prefix())) t.remove(0, spin->prefix().size());
    if (!spin->suffix().isEmpty() && t.endsWith(spin->suffix())) t.chop(spin->suffix().size());
    bool ok = false;
    if constexpr (std::is_same_v<T, int>) value = spin->locale().toInt(t.trimmed(), &ok);
    else value = spin->locale().toDouble(t.trimmed(), &ok);
    return ok && (value < spin->minimum() || value > spin->maximum());
}

void LeaveWheelUnlessFocused(QWidget* w, QWheelEvent* event, const std::function<void()>& own) {
    if (!w->hasFocus()) {
        event->ignore();  // goes on to the parent: the window scrolls, if it can
        return;
    }
    own();
}

}  // namespace

IntSpin::IntSpin(QWidget* parent) : QSpinBox(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State IntSpin::validate(QString& text, int& pos) const {
    QValidator::State state = QSpinBox::validate(text, pos);
    int value = 0;
    if (state == QValidator::Invalid && OutOfRange(this, text, value)) return QValidator::Intermediate;
    return state;
}

void IntSpin::fixup(QString& text) const {
    int value = 0;
    if (OutOfRange(this, text, value)) text = textFromValue(std::clamp(value, minimum(), maximum()));
    else QSpinBox::fixup(text);
}

void IntSpin::wheelEvent(QWheelEvent* event) {
    LeaveWheelUnlessFocused(this, event, [&] { QSpinBox::wheelEvent(event); });
}

RealSpin::RealSpin(QWidget* parent) : QDoubleSpinBox(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

void RealSpin::fixup(QString& text) const {
    QString decimal = locale().decimalPoint();
    if (decimal != QLatin1String(".")) text.replace(QLatin1Char('.'), decimal);
    double value = 0;
    if (OutOfRange(this, text, value)) text = textFromValue(std::clamp(value, minimum(), maximum()));
    else QDoubleSpinBox::fixup(text);
}

void RealSpin::wheelEvent(QWheelEvent* event) {
    LeaveWheelUnlessFocused(this, event, [&] { QDoubleSpinBox::wheelEvent(event); });
}

RingBox::RingBox(QWidget* parent) : QComboBox(parent) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) return;
        if (onChosen) onChosen(index);
        // The activation that follows at once (mouse, keyboard) is the same choice.
        justChosen_ = index;
        QTimer::singleShot(0, this, [this] { justChosen_ = -1; });
    });
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (std::exchange(justChosen_, -1) == index) return;
        if (onChosen) onChosen(index);
    });
    // Assistive technology chooses by selecting an item of the list; the
    // mouse over the open list and the keyboard in it move the current item
    // with the selection, which is no choice until it is taken.
    QAbstractItemView* list = view();
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, list] {
        QTimer::singleShot(0, this, [this, list = QPointer<QAbstractItemView>(list)] {
            if (!list || view() != list) return;
            QModelIndexList selected = list->selectionModel()->selectedIndexes();
            if (selected.size() != 1) return;
            const int row = selected.front().row();
            if (row == list->currentIndex().row() || row == currentIndex()) return;
            hidePopup();
            setCurrentIndex(row);
            // The list shows the item the program kept, also after a refused choice.
            list->setCurrentIndex(model()->index(currentIndex(), modelColumn(), rootModelIndex()));
        });
    });
}

void RingBox::wheelEvent(QWheelEvent* event) {
    LeaveWheelUnlessFocused(this, event, [&] { QComboBox::wheelEvent(event); });
}

QSize IntSpin::sizeHint() const {
    auto digits = [this](int v) { return textFromValue(v); };
    int lo = std::max(minimum(), -9999999), hi = std::min(maximum(), 99999999);
    QString a = digits(lo), b = digits(hi);
    return SpinHint(this, a.size() > b.size() ? a : b);
}

QValidator::State RealSpin::validate(QString& text, int& pos) const {
    QString decimal = locale().decimalPoint();
    if (decimal != QLatin1String(".")) text.replace(QLatin1Char('.'), decimal);
    QValidator::State state = QDoubleSpinBox::validate(text, pos);
    double value = 0;
    if (state == QValidator::Invalid && OutOfRange(this, text, value)) {
        // Within the field's decimals only: a sixth decimal stays refused.
        qsizetype at = text.indexOf(decimal);
        if (at < 0 || text.size() - at - decimal.size() <= decimals()) return QValidator::Intermediate;
    }
    return state;
}

double RealSpin::valueFromText(const QString& text) const {
    QString t = text;
    QString decimal = locale().decimalPoint();
    if (decimal != QLatin1String(".")) t.replace(QLatin1Char('.'), decimal);
    return QDoubleSpinBox::valueFromText(t);
}

QSize RealSpin::sizeHint() const {
    double lo = std::max(minimum(), -9999999.0), hi = std::min(maximum(), 99999999.0);
    QString a = textFromValue(lo), b = textFromValue(hi);
    return SpinHint(this, a.size() > b.size() ? a : b);
}

void PanelWindow::closeEvent(QCloseEvent* event) {
    // The program decides what closing means; the window stays until it
    // hides the panel.
    event->ignore();
    if (onClose) onClose();
}

void PanelWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (onGeometry) onGeometry();
}

void PanelWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (onGeometry) onGeometry();
}

void PanelWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && onZoom) onZoom();
}

void PanelWindow::keyPressEvent(QKeyEvent* event) {
    if (onKey && onKey(event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && onKey_) return onKey_(static_cast<QKeyEvent*>(event));
    return QObject::eventFilter(watched, event);
}
