#include "controls/ControlError.h"
#include "controls/ScrollBarLogic.h"
#include "controls/cScrollBar.h"

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

using namespace vambrel;
using Logic = ScrollBarLogic;
using Ev = ScrollBarLogic::Event;

Q_DECLARE_METATYPE(ScrollBarLogic::Events)

namespace {

QString describe(const Logic::Events& events) {
    QStringList parts;
    for (const auto& e : events)
        parts << QStringLiteral("%1(%2)")
                     .arg(e.kind == Ev::Scroll ? QStringLiteral("Scroll") : QStringLiteral("Change"))
                     .arg(e.bar);
    return parts.join(QLatin1Char(' '));
}

// Records Scroll and Change signals in order as "S0", "C1", ...
struct EventLog : QObject {
    QStringList log;
    explicit EventLog(cScrollBar& s) {
        connect(&s, &cScrollBar::Scroll, this, [this](int bar) { log << QStringLiteral("S%1").arg(bar); });
        connect(&s, &cScrollBar::Change, this, [this](int bar) { log << QStringLiteral("C%1").arg(bar); });
    }
};

} // namespace

class TestScrollBar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scrollCodes_data();
    void scrollCodes();
    void thumbDrag_data();
    void thumbDrag();
    void range_data();
    void range();
    void rangeMovesValue();
    void enabledSteps_data();
    void enabledSteps();
    void visibility_data();
    void visibility();
    void errors();
    void windowBars();
    void windowTrackClick();
    void windowThumbDrag();
    void windowDisabledArrow();
    void flatUnavailable();
    void detachHidesBars();
};

void TestScrollBar::scrollCodes_data() {
    QTest::addColumn<int>("message");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("track");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("events");
    const int h = Logic::HScroll, v = Logic::VScroll;
    // Bar: Min 0, Max 100, SmallChange 2, LargeChange 10.
    QTest::newRow("line down") << v << 50 << int(Logic::LineDown) << 0 << 52 << "Change(1)";
    QTest::newRow("line up") << v << 50 << int(Logic::LineUp) << 0 << 48 << "Change(1)";
    QTest::newRow("line up at min") << v << 0 << int(Logic::LineUp) << 0 << 0 << "";
    QTest::newRow("line up near min") << v << 1 << int(Logic::LineUp) << 0 << 0 << "Change(1)";
    QTest::newRow("line down near max") << h << 99 << int(Logic::LineDown) << 0 << 100 << "Change(0)";
    QTest::newRow("page down 95 gives 100") << v << 95 << int(Logic::PageDown) << 0 << 100 << "Change(1)";
    QTest::newRow("page up 5 gives 0") << h << 5 << int(Logic::PageUp) << 0 << 0 << "Change(0)";
    QTest::newRow("page down at max") << v << 100 << int(Logic::PageDown) << 0 << 100 << "";
    QTest::newRow("top") << v << 40 << int(Logic::Top) << 0 << 0 << "Change(1)";
    QTest::newRow("bottom") << h << 40 << int(Logic::Bottom) << 0 << 100 << "Change(0)";
    QTest::newRow("thumb track") << v << 40 << int(Logic::ThumbTrack) << 70 << 70 << "Scroll(1)";
    QTest::newRow("thumb track clamped") << v << 40 << int(Logic::ThumbTrack) << 500 << 100 << "Scroll(1)";
    QTest::newRow("thumb position ignored") << v << 40 << int(Logic::ThumbPosition) << 70 << 40 << "";
    QTest::newRow("end scroll unchanged") << v << 40 << int(Logic::EndScroll) << 0 << 40 << "";
    QTest::newRow("unknown code") << v << 40 << 99 << 0 << 40 << "";
}

void TestScrollBar::scrollCodes() {
    QFETCH(int, message);
    QFETCH(int, start);
    QFETCH(int, code);
    QFETCH(int, track);
    QFETCH(int, expected);
    QFETCH(QString, events);
    Logic l;
    const int bar = message == Logic::HScroll ? 0 : 1;
    l.setSmallChange(bar, 2);
    l.setLargeChange(bar, 10);
    l.setValue(bar, start);
    QCOMPARE(l.lastReported(bar), start);
    QCOMPARE(describe(l.handle(message, code, track)), events);
    QCOMPARE(l.value(bar), expected);
    QCOMPARE(l.value(1 - bar), 0); // the other bar is untouched
}

void TestScrollBar::thumbDrag_data() {
    QTest::addColumn<QList<int>>("positions");
    QTest::addColumn<QString>("events");
    QTest::newRow("moved") << QList<int>{10, 20, 30} << "Scroll(1) Scroll(1) Scroll(1) Change(1)";
    QTest::newRow("back where it began") << QList<int>{10, 20, 0} << "Scroll(1) Scroll(1) Scroll(1)";
    QTest::newRow("no movement") << QList<int>{} << "";
}

void TestScrollBar::thumbDrag() {
    QFETCH(QList<int>, positions);
    QFETCH(QString, events);
    Logic l;
    Logic::Events all;
    for (int p : positions)
        for (const auto& e : l.handle(Logic::VScroll, Logic::ThumbTrack, p))
            all.push_back(e);
    for (const auto& e : l.handle(Logic::VScroll, Logic::EndScroll))
        all.push_back(e);
    QCOMPARE(describe(all), events);
    // A second end of scroll reports nothing more.
    QVERIFY(l.handle(Logic::VScroll, Logic::EndScroll).empty());
}

void TestScrollBar::range_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("large");
    QTest::addColumn<int>("rmin");
    QTest::addColumn<int>("rmax");
    QTest::newRow("defaults") << 0 << 100 << 1 << 0 << 100;
    QTest::newRow("page 10") << 0 << 100 << 10 << 0 << 109;
    QTest::newRow("offset") << -50 << 50 << 20 << -50 << 69;
    QTest::newRow("max below min") << 30 << 10 << 5 << 30 << 34;
    // Max + LargeChange - 1 would wrap past the int range.
    QTest::newRow("no overflow") << 0 << INT_MAX - 2 << 10 << 0 << INT_MAX;
}

void TestScrollBar::range() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, large);
    QFETCH(int, rmin);
    QFETCH(int, rmax);
    Logic l;
    l.setMin(0, min);
    l.setMax(0, max);
    l.setLargeChange(0, large);
    QCOMPARE(l.range(0), (Logic::Range{rmin, rmax, large}));
}

void TestScrollBar::rangeMovesValue() {
    Logic l;
    l.setValue(1, 80);
    QCOMPARE(describe(l.setMax(1, 50)), QStringLiteral("Change(1)"));
    QCOMPARE(l.value(1), 50);
    QCOMPARE(describe(l.setMin(1, 60)), QStringLiteral("Change(1)"));
    QCOMPARE(l.value(1), 60);
    QCOMPARE(describe(l.setMax(1, 200)), QString());
    QCOMPARE(describe(l.setValue(1, 60)), QString()); // same value: nothing
    QCOMPARE(describe(l.setValue(1, 1000)), QStringLiteral("Change(1)"));
    QCOMPARE(l.value(1), 200);
    // Steps near the end of the int range must not wrap round.
    l.setMax(1, INT_MAX);
    l.setValue(1, INT_MAX - 1);
    l.setLargeChange(1, 1000);
    l.handle(Logic::VScroll, Logic::PageDown);
    QCOMPARE(l.value(1), INT_MAX);
    l.setMin(0, INT_MIN);
    l.setValue(0, INT_MIN + 1);
    l.setSmallChange(0, 50);
    l.handle(Logic::HScroll, Logic::LineUp);
    QCOMPARE(l.value(0), INT_MIN);
}

void TestScrollBar::enabledSteps_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QList<int>>("steps");
    QTest::newRow("both enabled") << 0 << QList<int>{0};
    QTest::newRow("left/up disabled") << 1 << QList<int>{0, 1};
    QTest::newRow("right/down disabled") << 2 << QList<int>{0, 2};
    QTest::newRow("both disabled") << 3 << QList<int>{3};
}

void TestScrollBar::enabledSteps() {
    QFETCH(int, state);
    QFETCH(QList<int>, steps);
    Logic l;
    l.setEnabled(0, 3);
    const auto got = l.setEnabled(0, state);
    QCOMPARE(QList<int>(got.begin(), got.end()), steps);
    QCOMPARE(l.enabled(0), state);
}

void TestScrollBar::visibility_data() {
    QTest::addColumn<QList<int>>("ops"); // pairs: bar, shown
    QTest::addColumn<int>("barType");
    QTest::newRow("initial") << QList<int>{} << 2;
    QTest::newRow("horizontal") << QList<int>{0, 1} << 0;
    QTest::newRow("vertical") << QList<int>{1, 1} << 1;
    QTest::newRow("both") << QList<int>{3, 1} << 3;
    QTest::newRow("both then hide horizontal") << QList<int>{3, 1, 0, 0} << 1;
    QTest::newRow("both then hide both") << QList<int>{3, 1, 3, 0} << 2;
}

void TestScrollBar::visibility() {
    QFETCH(QList<int>, ops);
    QFETCH(int, barType);
    Logic l;
    for (int i = 0; i + 1 < ops.size(); i += 2)
        l.setVisible(ops[i], ops[i + 1] != 0);
    QCOMPARE(l.barType(), barType);
}

void TestScrollBar::errors() {
    Logic l;
    auto errorOf = [](auto fn) -> QString {
        try {
            fn();
        } catch (const ControlError& e) {
            return QStringLiteral("%1 %2").arg(e.number()).arg(e.source());
        }
        return QString();
    };
    const QString subscript = QStringLiteral("9 cScrollBar");
    const QString invalid = QStringLiteral("380 cScrollBar");
    QCOMPARE(errorOf([&] { l.setValue(2, 1); }), subscript);
    QCOMPARE(errorOf([&] { l.value(-1); }), subscript);
    QCOMPARE(errorOf([&] { l.setVisible(2, true); }), subscript);
    QCOMPARE(errorOf([&] { l.setLargeChange(0, 0); }), invalid);
    QCOMPARE(errorOf([&] { l.setSmallChange(1, -1); }), invalid);
    QCOMPARE(errorOf([&] { l.setEnabled(1, 4); }), invalid);
    QCOMPARE(errorOf([&] { l.setVisible(3, true); }), QString());
    l.setVisible(3, false);
    QCOMPARE(l.largeChange(0), 1);
    QCOMPARE(l.barType(), 2);
}

void TestScrollBar::windowBars() {
    QAbstractScrollArea area;
    area.resize(200, 150);
    cScrollBar s;
    s.Attach(&area);
    QVERIFY(s.flatScrollBars());
    s.setBarVisible(3, true);
    QCOMPARE(area.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(area.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    s.setMax(1, 500);
    s.setLargeChange(1, 50);
    s.setSmallChange(1, 5);
    QScrollBar* v = area.verticalScrollBar();
    // Window range 0..549 with a page of 50: the slider's own maximum is 500.
    QCOMPARE(v->minimum(), 0);
    QCOMPARE(v->maximum(), 500);
    QCOMPARE(v->pageStep(), 50);
    QCOMPARE(v->singleStep(), 5);
    EventLog log(s);
    s.setValue(1, 120);
    QCOMPARE(v->value(), 120);
    QCOMPARE(log.log, QStringList{QStringLiteral("C1")});
    QVERIFY(!v->styleSheet().isEmpty()); // flat style on the visible bars
    s.setStyle(0);
    QVERIFY(v->styleSheet().isEmpty());
}

void TestScrollBar::windowTrackClick() {
    QAbstractScrollArea area;
    cScrollBar s;
    s.Attach(&area);
    s.setBarVisible(0, true);
    s.setLargeChange(0, 10);
    s.setValue(0, 95);
    EventLog log(s);
    area.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(s.Value(0), 100);
    QCOMPARE(area.horizontalScrollBar()->value(), 100);
    QCOMPARE(log.log, QStringList{QStringLiteral("C0")});
}

void TestScrollBar::windowThumbDrag() {
    QAbstractScrollArea area;
    area.resize(200, 150);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    cScrollBar s;
    s.Attach(&area);
    s.setBarVisible(1, true);
    EventLog log(s);
    QScrollBar* v = area.verticalScrollBar();
    v->setSliderDown(true);
    v->setSliderPosition(10);
    v->setSliderPosition(25);
    QCOMPARE(log.log, (QStringList{QStringLiteral("S1"), QStringLiteral("S1")}));
    QCOMPARE(s.Value(1), 25);
    v->setSliderDown(false);
    QTest::mouseRelease(v, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(log.log, (QStringList{QStringLiteral("S1"), QStringLiteral("S1"), QStringLiteral("C1")}));
    // A move without the thumb held (the wheel) is a change at once.
    log.log.clear();
    QWheelEvent wheel(QPointF(5, 5), v->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(v, &wheel);
    QVERIFY(s.Value(1) > 25);
    QCOMPARE(log.log, QStringList{QStringLiteral("C1")});
    // The window can also hand messages over itself; the tracking position is read from the bar.
    log.log.clear();
    v->setSliderDown(true);
    v->setSliderPosition(60);
    QCOMPARE(log.log, QStringList{QStringLiteral("S1")});
    s.SubClass(ScrollBarLogic::VScroll, ScrollBarLogic::EndScroll);
    QCOMPARE(log.log, (QStringList{QStringLiteral("S1"), QStringLiteral("C1")}));
    QCOMPARE(s.Value(1), 60);
}

void TestScrollBar::windowDisabledArrow() {
    QAbstractScrollArea area;
    cScrollBar s;
    s.Attach(&area);
    s.setBarVisible(1, true);
    s.setValue(1, 50);
    s.setEnabled(1, ScrollBarLogic::DisableLeftUp);
    QVERIFY(area.verticalScrollBar()->isEnabled());
    area.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(s.Value(1), 50);
    QCOMPARE(area.verticalScrollBar()->value(), 50);
    area.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(s.Value(1), 51);
    s.setEnabled(1, ScrollBarLogic::DisableBoth);
    QVERIFY(!area.verticalScrollBar()->isEnabled());
}

void TestScrollBar::flatUnavailable() {
    QAbstractScrollArea area;
    const QString own = QStringLiteral("QScrollBar { background: red; }");
    area.verticalScrollBar()->setStyleSheet(own);
    cScrollBar s;
    s.Attach(&area);
    QVERIFY(!s.flatScrollBars());
    s.setBarVisible(3, true);
    s.setStyle(1); // ignored: standard bars
    s.setBackColor(1, Qt::blue);
    QCOMPARE(area.verticalScrollBar()->styleSheet(), own);
    QVERIFY(area.horizontalScrollBar()->styleSheet().isEmpty());
    QVERIFY(!s.BackColor(1).isValid());
    // The bars still work.
    EventLog log(s);
    area.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(s.Value(1), 100);
    QCOMPARE(log.log, QStringList{QStringLiteral("C1")});
}

void TestScrollBar::detachHidesBars() {
    QAbstractScrollArea area;
    {
        cScrollBar s;
        s.Attach(&area);
        s.setBarVisible(3, true);
        QCOMPARE(s.BarType(), 3);
    }
    QCOMPARE(area.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(area.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(area.verticalScrollBar()->styleSheet().isEmpty());
    // A window destroyed first leaves the object usable.
    cScrollBar s;
    {
        QAbstractScrollArea gone;
        s.Attach(&gone);
    }
    QCOMPARE(s.hWnd(), nullptr);
    s.setValue(0, 5);
    QCOMPARE(s.Value(0), 5);
}

QTEST_MAIN(TestScrollBar)
#include "tst_scrollbar.moc"
