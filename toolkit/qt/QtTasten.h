#pragma once

class QWidget;

// The shortcut of an enabled menu item of the window wins over a field's own
// use of the same keys: Ctrl+Z in a number field is the program's undo, not
// the field's. With the item dimmed the field keeps its keys.
void QtMenuetastenVorrang(QWidget* fenster);
