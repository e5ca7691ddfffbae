#include <unistd.h>

#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Krv4Steuerung.h"
#include "model/Programmverwaltung.h"
#include "model/Schrittliste.h"
#include "panels/Com.h"
#include "platform/SerialPort.h"
#include "qt/QtFixture.h"
#include "transfer/Geraet.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/qt/Layouts.h"

namespace {

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

// What the process writes to its standard error while it lives.
class Fehlerausgabe {
public:
    Fehlerausgabe() : datei_(std::tmpfile()), alt_(dup(2)) {
        std::fflush(stderr);
        dup2(fileno(datei_), 2);
    }
    ~Fehlerausgabe() { Text(); }
    std::string Text() {
        if (alt_ >= 0) {
            std::fflush(stderr);
            dup2(alt_, 2);
            close(alt_);
            alt_ = -1;
            std::rewind(datei_);
            for (int c; (c = std::fgetc(datei_)) != EOF;) text_ += static_cast<char>(c);
            std::fclose(datei_);
        }
        return text_;
    }

private:
    FILE* datei_;
    int alt_;
    std::string text_;
};

// The program on the real widgets, a port open on the in-memory device; every
// question is answered with Enter as soon as it is up.
class QtFortschritt : public ::testing::Test {
protected:
    void SetUp() override {
        StartQtProgram();
        if (HasFatalFailure()) return;
        SerialPortSetzen(1, geraet);
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
        ASSERT_EQ(Com_OpenComPort(), 0);
        text = qobject_cast<QLabel*>(QtControlWidget(fortschrittPanelHandle, FORTSCHPNL_TEXT));
        ASSERT_TRUE(text);
        maler = std::make_unique<Maler>(text);
        QObject::connect(&enter, &QTimer::timeout, [] {
            if (QWidget* m = QApplication::activeModalWidget(); m && m->isVisible())
                Key(m->focusWidget() ? m->focusWidget() : m, Qt::Key_Return);
        });
        enter.start(5);
    }
    // The widgets must go before the application object does at exit.
    void TearDown() override {
        enter.stop();
        maler.reset();
        Com_CloseComPort();
        SerialPortSetzen(1, nullptr);
        SetToolkitBackend(nullptr);
    }
    void Voll() {
        for (int i = 0; i < kAnzahlProgramme; ++i) {
            gProg[i].psAnzahl = kMaxPruefschritte;
            for (Pruefschritt& s : gProg[i].schritte) s = kStandardPruefschritt;
        }
        gProgIndex = 0;
        ProgrammverwaltungNachDateiLaden();
    }
    // The progress texts painted during the operation.
    std::vector<std::string> Fortschritte() const {
        std::vector<std::string> t;
        for (const std::string& s : maler->gemalt)
            if (!s.empty()) t.push_back(s);
        return t;
    }
    int Fehlernummer() {
        int n = -1;
        GetCtrlVal(panelHandle, PANEL_FEHLERNUMMER, n);
        return n;
    }

    std::shared_ptr<FakeKrv4> geraet = std::make_shared<FakeKrv4>();
    QLabel* text = nullptr;
    std::unique_ptr<Maler> maler;
    QTimer enter;
};

// 2448 commands that take the device a little time each: the text follows
// the write without being painted at each of its 160 changes.
TEST_F(QtFortschritt, TheProgressIsPaintedAtMost25TimesASecondWhileTheWriteBlocks) {
    Voll();
    auto* balken = qobject_cast<QProgressBar*>(QtControlWidget(fortschrittPanelHandle, FORTSCHPNL_BALKEN));
    ASSERT_TRUE(balken);
    int befehle = 0;
    geraet->beiSchreiben = [&] {
        ++befehle;
        std::string t;
        GetCtrlVal(fortschrittPanelHandle, FORTSCHPNL_TEXT, t);
        EXPECT_TRUE(QtPanelWindow(fortschrittPanelHandle)->isVisible());
        EXPECT_EQ(text->text().toStdString(), t);
        int wert = 0;
        GetCtrlVal(fortschrittPanelHandle, FORTSCHPNL_BALKEN, wert);
        EXPECT_EQ(balken->value(), wert);
        std::this_thread::sleep_for(std::chrono::microseconds(150));
    };
    QElapsedTimer uhr;
    uhr.start();
    Fehlerausgabe stderrText;
    Click(QtControlWidget(panelHandle, PANEL_GERAETSCHREIBEN));
    const qint64 ms = uhr.elapsed();
    // Said by the offscreen platform at each change of a window's size limits.
    EXPECT_EQ(stderrText.Text().find("propagateSizeHints"), std::string::npos) << stderrText.Text();

    EXPECT_EQ(befehle, 16 * (3 + 10 * 15));
    EXPECT_EQ(Fehlernummer(), 0);
    EXPECT_FALSE(QtPanelWindow(fortschrittPanelHandle)->isVisible());
    EXPECT_EQ(balken->value(), 160);
    const std::vector<std::string> gemalt = Fortschritte();
    EXPECT_LE(static_cast<qint64>(gemalt.size()), ms / 40 + 2) << ms << " ms";
    // More than 0.36 s of sending: it moved on the screen (Wine's short sleeps end at once).
    EXPECT_GE(static_cast<qint64>(gemalt.size()), std::min<qint64>(5, ms / 40 - 2)) << ms << " ms";
}

// Now and then the device takes longer than the pace to answer: the text
// of that moment is on the screen while the program waits, though nothing
// changes meanwhile.
TEST_F(QtFortschritt, WhatTheProgramShowsWhileTheDeviceKeepsItWaitingIsPainted) {
    Voll();
    int befehle = 0;
    int geprueft = 0;
    std::string waehrend;  // the text while the device took its time
    bool schonGemalt = false;
    size_t bisher = 0;
    geraet->beiSchreiben = [&] {
        if (!waehrend.empty()) {
            const auto ab = maler->gemalt.begin() + static_cast<std::ptrdiff_t>(bisher);
            EXPECT_TRUE(schonGemalt || std::find(ab, maler->gemalt.end(), waehrend) != maler->gemalt.end())
                << waehrend;
            ++geprueft;
            waehrend.clear();
        }
        if (++befehle % 300 != 0) return;
        waehrend = text->text().toStdString();
        schonGemalt = !maler->gemalt.empty() && maler->gemalt.back() == waehrend;
        bisher = maler->gemalt.size();
        std::this_thread::sleep_for(std::chrono::milliseconds(45));
    };
    QElapsedTimer uhr;
    uhr.start();
    Click(QtControlWidget(panelHandle, PANEL_GERAETSCHREIBEN));
    const qint64 ms = uhr.elapsed();
    EXPECT_EQ(Fehlernummer(), 0);
    EXPECT_EQ(geprueft, 2448 / 300);
    EXPECT_LE(static_cast<qint64>(Fortschritte().size()), ms / 40 + 2) << ms << " ms";
}

// Program 5 holds no valid step count: the read stops at it with a message,
// and the panel behind the message shows the text of that moment.
TEST_F(QtFortschritt, TheTextBehindAPopUpIsTheCurrentOne) {
    for (int p = 1; p <= 4; ++p) geraet->ProgrammAnlegen(p, "P" + std::to_string(p), 10);
    struct Zeuge : QObject {
        Maler* maler = nullptr;
        QLabel* text = nullptr;
        std::vector<std::pair<std::string, std::string>> gesehen;  // painted last, current
        bool eventFilter(QObject* o, QEvent* e) override {
            auto* box = qobject_cast<QMessageBox*>(o);
            if (e->type() == QEvent::Show && box && box->windowTitle() == QStringLiteral("KRV-4: Fehlerhafte Daten"))
                gesehen.push_back({maler->gemalt.empty() ? "" : maler->gemalt.back(), text->text().toStdString()});
            return false;
        }
    } zeuge;
    zeuge.maler = maler.get();
    zeuge.text = text;
    qApp->installEventFilter(&zeuge);
    QElapsedTimer uhr;
    uhr.start();
    Click(QtControlWidget(panelHandle, PANEL_GERAETLESEN));
    const qint64 ms = uhr.elapsed();
    qApp->removeEventFilter(&zeuge);

    EXPECT_EQ(Fehlernummer(), 786000);
    ASSERT_EQ(zeuge.gesehen.size(), 1u);
    EXPECT_EQ(zeuge.gesehen[0].second, "Lese Programm 5");
    EXPECT_EQ(zeuge.gesehen[0].first, "Lese Programm 5");
    // The 45 texts are painted at the pace, and at the message.
    EXPECT_LE(static_cast<qint64>(Fortschritte().size()), ms / 40 + 3) << ms << " ms";
}

// The question closes and the write begins at once: the main panel is
// painted before the first command, so that no picture of the question
// stays on it while the write works.
TEST_F(QtFortschritt, WhatTheQuestionCoveredIsPaintedBeforeTheWriteBegins) {
    struct Zeuge : QObject {
        QWidget* fenster = nullptr;
        bool frageZu = false;
        bool danachGemalt = false;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Hide && qobject_cast<QMessageBox*>(o)) frageZu = true;
            if (e->type() == QEvent::Paint && o == fenster && frageZu) danachGemalt = true;
            return false;
        }
    } zeuge;
    zeuge.fenster = QtControlWidget(panelHandle, PANEL_GERAETSCHREIBEN)->window();
    bool ersterBefehl = true;
    bool gemaltVorDemErsten = false;
    geraet->beiSchreiben = [&] {
        if (ersterBefehl) gemaltVorDemErsten = zeuge.frageZu && zeuge.danachGemalt;
        ersterBefehl = false;
    };
    qApp->installEventFilter(&zeuge);
    Click(QtControlWidget(panelHandle, PANEL_GERAETSCHREIBEN));
    qApp->removeEventFilter(&zeuge);
    EXPECT_EQ(Fehlernummer(), 0);
    EXPECT_FALSE(ersterBefehl);
    EXPECT_TRUE(gemaltVorDemErsten);
}

}  // namespace
