#include "controls/ControlError.h"
#include "controls/LightProgress.h"
#include "controls/ProgressRange.h"
#include "controls/TubProgress.h"

#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace vambrel;

namespace {

const QString minGe0 = QStringLiteral("La propriété Min doit être supérieure ou égale à 0");
const QString minLtMax = QStringLiteral("La propriété Min doit être inférieure à la propriété Max");
const QString maxGt0 = QStringLiteral("La propriété Max doit être supérieure à 0");
const QString valueMsg =
    QStringLiteral("Value doit être supérieure ou égale à Min et inférieure ou égale à Max");

std::unique_ptr<ProgressControl> make(const QString& cls) {
    if (cls == QLatin1String("LightProgress"))
        return std::make_unique<LightProgress>();
    return std::make_unique<TubProgress>();
}

} // namespace

class TestProgressRange : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void validation_data();
    void validation();
    void setMinMovesValue();
    void lowerMaxKeepsValueInRange();
    void designTimeValue_data();
    void designTimeValue();
    void fillCount_data();
    void fillCount();
    void byteProperties_data();
    void byteProperties();
    void propertyChangedNames();
};

// Each row: start from Min=0 Max=100 Value=0 (optionally adjusted), apply one setter.
void TestProgressRange::validation_data() {
    QTest::addColumn<QString>("cls");
    QTest::addColumn<int>("startMin");
    QTest::addColumn<int>("startMax");
    QTest::addColumn<QString>("prop");
    QTest::addColumn<int>("value");
    QTest::addColumn<quint32>("error"); // 0: accepted
    QTest::addColumn<QString>("message");

    for (const QString& cls : {QStringLiteral("LightProgress"), QStringLiteral("TubProgress")}) {
        auto row = [&](const char* name) {
            return &QTest::newRow(qPrintable(cls + QLatin1Char(' ') + QLatin1String(name)));
        };
        *row("min negative") << cls << 0 << 100 << "Min" << -1 << ControlError::InvalidRange << minGe0;
        *row("min zero") << cls << 10 << 100 << "Min" << 0 << 0u << QString();
        *row("min equals max") << cls << 0 << 100 << "Min" << 100 << ControlError::InvalidRange << minLtMax;
        *row("min above max") << cls << 0 << 100 << "Min" << 150 << ControlError::InvalidRange << minLtMax;
        *row("min max-1") << cls << 0 << 100 << "Min" << 99 << 0u << QString();
        *row("max zero") << cls << 0 << 100 << "Max" << 0 << ControlError::InvalidRange << maxGt0;
        *row("max negative") << cls << 0 << 100 << "Max" << -5 << ControlError::InvalidRange << maxGt0;
        *row("max one") << cls << 0 << 100 << "Max" << 1 << 0u << QString();
        *row("max equals min") << cls << 10 << 100 << "Max" << 10 << ControlError::InvalidRange << minLtMax;
        *row("max min+1") << cls << 10 << 100 << "Max" << 11 << 0u << QString();
        *row("max below min") << cls << 10 << 100 << "Max" << 5 << ControlError::InvalidRange << minLtMax;
        *row("max huge") << cls << 0 << 100 << "Max" << INT_MAX << 0u << QString();
        *row("value below min") << cls << 10 << 100 << "Value" << 9 << ControlError::InvalidValue << valueMsg;
        *row("value at min") << cls << 10 << 100 << "Value" << 10 << 0u << QString();
        *row("value at max") << cls << 10 << 100 << "Value" << 100 << 0u << QString();
        *row("value above max") << cls << 10 << 100 << "Value" << 101 << ControlError::InvalidValue
                                << valueMsg;
    }
}

void TestProgressRange::validation() {
    QFETCH(QString, cls);
    QFETCH(int, startMin);
    QFETCH(int, startMax);
    QFETCH(QString, prop);
    QFETCH(int, value);
    QFETCH(quint32, error);
    QFETCH(QString, message);

    auto bar = make(cls);
    bar->setMax(startMax);
    bar->setMin(startMin);
    bar->setValue((startMin + startMax) / 2);
    const int oldMin = bar->Min(), oldMax = bar->Max(), oldValue = bar->Value();

    bool thrown = false;
    try {
        if (prop == QLatin1String("Min"))
            bar->setMin(value);
        else if (prop == QLatin1String("Max"))
            bar->setMax(value);
        else
            bar->setValue(value);
    } catch (const ControlError& e) {
        thrown = true;
        QCOMPARE(e.number(), error);
        QCOMPARE(e.message(), message);
        QCOMPARE(e.source(), cls);
        QCOMPARE(QString::fromStdString(e.what()), message);
    }
    QCOMPARE(thrown, error != 0);
    if (thrown) {
        // A refused value leaves every property as it was.
        QCOMPARE(bar->Min(), oldMin);
        QCOMPARE(bar->Max(), oldMax);
        QCOMPARE(bar->Value(), oldValue);
    } else if (prop == QLatin1String("Min")) {
        QCOMPARE(bar->Min(), value);
    } else if (prop == QLatin1String("Max")) {
        QCOMPARE(bar->Max(), value);
    } else {
        QCOMPARE(bar->Value(), value);
    }
}

void TestProgressRange::setMinMovesValue() {
    LightProgress bar;
    bar.setValue(50);
    bar.setMin(10);
    QCOMPARE(bar.Value(), 10);
    bar.setValue(70);
    bar.setOrientation(1);
    QCOMPARE(bar.Value(), 10); // orientation resets Value to Min
}

void TestProgressRange::lowerMaxKeepsValueInRange() {
    // Lowering Max under the current value must not leave the value beyond the range.
    TubProgress bar;
    bar.setValue(90);
    bar.setMax(50);
    QCOMPARE(bar.Value(), 50);
    QCOMPARE(bar.filledLength(), bar.trackLength());
}

void TestProgressRange::designTimeValue_data() {
    QTest::addColumn<QString>("cls");
    QTest::newRow("light") << QStringLiteral("LightProgress");
    QTest::newRow("tub") << QStringLiteral("TubProgress");
}

void TestProgressRange::designTimeValue() {
    QFETCH(QString, cls);
    auto bar = make(cls);
    bar->setDesignMode(true);
    try {
        bar->setValue(5);
        QFAIL("Value set at design time");
    } catch (const ControlError& e) {
        QCOMPARE(e.number(), ControlError::SetNotPermitted);
        QCOMPARE(e.source(), cls);
    }
    QCOMPARE(bar->Value(), 0);
    bar->setMin(3); // Min stays settable and moves the value
    QCOMPARE(bar->Value(), 3);
}

void TestProgressRange::fillCount_data() {
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("expected");

    QTest::newRow("at min") << 0 << 100 << 0 << 15 << 0;
    QTest::newRow("at max") << 0 << 100 << 100 << 15 << 15;
    QTest::newRow("one above min rounds up") << 0 << 100 << 1 << 15 << 1;
    QTest::newRow("exact multiple") << 0 << 100 << 20 << 15 << 3;
    QTest::newRow("just past multiple") << 0 << 100 << 21 << 15 << 4;
    // 0.1 × 30 is exactly 3: binary floating point would give 3.0000000000000004 and a 4th light.
    QTest::newRow("no float creep") << 0 << 10 << 1 << 30 << 3;
    QTest::newRow("offset range") << 10 << 20 << 15 << 4 << 2;
    QTest::newRow("huge range") << 0 << INT_MAX << INT_MAX << 1000 << 1000;
    QTest::newRow("huge range half") << 0 << INT_MAX << INT_MAX / 2 << 1000 << 500;
    QTest::newRow("no steps") << 0 << 100 << 50 << 0 << 0;
    QTest::newRow("negative steps") << 0 << 100 << 50 << -3 << 0;
}

void TestProgressRange::fillCount() {
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, value);
    QFETCH(int, steps);
    QFETCH(int, expected);
    ProgressRange r(QStringLiteral("X"));
    QVERIFY(r.trySetBounds(min, max));
    r.setValue(value);
    QCOMPARE(r.fillCount(steps), expected);
}

void TestProgressRange::byteProperties_data() {
    QTest::addColumn<QString>("cls");
    QTest::addColumn<QString>("prop");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("ok");
    for (const QString& cls : {QStringLiteral("LightProgress"), QStringLiteral("TubProgress")}) {
        auto row = [&](const char* name) {
            return &QTest::newRow(qPrintable(cls + QLatin1Char(' ') + QLatin1String(name)));
        };
        *row("border 2") << cls << "BorderStyle" << 2 << true;
        *row("border 3") << cls << "BorderStyle" << 3 << false;
        *row("orientation 1") << cls << "Orientation" << 1 << true;
        *row("orientation 2") << cls << "Orientation" << 2 << false;
        *row("pointer 15") << cls << "MousePointer" << 15 << true;
        *row("pointer 16") << cls << "MousePointer" << 16 << false;
        *row("pointer 99") << cls << "MousePointer" << 99 << true;
        *row("drop mode -1") << cls << "OLEDropMode" << -1 << false;
    }
    const QString light = QStringLiteral("LightProgress");
    QTest::newRow("light color 3") << light << "LightColor" << 3 << true;
    QTest::newRow("light color 4") << light << "LightColor" << 4 << false;
    QTest::newRow("light width 0") << light << "LightWidth" << 0 << false;
    QTest::newRow("light width 255") << light << "LightWidth" << 255 << true;
    QTest::newRow("light width 256") << light << "LightWidth" << 256 << false;
}

void TestProgressRange::byteProperties() {
    QFETCH(QString, cls);
    QFETCH(QString, prop);
    QFETCH(int, value);
    QFETCH(bool, ok);
    auto bar = make(cls);
    auto* light = qobject_cast<LightProgress*>(bar.get());
    bool thrown = false;
    try {
        if (prop == QLatin1String("BorderStyle"))
            bar->setBorderStyle(value);
        else if (prop == QLatin1String("Orientation"))
            bar->setOrientation(value);
        else if (prop == QLatin1String("MousePointer"))
            bar->setMousePointer(value);
        else if (prop == QLatin1String("OLEDropMode"))
            bar->setOLEDropMode(value);
        else if (prop == QLatin1String("LightColor"))
            light->setLightColor(value);
        else
            light->setLightWidth(value);
    } catch (const ControlError& e) {
        thrown = true;
        QCOMPARE(e.number(), ControlError::InvalidPropertyValue);
        QCOMPARE(e.source(), cls);
    }
    QCOMPARE(thrown, !ok);
}

void TestProgressRange::propertyChangedNames() {
    LightProgress bar;
    QSignalSpy spy(&bar, &ProgressControl::PropertyChanged);
    bar.setMax(50);
    bar.setMin(5);
    bar.setValue(20); // run-time only: not persisted
    bar.setLightColor(2);
    bar.setBackColor(Qt::white);
    QStringList names;
    for (const auto& args : spy)
        names << args.at(0).toString();
    QCOMPARE(names, (QStringList{QStringLiteral("Max"), QStringLiteral("Min"), QStringLiteral("LightColor"),
                                 QStringLiteral("BackColor")}));
}

QTEST_MAIN(TestProgressRange)
#include "tst_progressrange.moc"
