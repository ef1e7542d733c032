#include "catalogue/FolderTreeBuilder.h"

#include <QTest>

using namespace vambrel;

namespace {

// The tree as "parent-text>text:image" per node, in order; the parent's text is "-" at the top.
QString shape(const FolderTreeBuilder& b) {
    QStringList parts;
    for (const auto& node : b.nodes()) {
        const QString parent = node.parent < 0 ? QStringLiteral("-") : b.nodes()[size_t(node.parent)].text;
        parts << parent + QLatin1Char('>') + node.text + QLatin1Char(':') + QString::number(node.image);
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestFolderTree : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void build_data() {
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QStringList>("start");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<int>("skipped");

        QTest::newRow("prefix is not a parent")
            << QStringLiteral("/home/") << QStringList{QStringLiteral("/home/Data")}
            << QStringList{QStringLiteral("/home/Data"), QStringLiteral("/home/Data/Sub"),
                           QStringLiteral("/home/Data/Subway")}
            << QStringLiteral("->Data:4 Data>Sub:4 Data>Subway:4") << 0;
        QTest::newRow("deeper folder after a sibling")
            << QStringLiteral("/home/") << QStringList{QStringLiteral("/home/Data")}
            << QStringList{QStringLiteral("/home/Data"), QStringLiteral("/home/Data/Sub"),
                           QStringLiteral("/home/Data/Subway"), QStringLiteral("/home/Data/Sub/Deep")}
            << QStringLiteral("->Data:4 Data>Sub:4 Data>Subway:4 Sub>Deep:4") << 0;
        QTest::newRow("whole computer: drives on top")
            << QStringLiteral("Poste de travail")
            << QStringList{QStringLiteral("/"), QStringLiteral("/media/USB")}
            << QStringList{QStringLiteral("/"), QStringLiteral("/media"), QStringLiteral("/media/USB"),
                           QStringLiteral("/media/USB/Photos"), QStringLiteral("/usr")}
            << QStringLiteral("->/:1 />media:4 ->/media/USB:1 /media/USB>Photos:4 />usr:4") << 0;
        QTest::newRow("missing parent left out, the rest built")
            << QStringLiteral("/") << QStringList{QStringLiteral("/a")}
            << QStringList{QStringLiteral("/a"), QStringLiteral("/a/b/c"), QStringLiteral("/a/d")}
            << QStringLiteral("->a:4 a>d:4") << 1;
        QTest::newRow("start folder outside the origin keeps its path")
            << QStringLiteral("/srv/") << QStringList{QStringLiteral("/opt/x"), QStringLiteral("/srv/y")}
            << QStringList{QStringLiteral("/opt/x"), QStringLiteral("/opt/x/z"), QStringLiteral("/srv/y")}
            << QStringLiteral("->/opt/x:4 /opt/x>z:4 ->y:4") << 0;
        QTest::newRow("unsorted rows still find their parent")
            << QStringLiteral("/") << QStringList{QStringLiteral("/p")}
            << QStringList{QStringLiteral("/p"), QStringLiteral("/p/a"), QStringLiteral("/p/b"),
                           QStringLiteral("/p/a/x")}
            << QStringLiteral("->p:4 p>a:4 p>b:4 a>x:4") << 0;
    }
    void build() {
        QFETCH(QString, origin);
        QFETCH(QStringList, start);
        QFETCH(QStringList, folders);
        FolderTreeBuilder b(origin, start);
        qint64 num = 0;
        for (const QString& f : folders)
            b.addFolder(num++, f);
        QTEST(shape(b), "tree");
        QTEST(b.skipped(), "skipped");
    }

    // Parents found by path long after they were added, the nodes having moved in memory many
    // times since (with and without room made first); a path given twice parents by its later node.
    void parentsFoundLater_data() {
        QTest::addColumn<bool>("reserve");
        QTest::newRow("nodes grown one by one") << false;
        QTest::newRow("room made first") << true;
    }
    void parentsFoundLater() {
        QFETCH(bool, reserve);
        FolderTreeBuilder b(QStringLiteral("/"), {QStringLiteral("/p")});
        if (reserve)
            b.reserve(3004);
        QCOMPARE(b.addFolder(0, QStringLiteral("/p")), 0);
        for (int i = 1; i <= 3000; ++i)
            QCOMPARE(b.addFolder(i, QStringLiteral("/p/d%1").arg(i)), i);
        const int twice = b.addFolder(3001, QStringLiteral("/p/d7"));
        QCOMPARE(b.addFolder(3002, QStringLiteral("/p/d1/x")), 3002);
        QCOMPARE(b.nodes()[3002].parent, 1);
        QCOMPARE(b.addFolder(3003, QStringLiteral("/p/d7/y")), 3003);
        QCOMPARE(b.nodes()[3003].parent, twice);
        QCOMPARE(b.nodes()[3003].text, QStringLiteral("y"));
        QCOMPARE(b.skipped(), 0);
        const auto nodes = b.takeNodes();
        QCOMPARE(nodes.size(), size_t(3004));
        QVERIFY(b.nodes().empty());
    }

    void keys() {
        FolderTreeBuilder b(QStringLiteral("/"), {QStringLiteral("/a")});
        QCOMPARE(b.addFolder(17, QStringLiteral("/a")), 0);
        QCOMPARE(b.nodes()[0].key, QStringLiteral("R17"));
        QCOMPARE(b.nodes()[0].selectedImage, int(FolderTreeBuilder::OpenFolderImage));
        QCOMPARE(FolderTreeBuilder::numberOfKey(QStringLiteral("R17")), qint64(17));
        QCOMPARE(FolderTreeBuilder::numberOfKey(QStringLiteral("R")), qint64(-1));
        QCOMPARE(FolderTreeBuilder::numberOfKey(QStringLiteral("X17")), qint64(-1));
        QCOMPARE(FolderTreeBuilder::numberOfKey(QStringLiteral("R1x")), qint64(-1));
    }
};

QTEST_APPLESS_MAIN(TestFolderTree)
#include "tst_foldertree.moc"
