// The preview window on the offscreen platform: building and paging the report, the layout
// settings, printing to a PDF file without a dialog (read back with pdftotext and pdftoppm), and
// unloading with its signal and saved placement.

#include "TestCatalogue.h"
#include "controls/cScrollBar.h"
#include "print/ListingLayout.h"
#include "print/ListingPrinter.h"
#include "print/frmApercu.h"
#include "print/frmConfig.h"
#include "shell/mSettings.h"

#include <QImage>
#include <QKeyEvent>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace vambrel;
using namespace vambrel::test;

namespace {

// Folder 0 "/r" with `files` files, then an empty folder "/r/vide".
bool makeReport(const QString& path, int files) {
    QList<FileRow> rows;
    for (int i = 0; i < files; ++i)
        rows << file(i, 0, QStringLiteral("fichier%1.txt").arg(i, 4, 10, QLatin1Char('0')), 1000 + i);
    return makeCatalogue(path, QStringLiteral("/"), QStringLiteral("/r"),
                         {{0, QStringLiteral("/r")}, {1, QStringLiteral("/r/vide")}}, rows);
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestApercu : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QTemporaryDir m_config;
    QString m_cat; // 300 files: 305 lines with 1 a line, 5 pages

    std::unique_ptr<frmApercu> preview(const QString& path, bool computer = false) {
        Database db;
        if (!db.open(path, OpenMode::ReadOnly))
            return nullptr;
        auto w = std::make_unique<frmApercu>();
        w->setDatabase(std::move(db));
        w->setComputerListing(computer);
        w->setMessageSink([this](const QString& m) { m_messages << m; });
        if (!w->PopulateRec())
            return nullptr;
        return w;
    }

    // Prints pages first..last (0: all) to a PDF file through the chooser, as the dialog would.
    static void printTo(frmApercu& w, const QString& pdf, int first = 0, int last = 0) {
        w.setPrintChooser([&w, pdf, first, last](QPrinter& printer, int pageCount) {
            if (pageCount != w.pageCount())
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            if (first > 0) {
                printer.setPrintRange(QPrinter::PageRange);
                printer.setFromTo(first, last);
            }
            return true;
        });
        w.mnuImprimer_Click();
    }

    QStringList m_messages;

private Q_SLOTS:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        QStandardPaths::setTestModeEnabled(true);
        m_cat = m_dir.filePath(QStringLiteral("liste.dat"));
        QVERIFY(makeReport(m_cat, 300));
    }
    void init() { m_messages.clear(); }

    void pagingAndKeys() {
        auto w = preview(m_cat);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Aperçu avant impression"));
        QCOMPARE(w->pageCount(), 5);
        QCOMPARE(w->pageLabel(), QStringLiteral("1 sur 5"));
        w->imaNav_Click(0); // previous from the first: nothing
        QCOMPARE(w->currentPage(), 1);
        w->imaNav_Click(3);
        QCOMPARE(w->pageLabel(), QStringLiteral("5 sur 5"));
        w->imaNav_Click(1);
        QCOMPARE(w->currentPage(), 5);
        QTest::keyClick(w.get(), Qt::Key_Up);
        QCOMPARE(w->pageLabel(), QStringLiteral("4 sur 5"));
        QTest::keyClick(w.get(), Qt::Key_Home);
        QCOMPARE(w->currentPage(), 1);
        QTest::keyClick(w.get(), Qt::Key_Down);
        QCOMPARE(w->currentPage(), 2);
        QTest::keyClick(w.get(), Qt::Key_End);
        QCOMPARE(w->currentPage(), 5);
        // Page Down moves the vertical bar by its large change, never past its maximum.
        w->resize(700, 500);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const int step = w->msb()->LargeChange(1);
        QVERIFY(step > 1);
        QTest::keyClick(w.get(), Qt::Key_PageDown);
        QCOMPARE(w->msb()->Value(1), std::min(step, w->msb()->Max(1)));
        for (int i = 0; i < 40; ++i)
            QTest::keyClick(w.get(), Qt::Key_PageDown);
        QCOMPARE(w->msb()->Value(1), w->msb()->Max(1));
        QTest::keyClick(w.get(), Qt::Key_Left);
        QCOMPARE(w->msb()->Value(0), 0);
    }

    void emptyReportShowsNothing_data() {
        QTest::addColumn<bool>("withFolders");
        QTest::addColumn<int>("filter");
        QTest::newRow("no folder") << false << 0;
        QTest::newRow("empty folders, filter 1") << true << 1;
    }
    void emptyReportShowsNothing() {
        QFETCH(bool, withFolders);
        QFETCH(int, filter);
        const QString path = m_dir.filePath(QStringLiteral("vide%1%2.dat").arg(withFolders).arg(filter));
        QList<Folder> folders;
        if (withFolders)
            folders = {{0, QStringLiteral("/e")}};
        QVERIFY(makeCatalogue(path, QStringLiteral("/"), QStringLiteral("/e"), folders, {}));
        Database db;
        QVERIFY(db.open(path, OpenMode::ReadOnly));
        frmApercu w;
        w.setDatabase(std::move(db));
        w.setFolderFilter(filter);
        QVERIFY(w.PopulateRec());
        QCOMPARE(w.pageCount(), 0);
        QCOMPARE(w.pageLabel(), QString());
        bool asked = false;
        w.setPrintChooser([&](QPrinter&, int) { return asked = true; });
        w.mnuImprimer_Click();
        w.imaNav_Click(1);
        QVERIFY(!asked);
        QCOMPARE(w.currentPage(), 0);
    }

    void configOk_data() {
        QTest::addColumn<int>("fichier");
        QTest::addColumn<int>("dossier");
        QTest::addColumn<bool>("rebuilt");
        QTest::addColumn<int>("pages");
        QTest::newRow("nothing changed") << 1 << 0 << false << 5;
        QTest::newRow("4 a line") << 4 << 0 << true << 2;
        QTest::newRow("folder choice only") << 1 << 1 << true << 5;
    }
    void configOk() {
        QFETCH(int, fichier);
        QFETCH(int, dossier);
        QFETCH(bool, rebuilt);
        QFETCH(int, pages);
        auto w = preview(m_cat);
        QVERIFY(w);
        w->imaNav_Click(3);
        frmConfig config(w.get());
        QCOMPARE(config.windowTitle(), QStringLiteral("Configuration de l'aperçu"));
        QVERIFY(config.optFichier(1)->isChecked());
        QVERIFY(config.optDossier(0)->isChecked());
        config.optFichier(fichier)->setChecked(true);
        config.optDossier(dossier)->setChecked(true);
        config.cmdAction_Click(0);
        QCOMPARE(w->currentPage(), rebuilt ? 1 : 5);
        QCOMPARE(w->pageCount(), pages);
        QCOMPARE(w->filesPerLine(), fichier);
        QCOMPARE(w->folderFilter(), dossier);
    }

    void configCancel() {
        auto w = preview(m_cat);
        QVERIFY(w);
        frmConfig config(w.get());
        config.optFichier(3)->setChecked(true);
        config.cmdAction_Click(1);
        QCOMPARE(w->filesPerLine(), 1);
        QCOMPARE(w->pageCount(), 5);
    }

    void decide_data() {
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("selectedK");
        QTest::addColumn<int>("selectedFilter");
        QTest::addColumn<bool>("changed");
        QTest::newRow("same") << 2 << 1 << 2 << 1 << false;
        QTest::newRow("layout") << 2 << 1 << 3 << 1 << true;
        QTest::newRow("filter") << 4 << 0 << 4 << 1 << true;
    }
    void decide() {
        QFETCH(int, k);
        QFETCH(int, filter);
        QFETCH(int, selectedK);
        QFETCH(int, selectedFilter);
        QFETCH(bool, changed);
        std::array<bool, 5> fichier{};
        fichier[size_t(selectedK)] = true;
        std::array<bool, 2> dossier{};
        dossier[size_t(selectedFilter)] = true;
        const frmConfig::Outcome out = frmConfig::decide(k, filter, fichier, dossier);
        QCOMPARE(out, (frmConfig::Outcome{selectedK, selectedFilter, changed}));
    }

    void printAllToPdf() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        auto w = preview(m_cat);
        QVERIFY(w);
        const QString pdf = m_dir.filePath(QStringLiteral("tout.pdf"));
        printTo(*w, pdf);
        QVERIFY(m_messages.isEmpty());
        QVERIFY(QFile::exists(pdf));
        const QString info = run(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+5\\n"))), qPrintable(info));
        QVERIFY(info.contains(QStringLiteral("595.")) || info.contains(QStringLiteral("595 x"))); // A4
        const QString text =
            run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        const QStringList pages = text.split(QLatin1Char('\f'));
        QCOMPARE(pages.size(), 6); // a form feed after each of the 5 pages
        QVERIFY(pages[0].contains(
            QStringLiteral("liste.dat, créé le 04/03/2021 05:06:07, source: /r, masque: *.*")));
        QVERIFY(pages[0].contains(QStringLiteral("Page 1")));
        QVERIFY(pages[0].contains(QStringLiteral("fichier0000.txt")));
        QVERIFY(pages[0].contains(QStringLiteral("1 000")));
        QVERIFY(pages[1].contains(QStringLiteral("Page 2")));
        QVERIFY(!pages[1].contains(QStringLiteral("créé le")));
        // The folder's total, then the empty folder, then the grand total on the last page.
        QVERIFY(pages[4].contains(QStringLiteral("300 fichier(s)")));
        QVERIFY(pages[4].contains(QStringLiteral("/r/vide")));
        QVERIFY(pages[4].contains(QStringLiteral("0 fichier(s)")));
        QVERIFY(pages[4].contains(QStringLiteral("TOTAL")));
        // "Page n" stands at the right of the title's line.
        const QString firstLine = pages[0].section(QLatin1Char('\n'), 0, 0);
        QVERIFY(firstLine.indexOf(QStringLiteral("Page 1")) > firstLine.indexOf(QStringLiteral("masque")));
    }

    void printRange() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        auto w = preview(m_cat, true);
        QVERIFY(w);
        w->imaNav_Click(3);
        const QString pdf = m_dir.filePath(QStringLiteral("deux.pdf"));
        printTo(*w, pdf, 2, 3);
        const QStringList pages =
            run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                .split(QLatin1Char('\f'));
        QCOMPARE(pages.size(), 3);
        QVERIFY(pages[0].contains(QStringLiteral("Page 2")));
        QVERIFY(pages[1].contains(QStringLiteral("Page 3")));
        QVERIFY(!pages.join(QString()).contains(QStringLiteral("Poste de travail")));
        // Printing leaves the preview's page as it was.
        QCOMPARE(w->currentPage(), 5);
    }

    void printCancelledAndUnwritable() {
        auto w = preview(m_cat);
        QVERIFY(w);
        w->setPrintChooser([](QPrinter&, int) { return false; });
        w->mnuImprimer_Click();
        QVERIFY(m_messages.isEmpty());
        const QString bad = m_dir.filePath(QStringLiteral("absent/dossier/x.pdf"));
        printTo(*w, bad);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains(bad), qPrintable(m_messages.first()));
        QVERIFY(!QFile::exists(bad));
    }

    // The preview sheet is the page as printed: rendered from the PDF at 96 dpi, the page
    // matches, with its title, bold totals and underlined folder names.
    void previewMatchesPrintout_data() {
        QTest::addColumn<int>("page");
        QTest::newRow("title and first folder") << 1;
        QTest::newRow("files only") << 2;
        QTest::newRow("totals and empty folder") << 5;
    }
    void previewMatchesPrintout() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm (poppler-utils) is not installed");
        QFETCH(int, page);
        auto w = preview(m_cat);
        QVERIFY(w);
        const QString pdf = m_dir.filePath(QStringLiteral("image%1.pdf").arg(page));
        printTo(*w, pdf, page, page);
        const QString prefix = m_dir.filePath(QStringLiteral("page%1").arg(page));
        run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-gray"),
                                         QStringLiteral("-singlefile"), pdf, prefix});
        QImage printed(prefix + QStringLiteral(".pgm"));
        QVERIFY(!printed.isNull());
        w->Imprime(0, page, page);
        const QImage shown = w->sheetImage().convertToFormat(QImage::Format_Grayscale8);
        printed = printed.convertToFormat(QImage::Format_Grayscale8);
        QVERIFY2(std::abs(shown.width() - printed.width()) <= 1 &&
                     std::abs(shown.height() - printed.height()) <= 1,
                 qPrintable(QStringLiteral("%1x%2 %3x%4")
                                .arg(shown.width())
                                .arg(shown.height())
                                .arg(printed.width())
                                .arg(printed.height())));
        // Ink in rows: the same lines of text at the same heights, and nearly the same pixels.
        const int h = std::min(shown.height(), printed.height());
        const int wd = std::min(shown.width(), printed.width());
        qint64 diff = 0, ink = 0;
        for (int y = 0; y < h; ++y) {
            const uchar* a = shown.constScanLine(y);
            const uchar* b = printed.constScanLine(y);
            for (int x = 0; x < wd; ++x) {
                diff += std::abs(int(a[x]) - int(b[x]));
                ink += 255 - a[x];
            }
        }
        QVERIFY(ink > 0);
        // Antialiasing differs; misplaced or missing text would double the difference.
        QVERIFY2(double(diff) / double(ink) < 0.5, qPrintable(QString::number(double(diff) / double(ink))));
        // A page drawn a line lower would differ by far more.
        QImage shifted(shown.size(), shown.format());
        shifted.fill(255);
        for (int y = 14; y < h; ++y)
            memcpy(shifted.scanLine(y), shown.constScanLine(y - 14), size_t(wd));
        qint64 shiftedDiff = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < wd; ++x)
                shiftedDiff += std::abs(int(shifted.constScanLine(y)[x]) - int(printed.constScanLine(y)[x]));
        QVERIFY(shiftedDiff > 2 * diff);
    }

    void openCatalogueAndUnload() {
        QString error;
        QVERIFY(
            !frmApercu::openCatalogue(nullptr, m_dir.filePath(QStringLiteral("absent.dat")), false, &error));
        QVERIFY(!error.isEmpty());

        QWidget owner;
        frmApercu* w = frmApercu::openCatalogue(&owner, m_cat, true, &error);
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QVERIFY(w->windowModality() == Qt::ApplicationModal);
        QCOMPARE(w->pageLabel(), QStringLiteral("1 sur 5"));
        QSignalSpy unloaded(w, &frmApercu::Unloaded);
        QSignalSpy destroyed(w, &QObject::destroyed);
        w->setGeometry(100, 120, 640, 480);
        w->close();
        QCOMPARE(unloaded.count(), 1);
        QTRY_COMPARE(destroyed.count(), 1);
        QCOMPARE(GetSetting(kAppName, kSectionApercu, u"Height"), QString::number(480 * 15));
        QCOMPARE(GetSetting(kAppName, kSectionApercu, u"Width"), QString::number(640 * 15));

        // The next preview takes that placement; closing its owner unloads it too.
        auto* owner2 = new QWidget;
        frmApercu* w2 = frmApercu::openCatalogue(owner2, m_cat, false, &error);
        QVERIFY(w2);
        QCOMPARE(w2->size(), QSize(640, 480));
        QSignalSpy unloaded2(w2, &frmApercu::Unloaded);
        delete owner2;
        QCOMPARE(unloaded2.count(), 1);
    }

    void damagedCatalogue() {
        const QString path = m_dir.filePath(QStringLiteral("abime.dat"));
        QVERIFY(makeReport(path, 3));
        {
            Database db;
            QVERIFY(db.open(path, OpenMode::ReadWrite));
            QVERIFY(db.exec(QStringLiteral("DROP TABLE Version")));
        }
        QString error;
        QVERIFY(!frmApercu::openCatalogue(nullptr, path, false, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(TestApercu)
#include "tst_apercu.moc"
