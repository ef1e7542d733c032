// The folder path box and its chooser, on drives of our own in a temporary folder.

#include "Drives.h"
#include "controls/ControlError.h"
#include "controls/frmBrowse.h"
#include "controls/qvtBrowser.h"
#include "controls/qvtRepertoire.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <functional>

using namespace vambrel;

namespace {

// Acts on the chooser once it is shown modal; records what it saw. Its timer goes with it.
struct Chooser {
    bool opened = false;
    QString title;
    QString openedOn;
    std::function<void(frmBrowse&)> act;
    QTimer timer;

    void arm() {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            auto* dialog = qobject_cast<frmBrowse*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer.stop();
            opened = true;
            title = dialog->windowTitle();
            openedOn = dialog->qvtRep()->Path();
            if (act)
                act(*dialog);
            else
                dialog->cmdCmd(1)->click();
        });
        timer.start();
    }
};

} // namespace

class TestFolderPathBox : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_disk;

    QString disk(const QString& rel = {}) const { return rel.isEmpty() ? m_disk : m_disk + u'/' + rel; }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_tmp.isValid());
        m_disk = m_tmp.filePath(QStringLiteral("disk"));
        QVERIFY(QDir().mkpath(disk(QStringLiteral("Docs/Lettres"))));
        const QList<Drive> drives{{m_disk, DriveType::Fixed, QStringLiteral("ext4"), QString()}};
        qvtRepertoire::setDriveSource([drives] { return drives; });
    }
    void cleanupTestCase() { qvtRepertoire::setDriveSource({}); }

    void newInstance() {
        qvtBrowser box;
        QCOMPARE(box.WindowCaption(), QStringLiteral("Choisir un répertoire"));
        QVERIFY(box.BrowseFolder());
        QCOMPARE(box.height(), 19);
        box.resize(200, 19);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        // A square button inside the right end, two pixels from the top and right edges.
        QCOMPARE(box.cmdOpen()->geometry(), QRect(200 - 15 - 2, 2, 15, 15));
        QCOMPARE(box.Text1()->geometry(), QRect(0, 0, 200, 19));
    }

    void buttonWithoutBrowsing() {
        qvtBrowser box;
        box.setBrowseFolder(false);
        QSignalSpy clicks(&box, &qvtBrowser::ButtonClick);
        Chooser chooser;
        chooser.arm();
        box.cmdOpen()->click();
        QCOMPARE(clicks.size(), 1);
        QTest::qWait(20);
        QVERIFY(!chooser.opened);
    }

    void choose_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("openedOn");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("result");
        QTest::newRow("typed folder, OK")
            << disk(QStringLiteral("Docs/Lettres")) << disk(QStringLiteral("Docs/Lettres")) << false
            << disk(QStringLiteral("Docs/Lettres"));
        QTest::newRow("typed folder, parent chosen")
            << disk(QStringLiteral("Docs/Lettres")) << disk(QStringLiteral("Docs/Lettres")) << true
            << disk(QStringLiteral("Docs"));
        QTest::newRow("missing folder opens the default drive")
            << disk(QStringLiteral("Nowhere")) << disk() << false << disk();
        QTest::newRow("drive chosen as it is")
            << disk(QStringLiteral("Docs")) << disk(QStringLiteral("Docs")) << true << disk();
    }
    void choose() {
        QFETCH(QString, typed);
        QFETCH(QString, openedOn);
        QFETCH(bool, up);
        QFETCH(QString, result);
        QWidget host;
        auto* box = new qvtBrowser(&host);
        box->setText(typed);
        box->setWindowCaption(QStringLiteral("Destination"));
        QSignalSpy selected(box, &qvtBrowser::OnSelectFolder);
        QSignalSpy changes(box, &qvtBrowser::Change);
        Chooser chooser;
        chooser.act = [up](frmBrowse& dialog) {
            qvtRepertoire* rep = dialog.qvtRep();
            if (up)
                rep->setSelectedItem(rep->SelectedItem()->parent());
            dialog.cmdCmd(0)->click();
        };
        chooser.arm();
        box->cmdOpen_Click();
        QVERIFY(chooser.opened);
        QCOMPARE(chooser.title, QStringLiteral("Destination"));
        QCOMPARE(chooser.openedOn, openedOn);
        QCOMPARE(box->Text(), result);
        QCOMPARE(selected.size(), 1);
        QCOMPARE(changes.size(), typed == result ? 0 : 1);
    }

    void cancelLeavesTheText() {
        qvtBrowser box;
        box.setText(disk(QStringLiteral("Docs")));
        QSignalSpy selected(&box, &qvtBrowser::OnSelectFolder);
        QSignalSpy changes(&box, &qvtBrowser::Change);
        Chooser chooser; // presses Annuler
        chooser.arm();
        box.cmdOpen_Click();
        QVERIFY(chooser.opened);
        QCOMPARE(box.Text(), disk(QStringLiteral("Docs")));
        QCOMPARE(selected.size(), 0);
        QCOMPARE(changes.size(), 0);
    }

    void altDownOpens_data() {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("opens");
        QTest::newRow("Alt+Down") << int(Qt::AltModifier) << true;
        QTest::newRow("Down") << int(Qt::NoModifier) << false;
        QTest::newRow("Ctrl+Alt+Down") << int(Qt::AltModifier | Qt::ControlModifier) << false;
    }
    void altDownOpens() {
        QFETCH(int, modifiers);
        QFETCH(bool, opens);
        qvtBrowser box;
        box.setText(disk());
        Chooser chooser;
        chooser.arm();
        QTest::keyClick(box.Text1(), Qt::Key_Down, Qt::KeyboardModifiers(modifiers));
        QTest::qWait(20);
        QCOMPARE(chooser.opened, opens);
    }

    void lockedTextStillChosen() {
        qvtBrowser box;
        box.setLocked(true);
        box.setText(disk(QStringLiteral("Docs/Lettres")));
        QTest::keyClicks(box.Text1(), QStringLiteral("xyz"));
        QCOMPARE(box.Text(), disk(QStringLiteral("Docs/Lettres")));
        Chooser chooser;
        chooser.act = [](frmBrowse& dialog) {
            dialog.qvtRep()->setSelectedItem(dialog.qvtRep()->SelectedItem()->parent());
            dialog.cmdCmd(0)->click();
        };
        chooser.arm();
        box.cmdOpen_Click();
        QCOMPARE(box.Text(), disk(QStringLiteral("Docs")));
    }

    void chooserTag() {
        frmBrowse dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Choisir un répertoire"));
        QCOMPARE(dialog.cmdCmd(0)->text(), QStringLiteral("&OK"));
        QCOMPARE(dialog.cmdCmd(1)->text(), QStringLiteral("&Annuler"));
        QVERIFY(dialog.qvtRep()->OpenAFolder(disk(QStringLiteral("Docs"))));
        dialog.cmdCmd_Click(1);
        QVERIFY(dialog.Tag().isEmpty());
        QVERIFY(dialog.isHidden());
        dialog.cmdCmd_Click(0);
        QCOMPARE(dialog.Tag(), disk(QStringLiteral("Docs")));
    }

    void persistedProperties() {
        qvtBrowser box;
        box.ReadProperties(PropertyBag());
        QCOMPARE(box.BackColor(), 0xFFFFFFu);
        QCOMPARE(box.ForeColor(), 0x80000008u);
        QVERIFY(!box.Enabled());
        QCOMPARE(box.BorderStyle(), 1);
        QCOMPARE(box.WindowCaption(), QStringLiteral("Choisir un répertoire"));
        QVERIFY(box.BrowseFolder());
        QVERIFY(!box.Locked());

        QStringList changed;
        connect(&box, &qvtBrowser::PropertyChanged, &box, [&](const QString& n) { changed << n; });
        box.setEnabled(true);
        box.setBackColor(0x0000FFu); // red
        box.setLocked(true);
        box.setMaxLength(40);
        box.setText(QStringLiteral("/srv/données"));
        box.setWindowCaption(QStringLiteral("Où ?"));
        box.setBrowseFolder(false);
        box.setFontBold(true);
        QCOMPARE(changed, (QStringList{QStringLiteral("Enabled"), QStringLiteral("BackColor"),
                                       QStringLiteral("Locked"), QStringLiteral("MaxLength"),
                                       QStringLiteral("Text"), QStringLiteral("WindowCaption"),
                                       QStringLiteral("BrowseFolder"), QStringLiteral("FontBold")}));
        QCOMPARE(box.Text1()->palette().color(QPalette::Base), QColor(255, 0, 0));
        PropertyBag bag;
        box.WriteProperties(bag);
        QCOMPARE(bag.names().size(), 23);
        qvtBrowser copy;
        copy.ReadProperties(bag);
        QVERIFY(copy.Enabled());
        QCOMPARE(copy.BackColor(), 0x0000FFu);
        QVERIFY(copy.Locked());
        QCOMPARE(copy.MaxLength(), 40);
        QCOMPARE(copy.Text(), QStringLiteral("/srv/données"));
        QCOMPARE(copy.WindowCaption(), QStringLiteral("Où ?"));
        QVERIFY(!copy.BrowseFolder());
        QVERIFY(copy.FontBold());
    }

    void selection() {
        qvtBrowser box;
        box.setText(QStringLiteral("/home/ana"));
        box.setSelStart(1);
        box.setSelLength(4);
        QCOMPARE(box.SelText(), QStringLiteral("home"));
        box.setSelText(QStringLiteral("srv"));
        QCOMPARE(box.Text(), QStringLiteral("/srv/ana"));
        box.setSelStart(99);
        QCOMPARE(box.SelStart(), 8);
        try {
            box.setMaxLength(-1);
            QFAIL("accepted");
        } catch (const ControlError& e) {
            QCOMPARE(e.number(), quint32(380));
            QCOMPARE(e.source(), QStringLiteral("qvtBrowser"));
        }
    }
};

QTEST_MAIN(TestFolderPathBox)
#include "tst_qvtbrowser.moc"
