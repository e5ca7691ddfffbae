#include "toolkit/qt/QtDruck.h"

#include <QApplication>
#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <algorithm>
#include <optional>

#include "toolkit/qt/Cp1252.h"

namespace {

QPageLayout A4() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 15, 15, 15),
                       QPageLayout::Millimeter);
}

struct Schriften {
    QFont kopf, titel, unter, text;
    explicit Schriften(QPaintDevice* geraet) {
        QFont basis = QApplication::font();
        // Point sizes on paper, whatever the screen's font size is.
        auto groesse = [&](double punkte, bool fett) {
            QFont f(basis, geraet);
            f.setPointSizeF(punkte);
            f.setBold(fett);
            // No ligatures: "ff" stays two letters that a search in the PDF finds.
            f.setStyleStrategy(QFont::PreferNoShaping);
            return f;
        };
        kopf = groesse(9, false);
        titel = groesse(13, true);
        unter = groesse(10.5, true);
        text = groesse(10, false);
    }
};

// Lays the lines out on the pages and, with a painter, paints them. Returns
// the number of pages.
int Setzen(QPaintDevice& geraet, QPagedPaintDevice* seiten, QPainter* maler, const PrintDocument& d, int gesamt) {
    Schriften s(&geraet);
    const QFontMetricsF mKopf(s.kopf, &geraet), mTitel(s.titel, &geraet), mUnter(s.unter, &geraet),
        mText(s.text, &geraet);
    const double breite = geraet.width(), hoehe = geraet.height();
    const double kopfHoehe = mKopf.height() * 2.2;
    const double fussHoehe = mKopf.height() * 2.2;
    const double unten = hoehe - fussHoehe;
    const double spalte = breite * 0.58;

    int seite = 1;
    auto rahmen = [&] {
        if (!maler) return;
        maler->setFont(s.kopf);
        maler->setPen(Qt::black);
        const QRectF kopf(0, 0, breite, mKopf.height());
        maler->drawText(kopf, Qt::AlignLeft | Qt::AlignVCenter, FromCp1252(d.title));
        maler->drawText(kopf, Qt::AlignRight | Qt::AlignVCenter, FromCp1252(d.date));
        const double linie = mKopf.height() * 1.4;
        maler->drawLine(QPointF(0, linie), QPointF(breite, linie));
        QString fuss = FromCp1252(d.footer).arg(seite).arg(gesamt);
        maler->drawLine(QPointF(0, hoehe - mKopf.height() * 1.6), QPointF(breite, hoehe - mKopf.height() * 1.6));
        maler->drawText(QRectF(0, hoehe - mKopf.height(), breite, mKopf.height()), Qt::AlignCenter, fuss);
    };
    double y = kopfHoehe;
    auto neueSeite = [&] {
        ++seite;
        if (maler && seiten) seiten->newPage();
        rahmen();
        y = kopfHoehe;
    };
    rahmen();

    // The rows that follow line i, which its heading keeps on its page.
    auto zeilenDanach = [&](std::size_t i) {
        std::size_t n = 0;
        while (i + 1 + n < d.lines.size() && d.lines[i + 1 + n].kind == DocumentLine::Row) ++n;
        return static_cast<double>(n);
    };
    for (std::size_t i = 0; i < d.lines.size(); ++i) {
        const DocumentLine& z = d.lines[i];
        const QFont* schrift = &s.text;
        const QFontMetricsF* m = &mText;
        double vorher = 0, bleibtMit = 0;
        switch (z.kind) {
            case DocumentLine::Heading:
                schrift = &s.titel;
                m = &mTitel;
                vorher = y > kopfHoehe ? mTitel.height() * 0.8 : 0;
                // Not alone at the foot of a page: with its first step where that fits.
                bleibtMit = mUnter.height() * 1.8 + mText.height() * 1.15 * (i + 1 < d.lines.size() ? zeilenDanach(i + 1) : 0);
                break;
            case DocumentLine::Subheading:
                schrift = &s.unter;
                m = &mUnter;
                vorher = y > kopfHoehe ? mUnter.height() * 0.6 : 0;
                bleibtMit = mText.height() * 1.15 * zeilenDanach(i);  // a step on one page
                break;
            case DocumentLine::Row: break;
        }
        const QString text = FromCp1252(z.text), wert = FromCp1252(z.value);
        const double textbreite = z.kind == DocumentLine::Row ? spalte - m->averageCharWidth() : breite;
        const QRectF mass = m->boundingRect(QRectF(0, 0, textbreite, hoehe), Qt::TextWordWrap, text);
        const QRectF wertMass = m->boundingRect(QRectF(0, 0, breite - spalte, hoehe), Qt::TextWordWrap, wert);
        const double zeile = std::max({mass.height(), wertMass.height(), m->height()}) + m->height() * 0.15;
        if (bleibtMit > unten - kopfHoehe - zeile) bleibtMit = 0;  // taller than a page: no use
        if (y + vorher + zeile + bleibtMit > unten && y > kopfHoehe) neueSeite();
        else y += vorher;
        if (maler) {
            maler->setFont(*schrift);
            if (z.kind == DocumentLine::Row) {
                const double einzug = m->averageCharWidth() * 2;
                maler->drawText(QRectF(einzug, y, textbreite - einzug, zeile), Qt::TextWordWrap, text);
                maler->drawText(QRectF(spalte, y, breite - spalte, zeile), Qt::TextWordWrap, wert);
            } else {
                maler->drawText(QRectF(0, y, breite, zeile), Qt::TextWordWrap, text);
            }
        }
        y += zeile;
    }
    return seite;
}

// Counts the pages first, so that every footer knows how many there are.
bool Malen(QPagedPaintDevice& geraet, const PrintDocument& d) {
    const int gesamt = Setzen(geraet, nullptr, nullptr, d, 0);
    QPainter maler;
    if (!maler.begin(&geraet)) return false;
    Setzen(geraet, &geraet, &maler, d, gesamt);
    return maler.end();
}

}  // namespace

int QtDokumentDrucken(const PrintDocument& dokument, QWidget* eltern) {
    QPrinter drucker(QPrinter::HighResolution);
    drucker.setPageLayout(A4());
    drucker.setDocName(FromCp1252(dokument.title));
    QPrintPreviewDialog vorschau(&drucker, eltern);
    vorschau.setWindowTitle(FromCp1252(dokument.title));
    // A page that can be read, within the screen.
    if (QScreen* bildschirm = QGuiApplication::primaryScreen()) {
        const QSize platz = bildschirm->availableSize();
        vorschau.resize(std::min(900, platz.width() * 9 / 10), std::min(1000, platz.height() * 9 / 10));
    }
    std::optional<bool> gelungen;
    QObject::connect(&vorschau, &QPrintPreviewDialog::paintRequested, &vorschau,
                     [&](QPrinter* p) { gelungen = Malen(*p, dokument); });
    const bool gedruckt = vorschau.exec() == QDialog::Accepted;
    if (!gedruckt) return 1;
    return gelungen.value_or(true) ? 0 : -1;
}

int QtDokumentPdf(const PrintDocument& dokument, std::string& pdf) {
    QBuffer puffer;
    if (!puffer.open(QIODevice::WriteOnly)) return -1;
    {
        QPdfWriter schreiber(&puffer);
        schreiber.setPageLayout(A4());
        schreiber.setResolution(300);
        schreiber.setTitle(FromCp1252(dokument.title));
        schreiber.setCreator(QStringLiteral("KRV4 Steuerung"));
        if (!Malen(schreiber, dokument)) return -1;
    }
    pdf.assign(puffer.data().constData(), static_cast<std::size_t>(puffer.data().size()));
    return pdf.empty() ? -1 : 0;
}
