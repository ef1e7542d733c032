// The help book as installed (every page and link resolves) and the help window over books made
// in a temporary folder.

#include "compare/frmCompare.h"
#include "shell/HelpBook.h"
#include "shell/frmAide.h"
#include "shell/frmVambrel.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using namespace vambrel;

using namespace Qt::StringLiterals;

namespace {

const QString kBook = QStringLiteral(VAMBREL_SOURCE_DIR "/data/aide");

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void write(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(text);
}

QByteArray html(const QByteArray& title, const QByteArray& body) {
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

// Every link and picture of a page: the href and src values.
QStringList targets(const QString& page) {
    static const QRegularExpression attr(QStringLiteral("\\b(?:href|src)=\"([^\"]*)\""));
    QStringList found;
    auto it = attr.globalMatch(page);
    while (it.hasNext())
        found << it.next().captured(1);
    return found;
}

bool hasAnchor(const QString& page, const QString& anchor) {
    return page.contains(QStringLiteral("id=\"%1\"").arg(anchor)) ||
           page.contains(QStringLiteral("name=\"%1\"").arg(anchor));
}

QStringList titles(const QListWidget* list) {
    QStringList t;
    for (int i = 0; i < list->count(); ++i)
        t << list->item(i)->text();
    return t;
}

} // namespace

class TestHelpBook : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    // A small book: start page with contents, two pages, a page outside the contents.
    QString smallBook() {
        const QString folder = m_dir.filePath(QStringLiteral("petit"));
        if (QDir(folder).exists())
            return folder;
        QDir().mkpath(folder);
        write(folder + QStringLiteral("/index.html"),
              html("Début", "<ul class=\"sommaire\"><li><a href=\"a.html\">Lien A</a></li>"
                            "<li><a href=\"b.html#suite\">Lien B</a></li></ul>"));
        write(folder + QStringLiteral("/a.html"),
              html("Page A", "<p>Créer un élément. <a href=\"b.html\">vers B</a></p>"));
        write(folder + QStringLiteral("/b.html"),
              html("Page B", "<p id=\"suite\">Comparer les fichiers élevés</p>"));
        write(folder + QStringLiteral("/c.html"), html("Hors sommaire", "<p>Comparer encore</p>"));
        return folder;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // ---- the book shipped with the program ----

    void everyLinkResolves() {
        const QDir book(kBook);
        const QStringList pages = book.entryList({QStringLiteral("*.html")}, QDir::Files);
        QVERIFY(pages.size() >= 15);
        QSet<QString> used;
        for (const QString& name : pages) {
            const QString text = readAll(book.filePath(name));
            QVERIFY2(!HelpBook::title(text).isEmpty(), qPrintable(name));
            QVERIFY2(text.contains(QStringLiteral("<html lang=\"fr\">")), qPrintable(name));
            for (const QString& target : targets(text)) {
                const QString where = name + QStringLiteral(" -> ") + target;
                QVERIFY2(!target.contains(QStringLiteral("://")) && !target.startsWith(QLatin1Char('/')) &&
                             !target.contains(QStringLiteral("..")),
                         qPrintable(where));
                const QString file = target.section(QLatin1Char('#'), 0, 0);
                const QString anchor = target.section(QLatin1Char('#'), 1);
                const QString path = file.isEmpty() ? book.filePath(name) : book.filePath(file);
                QVERIFY2(QFileInfo(path).isFile(), qPrintable(where));
                used.insert(QFileInfo(path).fileName());
                if (!anchor.isEmpty())
                    QVERIFY2(hasAnchor(readAll(path), anchor), qPrintable(where));
            }
        }
        // Every picture is shown somewhere, and small.
        for (const QFileInfo& image :
             QDir(book.filePath(QStringLiteral("images"))).entryInfoList(QDir::Files)) {
            QVERIFY2(used.contains(image.fileName()), qPrintable(image.fileName()));
            QVERIFY2(image.size() < 100 * 1024, qPrintable(image.fileName()));
        }
    }

    void contentsCoverTheBook() {
        const HelpBook book(kBook);
        QVERIFY(book.exists());
        QStringList listed;
        for (const HelpBook::Page& p : book.contents()) {
            listed << p.file;
            QVERIFY2(!p.title.isEmpty(), qPrintable(p.file));
        }
        QCOMPARE(listed.first(), frmAide::kStartPage);
        QVERIFY(listed.contains(frmAide::kComparePage));
        QStringList all = QDir(kBook).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        std::sort(listed.begin(), listed.end());
        QCOMPARE(listed, all);
    }

    // ---- the book's rules, on books made here ----

    void contents_data() {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QStringList>("expected"); // file=title

        QTest::newRow("no contents list") << html("Début", "<ul><li><a href=\"a.html\">A</a></li></ul>")
                                          << QStringList{u"index.html=Début"_s};
        QTest::newRow("twice, anchor, missing, outside")
            << html("Début",
                    "<ul class=\"sommaire\"><li><a href=\"a.html\">A</a></li>"
                    "<li><a href=\"a.html#x\">A encore</a></li><li><a href=\"absent.html\">X</a></li>"
                    "<li><a href=\"https://example.org/\">Site</a></li>"
                    "<li><a href=\"../index.html\">Au-dessus</a></li>"
                    "<li><a href=\"notitle.html\">Le <b>texte</b> du lien</a></li></ul>")
            << QStringList{u"index.html=Début"_s, u"a.html=Page A"_s, u"notitle.html=Le texte du lien"_s};
        QTest::newRow("start page without title")
            << QByteArray("<ul class=\"sommaire\"><li><a href=\"a.html\">A</a></li></ul>")
            << QStringList{u"index.html=index.html"_s, u"a.html=Page A"_s};
    }
    void contents() {
        QFETCH(QByteArray, start);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        write(dir.filePath(QStringLiteral("index.html")), start);
        write(dir.filePath(QStringLiteral("a.html")), html("Page A", "<p>a</p>"));
        write(dir.filePath(QStringLiteral("notitle.html")), "<p>sans titre</p>");
        QStringList got;
        for (const HelpBook::Page& p : HelpBook(dir.path()).contents())
            got << p.file + QLatin1Char('=') + (p.title.isEmpty() ? QStringLiteral("index.html") : p.title);
        QCOMPARE(got, expected);
    }

    void missingOrHostileBook() {
        QTemporaryDir dir;
        const HelpBook none(dir.filePath(QStringLiteral("absent")));
        QVERIFY(!none.exists());
        QVERIFY(none.contents().isEmpty());
        QVERIFY(none.search(QStringLiteral("mot")).isEmpty());
        // A start page over the size limit is not read at all.
        write(dir.filePath(QStringLiteral("index.html")),
              html("Début", QByteArray(HelpBook::kMaxPageSize, 'x')));
        QVERIFY(!HelpBook(dir.path()).exists());
        // A folder in the place of a page.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dossier.html")));
        QVERIFY(HelpBook(dir.path()).search(QStringLiteral("x")).isEmpty());
    }

    void search_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("case and accents") << QStringLiteral("COMPARER eleves") << QStringList{u"b.html"_s};
        QTest::newRow("accent in the query") << QStringLiteral("créer") << QStringList{u"a.html"_s};
        QTest::newRow("every word needed") << QStringLiteral("comparer élément") << QStringList{};
        QTest::newRow("contents first, then the others")
            << QStringLiteral("comparer") << QStringList{u"b.html"_s, u"c.html"_s};
        QTest::newRow("titles count") << QStringLiteral("page") << QStringList{u"a.html"_s, u"b.html"_s};
        QTest::newRow("no word") << QStringLiteral(" , ") << QStringList{};
        QTest::newRow("tags are not text") << QStringLiteral("href") << QStringList{};
    }
    void search() {
        QFETCH(QString, query);
        QFETCH(QStringList, files);
        QStringList got;
        for (const HelpBook::Page& p : HelpBook(smallBook()).search(query))
            got << p.file;
        QCOMPARE(got, files);
    }

    // ---- the window ----

    // The title names the page after the book; the start page, titled like the book, not twice.
    void windowTitleNamesThePage() {
        frmAide shipped(kBook);
        shipped.showPage(frmAide::kStartPage);
        QCOMPARE(shipped.windowTitle(), u"Aide de Vambrel"_s);
        frmAide w(smallBook());
        w.showPage(u"a.html"_s);
        QCOMPARE(w.windowTitle(), u"Aide de Vambrel - Page A"_s);
    }

    void windowNavigates() {
        frmAide w(smallBook());
        QCOMPARE(titles(w.contentsList()), (QStringList{u"Début"_s, u"Page A"_s, u"Page B"_s}));
        w.showPage(frmAide::kStartPage);
        QCOMPARE(w.currentPage(), QStringLiteral("index.html"));
        QCOMPARE(w.contentsList()->currentRow(), 0);
        QVERIFY(!w.backAction()->isEnabled());

        // A link of the book follows in the window, the contents follow the page.
        Q_EMIT w.browser()->anchorClicked(QUrl(QStringLiteral("a.html")));
        QCOMPARE(w.currentPage(), QStringLiteral("a.html"));
        QCOMPARE(w.contentsList()->currentRow(), 1);
        QVERIFY(w.windowTitle().endsWith(QStringLiteral("Page A")));
        Q_EMIT w.browser()->anchorClicked(QUrl(QStringLiteral("b.html#suite")));
        QCOMPARE(w.currentPage(), QStringLiteral("b.html"));
        QCOMPARE(w.browser()->source().fragment(), QStringLiteral("suite"));

        w.backAction()->trigger();
        QCOMPARE(w.currentPage(), QStringLiteral("a.html"));
        QVERIFY(w.forwardAction()->isEnabled());
        w.forwardAction()->trigger();
        QCOMPARE(w.currentPage(), QStringLiteral("b.html"));
        w.homeAction()->trigger();
        QCOMPARE(w.currentPage(), QStringLiteral("index.html"));

        // The contents list opens its pages.
        w.contentsList()->itemClicked(w.contentsList()->item(2));
        QCOMPARE(w.currentPage(), QStringLiteral("b.html"));
    }

    void windowSearches() {
        frmAide w(smallBook());
        w.searchBox()->setText(QStringLiteral("comparer"));
        Q_EMIT w.searchBox()->returnPressed();
        QCOMPARE(titles(w.resultsList()), (QStringList{u"Page B"_s, u"Hors sommaire"_s}));
        QCOMPARE(w.tabs()->currentIndex(), 1);
        QCOMPARE(w.currentPage(), QStringLiteral("b.html"));
        QCOMPARE(w.browser()->textCursor().selectedText(), QStringLiteral("Comparer"));
        w.resultsList()->itemClicked(w.resultsList()->item(1));
        QCOMPARE(w.currentPage(), QStringLiteral("c.html"));

        w.search(QStringLiteral("introuvable"));
        QCOMPARE(titles(w.resultsList()), QStringList{u"Aucune page ne contient ces mots."_s});
        // The message row leads nowhere.
        w.resultsList()->itemClicked(w.resultsList()->item(0));
        QCOMPARE(w.currentPage(), QStringLiteral("c.html"));
    }

    void windowMessages() {
        frmAide missing(m_dir.filePath(QStringLiteral("absent")));
        missing.showPage(frmAide::kStartPage);
        QVERIFY(missing.currentPage().isEmpty());
        QVERIFY(missing.browser()->toPlainText().contains(QStringLiteral("L'aide n'est pas installée")));
        QCOMPARE(missing.contentsList()->count(), 0);

        frmAide w(smallBook());
        for (const QString& page : {QStringLiteral("absent.html"), QStringLiteral("../index.html")}) {
            w.showPage(page);
            QVERIFY(w.currentPage().isEmpty());
            QVERIFY2(w.browser()->toPlainText().contains(QStringLiteral("de l'aide est introuvable")),
                     qPrintable(page));
        }
    }

    void commandsOpenTheirPages() {
        frmVambrel main;
        main.setHelpFolder(kBook);
        QVERIFY(main.mnuAide(0)->isEnabled());
        main.mnuAide(0)->trigger();
        frmAide* help = main.helpWindow();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QCOMPARE(help->currentPage(), frmAide::kStartPage);
        // The comparison window's help picture: the same window, at the comparison page.
        frmCompare compare(&main);
        QObject::connect(&compare, &frmCompare::HelpRequested, &main,
                         [&] { main.ShowHelp(frmAide::kComparePage); });
        Q_EMIT compare.HelpRequested();
        QCOMPARE(main.helpWindow(), help);
        QCOMPARE(help->currentPage(), frmAide::kComparePage);
        QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("Fichiers identiques")));
    }
};

QTEST_MAIN(TestHelpBook)
#include "tst_helpbook.moc"
