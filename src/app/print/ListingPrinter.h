#pragma once

#include "ListingPageComposer.h"
#include "ListingPdfWriter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QRawFont>
#include <QString>

class QPagedPaintDevice;
class QPainter;
class QPrinter;

namespace vambrel {

// The drawing of the listing report (Imprime): one routine for the preview sheet and the printer.
// Everything is laid out in twips with a font whose size is given in twips, so that measured
// widths, shortening and alignment are the same on the screen and on paper.
class ListingPrinter {
public:
    ListingPrinter(const ListingReport& report, const ListingPagination& pages, bool computerListing);

    // "Arial" 8 points (served by Liberation Sans), sized in twips.
    static QFont reportFont(bool bold = false, bool underline = false);
    double width(const QString& text, bool bold) const;

    // Draws a page on a painter whose coordinates are twips.
    void drawPage(QPainter& painter, int page, bool preview) const;
    // Destination 0: the page on a white A4 sheet at 15 twips to the pixel.
    QImage previewImage(int page) const;
    static QSize sheetPixels();

    // A4, full page, so that the twips count from the paper's corner as on the sheet.
    static void preparePrinter(QPrinter& printer);
    // How a printer whose output is a PDF file gets its pages: the program's own writer (fast,
    // the report's fonts embedded; a text they cannot show sends the job through the drawing
    // engine), or the drawing engine for the whole job.
    enum class PdfPath { OwnWriter, DrawingEngine };

    // Destination 1: pages first..last, a new page between two pages and none after the last.
    // False with a French message when the output cannot be opened or a page cannot be started.
    // A PDF file is written complete under its name or not at all.
    bool print(QPrinter& printer, int first, int last, QString* error,
               PdfPath pdfPath = PdfPath::OwnWriter) const;

    // What the PDF writer needs to place the texts as drawPage does.
    ListingPdfWriter::Faces pdfFaces() const;

    const ListingPageComposer& composer() const { return m_composer; }

private:
    bool drawPages(QPagedPaintDevice& device, int first, int last, const QString& cannotOpen,
                   QString* error) const;
    bool printPdfThroughEngine(const QPrinter& printer, int first, int last, QString* error) const;

    // The glyphs of a text in the report's font, with its width; none when a character lacks a
    // glyph there (the text is then drawn and measured through the font's fallbacks).
    bool glyphs(const QString& text, bool bold, QGlyphRun* run, double* width) const;

    QRawFont m_rawRegular, m_rawBold;
    QFont m_regular, m_bold, m_boldUnderline;
    QFontMetricsF m_regularMetrics, m_boldMetrics;
    ListingPageComposer m_composer;
};

} // namespace vambrel
