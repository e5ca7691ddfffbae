#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <memory>
#include <string>
#include <vector>

#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "model/Schrittliste.h"
#include "panels/Com.h"
#include "platform/MemorySerialPort.h"
#include "qt/QtFixture.h"
#include "ui/Krv4Steuerung_uir.h"

namespace {

// A device that accepts every command, and looks at the screen as each
// command arrives.
class Zeuge : public MemorySerialPort {
public:
    int write(const char* buffer, int count) override {
        int n = MemorySerialPort::write(buffer, count);
        if (beiBefehl) beiBefehl();
        queueInput("\x06");
        return n;
    }
    std::function<void()> beiBefehl;
};

// Records the text a label had each time it was painted.
class Maler : public QObject {
public:
    explicit Maler(QLabel* label) : label_(label) { label->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) gemalt.push_back(label_->text().toStdString());
        return false;
    }
    std::vector<std::string> gemalt;

private:
    QLabel* label_;
};

TEST(QtFortschritt, TheProgressIsPaintedAtEveryChangeWhileTheWriteBlocks) {
    InstallQtToolkit();
    // The widgets must go before the application object does at exit.
    struct Aufraeumen {
        ~Aufraeumen() {
            Com_CloseComPort();
            SerialPortSetzen(1, nullptr);
            SetToolkitBackend(nullptr);
        }
    } aufraeumen;
    ProgrammspeicherZuruecksetzen();
    KopierpufferZuruecksetzen();
    char name[] = "krv4steuerung";
    char* args[] = {name, nullptr};
    ASSERT_EQ(Krv4SteuerungStarten(1, args), 0);
    WaitShown(QtPanelWindow(panelHandle));
    auto port = std::make_shared<Zeuge>();
    SerialPortSetzen(1, port);
    SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
    ASSERT_EQ(Com_OpenComPort(), 0);

    auto* text = qobject_cast<QLabel*>(QtControlWidget(fortschrittPanelHandle, FORTSCHPNL_TEXT));
    auto* balken = qobject_cast<QProgressBar*>(QtControlWidget(fortschrittPanelHandle, FORTSCHPNL_BALKEN));
    ASSERT_TRUE(text && balken);
    Maler maler(text);
    int befehle = 0;
    port->beiBefehl = [&] {
        ++befehle;
        std::string t;
        GetCtrlVal(fortschrittPanelHandle, FORTSCHPNL_TEXT, t);
        EXPECT_TRUE(QtPanelWindow(fortschrittPanelHandle)->isVisible());
        EXPECT_EQ(text->text().toStdString(), t);
        int wert = 0;
        GetCtrlVal(fortschrittPanelHandle, FORTSCHPNL_BALKEN, wert);
        EXPECT_EQ(balken->value(), wert);
        EXPECT_EQ(balken->maximum(), 16);
    };
    WhenModal([](QWidget* frage) { Key(frage->focusWidget() ? frage->focusWidget() : frage, Qt::Key_Return); });
    Click(QtControlWidget(panelHandle, PANEL_GERAETSCHREIBEN));

    EXPECT_EQ(befehle, 16 * 18);
    int fehler = -1;
    GetCtrlVal(panelHandle, PANEL_FEHLERNUMMER, fehler);
    EXPECT_EQ(fehler, 0);
    EXPECT_FALSE(QtPanelWindow(fortschrittPanelHandle)->isVisible());
    EXPECT_EQ(balken->value(), 16);
    // Each text was on the screen while the write went on: painted at once.
    for (int p = 1; p <= 16; ++p) {
        const std::string t = "Schreibe Programm " + std::to_string(p) + " Schritt 1";
        EXPECT_NE(std::find(maler.gemalt.begin(), maler.gemalt.end(), t), maler.gemalt.end()) << t;
    }
}

}  // namespace
