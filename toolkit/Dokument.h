#pragma once

#include <string>
#include <vector>

// A document for paper or PDF, composed by the program as lines: the backend
// lays it out on A4 pages with a header (title left, date right) and a footer
// ("Seite %1 von %2" with the page and the page count).

struct DocumentLine {
    enum Kind { Heading, Subheading, Row } kind = Row;
    std::string text;
    std::string value;  // Row: shown in a second column
};

struct PrintDocument {
    std::string title;   // header, left
    std::string date;    // header, right
    std::string footer;  // %1 the page, %2 the number of pages
    std::vector<DocumentLine> lines;
};

// The print dialog with a preview: 0 printed, 1 cancelled by the operator,
// negative when it cannot be printed.
int PrintDocumentDialog(const PrintDocument& document);
// The document as the bytes of a PDF file: 0, or negative.
int RenderDocumentPdf(const PrintDocument& document, std::string& pdf);
