#include "HelpBook.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextDocumentFragment>

namespace vambrel {

namespace {

const QString kStartPage = QStringLiteral("index.html");

} // namespace

HelpBook::HelpBook(QString folder) : m_folder(std::move(folder)) {}

bool HelpBook::exists() const {
    return !html(kStartPage).isEmpty();
}

QString HelpBook::html(const QString& file) const {
    const auto known = m_html.constFind(file);
    if (known != m_html.constEnd())
        return *known;
    QString text;
    QFile f(QDir(m_folder).filePath(file));
    if (f.open(QIODevice::ReadOnly) && f.size() <= kMaxPageSize)
        text = QString::fromUtf8(f.read(kMaxPageSize));
    m_html.insert(file, text);
    return text;
}

QString HelpBook::fold(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out += c.toLower();
    return out;
}

QString HelpBook::plainText(const QString& html) {
    return QTextDocumentFragment::fromHtml(html).toPlainText();
}

QString HelpBook::title(const QString& html) {
    static const QRegularExpression re(QStringLiteral("<title>(.*?)</title>"),
                                       QRegularExpression::CaseInsensitiveOption |
                                           QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(html);
    return m.hasMatch() ? plainText(m.captured(1)).simplified() : QString();
}

QList<QPair<QString, QString>> HelpBook::contentsLinks(const QString& html) {
    static const QRegularExpression list(QStringLiteral("<ul[^>]*class=\"sommaire\"[^>]*>(.*?)</ul>"),
                                         QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression link(QStringLiteral("<a\\s[^>]*href=\"([^\"#]+)[^\"]*\"[^>]*>(.*?)</a>"),
                                         QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::DotMatchesEverythingOption);
    QList<QPair<QString, QString>> links;
    const QRegularExpressionMatch inside = list.match(html);
    if (!inside.hasMatch())
        return links;
    auto it = link.globalMatch(inside.captured(1));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        links.append({m.captured(1), plainText(m.captured(2)).simplified()});
    }
    return links;
}

QList<HelpBook::Page> HelpBook::contents() const {
    const QString start = html(kStartPage);
    if (start.isEmpty())
        return {};
    QList<Page> pages{{kStartPage, title(start)}};
    for (const auto& [target, text] : contentsLinks(start)) {
        // Only pages of the book itself, each once.
        if (target.contains(QLatin1Char('/')) || target.contains(QLatin1Char(':')))
            continue;
        if (std::any_of(pages.cbegin(), pages.cend(), [&](const Page& p) { return p.file == target; }))
            continue;
        const QString page = html(target);
        if (page.isEmpty())
            continue;
        QString name = title(page);
        if (name.isEmpty())
            name = text.isEmpty() ? target : text;
        pages.append({target, name});
    }
    return pages;
}

QList<HelpBook::Page> HelpBook::search(const QString& query) const {
    const QStringList words =
        fold(query).split(QRegularExpression(QStringLiteral("\\W+")), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    QList<Page> candidates = contents();
    QStringList others = QDir(m_folder).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (const QString& file : others)
        if (std::none_of(candidates.cbegin(), candidates.cend(),
                         [&](const Page& p) { return p.file == file; })) {
            const QString page = html(file);
            if (!page.isEmpty())
                candidates.append({file, title(page).isEmpty() ? file : title(page)});
        }
    QList<Page> found;
    for (const Page& p : candidates) {
        auto text = m_folded.constFind(p.file);
        if (text == m_folded.constEnd())
            text = m_folded.insert(p.file, fold(plainText(html(p.file)) + QLatin1Char(' ') + p.title));
        if (std::all_of(words.cbegin(), words.cend(), [&](const QString& w) { return text->contains(w); }))
            found.append(p);
    }
    return found;
}

} // namespace vambrel
