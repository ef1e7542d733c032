#pragma once

#include "HelpBook.h"

#include <QWidget>

class QAction;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QUrl;

namespace vambrel {

// The help window: the help book's pages in a browser, with the contents, a search over every
// page, back and forward. Links to other pages of the book follow in the window; links out of it
// open in the desktop's own programs.
class frmAide : public QWidget {
    Q_OBJECT
public:
    static const QString kStartPage;   // "index.html"
    static const QString kComparePage; // "comparaison.html", the comparison window's topic

    explicit frmAide(const QString& folder, QWidget* parent = nullptr);

    // Shows a page of the book ("page.html" or "page.html#part"); a page that is not there shows
    // a French message instead.
    void showPage(const QString& page);
    // Fills the search results with the pages that hold every word; the first one is shown.
    void search(const QString& query);

    const HelpBook& book() const { return m_book; }
    QTextBrowser* browser() const { return m_browser; }
    QListWidget* contentsList() const { return m_contents; }
    QListWidget* resultsList() const { return m_results; }
    QLineEdit* searchBox() const { return m_searchBox; }
    QTabWidget* tabs() const { return m_tabs; }
    QAction* backAction() const { return m_back; }
    QAction* forwardAction() const { return m_forward; }
    QAction* homeAction() const { return m_home; }
    // The page shown, as a file name of the book; empty for a message.
    QString currentPage() const;

private:
    void openLink(const QUrl& url);
    void sourceChanged(const QUrl& url);
    void showMessage(const QString& text);

    HelpBook m_book;
    QTabWidget* m_tabs;
    QListWidget* m_contents;
    QLineEdit* m_searchBox;
    QListWidget* m_results;
    QTextBrowser* m_browser;
    QAction* m_back;
    QAction* m_forward;
    QAction* m_home;
    QString m_lastQuery;
};

} // namespace vambrel
