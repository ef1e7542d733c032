// The folder tree: its path rules apart from the widget, then the control on trees built in a
// temporary folder, with drives of our own.

#include "Drives.h"
#include "controls/ControlError.h"
#include "controls/FolderTreePaths.h"
#include "controls/qvtRepertoire.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <unistd.h>

using namespace vambrel;

namespace {

void makeFile(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

QStringList childTexts(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

// Events of a control in the order they came, as "Name:argument".
struct Events {
    QStringList list;
    explicit Events(qvtRepertoire& rep) {
        QObject::connect(&rep, &qvtRepertoire::OnPathChange,
                         [this](const QString& p) { list << QStringLiteral("Path:") + p; });
        QObject::connect(&rep, &qvtRepertoire::NodeClick, [this](QTreeWidgetItem* n) {
            list << QStringLiteral("NodeClick:") + qvtRepertoire::FullPath(n);
        });
        QObject::connect(&rep, &qvtRepertoire::Expand, [this](QTreeWidgetItem* n) {
            list << QStringLiteral("Expand:") + qvtRepertoire::FullPath(n);
        });
        QObject::connect(&rep, &qvtRepertoire::Collapse, [this](QTreeWidgetItem* n) {
            list << QStringLiteral("Collapse:") + qvtRepertoire::FullPath(n);
        });
    }
};

} // namespace

class TestFolderTreeControl : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_disk, m_usb, m_cd;

    QString disk(const QString& rel = {}) const { return rel.isEmpty() ? m_disk : m_disk + u'/' + rel; }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_tmp.isValid());
        m_disk = m_tmp.filePath(QStringLiteral("disk"));
        m_usb = m_tmp.filePath(QStringLiteral("usb"));
        m_cd = m_tmp.filePath(QStringLiteral("cd")); // a drive without medium: nothing there
        QDir d(m_tmp.path());
        for (const char* p : {"disk/Alpha/Beta/Gamma", "disk/Alpha/Delta", "disk/.cache/deep", "disk/Zulu",
                              "disk/épée", "disk/OnlyHidden/.git", "usb/Photos"})
            QVERIFY(d.mkpath(QString::fromUtf8(p)));
        makeFile(disk(QStringLiteral("notes.txt")));
        makeFile(disk(QStringLiteral("Zulu/readme")));
        QVERIFY(QFile::link(disk(QStringLiteral("Alpha")), disk(QStringLiteral("LinkToAlpha"))));
        const QList<Drive> drives{
            {m_disk, DriveType::Fixed, QStringLiteral("ext4"), QStringLiteral("/dev/sda1")},
            {m_usb, DriveType::Removable, QStringLiteral("vfat"), QStringLiteral("/dev/sdb1")},
            {m_cd, DriveType::CdRom, QStringLiteral("iso9660"), QStringLiteral("/dev/sr0")}};
        qvtRepertoire::setDriveSource([drives] { return drives; });
    }
    void cleanupTestCase() { qvtRepertoire::setDriveSource({}); }

    // ---- path rules ----

    void driveOf_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("drive");
        QTest::newRow("root itself") << "/" << 0;
        QTest::newRow("plain folder") << "/media" << 0;
        QTest::newRow("mount point") << "/media/USB" << 1;
        QTest::newRow("inside mount point") << "/media/USB/x/y" << 1;
        QTest::newRow("mount point in other case") << "/MEDIA/usb/x" << 1;
        QTest::newRow("longest root wins") << "/media/USB2/a" << 2;
        QTest::newRow("prefix without separator") << "/media/USBX" << 0;
    }
    void driveOf() {
        QFETCH(QString, folder);
        QFETCH(int, drive);
        const QStringList roots{QStringLiteral("/"), QStringLiteral("/media/USB"),
                                QStringLiteral("/media/USB2")};
        QCOMPARE(FolderTreePaths::DriveOf(folder, roots), drive);
    }
    void noDriveHoldsTheFolder() {
        QCOMPARE(FolderTreePaths::DriveOf(QStringLiteral("/srv/share"), {QStringLiteral("/media/USB")}), -1);
        QVERIFY(FolderTreePaths::ComponentsAfter(QStringLiteral("/srv/share"), QStringLiteral("/media"))
                    .isEmpty());
        QCOMPARE(
            FolderTreePaths::ComponentsAfter(QStringLiteral("/media/USB/a/b"), QStringLiteral("/media/usb")),
            (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(FolderTreePaths::ComponentsAfter(QStringLiteral("/usr/Lib"), QStringLiteral("/")),
                 (QStringList{QStringLiteral("usr"), QStringLiteral("Lib")}));
    }

    void clean_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("clean");
        QTest::newRow("relative") << "usr/lib"
                                  << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("trailing separator") << "/usr/"
                                            << "/usr";
        QTest::newRow("doubled separators and dots") << "/a//b/./c/../"
                                                     << "/a/b";
        QTest::newRow("root") << "/"
                              << "/";
    }
    void clean() {
        QFETCH(QString, typed);
        QFETCH(QString, clean);
        QCOMPARE(FolderTreePaths::Clean(typed), clean);
    }

    void matchName_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("component");
        QTest::addColumn<int>("index");
        const QStringList names{QStringLiteral("Docs"), QStringLiteral("docs"), QStringLiteral("Été")};
        QTest::newRow("exact spelling wins") << names << "docs" << 1;
        QTest::newRow("exact first one") << names << "Docs" << 0;
        QTest::newRow("other case") << names << "DOCS" << 0;
        QTest::newRow("accented other case") << names << "éTÉ" << 2;
        QTest::newRow("none") << names << "Doc" << -1;
        QTest::newRow("no names") << QStringList() << "a" << -1;
    }
    void matchName() {
        QFETCH(QStringList, names);
        QFETCH(QString, component);
        QFETCH(int, index);
        QCOMPARE(FolderTreePaths::MatchName(names, component), index);
    }

    void existingFolder_data() {
        QTest::addColumn<QString>("rel");
        QTest::addColumn<bool>("exists");
        QTest::newRow("exact") << "Alpha/Beta" << true;
        QTest::newRow("other case") << "ALPHA/beta/GAMMA" << true;
        QTest::newRow("accents in other case") << "ÉPÉE" << true;
        QTest::newRow("a file") << "notes.txt" << false;
        QTest::newRow("missing") << "Alpha/Nope" << false;
        QTest::newRow("under a file") << "notes.txt/x" << false;
        QTest::newRow("through a link") << "LinkToAlpha/Beta" << true;
    }
    void existingFolder() {
        QFETCH(QString, rel);
        QFETCH(bool, exists);
        QCOMPARE(FolderTreePaths::IsExistingFolder(disk(rel)), exists);
    }

    void subFolders() {
        const auto sub = FolderTreePaths::ListSubFolders(disk());
        QVERIFY(sub.complete);
        // No file, no link, no dot-folder; sorted with accents where French puts them.
        QCOMPARE(sub.names, (QStringList{QStringLiteral("Alpha"), QStringLiteral("épée"),
                                         QStringLiteral("OnlyHidden"), QStringLiteral("Zulu")}));
        QVERIFY(FolderTreePaths::HasSubFolders(disk(QStringLiteral("Alpha"))));
        QVERIFY(!FolderTreePaths::HasSubFolders(disk(QStringLiteral("OnlyHidden"))));
        QVERIFY(!FolderTreePaths::HasSubFolders(disk(QStringLiteral("Zulu"))));
        QVERIFY(!FolderTreePaths::HasSubFolders(m_cd));
        QVERIFY(FolderTreePaths::ListSubFolders(m_cd).names.isEmpty());
    }

    void unreadableFolderShowsNoChildren() {
        if (::geteuid() == 0)
            QSKIP("root reads every folder");
        const QString locked = m_tmp.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(locked + QStringLiteral("/inside")));
        QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        QVERIFY(FolderTreePaths::ListSubFolders(locked).names.isEmpty());
        QVERIFY(!FolderTreePaths::HasSubFolders(locked));
        QFile::setPermissions(locked,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // ---- the control ----

    void driveLevel() {
        qvtRepertoire rep;
        rep.Actualiser();
        QTreeWidget* tree = rep.Nodes();
        QCOMPARE(tree->topLevelItemCount(), 3);
        const int images[3] = {qvtRepertoire::FixedDriveImage, qvtRepertoire::RemovableDriveImage,
                               qvtRepertoire::CdRomImage};
        const QString roots[3] = {m_disk, m_usb, m_cd};
        for (int i = 0; i < 3; ++i) {
            QTreeWidgetItem* node = tree->topLevelItem(i);
            QCOMPARE(node->text(0), roots[i]);
            QCOMPARE(node->data(0, qvtRepertoire::ImageRole).toInt(), images[i]);
            QCOMPARE(childTexts(node), QStringList{QStringLiteral("Unused")});
        }
        QVERIFY(rep.Path().isEmpty());
    }

    void openRefused_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty") << QString();
        QTest::newRow("relative") << "Alpha";
        QTest::newRow("a file") << disk(QStringLiteral("notes.txt"));
        QTest::newRow("missing") << disk(QStringLiteral("Alpha/Missing"));
    }
    void openRefused() {
        QFETCH(QString, folder);
        qvtRepertoire rep;
        QVERIFY(rep.OpenAFolder(disk(QStringLiteral("Zulu"))));
        QTreeWidgetItem* before = rep.SelectedItem();
        Events events(rep);
        QVERIFY(!rep.OpenAFolder(folder));
        QVERIFY(events.list.isEmpty());
        QCOMPARE(rep.Path(), disk(QStringLiteral("Zulu")));
        QCOMPARE(rep.SelectedItem(), before); // the tree was not rebuilt
    }

    void openAccepted_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::newRow("drive") << disk() << disk();
        QTest::newRow("drive with separator") << disk() + u'/' << disk();
        QTest::newRow("folder") << disk(QStringLiteral("Alpha/Beta")) << disk(QStringLiteral("Alpha/Beta"));
        QTest::newRow("other letter case")
            << disk(QStringLiteral("alpha/BETA/gamma/")) << disk(QStringLiteral("Alpha/Beta/Gamma"));
        QTest::newRow("dots") << disk(QStringLiteral("Alpha/./Beta/../Delta"))
                              << disk(QStringLiteral("Alpha/Delta"));
        QTest::newRow("through a link stops above it") << disk(QStringLiteral("LinkToAlpha/Beta")) << disk();
        QTest::newRow("other drive") << m_usb + QStringLiteral("/photos")
                                     << m_usb + QStringLiteral("/Photos");
        QTest::newRow("drive without medium") << m_cd << m_cd;
    }
    void openAccepted() {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        qvtRepertoire rep;
        Events events(rep);
        QVERIFY(rep.OpenAFolder(folder));
        QCOMPARE(rep.Path(), path);
        QCOMPARE(qvtRepertoire::FullPath(rep.SelectedItem()), path);
        QCOMPARE(events.list.mid(events.list.size() - 2),
                 (QStringList{QStringLiteral("Path:") + path, QStringLiteral("NodeClick:") + path}));
        // Exactly one click, made by the control at the end of the walk.
        QCOMPARE(events.list.filter(QStringLiteral("NodeClick:")).size(), 1);
    }

    void walkReadsEachLevel() {
        qvtRepertoire rep;
        Events events(rep);
        QVERIFY(rep.OpenAFolder(disk(QStringLiteral("Alpha/Beta"))));
        QCOMPARE(events.list,
                 (QStringList{QStringLiteral("Expand:") + disk(),
                              QStringLiteral("Expand:") + disk(QStringLiteral("Alpha")),
                              QStringLiteral("Expand:") + disk(QStringLiteral("Alpha/Beta")),
                              QStringLiteral("Path:") + disk(QStringLiteral("Alpha/Beta")),
                              QStringLiteral("NodeClick:") + disk(QStringLiteral("Alpha/Beta"))}));
        QTreeWidgetItem* root = rep.Nodes()->topLevelItem(0);
        QCOMPARE(childTexts(root), (QStringList{QStringLiteral("Alpha"), QStringLiteral("épée"),
                                                QStringLiteral("OnlyHidden"), QStringLiteral("Zulu")}));
        // Expand buttons only where a listed subfolder exists.
        QCOMPARE(childTexts(root->child(0)), (QStringList{QStringLiteral("Beta"), QStringLiteral("Delta")}));
        QCOMPARE(childTexts(root->child(2)), QStringList());
        QCOMPARE(childTexts(root->child(3)), QStringList());
        QCOMPARE(childTexts(root->child(1)), QStringList());
        QCOMPARE(childTexts(rep.SelectedItem()), QStringList{QStringLiteral("Gamma")});
        // Folders carry the shared folder images, drives their own.
        const int closed = root->child(0)->data(0, qvtRepertoire::ImageRole).toInt();
        QVERIFY(closed > qvtRepertoire::OpenFolderImage);
        QCOMPARE(root->child(3)->data(0, qvtRepertoire::ImageRole).toInt(), closed);
    }

    void driveWithoutMediumExpandsToNothing() {
        qvtRepertoire rep;
        QVERIFY(rep.OpenAFolder(m_cd));
        QTreeWidgetItem* cd = rep.Nodes()->topLevelItem(2);
        QCOMPARE(rep.SelectedItem(), cd);
        QCOMPARE(cd->childCount(), 0);
        QVERIFY(cd->isExpanded());
    }

    void eachExpansionReadsAgain() {
        qvtRepertoire rep;
        QVERIFY(rep.OpenAFolder(disk(QStringLiteral("Alpha"))));
        QTreeWidgetItem* alpha = rep.SelectedItem();
        QCOMPARE(childTexts(alpha), (QStringList{QStringLiteral("Beta"), QStringLiteral("Delta")}));
        QVERIFY(QDir().mkpath(disk(QStringLiteral("Alpha/Added"))));
        alpha->setExpanded(false);
        QCOMPARE(childTexts(alpha), (QStringList{QStringLiteral("Beta"), QStringLiteral("Delta")}));
        alpha->setExpanded(true);
        QCOMPARE(childTexts(alpha),
                 (QStringList{QStringLiteral("Added"), QStringLiteral("Beta"), QStringLiteral("Delta")}));
        QVERIFY(QDir().rmdir(disk(QStringLiteral("Alpha/Added"))));
        // RefreshDir rebuilds the tree at the current folder.
        rep.RefreshDir();
        QCOMPARE(rep.Path(), disk(QStringLiteral("Alpha")));
        QCOMPARE(childTexts(rep.SelectedItem()),
                 (QStringList{QStringLiteral("Beta"), QStringLiteral("Delta")}));
    }

    void collapseAboveMovesThePath() {
        qvtRepertoire rep;
        QVERIFY(rep.OpenAFolder(disk(QStringLiteral("Alpha/Beta"))));
        Events events(rep);
        QTreeWidgetItem* alpha = rep.SelectedItem()->parent();
        alpha->setExpanded(false);
        QCOMPARE(rep.Path(), disk(QStringLiteral("Alpha")));
        QCOMPARE(rep.SelectedItem(), alpha);
        QCOMPARE(events.list, (QStringList{QStringLiteral("Path:") + disk(QStringLiteral("Alpha")),
                                           QStringLiteral("Collapse:") + disk(QStringLiteral("Alpha"))}));
        // Collapsing the current node itself changes nothing but raises Collapse.
        events.list.clear();
        alpha->setExpanded(true);
        alpha->setExpanded(false);
        QCOMPARE(events.list, (QStringList{QStringLiteral("Expand:") + disk(QStringLiteral("Alpha")),
                                           QStringLiteral("Collapse:") + disk(QStringLiteral("Alpha"))}));
    }

    void clickingTheSelectedNodeAgain() {
        qvtRepertoire rep;
        rep.resize(300, 400);
        rep.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rep));
        QVERIFY(rep.OpenAFolder(disk(QStringLiteral("Zulu"))));
        Events events(rep);
        QTreeWidget* tree = rep.Nodes();
        const QRect r = tree->visualItemRect(rep.SelectedItem());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        const QString p = disk(QStringLiteral("Zulu"));
        QCOMPARE(events.list, (QStringList{QStringLiteral("Path:") + p, QStringLiteral("NodeClick:") + p,
                                           QStringLiteral("Path:") + p, QStringLiteral("NodeClick:") + p}));
        // The keys choose too.
        events.list.clear();
        QTest::keyClick(tree, Qt::Key_Up);
        QCOMPARE(rep.Path(), disk(QStringLiteral("OnlyHidden")));
        QCOMPARE(events.list.last(), QStringLiteral("NodeClick:") + disk(QStringLiteral("OnlyHidden")));
    }

    void selectedItemSet() {
        qvtRepertoire rep;
        QVERIFY(rep.OpenAFolder(disk(QStringLiteral("Alpha/Beta"))));
        Events events(rep);
        rep.setSelectedItem(rep.SelectedItem());
        QVERIFY(events.list.isEmpty());
        QTreeWidgetItem* delta = rep.SelectedItem()->parent()->child(1);
        rep.setSelectedItem(delta);
        QCOMPARE(rep.SelectedItem(), delta);
        QCOMPARE(events.list,
                 (QStringList{QStringLiteral("Path:") + disk(QStringLiteral("Alpha/Delta")),
                              QStringLiteral("NodeClick:") + disk(QStringLiteral("Alpha/Delta"))}));
    }

    void pathCannotBeSet_data() {
        QTest::addColumn<bool>("design");
        QTest::addColumn<quint32>("number");
        QTest::newRow("run time") << false << quint32(382);
        QTest::newRow("design time") << true << quint32(387);
    }
    void pathCannotBeSet() {
        QFETCH(bool, design);
        QFETCH(quint32, number);
        qvtRepertoire rep;
        rep.setDesignMode(design);
        QVERIFY(rep.OpenAFolder(disk()));
        try {
            rep.setPath(disk(QStringLiteral("Alpha")));
            QFAIL("Path was set");
        } catch (const ControlError& e) {
            QCOMPARE(e.number(), number);
            QCOMPARE(e.source(), QStringLiteral("qvtRepertoire"));
        }
        QCOMPARE(rep.Path(), disk());
    }

    void folderImagesPerTypeName() {
        qvtRepertoire rep;
        QStringList asked;
        rep.setFolderTypeSource([](const QString& path) {
            return path.endsWith(QStringLiteral("Zulu")) ? QStringLiteral("Corbeille")
                                                         : QStringLiteral("Dossier");
        });
        rep.setFolderIconSource([&asked, &rep](const QString& type, bool open) {
            asked << type + (open ? QStringLiteral(" ouvert") : QString());
            return rep.style()->standardIcon(QStyle::SP_DirIcon);
        });
        QVERIFY(rep.OpenAFolder(disk(QStringLiteral("Alpha/Beta"))));
        rep.SelectedItem()->setExpanded(false);
        rep.SelectedItem()->setExpanded(true);
        QCOMPARE(asked, (QStringList{QStringLiteral("Dossier"), QStringLiteral("Dossier ouvert"),
                                     QStringLiteral("Corbeille"), QStringLiteral("Corbeille ouvert")}));
        QCOMPARE(rep.imlTree().indexOf(QStringLiteral("Dossier&&Open")), 7);
        QTreeWidgetItem* root = rep.Nodes()->topLevelItem(0);
        QCOMPARE(root->child(3)->data(0, qvtRepertoire::ImageRole).toInt(), 8);
        QCOMPARE(root->child(3)->data(0, qvtRepertoire::SelectedImageRole).toInt(), 9);

        // Nothing from the shell: the design-time folder images.
        qvtRepertoire bare;
        bare.setFolderTypeSource([](const QString&) { return QString(); });
        QVERIFY(bare.OpenAFolder(disk()));
        QTreeWidgetItem* alpha = bare.Nodes()->topLevelItem(0)->child(0);
        QCOMPARE(alpha->data(0, qvtRepertoire::ImageRole).toInt(), int(qvtRepertoire::ClosedFolderImage));
        QCOMPARE(alpha->data(0, qvtRepertoire::SelectedImageRole).toInt(),
                 int(qvtRepertoire::OpenFolderImage));
        QCOMPARE(bare.imlTree().count(), 5);
    }

    void labelEdit_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("host accepts") << false;
        QTest::newRow("host cancels") << true;
    }
    void labelEdit() {
        QFETCH(bool, cancel);
        qvtRepertoire rep;
        rep.resize(300, 400);
        rep.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rep));
        QVERIFY(rep.OpenAFolder(disk(QStringLiteral("Zulu"))));
        QString offered;
        connect(&rep, &qvtRepertoire::AfterEdit, &rep, [&](bool& c, QString& s) {
            offered = s;
            c = cancel;
        });
        rep.StartEdit();
        auto* editor = rep.Nodes()->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(QStringLiteral("Renamed"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(offered, QStringLiteral("Renamed")); // the delegate commits from the event loop
        QCOMPARE(rep.SelectedItem()->text(0), cancel ? QStringLiteral("Zulu") : QStringLiteral("Renamed"));
        QCOMPARE(qvtRepertoire::FullPath(rep.SelectedItem()),
                 disk(cancel ? QStringLiteral("Zulu") : QStringLiteral("Renamed")));
        // Labels are not editable except through StartEdit.
        QVERIFY(!(rep.SelectedItem()->flags() & Qt::ItemIsEditable));
    }

    void persistedProperties() {
        QWidget host;
        QFont ambient = host.font();
        ambient.setPointSize(13);
        host.setFont(ambient);
        auto* rep = new qvtRepertoire(&host);
        QStringList changed;
        connect(rep, &qvtRepertoire::PropertyChanged, rep, [&](const QString& n) { changed << n; });
        // An empty bag gives the defaults, Enabled false among them.
        rep->ReadProperties(PropertyBag());
        QCOMPARE(rep->Font().pointSize(), 13);
        QCOMPARE(rep->BorderStyle(), 0);
        QCOMPARE(rep->Appearance(), 1);
        QVERIFY(!rep->Enabled());
        QVERIFY(changed.isEmpty());

        rep->setBorderStyle(1);
        rep->setAppearance(0);
        rep->setToolTipText(QStringLiteral("Dossiers"));
        rep->setHideSelection(true);
        rep->setOLEDropMode(1);
        rep->setOLEDragMode(1);
        rep->setEnabled(true);
        QCOMPARE(changed, (QStringList{QStringLiteral("BorderStyle"), QStringLiteral("Appearance"),
                                       QStringLiteral("ToolTipText"), QStringLiteral("HideSelection"),
                                       QStringLiteral("OLEDropMode"), QStringLiteral("OLEDragMode"),
                                       QStringLiteral("Enabled")}));
        PropertyBag bag;
        rep->WriteProperties(bag);
        QCOMPARE(bag.names().size(), 9);
        qvtRepertoire copy;
        copy.ReadProperties(bag);
        QCOMPARE(copy.BorderStyle(), 1);
        QCOMPARE(copy.Appearance(), 0);
        QCOMPARE(copy.ToolTipText(), QStringLiteral("Dossiers"));
        QVERIFY(copy.HideSelection());
        QCOMPARE(copy.OLEDropMode(), 1);
        QCOMPARE(copy.OLEDragMode(), 1);
        QVERIFY(copy.Enabled());
        QCOMPARE(copy.Font().pointSize(), 13);
    }

    void badPropertyValues() {
        qvtRepertoire rep;
        for (auto set :
             {+[](qvtRepertoire& r) { r.setBorderStyle(2); }, +[](qvtRepertoire& r) { r.setAppearance(-1); },
              +[](qvtRepertoire& r) { r.setOLEDropMode(2); }}) {
            try {
                set(rep);
                QFAIL("accepted");
            } catch (const ControlError& e) {
                QCOMPARE(e.number(), quint32(380));
            }
        }
        QCOMPARE(rep.BorderStyle(), 0);
        QCOMPARE(rep.Appearance(), 1);
    }
};

QTEST_MAIN(TestFolderTreeControl)
#include "tst_qvtrepertoire.moc"
