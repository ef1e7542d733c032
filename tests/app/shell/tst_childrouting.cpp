#include "controls/ChildWindow.h"
#include "shell/frmVambrel.h"
#include "shell/mSettings.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace vambrel;

namespace {

// A child that records the commands it receives.
class FakeChild : public QWidget, public ChildWindow {
public:
    QString file;
    bool explore = false;
    bool refuseSwitch = false;
    QStringList calls;

    QString catalogueFile() const override { return file; }
    bool exploreView() const override { return explore; }
    bool setExploreView(bool on) override {
        calls << QStringLiteral("view");
        if (refuseSwitch)
            return false;
        explore = on;
        return true;
    }
    void ShowVersion() override { calls << QStringLiteral("version"); }
    void ShowProperties() override { calls << QStringLiteral("properties"); }
    void PrintDat() override { calls << QStringLiteral("print"); }
};

FakeChild* addChild(frmVambrel& w, const QString& file) {
    auto* child = new FakeChild;
    child->file = file;
    QMdiSubWindow* sub = w.mdiArea()->addSubWindow(child);
    sub->show();
    w.mdiArea()->setActiveSubWindow(sub);
    return child;
}

} // namespace

class TestChildRouting : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;

private Q_SLOTS:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
    }

    // Each command reaches the active child through its interface, and only a child that shows a
    // catalogue gets the catalogue's commands.
    void commandsReachTheActiveChild_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("outils");
        QTest::addColumn<QStringList>("calls");
        const QString cat = QStringLiteral("/tmp/a.dat");
        QTest::newRow("version") << cat << 0 << QStringList{QStringLiteral("version")};
        QTest::newRow("properties") << cat << 1 << QStringList{QStringLiteral("properties")};
        QTest::newRow("print") << cat << 3 << QStringList{QStringLiteral("print")};
        QTest::newRow("version without a catalogue")
            << QString() << 0 << QStringList{QStringLiteral("version")};
    }
    void commandsReachTheActiveChild() {
        QFETCH(QString, file);
        QFETCH(int, outils);
        QFETCH(QStringList, calls);
        frmVambrel w;
        w.show();
        FakeChild* other = addChild(w, QStringLiteral("/tmp/other.dat"));
        FakeChild* child = addChild(w, file);
        QCOMPARE(w.activeChildWindow(), static_cast<ChildWindow*>(child));
        w.mnuOutils_Click(outils);
        QCOMPARE(child->calls, calls);
        QVERIFY(other->calls.isEmpty());
    }

    void nothingWithoutChildren() {
        frmVambrel w;
        QCOMPARE(w.activeChildWindow(), nullptr);
        w.mnuOutils_Click(0);
        w.mnuOutils_Click(3);
        w.mnuAffichage_Click();
        w.mnuContext_Click(0);
    }

    // The view switch follows the child's answer: the caption and the setting change only when
    // the child switched.
    void viewSwitch() {
        frmVambrel w;
        w.show();
        FakeChild* child = addChild(w, QStringLiteral("/tmp/a.dat"));
        w.mnuAffichage_Click();
        QVERIFY(child->explore);
        QCOMPARE(w.mnuAffichage()->text(), QStringLiteral("&Liste de fichiers"));
        QCOMPARE(GetSetting(kAppName, kSectionStartUp, kKeyAffichage, QString()), BoolToSettingText(true));
        child->refuseSwitch = true;
        w.mnuAffichage_Click();
        QVERIFY(child->explore);
        QCOMPARE(w.mnuAffichage()->text(), QStringLiteral("&Liste de fichiers"));
        QCOMPARE(child->calls, (QStringList{QStringLiteral("view"), QStringLiteral("view")}));
    }

    // The menu item and its toolbar button are one command.
    void toolButtonTriggersTheCommand() {
        frmVambrel w;
        w.show();
        FakeChild* child = addChild(w, QStringLiteral("/tmp/a.dat"));
        w.toolButton(4)->trigger();
        QCOMPARE(child->calls, QStringList{QStringLiteral("version")});
        w.mnuOutils(0)->trigger();
        QCOMPARE(child->calls.size(), 2);
    }
};

QTEST_MAIN(TestChildRouting)
#include "tst_childrouting.moc"
