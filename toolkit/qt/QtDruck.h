#pragma once

#include <string>

#include "toolkit/Dokument.h"

class QWidget;

// A document of the toolkit on paper (preview, then the print dialog) and as
// PDF, both on A4. Printing: 0 printed, 1 cancelled, -1 failed.
int QtDokumentDrucken(const PrintDocument& dokument, QWidget* eltern);
int QtDokumentPdf(const PrintDocument& dokument, std::string& pdf);
