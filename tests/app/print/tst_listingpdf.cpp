// The listing's own PDF writer, read back with poppler's tools: page ranges and page size, the
// same words at the same places as the drawing engine's file, names that are accented or not
// UTF-8, the underline and the bold faces, a name the report's fonts cannot show (printed through
// the engine), a full disk; and the TrueType file rebuilt from font tables.

#include "ListingPagination.h"
#include "ListingReport.h"
#include "NativeName.h"
#include "SmallFileSystem.h"
#include "TestCatalogue.h"
#include "print/ListingLayout.h"
#include "print/ListingPrinter.h"
#include "print/TrueTypeFont.h"

#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <map>

using namespace vambrel;
using namespace vambrel::test;
using L = ListingLayout;

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool havePoppler() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

struct Word {
    double xMin, yMin, xMax, yMax;
    QString text;
};
using Pages = QList<QList<Word>>;

// The words of each page as pdftotext -bbox places them, in points from the top-left corner.
Pages words(const QString& pdf) {
    const QString xhtml =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    Pages pages;
    static const QRegularExpression tag(QStringLiteral(
        "<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">"
        "([^<]*)</word>"));
    for (auto it = tag.globalMatch(xhtml); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0) == QStringLiteral("<page ")) {
            pages.append(QList<Word>());
            continue;
        }
        if (pages.isEmpty())
            continue;
        pages.last().append({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                             m.captured(4).toDouble(), m.captured(5)});
    }
    return pages;
}

QString pdfInfo(const QString& pdf, const QString& key) {
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpression line(QStringLiteral("^") + key + QStringLiteral(":\\s*(.*)$"),
                                  QRegularExpression::MultilineOption);
    return line.match(info).captured(1).trimmed();
}

QImage render(const QString& pdf, int page, const QString& prefix) {
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-gray"),
                                     QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                     QString::number(page), QStringLiteral("-singlefile"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".pgm")).convertToFormat(QImage::Format_Grayscale8);
}

// Pixel rows of body line `line` (2 to 72) at 15 twips a pixel.
std::pair<int, int> band(int line) {
    return {L::lineY(line) / L::kTwipsPerPixel, L::lineY(line + 1) / L::kTwipsPerPixel};
}

qint64 ink(const QImage& image, int line) {
    qint64 sum = 0;
    const auto [top, bottom] = band(line);
    for (int y = top; y < bottom && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += 255 - image.constScanLine(y)[x];
    return sum;
}

// The longest run of dark pixels in one row of the line's band: an underline is one.
int longestRun(const QImage& image, int line) {
    int best = 0;
    const auto [top, bottom] = band(line);
    for (int y = top; y < bottom && y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = image.constScanLine(y)[x] < 160 ? run + 1 : 0;
            best = std::max(best, run);
        }
    }
    return best;
}

const QString kStopped1 = QStringLiteral("L'impression s'est arrêtée avant la page 1.");
const QString kNotFinished = QStringLiteral("L'impression n'a pas pu être terminée.");

// Big-endian table bytes for the TrueType tests.
QByteArray be(std::initializer_list<int> values16) {
    QByteArray b;
    for (int v : values16) {
        b.append(char((v >> 8) & 0xFF));
        b.append(char(v & 0xFF));
    }
    return b;
}

} // namespace

class TestListingPdf : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_cat;
    QString m_cjkCat;
    Database m_db, m_cjkDb;
    std::optional<ListingReport> m_report, m_cjkReport;

    // The report of `report` with `perLine` files a line printed to `pdf`, as the preview does.
    static bool print(const ListingReport& report, int perLine, const QString& pdf, int first, int last,
                      QString* error, ListingPrinter::PdfPath path = ListingPrinter::PdfPath::OwnWriter) {
        const ListingPagination pages(report.fileCounts(), perLine);
        const ListingPrinter drawing(report, pages, false);
        QPrinter printer(QPrinter::HighResolution);
        ListingPrinter::preparePrinter(printer);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setDocName(report.fileName());
        if (last == 0)
            last = pages.pageCount();
        return drawing.print(printer, first, last, error, path);
    }

    static int pageCount(const ListingReport& report, int perLine) {
        return ListingPagination(report.fileCounts(), perLine).pageCount();
    }

private Q_SLOTS:
    void initTestCase() {
        // "/r" with 150 files, accented and undecodable names, an empty folder: 3 pages at 1 a line.
        QList<FileRow> rows;
        for (int i = 0; i < 150; ++i)
            rows << file(i, 0, QStringLiteral("fichier%1.txt").arg(i, 4, 10, QLatin1Char('0')), 1000 + i);
        rows << file(150, 1, QStringLiteral("résumé.txt"), 12, QStringLiteral("Document texte"));
        rows << file(151, 1, NameFromNative("\xE9t\xE9.txt", 7), 34);
        rows << file(152, 1, QStringLiteral("Ça va.doc"), 56);
        m_cat = m_dir.filePath(QStringLiteral("liste.dat"));
        QVERIFY(makeCatalogue(m_cat, QStringLiteral("/"), QStringLiteral("/r"),
                              {{0, QStringLiteral("/r/archives")},
                               {1, QStringLiteral("/r/été à Noël")},
                               {2, QStringLiteral("/r/vide")}},
                              rows));
        QVERIFY(m_db.open(m_cat, OpenMode::ReadOnly));
        auto report = ListingReport::open(m_db, 0);
        QVERIFY(report.ok());
        m_report.emplace(std::move(report.value()));
        QCOMPARE(pageCount(*m_report, 1), 3);

        m_cjkCat = m_dir.filePath(QStringLiteral("cjk.dat"));
        QVERIFY(
            makeCatalogue(m_cjkCat, QStringLiteral("/"), QStringLiteral("/c"), {{0, QStringLiteral("/c")}},
                          {file(0, 0, QStringLiteral("avant.txt")), file(1, 0, QStringLiteral("日本語.txt")),
                           file(2, 0, QStringLiteral("après.txt"))}));
        QVERIFY(m_cjkDb.open(m_cjkCat, OpenMode::ReadOnly));
        auto cjk = ListingReport::open(m_cjkDb, 0);
        QVERIFY(cjk.ok());
        m_cjkReport.emplace(std::move(cjk.value()));
    }

    void pageRangesAndSize_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("one page") << 1 << 1;
        QTest::newRow("middle and last") << 2 << 3;
        QTest::newRow("all") << 1 << 3;
        QTest::newRow("last only") << 3 << 3;
    }
    void pageRangesAndSize() {
        if (!havePoppler())
            QSKIP("poppler-utils is not installed");
        QFETCH(int, first);
        QFETCH(int, last);
        const QString pdf = m_dir.filePath(QStringLiteral("range%1-%2.pdf").arg(first).arg(last));
        QString error;
        QVERIFY2(print(*m_report, 1, pdf, first, last, &error), qPrintable(error));
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Pages")), QString::number(last - first + 1));
        const QString size = pdfInfo(pdf, QStringLiteral("Page size"));
        const QRegularExpressionMatch wh =
            QRegularExpression(QStringLiteral("^([\\d.]+) x ([\\d.]+) pts")).match(size);
        QVERIFY2(wh.hasMatch() && std::abs(wh.captured(1).toDouble() - 595.28) < 0.5 &&
                     std::abs(wh.captured(2).toDouble() - 841.89) < 0.5,
                 qPrintable(size));
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Producer")), QStringLiteral("Vambrel"));
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Title")), QStringLiteral("liste.dat"));
        const Pages pages = words(pdf);
        QCOMPARE(pages.size(), last - first + 1);
        for (int i = 0; i < pages.size(); ++i) {
            QString all;
            for (const Word& w : pages[i])
                all += w.text + QLatin1Char(' ');
            QVERIFY2(all.contains(QStringLiteral("Page %1 ").arg(first + i)), qPrintable(all));
            QCOMPARE(all.contains(QStringLiteral("créé le")), first + i == 1);
            QCOMPARE(all.contains(QStringLiteral("TOTAL")), first + i == 3);
        }
        // Nothing but the file: no temporary left beside it.
        QVERIFY(QDir(m_dir.path()).entryList({QStringLiteral("range*")}, QDir::Files).size() ==
                QDir(m_dir.path()).entryList({QStringLiteral("range*.pdf")}, QDir::Files).size());
    }

    // Every word where the drawing engine puts it, in the four layouts.
    void sameWordsAsEngine_data() {
        QTest::addColumn<int>("perLine");
        for (int k = 1; k <= 4; ++k)
            QTest::addRow("%d a line", k) << k;
    }
    void sameWordsAsEngine() {
        if (!havePoppler())
            QSKIP("poppler-utils is not installed");
        QFETCH(int, perLine);
        const QString own = m_dir.filePath(QStringLiteral("own%1.pdf").arg(perLine));
        const QString engine = m_dir.filePath(QStringLiteral("engine%1.pdf").arg(perLine));
        QString error;
        QVERIFY2(print(*m_report, perLine, own, 1, 0, &error), qPrintable(error));
        QVERIFY2(print(*m_report, perLine, engine, 1, 0, &error, ListingPrinter::PdfPath::DrawingEngine),
                 qPrintable(error));
        QVERIFY(pdfInfo(engine, QStringLiteral("Producer")) != QStringLiteral("Vambrel"));
        const Pages a = words(own), b = words(engine);
        QCOMPARE(a.size(), pageCount(*m_report, perLine));
        QCOMPARE(a.size(), b.size());
        for (int p = 0; p < a.size(); ++p) {
            QCOMPARE(a[p].size(), b[p].size());
            for (int i = 0; i < a[p].size(); ++i) {
                const Word &x = a[p][i], &y = b[p][i];
                QCOMPARE(x.text, y.text);
                const double baselineX = x.yMax, baselineY = y.yMax;
                QVERIFY2(std::abs(x.xMin - y.xMin) < 0.3 && std::abs(x.xMax - y.xMax) < 0.3 &&
                             std::abs(baselineX - baselineY) < 1.0,
                         qPrintable(QStringLiteral("page %1 \"%2\": %3,%4-%5,%6 against %7,%8-%9,%10")
                                        .arg(p + 1)
                                        .arg(x.text)
                                        .arg(x.xMin)
                                        .arg(x.yMin)
                                        .arg(x.xMax)
                                        .arg(x.yMax)
                                        .arg(y.xMin)
                                        .arg(y.yMin)
                                        .arg(y.xMax)
                                        .arg(y.yMax)));
            }
        }
    }

    void namesComeOutAsShown_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("accented file") << QStringLiteral("résumé.txt");
        QTest::newRow("capital with cedilla") << QStringLiteral("Ça va.doc");
        QTest::newRow("accented folder") << QStringLiteral("/r/été à Noël");
        QTest::newRow("bytes that are not UTF-8") << QStringLiteral("\\xE9t\\xE9.txt");
        QTest::newRow("title") << QStringLiteral(
            "liste.dat, créé le 04/03/2021 05:06:07, source: /r, masque: *.*");
    }
    void namesComeOutAsShown() {
        if (!havePoppler())
            QSKIP("poppler-utils is not installed");
        QFETCH(QString, text);
        const QString pdf = m_dir.filePath(QStringLiteral("names.pdf"));
        if (!QFile::exists(pdf)) {
            QString error;
            QVERIFY2(print(*m_report, 1, pdf, 1, 0, &error), qPrintable(error));
        }
        const QString extracted =
            run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY2(extracted.contains(text), qPrintable(extracted.right(600)));
    }

    // The folder names are underlined as on the preview; bold lines as dark as the preview's.
    void underlineAndBold_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("nth");
        using K = ListingPagination::LineKind;
        QTest::newRow("first folder") << 1 << int(K::FolderHeader) << 0;
        QTest::newRow("file line") << 1 << int(K::FileLine) << 0;
        QTest::newRow("folder total") << 3 << int(K::FolderTotal) << 0;
        QTest::newRow("second folder") << 3 << int(K::FolderHeader) << 0;
        QTest::newRow("third folder") << 3 << int(K::FolderHeader) << 1;
        QTest::newRow("last folder total") << 3 << int(K::FolderTotal) << 2;
        QTest::newRow("grand total") << 3 << int(K::GrandTotal) << 0;
    }
    void underlineAndBold() {
        if (!havePoppler())
            QSKIP("poppler-utils is not installed");
        QFETCH(int, page);
        QFETCH(int, kind);
        QFETCH(int, nth);
        const ListingPagination pages(m_report->fileCounts(), 1);
        int line = 0;
        for (const ListingPagination::Line& l : pages.pageLines(page)) {
            ++line;
            if (int(l.kind) == kind && nth-- == 0)
                break;
        }
        QVERIFY(nth < 0);
        line += L::kFirstBodyLine - 1;
        const bool underlined = kind == int(ListingPagination::LineKind::FolderHeader);
        const QString pdf = m_dir.filePath(QStringLiteral("marks.pdf"));
        QString error;
        if (!QFile::exists(pdf))
            QVERIFY2(print(*m_report, 1, pdf, 1, 0, &error), qPrintable(error));
        const QImage printed = render(pdf, page, m_dir.filePath(QStringLiteral("marks%1").arg(page)));
        QVERIFY(!printed.isNull());
        // The page as the drawing engine prints it (no rule above the grand total), at 96 dpi.
        const ListingPrinter drawing(*m_report, pages, false);
        QImage shown(ListingPrinter::sheetPixels(), QImage::Format_Grayscale8);
        shown.fill(255);
        {
            QPainter painter(&shown);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(1.0 / L::kTwipsPerPixel, 1.0 / L::kTwipsPerPixel);
            drawing.drawPage(painter, page, false);
        }
        const qint64 shownInk = ink(shown, line), printedInk = ink(printed, line);
        QVERIFY(shownInk > 0);
        QVERIFY2(std::abs(double(printedInk - shownInk)) / double(shownInk) < 0.15,
                 qPrintable(QStringLiteral("%1 %2").arg(printedInk).arg(shownInk)));
        const int shownRun = longestRun(shown, line), printedRun = longestRun(printed, line);
        if (underlined) {
            QVERIFY2(shownRun > 30, qPrintable(QString::number(shownRun)));
            QVERIFY2(std::abs(printedRun - shownRun) <= 2,
                     qPrintable(QStringLiteral("%1 %2").arg(printedRun).arg(shownRun)));
        } else {
            QVERIFY2(printedRun < 10, qPrintable(QString::number(printedRun)));
        }
    }

    // A character the report's fonts lack: the whole job goes through the engine, which falls
    // back on other fonts; nothing is lost and nothing is left beside the file.
    void textTheFontsCannotShow_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Armenian") << QStringLiteral("Երևան.txt");
        QTest::newRow("Japanese") << QStringLiteral("日本語.txt");
    }
    void textTheFontsCannotShow() {
        if (!havePoppler())
            QSKIP("poppler-utils is not installed");
        QFETCH(QString, name);
        const QChar c = name.at(0);
        QVERIFY(!QRawFont::fromFont(ListingPrinter::reportFont()).supportsCharacter(c));
        bool shown = false;
        for (const QString& family : QFontDatabase::families())
            shown = shown || QRawFont::fromFont(QFont(family)).supportsCharacter(c);
        if (!shown)
            QSKIP("no installed font shows this script");
        QTemporaryDir dir;
        const QString cat = dir.filePath(QStringLiteral("etranger.dat"));
        QVERIFY(makeCatalogue(cat, QStringLiteral("/"), QStringLiteral("/c"), {{0, QStringLiteral("/c")}},
                              {file(0, 0, QStringLiteral("avant.txt")), file(1, 0, name),
                               file(2, 0, QStringLiteral("après.txt"))}));
        Database db;
        QVERIFY(db.open(cat, OpenMode::ReadOnly));
        auto report = ListingReport::open(db, 0);
        QVERIFY(report.ok());
        const QString pdf = dir.filePath(QStringLiteral("etranger.pdf"));
        QString error;
        QVERIFY2(print(report.value(), 1, pdf, 1, 1, &error), qPrintable(error));
        QVERIFY(pdfInfo(pdf, QStringLiteral("Producer")) != QStringLiteral("Vambrel"));
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Pages")), QStringLiteral("1"));
        const QString text =
            run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY2(text.contains(name), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("avant.txt")) && text.contains(QStringLiteral("après.txt")));
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.pdf*")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("etranger.pdf")});
    }

    void targetCannotBeCreated() {
        const QString pdf = m_dir.filePath(QStringLiteral("absent/x.pdf"));
        QString error;
        QVERIFY(!print(*m_report, 1, pdf, 1, 0, &error));
        QCOMPARE(error, QStringLiteral("Impossible d'écrire le fichier ") + pdf + QLatin1Char('.'));
        QVERIFY(!print(*m_cjkReport, 1, pdf, 1, 0, &error));
        QCOMPARE(error, QStringLiteral("Impossible d'écrire le fichier ") + pdf + QLatin1Char('.'));
    }

    // A disk that fills while the file is written: a French message, and no file under the
    // target's name nor any temporary beside it.
    void fullDisk_data() {
        QTest::addColumn<bool>("cjk");
        QTest::addColumn<qint64>("room");
        QTest::addColumn<bool>("earlier");
        QTest::addColumn<QString>("message");
        QTest::newRow("no room: the first page") << false << qint64(0) << false << kStopped1;
        QTest::newRow("room for the pages, not the fonts")
            << false << qint64(128 * 1024) << false << kNotFinished;
        QTest::newRow("an earlier file kept") << false << qint64(128 * 1024) << true << kNotFinished;
        QTest::newRow("through the engine") << true << qint64(0) << false << QString();
        QTest::newRow("through the engine, earlier file kept") << true << qint64(0) << true << QString();
    }
    void fullDisk() {
        QFETCH(bool, cjk);
        QFETCH(qint64, room);
        QFETCH(bool, earlier);
        QFETCH(QString, message);
        SmallFileSystem fs(1024 * 1024);
        VAMBREL_REQUIRE_MOUNT(fs);
        const QString pdf = fs.filePath(QStringLiteral("liste.pdf"));
        if (earlier) {
            QFile old(pdf);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("ancien") == 6);
        }
        {
            // Fill the disk up to `room` bytes.
            QFile filler(fs.filePath(QStringLiteral("filler")));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush())
                ;
            filler.close();
            QVERIFY(filler.resize(filler.size() - room));
        }
        QString error;
        QVERIFY(!print(cjk ? *m_cjkReport : *m_report, 1, pdf, 1, 0, &error));
        if (message.isEmpty())
            QVERIFY2(error == kNotFinished || error == kStopped1 ||
                         error == QStringLiteral("Impossible d'écrire le fichier ") + pdf + QLatin1Char('.'),
                     qPrintable(error));
        else
            QCOMPARE(error, message);
        QStringList files{QStringLiteral("filler")};
        if (earlier) {
            files << QStringLiteral("liste.pdf");
            QFile old(pdf);
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("ancien"));
        }
        QCOMPARE(QDir(fs.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), files);
    }

    // The font file is rebuilt with a sorted table directory and exact checksums.
    void trueTypeFromRealFont() {
        const QRawFont raw = QRawFont::fromFont(ListingPrinter::reportFont());
        QVERIFY(raw.isValid());
        const auto font = TrueTypeFont::fromTables([&raw](const char* tag) { return raw.fontTable(tag); });
        QVERIFY(font);
        const QByteArray& f = font->file();
        QVERIFY(font->glyphCount() > 200);
        QVERIFY(font->unitsPerEm() >= 1000);
        QCOMPARE(quint32(quint8(f[0]) << 24 | quint8(f[1]) << 16 | quint8(f[2]) << 8 | quint8(f[3])),
                 0x00010000u);
        QCOMPARE(f.size() % 4, 0);
        QCOMPARE(TrueTypeFont::checksum(f), 0xB1B0AFBAu);
        const int tables = quint8(f[4]) << 8 | quint8(f[5]);
        QByteArray previous;
        for (int i = 0; i < tables; ++i) {
            const QByteArray entry = f.mid(12 + 16 * i, 16);
            const QByteArray tag = entry.left(4);
            QVERIFY(tag > previous);
            previous = tag;
            const auto word = [&entry](int at) {
                return quint32(quint8(entry[at]) << 24 | quint8(entry[at + 1]) << 16 |
                               quint8(entry[at + 2]) << 8 | quint8(entry[at + 3]));
            };
            const quint32 offset = word(8), length = word(12);
            QCOMPARE(offset % 4, 0u);
            QVERIFY(qsizetype(offset + length) <= f.size());
            // The tables as the engine gave them, the head's adjustment apart.
            QByteArray table = f.mid(offset, length), original = raw.fontTable(tag.constData());
            if (tag == "head") {
                table.replace(8, 4, QByteArray(4, '\0'));
                original.replace(8, 4, QByteArray(4, '\0'));
            }
            QCOMPARE(TrueTypeFont::checksum(table), word(4));
            QCOMPARE(table, original);
        }
    }

    // Tables from a damaged or foreign font: no font, so that printing goes through the engine.
    void trueTypeRefusesBadTables_data() {
        QTest::addColumn<QString>("damage");
        QTest::newRow("sound") << QString();
        QTest::newRow("no glyf") << QStringLiteral("glyf");
        QTest::newRow("no loca") << QStringLiteral("loca");
        QTest::newRow("short head") << QStringLiteral("head<");
        QTest::newRow("short hhea") << QStringLiteral("hhea<");
        QTest::newRow("hmtx shorter than its metrics") << QStringLiteral("hmtx<");
        QTest::newRow("loca shorter than the glyphs") << QStringLiteral("loca<");
        QTest::newRow("more metrics than glyphs") << QStringLiteral("metrics>");
        QTest::newRow("unknown offset format") << QStringLiteral("format");
        QTest::newRow("no glyphs") << QStringLiteral("glyphs0");
    }
    void trueTypeRefusesBadTables() {
        QFETCH(QString, damage);
        // Three glyphs, two full metrics, short offsets.
        QByteArray head(54, '\0');
        head.replace(18, 2, be({1000}));
        head.replace(50, 2, be({damage == QStringLiteral("format") ? 2 : 0}));
        QByteArray hhea(36, '\0');
        hhea.replace(4, 4, be({800, -200}));
        hhea.replace(34, 2, be({damage == QStringLiteral("metrics>") ? 4 : 2}));
        QByteArray maxp = be({1, 0, damage == QStringLiteral("glyphs0") ? 0 : 3});
        QByteArray hmtx = be({500, 0, 600, 0, 0});
        QByteArray loca = be({0, 0, 0, 0});
        QByteArray glyf(4, '\0');
        std::map<QByteArray, QByteArray> tables{{"head", head},
                                                {"hhea", hhea},
                                                {"maxp", maxp},
                                                {"hmtx", hmtx},
                                                {"loca", loca},
                                                {"glyf", glyf},
                                                {"name", QByteArray("abc")}};
        if (damage.endsWith(QLatin1Char('<'))) {
            QByteArray& t = tables[damage.left(4).toLatin1()];
            t.chop(t == hmtx ? 3 : 1 + (t == loca ? 1 : 0));
        } else if (damage.size() == 4) {
            tables.erase(damage.toLatin1());
        }
        const auto font = TrueTypeFont::fromTables([&tables](const char* tag) {
            const auto it = tables.find(QByteArray(tag, 4));
            return it == tables.end() ? QByteArray() : it->second;
        });
        QCOMPARE(font.has_value(), damage.isEmpty());
        if (font) {
            QCOMPARE(font->glyphCount(), 3);
            QCOMPARE(font->ascent(), 800);
            QCOMPARE(font->descent(), -200);
            QCOMPARE(TrueTypeFont::checksum(font->file()), 0xB1B0AFBAu);
            QCOMPARE(font->file().size(), 12 + 16 * 7 + 56 + 36 + 8 + 12 + 8 + 4 + 4);
        }
    }

    void checksumPadsTheLastWord_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<quint32>("sum");
        QTest::newRow("empty") << QByteArray() << 0u;
        QTest::newRow("one byte") << QByteArray("\x01", 1) << 0x01000000u;
        QTest::newRow("word and a half") << QByteArray("\x00\x00\x00\x02\x03\x04", 6) << 0x03040002u;
        QTest::newRow("wraps around") << QByteArray("\xFF\xFF\xFF\xFF\x00\x00\x00\x02", 8) << 1u;
    }
    void checksumPadsTheLastWord() {
        QFETCH(QByteArray, data);
        QFETCH(quint32, sum);
        QCOMPARE(TrueTypeFont::checksum(data), sum);
    }
};

QTEST_MAIN(TestListingPdf)
#include "tst_listingpdf.moc"
