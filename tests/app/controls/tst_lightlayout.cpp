#include "controls/LightLayout.h"
#include "controls/TubShading.h"

#include <QtTest>

using namespace vambrel;

class TestLightLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundHalfDown_data();
    void roundHalfDown();
    void lightLength_data();
    void lightLength();
    void fit_data();
    void fit();
    void fitIsFixedPoint();
    void lightRects_data();
    void lightRects();
    void spanRect_data();
    void spanRect();
    void tubScaling_data();
    void tubScaling();
    void tubShape();
};

void TestLightLayout::roundHalfDown_data() {
    QTest::addColumn<qint64>("num");
    QTest::addColumn<qint64>("den");
    QTest::addColumn<int>("expected");
    QTest::newRow("exact") << qint64(90) << qint64(10) << 9;
    QTest::newRow("half goes down") << qint64(95) << qint64(10) << 9;
    QTest::newRow("just above half") << qint64(96) << qint64(10) << 10;
    QTest::newRow("just below half") << qint64(94) << qint64(10) << 9;
    QTest::newRow("zero") << qint64(0) << qint64(10) << 0;
    QTest::newRow("half of one") << qint64(1) << qint64(2) << 0;
    QTest::newRow("three halves") << qint64(3) << qint64(2) << 1;
    QTest::newRow("negative half") << qint64(-1) << qint64(2) << -1;
}

void TestLightLayout::roundHalfDown() {
    QFETCH(qint64, num);
    QFETCH(qint64, den);
    QFETCH(int, expected);
    QCOMPARE(LightLayout::roundHalfDown(num, den), expected);
}

void TestLightLayout::lightLength_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("length");
    QTest::newRow("1") << 1 << 2;  // 1.8
    QTest::newRow("2") << 2 << 4;  // 3.6
    QTest::newRow("3") << 3 << 5;  // 5.4
    QTest::newRow("5") << 5 << 9;  // 9.0
    QTest::newRow("7") << 7 << 13; // 12.6
    QTest::newRow("8") << 8 << 14; // 14.4
    QTest::newRow("255") << 255 << 459;
}

void TestLightLayout::lightLength() {
    QFETCH(int, width);
    QFETCH(int, length);
    QCOMPARE(LightLayout::lightLengthFor(width), length);
    QCOMPARE(LightLayout(width, Qt::Horizontal).lightLength(), length);
}

void TestLightLayout::fit_data() {
    QTest::addColumn<int>("lightWidth");
    QTest::addColumn<int>("vertical");
    QTest::addColumn<QSize>("proposed");
    QTest::addColumn<QSize>("fitted");
    QTest::addColumn<int>("count");

    QTest::newRow("narrow widened to 3 lights") << 5 << 0 << QSize(20, 40) << QSize(23, 13) << 3;
    QTest::newRow("zero width") << 5 << 0 << QSize(0, 0) << QSize(23, 13) << 3;
    QTest::newRow("one below minimum") << 5 << 0 << QSize(22, 13) << QSize(23, 13) << 3;
    QTest::newRow("exactly minimum") << 5 << 0 << QSize(23, 13) << QSize(23, 13) << 3;
    QTest::newRow("one short of 4 lights") << 5 << 0 << QSize(28, 13) << QSize(23, 13) << 3;
    QTest::newRow("exactly 4 lights") << 5 << 0 << QSize(29, 13) << QSize(29, 13) << 4;
    QTest::newRow("100 snaps down") << 5 << 0 << QSize(100, 10) << QSize(95, 13) << 15;
    QTest::newRow("width 1") << 1 << 0 << QSize(50, 10) << QSize(49, 6) << 22;
    QTest::newRow("width 10") << 10 << 0 << QSize(200, 5) << QSize(192, 22) << 17;
    QTest::newRow("vertical swaps") << 5 << 1 << QSize(40, 100) << QSize(13, 95) << 15;
    QTest::newRow("vertical narrow") << 5 << 1 << QSize(40, 10) << QSize(13, 23) << 3;
}

void TestLightLayout::fit() {
    QFETCH(int, lightWidth);
    QFETCH(int, vertical);
    QFETCH(QSize, proposed);
    QFETCH(QSize, fitted);
    QFETCH(int, count);
    LightLayout layout(lightWidth, vertical ? Qt::Vertical : Qt::Horizontal);
    QCOMPARE(layout.fit(proposed), fitted);
    QCOMPARE(layout.size(), fitted);
    QCOMPARE(layout.count(), count);
    // Every light lies inside the control, with 3 pixels after the last one along the bar.
    const QRect all(QPoint(0, 0), fitted);
    for (int i = 0; i < count; ++i)
        QVERIFY2(all.contains(layout.lightRect(i)), qPrintable(QString::number(i)));
    const QRect last = layout.lightRect(count - 1);
    if (vertical)
        QCOMPARE(last.top(), 3);
    else
        QCOMPARE(fitted.width() - 1 - last.right(), 3);
}

void TestLightLayout::fitIsFixedPoint() {
    // The widget resizes itself to the fitted size; fitting that again must change nothing.
    for (int lw : {1, 2, 5, 9, 40}) {
        for (int w = 0; w < 400; w += 7) {
            LightLayout a(lw, Qt::Horizontal);
            const QSize first = a.fit(QSize(w, 3));
            LightLayout b(lw, Qt::Horizontal);
            QCOMPARE(b.fit(first), first);
            QCOMPARE(b.count(), a.count());
            QVERIFY(a.count() >= 3);
        }
    }
}

void TestLightLayout::lightRects_data() {
    QTest::addColumn<int>("vertical");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("h first") << 0 << 0 << QRect(3, 2, 5, 9);
    QTest::newRow("h second") << 0 << 1 << QRect(9, 2, 5, 9);
    QTest::newRow("h last") << 0 << 14 << QRect(87, 2, 5, 9);
    // Vertical bars fill from the bottom.
    QTest::newRow("v first at bottom") << 1 << 0 << QRect(2, 87, 9, 5);
    QTest::newRow("v last at top") << 1 << 14 << QRect(2, 3, 9, 5);
}

void TestLightLayout::lightRects() {
    QFETCH(int, vertical);
    QFETCH(int, index);
    QFETCH(QRect, rect);
    LightLayout layout(5, vertical ? Qt::Vertical : Qt::Horizontal);
    layout.fit(vertical ? QSize(13, 95) : QSize(95, 13));
    QCOMPARE(layout.lightRect(index), rect);
}

void TestLightLayout::spanRect_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("empty") << 4 << 4 << QRect();
    QTest::newRow("reversed") << 5 << 2 << QRect();
    QTest::newRow("one") << 1 << 2 << QRect(9, 2, 5, 9);
    QTest::newRow("all") << 0 << 15 << QRect(3, 2, 89, 9);
    QTest::newRow("clipped to count") << 13 << 99 << QRect(81, 2, 11, 9);
    QTest::newRow("clipped below zero") << -4 << 1 << QRect(3, 2, 5, 9);
}

void TestLightLayout::spanRect() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QRect, rect);
    LightLayout layout(5, Qt::Horizontal);
    layout.fit(QSize(95, 13));
    QCOMPARE(layout.spanRect(from, to), rect);
}

void TestLightLayout::tubScaling_data() {
    QTest::addColumn<QColor>("base");
    QTest::addColumn<double>("factor");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("identity") << QColor(0, 128, 128) << 1.0 << QColor(0, 128, 128);
    QTest::newRow("rounds up") << QColor(0, 128, 127) << 0.5 << QColor(0, 64, 64); // 63.5 -> 64
    QTest::newRow("small fraction rounds up") << QColor(3, 3, 3) << 0.1 << QColor(1, 1, 1);
    QTest::newRow("clamped at 255") << QColor(200, 250, 10) << 1.5 << QColor(255, 255, 15);
    QTest::newRow("zero stays zero") << QColor(0, 0, 0) << 1.9 << QColor(0, 0, 0);
}

void TestLightLayout::tubScaling() {
    QFETCH(QColor, base);
    QFETCH(double, factor);
    QFETCH(QColor, expected);
    QCOMPARE(TubShading::scaled(base, factor), expected);
}

void TestLightLayout::tubShape() {
    // A tube: both edges darker than the brightest line, which lies above the middle.
    const int lines = 16;
    int brightest = 0;
    for (int j = 1; j < lines; ++j)
        if (TubShading::factor(j, lines) > TubShading::factor(brightest, lines))
            brightest = j;
    QVERIFY(brightest > 0 && brightest < lines / 2);
    QVERIFY(TubShading::factor(0, lines) < TubShading::factor(brightest, lines) * 0.7);
    QVERIFY(TubShading::factor(lines - 1, lines) < TubShading::factor(brightest, lines) * 0.7);
    QCOMPARE(TubShading::factor(0, 0), 1.0);
    const QColor c = TubShading::shade(QColor(0, 128, 128), brightest, lines);
    QVERIFY(c.green() > 128);
    QCOMPARE(c.red(), 0);
}

QTEST_MAIN(TestLightLayout)
#include "tst_lightlayout.moc"
