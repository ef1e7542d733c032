// The live file list: its texts and rules apart from the widget, then the control over folders
// built in a temporary folder.

#include "AsOtherUser.h"
#include "NativeName.h"
#include "TestFiles.h"
#include "TextFormat.h"
#include "controls/qvtRepertoire.h"
#include "explorer/ExplorerRules.h"
#include "explorer/FileListTexts.h"
#include "explorer/FileVersionList.h"
#include "explorer/qvtFichier.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vambrel;
using namespace Qt::StringLiterals;
using vambrel::test::makeFile;

namespace {

QStringList texts(const qvtFichier& list, int column = 1) {
    QStringList out;
    for (int i = 1; i <= list.ListItemsCount(); ++i)
        out << list.ItemSubText(i, column);
    return out;
}

void waitListed(const qvtFichier& list) {
    QTRY_VERIFY_WITH_TIMEOUT(!list.listing(), 5000);
}

} // namespace

class TestFileList : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString dir(const QString& name) {
        const QString path = m_tmp.path() + u'/' + name;
        QDir().mkpath(path);
        return path;
    }

private Q_SLOTS:
    void koText_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << qint64(0) << u"0 Ko"_s;
        QTest::newRow("one byte") << qint64(1) << u"1 Ko"_s;
        QTest::newRow("1024") << qint64(1024) << u"1 Ko"_s;
        QTest::newRow("1025") << qint64(1025) << u"2 Ko"_s;
        QTest::newRow("1800") << qint64(1800) << u"2 Ko"_s;
        QTest::newRow("1536000") << qint64(1536000) << u"1 500 Ko"_s;
        QTest::newRow("5 GiB + 1") << qint64(5) * 1024 * 1024 * 1024 + 1 << u"5 242 881 Ko"_s;
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << u"9 007 199 254 740 992 Ko"_s;
        QTest::newRow("negative") << qint64(-5) << u"0 Ko"_s;
    }
    void koText() {
        QFETCH(qint64, size);
        QFETCH(QString, text);
        QCOMPARE(FileListTexts::KoText(size), text);
    }

    void dateTextIsFormatFileDate_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("epoch") << qint64(0);
        QTest::newRow("before 1970") << qint64(-86400 * 400);
        QTest::newRow("2001") << qint64(1'000'000'000);
        QTest::newRow("past 2038") << qint64(1) + 0x7fffffff;
        QTest::newRow("2096") << qint64(4'000'000'000);
        QTest::newRow("summer") << QDateTime(QDate(2020, 7, 1), QTime(23, 59, 59)).toSecsSinceEpoch();
    }
    void dateTextIsFormatFileDate() {
        QFETCH(qint64, seconds);
        QCOMPARE(FileListTexts::DateText(seconds), FormatFileDate(FileTimeFromUnix(seconds)));
    }

    void imageKey_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("key");
        QTest::newRow("shared per extension") << u"a.txt"_s << false << u".txt"_s;
        QTest::newRow("extension as written") << u"B.TXT"_s << false << u".TXT"_s;
        QTest::newRow("program") << u"setup.ExE"_s << false << u"/d/setup.ExE"_s;
        QTest::newRow("no extension") << u"Makefile"_s << false << u"/d/Makefile"_s;
        QTest::newRow("folder") << u"docs.old"_s << true << u"/d/docs.old"_s;
    }
    void imageKey() {
        QFETCH(QString, name);
        QFETCH(bool, folder);
        QFETCH(QString, key);
        QCOMPARE(FileListTexts::ImageKey(QStringLiteral("/d"), name, folder), key);
    }

    void columnClick_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("newKey");
        QTest::addColumn<int>("newOrder");
        QTest::newRow("same column flips") << 1 << 0 << 2 << 1 << 1;
        QTest::newRow("flips back") << 1 << 1 << 2 << 1 << 0;
        QTest::newRow("odd order becomes 0") << 0 << 7 << 1 << 0 << 0;
        QTest::newRow("other column keeps order") << 0 << 1 << 3 << 2 << 1;
    }
    void columnClick() {
        QFETCH(int, key);
        QFETCH(int, order);
        QFETCH(int, column);
        QFETCH(int, newKey);
        QFETCH(int, newOrder);
        const auto sort = ExplorerRules::ColumnClick({key, order}, column);
        QCOMPARE(sort.key, newKey);
        QCOMPARE(sort.order, newOrder);
    }

    void extensionChanged_data() {
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<bool>("changed");
        QTest::newRow("case counts") << u"a.txt"_s << u"a.TXT"_s << true;
        QTest::newRow("same extension") << u"a.txt"_s << u"b.txt"_s << false;
        QTest::newRow("extension added") << u"README"_s << u"README.md"_s << true;
        QTest::newRow("last dot counts") << u"a.tar.gz"_s << u"b.gz"_s << false;
        QTest::newRow("extension removed") << u"a.txt"_s << u"a"_s << true;
    }
    void extensionChanged() {
        QFETCH(QString, oldName);
        QFETCH(QString, newName);
        QFETCH(bool, changed);
        QCOMPARE(ExplorerRules::ExtensionChanged(oldName, newName), changed);
    }

    void columnsAndTotals() {
        const QString d = dir(QStringLiteral("cols"));
        makeFile(d + QStringLiteral("/a.txt"), QByteArray(1025, 'a'));
        makeFile(d + QStringLiteral("/.hidden"), "x");
        QDir().mkdir(d + QStringLiteral("/sub"));
        // A sparse file of more than 4 GiB: its true size, not its low 32 bits.
        const qint64 big = qint64(5) * 1024 * 1024 * 1024 + 1;
        QFile f(d + QStringLiteral("/big.iso"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(big));
        f.close();
        const QDateTime when(QDate(2003, 3, 5), QTime(14, 7, 9));
        makeFile(d + QStringLiteral("/dated.txt"), "", when.toSecsSinceEpoch());

        qvtFichier list;
        list.setSorted(true);
        list.GetFiles(d);
        waitListed(list);
        QCOMPARE(texts(list), (QStringList{u"a.txt"_s, u"big.iso"_s, u"dated.txt"_s}));
        QCOMPARE(texts(list, 2), (QStringList{u"2 Ko"_s, u"5 242 881 Ko"_s, u"0 Ko"_s}));
        QCOMPARE(list.ItemSubText(3, 4), QStringLiteral("05/03/2003 14:07:09"));
        QCOMPARE(list.ItemSubText(1, 3), TypeNames().typeOf(u"a.txt"));
        QCOMPARE(list.FilesSize(), big + 1025);
        QCOMPARE(list.Path(), d);
        QCOMPARE(list.SelectedItem(), 1);

        list.setShowFolders(true); // refills
        waitListed(list);
        QVERIFY(texts(list).contains(QStringLiteral("sub")));
        // Described by its name only, as a plain file.
        QCOMPARE(list.ItemSubText(list.FindItem(QStringLiteral("sub")), 3), QStringLiteral("Fichier"));

        list.setFilter(QStringLiteral("*.TXT")); // stored only
        QCOMPARE(list.ListItemsCount(), 4);
        list.RefreshList();
        waitListed(list);
        QCOMPARE(texts(list), (QStringList{u"a.txt"_s, u"dated.txt"_s}));

        // Sorting is on the text: "2 Ko" comes after "0 Ko", and descending reverses it.
        list.setSortKey(1);
        QCOMPARE(texts(list), (QStringList{u"dated.txt"_s, u"a.txt"_s}));
        list.setSortOrder(1);
        QCOMPARE(texts(list), (QStringList{u"a.txt"_s, u"dated.txt"_s}));
    }

    void sortedWhileListedInChunks() {
        const QString d = dir(u"chunks"_s);
        const QStringList created = {u"m.txt"_s,  u"B.txt"_s, u"a.txt"_s, u"Z.txt"_s, u"c.txt"_s,
                                     u"A.txt"_s,  u"é.txt"_s, u"b.txt"_s, u"y.txt"_s, u"e.txt"_s,
                                     u"10.txt"_s, u"9.txt"_s, u"x.txt"_s};
        for (const QString& name : created)
            makeFile(d + u'/' + name);
        const QStringList ascending = {u"10.txt"_s, u"9.txt"_s, u"A.txt"_s, u"a.txt"_s, u"B.txt"_s,
                                       u"b.txt"_s,  u"c.txt"_s, u"e.txt"_s, u"m.txt"_s, u"x.txt"_s,
                                       u"y.txt"_s,  u"Z.txt"_s, u"é.txt"_s};
        qvtFichier list;
        list.setSorted(true);
        list.setChunkRows(3);
        list.GetFiles(d);
        QVERIFY(list.listing());
        waitListed(list);
        QCOMPARE(texts(list), ascending);

        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());
        list.setSortOrder(1);
        list.RefreshList();
        waitListed(list);
        QCOMPARE(texts(list), descending);

        // A key changed while the list is being filled: the rest comes in the new order.
        list.setSortOrder(0);
        list.GetFiles(d);
        list.setSortKey(1);
        list.setSortKey(0);
        waitListed(list);
        QCOMPARE(texts(list), ascending);
    }

    void imagesPerExtension() {
        const QString d = dir(QStringLiteral("images"));
        for (const char* name : {"one.EXE", "two.exe", "a.txt", "b.txt", "README"})
            makeFile(d + u'/' + QLatin1String(name));
        qvtFichier list;
        list.setView(qvtFichier::Report);
        list.GetFiles(d);
        waitListed(list);
        QCOMPARE(list.ListImages().count(), 4); // one per program, one per bare name, one for .txt
        QCOMPARE(list.ListImages().imageSize(), 16);
        QVERIFY(list.ListImages().indexOf(d + QStringLiteral("/one.EXE")) != 0);
        QVERIFY(list.ListImages().indexOf(QStringLiteral(".txt")) != 0);

        // Report to list keeps the cache; to large icons empties it and lists again.
        list.setView(qvtFichier::ListView);
        QCOMPARE(list.ListImages().count(), 4);
        list.setView(qvtFichier::LargeIcons);
        waitListed(list);
        QCOMPARE(list.ListImages().imageSize(), 32);
        QCOMPARE(list.ListItemsCount(), 5);
    }

    void specialEntriesListedNeverOpened() {
        const QString d = dir(QStringLiteral("special"));
        const QByteArray native = QFile::encodeName(d);
        QCOMPARE(::mkfifo((native + "/pipe").constData(), 0644), 0);
        QCOMPARE(::symlink("/nonexistent/target", (native + "/dangling").constData()), 0);
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(s >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = native + "/sock";
        QVERIFY(size_t(socketPath.size()) < sizeof address.sun_path);
        memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
        QCOMPARE(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(s);

        qvtFichier list;
        list.setSorted(true);
        list.GetFiles(d);
        waitListed(list);
        QCOMPARE(texts(list), (QStringList{u"dangling"_s, u"pipe"_s, u"sock"_s}));
        // The version window's reading does not open a FIFO (it would block) and finds nothing.
        FileVersionList versions(&list);
        for (int i = 1; i <= 3; ++i) {
            list.setSelectedItem(i);
            QVERIFY(versions.activate());
            const auto values = versions.read();
            QVERIFY(std::all_of(values.begin(), values.end(), [](const QString& v) { return v.isEmpty(); }));
        }
    }

    void namesNotUtf8() {
        const QString d = dir(QStringLiteral("latin1"));
        const QByteArray bytes = QFile::encodeName(d) + "/caf\xe9.txt";
        QVERIFY(test::writeBytes(bytes, "x", 1'600'000'000));
        qvtFichier list;
        list.GetFiles(d);
        waitListed(list);
        QCOMPARE(list.ListItemsCount(), 1);
        QCOMPARE(list.ItemText(1), QStringLiteral("caf\\xE9.txt"));
        // The exact name finds the file again.
        QCOMPARE(PathToNative(d + u'/' + list.ItemName(1)), bytes);
        FileVersionList versions(&list);
        QVERIFY(versions.activate());
        QCOMPARE(versions.name(), QStringLiteral("caf\\xE9.txt"));
        QCOMPARE(PathToNative(versions.path()), bytes);
        QCOMPARE(::unlink(bytes.constData()), 0); // QDir cannot name it to clean up
    }

    void unreadableFolderAsOtherUser() {
        const QString d = dir(QStringLiteral("locked"));
        makeFile(d + QStringLiteral("/inside.txt"));
        QVERIFY(::chmod(QFile::encodeName(d).constData(), 0700) == 0);
        QVERIFY(::chmod(QFile::encodeName(m_tmp.path()).constData(), 0755) == 0);
        const auto result = test::RunAsNobody([&d] {
            qvtFichier list;
            list.GetFiles(d);
            return QByteArray::number(list.ListItemsCount()) + '|' + QFile::encodeName(list.Path()) + '|' +
                   (list.listing() ? "listing" : "done");
        });
        QVERIFY(result.has_value());
        QCOMPARE(*result, QByteArray("0|") + QFile::encodeName(d) + "|done");
    }

    void folderVanishesWhileListed() {
        const QString d = dir(QStringLiteral("vanishing"));
        for (int i = 0; i < 50; ++i)
            makeFile(d + QStringLiteral("/f%1.txt").arg(i));
        qvtFichier list;
        list.setChunkRows(5);
        list.GetFiles(d);
        QVERIFY(list.listing());
        QCOMPARE(list.ListItemsCount(), 5);
        QVERIFY(QDir(d).removeRecursively());
        waitListed(list);
        QVERIFY(list.ListItemsCount() <= 50);
        QCOMPARE(list.Path(), d);
        list.RefreshList();
        QVERIFY(!list.listing());
        QCOMPARE(list.ListItemsCount(), 0);
    }

    void arrowKeyInTreeCutsListingShort() {
        const QString d = dir(QStringLiteral("long"));
        for (int i = 0; i < 100; ++i)
            makeFile(d + QStringLiteral("/f%1.txt").arg(i));
        QWidget host;
        auto* tree = new qvtRepertoire(&host);
        tree->setObjectName(QStringLiteral("qvtRep"));
        auto* list = new qvtFichier(&host);
        list->setParentTree(QStringLiteral("qvtRep"));
        list->setChunkRows(10);
        list->GetFiles(d);
        QVERIFY(list->listing());
        QTest::keyClick(tree->treRep(), Qt::Key_Right); // any other key lets it go on
        QVERIFY(list->listing());
        QTest::keyClick(tree->treRep(), Qt::Key_Down);
        QVERIFY(!list->listing());
        QVERIFY(list->cutShort());
        QCoreApplication::processEvents();
        QCOMPARE(list->ListItemsCount(), 10);
        QCOMPARE(list->SelectedItem(), 1);

        // Without a parent tree a new listing abandons the one under way.
        list->setParentTree(QString());
        list->GetFiles(d);
        QVERIFY(list->listing());
        list->GetFiles(dir(QStringLiteral("empty")));
        QVERIFY(!list->listing());
        QCoreApplication::processEvents();
        QCOMPARE(list->ListItemsCount(), 0);
    }

    void propertiesRoundTrip() {
        qvtFichier list;
        list.setFilter(QStringLiteral("*.doc"));
        list.setColTypeWidth(3000);
        list.setView(qvtFichier::Report);
        list.setParentTree(QStringLiteral("qvtRep"));
        list.setSortKey(2);
        list.setMultiSelect(true);
        list.setEnabled(true);
        const QString d = dir(QStringLiteral("props"));
        makeFile(d + QStringLiteral("/x.doc"));
        list.GetFiles(d);
        waitListed(list);
        PropertyBag bag;
        list.WriteProperties(bag);

        qvtFichier copy;
        copy.ReadProperties(bag);
        QCOMPARE(copy.Filter(), QStringLiteral("*.doc"));
        QCOMPARE(copy.ColTypeWidth(), 3000);
        QCOMPARE(copy.ColNameWidth(), 2300);
        QCOMPARE(copy.View(), int(qvtFichier::Report));
        QCOMPARE(copy.ParentTree(), QStringLiteral("qvtRep"));
        QCOMPARE(copy.SortKey(), 2);
        QVERIFY(copy.MultiSelect());
        QVERIFY(copy.Enabled());
        QCOMPARE(copy.Path(), d);
        QCOMPARE(copy.ListItemsCount(), 0); // reading does not list

        qvtFichier fresh;
        fresh.ReadProperties(PropertyBag());
        QCOMPARE(fresh.Filter(), QStringLiteral("*.*"));
        QVERIFY(!fresh.Enabled());
        QCOMPARE(fresh.View(), int(qvtFichier::LargeIcons));
    }
};

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
