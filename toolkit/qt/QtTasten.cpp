#include "toolkit/qt/QtTasten.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QWidget>

namespace {

class Menuetasten : public QObject {
public:
    Menuetasten(QWidget* fenster) : QObject(fenster), fenster_(fenster) {}

    bool eventFilter(QObject*, QEvent* ereignis) override {
        if (ereignis->type() != QEvent::ShortcutOverride) return false;
        const QKeySequence tasten(static_cast<QKeyEvent*>(ereignis)->keyCombination());
        for (QAction* a : fenster_->findChildren<QAction*>()) {
            if (!a->isEnabled() || !a->shortcuts().contains(tasten)) continue;
            // Not taken by the field: the shortcut goes to the menu item.
            ereignis->ignore();
            return true;
        }
        return false;
    }

private:
    QWidget* fenster_;
};

}  // namespace

void QtMenuetastenVorrang(QWidget* fenster) {
    if (!fenster->findChild<QMenuBar*>()) return;
    auto* filter = new Menuetasten(fenster);
    for (QWidget* kind : fenster->findChildren<QWidget*>()) kind->installEventFilter(filter);
}
