#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>

#include "device/TreiberFixture.h"
#include "editor/Editor.h"
#include "errors/QVL_errorV3.h"
#include "panels/Com.h"
#include "panels/Kalibrieren.h"
#include "platform/MemorySerialPort.h"
#include "support/Kalibrierpanel.h"

namespace {

// Values that a round trip through text or a clamp would change.
const Werte kUngerade = {1.0 / 3.0, -0.0,    5e-324,  -1.7976931348623157e308, 123456.789012345,
                         0.1,       -2.5e-7, 1e300,   -1.0 / 7.0,              2.0,
                         -3.0,      4e-310,  0.5,     -0.25,                   1e-15,
                         99999.999, -1e-300, 7.0,     6.02214076e23,           -0.001,
                         3.14159265358979,    -2.718281828459045};

bool BitGleich(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

Bytes Datei(const Werte& werte) {
    Kalibrierwerte k;
    KalibrierwerteGrundstellung(k);
    std::copy(werte.begin(), werte.end(), k.werte);
    const auto* p = reinterpret_cast<const unsigned char*>(&k);
    return Bytes(p, p + sizeof k);
}

// The calibration panel shown, as after "Kalibrierung" with the service switch.
class KalibrierTest : public AppTest {
protected:
    void SetUp() override {
        ASSERT_EQ(Start({kKalibrierSchalter}), 0);
        Press(panelHandle, PANEL_KALIBRIERUNG);
        ASSERT_EQ(Sichtbar(kalPanelHandle), 1);
    }

    static int Sichtbar(int panel) {
        int v = 0;
        GetPanelAttribute(panel, ATTR_VISIBLE_PANEL, v);
        return v;
    }
    static void ExpectBitGleich(const Werte& ist, const Werte& soll) {
        for (int i = 0; i < kAnzahlKalibrierwerte; ++i)
            EXPECT_TRUE(BitGleich(ist[i], soll[i])) << KalibrierParameter(i) << ": " << ist[i] << " != " << soll[i];
    }
    void Rechnen(double s1, double i1, double s2, double i2, double vb, double ob) {
        Operate(kalPanelHandle, KALPANEL_SOLL1, s1);
        Operate(kalPanelHandle, KALPANEL_IST1, i1);
        Operate(kalPanelHandle, KALPANEL_SOLL2, s2);
        Operate(kalPanelHandle, KALPANEL_IST2, i2);
        Operate(kalPanelHandle, KALPANEL_VBISHER, vb);
        Operate(kalPanelHandle, KALPANEL_OFFBISHER, ob);
    }
    // With fehler, the error pop-up that follows is answered too.
    void Laden(const std::string& pfad, bool fehler = false) {
        ui->AnswerFileSelect(VAL_EXISTING_FILE_SELECTED, pfad);
        if (fehler) ui->AnswerMessage();
        Press(kalPanelHandle, KALPANEL_LADEN);
    }
    void Speichern(const std::string& pfad, bool fehler = false) {
        ui->AnswerFileSelect(VAL_NEW_FILE_SELECTED, pfad);
        if (fehler) ui->AnswerMessage();
        Press(kalPanelHandle, KALPANEL_SPEICHERN);
    }
    // The error pop-up of a file command, the last thing shown.
    void ExpectFehlerpopup(int code) {
        ASSERT_FALSE(ui->Shown().empty());
        const ShownPopup& p = ui->Shown().back();
        EXPECT_EQ(p.kind, ShownPopup::Message);
        EXPECT_EQ(p.title, "Fehler #" + std::to_string(-code));
        EXPECT_EQ(p.message, QVL_Fehlermeldung(code));
    }

    Testverzeichnis dir;
};

// ---- calculator ----

TEST_F(KalibrierTest, CalculatorWorksOutGainAndOffsetAndShowsWhatCannotBeANumber) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Fall {
        const char* name;
        double s1, i1, s2, i2, vb, ob;
        double vNeu, offNeu;  // NaN: the field stays empty
        const char *vText, *offText;
    };
    const Fall faelle[] = {
        {"Beispiel", 5, 3, 15, 8, 1.5, 0.25, 3.0, -0.25, "V", "Off"},
        {"Ist gleich", 5, 4, 15, 4, 1.5, 0.25, nan, -3.75, "V = unendlich", "Off"},
        {"Ist gleich, fallend", 15, 4, 5, 4, 1.5, 0.25, nan, -3.75, "V = -unendlich", "Off"},
        {"alles gleich", 5, 4, 5, 4, 1.5, 0.25, nan, nan, "V = nicht definiert", "Off = nicht definiert"},
        {"Verstärkung null", 5, 3, 5, 8, 1.5, 0.25, 0.0, nan, "V", "Off = unendlich"},
        {"Verstärkung null, Soll null", 0, 3, 0, 8, 1.5, 0.25, 0.0, nan, "V", "Off = nicht definiert"},
        {"wieder gültig", 0, 0, 1, 1, 1, 0, 1.0, 0.0, "V", "Off"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Rechnen(f.s1, f.i1, f.s2, f.i2, f.vb, f.ob);
        auto pruefen = [](int control, double soll) {
            double ist = Real(kalPanelHandle, control);
            if (std::isnan(soll)) EXPECT_TRUE(std::isnan(ist)) << ist;
            else EXPECT_DOUBLE_EQ(ist, soll);
        };
        pruefen(KALPANEL_VNEU, f.vNeu);
        pruefen(KALPANEL_OFFNEU, f.offNeu);
        EXPECT_EQ(Label(kalPanelHandle, KALPANEL_VNEU), f.vText);
        EXPECT_EQ(Label(kalPanelHandle, KALPANEL_OFFNEU), f.offText);
        bool endlich = !std::isnan(f.vNeu) && !std::isnan(f.offNeu);
        for (const Kalibrierkanal& k : kKalibrierkanaele)
            EXPECT_EQ(Attribute(kalPanelHandle, k.neu, ATTR_DIMMED), endlich ? 0 : 1) << k.name;
        if (!endlich) {
            // Even if a click got through, nothing reaches a channel.
            Werte vorher = Panelwerte();
            RechnerUebernehmen_Callback(kalPanelHandle, KALPANEL_DRUCKNEU, EVENT_COMMIT, nullptr, 0, 0);
            ExpectBitGleich(Panelwerte(), vorher);
        }
    }
}

TEST_F(KalibrierTest, FetchingFromPressureRecalculatesAndTakingOverFillsOnlyTheChosenChannel) {
    Rechnen(5, 3, 15, 8, 1.0, 0.0);
    Operate(kalPanelHandle, KALPANEL_DRUCKV, 1.5);
    Operate(kalPanelHandle, KALPANEL_DRUCKOFF, 0.25);
    Werte vorher = Panelwerte();

    Press(kalPanelHandle, KALPANEL_DRUCKBISHER);
    EXPECT_DOUBLE_EQ(Real(kalPanelHandle, KALPANEL_VBISHER), 1.5);
    EXPECT_DOUBLE_EQ(Real(kalPanelHandle, KALPANEL_OFFBISHER), 0.25);
    EXPECT_DOUBLE_EQ(Real(kalPanelHandle, KALPANEL_VNEU), 3.0);
    EXPECT_DOUBLE_EQ(Real(kalPanelHandle, KALPANEL_OFFNEU), -0.25);
    ExpectBitGleich(Panelwerte(), vorher);  // fetching changes no channel

    Press(kalPanelHandle, KALPANEL_FLOWNEU);
    Werte erwartet = vorher;
    erwartet[8] = 3.0;
    erwartet[9] = -0.25;
    ExpectBitGleich(Panelwerte(), erwartet);
}

// ---- files ----

TEST_F(KalibrierTest, SaveThenLoadRestoresAll22ValuesBitForBit) {
    PanelSetzen(kUngerade);
    std::string pfad = dir.Datei("geraet.krk");
    Speichern(pfad);
    ASSERT_EQ(ui->Shown().size(), 1u);  // the dialog, no error
    const auto& dialog = ui->Shown()[0].fileSelect;
    EXPECT_EQ(dialog.title, "Kalibrierdaten speichern");
    EXPECT_EQ(dialog.defaultFileSpec, "*.krk");
    EXPECT_EQ(dialog.fileTypeList, "*.krk");
    EXPECT_EQ(dialog.buttonKind, VAL_SAVE_BUTTON);
    EXPECT_TRUE(dialog.restrictExtension && dialog.allowCancel && dialog.allowMakeDirectory);

    Bytes datei = Lesen(pfad);
    ASSERT_EQ(datei.size(), 216u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(datei.data())), "QVLKRV4TST1 Kalibrierung");
    EXPECT_EQ(Holen<int32_t>(datei, 32), 0);
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i)
        EXPECT_TRUE(BitGleich(Holen<double>(datei, 40 + 8 * i), kUngerade[i])) << i;
    EXPECT_EQ(dir.Eintraege(), std::vector<std::string>{"geraet.krk"});

    PanelSetzen(Werte{});
    ui->ClearShown();
    Laden(pfad);
    ASSERT_EQ(ui->Shown().size(), 1u);
    EXPECT_EQ(ui->Shown()[0].fileSelect.title, "Kalibrierdaten laden");
    EXPECT_EQ(ui->Shown()[0].fileSelect.buttonKind, VAL_LOAD_BUTTON);
    ExpectBitGleich(Panelwerte(), kUngerade);
}

TEST_F(KalibrierTest, AFileThatIsNotACalibrationRecordLeavesThePanelAsItWas) {
    Bytes gut = Datei(kUngerade);
    auto geaendert = [&gut](std::function<void(Bytes&)> aendern) {
        Bytes b = gut;
        aendern(b);
        return b;
    };
    struct Fall {
        const char* name;
        Bytes inhalt;
        int code;
    };
    const Fall faelle[] = {
        {"215 Bytes", Bytes(gut.begin(), gut.end() - 1), -304000},
        {"leer", Bytes{}, -304000},
        {"anderer Kopf", geaendert([](Bytes& b) { b[11] = '2'; }), -302000},
        {"Datendatei-Kopf", geaendert([](Bytes& b) { std::memcpy(b.data(), "QVLKRV4TST1 Programme", 22); }), -302000},
        {"Kopf ohne NUL", geaendert([](Bytes& b) { b[24] = 'X'; }), -302000},
        {"Formatnummer 1", geaendert([](Bytes& b) { Setzen<int32_t>(b, 32, 1); }), -303000},
        {"Formatnummer -1", geaendert([](Bytes& b) { Setzen<int32_t>(b, 32, -1); }), -303000},
        {"unendlicher Wert",
         geaendert([](Bytes& b) { Setzen<double>(b, 40 + 8 * 7, std::numeric_limits<double>::infinity()); }),
         -312000},
        {"keine Zahl", geaendert([](Bytes& b) { Setzen<double>(b, 40 + 8 * 21, std::nan("")); }), -312000},
    };
    PanelSetzen(kUngerade);
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        std::string pfad = dir.Datei("kaputt.krk");
        Schreiben(pfad, f.inhalt);
        Laden(pfad, true);
        ExpectFehlerpopup(f.code);
        ExpectBitGleich(Panelwerte(), kUngerade);
    }
    for (const std::string& pfad : {dir.Datei("fehlt.krk"), dir.Pfad()}) {
        SCOPED_TRACE(pfad);
        Laden(pfad, true);
        ExpectFehlerpopup(-308000);
        ExpectBitGleich(Panelwerte(), kUngerade);
    }
}

TEST_F(KalibrierTest, WhatFollowsTheRecordOrItsHeaderIsNotSignificant) {
    Bytes b = Datei(kUngerade);
    std::memset(b.data() + 25, 0xA5, 7);  // after the header's NUL
    std::memset(b.data() + 36, 0x5A, 4);  // padding
    b.insert(b.end(), {1, 2, 3});         // beyond the record
    std::string pfad = dir.Datei("rest.krk");
    Schreiben(pfad, b);
    Laden(pfad);
    EXPECT_EQ(ui->Shown().size(), 1u);
    ExpectBitGleich(Panelwerte(), kUngerade);
}

TEST_F(KalibrierTest, ADroppedCalibrationFileLoadsAsTheLoadButtonAndOthersAreRefused) {
    PanelSetzen(kUngerade);
    const std::string pfad = dir.Datei("geraet.krk");
    Speichern(pfad);
    PanelSetzen(Werte{});
    ui->ClearShown();
    EXPECT_FALSE(DropFile(kalPanelHandle, dir.Datei("programme.krv")));
    EXPECT_FALSE(DropFile(kalPanelHandle, dir.Datei(".krk")));
    EXPECT_TRUE(ui->Shown().empty());
    ExpectBitGleich(Panelwerte(), Werte{});

    EXPECT_TRUE(DropFile(kalPanelHandle, pfad));
    EXPECT_TRUE(ui->Shown().empty());  // no dialog: the file is given
    ExpectBitGleich(Panelwerte(), kUngerade);

    Schreiben(dir.Datei("kurz.KRK"), Bytes(100));
    ui->AnswerMessage();
    EXPECT_TRUE(DropFile(kalPanelHandle, dir.Datei("kurz.KRK")));
    ExpectFehlerpopup(-304000);
    ExpectBitGleich(Panelwerte(), kUngerade);
}

TEST_F(KalibrierTest, CancelledDialogsDoNothing) {
    PanelSetzen(kUngerade);
    ui->AnswerFileSelect(VAL_NO_FILE_SELECTED);
    Press(kalPanelHandle, KALPANEL_LADEN);
    ui->AnswerFileSelect(VAL_NO_FILE_SELECTED);
    Press(kalPanelHandle, KALPANEL_SPEICHERN);
    EXPECT_EQ(ui->Shown().size(), 2u);
    ExpectBitGleich(Panelwerte(), kUngerade);
    EXPECT_TRUE(dir.Eintraege().empty());
}

// ---- the safe save ----

class SafeSaveTest : public KalibrierTest {
protected:
    void SetUp() override {
        KalibrierTest::SetUp();
        pfad = dir.Datei("alt.krk");
        alt = Datei(kUngerade);
        Schreiben(pfad, alt);
        Kalibrierwerte w;
        KalibrierwerteGrundstellung(w);
        neu = w;
    }
    void ExpectAltesBleibt() {
        EXPECT_EQ(Lesen(pfad), alt);
        EXPECT_EQ(dir.Eintraege(), std::vector<std::string>{"alt.krk"}) << "a temporary file was left behind";
    }
    std::string pfad;
    Bytes alt;
    Kalibrierwerte neu;
};

TEST_F(SafeSaveTest, SavingOverAFileReplacesItWhole) {
    ASSERT_EQ(chmod(pfad.c_str(), 0640), 0);
    Speichern(pfad);
    EXPECT_EQ(Lesen(pfad), Datei(Panelwerte()));
    struct stat st {};
    ASSERT_EQ(stat(pfad.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.Eintraege(), std::vector<std::string>{"alt.krk"});
}

TEST_F(SafeSaveTest, AFullDiskKeepsTheOldFileByteForByte) {
    {
        KnappePlatte platte(100);
        Speichern(pfad, true);
    }
    ExpectFehlerpopup(-301007);
    ExpectAltesBleibt();
}

TEST_F(SafeSaveTest, AMissingDirectoryIsAnOpeningError) {
    Speichern(dir.Datei("fehlt/neu.krk"), true);
    ExpectFehlerpopup(-308006);
    ExpectAltesBleibt();
}

TEST_F(SafeSaveTest, ANonFiniteValueIsNeverWritten) {
    neu.werte[5] = std::nan("");
    EXPECT_EQ(KalibrierdateiSchreiben(pfad.c_str(), neu), -301007);
    neu.werte[5] = -std::numeric_limits<double>::infinity();
    EXPECT_EQ(KalibrierdateiSchreiben(pfad.c_str(), neu), -301007);
    ExpectAltesBleibt();
}

TEST_F(SafeSaveTest, AWriteProtectedFileIsRefused) {
    ASSERT_EQ(chmod(pfad.c_str(), 0444), 0);
    if (geteuid() != 0) {
        EXPECT_EQ(KalibrierdateiSchreiben(pfad.c_str(), neu), -308006);
    } else {
        // The protection binds only a user it applies to: the save runs as "nobody"
        // in a folder that user may write.
        ASSERT_EQ(chmod(dir.Pfad().c_str(), 0777), 0);
        pid_t kind = fork();
        ASSERT_GE(kind, 0);
        if (kind == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
            _exit(KalibrierdateiSchreiben(pfad.c_str(), neu) == -308006 ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(kind, &status, 0), kind);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 99) << "could not become nobody";
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    ExpectAltesBleibt();
}

// A shared service folder nobody may write, with a file of two names that
// nobody may: written in place, both names alike; a full disk keeps the old.
TEST_F(SafeSaveTest, AFileInASharedFolderIsWrittenInPlaceAsNobody) {
    if (geteuid() != 0) GTEST_SKIP() << "needs the super-user to act as nobody";
    const std::string zweit = dir.Datei("zweit.krk");
    ASSERT_EQ(link(pfad.c_str(), zweit.c_str()), 0);
    ASSERT_EQ(chmod(pfad.c_str(), 0666), 0);
    ASSERT_EQ(chmod(dir.Pfad().c_str(), 0555), 0);
    auto alsNiemand = [&](rlim_t grenze) {
        return AlsNiemandAufKnapperPlatte(grenze, [&] {
            int status = KalibrierdateiSchreiben(pfad.c_str(), neu);
            return status == 0 ? 0 : status == -301007 ? 1 : 2;
        });
    };
    EXPECT_EQ(alsNiemand(100), 1);
    EXPECT_EQ(Lesen(pfad), alt);
    EXPECT_EQ(Lesen(zweit), alt);
    EXPECT_EQ(alsNiemand(RLIM_INFINITY), 0);
    const auto* neuBytes = reinterpret_cast<const unsigned char*>(&neu);
    EXPECT_EQ(Lesen(pfad), Bytes(neuBytes, neuBytes + sizeof neu));
    EXPECT_EQ(Lesen(zweit), Lesen(pfad));
    ASSERT_EQ(chmod(dir.Pfad().c_str(), 0755), 0);
    EXPECT_EQ(dir.Eintraege(), (std::vector<std::string>{"alt.krk", "zweit.krk"}));
}

// ---- the device ----

std::string Lesebefehl(int i) {
    const QVLKRV4_Parameter* p = QVLKRV4_ParameterSuchen(KalibrierParameter(i));
    return std::string("#1") + p->code + "R\r";
}

std::string Schreibbefehl(int i, const char* wert) {
    const QVLKRV4_Parameter* p = QVLKRV4_ParameterSuchen(KalibrierParameter(i));
    return std::string("#1") + p->code + "W" + wert + "\r";
}

class KalibrierGeraetTest : public KalibrierTest {
protected:
    void SetUp() override {
        KalibrierTest::SetUp();
        SerialPortSetzen(1, port);
        SetCtrlVal(comPanelHandle, COMPANEL_PORT, 1);
        ASSERT_EQ(Com_OpenComPort(), 0);
        port->written.clear();
    }
    void TearDown() override {
        Com_CloseComPort();
        SerialPortSetzen(1, nullptr);
        KalibrierTest::TearDown();
    }
    static void ExpectFehleranzeige(int code) {
        EXPECT_EQ(Int(kalPanelHandle, KALPANEL_FEHLERNUMMER), -code);
        EXPECT_EQ(Int(kalPanelHandle, KALPANEL_FEHLERLED), code != 0 ? 1 : 0);
        EXPECT_EQ(Text(kalPanelHandle, KALPANEL_FEHLERSTRING), code != 0 ? QVL_Fehlermeldung(code) : "");
    }
    std::shared_ptr<MemorySerialPort> port = std::make_shared<MemorySerialPort>();
};

TEST_F(KalibrierGeraetTest, ReadingTakesAll22ValuesInChannelOrder) {
    std::string erwartet;
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i) {
        std::string kopf = Lesebefehl(i).substr(0, 5);
        port->replyOnWrite(ACK + kopf + std::to_string(i) + ".125000\r");
        erwartet += Lesebefehl(i);
    }
    Com_ComFehlerSetzen(-403078);
    Press(kalPanelHandle, KALPANEL_KRV4LESEN);
    EXPECT_EQ(port->written, erwartet);
    Werte w = Panelwerte();
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i) EXPECT_DOUBLE_EQ(w[i], i + 0.125);
    ExpectFehleranzeige(0);
    EXPECT_EQ(Lesebefehl(0), "#101R\r");
    EXPECT_EQ(Lesebefehl(21), "#122R\r");
}

TEST_F(KalibrierGeraetTest, AReadFailingAtTheFifthValueLeavesAll22Controls) {
    PanelSetzen(kUngerade);
    for (int i = 0; i < 4; ++i) port->replyOnWrite(ACK + Lesebefehl(i).substr(0, 5) + "9.5\r");
    port->replyOnWrite(NAK);
    Press(kalPanelHandle, KALPANEL_KRV4LESEN);
    EXPECT_EQ(port->writes, 5);
    ExpectFehleranzeige(-402086);
    ExpectBitGleich(Panelwerte(), kUngerade);
}

TEST_F(KalibrierGeraetTest, WritingSendsAll22ValuesWithSixDecimalsGainBeforeOffset) {
    Werte w{};
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i) w[i] = i % 2 == 0 ? 1.0 + i / 1000.0 : -i / 8.0;
    PanelSetzen(w);
    std::string erwartet;
    for (int i = 0; i < kAnzahlKalibrierwerte; ++i) {
        port->replyOnWrite(ACK);
        char text[32];
        std::snprintf(text, sizeof text, "%.6f", w[i]);
        erwartet += Schreibbefehl(i, text);
    }
    Press(kalPanelHandle, KALPANEL_KRV4SCHREIBEN);
    EXPECT_EQ(port->written, erwartet);
    EXPECT_EQ(Schreibbefehl(0, "1.000000"), "#101W1.000000\r");
    ExpectFehleranzeige(0);
}

TEST_F(KalibrierGeraetTest, AWriteFailingHalfWayShowsThatCode) {
    for (int i = 0; i < 11; ++i) port->replyOnWrite(ACK);
    port->replyOnWrite(CAN);
    Press(kalPanelHandle, KALPANEL_KRV4SCHREIBEN);
    EXPECT_EQ(port->writes, 12);
    ExpectFehleranzeige(-405077);
}

TEST_F(KalibrierGeraetTest, AValueTheDeviceCannotTakeStopsTheWriteBeforeTheFirstCommand) {
    for (double wert : {std::nan(""), 1e30}) {
        SCOPED_TRACE(wert);
        PanelSetzen(Werte{});
        SetCtrlVal(kalPanelHandle, KALPANEL_RPG3KOFF, wert);
        Press(kalPanelHandle, KALPANEL_KRV4SCHREIBEN);
        EXPECT_EQ(port->written, "");
        ExpectFehleranzeige(-500070);
    }
}

TEST_F(KalibrierGeraetTest, WithoutAnOpenPortNothingIsSentAndTheCodeIsShown) {
    Com_CloseComPort();
    PanelSetzen(kUngerade);
    for (int knopf : {KALPANEL_KRV4LESEN, KALPANEL_KRV4SCHREIBEN}) {
        Com_ComFehlerSetzen(0);
        Press(kalPanelHandle, knopf);
        ExpectFehleranzeige(-122000);
        EXPECT_EQ(Int(panelHandle, PANEL_FEHLERNUMMER), 122000);
        EXPECT_EQ(Int(comPanelHandle, COMPANEL_FEHLERNUMMER), 122000);
    }
    EXPECT_EQ(port->written, "");
    ExpectBitGleich(Panelwerte(), kUngerade);
}

TEST_F(KalibrierGeraetTest, TheAddressComesFromTheComPanel) {
    SetCtrlVal(comPanelHandle, COMPANEL_ADRESSE, static_cast<int>('7'));
    port->replyOnWrite(NAK);
    Press(kalPanelHandle, KALPANEL_KRV4LESEN);
    EXPECT_EQ(port->written, "#701R\r");
}

// ---- reaching and leaving the panel ----

TEST_F(AppTest, WithoutTheSwitchTheCalibrationPanelCannotBeShown) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"-reverse", kKalibrierSchalter}, {kKalibrierSchalter, "x"}}) {
        ASSERT_EQ(Start(args), 0);
        SetCtrlAttribute(panelHandle, PANEL_KALIBRIERUNG, ATTR_VISIBLE, 1);
        Press(panelHandle, PANEL_KALIBRIERUNG);
        KalibrierPanelZeigen();
        int kal = 1, haupt = 0;
        GetPanelAttribute(kalPanelHandle, ATTR_VISIBLE_PANEL, kal);
        GetPanelAttribute(panelHandle, ATTR_VISIBLE_PANEL, haupt);
        EXPECT_EQ(kal, 0);
        EXPECT_EQ(haupt, 1);
    }
}

TEST_F(KalibrierTest, ZurueckAndTheCloseBoxReturnToTheMainPanelAtTheSamePlace) {
    for (bool schliessen : {false, true}) {
        SCOPED_TRACE(schliessen ? "Schließfeld" : "Zurück");
        SetPanelAttribute(kalPanelHandle, ATTR_TOP, schliessen ? 30 : 40);
        SetPanelAttribute(kalPanelHandle, ATTR_WIDTH, 910);
        if (schliessen) ClosePanel(kalPanelHandle);
        else Press(kalPanelHandle, KALPANEL_ZURUECK);
        EXPECT_EQ(Sichtbar(kalPanelHandle), 0);
        EXPECT_EQ(Sichtbar(panelHandle), 1);
        int top = 0, breite = 0;
        GetPanelAttribute(panelHandle, ATTR_TOP, top);
        GetPanelAttribute(panelHandle, ATTR_WIDTH, breite);
        EXPECT_EQ(top, schliessen ? 30 : 40);
        EXPECT_EQ(breite, 910);
        Press(panelHandle, PANEL_KALIBRIERUNG);
        ASSERT_EQ(Sichtbar(kalPanelHandle), 1);
    }
}

}  // namespace
