#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "toolkit/Backend.h"
#include "toolkit/qt/Cp1252.h"
#include "toolkit/qt/QtAblage.h"

namespace {

// One local file, by the system's own name; else nothing.
bool EineDatei(const QMimeData* daten, std::string& pfad) {
    if (!daten || !daten->hasUrls() || daten->urls().size() != 1) return false;
    const QUrl url = daten->urls().front();
    if (!url.isLocalFile()) return false;
    pfad = ToFileName(url.toLocalFile());
    return !pfad.empty();
}

class Ablage : public QObject {
public:
    Ablage(int panel, QObject* eltern) : QObject(eltern), panel_(panel) {}

    bool eventFilter(QObject*, QEvent* ereignis) override {
        const QEvent::Type art = ereignis->type();
        if (art != QEvent::DragEnter && art != QEvent::DragMove && art != QEvent::Drop) return false;
        auto* ablage = static_cast<QDropEvent*>(ereignis);
        std::string pfad;
        if (!EineDatei(ablage->mimeData(), pfad) || !PanelTakesDroppedFile(panel_, pfad)) {
            // Text dragged within the program stays the fields' business.
            if (!ablage->mimeData()->hasUrls()) return false;
            ablage->ignore();
            return true;
        }
        ablage->acceptProposedAction();
        if (art == QEvent::Drop) {
            const int panel = panel_;
            QtBedienen([panel, pfad] { DispatchFileDrop(panel, pfad); });
        }
        return true;
    }

private:
    int panel_;
};

}  // namespace

void QtAblageEinrichten(QWidget* fenster, int panel) {
    auto* ablage = new Ablage(panel, fenster);
    fenster->setAcceptDrops(true);
    fenster->installEventFilter(ablage);
    for (QWidget* kind : fenster->findChildren<QWidget*>()) kind->installEventFilter(ablage);
}
