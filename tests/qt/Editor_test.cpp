#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "app/Aenderungen.h"
#include "app/Krv4Steuerung.h"
#include "app/Pruefplan.h"
#include "model/Programmverwaltung.h"
#include "model/Schrittliste.h"
#include "qt/QtFixture.h"
#include "support/Vielfalt.h"
#include "storage/Dateifunktionen.h"
#include "toolkit/qt/Cp1252.h"
#include "ui/Krv4Steuerung_uir.h"
#include "ui/qt/Layouts.h"

namespace {

double Real(QWidget* feld) { return qobject_cast<QDoubleSpinBox*>(feld)->value(); }

// The program itself on the Qt toolkit.
class QtEditor : public ::testing::Test {
protected:
    void SetUp() override {
        StartQtProgram();
        window = QtPanelWindow(panelHandle);
    }
    void TearDown() override { SetToolkitBackend(nullptr); }

    QAction* Action(const QString& text) {
        for (QAction* a : window->findChildren<QAction*>())
            if (a->text() == text || a->text().startsWith(text + QStringLiteral(":"))) return a;
        return nullptr;
    }
    // A file from outside dragged over the window: whether it is taken.
    bool Ziehen(QWidget* ziel, const QString& pfad, bool loslassen) {
        QMimeData daten;
        daten.setUrls({QUrl::fromLocalFile(pfad)});
        const QPoint mitte = ziel->rect().center();
        QDragEnterEvent betreten(mitte, Qt::CopyAction, &daten, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ziel, &betreten);
        if (!betreten.isAccepted() || !loslassen) return betreten.isAccepted();
        QDropEvent ablegen(QPointF(mitte), Qt::CopyAction, &daten, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ziel, &ablegen);
        return ablegen.isAccepted();
    }

    QWidget* window = nullptr;
    QTemporaryDir dir;
};

TEST_F(QtEditor, EditMenuStandsBetweenFileAndProgramWithItsShortcutsAndNamesTheStep) {
    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QStringList titles;
    for (QAction* a : bar->actions()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{Q(u"Datei"), Q(u"Bearbeiten"), Q(u"Programm"), Q(u"Hilfe")}));

    QAction* undo = Action(Q(u"Rückgängig"));
    QAction* redo = Action(Q(u"Wiederherstellen"));
    ASSERT_TRUE(undo && redo);
    EXPECT_EQ(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(redo->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
    EXPECT_EQ(Action(Q(u"Drucken…"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_NE(Action(Q(u"Als PDF speichern…")), nullptr);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());

    auto* spannung = QtControlWidget(panelHandle, PANEL_NETZGERAETU);
    spannung->setFocus();
    Key(spannung, Qt::Key_Up);
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), Q(u"Rückgängig: Spannung [V] ändern"));
    // Ctrl+Z on the window, as a person presses it with the focus on a button.
    QtControlWidget(panelHandle, PANEL_PNEUMATIKPLAN)->setFocus();
    undo->trigger();
    EXPECT_DOUBLE_EQ(gPruefschritte[0].netzgeraetU, 0.0);
    EXPECT_TRUE(redo->isEnabled());
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(gDatenGeaendert);
}

// The program's undo, not the field's own: the value the field shows goes
// back with the store.
TEST_F(QtEditor, CtrlZInANumberFieldUndoesTheProgramsLastStep) {
    auto* spannung = QtControlWidget(panelHandle, PANEL_NETZGERAETU);
    spannung->setFocus();
    Key(spannung, Qt::Key_Up);
    Key(spannung, Qt::Key_Up);
    ASSERT_DOUBLE_EQ(gPruefschritte[0].netzgeraetU, 0.2);
    Key(spannung, Qt::Key_Z, QString(), Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(gPruefschritte[0].netzgeraetU, 0.1);
    EXPECT_DOUBLE_EQ(Real(spannung), 0.1);
    Key(spannung, Qt::Key_Z, QString(), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(gPruefschritte[0].netzgeraetU, 0.2);
    Key(spannung, Qt::Key_Z, QString(), Qt::ControlModifier);
    Key(spannung, Qt::Key_Z, QString(), Qt::ControlModifier);
    Key(spannung, Qt::Key_Y, QString(), Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(gPruefschritte[0].netzgeraetU, 0.1);
}

TEST_F(QtEditor, ADroppedDataFileOpensAfterTheQuestionAndOtherFilesAreRefused) {
    const QString krv = dir.filePath(Q(u"Prüfprogramme.krv"));
    const std::string pfad = ToFileName(krv);
    // Saved from the program itself, so that it is a valid file.
    OperatorSetValue(panelHandle, PANEL_NETZGERAETU, 6.5);
    DateinameSetzen(pfad.c_str());
    ASSERT_EQ(DateiSpeichern(0), 0);
    OperatorSetValue(panelHandle, PANEL_NETZGERAETU, 1.0);  // unsaved

    QFile andere(dir.filePath(QStringLiteral("notiz.txt")));
    ASSERT_TRUE(andere.open(QIODevice::WriteOnly));
    andere.close();
    EXPECT_FALSE(Ziehen(window, andere.fileName(), false));
    EXPECT_FALSE(Ziehen(QtControlWidget(panelHandle, PANEL_NETZGERAETU), andere.fileName(), false));
    EXPECT_FALSE(Ziehen(window, dir.filePath(QStringLiteral("geraet.krk")), false));
    EXPECT_TRUE(Ziehen(QtControlWidget(panelHandle, PANEL_NETZGERAETU), krv, false));

    QString frage;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        frage = box->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("Nein")) b->click();
    });
    EXPECT_TRUE(Ziehen(window, krv, true));
    EXPECT_EQ(frage, Q(u"Möchten Sie die Änderungen in Prüfprogramme.krv speichern?"));
    EXPECT_DOUBLE_EQ(gPruefschritte[0].netzgeraetU, 6.5);
    EXPECT_FALSE(gDatenGeaendert);
    EXPECT_EQ(window->windowTitle(), Q(u"KRV4 Steuerung - Prüfprogramme.krv"));
}

std::string Ausfuehren(const std::string& befehl) {
    std::string ausgabe;
    FILE* p = ::popen(befehl.c_str(), "r");
    if (!p) return ausgabe;
    char puffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(puffer, 1, sizeof puffer, p)) > 0) ausgabe.append(puffer, n);
    ::pclose(p);
    return ausgabe;
}

TEST_F(QtEditor, ThePdfOfAVariedFileHoldsEveryStepAndValueAsSearchableText) {
#ifdef _WIN32
    GTEST_SKIP() << "pdftotext and pdfinfo are read on Linux";
#endif
    VielfaeltigerSpeicher();
    DateinameSetzen(ToFileName(dir.filePath(QStringLiteral("vielfalt.krv"))).c_str());
    PrintDocument plan;
    PruefplanErstellen(0, kAnzahlProgramme - 1, "10.12.2026", plan);
    std::string pdf;
    ASSERT_EQ(RenderDocumentPdf(plan, pdf), 0);
    ASSERT_EQ(pdf.compare(0, 5, "%PDF-"), 0);
    const std::string datei = dir.filePath(QStringLiteral("plan.pdf")).toStdString();
    std::ofstream(datei, std::ios::binary).write(pdf.data(), static_cast<std::streamsize>(pdf.size()));
    // To look at it: KRV4_PRUEFPLAN_PDF=/tmp/plan.pdf
    if (const char* ablage = std::getenv("KRV4_PRUEFPLAN_PDF")) std::ofstream(ablage, std::ios::binary) << pdf;

    // UTF-8 as pdftotext writes it; the plan's texts are code page 1252.
    const std::string text = Ausfuehren("pdftotext -layout -enc UTF-8 '" + datei + "' - 2>&1");
    ASSERT_FALSE(text.empty()) << "pdftotext (poppler-utils) is missing";
    auto u8 = [](const std::string& cp) { return FromCp1252(cp).toStdString(); };
    // Each printed line with its columns one blank apart.
    std::vector<std::string> gedruckt;
    std::istringstream zeilen(text);
    for (std::string z; std::getline(zeilen, z);) {
        std::istringstream woerter(z);
        std::string zeile;
        for (std::string w; woerter >> w;) zeile += (zeile.empty() ? "" : " ") + w;
        gedruckt.push_back(zeile);
    }

    // Every line of the plan, in order, its value on the same printed line.
    std::size_t gefunden = 0;
    for (const DocumentLine& l : plan.lines) {
        const std::string erwartet = u8(l.text) + (l.value.empty() ? "" : " " + u8(l.value));
        while (gefunden < gedruckt.size() && gedruckt[gefunden] != erwartet) ++gefunden;
        ASSERT_LT(gefunden, gedruckt.size()) << "not in the PDF, or out of order: " << erwartet;
        ++gefunden;
    }

    // Header and footer on every page: "Seite n von m".
    const int seiten = static_cast<int>(std::count(text.begin(), text.end(), '\f'));
    ASSERT_GT(seiten, 5);
    for (int n = 1; n <= seiten; ++n)
        EXPECT_NE(text.find("Seite " + std::to_string(n) + " von " + std::to_string(seiten)), std::string::npos) << n;
    std::size_t koepfe = 0;
    for (std::size_t p = text.find(u8("Prüfplan vielfalt.krv")); p != std::string::npos;
         p = text.find(u8("Prüfplan vielfalt.krv"), p + 1))
        ++koepfe;
    EXPECT_EQ(koepfe, static_cast<std::size_t>(seiten));

    const std::string info = Ausfuehren("pdfinfo '" + datei + "' 2>&1");
    EXPECT_NE(info.find("pts (A4)"), std::string::npos) << info;
}

}  // namespace
