#include "frmAide.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace vambrel {

const QString frmAide::kStartPage = QStringLiteral("index.html");
const QString frmAide::kComparePage = QStringLiteral("comparaison.html");

frmAide::frmAide(const QString& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_book(folder), m_tabs(new QTabWidget(this)),
      m_contents(new QListWidget(this)), m_searchBox(new QLineEdit(this)), m_results(new QListWidget(this)),
      m_browser(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("Aide de Vambrel"));
    resize(900, 640);

    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("&Précédent"));
    m_back->setShortcut(QKeySequence::Back);
    m_forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("&Suivant"));
    m_forward->setShortcut(QKeySequence::Forward);
    m_home = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("S&ommaire"));
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(m_home, &QAction::triggered, this, [this] { showPage(kStartPage); });
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QAction::setEnabled);

    // Links are followed here: pages of the book in the browser, the rest outside.
    m_browser->setOpenLinks(false);
    m_browser->setSearchPaths({folder});
    connect(m_browser, &QTextBrowser::anchorClicked, this, &frmAide::openLink);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &frmAide::sourceChanged);

    for (const HelpBook::Page& page : m_book.contents()) {
        auto* item = new QListWidgetItem(page.title, m_contents);
        item->setData(Qt::UserRole, page.file);
    }
    connect(m_contents, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { showPage(item->data(Qt::UserRole).toString()); });
    connect(m_contents, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { showPage(item->data(Qt::UserRole).toString()); });

    auto* searchPane = new QWidget(this);
    auto* searchLayout = new QVBoxLayout(searchPane);
    searchLayout->setContentsMargins(4, 4, 4, 4);
    auto* searchLabel = new QLabel(QStringLiteral("&Mots à rechercher :"), searchPane);
    searchLabel->setBuddy(m_searchBox);
    m_searchBox->setClearButtonEnabled(true);
    searchLayout->addWidget(searchLabel);
    searchLayout->addWidget(m_searchBox);
    searchLayout->addWidget(m_results);
    connect(m_searchBox, &QLineEdit::returnPressed, this, [this] { search(m_searchBox->text()); });
    auto showResult = [this](QListWidgetItem* item) {
        const QString file = item->data(Qt::UserRole).toString();
        if (file.isEmpty())
            return;
        showPage(file);
        // The first place of the first word, selected in the page.
        const QStringList words = m_lastQuery.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!words.isEmpty())
            m_browser->find(words.first());
    };
    connect(m_results, &QListWidget::itemActivated, this, showResult);
    connect(m_results, &QListWidget::itemClicked, this, showResult);

    m_tabs->addTab(m_contents, QStringLiteral("Sommaire"));
    m_tabs->addTab(searchPane, QStringLiteral("Rechercher"));

    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({290, 610});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(splitter);
}

void frmAide::showMessage(const QString& text) {
    m_browser->setHtml(QStringLiteral("<h1>Aide de Vambrel</h1><p>%1</p>").arg(text.toHtmlEscaped()));
}

void frmAide::showPage(const QString& page) {
    const QString file = page.section(QLatin1Char('#'), 0, 0);
    const QString path = QDir(m_book.folder()).filePath(file);
    if (file.isEmpty() || file.contains(QLatin1Char('/')) || !QFileInfo(path).isFile()) {
        showMessage(m_book.exists()
                        ? QStringLiteral("La page « %1 » de l'aide est introuvable.").arg(file)
                        : QStringLiteral("L'aide n'est pas installée : le dossier « %1 » ne la contient pas.")
                              .arg(QDir::toNativeSeparators(m_book.folder())));
        return;
    }
    QUrl url = QUrl::fromLocalFile(path);
    if (page.contains(QLatin1Char('#')))
        url.setFragment(page.section(QLatin1Char('#'), 1));
    m_browser->setSource(url);
    // The first page of a browser comes without sourceChanged.
    sourceChanged(url);
}

QString frmAide::currentPage() const {
    const QUrl url = m_browser->source();
    return url.isLocalFile() ? QFileInfo(url.toLocalFile()).fileName() : QString();
}

void frmAide::openLink(const QUrl& url) {
    if (url.isRelative() || (url.isLocalFile() && QFileInfo(url.toLocalFile()).absolutePath() ==
                                                      QFileInfo(m_book.folder()).absoluteFilePath())) {
        if (url.isRelative() && url.path().isEmpty()) {
            m_browser->scrollToAnchor(url.fragment());
            return;
        }
        const QString file = url.isRelative() ? url.path() : QFileInfo(url.toLocalFile()).fileName();
        showPage(url.hasFragment() ? file + QLatin1Char('#') + url.fragment() : file);
        return;
    }
    QDesktopServices::openUrl(url);
}

void frmAide::sourceChanged(const QUrl&) {
    // The contents follow the page shown.
    const QString page = currentPage();
    for (int i = 0; i < m_contents->count(); ++i)
        if (m_contents->item(i)->data(Qt::UserRole).toString() == page) {
            const QSignalBlocker quiet(m_contents);
            m_contents->setCurrentRow(i);
            break;
        }
    // The start page is titled like the window: its name once.
    const QString book = QStringLiteral("Aide de Vambrel");
    const QString title = m_browser->documentTitle().trimmed();
    setWindowTitle(title.isEmpty() || title == book ? book : book + QStringLiteral(" - ") + title);
}

void frmAide::search(const QString& query) {
    m_lastQuery = query.simplified();
    m_searchBox->setText(query);
    m_tabs->setCurrentIndex(1);
    m_results->clear();
    const QList<HelpBook::Page> found = m_book.search(query);
    for (const HelpBook::Page& page : found) {
        auto* item = new QListWidgetItem(page.title, m_results);
        item->setData(Qt::UserRole, page.file);
    }
    if (found.isEmpty()) {
        new QListWidgetItem(QStringLiteral("Aucune page ne contient ces mots."), m_results);
        return;
    }
    m_results->setCurrentRow(0);
    showPage(found.first().file);
    const QStringList words = m_lastQuery.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!words.isEmpty())
        m_browser->find(words.first());
}

} // namespace vambrel
