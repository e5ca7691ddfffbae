#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFont>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QTreeView>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#ifdef _WIN32
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif
#include <QStyleFactory>
#include <QTranslator>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <limits>
#include <set>
#include <thread>

#include "platform/SerialPort.h"
#include "toolkit/qt/Cp1252.h"
#include "toolkit/qt/QtAblage.h"
#include "toolkit/qt/QtDruck.h"
#include "toolkit/qt/QtTasten.h"
#include "toolkit/qt/PanelView.h"
#include "toolkit/qt/QtToolkit.h"

// Resources of a static library are registered by hand.
static void RegisterPictures() { Q_INIT_RESOURCE(pictures); }

namespace {

QString Plain(const std::string& s) { return FromCp1252(s); }
QString Plain(const char* s) { return FromCp1252(s ? s : ""); }
// Buttons, check boxes, group titles and menus read '&' as a shortcut mark.
QString Literal(QString s) { return s.replace(QLatin1Char('&'), QStringLiteral("&&")); }
// Window titles read "[*]" as the place of the modified mark.
QString Title(const std::string& s) { return Plain(s).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")); }
// A menu item's text: a leading "__" marks the next character as its access key.
QString MenuText(const std::string& s) {
    if (s.rfind("__", 0) == 0) return QStringLiteral("&") + Literal(Plain(s.substr(2)));
    return Literal(Plain(s));
}

// What a port picture shows: "COM 1", "nicht geöffnet".
QString PortText(const QString& picture) {
    if (picture == QLatin1String("port_geschlossen")) return QStringLiteral("nicht geöffnet");
    if (picture.startsWith(QLatin1String("port_com"))) return QStringLiteral("COM ") + picture.mid(8);
    return {};
}

QSize PictureSize(const QString& name) {
    if (name.startsWith(QLatin1String("port_"))) return {104, 40};
    if (name == QLatin1String("info")) return {128, 128};
    if (name == QLatin1String("pneumatikplan")) return {760, 470};
    return {64, 64};
}

// The key code a control's callback receives: Enter is VAL_ENTER_VKEY, a
// character its code page byte; keys without a character give none.
int KeyCode(const QKeyEvent* key) {
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) return VAL_ENTER_VKEY;
    if (key->text().isEmpty()) return 0;
    return static_cast<unsigned char>(ToCp1252(key->text().left(1)).front());
}

class QtBackend;
QtBackend* gQt = nullptr;

std::map<QString, QString> gFileTypeNames;  // by extension, lower case

class QtBackend : public ToolkitBackend {
public:
    explicit QtBackend(QtMisuseHandler onMisuse) : onMisuse_(std::move(onMisuse)) {
        gQt = this;
        // While a transfer waits for the device, what it held back is painted
        // once it is due, even when nothing changes meanwhile.
        SerialPortWartenMelden([] {
            if (gQt) gQt->PaintDue();
        });
    }
    ~QtBackend() override;

    PanelView* View(int handle) {
        auto it = views_.find(handle);
        return it == views_.end() ? nullptr : it->second.get();
    }

    void PanelLoaded(PanelState& panel) override;
    void PanelShown(PanelState& panel, bool shown) override;
    void PanelChanged(PanelState& panel) override;
    void ControlChanged(PanelState& panel, ControlState& control, Change what) override;
    void MenuChanged(PanelState& panel, MenuItemState& item) override;
    void PopupInstalled(PanelState& panel, bool installed) override;
    int Run() override;
    void Quit(int code) override;
    void ProcessEvents() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
    void WaitForEvent() override { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }
    void Delay(double seconds) override {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
    int MessagePopup(const std::string& title, const std::string& message) override;
    int GenericMessagePopup(const std::string& title, const std::string& message,
                            const std::vector<std::string>& buttons, int activeButton, int enterButton,
                            int escapeButton) override;
    int FileSelectPopup(const FileSelect& request, std::string& path) override;
    void Misuse(const std::string& what) override;
    int PrintDialog(const PrintDocument& document) override {
        PopupScope scope(*this);
        return QtDokumentDrucken(document, PopupParent());
    }
    int RenderPdf(const PrintDocument& document, std::string& pdf) override { return QtDokumentPdf(document, pdf); }
    void Bedienen(const std::function<void()>& action) {
        Operator([&] { action(); });
    }
    void WatchExternal(std::intptr_t descriptor, std::function<void()> handler) override;
    void ClosePopups() override;

private:
    // While a pop-up of the toolkit is open, no timer tick is delivered; what
    // the program shows behind it is on the screen before it opens.
    struct PopupScope {
        explicit PopupScope(QtBackend& b) : b(b) {
            b.PaintPending();
            ++b.popups_;
        }
        ~PopupScope() {
            --b.popups_;
            // A callback goes on working after it: what the pop-up covered is
            // painted now, not left as its picture until the callback returns.
            if (b.depth_ > 0) b.RepaintShown();
            b.ScheduleTicks();
        }
        QtBackend& b;
    };

    void BuildControl(PanelView& view, ControlState& control);
    void BuildMenu(PanelState& panel, PanelView& view);
    void ApplyValue(ControlView& cv, const ControlState& c);
    void ApplyItems(ControlView& cv, const ControlState& c);
    void ApplyAttributes(ControlView& cv, const ControlState& c);
    void Resync(int panel, int control);
    void CommitText(int panel, int control);
    bool Refused(int panel, int control);
    void OperateButton(int panel, int control, bool on);
    void ApplyAccessible(PanelView& view, ControlView& cv, const ControlState& c);
    void SetUpAccessible(PanelView& view, ControlView& cv);
    bool StepRadioGroup(PanelView& view, QWidget* from, int step);
    void ShowWindow(PanelState& panel, PanelView& view);
    void WaitExposed(QWidget* window, int ms);
    void Photograph(const QString& file);
    void ReadGeometry(int panel);
    void PaintPending();
    void PaintDue();
    void RepaintShown();
    QWidget* PopupParent();

    // An operator action: callbacks run inside it. Ticks that fall due
    // meanwhile wait until the outermost one has returned.
    template <class F>
    void Operator(F&& action) {
        if (dying_) return;
        // The first change a callback makes is painted at once.
        if (depth_ == 0) painted_.invalidate();
        ++depth_;
        action();
        if (depth_ == 1) PaintPending();
        --depth_;
        ScheduleTicks();
    }
    void OnTick(int panel, int control);
    void ScheduleTicks();

    QtMisuseHandler onMisuse_;
    std::map<int, std::unique_ptr<PanelView>> views_;
    QObject context_;  // owner of queued calls, so that none outlives the backend
    QEventLoop* loop_ = nullptr;
    std::unique_ptr<QObject> external_;  // the notifier of WatchExternal
    int depth_ = 0;
    int popups_ = 0;
    bool dying_ = false;
    bool ticksScheduled_ = false;
    std::set<std::pair<int, int>> pendingTicks_;
    // Controls changed inside a callback and not painted since, by panel.
    std::set<std::pair<int, int>> unpainted_;
    QElapsedTimer painted_;
};

}  // namespace

void QtBedienen(const std::function<void()>& handlung) {
    if (gQt) gQt->Bedienen(handlung);
}

namespace {
// A blocking transfer changes its progress text a few hundred times a
// second; painting each would cost the line time, 25 a second keep up.
constexpr qint64 kPaintIntervalMs = 40;

QtBackend::~QtBackend() {
    dying_ = true;
    if (gQt == this) {
        gQt = nullptr;
        SerialPortWartenMelden(nullptr);
    }
    // Child panels first: their windows belong to their parent's window.
    std::vector<QPointer<PanelWindow>> windows;
    for (auto it = views_.rbegin(); it != views_.rend(); ++it) windows.emplace_back(it->second->window);
    for (QPointer<PanelWindow>& w : windows) delete w.data();
}

void QtBackend::Misuse(const std::string& what) {
    if (onMisuse_) {
        onMisuse_(what);
        return;
    }
    std::fprintf(stderr, "krv4steuerung: falscher Aufruf des Toolkits: %s\n", what.c_str());
}

void QtBackend::PanelLoaded(PanelState& p) {
    auto owned = std::make_unique<PanelView>();
    PanelView& v = *owned;
    views_[p.handle] = std::move(owned);
    v.handle = p.handle;
    v.def = p.def;

    QWidget* parentWindow = nullptr;
    if (PanelView* parent = View(p.parent)) parentWindow = parent->window;
    // Panels inside the main panel open as its dialogs, over it.
    v.window = new PanelWindow(parentWindow, parentWindow ? Qt::Dialog : Qt::Window);
    v.window->setObjectName(QString::fromLatin1(p.def->name));
    v.window->setWindowTitle(Title(p.title));

    for (ControlState& c : p.controls) BuildControl(v, c);
    BuildMenu(p, v);
    LayoutPanel(v);
    QtAblageEinrichten(v.window, p.handle);
    QtMenuetastenVorrang(v.window);
    for (ControlState& c : p.controls) {
        ControlView& cv = v.controls[c.def->id];
        ApplyItems(cv, c);
        ApplyAttributes(cv, c);
        ApplyAccessible(v, cv, c);
    }

    v.window->adjustSize();
    QRect area = parentWindow ? parentWindow->geometry() : QGuiApplication::primaryScreen()->availableGeometry();
    QRect g(QPoint(0, 0), v.window->size());
    g.moveCenter(area.center());
    if (!parentWindow) g.moveTop(std::max(area.top(), g.top()));
    v.window->setGeometry(g);
    p.left = g.left();
    p.top = g.top();
    p.width = g.width();
    p.height = g.height();

    int handle = p.handle;
    // The close box, Enter and Escape press the buttons the layout chose for
    // them; without one the close box goes to the panel's callback.
    auto press = [this, handle](int control) {
        PanelView* pv = View(handle);
        auto* button = pv ? qobject_cast<QPushButton*>(pv->controls[control].widget) : nullptr;
        if (!button || !button->isEnabled() || !button->isVisible() || !PanelReachable(handle)) return false;
        button->click();
        return true;
    };
    v.window->onClose = [this, handle, press] {
        PanelView* pv = View(handle);
        if (pv && pv->escapeControl) {
            press(pv->escapeControl);
            return;
        }
        if (PanelReachable(handle)) Operator([&] { DispatchPanelEvent(handle, EVENT_CLOSE); });
    };
    v.window->onKey = [this, handle, press](QKeyEvent* key) {
        PanelView* pv = View(handle);
        if (!pv || key->modifiers() & ~Qt::KeypadModifier) return false;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && pv->enterControl)
            return press(pv->enterControl);
        if (key->key() == Qt::Key_Escape && pv->escapeControl) return press(pv->escapeControl);
        return false;
    };
    v.window->onGeometry = [this, handle] { ReadGeometry(handle); };
    v.window->onZoom = [this, handle] {
        PanelState* ps = FindPanel(handle);
        PanelView* pv = View(handle);
        if (!ps || !pv || dying_) return;
        Qt::WindowStates s = pv->window->windowState();
        ps->zoom = s & Qt::WindowMinimized ? VAL_MINIMIZE : s & Qt::WindowMaximized ? VAL_MAXIMIZE : VAL_NO_ZOOM;
    };
}

void QtBackend::BuildControl(PanelView& v, ControlState& c) {
    const ControlDef& d = *c.def;
    ControlView& cv = v.controls[d.id];
    v.order.push_back(d.id);
    cv.def = &d;
    QWidget* parent = v.window;
    const int panel = v.handle, id = d.id;
    auto caption = [&] {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        cv.caption = label;
    };

    switch (d.kind) {
        case CtrlKind::Ring: {
            auto* box = new RingBox(parent);
            box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            box->onChosen = [this, panel, id](int index) {
                if (Refused(panel, id)) return;
                Operator([&] { OperatorSelectIndex(panel, id, index); });
                Resync(panel, id);
            };
            cv.widget = box;
            caption();
            break;
        }
        case CtrlKind::ListBox: {
            auto* list = new QListWidget(parent);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            // The selection, whoever makes it: the keyboard and the mouse move
            // it with the current row, assistive technology selects an item. A
            // selection cleared on the way to the next one is no change; one
            // left empty shows the program's item again.
            QObject::connect(list, &QListWidget::itemSelectionChanged, list, [this, panel, id, list] {
                PanelState* p = FindPanel(panel);
                ControlState* c = p ? p->Control(id) : nullptr;
                if (!c || dying_) return;
                QList<QListWidgetItem*> selected = list->selectedItems();
                if (selected.isEmpty()) {
                    QTimer::singleShot(0, list, [this, panel, id, list] {
                        if (list->selectedItems().isEmpty()) Resync(panel, id);
                    });
                    return;
                }
                int row = -1;
                for (QListWidgetItem* item : selected)
                    if (list->row(item) != c->index) row = list->row(item);
                if (row < 0 || Refused(panel, id)) return;
                Operator([&] { OperatorSelectIndex(panel, id, row); });
                Resync(panel, id);
            });
            cv.widget = list;
            caption();
            break;
        }
        case CtrlKind::Command: {
            auto* button = new QPushButton(parent);
            button->setAutoDefault(false);
            if (d.picture && *d.picture) {
                QString picture = QString::fromLatin1(d.picture);
                button->setIcon(PictureIcon(picture, 32));
                button->setIconSize(QSize(32, 32));
            }
            QObject::connect(button, &QPushButton::clicked, button, [this, panel, id] {
                if (Refused(panel, id)) return;
                Operator([&] { DispatchCtrlEvent(panel, id, EVENT_COMMIT); });
            });
            cv.widget = button;
            break;
        }
        case CtrlKind::TextMsg: {
            auto* label = new QLabel(parent);
            label->setTextFormat(Qt::PlainText);
            label->setMinimumHeight(label->fontMetrics().height());
            cv.widget = label;
            break;
        }
        case CtrlKind::CheckBox: {
            auto* box = new QCheckBox(parent);
            QObject::connect(box, &QCheckBox::toggled, box,
                             [this, panel, id](bool on) { OperateButton(panel, id, on); });
            cv.widget = box;
            break;
        }
        case CtrlKind::Numeric: {
            QAbstractSpinBox* spin = nullptr;
            if (d.type == ValueType::Double) {
                auto* real = new RealSpin(parent);
                real->setDecimals(d.decimals);
                if (d.min < d.max) real->setRange(d.min, d.max);
                else real->setRange(-std::numeric_limits<double>::max(), std::numeric_limits<double>::max());
                real->setSingleStep(std::pow(10.0, -std::min(d.decimals, 2)));
                QObject::connect(real, &QDoubleSpinBox::valueChanged, real, [this, panel, id](double value) {
                    Operator([&] { OperatorSetValue(panel, id, value); });
                    Resync(panel, id);
                });
                spin = real;
            } else {
                auto* whole = new IntSpin(parent);
                if (d.min < d.max)
                    whole->setRange(static_cast<int>(std::ceil(d.min)), static_cast<int>(std::floor(d.max)));
                else
                    whole->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
                QObject::connect(whole, &QSpinBox::valueChanged, whole, [this, panel, id](int value) {
                    Operator([&] { OperatorSetValue(panel, id, value); });
                    Resync(panel, id);
                });
                spin = whole;
            }
            // A value is reported once it is complete, not at every keystroke.
            spin->setKeyboardTracking(false);
            spin->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (d.indicator) {
                spin->setReadOnly(true);
                spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
                spin->setFocusPolicy(Qt::ClickFocus);
            }
            cv.widget = spin;
            caption();
            break;
        }
        case CtrlKind::RadioButton: {
            auto* radio = new QRadioButton(parent);
            // The program keeps its groups exclusive itself.
            radio->setAutoExclusive(false);
            QObject::connect(radio, &QRadioButton::toggled, radio,
                             [this, panel, id](bool on) { OperateButton(panel, id, on); });
            radio->installEventFilter(new KeyFilter(radio, [this, panel, radio](QKeyEvent* key) {
                PanelView* pv = View(panel);
                int k = key->key();
                int step = k == Qt::Key_Down || k == Qt::Key_Right ? 1 : k == Qt::Key_Up || k == Qt::Key_Left ? -1 : 0;
                return pv && step && !(key->modifiers() & ~Qt::KeypadModifier) && StepRadioGroup(*pv, radio, step);
            }));
            cv.widget = radio;
            break;
        }
        case CtrlKind::Toggle: {
            auto* button = new QPushButton(parent);
            button->setCheckable(true);
            button->setAutoDefault(false);
            int wide = 0;
            for (const char* text : {d.label, d.onText}) {
                button->setText(Literal(Plain(text)));
                wide = std::max(wide, button->sizeHint().width());
            }
            button->setMinimumWidth(wide);
            QObject::connect(button, &QPushButton::toggled, button,
                             [this, panel, id](bool on) { OperateButton(panel, id, on); });
            cv.widget = button;
            break;
        }
        case CtrlKind::Led:
            cv.widget = new LedWidget(parent);
            caption();
            break;
        case CtrlKind::PictureRing: {
            QString first = d.items.empty() ? QString() : QString::fromLatin1(d.items.front().label);
            auto* picture = new PictureWidget(parent, PictureSize(first));
            if (d.callback) {
                picture->setCursor(Qt::PointingHandCursor);
                picture->setFocusPolicy(Qt::StrongFocus);
            }
            picture->onLeftClick = [this, panel, id, picture] {
                if (!picture->isEnabled() || !PanelReachable(panel)) return;
                Operator([&] { DispatchCtrlEvent(panel, id, EVENT_LEFT_CLICK); });
            };
            cv.widget = picture;
            break;
        }
        case CtrlKind::Picture: {
            QString name = QString::fromLatin1(d.picture ? d.picture : "");
            auto* picture = new PictureWidget(parent, PictureSize(name));
            picture->SetPicture(name);
            cv.widget = picture;
            break;
        }
        case CtrlKind::Decoration:
            cv.widget = new QGroupBox(parent);
            break;
        case CtrlKind::String: {
            auto* edit = new QLineEdit(parent);
            if (d.indicator) {
                edit->setReadOnly(true);
                edit->setFocusPolicy(Qt::ClickFocus);
            } else {
                QObject::connect(edit, &QLineEdit::editingFinished, edit,
                                 [this, panel, id] { CommitText(panel, id); });
                // A text set from outside (assistive technology) while no one
                // types in the field is complete at once.
                QObject::connect(edit, &QLineEdit::textChanged, edit, [this, panel, id, edit] {
                    if (!edit->hasFocus()) CommitText(panel, id);
                });
                edit->installEventFilter(new KeyFilter(edit, [this, panel, id](QKeyEvent* key) {
                    int code = KeyCode(key);
                    if (code == 0 || dying_) return false;
                    // What was typed is the control's value before Enter is reported.
                    if (code == VAL_ENTER_VKEY) CommitText(panel, id);
                    int swallow = 0;
                    Operator([&] { swallow = DispatchCtrlEvent(panel, id, EVENT_KEYPRESS, code); });
                    return swallow != 0;
                }));
            }
            cv.widget = edit;
            caption();
            break;
        }
        case CtrlKind::ProgressBar: {
            auto* bar = new QProgressBar(parent);
            bar->setTextVisible(false);
            bar->setRange(static_cast<int>(d.min), std::max(static_cast<int>(d.min), static_cast<int>(d.max)));
            cv.widget = bar;
            break;
        }
        case CtrlKind::Timer: {
            cv.timer = new QTimer(v.window);
            QObject::connect(cv.timer, &QTimer::timeout, cv.timer, [this, panel, id] { OnTick(panel, id); });
            break;
        }
    }
    if (cv.widget) cv.widget->setObjectName(QString::fromLatin1(d.name));
    SetUpAccessible(v, cv);
}

void QtBackend::BuildMenu(PanelState& p, PanelView& v) {
    if (!p.def->menuBar) return;
    v.menuBar = new QMenuBar(v.window);
    const int bar = p.menuBar;
    for (const MenuDef& menu : p.def->menuBar->menus) {
        QMenu* m = v.menuBar->addMenu(Literal(Plain(menu.label)));
        for (const MenuItemDef& item : menu.items) {
            if (!item.label) {
                m->addSeparator();
                continue;
            }
            if (!item.submenu.empty()) {
                QMenu* sub = m->addMenu(MenuText(item.label));
                v.actions[item.id] = sub->menuAction();
                for (const MenuItemDef& subItem : item.submenu) {
                    QAction* action = sub->addAction(MenuText(subItem.label ? subItem.label : ""));
                    const int number = subItem.id;
                    QObject::connect(action, &QAction::triggered, action,
                                     [this, bar, number] { Operator([&] { DispatchMenu(bar, number); }); });
                    v.actions[subItem.id] = action;
                }
                continue;
            }
            QAction* action = m->addAction(MenuText(item.label));
            const int number = item.id;
            QObject::connect(action, &QAction::triggered, action,
                             [this, bar, number] { Operator([&] { DispatchMenu(bar, number); }); });
            v.actions[item.id] = action;
        }
    }
    for (MenuItemState& item : p.menuItems) MenuChanged(p, item);
}

void QtBackend::ApplyItems(ControlView& cv, const ControlState& c) {
    if (auto* box = qobject_cast<QComboBox*>(cv.widget)) {
        QSignalBlocker block(box);
        box->clear();
        for (const ListItem& item : c.items) box->addItem(Plain(item.label));
    } else if (auto* list = qobject_cast<QListWidget*>(cv.widget)) {
        QSignalBlocker block(list);
        list->clear();
        for (const ListItem& item : c.items) list->addItem(Plain(item.label));
    }
    ApplyValue(cv, c);
}

void QtBackend::ApplyValue(ControlView& cv, const ControlState& c) {
    QWidget* w = cv.widget;
    QSignalBlocker block(w);
    switch (c.def->kind) {
        case CtrlKind::Ring: static_cast<QComboBox*>(w)->setCurrentIndex(c.index); break;
        case CtrlKind::ListBox: static_cast<QListWidget*>(w)->setCurrentRow(c.index); break;
        case CtrlKind::TextMsg:
            if (cv.heading) cv.heading->setTitle(c.visible ? Literal(Plain(c.text)) : QString());
            else static_cast<QLabel*>(w)->setText(Plain(c.text));
            break;
        case CtrlKind::CheckBox:
        case CtrlKind::RadioButton: static_cast<QAbstractButton*>(w)->setChecked(c.intValue != 0); break;
        case CtrlKind::Toggle: {
            auto* button = static_cast<QPushButton*>(w);
            button->setChecked(c.intValue != 0);
            button->setText(Literal(Plain(c.intValue != 0 ? std::string(c.def->onText) : c.label)));
            break;
        }
        case CtrlKind::Numeric:
            if (auto* real = dynamic_cast<RealSpin*>(w)) {
                real->setValue(std::isnan(c.doubleValue) ? real->minimum() : c.doubleValue);
                // A value that is not a number shows as an empty field.
                if (std::isnan(c.doubleValue)) real->ShowEmpty();
            } else {
                static_cast<QSpinBox*>(w)->setValue(c.intValue);
            }
            break;
        case CtrlKind::Led: static_cast<LedWidget*>(w)->SetState(c.intValue != 0, c.onColor); break;
        case CtrlKind::PictureRing: {
            bool valid = c.index >= 0 && c.index < static_cast<int>(c.items.size());
            QString name = valid ? Plain(c.items[c.index].label) : QString();
            auto* picture = static_cast<PictureWidget*>(w);
            picture->SetPicture(name);
            picture->setToolTip(PortText(name));
            break;
        }
        case CtrlKind::String: {
            auto* edit = static_cast<QLineEdit*>(w);
            QString text = Plain(c.text);
            if (edit->text() != text) edit->setText(text);
            break;
        }
        case CtrlKind::ProgressBar: {
            auto* bar = static_cast<QProgressBar*>(w);
            // The bar paints itself at once on a visible change; inside a
            // callback it is painted at the pace of the other controls.
            const bool paced = depth_ > 0 && bar->updatesEnabled();
            if (paced) bar->setUpdatesEnabled(false);
            bar->setRange(static_cast<int>(c.def->min), std::max(static_cast<int>(c.def->min), static_cast<int>(c.maxValue)));
            bar->setValue(c.intValue);
            if (paced) bar->setUpdatesEnabled(true);
            break;
        }
        case CtrlKind::Command:
        case CtrlKind::Picture:
        case CtrlKind::Decoration:
        case CtrlKind::Timer: break;
    }
}

void QtBackend::ApplyAttributes(ControlView& cv, const ControlState& c) {
    const ControlDef& d = *c.def;
    if (cv.timer) {
        int interval = std::max(1, c.intervalMs);
        if (cv.timer->interval() != interval) cv.timer->setInterval(interval);
        bool run = c.timerEnabled && c.intervalMs > 0;
        if (run && !cv.timer->isActive()) cv.timer->start();
        if (!run) cv.timer->stop();
        return;
    }
    if (QWidget* w = cv.widget) {
        w->setEnabled(!c.dimmed);
        w->setVisible(c.visible);
    }
    if (cv.caption) {
        cv.caption->setText(Plain(c.label));
        cv.caption->setEnabled(!c.dimmed);
        cv.caption->setVisible(c.visible);
    }
    switch (d.kind) {
        case CtrlKind::Command: {
            auto* button = static_cast<QPushButton*>(cv.widget);
            button->setText(Literal(Plain(c.label)));
            if (!button->icon().isNull()) button->setToolTip(Plain(c.label));
            break;
        }
        case CtrlKind::CheckBox:
        case CtrlKind::RadioButton: static_cast<QAbstractButton*>(cv.widget)->setText(Literal(Plain(c.label))); break;
        case CtrlKind::String:
            static_cast<QLineEdit*>(cv.widget)->setMaxLength(c.maxEntryLength > 0 ? c.maxEntryLength : 32767);
            break;
        default: break;
    }
    ApplyValue(cv, c);
}

void QtBackend::Resync(int panel, int control) {
    PanelState* p = FindPanel(panel);
    PanelView* v = View(panel);
    ControlState* c = p ? p->Control(control) : nullptr;
    if (!c || !v || dying_) return;
    ApplyValue(v->controls[control], *c);
}

void QtBackend::CommitText(int panel, int control) {
    PanelState* p = FindPanel(panel);
    PanelView* v = View(panel);
    ControlState* c = p ? p->Control(control) : nullptr;
    if (!c || !v || dying_) return;
    auto* edit = static_cast<QLineEdit*>(v->controls[control].widget);
    std::string text = ToCp1252(edit->text());
    if (text != c->text) Operator([&] { OperatorSetText(panel, control, text); });
    Resync(panel, control);
}

// A change a person makes reaches the program only while the panel can be
// operated; one made anyway (assistive technology acts on any window) is
// taken back.
bool QtBackend::Refused(int panel, int control) {
    if (!dying_ && PanelReachable(panel) && popups_ == 0) return false;
    Resync(panel, control);
    return true;
}

// Check boxes, radio buttons and toggles: whatever toggled the widget (mouse,
// keyboard, assistive technology) is one change of the value. The program's
// own changes come with the widget's signals blocked. The widget then shows
// what the program made of it, so that a refused change is seen as refused.
void QtBackend::OperateButton(int panel, int control, bool on) {
    if (Refused(panel, control)) return;
    Operator([&] { OperatorSetValue(panel, control, on ? 1 : 0); });
    Resync(panel, control);
}

// ---- what screen readers and UI automation see ----

void QtBackend::SetUpAccessible(PanelView& v, ControlView& cv) {
    QWidget* w = cv.widget;
    if (!w) return;
    // Enter clicks the focused button, check box or toggle, as Space does,
    // unless the panel has a button that Enter presses wherever the focus is.
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        const int panel = v.handle;
        button->installEventFilter(new KeyFilter(button, [this, panel, button](QKeyEvent* key) {
            PanelView* pv = View(panel);
            bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (!pv || !enter || pv->enterControl || key->modifiers() & ~Qt::KeypadModifier || key->isAutoRepeat())
                return false;
            button->click();
            return true;
        }));
    }
    switch (cv.def->kind) {
        case CtrlKind::Command: SetAccessibleRole(w, QAccessible::Button); break;
        case CtrlKind::CheckBox: SetAccessibleRole(w, QAccessible::CheckBox); break;
        case CtrlKind::RadioButton: SetAccessibleRole(w, QAccessible::RadioButton); break;
        // Qt's toggle button: a button that can be checked, shown pressed.
        case CtrlKind::Toggle: SetAccessibleRole(w, QAccessible::Button); break;
        case CtrlKind::Led: SetAccessibleRole(w, QAccessible::Indicator); break;
        case CtrlKind::PictureRing: SetAccessibleRole(w, QAccessible::Button); break;
        case CtrlKind::Picture: SetAccessibleRole(w, QAccessible::Graphic); break;
        default: break;
    }
}

// The name is what the control's label says, or the definition's name for
// it; a lamp's name says its state ("Fehler: aus"), a port picture the port
// ("COM 1 geöffnet"). A text control named as describing one (a unit) is
// that control's description.
void QtBackend::ApplyAccessible(PanelView& v, ControlView& cv, const ControlState& c) {
    const ControlDef& d = *c.def;
    PanelState* p = FindPanel(v.handle);
    if (!p) return;
    if (d.kind == CtrlKind::TextMsg) {
        for (const ControlState& other : p->controls)
            if (other.def->describedBy == d.id)
                if (QWidget* w = v.controls[other.def->id].widget) w->setAccessibleDescription(Plain(c.text));
    }
    QWidget* w = cv.widget;
    if (!w || d.kind == CtrlKind::TextMsg || d.kind == CtrlKind::Decoration) return;
    if (cv.caption && cv.caption->buddy() != w) cv.caption->setBuddy(w);
    QString name = *d.accessibleName ? Plain(d.accessibleName) : Plain(c.label);
    switch (d.kind) {
        case CtrlKind::Toggle: name = Plain(c.intValue != 0 ? std::string(d.onText) : c.label); break;
        case CtrlKind::Led: name += c.intValue != 0 ? QStringLiteral(": an") : QStringLiteral(": aus"); break;
        case CtrlKind::PictureRing: {
            bool valid = c.index >= 0 && c.index < static_cast<int>(c.items.size());
            QString port = PortText(valid ? Plain(c.items[c.index].label) : QString());
            name = port.startsWith(QLatin1String("COM")) ? port + QStringLiteral(" geöffnet") : port;
            break;
        }
        case CtrlKind::String:
            if (name.isEmpty()) name = Plain(p->title);  // the input panel says by its title what it asks
            break;
        default: break;
    }
    if (w->accessibleName() != name) w->setAccessibleName(name);
    if (d.describedBy) {
        const ControlState* unit = p->Control(d.describedBy);
        QString description = unit ? Plain(unit->text) : QString();
        if (w->accessibleDescription() != description) w->setAccessibleDescription(description);
    }
}

// Arrow keys choose in a radio group: the radio buttons in the same frame,
// in the order of the panel's definition, round at the ends.
bool QtBackend::StepRadioGroup(PanelView& v, QWidget* from, int step) {
    std::vector<QAbstractButton*> group;
    for (int id : v.order) {
        ControlView& cv = v.controls[id];
        if (cv.def->kind == CtrlKind::RadioButton && cv.widget && cv.widget->parentWidget() == from->parentWidget() &&
            cv.widget->isVisible() && cv.widget->isEnabled())
            group.push_back(static_cast<QAbstractButton*>(cv.widget));
    }
    auto at = std::find(group.begin(), group.end(), from);
    if (at == group.end() || group.size() < 2) return false;
    const int n = static_cast<int>(group.size());
    QAbstractButton* next = group[((at - group.begin()) + step + n) % n];
    next->setFocus(Qt::TabFocusReason);
    if (!next->isChecked()) next->click();
    return true;
}

void QtBackend::ControlChanged(PanelState& p, ControlState& c, Change what) {
    PanelView* v = View(p.handle);
    if (!v || dying_) return;
    ControlView& cv = v->controls[c.def->id];
    switch (what) {
        case Change::Value: ApplyValue(cv, c); break;
        case Change::Items: ApplyItems(cv, c); break;
        case Change::Attributes: ApplyAttributes(cv, c); break;
    }
    ApplyAccessible(*v, cv, c);
    if (depth_ == 0) return;
    unpainted_.insert({p.handle, c.def->id});
    PaintDue();
}

// At most kPaintIntervalMs after the last paint, the first that was held back.
void QtBackend::PaintDue() {
    if (unpainted_.empty()) return;
    if (!painted_.isValid() || painted_.elapsed() >= kPaintIntervalMs) PaintPending();
}

// Inside a callback the event loop does not run: what the program shows
// while it works is painted here, at once.
void QtBackend::PaintPending() {
    if (unpainted_.empty() || dying_) return;
    auto due = std::exchange(unpainted_, {});
    int laidOut = 0;  // panel whose whole window was painted
    for (auto [panel, control] : due) {
        PanelView* v = View(panel);
        if (!v || !v->window->isVisible() || panel == laidOut) continue;
        QLayout* layout = v->window->layout();
        if (layout && layout->activate()) {
            v->window->repaint();
            laidOut = panel;
        } else if (auto it = v->controls.find(control); it != v->controls.end()) {
            const ControlView& cv = it->second;
            for (QWidget* w : {cv.widget, static_cast<QWidget*>(cv.caption), static_cast<QWidget*>(cv.heading)})
                if (w && w->isVisible()) w->repaint();
        }
        painted_.start();
    }
}

void QtBackend::RepaintShown() {
    if (dying_) return;
    for (auto& [handle, v] : views_)
        if (v->window->isVisible()) v->window->repaint();
}

void QtBackend::MenuChanged(PanelState& p, MenuItemState& item) {
    PanelView* v = View(p.handle);
    if (!v) return;
    auto it = v->actions.find(item.def->id);
    if (it == v->actions.end()) return;
    it->second->setEnabled(!item.dimmed);
    it->second->setVisible(item.visible);
    it->second->setText(MenuText(item.label));
}

void QtBackend::ShowWindow(PanelState& p, PanelView& v) {
    QWidget* w = v.window;
    switch (p.zoom) {
        case VAL_MAXIMIZE: w->showMaximized(); break;
        case VAL_MINIMIZE: w->showMinimized(); break;
        default: w->showNormal(); break;
    }
    // A virtual screen without windows on top has no raising.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) w->raise();
    w->activateWindow();
    if (depth_ == 0) return;
    // Shown in the middle of a callback: wait until the window system has
    // mapped it, so that it does not stay blank while the callback works.
    WaitExposed(w, 300);
    w->repaint();
}

// Bounded, and taking no operator input meanwhile; a tick falling due is
// kept for later by OnTick.
void QtBackend::WaitExposed(QWidget* w, int ms) {
    QWindow* handle = w->windowHandle();
    QDeadlineTimer deadline(ms);
    ++depth_;
    while (handle && !handle->isExposed() && !deadline.hasExpired()) {
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    }
    --depth_;
    ScheduleTicks();
}

void QtBackend::PanelShown(PanelState& p, bool shown) {
    PanelView* v = View(p.handle);
    if (!v) return;
    if (shown) ShowWindow(p, *v);
    else v->window->hide();
}

void QtBackend::PopupInstalled(PanelState& p, bool installed) {
    PanelView* v = View(p.handle);
    if (!v) return;
    if (installed) PaintPending();
    v->window->hide();
    v->window->setWindowModality(installed ? Qt::ApplicationModal : Qt::NonModal);
    if (installed) ShowWindow(p, *v);
}

void QtBackend::PanelChanged(PanelState& p) {
    PanelView* v = View(p.handle);
    if (!v) return;
    QWidget* w = v->window;
    w->setWindowTitle(Title(p.title));
    QRect want(p.left, p.top, p.width, p.height);
    if (want != w->geometry() && p.zoom == VAL_NO_ZOOM) {
        v->applyingGeometry = true;
        w->setGeometry(want);
        v->applyingGeometry = false;
    }
    if (w->isVisible()) {
        Qt::WindowStates state = p.zoom == VAL_MAXIMIZE   ? Qt::WindowMaximized
                                 : p.zoom == VAL_MINIMIZE ? Qt::WindowMinimized
                                                          : Qt::WindowNoState;
        if ((w->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) != state) w->setWindowState(state);
    }
}

// The operator moved or resized the window, or changed its zoom.
void QtBackend::ReadGeometry(int panel) {
    PanelState* p = FindPanel(panel);
    PanelView* v = View(panel);
    if (!p || !v || v->applyingGeometry || dying_) return;
    if (v->window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) return;
    QRect g = v->window->geometry();
    p->left = g.left();
    p->top = g.top();
    p->width = g.width();
    p->height = g.height();
}

// KRV4_SCREENSHOT=<file>: a run without a person in front of it (a virtual
// display) photographs its first window once it is on the screen, then ends
// as if the operator had quit.
void QtBackend::Photograph(const QString& file) {
    PanelView* shown = nullptr;
    for (auto& [handle, v] : views_)
        if (!shown && v->window->isVisible() && !v->window->parentWidget()) shown = v.get();
    if (shown) {
        WaitExposed(shown->window, 5000);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        bool ok = shown->window->grab().save(file);
        std::fprintf(stderr, ok ? "Bildschirmfoto des Fensters \"%s\": %s\n" : "Bildschirmfoto \"%s\" nicht gespeichert: %s\n",
                     qUtf8Printable(shown->window->windowTitle()), qUtf8Printable(file));
    }
    Quit(0);
}

int QtBackend::Run() {
    QString photo = qEnvironmentVariable("KRV4_SCREENSHOT");
    if (!photo.isEmpty()) QTimer::singleShot(0, &context_, [this, photo] { Photograph(photo); });
    QEventLoop loop;
    QEventLoop* outer = loop_;
    loop_ = &loop;
    int code = loop.exec();
    loop_ = outer;
    return code;
}

void QtBackend::Quit(int code) {
    if (loop_) loop_->exit(code);
}

void QtBackend::WatchExternal(std::intptr_t descriptor, std::function<void()> handler) {
    external_.reset();
    if (!handler || descriptor < 0) return;
#ifdef _WIN32
    // An event handle is a pointer.
    auto* notifier = new QWinEventNotifier(reinterpret_cast<void*>(descriptor));
    QObject::connect(notifier, &QWinEventNotifier::activated, notifier, [handler] { handler(); });
#else
    auto* notifier = new QSocketNotifier(static_cast<qintptr>(descriptor), QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler] { handler(); });
#endif
    external_.reset(notifier);
}

void QtBackend::ClosePopups() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->reject();
}

void QtBackend::OnTick(int panel, int control) {
    PanelState* p = FindPanel(panel);
    ControlState* c = p ? p->Control(control) : nullptr;
    if (!c || !c->timerEnabled || dying_) return;
    // A tick never falls into the middle of another callback: it is
    // handled after it.
    if (depth_ > 0 || popups_ > 0) {
        pendingTicks_.insert({panel, control});
        return;
    }
    Operator([&] { DispatchCtrlEvent(panel, control, EVENT_TIMER_TICK); });
}

void QtBackend::ScheduleTicks() {
    if (depth_ > 0 || popups_ > 0 || pendingTicks_.empty() || ticksScheduled_ || dying_) return;
    ticksScheduled_ = true;
    QTimer::singleShot(0, &context_, [this] {
        ticksScheduled_ = false;
        auto due = std::move(pendingTicks_);
        pendingTicks_.clear();
        for (auto [panel, control] : due) OnTick(panel, control);
    });
}

QWidget* QtBackend::PopupParent() {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    if (QWidget* w = QApplication::activeWindow()) return w;
    for (auto& [handle, v] : views_)
        if (v->window->isVisible()) return v->window;
    return nullptr;
}

int QtBackend::MessagePopup(const std::string& title, const std::string& message) {
    PopupScope scope(*this);
    QMessageBox box(QMessageBox::NoIcon, Title(title), Plain(message), QMessageBox::Ok, PopupParent());
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return 1;
}

int QtBackend::GenericMessagePopup(const std::string& title, const std::string& message,
                                   const std::vector<std::string>& buttons, int activeButton, int enterButton,
                                   int escapeButton) {
    PopupScope scope(*this);
    QMessageBox box(PopupParent());
    box.setWindowTitle(Title(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(Plain(message));
    std::vector<QPushButton*> pushes;
    for (const std::string& label : buttons) {
        QPushButton* b = box.addButton(Literal(Plain(label)), QMessageBox::ActionRole);
        // Enter means the Enter button, whichever button has the focus.
        b->setAutoDefault(false);
        pushes.push_back(b);
    }
    const int n = static_cast<int>(pushes.size());
    if (enterButton >= 1 && enterButton <= n) box.setDefaultButton(pushes[enterButton - 1]);
    if (escapeButton >= 1 && escapeButton <= n) box.setEscapeButton(pushes[escapeButton - 1]);
    if (activeButton >= 1 && activeButton <= n) {
        QPushButton* active = pushes[activeButton - 1];
        QTimer::singleShot(0, active, [active] { active->setFocus(Qt::OtherFocusReason); });
    }
    box.exec();
    for (int i = 0; i < n; ++i)
        if (box.clickedButton() == pushes[i]) return i + 1;
    return escapeButton >= 1 && escapeButton <= n ? escapeButton : n;
}

// Qt's own dialog, held to the file extension when the program asks for it.
class FileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    QString extension;  // without the dot; empty: any
    bool save = false;
    bool allowCancel = true;

    void accept() override {
        QString file = selectedFiles().value(0);
        if (!extension.isEmpty() && !file.isEmpty() && !QFileInfo(file).isDir() &&
            !file.endsWith(QLatin1Char('.') + extension, Qt::CaseInsensitive)) {
            QString fixed = file + QLatin1Char('.') + extension;
            if (!save && !QFileInfo::exists(fixed)) return;
            // What the operator typed is what the dialog accepts; the fixed
            // name goes there, so that overwriting it is asked about too.
            if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(fixed);
            else selectFile(fixed);
        }
        QFileDialog::accept();
    }
    void reject() override {
        if (allowCancel) QFileDialog::reject();
    }
};

// The dialog's size and date columns in German ("20,5 KiB", "10.12.2026
// 04:00"), whatever the system's language; the program's file types named.
class GermanColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() < 1 || index.column() > 3)
            return QIdentityProxyModel::data(index, role);
        QModelIndex source = mapToSource(index);
        if (index.column() == 2) {
            // The program's own files by their name, not "unbekannt".
            auto it = gFileTypeNames.find(files->fileInfo(source).suffix().toLower());
            return it != gFileTypeNames.end() && !files->isDir(source) ? it->second
                                                                       : QIdentityProxyModel::data(index, role);
        }
        QLocale german(QLocale::German, QLocale::Germany);
        if (index.column() == 3) return german.toString(files->lastModified(source), QStringLiteral("dd.MM.yyyy HH:mm"));
        if (files->isDir(source)) return QString();
        return german.formattedDataSize(files->size(source));
    }
};

// Wide enough that names, sizes, types and dates read whole.
void ReadableColumns(QFileDialog& dialog) {
    dialog.setProxyModel(new GermanColumns(&dialog));
    dialog.setViewMode(QFileDialog::Detail);
    QFontMetrics fm(dialog.font());
    dialog.resize(fm.averageCharWidth() * 140, fm.height() * 28);
    if (auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = tree->header();
        header->setStretchLastSection(false);
        header->setMinimumSectionSize(fm.averageCharWidth() * 8);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
}

int QtBackend::FileSelectPopup(const FileSelect& request, std::string& path) {
    PopupScope scope(*this);
    FileDialog dialog(PopupParent(), Title(request.title));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // Paths are the system's own names, not texts of the program.
    QString directory = request.defaultDirectory.empty() ? QDir::currentPath() : FromFileName(request.defaultDirectory);
    dialog.setDirectory(directory);

    QStringList patterns;
    for (const QString& p : Plain(request.fileTypeList).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        patterns << p.trimmed();
    QString spec = Plain(request.defaultFileSpec);
    bool specIsPattern = spec.contains(QLatin1Char('*')) || spec.contains(QLatin1Char('?'));
    if (patterns.isEmpty() && specIsPattern) patterns << spec;
    // "KRV-4-Prüfprogramme (*.krv)": the filter says what it shows.
    auto named = [](const QString& pattern) {
        auto it = gFileTypeNames.find(pattern.startsWith(QLatin1String("*.")) ? pattern.mid(2).toLower() : QString());
        return it == gFileTypeNames.end() ? pattern : QStringLiteral("%1 (%2)").arg(it->second, pattern);
    };
    QStringList filters;
    if (patterns.size() == 1) filters << named(patterns.front());
    else if (!patterns.isEmpty()) filters << patterns.join(QLatin1Char(' '));
    if (!request.restrictExtension || patterns.isEmpty()) filters << QStringLiteral("Alle Dateien (*)");
    dialog.setNameFilters(filters);
    if (specIsPattern)
        for (const QString& f : filters)
            if (f == spec || f.endsWith(QLatin1Char('(') + spec + QLatin1Char(')'))) dialog.selectNameFilter(f);
    if (!spec.isEmpty() && !specIsPattern) dialog.selectFile(spec);
    ReadableColumns(dialog);

    if (request.restrictExtension) {
        QString pattern = specIsPattern ? spec : patterns.value(0);
        if (pattern.startsWith(QLatin1String("*.")) && !pattern.mid(2).contains(QLatin1Char('*')))
            dialog.extension = pattern.mid(2);
        if (!dialog.extension.isEmpty()) dialog.setDefaultSuffix(dialog.extension);
    }
    dialog.save = request.buttonKind == VAL_SAVE_BUTTON;
    dialog.setAcceptMode(dialog.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.buttonKind == VAL_LOAD_BUTTON ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (request.buttonKind == VAL_SELECT_BUTTON) dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Auswählen"));
    if (request.buttonKind == VAL_OK_BUTTON) dialog.setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
    if (!request.allowMakeDirectory) dialog.setOption(QFileDialog::ReadOnly);
    dialog.allowCancel = request.allowCancel;
    if (!request.allowCancel)
        if (auto* box = dialog.findChild<QDialogButtonBox*>())
            if (QPushButton* cancel = box->button(QDialogButtonBox::Cancel)) cancel->hide();
    if (request.restrictDirectory) {
        QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&dialog, directory](const QString& d) {
            if (QDir(d) != QDir(directory)) dialog.setDirectory(directory);
        });
    }

    if (dialog.exec() != QDialog::Accepted) return VAL_NO_FILE_SELECTED;
    QString chosen = dialog.selectedFiles().value(0);
    if (chosen.isEmpty()) return VAL_NO_FILE_SELECTED;
    path = ToFileName(chosen);
    return QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

void SetUpApplication() {
    RegisterPictures();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
#ifdef Q_OS_WIN
    // The pictures' texts ask for "DejaVu Sans, sans-serif" as one name, which
    // only fontconfig resolves: on Windows they take the dialog font.
    QFont::insertSubstitution(QStringLiteral("DejaVu Sans, sans-serif"), QApplication::font().family());
#endif
    QApplication::setQuitOnLastWindowClosed(false);
    QLocale german(QLocale::German, QLocale::Germany);
    german.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    QLocale::setDefault(german);
}

}  // namespace

namespace {

// While the application object is made: Qt's messages are kept, and a fatal
// one (no display, no platform plugin) ends the process with the program's
// failure code and a German message instead of an abort.
struct StartWatch {
    const char* program = "";
    int failureCode = 1;
    QStringList said;
} gStart;

void WatchStart(QtMsgType type, const QMessageLogContext&, const QString& message) {
    gStart.said << message;
    if (type != QtFatalMsg) return;
    std::fprintf(stderr,
                 "%s: Die Bedienoberfläche kann nicht starten: keine Anzeige erreichbar.\n"
                 "Das Programm braucht eine grafische Sitzung (DISPLAY oder WAYLAND_DISPLAY).\n"
                 "Meldungen von Qt:\n",
                 gStart.program);
    for (const QString& line : gStart.said) std::fprintf(stderr, "  %s\n", qUtf8Printable(line));
    std::fflush(stderr);
    std::_Exit(gStart.failureCode);
}

// The offscreen platform has no window manager to hand a window's size limits
// to, and says so each time they change: a note for nobody.
QtMessageHandler gQtSays = nullptr;
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message == QLatin1String("This plugin does not support propagateSizeHints()")) return;
    gQtSays(type, context, message);
}

}  // namespace

std::unique_ptr<ToolkitBackend> CreateQtBackend(int& argc, char** argv, QtMisuseHandler onMisuse, int failureCode) {
    static int appArgc = 0;
    if (!QApplication::instance()) {
        appArgc = argc;
        gStart.program = argc > 0 && argv[0] ? argv[0] : "krv4";
        if (const char* slash = std::strrchr(gStart.program, '/')) gStart.program = slash + 1;
        gStart.failureCode = failureCode;
        QtMessageHandler before = qInstallMessageHandler(WatchStart);
        new QApplication(appArgc, argv);  // lives to the end of the process
        qInstallMessageHandler(before);
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) gQtSays = qInstallMessageHandler(QuietOffscreen);
        // What Qt said on a start that worked is said as usual.
        for (const QString& line : std::exchange(gStart.said, {})) qWarning("%s", qUtf8Printable(line));
        argc = appArgc;
        SetUpApplication();
    }
    return std::make_unique<QtBackend>(std::move(onMisuse));
}

void SetQtFileTypeName(const std::string& extension, const std::string& name) {
    gFileTypeNames[QString::fromStdString(extension).toLower()] = QString::fromStdString(name);
}

bool LoadQtTranslations() {
    static QTranslator* loaded = nullptr;
    if (loaded) return true;
    if (!QCoreApplication::instance()) return false;
    auto* translator = new QTranslator(QCoreApplication::instance());
    QLocale german(QLocale::German, QLocale::Germany);
    // Built into the program where no Qt is installed beside it (Windows).
    if (!translator->load(QStringLiteral(":/i18n/qtbase_de.qm")) &&
        !translator->load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        !translator->load(QStringLiteral("/usr/share/qt6/translations/qtbase_de.qm"))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    loaded = translator;
    return true;
}

QWidget* QtPanelWindow(int panel) {
    PanelView* v = gQt ? gQt->View(panel) : nullptr;
    return v ? v->window : nullptr;
}

QWidget* QtControlWidget(int panel, int control) {
    PanelView* v = gQt ? gQt->View(panel) : nullptr;
    if (!v) return nullptr;
    auto it = v->controls.find(control);
    return it == v->controls.end() ? nullptr : it->second.widget;
}

QLabel* QtControlCaption(int panel, int control) {
    PanelView* v = gQt ? gQt->View(panel) : nullptr;
    if (!v) return nullptr;
    auto it = v->controls.find(control);
    return it == v->controls.end() ? nullptr : it->second.caption;
}
