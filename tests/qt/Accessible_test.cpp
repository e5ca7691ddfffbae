#include <unistd.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QApplication>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>
#include <filesystem>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "direkttest/Direktgeraet.h"
#include "model/Programmverwaltung.h"
#include "panels/Com.h"
#include "qt/QtFixture.h"
#include "toolkit/qt/Cp1252.h"
#include "ui/Krv4Steuerung_uir.h"

// The program as a screen reader or a UI-automation robot meets it: every
// control through its accessible interface alone, and by the keyboard.

namespace {

using Liste = std::vector<std::string>;

const QString kToggle = QAccessibleActionInterface::toggleAction();
const QString kPress = QAccessibleActionInterface::pressAction();

// The program on the Qt toolkit with the service switch, in a folder of its
// own, a direct-test device behind COM 1 and no port open.
class Zugaenglich : public QtProgram {
protected:
    void SetUp() override {
        altesVerzeichnis = std::filesystem::current_path();
        verzeichnis = std::filesystem::temp_directory_path() /
                      ("krv4-a11y-" + std::to_string(getpid()) + "-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(verzeichnis);
        std::filesystem::create_directories(verzeichnis);
        std::filesystem::current_path(verzeichnis);
        geraet = std::make_shared<Direktgeraet>();
        SerialPortSetzen(1, geraet);
        Com_CloseComPort();
        gLetzterComPort = -1;
        QtProgram::SetUp();
    }
    void TearDown() override {
        QtProgram::TearDown();
        Com_CloseComPort();
        gLetzterComPort = -1;
        SerialPortSetzen(1, nullptr);
        std::filesystem::current_path(altesVerzeichnis);
        std::error_code fehler;
        std::filesystem::remove_all(verzeichnis, fehler);
    }

    static QAccessibleInterface* A(int panel, int control) {
        QWidget* w = QtControlWidget(panel, control);
        return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    }
    static QString Name(int panel, int control) { return A(panel, control)->text(QAccessible::Name); }
    // An action of the control's accessible interface, then the event loop
    // until the click it causes is done.
    static void Act(QAccessibleInterface* a, const QString& action) {
        ASSERT_TRUE(a && a->actionInterface());
        ASSERT_TRUE(a->actionInterface()->actionNames().contains(action))
            << a->actionInterface()->actionNames().join(QLatin1Char(',')).toStdString();
        a->actionInterface()->doAction(action);
        Settle();
    }
    static void Act(int panel, int control, const QString& action) { Act(A(panel, control), action); }
    static void Settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }
    // Chooses item `row` of a ring or list as assistive technology does: by
    // the item's own action in the control's list.
    static void Choose(int panel, int control, int row) {
        QAccessibleInterface* a = A(panel, control);
        QAccessibleInterface* list = a->role() == QAccessible::List ? a : a->child(0);
        ASSERT_TRUE(list);
        ASSERT_EQ(list->role(), QAccessible::List);
        ASSERT_GT(list->childCount(), row);
        Act(list->child(row), QAccessibleActionInterface::toggleAction());
    }
    // Through the COM panel, which goes back to the main panel after.
    static void OpenPort() {
        Act(panelHandle, PANEL_COMEINSTELLUNGEN, kPress);
        ASSERT_TRUE(QtPanelWindow(comPanelHandle)->isVisible());
        Choose(comPanelHandle, COMPANEL_PORT, 1);
        ASSERT_EQ(Com_ComPort(), 1);
        Act(comPanelHandle, COMPANEL_ZURUECK, kPress);
        ASSERT_FALSE(QtPanelWindow(comPanelHandle)->isVisible());
    }
    static int Int(int panel, int control) {
        int v = 0;
        GetCtrlVal(panel, control, v);
        return v;
    }

    std::filesystem::path altesVerzeichnis, verzeichnis;
    std::shared_ptr<Direktgeraet> geraet;
};

// ---- names and roles ----

QAccessible::Role RoleOf(CtrlKind kind) {
    switch (kind) {
        case CtrlKind::Ring: return QAccessible::ComboBox;
        case CtrlKind::ListBox: return QAccessible::List;
        case CtrlKind::Command: return QAccessible::Button;
        case CtrlKind::CheckBox: return QAccessible::CheckBox;
        case CtrlKind::Numeric: return QAccessible::SpinBox;
        case CtrlKind::RadioButton: return QAccessible::RadioButton;
        case CtrlKind::Toggle: return QAccessible::Button;  // checkable: a toggle button
        case CtrlKind::Led: return QAccessible::Indicator;
        case CtrlKind::PictureRing: return QAccessible::Button;
        case CtrlKind::Picture: return QAccessible::Graphic;
        case CtrlKind::String: return QAccessible::EditableText;
        case CtrlKind::ProgressBar: return QAccessible::ProgressBar;
        default: return QAccessible::NoRole;
    }
}

QString GroupHeading(QWidget* w) {
    for (QWidget* up = w->parentWidget(); up; up = up->parentWidget())
        if (auto* box = qobject_cast<QGroupBox*>(up))
            return box->title().replace(QStringLiteral("&&"), QStringLiteral("&"));
    return {};
}

TEST_F(Zugaenglich, EveryControlOfEveryPanelHasANameOfItsOwnAndTheRoleOfItsKind) {
    const std::pair<int*, const char*> panels[] = {
        {&panelHandle, "PANEL"},         {&comPanelHandle, "COMPANEL"},    {&kalPanelHandle, "KALPANEL"},
        {&infoPanelHandle, "INFOPANEL"}, {&planPanelHandle, "PLANPANEL"},  {&stringPanelHandle, "STRINGPNL"},
        {&fortschrittPanelHandle, "FORTSCHPNL"},
    };
    int checked = 0;
    for (auto [handle, panelName] : panels) {
        PanelState* p = FindPanel(*handle);
        ASSERT_TRUE(p) << panelName;
        for (const ControlState& c : p->controls) {
            const CtrlKind kind = c.def->kind;
            if (kind == CtrlKind::Timer || kind == CtrlKind::TextMsg || kind == CtrlKind::Decoration) continue;
            SCOPED_TRACE(std::string(panelName) + "_" + c.def->name);
            QWidget* w = QtControlWidget(*handle, c.def->id);
            ASSERT_TRUE(w);
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            ASSERT_TRUE(a);
            QString name = a->text(QAccessible::Name);
            EXPECT_FALSE(name.trimmed().isEmpty());
            QString heading = GroupHeading(w);
            if (!heading.isEmpty()) {
                EXPECT_NE(name, heading);
            }
            EXPECT_EQ(a->role(), RoleOf(kind)) << name.toStdString();
            if (kind == CtrlKind::Toggle) {
                EXPECT_TRUE(a->state().checkable);
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);  // the calibration panel alone has 22 values and 22 buttons
}

TEST_F(Zugaenglich, ControlsAreNamedByTheirLabelsOrByWhatTheySelect) {
    const struct {
        int* panel;
        int control;
        const char16_t* name;
    } names[] = {
        {&panelHandle, PANEL_LISTBOX, u"Prüfschritte"},
        {&panelHandle, PANEL_NETZGERAETU, u"Spannung [V]"},
        {&panelHandle, PANEL_NETZGERAETI, u"Strom [A]"},
        {&panelHandle, PANEL_NETZGERAETAKTIV, u"Netzgerät"},
        {&panelHandle, PANEL_MESSWARTEZEIT, u"Meßwartezeit [s]"},
        {&panelHandle, PANEL_UNTERERGRENZWERT, u"Unterer Grenzwert"},
        {&panelHandle, PANEL_OBERERGRENZWERT, u"Oberer Grenzwert"},
        {&panelHandle, PANEL_DRUCKAKTIV, u"Druck"},
        {&panelHandle, PANEL_VAKUUMAKTIV, u"Vakuum"},
        {&panelHandle, PANEL_FLOWAKTIV, u"Flow"},
        {&panelHandle, PANEL_RPGAKTIV, u"RPG"},
        {&panelHandle, PANEL_SPANNUNGAKTIV, u"Spannung"},
        {&panelHandle, PANEL_STROMAKTIV, u"Strom"},
        {&panelHandle, PANEL_DIREKTTEST, u"Direkttest"},
        {&panelHandle, PANEL_FEHLERLED, u"Fehler: aus"},
        {&panelHandle, PANEL_FEHLERNUMMER, u"Fehlernummer"},
        {&panelHandle, PANEL_FEHLERSTRING, u"Fehlertext"},
        {&panelHandle, PANEL_PICTURERING, u"nicht geöffnet"},
        {&comPanelHandle, COMPANEL_STATUSABFRAGE, u"Statusabfrage einschalten"},
        {&comPanelHandle, COMPANEL_LEDSTATUS1, u"bestanden: aus"},
        {&comPanelHandle, COMPANEL_LED3, u"Adresse 3: aus"},
        {&kalPanelHandle, KALPANEL_USOLLV, u"U Soll V"},
        {&kalPanelHandle, KALPANEL_RPG3KOFF, u"RPG 3 kOhm Off"},
        {&kalPanelHandle, KALPANEL_DRUCKBISHER, u"Werte holen von Druck"},
        {&kalPanelHandle, KALPANEL_DRUCKNEU, u"Werte übernehmen als Druck"},
        {&kalPanelHandle, KALPANEL_VNEU, u"V neu"},
        {&kalPanelHandle, KALPANEL_SOLL1, u"Soll 1"},
        {&kalPanelHandle, KALPANEL_LADEN, u"Kalibrierdaten laden"},
        {&fortschrittPanelHandle, FORTSCHPNL_BALKEN, u"Fortschritt"},
        {&planPanelHandle, PLANPANEL_PICTURE, u"Pneumatikplan"},
    };
    for (const auto& n : names) EXPECT_EQ(Name(*n.panel, n.control), Q(n.name)) << n.control;
    // The tool tip of a picture says what its name says: no description.
    EXPECT_EQ(A(panelHandle, PANEL_PICTURERING)->text(QAccessible::Description), QString());
    EXPECT_EQ(A(kalPanelHandle, KALPANEL_LADEN)->text(QAccessible::Description), QString());
}

// A ring's name on Linux is its item, as Qt has it there; its caption is its
// label, by relation, as for every control with a caption.
TEST_F(Zugaenglich, EveryCaptionIsTheLabelOfItsControl) {
    const struct {
        int* panel;
        int control;
        const char16_t* label;
    } labels[] = {
        {&panelHandle, PANEL_RPGMESSBEREICH, u"RPG"},
        {&panelHandle, PANEL_PROGRAMMLISTE, u"Programm"},
        {&panelHandle, PANEL_NETZGERAETU, u"Spannung [V]"},
        {&comPanelHandle, COMPANEL_PORT, u"COM-Port"},
        {&comPanelHandle, COMPANEL_ADRESSE, u"Adresse"},
    };
    for (const auto& l : labels) {
        // Besides the caption, Qt names the group box a control stands in.
        QStringList captions;
        for (auto& [other, relation] : A(*l.panel, l.control)->relations(QAccessible::Label))
            if (other->role() == QAccessible::StaticText) captions << other->text(QAccessible::Name);
        EXPECT_EQ(captions, QStringList{Q(l.label)}) << l.control;
    }
}

TEST_F(Zugaenglich, TheLimitsAreDescribedByTheUnitOfTheInstrument) {
    std::string unit;
    GetCtrlVal(panelHandle, PANEL_EINHEIT1, unit);
    ASSERT_FALSE(unit.empty());
    EXPECT_EQ(A(panelHandle, PANEL_UNTERERGRENZWERT)->text(QAccessible::Description), FromCp1252(unit));

    Act(panelHandle, PANEL_STROMAKTIV, kToggle);
    EXPECT_EQ(A(panelHandle, PANEL_UNTERERGRENZWERT)->text(QAccessible::Description), Q(u"A"));
    EXPECT_EQ(A(panelHandle, PANEL_OBERERGRENZWERT)->text(QAccessible::Description), Q(u"A"));
}

// ---- operating through the accessible interfaces ----

TEST_F(Zugaenglich, ACheckBoxToggledByAssistiveTechnologyChangesTheStepAndMarksTheData) {
    ASSERT_FALSE(gDatenGeaendert);
    ASSERT_EQ(gPruefschritte[gPSindex].netzgeraetAktiv, 0);
    Act(panelHandle, PANEL_NETZGERAETAKTIV, kToggle);
    EXPECT_EQ(gPruefschritte[gPSindex].netzgeraetAktiv, 1);
    EXPECT_TRUE(gDatenGeaendert);
    EXPECT_TRUE(A(panelHandle, PANEL_NETZGERAETAKTIV)->state().checked);
    Act(panelHandle, PANEL_NETZGERAETAKTIV, kToggle);
    EXPECT_EQ(gPruefschritte[gPSindex].netzgeraetAktiv, 0);
    EXPECT_FALSE(A(panelHandle, PANEL_NETZGERAETAKTIV)->state().checked);
}

TEST_F(Zugaenglich, ARadioGroupKeepsOneOnWhicheverButtonTheActionToggles) {
    Act(panelHandle, PANEL_VAKUUMAKTIV, kToggle);
    EXPECT_EQ(gPruefschritte[gPSindex].messgeraet, MESSGERAET_VAKUUM);
    EXPECT_TRUE(A(panelHandle, PANEL_VAKUUMAKTIV)->state().checked);
    EXPECT_FALSE(A(panelHandle, PANEL_DRUCKAKTIV)->state().checked);
    // Toggling the one that is on leaves it on.
    Act(panelHandle, PANEL_VAKUUMAKTIV, kToggle);
    EXPECT_EQ(Int(panelHandle, PANEL_VAKUUMAKTIV), 1);
    EXPECT_TRUE(A(panelHandle, PANEL_VAKUUMAKTIV)->state().checked);
    Act(panelHandle, PANEL_GUTAUSSERHALB, kToggle);
    EXPECT_EQ(gPruefschritte[gPSindex].gutWenn, GUT_AUSSERHALB);
    EXPECT_FALSE(A(panelHandle, PANEL_GUTINNERHALB)->state().checked);
}

TEST_F(Zugaenglich, ANumberSetThroughTheValueInterfaceIsTheStepsValue) {
    QAccessibleInterface* a = A(panelHandle, PANEL_NETZGERAETU);
    ASSERT_TRUE(a->valueInterface());
    a->valueInterface()->setCurrentValue(12.5);
    Settle();
    EXPECT_DOUBLE_EQ(gPruefschritte[gPSindex].netzgeraetU, 12.5);
    EXPECT_TRUE(gDatenGeaendert);
}

TEST_F(Zugaenglich, AListItemSelectedByItsActionBecomesTheEditedStep) {
    Act(panelHandle, PANEL_PRUEFSCHRITTNEU, kPress);
    ASSERT_EQ(gPSanzahl, 2);
    ASSERT_EQ(gPSindex, 1);
    Act(panelHandle, PANEL_NETZGERAETAKTIV, kToggle);  // step 2 differs from step 1
    Choose(panelHandle, PANEL_LISTBOX, 0);
    EXPECT_EQ(gPSindex, 0);
    EXPECT_EQ(Int(panelHandle, PANEL_NETZGERAETAKTIV), 0);
    EXPECT_EQ(qobject_cast<QListWidget*>(QtControlWidget(panelHandle, PANEL_LISTBOX))->currentRow(), 0);
    Choose(panelHandle, PANEL_LISTBOX, 1);
    EXPECT_EQ(gPSindex, 1);
    EXPECT_EQ(Int(panelHandle, PANEL_NETZGERAETAKTIV), 1);
}

TEST_F(Zugaenglich, ARingItemChosenByItsActionIsTheProgramsChoice) {
    Choose(panelHandle, PANEL_PROGRAMMLISTE, 3);
    EXPECT_EQ(gProgIndex, 3);
    // The COM panel's ring only while the panel is there.
    Choose(comPanelHandle, COMPANEL_PORT, 1);
    EXPECT_EQ(Com_ComPort(), -1);
#ifndef _WIN32
    // Qt names a combo box by its current item on Linux, by its caption on Windows.
    EXPECT_EQ(Name(comPanelHandle, COMPANEL_PORT), Q(u"nicht geöffnet"));
#endif
    // Its choice opens the port; the port pictures say so.
    OpenPort();
    EXPECT_EQ(Com_ComPort(), 1);
    EXPECT_EQ(Name(panelHandle, PANEL_PICTURERING), Q(u"COM 1 geöffnet"));
    EXPECT_EQ(Name(kalPanelHandle, KALPANEL_PICTURERING), Q(u"COM 1 geöffnet"));
}

TEST_F(Zugaenglich, ThePortPictureIsAButtonThatClosesAndOpensThePort) {
    OpenPort();
    Act(panelHandle, PANEL_PICTURERING, kPress);
    EXPECT_EQ(Com_ComPort(), -1);
    EXPECT_EQ(Name(panelHandle, PANEL_PICTURERING), Q(u"nicht geöffnet"));
    Act(panelHandle, PANEL_PICTURERING, kPress);
    EXPECT_EQ(Com_ComPort(), 1);
}

TEST_F(Zugaenglich, TheDirectTestToggledByItsActionSendsItsFramesOnAndOff) {
    OpenPort();
    geraet->Neu();
    Act(panelHandle, PANEL_DIREKTTEST, kToggle);
    Liste ein = geraet->Neu();
    ASSERT_FALSE(ein.empty());
    EXPECT_EQ(ein.front(), "direktbetrieb");
    EXPECT_EQ(Int(panelHandle, PANEL_DIREKTTEST), 1);
    QAccessibleInterface* a = A(panelHandle, PANEL_DIREKTTEST);
    EXPECT_TRUE(a->state().checked);
    EXPECT_EQ(a->text(QAccessible::Name), Q(u"Direkttest beenden"));
    // The step's list is dimmed while the direct test runs.
    EXPECT_TRUE(A(panelHandle, PANEL_LISTBOX)->state().disabled);

    Act(panelHandle, PANEL_DIREKTTEST, kToggle);
    EXPECT_EQ(geraet->Neu(), Liste{"stopp"});
    EXPECT_FALSE(A(panelHandle, PANEL_DIREKTTEST)->state().checked);
    EXPECT_FALSE(A(panelHandle, PANEL_LISTBOX)->state().disabled);
}

TEST_F(Zugaenglich, ADirectTestThatFailsToStartShowsOffAndTheNextToggleStartsAgain) {
    OpenPort();
    geraet->nakBei = "DF3";
    geraet->Neu();
    Act(panelHandle, PANEL_DIREKTTEST, kToggle);
    EXPECT_EQ(Int(panelHandle, PANEL_DIREKTTEST), 0);
    EXPECT_FALSE(A(panelHandle, PANEL_DIREKTTEST)->state().checked);
    EXPECT_EQ(Name(panelHandle, PANEL_DIREKTTEST), Q(u"Direkttest"));
    EXPECT_EQ(Name(panelHandle, PANEL_FEHLERLED), Q(u"Fehler: an"));

    geraet->nakBei.clear();
    geraet->Neu();
    Act(panelHandle, PANEL_DIREKTTEST, kToggle);
    Liste frames = geraet->Neu();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front(), "direktbetrieb");  // a start, not the stop of a test that never ran
    EXPECT_EQ(Int(panelHandle, PANEL_DIREKTTEST), 1);
    Act(panelHandle, PANEL_DIREKTTEST, kToggle);
}

TEST_F(Zugaenglich, TheStatusQueryOfTheComPanelIsAToggleItsLampsReadTheirState) {
    OpenPort();
    Act(panelHandle, PANEL_COMEINSTELLUNGEN, kPress);
    geraet->status = 0x02;  // passed
    Act(comPanelHandle, COMPANEL_STATUSABFRAGE, kToggle);
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_STATUSABFRAGE), 1);
    EXPECT_TRUE(A(comPanelHandle, COMPANEL_STATUSABFRAGE)->state().checked);
    ASSERT_TRUE(RunUntil([&] { return Name(comPanelHandle, COMPANEL_LEDSTATUS1) == Q(u"bestanden: an"); }, 3000))
        << Name(comPanelHandle, COMPANEL_LEDSTATUS1).toStdString();
    Act(comPanelHandle, COMPANEL_STATUSABFRAGE, kToggle);
    EXPECT_EQ(Int(comPanelHandle, COMPANEL_STATUSABFRAGE), 0);
}

TEST_F(Zugaenglich, TheCalibrationValuesAndButtonsWorkThroughTheirInterfaces) {
    Act(panelHandle, PANEL_KALIBRIERUNG, kPress);
    ASSERT_TRUE(QtPanelWindow(kalPanelHandle)->isVisible());
    QAccessibleInterface* gain = A(kalPanelHandle, KALPANEL_DRUCKV);
    ASSERT_TRUE(gain->valueInterface());
    gain->valueInterface()->setCurrentValue(1.25);
    Settle();
    double v = 0;
    GetCtrlVal(kalPanelHandle, KALPANEL_DRUCKV, v);
    EXPECT_DOUBLE_EQ(v, 1.25);
    Act(kalPanelHandle, KALPANEL_DRUCKBISHER, kPress);
    GetCtrlVal(kalPanelHandle, KALPANEL_VBISHER, v);
    EXPECT_DOUBLE_EQ(v, 1.25);
}

TEST_F(Zugaenglich, AChangeTheProgramMakesFiresNoEvent) {
    SetCtrlVal(panelHandle, PANEL_NETZGERAETAKTIV, 1);
    SetCtrlVal(panelHandle, PANEL_VAKUUMAKTIV, 1);
    SetCtrlIndex(panelHandle, PANEL_PROGRAMMLISTE, 2);
    Settle();
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_EQ(gPruefschritte[gPSindex].netzgeraetAktiv, 0);
    EXPECT_EQ(gProgIndex, 0);
}

// ---- one path for every way a person changes a control ----

enum class Weg { Maus, Leertaste, Eingabetaste, Aktion, QtsUmschalten, Pfeil, Eintrag, Wert, Text };

struct Aenderung {
    const char* was;
    int control;
    Weg weg;
    std::vector<int> events;  // for that control, in order
};

void PrintTo(const Aenderung& a, std::ostream* os) { *os << a.was; }

const std::vector<int> kWert = {EVENT_VAL_CHANGED, EVENT_COMMIT};

class JederWeg : public QtToolkitTest, public ::testing::WithParamInterface<Aenderung> {};

// Each way fires the control's events exactly once, and the widget shows
// what the toolkit holds.
TEST_P(JederWeg, FiresTheEventsOfTheChangeOnce) {
    const Aenderung& a = GetParam();
    QWidget* w = QtControlWidget(panel, a.control);
    QtPanelWindow(panel)->activateWindow();
    w->setFocus(Qt::TabFocusReason);
    QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(w);
    switch (a.weg) {
        case Weg::Maus: Click(w); break;
        case Weg::Leertaste: Key(w, Qt::Key_Space, QStringLiteral(" ")); break;
        case Weg::Eingabetaste: Key(w, Qt::Key_Return); break;
        case Weg::Aktion: ai->actionInterface()->doAction(ai->actionInterface()->actionNames().front()); break;
        case Weg::QtsUmschalten: static_cast<QAbstractButton*>(w)->toggle(); break;
        case Weg::Pfeil: Key(w, Qt::Key_Down); break;
        case Weg::Eintrag: {
            QAccessibleInterface* list = ai->role() == QAccessible::List ? ai : ai->child(0);
            list->child(2)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            break;
        }
        case Weg::Wert: ai->valueInterface()->setCurrentValue(42); break;
        case Weg::Text:
            w->clearFocus();
            ai->setText(QAccessible::Value, QStringLiteral("Dichtheit"));
            break;
    }
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    std::vector<int> events;
    for (const Event& e : EventsOf(a.control)) events.push_back(e.event);
    EXPECT_EQ(events, a.events);

    if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable()) {
        int value = 0;
        GetCtrlVal(panel, a.control, value);
        EXPECT_EQ(button->isChecked(), value != 0);
    } else if (auto* ring = qobject_cast<QComboBox*>(w)) {
        int index = -1;
        GetCtrlIndex(panel, a.control, index);
        EXPECT_EQ(ring->currentIndex(), index);
        EXPECT_NE(index, 0);
    } else if (qobject_cast<QLineEdit*>(w)) {
        std::string text;
        GetCtrlVal(panel, a.control, text);
        EXPECT_EQ(text, "Dichtheit");
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        int index = -1;
        GetCtrlIndex(panel, a.control, index);
        EXPECT_EQ(list->currentRow(), index);
        EXPECT_NE(index, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Qt, JederWeg,
    ::testing::Values(Aenderung{"Kaestchen mit der Maus", T_CHECK, Weg::Maus, kWert},
                      Aenderung{"Kaestchen mit der Leertaste", T_CHECK, Weg::Leertaste, kWert},
                      Aenderung{"Kaestchen mit der Eingabetaste", T_CHECK, Weg::Eingabetaste, kWert},
                      Aenderung{"Kaestchen durch seine Aktion", T_CHECK, Weg::Aktion, kWert},
                      Aenderung{"Kaestchen durch Qt umgeschaltet", T_CHECK, Weg::QtsUmschalten, kWert},
                      Aenderung{"Optionsfeld mit der Maus", T_RADIO1, Weg::Maus, kWert},
                      Aenderung{"Optionsfeld durch seine Aktion", T_RADIO1, Weg::Aktion, kWert},
                      Aenderung{"Optionsfeld durch Qt umgeschaltet", T_RADIO1, Weg::QtsUmschalten, kWert},
                      Aenderung{"Schalter mit der Maus", T_TOGGLE, Weg::Maus, kWert},
                      Aenderung{"Schalter mit der Leertaste", T_TOGGLE, Weg::Leertaste, kWert},
                      Aenderung{"Schalter mit der Eingabetaste", T_TOGGLE, Weg::Eingabetaste, kWert},
                      Aenderung{"Schalter durch seine Aktion", T_TOGGLE, Weg::Aktion, kWert},
                      Aenderung{"Schalter durch Qt umgeschaltet", T_TOGGLE, Weg::QtsUmschalten, kWert},
                      Aenderung{"Knopf mit der Maus", T_BUTTON, Weg::Maus, {EVENT_COMMIT}},
                      Aenderung{"Knopf mit der Eingabetaste", T_BUTTON, Weg::Eingabetaste, {EVENT_COMMIT}},
                      Aenderung{"Knopf durch seine Aktion", T_BUTTON, Weg::Aktion, {EVENT_COMMIT}},
                      Aenderung{"Portbild durch seine Aktion", T_PORT, Weg::Aktion, {EVENT_LEFT_CLICK}},
                      Aenderung{"Portbild mit der Leertaste", T_PORT, Weg::Leertaste, {EVENT_LEFT_CLICK}},
                      Aenderung{"Ring mit dem Pfeil", T_RING, Weg::Pfeil, kWert},
                      Aenderung{"Ring durch die Aktion seines Eintrags", T_RING, Weg::Eintrag, kWert},
                      Aenderung{"Liste mit dem Pfeil", T_LIST, Weg::Pfeil, kWert},
                      Aenderung{"Liste durch die Aktion ihres Eintrags", T_LIST, Weg::Eintrag, kWert},
                      Aenderung{"Zahl durch ihren Wert", T_WHOLE, Weg::Wert, kWert},
                      Aenderung{"Textfeld durch seinen Text", T_EDIT, Weg::Text, kWert}));

// ---- the keyboard ----

// The main panel's controls in the order Tab reaches them: as they stand in
// their groups, left column before right, top row before bottom.
const Liste kTabFolge = {
    "PROGRAMMLISTE",       "LISTBOX",
    "PRUEFSCHRITTNEU",     "PRUEFSCHRITTLOESCHEN", "PRUEFSCHRITTKOPIEREN", "PRUEFSCHRITTUMBENENNE",
    "PRUEFSCHRITTAUFWAERTS", "PRUEFSCHRITTABWAERTS",
    "NETZGERAETAKTIV",     "NETZGERAETU",          "NETZGERAETI",          "IMPULSAKTIV",
    "IMPULSAUSSCHALTZEIT", "IMPULSEINSCHALTZEIT",  "IMPULSZYKLEN",
    "DRUCKAKTIV",          "VAKUUMAKTIV",          "FLOWAKTIV",            "RPGAKTIV",
    "RPGMESSBEREICH",      "SPANNUNGAKTIV",        "STROMAKTIV",           "MESSWARTEZEIT",
    "DIFFERENZMESSUNG",    "MESSENBISWEITER",
    "K_BYPASSDS",          "K_BYPASSSS",           "K_DROSSELDS",          "K_DROSSELSS",
    "K_OEFFNUNGDS",        "K_OEFFNUNGSS",         "K_EXTDRUCKDS",         "K_EXTDRUCKSS",
    "PNEUMATIKPLAN",
    "UNTERERGRENZWERT",    "OBERERGRENZWERT",      "GUTINNERHALB",         "GUTAUSSERHALB",
    "GRENZENGUT",
    "DIREKTTEST",          "COMEINSTELLUNGEN",     "KALIBRIERUNG",
    "GERAETSCHREIBEN",     "GERAETLESEN",          "GERAETVERGLEICHEN",
    "PICTURERING",
};

std::string Focused() {
    QWidget* w = QApplication::focusWidget();
    // A number field's focus is on its line edit.
    while (w && w->objectName().isEmpty()) w = w->parentWidget();
    return w ? w->objectName().toStdString() : std::string("(keiner)");
}

TEST_F(Zugaenglich, TabWalksTheMainPanelInTheOrderOfItsGroups) {
    QWidget* window = QtPanelWindow(panelHandle);
    window->activateWindow();
    QtControlWidget(panelHandle, PANEL_PROGRAMMLISTE)->setFocus(Qt::TabFocusReason);
    Settle();
    Liste order{Focused()};
    for (std::size_t i = 1; i < kTabFolge.size() + 1; ++i) {
        Key(QApplication::focusWidget(), Qt::Key_Tab);
        Settle();
        order.push_back(Focused());
    }
    Liste expected = kTabFolge;
    expected.push_back(kTabFolge.front());  // round to the start
    EXPECT_EQ(order, expected);
}

// On every panel Tab comes round to every control that can be operated now.
TEST_F(Zugaenglich, TabReachesEveryControlOfEveryPanel) {
    const std::pair<int*, const char*> panels[] = {
        {&panelHandle, "PANEL"},         {&comPanelHandle, "COMPANEL"},   {&kalPanelHandle, "KALPANEL"},
        {&infoPanelHandle, "INFOPANEL"}, {&planPanelHandle, "PLANPANEL"}, {&stringPanelHandle, "STRINGPNL"},
    };
    for (auto [handle, panelName] : panels) {
        SCOPED_TRACE(panelName);
        DisplayPanel(*handle);
        QWidget* window = QtPanelWindow(*handle);
        WaitShown(window);
        window->activateWindow();
        std::set<std::string> operable;
        QWidget* first = nullptr;
        for (const ControlState& c : FindPanel(*handle)->controls) {
            QWidget* w = QtControlWidget(*handle, c.def->id);
            if (!w || !w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)) continue;
            operable.insert(c.def->name);
            if (!first) first = w;
        }
        ASSERT_TRUE(first);
        first->setFocus(Qt::TabFocusReason);
        std::set<std::string> reached;
        for (std::size_t i = 0; i <= operable.size(); ++i) {
            reached.insert(Focused());
            Key(QApplication::focusWidget(), Qt::Key_Tab);
        }
        EXPECT_EQ(reached, operable);
        HidePanel(*handle);
    }
}

TEST_F(Zugaenglich, SpaceEnterAndTheArrowKeysOperateTheFocusedControl) {
    QWidget* check = QtControlWidget(panelHandle, PANEL_NETZGERAETAKTIV);
    QtPanelWindow(panelHandle)->activateWindow();
    check->setFocus(Qt::TabFocusReason);
    Key(check, Qt::Key_Space, QStringLiteral(" "));
    Settle();
    EXPECT_EQ(gPruefschritte[gPSindex].netzgeraetAktiv, 1);
    Key(check, Qt::Key_Return);
    Settle();
    EXPECT_EQ(gPruefschritte[gPSindex].netzgeraetAktiv, 0);

    QWidget* druck = QtControlWidget(panelHandle, PANEL_DRUCKAKTIV);
    druck->setFocus(Qt::TabFocusReason);
    Key(druck, Qt::Key_Down);
    Settle();
    EXPECT_EQ(gPruefschritte[gPSindex].messgeraet, MESSGERAET_VAKUUM);
    EXPECT_EQ(Focused(), "VAKUUMAKTIV");
    Key(QApplication::focusWidget(), Qt::Key_Up);
    Key(QApplication::focusWidget(), Qt::Key_Up);  // round to the last of the group
    Settle();
    EXPECT_EQ(gPruefschritte[gPSindex].messgeraet, MESSGERAET_STROM);
    EXPECT_EQ(Focused(), "STROMAKTIV");

    Act(panelHandle, PANEL_PRUEFSCHRITTNEU, kPress);
    QWidget* list = QtControlWidget(panelHandle, PANEL_LISTBOX);
    list->setFocus(Qt::TabFocusReason);
    Key(list, Qt::Key_Up);
    Settle();
    EXPECT_EQ(gPSindex, 0);

    QWidget* picture = QtControlWidget(panelHandle, PANEL_PICTURERING);
    gLetzterComPort = 1;
    picture->setFocus(Qt::TabFocusReason);
    Key(picture, Qt::Key_Space, QStringLiteral(" "));
    Settle();
    EXPECT_EQ(Com_ComPort(), 1);
}

}  // namespace
