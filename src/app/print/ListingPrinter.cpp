#include "ListingPrinter.h"

#include "ListingLayout.h"

#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <cmath>

namespace vambrel {

using L = ListingLayout;

ListingPrinter::ListingPrinter(const ListingReport& report, const ListingPagination& pages,
                               bool computerListing)
    : m_rawRegular(QRawFont::fromFont(reportFont())), m_rawBold(QRawFont::fromFont(reportFont(true))),
      m_regular(reportFont()), m_bold(reportFont(true)), m_boldUnderline(reportFont(true, true)),
      m_regularMetrics(m_regular), m_boldMetrics(m_bold),
      m_composer(report, pages, computerListing,
                 [this](const QString& t, bool bold) { return width(t, bold); }) {}

QFont ListingPrinter::reportFont(bool bold, bool underline) {
    QFont font(QStringLiteral("Arial"));
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(L::kFontTwips);
    // Outline glyphs without hinting: widths in twips do not depend on the device.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::ForceOutline);
    font.setKerning(false);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

// Glyph runs skip text shaping, which the report's plain lines do not need: the same widths as
// the font gives without kerning, at a fraction of the cost on a long printout.
bool ListingPrinter::glyphs(const QString& text, bool bold, QGlyphRun* run, double* width) const {
    const QRawFont& raw = bold ? m_rawBold : m_rawRegular;
    if (!raw.isValid())
        return false;
    const QList<quint32> indexes = raw.glyphIndexesForString(text);
    if (indexes.size() != text.size())
        return false; // surrogate pairs and the like: let the font lay them out
    for (quint32 g : indexes)
        if (g == 0)
            return false;
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(indexes, QRawFont::SeparateAdvances);
    double x = 0;
    QList<QPointF> positions;
    if (run)
        positions.reserve(advances.size());
    for (const QPointF& a : advances) {
        if (run)
            positions.append(QPointF(x, 0));
        x += a.x();
    }
    if (run) {
        run->setRawFont(raw);
        run->setGlyphIndexes(indexes);
        run->setPositions(positions);
    }
    *width = x;
    return true;
}

double ListingPrinter::width(const QString& text, bool bold) const {
    double w = 0;
    if (glyphs(text, bold, nullptr, &w))
        return w;
    return (bold ? m_boldMetrics : m_regularMetrics).horizontalAdvance(text);
}

void ListingPrinter::drawPage(QPainter& painter, int page, bool preview) const {
    const double ascent = m_regularMetrics.ascent();
    painter.setPen(Qt::black);
    // The texts of one line in one weight go out as a single glyph run: a printer or PDF file
    // then gets one text object a line rather than one a column.
    QList<quint32> lineGlyphs;
    QList<QPointF> linePositions;
    QPointF lineOrigin;
    bool lineBold = false;
    const auto flush = [&] {
        if (lineGlyphs.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(lineBold ? m_rawBold : m_rawRegular);
        run.setGlyphIndexes(lineGlyphs);
        run.setPositions(linePositions);
        painter.drawGlyphRun(lineOrigin, run);
        lineGlyphs.clear();
        linePositions.clear();
    };
    for (const ListingPageComposer::Item& item : m_composer.page(page, preview)) {
        if (item.kind == ListingPageComposer::Item::Rule) {
            flush();
            painter.setPen(QPen(Qt::black, 0));
            painter.drawLine(QPointF(item.x, item.y), QPointF(item.x2, item.y));
            continue;
        }
        QGlyphRun run;
        double w = 0;
        // Underlined texts (one a folder) go through the font, which places the underline.
        if (item.underline || !glyphs(item.text, item.bold, &run, &w)) {
            flush();
            painter.setFont(item.bold ? (item.underline ? m_boldUnderline : m_bold) : m_regular);
            painter.drawText(QPointF(item.x, item.y + ascent), item.text);
            continue;
        }
        const QPointF origin(item.x, item.y + ascent);
        if (!lineGlyphs.isEmpty() && (lineBold != item.bold || lineOrigin.y() != origin.y()))
            flush();
        if (lineGlyphs.isEmpty()) {
            lineOrigin = origin;
            lineBold = item.bold;
        }
        const double dx = origin.x() - lineOrigin.x();
        lineGlyphs += run.glyphIndexes();
        for (const QPointF& p : run.positions())
            linePositions.append(QPointF(p.x() + dx, 0));
    }
    flush();
}

QSize ListingPrinter::sheetPixels() {
    return {int(std::lround(double(L::kSheetWidth) / L::kTwipsPerPixel)),
            int(std::lround(double(L::kSheetHeight) / L::kTwipsPerPixel))};
}

QImage ListingPrinter::previewImage(int page) const {
    QImage image(sheetPixels(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(1.0 / L::kTwipsPerPixel, 1.0 / L::kTwipsPerPixel);
    drawPage(painter, page, true);
    return image;
}

void ListingPrinter::preparePrinter(QPrinter& printer) {
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

ListingPdfWriter::Faces ListingPrinter::pdfFaces() const {
    ListingPdfWriter::Faces faces;
    faces.regular = m_rawRegular;
    faces.bold = m_rawBold;
    faces.ascent = m_regularMetrics.ascent();
    const QFontMetricsF underlined(m_boldUnderline);
    faces.underlinePosition = underlined.underlinePos();
    faces.underlineThickness = underlined.lineWidth();
    return faces;
}

namespace {

QString cannotWrite(const QString& fileName) {
    return QStringLiteral("Impossible d'écrire le fichier ") + fileName + QLatin1Char('.');
}

QString notFinished() {
    return QStringLiteral("L'impression n'a pas pu être terminée.");
}

} // namespace

bool ListingPrinter::print(QPrinter& printer, int first, int last, QString* error, PdfPath pdfPath) const {
    const QString fileName = printer.outputFileName();
    if (printer.outputFormat() == QPrinter::PdfFormat && !fileName.isEmpty() &&
        pdfPath == PdfPath::OwnWriter) {
        const ListingPdfWriter writer(m_composer, pdfFaces());
        switch (writer.write(fileName, printer.pageLayout(), printer.docName(), first, last, error)) {
        case ListingPdfWriter::Outcome::Written:
            return true;
        case ListingPdfWriter::Outcome::Failed:
            return false;
        case ListingPdfWriter::Outcome::NotShowable:
            break;
        }
        return printPdfThroughEngine(printer, first, last, error);
    }
    return drawPages(printer, first, last,
                     fileName.isEmpty() ? QStringLiteral("Impossible d'imprimer sur ") +
                                              printer.printerName() + QLatin1Char('.')
                                        : cannotWrite(fileName),
                     error);
}

// The engine's PDF output goes to a temporary file renamed once complete, as the writer's does.
bool ListingPrinter::printPdfThroughEngine(const QPrinter& printer, int first, int last,
                                           QString* error) const {
    QSaveFile file(printer.outputFileName());
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = cannotWrite(printer.outputFileName());
        return false;
    }
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(printer.resolution());
        pdf.setPageLayout(printer.pageLayout());
        pdf.setTitle(printer.docName());
        pdf.setCreator(printer.creator());
        if (!drawPages(pdf, first, last, cannotWrite(printer.outputFileName()), error))
            return false;
    }
    if (!ListingPdfWriter::commit(file)) {
        if (error)
            *error = notFinished();
        return false;
    }
    return true;
}

bool ListingPrinter::drawPages(QPagedPaintDevice& device, int first, int last, const QString& cannotOpen,
                               QString* error) const {
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error)
            *error = cannotOpen;
        return false;
    }
    const double scale = double(device.logicalDpiX()) / L::kTwipsPerInch;
    for (int p = first; p <= last; ++p) {
        if (p > first && !device.newPage()) {
            painter.end();
            if (error)
                *error = QStringLiteral("L'impression s'est arrêtée avant la page ") + QString::number(p) +
                         QLatin1Char('.');
            return false;
        }
        painter.resetTransform();
        painter.scale(scale, double(device.logicalDpiY()) / L::kTwipsPerInch);
        drawPage(painter, p, false);
    }
    if (!painter.end()) {
        if (error)
            *error = notFinished();
        return false;
    }
    return true;
}

} // namespace vambrel
