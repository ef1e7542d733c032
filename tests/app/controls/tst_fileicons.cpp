#include "controls/FileIcons.h"
#include "controls/ImageList.h"

#include <QPainter>
#include <QTest>

using namespace vambrel;

namespace {

QIcon colouredIcon(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

} // namespace

class TestFileIcons : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void iconIndex_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("indexes");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("one extension in two cases")
            << QStringList{QStringLiteral("a.TXT"), QStringLiteral("b.txt")} << QList<int>{1, 1}
            << QStringList{QStringLiteral(".TXT")};
        QTest::newRow("names without extension")
            << QStringList{QStringLiteral("README"), QStringLiteral("Makefile"), QStringLiteral("README")}
            << QList<int>{1, 2, 1} << QStringList{QStringLiteral("README"), QStringLiteral("Makefile")};
        QTest::newRow("mixed") << QStringList{QStringLiteral("x.dat"), QStringLiteral("y.tar.gz"),
                                              QStringLiteral("z.GZ"), QStringLiteral("w.Dat")}
                               << QList<int>{1, 2, 2, 1}
                               << QStringList{QStringLiteral(".DAT"), QStringLiteral(".GZ")};
    }
    void iconIndex() {
        QFETCH(QStringList, names);
        QFETCH(QList<int>, indexes);
        QFETCH(QStringList, keys);
        ImageList images;
        const Qt::GlobalColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        for (qsizetype i = 0; i < names.size(); ++i)
            QCOMPARE(GetIconIndex(colouredIcon(colours[i % 4]), names[i], images), indexes[i]);
        QCOMPARE(images.count(), keys.size());
        for (qsizetype i = 0; i < keys.size(); ++i)
            QCOMPARE(images.key(int(i) + 1), keys[i]);
    }

    void iconIndexKeepsFirstIcon() {
        ImageList images;
        QCOMPARE(GetIconIndex(colouredIcon(Qt::red), u"a.TXT", images), 1);
        QCOMPARE(GetIconIndex(colouredIcon(Qt::blue), u"b.txt", images), 1);
        const QImage image = images.icon(1).pixmap(16, 16).toImage();
        QCOMPARE(image.pixelColor(8, 8), QColor(Qt::red));
    }

    void iconIndexFailures() {
        ImageList images;
        QCOMPARE(GetIconIndex(QIcon(), u"a.txt", images), 0);
        QCOMPARE(images.count(), 0);
        QVERIFY(IconToPicture(QIcon()).isNull());
        QVERIFY(!IconToPicture(colouredIcon(Qt::red)).isNull());
        QVERIFY(images.icon(0).isNull());
        QVERIFY(images.icon(1).isNull());
        // A null icon does not block the key: a later real icon still gets an image.
        QCOMPARE(GetIconIndex(colouredIcon(Qt::red), u"b.txt", images), 1);
    }
};

QTEST_MAIN(TestFileIcons)
#include "tst_fileicons.moc"
