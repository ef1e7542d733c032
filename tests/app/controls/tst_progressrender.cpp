#include "controls/LightPalette.h"
#include "controls/LightProgress.h"
#include "controls/TubProgress.h"
#include "controls/TubShading.h"

#include <QHBoxLayout>
#include <QPaintEvent>
#include <QtTest>

using namespace vambrel;

namespace {

QImage paint(QWidget& w) {
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    w.render(&image);
    return image;
}

QColor centre(const QImage& image, const QRect& r) {
    return image.pixelColor(r.center());
}

// Records the rectangles that paint events ask for.
template <typename Bar> class Recorder : public Bar {
public:
    QList<QRect> rects;

protected:
    void paintEvent(QPaintEvent* event) override {
        rects << event->rect();
        Bar::paintEvent(event);
    }
};

} // namespace

class TestProgressRender : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void narrowBarWidened();
    void snapsInsideLayout();
    void lightsOnAndOff_data();
    void lightsOnAndOff();
    void verticalLightsFromBottom();
    void designModePaintsNoLights();
    void lightRedrawOnlyChangedSpan();
    void tubFill_data();
    void tubFill();
    void tubRedrawOnlyChangedStrip();
    void bagRoundTrip();
    void bagBadValuesFallBack();
    void clickEvent();
};

void TestProgressRender::narrowBarWidened() {
    LightProgress bar;
    bar.resize(20, 30);
    QCOMPARE(bar.layout().count(), 3); // a hidden bar snaps on its next use
    QCOMPARE(bar.size(), QSize(23, 13));
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.resize(100, 13); // a shown bar snaps on the resize event
    QCOMPARE(bar.size(), QSize(95, 13));
    QCOMPARE(bar.layout().count(), 15);
    bar.setLightWidth(9);
    QCOMPARE(bar.size(), QSize(95, 20)); // (95-5)/10 = 9 lights: 95 wide, 9×1.8=16.2 -> 16 +4 high
    QCOMPARE(bar.layout().count(), 9);
}

void TestProgressRender::snapsInsideLayout() {
    // A layout that offers a size off the light grid must not start a resize tug of war.
    QWidget window;
    auto* box = new QHBoxLayout(&window);
    auto* bar = new LightProgress;
    box->addWidget(bar);
    window.resize(207, 60);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE((bar->width() - 5) % 6, 0);
    int resizes = 0;
    struct Counter : QObject {
        int* n;
        explicit Counter(int* count) : n(count) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Resize || e->type() == QEvent::LayoutRequest)
                ++*n;
            return false;
        }
    } counter(&resizes);
    bar->installEventFilter(&counter);
    window.installEventFilter(&counter);
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    QCOMPARE(resizes, 0);
    QCOMPARE(bar->height(), 13);
}

void TestProgressRender::lightsOnAndOff_data() {
    QTest::addColumn<int>("palette");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    for (int p = 0; p < LightPalette::Count; ++p) {
        QTest::newRow(qPrintable(QStringLiteral("palette %1 0..100").arg(p))) << p << 0 << 100;
        QTest::newRow(qPrintable(QStringLiteral("palette %1 7..8").arg(p))) << p << 7 << 8;
    }
}

void TestProgressRender::lightsOnAndOff() {
    QFETCH(int, palette);
    QFETCH(int, min);
    QFETCH(int, max);
    LightProgress bar;
    bar.resize(100, 13);
    bar.setLightColor(palette);
    bar.setMax(max);
    bar.setMin(min);
    const LightPalette colours = LightPalette::forIndex(palette);
    const int n = bar.layout().count();

    bar.setValue(max); // one step from Min to Max
    QCOMPARE(bar.litCount(), n);
    QImage image = paint(bar);
    for (int i = 0; i < n; ++i) {
        QCOMPARE(centre(image, bar.layout().lightRect(i)), colours.litFace);
        QCOMPARE(image.pixelColor(bar.layout().lightRect(i).topLeft()), colours.unlitFace); // lit edge
    }
    QCOMPARE(image.pixelColor(0, 0), QColor(0xC0, 0xC0, 0xC0)); // background between lights

    bar.setValue(min);
    QCOMPARE(bar.litCount(), 0);
    image = paint(bar);
    for (int i = 0; i < n; ++i) {
        const QRect r = bar.layout().lightRect(i);
        QCOMPARE(centre(image, r), colours.unlitFace);
        QCOMPARE(image.pixelColor(r.topLeft()), colours.unlitHighlight);
        QCOMPARE(image.pixelColor(r.bottomRight()), QColor(Qt::black));
    }
}

void TestProgressRender::verticalLightsFromBottom() {
    LightProgress bar;
    bar.setOrientation(1);
    bar.resize(13, 95);
    QCOMPARE(bar.size(), QSize(13, 95));
    bar.setValue(10); // 10% of 15 lights, rounded up: 2
    QCOMPARE(bar.litCount(), 2);
    const QImage image = paint(bar);
    const QColor lit = LightPalette::forIndex(0).litFace;
    QCOMPARE(image.pixelColor(6, 89), lit); // bottom light
    QCOMPARE(image.pixelColor(6, 83), lit);
    QVERIFY(image.pixelColor(6, 77) != lit);
    QVERIFY(image.pixelColor(6, 5) != lit);
}

void TestProgressRender::designModePaintsNoLights() {
    LightProgress bar;
    bar.resize(95, 13);
    bar.setValue(100);
    bar.setDesignMode(true);
    const QImage image = paint(bar);
    for (int i = 0; i < bar.layout().count(); ++i)
        QCOMPARE(centre(image, bar.layout().lightRect(i)), QColor(0xC0, 0xC0, 0xC0));
}

void TestProgressRender::lightRedrawOnlyChangedSpan() {
    Recorder<LightProgress> bar;
    bar.resize(95, 13);
    bar.setValue(20); // 3 lights
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QTRY_VERIFY(!bar.rects.isEmpty());
    bar.rects.clear();

    bar.setValue(40); // 6 lights: lights 3..5 change
    QTRY_COMPARE(bar.rects.size(), 1);
    QCOMPARE(bar.rects.first(), bar.layout().spanRect(3, 6));
    bar.rects.clear();

    bar.setValue(39); // still 6 lights: nothing repainted
    bar.setValue(10); // back to 2 lights: lights 2..5 change
    QTRY_COMPARE(bar.rects.size(), 1);
    QCOMPARE(bar.rects.first(), bar.layout().spanRect(2, 6));
}

void TestProgressRender::tubFill_data() {
    QTest::addColumn<int>("border");
    QTest::addColumn<int>("vertical");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("filled");
    // 150×20, border 2: inner 146 long, track 144.
    QTest::newRow("empty") << 2 << 0 << 0 << 0;
    QTest::newRow("one rounds up") << 2 << 0 << 1 << 2; // 1.44 -> 2
    QTest::newRow("half") << 2 << 0 << 50 << 72;
    QTest::newRow("full") << 2 << 0 << 100 << 144;
    QTest::newRow("no border full") << 0 << 0 << 100 << 148;
    QTest::newRow("single border") << 1 << 0 << 100 << 146;
    // Vertical 20×150 fills from the bottom.
    QTest::newRow("vertical half") << 2 << 1 << 50 << 72;
}

void TestProgressRender::tubFill() {
    QFETCH(int, border);
    QFETCH(int, vertical);
    QFETCH(int, value);
    QFETCH(int, filled);
    TubProgress bar;
    bar.setBorderStyle(border);
    bar.setOrientation(vertical);
    bar.resize(vertical ? QSize(20, 150) : QSize(150, 20));
    bar.setValue(value);
    QCOMPARE(bar.filledLength(), filled);

    const QImage image = paint(bar);
    const QRect inner = bar.innerRect();
    const int lines = (vertical ? inner.width() : inner.height()) - 2;
    const QColor back(0xC0, 0xC0, 0xC0);
    // Along the middle line: filled pixels carry the middle shade, the rest the background.
    const int mid = lines / 2;
    const QColor shade = TubShading::shade(QColor(0, 128, 128), mid, lines);
    for (int k = 0; k < bar.trackLength(); ++k) {
        const QPoint p = vertical ? QPoint(inner.left() + 1 + mid, inner.bottom() - 1 - k)
                                  : QPoint(inner.left() + 1 + k, inner.top() + 1 + mid);
        QCOMPARE(image.pixelColor(p), k < filled ? shade : back);
    }
    if (filled > 0) {
        // Each line across the bar has its own shade.
        const QRect f = bar.fillRect(0, filled);
        for (int j = 0; j < lines; ++j) {
            const QPoint p = vertical ? QPoint(f.left() + j, f.bottom()) : QPoint(f.left(), f.top() + j);
            QCOMPARE(image.pixelColor(p), TubShading::shade(QColor(0, 128, 128), j, lines));
        }
    }
}

void TestProgressRender::tubRedrawOnlyChangedStrip() {
    Recorder<TubProgress> bar;
    bar.resize(150, 20);
    bar.setValue(25);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QTRY_VERIFY(!bar.rects.isEmpty());
    bar.rects.clear();
    bar.setValue(50); // 36 -> 72
    QTRY_COMPARE(bar.rects.size(), 1);
    QCOMPARE(bar.rects.first(), bar.fillRect(36, 72));
    bar.rects.clear();
    bar.setValue(0); // shrinking repaints the strip in the background colour
    QTRY_COMPARE(bar.rects.size(), 1);
    QCOMPARE(bar.rects.first(), bar.fillRect(0, 72));
}

void TestProgressRender::bagRoundTrip() {
    LightProgress a;
    a.setMax(500);
    a.setMin(200);
    a.setLightColor(3);
    a.setLightWidth(7);
    a.setBorderStyle(1);
    a.setOrientation(1);
    a.setBackColor(QColor(1, 2, 3));
    a.setMousePointer(11);
    a.setOLEDropMode(1);
    PropertyBag bag;
    a.WriteProperties(bag);
    QCOMPARE(bag.readProperty(QStringLiteral("LightWidth")).toInt(), 7);
    QCOMPARE(bag.readProperty(QStringLiteral("Min")).toInt(), 200);

    // Max 500 before Min 200 would be refused one by one from the defaults; the bag restores both.
    LightProgress b;
    b.ReadProperties(bag);
    QCOMPARE(b.Min(), 200);
    QCOMPARE(b.Max(), 500);
    QCOMPARE(b.Value(), 200);
    QCOMPARE(b.LightColor(), 3);
    QCOMPARE(b.LightWidth(), 7);
    QCOMPARE(b.BorderStyle(), 1);
    QCOMPARE(b.Orientation(), 1);
    QCOMPARE(b.BackColor(), QColor(1, 2, 3));
    QCOMPARE(b.MousePointer(), 11);
    QCOMPARE(b.OLEDropMode(), 1);
    QVERIFY(b.acceptDrops());
    PropertyBag again;
    b.WriteProperties(again);
    QCOMPARE(again.names(), bag.names());
    for (const QString& name : bag.names())
        if (name != QLatin1String("MouseIcon")) // pixmaps do not compare
            QCOMPARE(again.readProperty(name), bag.readProperty(name));

    b.InitProperties();
    QCOMPARE(b.Max(), 100);
    QCOMPARE(b.LightWidth(), 5);
    QCOMPARE(b.BorderStyle(), 0);
    QVERIFY(!b.acceptDrops());

    TubProgress t;
    t.setForeColor(QColor(9, 8, 7));
    PropertyBag tubBag;
    t.WriteProperties(tubBag);
    TubProgress u;
    u.ReadProperties(tubBag);
    QCOMPARE(u.ForeColor(), QColor(9, 8, 7));
    QCOMPARE(u.BorderStyle(), 2);
}

void TestProgressRender::bagBadValuesFallBack() {
    PropertyBag bag;
    bag.writeProperty(QStringLiteral("Min"), 50);
    bag.writeProperty(QStringLiteral("Max"), 50); // Min = Max breaks the rule
    bag.writeProperty(QStringLiteral("LightColor"), 9);
    bag.writeProperty(QStringLiteral("LightWidth"), QStringLiteral("large"));
    bag.writeProperty(QStringLiteral("BorderStyle"), 7);
    bag.writeProperty(QStringLiteral("MousePointer"), 42);
    bag.writeProperty(QStringLiteral("BackColor"), QStringLiteral("not a colour"));
    LightProgress bar;
    bar.ReadProperties(bag);
    QCOMPARE(bar.Min(), 0);
    QCOMPARE(bar.Max(), 100);
    QCOMPARE(bar.LightColor(), 0);
    QCOMPARE(bar.LightWidth(), 5);
    QCOMPARE(bar.BorderStyle(), 0);
    QCOMPARE(bar.MousePointer(), 0);
    QCOMPARE(bar.BackColor(), QColor(0xC0, 0xC0, 0xC0));
}

void TestProgressRender::clickEvent() {
    TubProgress bar;
    bar.resize(150, 20);
    QSignalSpy down(&bar, &ProgressControl::MouseDown);
    QSignalSpy click(&bar, &ProgressControl::Click);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 5));
    QCOMPARE(down.size(), 1);
    QCOMPARE(down.first(), (QList<QVariant>{1, 1, 10, 5}));
    QCOMPARE(click.size(), 1);
}

QTEST_MAIN(TestProgressRender)
#include "tst_progressrender.moc"
