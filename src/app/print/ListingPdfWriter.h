#pragma once

#include "ListingPageComposer.h"

#include <QPageLayout>
#include <QRawFont>
#include <QString>

class QSaveFile;

namespace vambrel {

// Writes pages of the listing report straight to a PDF file: the items ListingPrinter::drawPage
// draws on paper, at the same coordinates, in the report's two faces embedded whole as TrueType
// (rebuilt from the font engine's tables), one text object a line, page content deflated and
// written page by page so that memory does not grow with the page count.
//
// The file is written beside the target under a temporary name and renamed when complete: the
// target is never left half-written. A text one of the embedded faces cannot show stops the
// writer without touching the target, so that the caller can print through a drawing engine
// that falls back on other fonts.
class ListingPdfWriter {
public:
    struct Faces {
        QRawFont regular, bold; // sized in twips
        double ascent = 0;      // top of a line to its baseline, twips
        // Of the underlined bold face: baseline to the middle of the line, and its thickness.
        double underlinePosition = 0;
        double underlineThickness = 0;
    };
    enum class Outcome { Written, Failed, NotShowable };

    ListingPdfWriter(const ListingPageComposer& composer, Faces faces);

    // Pages first..last of the report, on pages of `layout`'s full size, the twips counting from
    // the paper's top-left corner. Failed comes with the French message the printer path gives.
    Outcome write(const QString& fileName, const QPageLayout& layout, const QString& title, int first,
                  int last, QString* error) const;

    // Flushes, syncs and renames a saved file into place; false when any of it fails. A plain
    // commit takes a failed final flush or sync for success and would rename a truncated file.
    static bool commit(QSaveFile& file);

private:
    const ListingPageComposer& m_composer;
    Faces m_faces;
};

} // namespace vambrel
