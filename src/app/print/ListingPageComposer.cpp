#include "ListingPageComposer.h"

#include "FileTime.h"
#include "ListingLayout.h"
#include "NativeName.h"
#include "TextFit.h"
#include "TextFormat.h"

namespace vambrel {

using L = ListingLayout;
using Kind = ListingPagination::LineKind;

ListingPageComposer::ListingPageComposer(const ListingReport& report, const ListingPagination& pages,
                                         bool computerListing, Measure measure)
    : m_report(report), m_pages(pages), m_computerListing(computerListing), m_measure(std::move(measure)) {}

QString ListingPageComposer::dateText(const QVariant& stored) {
    return stored.isNull() ? QString() : GeneralDateText(DateFromText(stored.toString()));
}

void ListingPageComposer::text(std::vector<Item>& out, double x, double y, const QString& t, bool bold,
                               bool underline) const {
    if (t.isEmpty())
        return;
    Item item;
    item.x = x;
    item.y = y;
    item.text = t;
    item.bold = bold;
    item.underline = underline;
    out.push_back(std::move(item));
}

void ListingPageComposer::rightText(std::vector<Item>& out, double edge, double y, const QString& t,
                                    bool bold) const {
    text(out, TextFit::rightAligned(edge, m_measure(t, bold)), y, t, bold);
}

QString ListingPageComposer::fit(const QString& t, double width, bool bold) const {
    return TextFit::shorten(t, width, [&](const QString& s) { return m_measure(s, bold); });
}

void ListingPageComposer::fileLine(std::vector<Item>& out, double y, qint64 folder, qint64 line) const {
    const int k = m_pages.filesPerLine();
    const qint64 files = m_report.folder(folder).files;
    ListingReport::File file;
    int loaded = -1;
    for (const L::Column& col : L::columns(k)) {
        const qint64 index = line * k + col.file;
        if (index >= files)
            break;
        if (col.file != loaded) {
            if (!m_report.file(folder, index, &file))
                break;
            loaded = col.file;
        }
        QString t;
        switch (col.field) {
        case L::Field::Name:
            t = DisplayName(file.nom);
            break;
        case L::Field::Size:
            t = file.taille.isNull() ? QString() : GroupedNumberText(file.taille.toLongLong()).trimmed();
            break;
        case L::Field::Type:
            t = file.type;
            break;
        case L::Field::Date:
            t = dateText(file.modifie);
            break;
        case L::Field::Version:
            t = file.produitVersion.toString();
            break;
        }
        if (col.width > 0)
            t = fit(t, col.width, false);
        if (col.rightAligned)
            rightText(out, col.x, y, t, false);
        else
            text(out, col.x, y, t);
    }
}

std::vector<ListingPageComposer::Item> ListingPageComposer::page(int page, bool preview) const {
    std::vector<Item> out;
    const std::vector<ListingPagination::Line> lines = m_pages.pageLines(page);
    if (lines.empty())
        return out;
    const QString pageText = ListingPageComposer::pageText(page);
    const double pageWidth = m_measure(pageText, false);
    text(out, L::kPageRight - pageWidth, L::kHeaderY, pageText);
    if (page == 1)
        text(out, L::kLeft, L::kHeaderY,
             fit(m_report.title(m_computerListing), L::kTitleWidth - pageWidth, false));

    int lineNo = L::kFirstBodyLine;
    for (const ListingPagination::Line& line : lines) {
        const double y = L::lineY(lineNo++);
        switch (line.kind) {
        case Kind::FolderHeader:
            // Shortened to the text width: a deep path would otherwise run off the paper.
            text(out, L::kLeft, y,
                 fit(DisplayName(m_report.folder(line.folder).nom), L::kPageRight - L::kLeft, true), true,
                 true);
            break;
        case Kind::FileLine:
            fileLine(out, y, line.folder, line.fileLine);
            break;
        case Kind::FolderTotal: {
            const ListingReport::Folder& f = m_report.folder(line.folder);
            rightText(out, L::kSizeRight, y, SizeText(double(f.size)), true);
            rightText(out, L::kCountRight, y, filesText(f.files), true);
            break;
        }
        case Kind::GrandTotal:
            if (preview) {
                Item rule;
                rule.kind = Item::Rule;
                rule.x = L::kLeft;
                rule.x2 = L::kRuleRight;
                rule.y = y;
                out.push_back(rule);
            }
            text(out, L::kLeft, y, QStringLiteral("TOTAL"), true);
            rightText(out, L::kSizeRight, y, SizeText(double(m_report.totalSize())), true);
            rightText(out, L::kCountRight, y, filesText(m_report.totalFiles()), true);
            break;
        }
    }
    return out;
}

} // namespace vambrel
