#pragma once

#include "ListingPageComposer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QRawFont>
#include <QString>

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
    // Destination 1: pages first..last, a new page between two pages and none after the last.
    // False with a French message when the output cannot be opened or a page cannot be started.
    bool print(QPrinter& printer, int first, int last, QString* error) const;

    const ListingPageComposer& composer() const { return m_composer; }

private:
    // The glyphs of a text in the report's font, with its width; none when a character lacks a
    // glyph there (the text is then drawn and measured through the font's fallbacks).
    bool glyphs(const QString& text, bool bold, QGlyphRun* run, double* width) const;

    QRawFont m_rawRegular, m_rawBold;
    QFont m_regular, m_bold, m_boldUnderline;
    QFontMetricsF m_regularMetrics, m_boldMetrics;
    ListingPageComposer m_composer;
};

} // namespace vambrel
