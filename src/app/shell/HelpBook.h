#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace vambrel {

// The French help book: a folder of HTML pages whose start page, index.html, lists the contents
// in a list of class "sommaire". Pages are read from disk as hostile input: a page larger than
// kMaxPageSize is left out, and a missing or unreadable page is simply absent.
class HelpBook {
public:
    struct Page {
        QString file;  // the page's file name in the folder ("comparaison.html")
        QString title; // its <title>, else the text of its link, else its file name
        bool operator==(const Page&) const = default;
    };
    static constexpr qint64 kMaxPageSize = 1 << 20;

    explicit HelpBook(QString folder);

    const QString& folder() const { return m_folder; }
    bool exists() const; // the start page is there
    // The contents: the links of the start page's list of class "sommaire", in order, the start
    // page first.
    QList<Page> contents() const;
    // The pages whose text holds every word of `query`, ignoring case and accents: those of the
    // contents in its order, then the others by file name. Empty for a query without words.
    QList<Page> search(const QString& query) const;

    // For the search: lower case, accents taken off.
    static QString fold(const QString& text);
    // The page's readable text, without tags; its title.
    static QString plainText(const QString& html);
    static QString title(const QString& html);
    // The links of a list of class "sommaire": (target, text) in order.
    static QList<QPair<QString, QString>> contentsLinks(const QString& html);

private:
    // The page's HTML, empty when it cannot be read; read once.
    QString html(const QString& file) const;

    QString m_folder;
    mutable QHash<QString, QString> m_html;
    mutable QHash<QString, QString> m_folded; // the folded plain text of each page read
};

} // namespace vambrel
