#include "controls/SplitterLayout.h"
#include "controls/cVSplitter.h"

#include <QFrame>
#include <QMouseEvent>
#include <QTimer>
#include <QtTest>

using namespace vambrel;

namespace {

// A parent window with a bar and two panes, attached to a splitter.
struct Window {
    QWidget parent;
    QWidget* left = new QWidget(&parent);
    QWidget* right = new QWidget(&parent);
    QFrame* bar = new QFrame(&parent);
    cVSplitter splitter;

    explicit Window(QSize size = QSize(400, 300), int barX = 100) {
        parent.resize(size);
        bar->setGeometry(barX, 0, 3, 10);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QVERIFY(splitter.SetControls(bar, left, right, &parent));
    }

    void mouse(QEvent::Type type, int xInParent, Qt::MouseButtons buttons) {
        const QPointF local(xInParent - bar->x(), 5);
        QMouseEvent e(type, local, bar->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &e);
    }
    void press(int x) { mouse(QEvent::MouseButtonPress, x, Qt::LeftButton); }
    void move(int x) { mouse(QEvent::MouseMove, x, Qt::LeftButton); }
    void release(int x) { mouse(QEvent::MouseButtonRelease, x, Qt::NoButton); }
};

} // namespace

class TestSplitter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void minPaneWidth_data();
    void minPaneWidth();
    void clamp_data();
    void clamp();
    void geometry_data();
    void geometry();
    void proportionFollowsResize_data();
    void proportionFollowsResize();
    void tooLowLeavesPanes();
    void zeroWidthClient();
    void setControlsRefusesNonWidgets_data();
    void setControlsRefusesNonWidgets();
    void attachLaysOut();
    void resizeMovesBar();
    void propertySetters();
    void drag_data();
    void drag();
    void pressWithoutMoveKeepsPosition();
    void escapeEndsDrag_data();
    void escapeEndsDrag();
    void tooLowParentKeepsPanes();
    void parentDestroyedFirst();
};

void TestSplitter::minPaneWidth_data() {
    QTest::addColumn<int>("barWidth");
    QTest::addColumn<int>("minTrack");
    QTest::addColumn<int>("expected");
    QTest::newRow("default bar") << 0 << 112 << 50;     // (112 - (8 + 3)) / 2 = 50 (integer)
    QTest::newRow("bar 4") << 4 << 112 << 50;           // (112 - 12) / 2
    QTest::newRow("bar 5 truncates") << 5 << 112 << 49; // 99 / 2
    QTest::newRow("tiny track") << 3 << 5 << 0;         // never negative
}

void TestSplitter::minPaneWidth() {
    QFETCH(int, barWidth);
    QFETCH(int, minTrack);
    QFETCH(int, expected);
    SplitterLayout l(4, 1, minTrack);
    l.setBarWidth(barWidth);
    QCOMPARE(l.barWidth(), barWidth == 0 ? 3 : barWidth);
    QCOMPARE(l.minPaneWidth(), expected);
}

void TestSplitter::clamp_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("client");
    QTest::addColumn<int>("expected");
    // min pane 50, bar 3: x in [50, client - 53]
    QTest::newRow("inside") << 200 << 400 << 200;
    QTest::newRow("left edge") << 50 << 400 << 50;
    QTest::newRow("beyond left") << 10 << 400 << 50;
    QTest::newRow("negative") << -300 << 400 << 50;
    QTest::newRow("right edge") << 347 << 400 << 347;
    QTest::newRow("beyond right") << 348 << 400 << 347;
    QTest::newRow("far right") << 5000 << 400 << 347;
    QTest::newRow("too narrow keeps left pane") << 10 << 60 << 50;
}

void TestSplitter::clamp() {
    QFETCH(int, x);
    QFETCH(int, client);
    QFETCH(int, expected);
    SplitterLayout l;
    QCOMPARE(l.clamp(x, client), expected);
}

void TestSplitter::geometry_data() {
    QTest::addColumn<QSize>("client");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("border");
    QTest::addColumn<int>("barLeft");
    QTest::addColumn<QRect>("left");
    QTest::addColumn<QRect>("right");
    QTest::addColumn<QRect>("bar");
    QTest::newRow("plain") << QSize(400, 300) << 0 << 0 << false << 100 << QRect(0, 0, 100, 300)
                           << QRect(103, 0, 297, 300) << QRect(100, 0, 3, 300);
    QTest::newRow("margins") << QSize(400, 300) << 30 << 20 << false << 100 << QRect(0, 30, 100, 250)
                             << QRect(103, 30, 297, 250) << QRect(100, 30, 3, 250);
    QTest::newRow("border allowance") << QSize(400, 300) << 0 << 0 << true << 100 << QRect(0, 0, 101, 300)
                                      << QRect(102, 0, 298, 300) << QRect(100, 0, 3, 300);
    QTest::newRow("bar clamped from left") << QSize(400, 300) << 0 << 0 << false << 5 << QRect(0, 0, 50, 300)
                                           << QRect(53, 0, 347, 300) << QRect(50, 0, 3, 300);
    QTest::newRow("exact height") << QSize(400, 50) << 30 << 20 << false << 100 << QRect(0, 30, 100, 0)
                                  << QRect(103, 30, 297, 0) << QRect(100, 30, 3, 0);
    QTest::newRow("too narrow") << QSize(60, 100) << 0 << 0 << false << 100 << QRect(0, 0, 50, 100)
                                << QRect(53, 0, 7, 100) << QRect(50, 0, 3, 100);
    QTest::newRow("narrower than a pane") << QSize(30, 100) << 0 << 0 << false << 100 << QRect(0, 0, 50, 100)
                                          << QRect(53, 0, 0, 100) << QRect(50, 0, 3, 100);
}

void TestSplitter::geometry() {
    QFETCH(QSize, client);
    QFETCH(int, top);
    QFETCH(int, offset);
    QFETCH(bool, border);
    QFETCH(int, barLeft);
    QFETCH(QRect, left);
    QFETCH(QRect, right);
    QFETCH(QRect, bar);
    SplitterLayout l;
    l.setTop(top);
    l.setHeightOffset(offset);
    l.setParentHasClientEdgeAndBorder(border);
    const auto g = l.layout(client, barLeft);
    QVERIFY(g.has_value());
    QCOMPARE(g->left, left);
    QCOMPARE(g->right, right);
    QCOMPARE(g->bar, bar);
    QCOMPARE(l.left(), bar.x());
}

void TestSplitter::proportionFollowsResize_data() {
    QTest::addColumn<int>("barLeft");
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<QList<int>>("lefts");
    QTest::newRow("400 to 800") << 100 << QList<int>{400, 800} << QList<int>{100, 200};
    QTest::newRow("thirds round") << 100 << QList<int>{300, 600, 301} << QList<int>{100, 200, 100};
    // Shrinking clamps Left but keeps the proportion: widening again restores the split.
    QTest::newRow("clamp then restore") << 300 << QList<int>{400, 120, 400} << QList<int>{300, 67, 300};
    QTest::newRow("left clamp then restore") << 60 << QList<int>{400, 200, 800} << QList<int>{60, 50, 120};
}

void TestSplitter::proportionFollowsResize() {
    QFETCH(int, barLeft);
    QFETCH(QList<int>, widths);
    QFETCH(QList<int>, lefts);
    SplitterLayout l;
    for (int i = 0; i < widths.size(); ++i) {
        const auto g = l.layout(QSize(widths[i], 100), barLeft);
        QVERIFY(g.has_value());
        QCOMPARE(g->bar.x(), lefts[i]);
    }
    QCOMPARE(l.proportion(), float(barLeft) / float(widths.first()));
}

void TestSplitter::tooLowLeavesPanes() {
    SplitterLayout l;
    l.setTop(30);
    l.setHeightOffset(20);
    QVERIFY(!l.layout(QSize(400, 49), 100).has_value());
    QVERIFY(l.layout(QSize(400, 50), 100).has_value());
    l.setTop(-1); // refused
    l.setHeightOffset(-5);
    QCOMPARE(l.top(), 30);
    QCOMPARE(l.heightOffset(), 20);
}

void TestSplitter::zeroWidthClient() {
    SplitterLayout l;
    l.setLeft(100, 0); // no proportion from a zero width
    QCOMPARE(l.proportion(), 0.0f);
    const auto g = l.layout(QSize(0, 100), 100);
    QVERIFY(g.has_value());
    QVERIFY(g->right.width() >= 0);
}

void TestSplitter::setControlsRefusesNonWidgets_data() {
    QTest::addColumn<int>("bad"); // 0 left, 1 right
    QTest::newRow("left") << 0;
    QTest::newRow("right") << 1;
}

void TestSplitter::setControlsRefusesNonWidgets() {
    QFETCH(int, bad);
    QWidget parent;
    QWidget* pane = new QWidget(&parent);
    QFrame* bar = new QFrame(&parent);
    QObject notAWindow;
    notAWindow.setObjectName(QStringLiteral("tmrPoll"));
    cVSplitter s;
    QStringList messages;
    s.setMessageHandler([&](const QString& text) { messages << text; });
    const bool ok = bad == 0 ? s.SetControls(bar, &notAWindow, pane, &parent)
                             : s.SetControls(bar, pane, &notAWindow, &parent);
    QVERIFY(!ok);
    QVERIFY(!s.attached());
    QCOMPARE(messages, QStringList{QStringLiteral("tmrPoll must be a window (have a window handle).")});
}

void TestSplitter::attachLaysOut() {
    Window w;
    QCOMPARE(w.splitter.Left(), 100);
    QCOMPARE(w.splitter.Width(), 3);
    QCOMPARE(w.bar->geometry(), QRect(100, 0, 3, 300));
    QCOMPARE(w.left->geometry(), QRect(0, 0, 100, 300));
    QCOMPARE(w.right->geometry(), QRect(103, 0, 297, 300));
    QCOMPARE(w.bar->cursor().shape(), Qt::SizeHorCursor);
    QVERIFY(w.bar->autoFillBackground());
}

void TestSplitter::resizeMovesBar() {
    Window w;
    w.parent.resize(800, 300);
    QTRY_COMPARE(w.splitter.Left(), 200);
    QCOMPARE(w.bar->x(), 200);
    QCOMPARE(w.right->geometry(), QRect(203, 0, 597, 300));
}

void TestSplitter::propertySetters() {
    Window w;
    w.splitter.setTop(20);
    w.splitter.setHeightOffset(30);
    QCOMPARE(w.left->geometry(), QRect(0, 20, 100, 250));
    w.splitter.setWidth(0); // ignored
    QCOMPARE(w.splitter.Width(), 3);
    w.splitter.setWidth(6);
    QCOMPARE(w.bar->geometry(), QRect(100, 20, 6, 250));
    QCOMPARE(w.right->x(), 106);
    w.splitter.setLeft(-1); // ignored
    QCOMPARE(w.splitter.Left(), 100);
    w.splitter.setLeft(150);
    QCOMPARE(w.bar->x(), 150);
    QCOMPARE(w.splitter.proportion(), 150.0f / 400.0f);
    w.splitter.setLeft(390); // clamped by the layout
    QCOMPARE(w.bar->x(), 400 - 6 - w.splitter.minPaneWidth());
}

void TestSplitter::drag_data() {
    QTest::addColumn<bool>("track");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("expected");
    QTest::newRow("track inside") << true << 250 << 250;
    QTest::newRow("track past left") << true << -40 << 50;
    QTest::newRow("track past right") << true << 1000 << 347;
    QTest::newRow("ghost inside") << false << 250 << 250;
    QTest::newRow("ghost past left") << false << 3 << 50;
    QTest::newRow("ghost past right") << false << 399 << 347;
}

void TestSplitter::drag() {
    QFETCH(bool, track);
    QFETCH(int, to);
    QFETCH(int, expected);
    Window w;
    w.splitter.setTrackSplit(track);
    w.press(101); // one pixel into the bar
    QVERIFY(w.splitter.Splitting());
    QCOMPARE(w.splitter.ghostRect(), track ? QRect() : QRect(100, 0, 3, 300));
    w.move(to + 1);
    if (track) {
        // The panes follow the mouse.
        QCOMPARE(w.bar->x(), expected);
        QCOMPARE(w.left->width(), expected);
        QCOMPARE(w.splitter.ghostRect(), QRect());
    } else {
        // Only the inverted bar moves.
        QCOMPARE(w.bar->x(), 100);
        QCOMPARE(w.left->width(), 100);
        QCOMPARE(w.splitter.ghostRect(), QRect(expected, 0, 3, 300));
    }
    w.release(to + 1);
    QVERIFY(!w.splitter.Splitting());
    QCOMPARE(w.splitter.ghostRect(), QRect()); // erased: the screen is restored
    QCOMPARE(w.bar->x(), expected);
    QCOMPARE(w.left->width(), expected);
    QCOMPARE(w.right->x(), expected + 3);
    QCOMPARE(w.splitter.proportion(), float(expected) / 400.0f);
    // Moving the mouse after the drag does nothing.
    w.move(200);
    QCOMPARE(w.bar->x(), expected);
}

void TestSplitter::pressWithoutMoveKeepsPosition() {
    Window w;
    w.press(102); // grabbed at the bar's right edge
    w.release(102);
    QCOMPARE(w.bar->x(), 100);
    QCOMPARE(w.splitter.Left(), 100);
}

void TestSplitter::escapeEndsDrag_data() {
    QTest::addColumn<bool>("track");
    QTest::newRow("track") << true;
    QTest::newRow("ghost") << false;
}

void TestSplitter::escapeEndsDrag() {
    QFETCH(bool, track);
    Window w;
    w.splitter.setTrackSplit(track);
    w.press(100);
    w.move(180);
    QTest::keyClick(&w.parent, Qt::Key_Escape);
    QVERIFY(!w.splitter.Splitting());
    QCOMPARE(w.splitter.ghostRect(), QRect());
    // The drag ends where it stopped; the mouse no longer moves the bar.
    QCOMPARE(w.bar->x(), 180);
    w.move(300);
    w.release(300);
    QCOMPARE(w.bar->x(), 180);
    w.splitter.CancelSplit(); // no drag: nothing happens
    QCOMPARE(w.bar->x(), 180);
}

void TestSplitter::tooLowParentKeepsPanes() {
    Window w;
    w.splitter.setTop(100);
    w.splitter.setHeightOffset(100);
    const QRect before = w.left->geometry();
    w.parent.resize(800, 150);
    QTRY_COMPARE(w.parent.height(), 150);
    QCOMPARE(w.left->geometry(), before);
    QCOMPARE(w.bar->x(), 100);
}

void TestSplitter::parentDestroyedFirst() {
    cVSplitter s;
    {
        QWidget parent;
        parent.resize(400, 300);
        QVERIFY(s.SetControls(new QFrame(&parent), new QWidget(&parent), new QWidget(&parent), &parent));
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
    }
    QVERIFY(!s.attached());
    s.setLeft(50); // nothing left to lay out
    s.layout();
    QCOMPARE(s.Left(), 50);
}

QTEST_MAIN(TestSplitter)
#include "tst_splitter.moc"
