#include "toolkit/Dokument.h"

#include "toolkit/Backend.h"

int PrintDocumentDialog(const PrintDocument& document) {
    ToolkitBackend* backend = CurrentToolkitBackend();
    return backend ? backend->PrintDialog(document) : UIE_NO_BACKEND;
}

int RenderDocumentPdf(const PrintDocument& document, std::string& pdf) {
    pdf.clear();
    ToolkitBackend* backend = CurrentToolkitBackend();
    return backend ? backend->RenderPdf(document, pdf) : UIE_NO_BACKEND;
}
