#include <QAbstractSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QScrollBar>
#include <map>
#include <set>

#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "model/Schrittliste.h"
#include "app/Aenderungen.h"
#include "qt/QtFixture.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/qt/Layouts.h"

namespace {

struct Placed {
    std::string name;
    QWidget* widget;
    QRect rect;  // in the window
};

std::vector<Placed> VisibleControls(int handle, QWidget* window) {
    std::vector<Placed> placed;
    PanelState* p = FindPanel(handle);
    for (const ControlState& c : p->controls) {
        std::string name = std::string(p->def->name) + "_" + c.def->name;
        for (QWidget* w : {QtControlWidget(handle, c.def->id), static_cast<QWidget*>(QtControlCaption(handle, c.def->id))}) {
            if (!w || !w->isVisibleTo(window)) continue;
            if (auto* label = qobject_cast<QLabel*>(w); label && label->text().isEmpty()) continue;
            placed.push_back({name, w, QRect(w->mapTo(window, QPoint(0, 0)), w->size())});
        }
    }
    return placed;
}

// Nothing overlaps, nothing is cut off or squeezed below its natural size,
// everything lies inside its window, and every control is on it.
TEST_F(QtProgram, EveryPanelShowsAllItsControlsWithoutOverlapOrCutOff) {
    const std::pair<int*, const char*> panels[] = {
        {&panelHandle, "PANEL"},        {&comPanelHandle, "COMPANEL"},     {&kalPanelHandle, "KALPANEL"},
        {&infoPanelHandle, "INFOPANEL"}, {&planPanelHandle, "PLANPANEL"},  {&stringPanelHandle, "STRINGPNL"},
        {&fortschrittPanelHandle, "FORTSCHPNL"},
    };
    SetCtrlAttribute(stringPanelHandle, STRINGPNL_STRING, ATTR_LABEL_TEXT, "Prüfschritt umbenennen");
    for (auto [handle, name] : panels) {
        SCOPED_TRACE(name);
        DisplayPanel(*handle);
        QWidget* window = QtPanelWindow(*handle);
        WaitShown(window);
        window->layout()->activate();

        PanelState* p = FindPanel(*handle);
        for (const ControlState& c : p->controls) {
            if (c.def->kind == CtrlKind::Timer) continue;
            QWidget* w = QtControlWidget(*handle, c.def->id);
            if (!w) continue;  // a heading shown as its group's title
            EXPECT_EQ(w->isVisibleTo(window), c.visible) << c.def->name;
        }
        std::vector<Placed> placed = VisibleControls(*handle, window);
        for (const Placed& a : placed) {
            EXPECT_TRUE(window->rect().contains(a.rect)) << a.name << " lies outside its window";
            QSize least = a.widget->minimumSizeHint();
            EXPECT_GE(a.rect.width(), least.width()) << a.name << " is cut off";
            EXPECT_GE(a.rect.height(), least.height()) << a.name << " is cut off";
        }
        for (std::size_t i = 0; i < placed.size(); ++i)
            for (std::size_t j = i + 1; j < placed.size(); ++j) {
                const Placed &a = placed[i], &b = placed[j];
                if (a.widget->isAncestorOf(b.widget) || b.widget->isAncestorOf(a.widget)) continue;
                EXPECT_FALSE(a.rect.intersects(b.rect)) << a.name << " overlaps " << b.name;
            }
        if (*handle != panelHandle) HidePanel(*handle);
    }
}

TEST_F(QtProgram, MainPanelHasItsGroupsTitleAndUmlauts) {
    QWidget* window = QtPanelWindow(panelHandle);
    EXPECT_EQ(window->windowTitle(), Q(u"KRV4 Steuerung - Unbenannt"));
    std::set<QString> titles;
    for (QGroupBox* box : window->findChildren<QGroupBox*>()) titles.insert(box->title());
    for (const char16_t* group : {u"Versorgung", u"Meßgeräte", u"Ventile", u"Grenzwerte"})
        EXPECT_TRUE(titles.count(Q(group))) << QString::fromUtf16(group).toStdString();
    // Each instrument's radio button sits beside its range, on its row.
    for (auto [radio, range] : {std::pair{PANEL_DRUCKAKTIV, PANEL_DRUCKMESSBEREICH},
                                std::pair{PANEL_RPGAKTIV, PANEL_RPGMESSBEREICH},
                                std::pair{PANEL_STROMAKTIV, PANEL_STROMMESSBEREICH}}) {
        QWidget* r = QtControlWidget(panelHandle, radio);
        QWidget* f = QtControlWidget(panelHandle, range);
        EXPECT_LT(r->mapTo(window, QPoint(0, 0)).x(), f->mapTo(window, QPoint(0, 0)).x());
        EXPECT_NEAR(r->mapTo(window, r->rect().center()).y(), f->mapTo(window, f->rect().center()).y(), 4);
    }
}

// Tab goes through every control that takes the keyboard, top to bottom
// within each group.
// The calculator's two pairs are headed "V/Off bisher" and "V/Off neu", each
// on the row of its pair, before its captions, whole and not overlapping.
TEST_F(QtProgram, TheCalculatorHeadsItsPairsVOffBisherAndVOffNeu) {
    DisplayPanel(kalPanelHandle);
    QWidget* window = QtPanelWindow(kalPanelHandle);
    WaitShown(window);
    window->layout()->activate();
    auto rect = [window](QWidget* w) { return QRect(w->mapTo(window, QPoint(0, 0)), w->size()); };
    for (auto [heading, v] : {std::pair{u"V/Off bisher", KALPANEL_VBISHER}, std::pair{u"V/Off neu", KALPANEL_VNEU}}) {
        SCOPED_TRACE(QString::fromUtf16(heading).toStdString());
        QLabel* label = nullptr;
        for (QLabel* l : window->findChildren<QLabel*>())
            if (l->text() == Q(heading)) label = l;
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(label->isVisibleTo(window));
        EXPECT_GE(label->width(), label->sizeHint().width());
        QLabel* caption = QtControlCaption(kalPanelHandle, v);
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->text(), Q(u"V"));
        EXPECT_LE(rect(label).right(), rect(caption).left());
        EXPECT_NEAR(rect(label).center().y(), rect(QtControlWidget(kalPanelHandle, v)).center().y(), 4);
    }
    for (const char16_t* alt : {u"bisher", u"neu"})
        for (QLabel* l : window->findChildren<QLabel*>()) EXPECT_NE(l->text(), Q(alt));
    HidePanel(kalPanelHandle);
}

TEST_F(QtProgram, MainPanelFocusOrderRunsTopToBottom) {
    QWidget* window = QtPanelWindow(panelHandle);
    PanelState* p = FindPanel(panelHandle);
    std::set<QWidget*> focusable;
    for (const ControlState& c : p->controls) {
        QWidget* w = QtControlWidget(panelHandle, c.def->id);
        if (w && w->isVisibleTo(window) && (w->focusPolicy() & Qt::TabFocus)) focusable.insert(w);
    }
    std::vector<QWidget*> chain;
    QWidget* w = window;
    for (int guard = 0; guard < 2000; ++guard) {
        w = w->nextInFocusChain();
        if (w == window) break;
        if (focusable.count(w) && std::find(chain.begin(), chain.end(), w) == chain.end()) chain.push_back(w);
    }
    EXPECT_EQ(chain.size(), focusable.size());
    std::map<QWidget*, int> lastY;
    for (QWidget* c : chain) {
        QWidget* group = c->parentWidget();
        int y = c->mapTo(window, QPoint(0, 0)).y();
        // Controls of one row differ in height: a few pixels up is the same row.
        if (lastY.count(group)) {
            EXPECT_GE(y, lastY[group] - 6) << c->objectName().toStdString();
        }
        lastY[group] = y;
    }
}

// The modal name input on real widgets: the step button opens it, the
// operator types a name and presses Enter, the list shows the new name.
TEST_F(QtProgram, RenamingAStepThroughTheStringInput) {
    WhenModal([](QWidget* modal) {
        ASSERT_EQ(modal, QtPanelWindow(stringPanelHandle));
        auto* edit = qobject_cast<QLineEdit*>(QtControlWidget(stringPanelHandle, STRINGPNL_STRING));
        EXPECT_EQ(QtControlCaption(stringPanelHandle, STRINGPNL_STRING)->text(), Q(u"Prüfschritt umbenennen"));
        edit->selectAll();
        Type(edit, Q(u"Dichtprüfung"));
        Key(edit, Qt::Key_Return);
    });
    Click(qobject_cast<QPushButton*>(QtControlWidget(panelHandle, PANEL_PRUEFSCHRITTUMBENENNE)));
    std::string label;
    GetLabelFromIndex(panelHandle, PANEL_LISTBOX, 0, label);
    EXPECT_NE(label.find("Dichtprüfung"), std::string::npos) << label;
    EXPECT_FALSE(QtPanelWindow(stringPanelHandle)->isVisible());
}

void ClickRow(QListWidget* list, int row) {
    QPoint at = list->visualItemRect(list->item(row)).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &release);
}

// A value typed on the main panel belongs to its step: switching steps
// through the list shows each step's own value.
TEST_F(QtProgram, ATypedValueStaysWithItsStep) {
    Click(qobject_cast<QPushButton*>(QtControlWidget(panelHandle, PANEL_PRUEFSCHRITTNEU)));
    auto* list = qobject_cast<QListWidget*>(QtControlWidget(panelHandle, PANEL_LISTBOX));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentRow(), 1);
    auto* volts = qobject_cast<QAbstractSpinBox*>(QtControlWidget(panelHandle, PANEL_NETZGERAETU));
    volts->setFocus();
    volts->selectAll();
    Type(volts, Q(u"12,5"));
    Key(volts, Qt::Key_Return);

    ClickRow(list, 0);
    EXPECT_EQ(volts->text(), Q(u"0,00"));
    ClickRow(list, 1);
    EXPECT_EQ(volts->text(), Q(u"12,50"));
    double value = 0;
    GetCtrlVal(panelHandle, PANEL_NETZGERAETU, value);
    EXPECT_DOUBLE_EQ(value, 12.5);
}

// "Spannung [V]" runs from 0 to 33: a typed 50 is kept while typing and
// becomes 33,00 at Enter, reported once.
TEST_F(QtProgram, ATypedVoltageAboveTheRangeBecomesTheMaximum) {
    auto* volts = qobject_cast<QDoubleSpinBox*>(QtControlWidget(panelHandle, PANEL_NETZGERAETU));
    int reported = 0;
    QObject::connect(volts, &QDoubleSpinBox::valueChanged, volts, [&reported] { ++reported; });
    volts->setFocus();
    volts->selectAll();
    Type(volts, Q(u"50"));
    EXPECT_EQ(volts->text(), Q(u"50"));
    EXPECT_EQ(reported, 0);
    Key(volts, Qt::Key_Return);
    EXPECT_EQ(volts->text(), Q(u"33,00"));
    EXPECT_EQ(reported, 1);
    double value = 0;
    GetCtrlVal(panelHandle, PANEL_NETZGERAETU, value);
    EXPECT_DOUBLE_EQ(value, 33.0);
    EXPECT_TRUE(gDatenGeaendert);
}

// Each field steps by an amount that suits its range, and keeps its decimals.
TEST_F(QtProgram, ArrowStepsSuitEachField) {
    const struct {
        int control;
        const char16_t* after;  // one step up from the initial value
    } fields[] = {
        {PANEL_NETZGERAETU, u"0,10"},          {PANEL_NETZGERAETI, u"0,10"},  {PANEL_IMPULSAUSSCHALTZEIT, u"11,0"},
        {PANEL_IMPULSEINSCHALTZEIT, u"1,0"},   {PANEL_IMPULSZYKLEN, u"2"},    {PANEL_MESSWARTEZEIT, u"3"},
        {PANEL_OBERERGRENZWERT, u"10,10"},
    };
    for (auto& f : fields) {
        auto* spin = qobject_cast<QAbstractSpinBox*>(QtControlWidget(panelHandle, f.control));
        Key(spin, Qt::Key_Up);
        EXPECT_EQ(spin->text(), Q(f.after)) << spin->objectName().toStdString();
    }
}

// Enter presses "OK", Escape and the close box do what "OK" does.
TEST_F(QtProgram, InfoAndPlanCloseWithEnterEscapeAndTheCloseBox) {
    for (auto [handle, ok] : {std::pair{&infoPanelHandle, INFOPANEL_OK}, std::pair{&planPanelHandle, PLANPANEL_OK}}) {
        QWidget* window = QtPanelWindow(*handle);
        auto* button = qobject_cast<QPushButton*>(QtControlWidget(*handle, ok));
        EXPECT_TRUE(button->isDefault()) << window->objectName().toStdString();
        const std::function<void()> ways[] = {
            [&] { Key(window, Qt::Key_Return); },
            [&] { Key(window, Qt::Key_Enter, {}, Qt::KeypadModifier); },
            [&] { Key(button, Qt::Key_Return); },
            [&] { Key(window, Qt::Key_Escape); },
            [&] { window->close(); },
        };
        int way = 0;
        for (auto& close : ways) {
            SCOPED_TRACE(window->objectName().toStdString() + " way " + std::to_string(way++));
            DisplayPanel(*handle);
            WaitShown(window);
            close();
            EXPECT_FALSE(window->isVisible());
        }
    }
    EXPECT_TRUE(QtPanelWindow(panelHandle)->isVisible());
}

// A step name of 20 characters reads whole, without a scroll bar.
TEST_F(QtProgram, TheStepListShowsTwentyCharacterNamesWhole) {
    auto* list = qobject_cast<QListWidget*>(QtControlWidget(panelHandle, PANEL_LISTBOX));
    const char* names[] = {"WWWWWWWWWWWWWWWWWWWW", "MMMMMMMMMMMMMMMMMMMM", "ÄÖÜÄÖÜÄÖÜÄÖÜÄÖÜÄÖÜÄÖ",
                           "Dichtheitsprüfung 20"};
    ClearListCtrl(panelHandle, PANEL_LISTBOX);
    // More than fit even in a small font (Windows' 8-point dialog font).
    for (int i = 0; i < 60; ++i) InsertListItem(panelHandle, PANEL_LISTBOX, -1, names[i % 4], i);
    // The list lays its items out from a timer of its own.
    RunUntil([list] { return list->verticalScrollBar()->isVisible(); }, 2000);
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(list->verticalScrollBar()->isVisible()) << "the list should be long enough to scroll";
    for (int i = 0; i < 4; ++i) {
        QListWidgetItem* item = list->item(i);
        int needed = list->fontMetrics().horizontalAdvance(item->text());
        EXPECT_LE(needed, list->viewport()->width() - 4) << names[i];
    }
}

// The window has one size whether or not "Kalibrierung" is offered.
TEST_F(QtProgram, TheMainWindowHasOneSizeWithAndWithoutTheServiceButton) {
    QSize withSwitch = QtPanelWindow(panelHandle)->size();
    int listWidth = QtControlWidget(panelHandle, PANEL_LISTBOX)->width();
    SetToolkitBackend(nullptr);
    InstallQtToolkit();
    static char name[] = "krv4steuerung";
    char* argv[] = {name, nullptr};
    ASSERT_EQ(Krv4SteuerungStarten(1, argv), 0);
    WaitShown(QtPanelWindow(panelHandle));
    EXPECT_FALSE(QtControlWidget(panelHandle, PANEL_KALIBRIERUNG)->isVisible());
    EXPECT_EQ(QtPanelWindow(panelHandle)->size(), withSwitch);
    EXPECT_EQ(QtControlWidget(panelHandle, PANEL_LISTBOX)->width(), listWidth);
}

TEST_F(QtProgram, FileMenuHasTheStandardShortcuts) {
    const std::pair<const char16_t*, QKeySequence> keys[] = {
        {u"Neu", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {u"Öffnen", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {u"Speichern", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {u"Speichern unter", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {u"Beenden", QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    std::map<QString, QKeySequence> found;
    for (QAction* action : QtPanelWindow(panelHandle)->findChildren<QAction*>()) found[action->text()] = action->shortcut();
    for (auto& [label, key] : keys) EXPECT_EQ(found[Q(label)], key) << QString::fromUtf16(label).toStdString();
}

}  // namespace
