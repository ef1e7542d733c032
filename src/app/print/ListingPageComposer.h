#pragma once

#include "ListingPagination.h"
#include "ListingReport.h"

#include <QString>
#include <functional>
#include <vector>

namespace vambrel {

// Builds what one page of the listing report shows: every text with its position in twips, its
// weight and underline, already shortened and aligned by measured width, and the rule above the
// grand total on the preview. Drawing it is then a plain walk over the items.
class ListingPageComposer {
public:
    struct Item {
        enum Kind { Text, Rule };
        Kind kind = Text;
        double x = 0;  // left edge of the text, or start of the rule
        double y = 0;  // top of the text line
        double x2 = 0; // end of a rule
        QString text;
        bool bold = false;
        bool underline = false;
    };

    // Width in twips of a text in the report's font, bold or not.
    using Measure = std::function<double(const QString& text, bool bold)>;

    ListingPageComposer(const ListingReport& report, const ListingPagination& pages, bool computerListing,
                        Measure measure);

    // The items of page `page` (from 1); none outside the report.
    std::vector<Item> page(int page, bool preview) const;

    static QString pageText(int page) { return QStringLiteral("Page ") + QString::number(page); }
    static QString filesText(qint64 files) { return QString::number(files) + QStringLiteral(" fichier(s)"); }
    // A stored date in the system's date-and-time text; empty for Null or an unreadable date.
    static QString dateText(const QVariant& stored);

private:
    void text(std::vector<Item>& out, double x, double y, const QString& t, bool bold = false,
              bool underline = false) const;
    void rightText(std::vector<Item>& out, double edge, double y, const QString& t, bool bold) const;
    QString fit(const QString& t, double width, bool bold) const;
    void fileLine(std::vector<Item>& out, double y, qint64 folder, qint64 fileLine) const;

    const ListingReport& m_report;
    const ListingPagination& m_pages;
    bool m_computerListing;
    Measure m_measure;
};

} // namespace vambrel
