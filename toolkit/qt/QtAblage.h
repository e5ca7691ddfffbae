#pragma once

#include <functional>

class QWidget;

// A panel window takes a file dropped on it when the toolkit says its panel
// does (PanelTakesDroppedFile); anything else gets the pointer's "no" sign.
void QtAblageEinrichten(QWidget* fenster, int panel);
// Runs an operator action inside the backend, as a click would run.
void QtBedienen(const std::function<void()>& handlung);
