#pragma once

#include <functional>
#include <string>

#include "toolkit/Dokument.h"

class QWidget;

// A document of the toolkit on paper (preview, then the print dialog) and as
// PDF, both on A4. Printing: 0 printed, 1 cancelled, -1 failed.
int QtDokumentDrucken(const PrintDocument& dokument, QWidget* eltern);
int QtDokumentPdf(const PrintDocument& dokument, std::string& pdf);

// A panel window takes a file dropped on it when the toolkit says its panel
// does (PanelTakesDroppedFile); anything else gets the pointer's "no" sign.
void QtAblageEinrichten(QWidget* fenster, int panel);
// Runs an operator action inside the backend, as a click would run.
void QtBedienen(const std::function<void()>& handlung);
