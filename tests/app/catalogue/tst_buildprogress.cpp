// Building a catalogue from the program against the real qvtSrv: the progress window's flows,
// its failures, and the main window's "&Nouveau" from the dialog to the opened catalogue.

#include "CatalogueSchema.h"
#include "Database.h"
#include "Drives.h"
#include "JobConnection.h"
#include "Snapshot.h"
#include "cAsync.h"
#include "catalogue/frmDirDat.h"
#include "catalogue/frmInfo.h"
#include "catalogue/frmNouveau.h"
#include "controls/LightProgress.h"
#include "controls/frmMsgBox.h"
#include "controls/qvtBrowser.h"
#include "controls/qvtRepertoire.h"
#include "shell/frmVambrel.h"
#include "shell/mSettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <csignal>

using namespace vambrel;
using namespace vambrel::client;

namespace {

const QString kServer = QStringLiteral(VAMBREL_BINARY_DIR "/qvtSrv");

struct Messages {
    QList<QPair<QMessageBox::Icon, QString>> list;
    void attach(frmVambrel& w) {
        w.setMessageHandler([this](QMessageBox::Icon i, const QString& t) { list << qMakePair(i, t); });
    }
};

// The build job of a progress window, once it has started.
cAsync* jobOf(frmInfo* info) {
    cAsync* job = nullptr;
    return QTest::qWaitFor([&] { return (job = info->findChild<cAsync*>()) != nullptr; }, 5000) ? job
                                                                                                : nullptr;
}

bool waitUnloaded(QPointer<frmInfo>& info, int ms = 30000) {
    return QTest::qWaitFor([&] { return info.isNull(); }, ms);
}

qint64 count(const QString& catalogue, const QString& table) {
    Database db;
    if (!db.open(catalogue, OpenMode::ReadOnly))
        return -1;
    auto snap = Snapshot::open(db, QStringLiteral("SELECT * FROM ") + table);
    return snap ? snap.value().recordCount() : -1;
}

QString propertyOf(const QString& catalogue, const QString& name) {
    Database db;
    if (!db.open(catalogue, OpenMode::ReadOnly))
        return QStringLiteral("<no catalogue>");
    auto p = db.property(name);
    return p && p.value() ? p.value()->value.toString() : QString();
}

} // namespace

class TestBuildProgress : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_dir;
    QString m_tree, m_big;
    int m_serial = 0;

    QString freshName() { return m_dir.filePath(QStringLiteral("cat%1.dat").arg(++m_serial)); }

    // A progress window over a tree, shown by a hidden main window as "&Nouveau" does.
    QPointer<frmInfo> startBuild(frmVambrel& w, const QString& file, const QString& spec) {
        return w.showBuildProgress(spec, QStringLiteral("*.*"), file);
    }

private Q_SLOTS:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        QVERIFY(m_dir.isValid());
        m_tree = m_dir.filePath(QStringLiteral("tree"));
        QVERIFY(QDir(m_tree).mkpath(QStringLiteral("a/b")));
        QVERIFY(QDir(m_tree).mkpath(QStringLiteral("c")));
        for (const char* f : {"one.txt", "a/two.txt", "a/b/three.txt"}) {
            QFile file(QDir(m_tree).filePath(QString::fromUtf8(f)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        // Enough events that a build is still running when the test acts on it.
        m_big = m_dir.filePath(QStringLiteral("big"));
        for (int d = 0; d < 20; ++d) {
            const QString folder = QStringLiteral("%1/d%2").arg(m_big).arg(d);
            QVERIFY(QDir().mkpath(folder));
            for (int f = 0; f < 100; ++f) {
                QFile file(QStringLiteral("%1/f%2.txt").arg(folder).arg(f));
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        }
    }
    void init() {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, kAppName.toString()).clear();
        JobConnection::instance().stopServer();
        JobConnection::setServerPath(kServer);
    }

    void buildsOpensAndRemembers() {
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        const QString file = freshName();
        QPointer<frmInfo> info = startBuild(w, file, m_tree);
        QCOMPARE(info->windowTitle(), QStringLiteral("Clic sur la fenêtre pour annuler"));
        QVERIFY(!(info->windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(info->minimumSize(), info->maximumSize());
        QVERIFY(!w.isVisible());
        QStringList texts;
        cAsync* job = jobOf(info);
        QVERIFY(job);
        const QString temp = info->temporaryFile();
        QVERIFY(QFileInfo(temp).fileName().startsWith(QStringLiteral("qvt")));
        connect(job, &cAsync::ProgressFile, info, [&](qint32, bool&) {
            info->showProgress();
            texts = {info->lblInfo(0)->text(),
                     info->lblInfo(1)->text(),
                     info->lblInfo(2)->text(),
                     info->lblInfo(3)->text(),
                     QString::number(info->qvtProgress()->Max()),
                     QString::number(info->qvtProgress()->Value())};
        });
        // The frame cannot close it while the job runs.
        info->close();
        QVERIFY(info->isVisible());
        QVERIFY(waitUnloaded(info));
        QVERIFY(messages.list.isEmpty());
        QVERIFY(w.isVisible());
        // At the last file: four folders (indexes 0 to 3), the last one done, three files.
        QCOMPARE(texts,
                 (QStringList{QStringLiteral("Traite ") + m_tree, QStringLiteral("3 répertoires trouvés."),
                              QStringLiteral("Total: 3 fichiers trouvés."), QStringLiteral("3 traité(s)."),
                              QStringLiteral("3"), QStringLiteral("3")}));
        QVERIFY(!QFile::exists(temp));
        QCOMPARE(count(file, QStringLiteral("Files")), 3);
        QCOMPARE(w.catalogueWindows().size(), 1);
        QCOMPARE(w.catalogueWindows().first()->Tag(), file);
        QCOMPARE(w.mnuMRU(1)->data().toString(), file);
    }

    void startFolderWithoutSubfolders() {
        // The second start folder has no subfolder: no folder count for it, the bar as it was.
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        const QString file = freshName();
        const QString second = m_tree + QStringLiteral("/c");
        QPointer<frmInfo> info = startBuild(w, file, m_tree + QStringLiteral("/a:") + second);
        cAsync* job = jobOf(info);
        QVERIFY(job);
        QStringList atEnd;
        connect(job, &cAsync::Complete, info, [&](bool&) {
            atEnd = {info->lblInfo(0)->text(),
                     info->lblInfo(1)->text(),
                     info->lblInfo(2)->text(),
                     info->lblInfo(3)->text(),
                     QString::number(info->qvtProgress()->Max()),
                     QString::number(info->qvtProgress()->Value())};
        });
        QVERIFY(waitUnloaded(info));
        QVERIFY2(messages.list.isEmpty(), qPrintable(messages.list.value(0).second));
        QCOMPARE(atEnd,
                 (QStringList{QStringLiteral("Traite ") + second, QString(),
                              QStringLiteral("Total: 2 fichiers trouvés."), QStringLiteral("0 traité(s)."),
                              QStringLiteral("1"), QStringLiteral("0")}));
    }

    void cancelAnswered_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No: the build goes on") << false;
        QTest::newRow("Yes: cancelled at once") << true;
    }
    void cancelAnswered() {
        QFETCH(bool, yes);
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        const QString file = freshName();
        QPointer<frmInfo> info = startBuild(w, file, m_tree);
        int asked = 0;
        info->setCancelQuestion([&] {
            ++asked;
            return yes;
        });
        cAsync* job = jobOf(info);
        QVERIFY(job);
        const QString temp = info->temporaryFile();
        QStringList after;
        bool clicked = false;
        connect(
            job, &cAsync::ProgressMain, info,
            [&](const QString&, bool&) {
                info->Form_Click();
                clicked = true;
            },
            Qt::DirectConnection);
        connect(job, &cAsync::ProgressFolder, info,
                [&](qint32, bool&) { after << QStringLiteral("Folder"); });
        connect(job, &cAsync::ProgressFile, info, [&](qint32, bool&) { after << QStringLiteral("File"); });
        connect(job, &cAsync::Cancelled, info, [&] { after << QStringLiteral("Cancelled"); });
        connect(job, &cAsync::Complete, info, [&](bool&) { after << QStringLiteral("Complete"); });
        QVERIFY(waitUnloaded(info));
        QVERIFY(clicked);
        QCOMPARE(asked, 1);
        QVERIFY(w.isVisible());
        QVERIFY(messages.list.isEmpty());
        QVERIFY(!QFile::exists(temp));
        if (yes) {
            // The cancel goes at once, during the walk: no event of the run after it but Cancelled.
            QCOMPARE(after, QStringList{QStringLiteral("Cancelled")});
            QVERIFY(!QFile::exists(file));
            QVERIFY(w.catalogueWindows().isEmpty());
            QVERIFY(!w.mnuMRU(1)->isVisible());
        } else {
            QCOMPARE(after.last(), QStringLiteral("Complete"));
            QCOMPARE(after.count(QStringLiteral("File")), 3);
            QCOMPARE(count(file, QStringLiteral("Files")), 3);
        }
    }

    // Print mode: the temporary catalogue is previewed with the computer-listing title, and it is
    // deleted when the preview closes or with the program; nothing is opened or remembered.
    void printModePreviewsThenDeletes_data() {
        QTest::addColumn<bool>("closeWithOwner");
        QTest::newRow("preview closed") << false;
        QTest::newRow("program closed") << true;
    }
    void printModePreviewsThenDeletes() {
        QFETCH(bool, closeWithOwner);
        auto w = std::make_unique<frmVambrel>();
        Messages messages;
        messages.attach(*w);
        QPointer<frmInfo> info = w->showBuildProgress(m_tree, QStringLiteral("*.*"), QString(), true);
        QVERIFY(info->Impression());
        QPointer<QWidget> preview;
        connect(info, &frmInfo::PreviewOpened, w.get(), [&](QWidget* p) { preview = p; });
        QVERIFY(jobOf(info));
        const QString temp = info->temporaryFile();
        QVERIFY(waitUnloaded(info));
        QVERIFY(messages.list.isEmpty());
        QVERIFY(preview);
        QVERIFY(preview->isVisible());
        QVERIFY(w->isVisible());
        QVERIFY(QFile::exists(temp));
        QCOMPARE(count(temp, QStringLiteral("Files")), 3);
        QVERIFY(w->catalogueWindows().isEmpty());
        QVERIFY(!w->mnuMRU(1)->isVisible());
        if (closeWithOwner)
            w.reset();
        else
            preview->close();
        QTRY_VERIFY(preview.isNull());
        QTRY_VERIFY(!QFile::exists(temp));
        QVERIFY(!QFile::exists(temp + QStringLiteral("-journal")));
    }

    // A print-mode build that fails (no server) says so and leaves no temporary catalogue.
    void printModeFailure() {
        JobConnection::setServerPath(m_dir.filePath(QStringLiteral("no-server")));
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        QPointer<frmInfo> info = w.showBuildProgress(m_tree, QStringLiteral("*.*"), QString(), true);
        QString temp;
        connect(info, &frmInfo::BuildFailed, &w, [&] { temp = info->temporaryFile(); });
        QVERIFY(waitUnloaded(info));
        QCOMPARE(messages.list.size(), 1);
        QCOMPARE(messages.list[0].first, QMessageBox::Critical);
        QVERIFY(messages.list[0].second.contains(m_tree));
        QVERIFY(w.isVisible());
        QVERIFY(!temp.isEmpty());
        QVERIFY(!QFile::exists(temp));
    }

    void endsWhileTheQuestionIsOpen() {
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        const QString file = freshName();
        QPointer<frmInfo> info = startBuild(w, file, m_tree);
        cAsync* job = jobOf(info);
        QVERIFY(job);
        bool asked = false;
        connect(
            job, &cAsync::ProgressMain, info,
            [&](const QString&, bool&) {
                // The user clicks; the server is held until the real question box is open, then
                // finishes while it waits for an answer.
                const qint64 pid = JobConnection::instance().serverProcessId();
                ::kill(pid_t(pid), SIGSTOP);
                QTimer::singleShot(0, info, [&] { info->Form_Click(); });
                QTimer::singleShot(100, [&, pid] {
                    asked = qobject_cast<frmMsgBox*>(QApplication::activeModalWidget()) != nullptr;
                    ::kill(pid_t(pid), SIGCONT);
                });
            },
            Qt::DirectConnection);
        QVERIFY(waitUnloaded(info));
        QVERIFY(asked);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(messages.list.isEmpty());
        QCOMPARE(count(file, QStringLiteral("Files")), 3);
        QCOMPARE(w.catalogueWindows().size(), 1);
    }

    void serverMissing() {
        JobConnection::setServerPath(m_dir.filePath(QStringLiteral("no-such-qvtSrv")));
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        const QString file = freshName();
        QPointer<frmInfo> info = startBuild(w, file, m_tree);
        QVERIFY(waitUnloaded(info));
        QCOMPARE(messages.list.size(), 1);
        QCOMPARE(messages.list[0].first, QMessageBox::Critical);
        const QStringList lines = messages.list[0].second.split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QStringLiteral("Une erreur s'est produite pendant la création de ") + file);
        QVERIFY2(lines.size() == 2 && lines[1].contains(QStringLiteral("n'a pas pu être démarré")),
                 qPrintable(messages.list[0].second));
        QVERIFY(!QFile::exists(file));
        QVERIFY(w.isVisible());
    }

    void serverKilledDuringTheBuild() {
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        const QString file = freshName();
        QPointer<frmInfo> info = startBuild(w, file, m_big);
        cAsync* job = jobOf(info);
        QVERIFY(job);
        const QString temp = info->temporaryFile();
        connect(
            job, &cAsync::ProgressFile, info,
            [](qint32, bool&) { ::kill(pid_t(JobConnection::instance().serverProcessId()), SIGKILL); },
            Qt::DirectConnection);
        QVERIFY(waitUnloaded(info));
        // The partial file the server left is gone too.
        QVERIFY(!temp.isEmpty());
        QVERIFY(!QFile::exists(temp));
        QCOMPARE(messages.list.size(), 1);
        QVERIFY(messages.list[0].second.startsWith(
            QStringLiteral("Une erreur s'est produite pendant la création de ") + file + QLatin1Char('\n')));
        QVERIFY(!QFile::exists(file));
        QVERIFY(w.catalogueWindows().isEmpty());
        QVERIFY(w.isVisible());
    }

    void targetFolderRefusesTheFile() {
        // The folder of the chosen name is a file: the built catalogue cannot be put there.
        QFile plain(m_dir.filePath(QStringLiteral("plain.txt")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        const QString file = m_dir.filePath(QStringLiteral("plain.txt/cat.dat"));
        QPointer<frmInfo> info = startBuild(w, file, m_tree);
        cAsync* job = jobOf(info);
        QVERIFY(job);
        const QString temp = info->temporaryFile();
        QVERIFY(waitUnloaded(info));
        QCOMPARE(messages.list.size(), 1);
        QVERIFY(messages.list[0].second.startsWith(QStringLiteral("Impossible d'ouvrir ") + file));
        QVERIFY(messages.list[0].second.contains(temp));
        // The finished catalogue is kept where it was built; nothing joins the recent files.
        QCOMPARE(count(temp, QStringLiteral("Files")), 3);
        QFile::remove(temp);
        QVERIFY(!w.mnuMRU(1)->isVisible());
    }

    void rebuildOfAnOpenCatalogue() {
        frmVambrel w;
        Messages messages;
        messages.attach(w);
        const QString file = freshName();
        QPointer<frmInfo> first = startBuild(w, file, m_tree + QStringLiteral("/a"));
        QVERIFY(waitUnloaded(first));
        QCOMPARE(w.catalogueWindows().size(), 1);
        QCOMPARE(count(file, QStringLiteral("Files")), 2);
        QPointer<frmInfo> second = startBuild(w, file, m_tree);
        QVERIFY(waitUnloaded(second));
        QVERIFY(messages.list.isEmpty());
        QTRY_COMPARE(w.catalogueWindows().size(), 1);
        QCOMPARE(count(file, QStringLiteral("Files")), 3);
        QCOMPARE(propertyOf(file, Schema::kSource), m_tree);
    }

    // ---- "&Nouveau" from the main window ----

    void nouveauCommand_data() {
        QTest::addColumn<bool>("drives");
        QTest::newRow("a folder") << false;
        QTest::newRow("two drives") << true;
    }
    void nouveauCommand() {
        QFETCH(bool, drives);
        const QString d1 = m_tree + QStringLiteral("/a"), d2 = m_tree + QStringLiteral("/c");
        const QString tree = m_tree;
        qvtRepertoire::setDriveSource([d1, d2, tree] {
            return QList<Drive>{{d1, DriveType::Fixed, QString(), QString()},
                                {tree, DriveType::Fixed, QString(), QString()},
                                {d2, DriveType::Removable, QString(), QString()}};
        });
        frmVambrel w;
        w.show();
        Messages messages;
        messages.attach(w);
        QVERIFY(w.mnuFichier(1)->isEnabled());
        QVERIFY(w.toolButton(2)->isEnabled());
        const QString file = freshName();
        w.setSaveChooser([&] { return file; });
        bool answered = false;
        QTimer driver;
        driver.setInterval(5);
        connect(&driver, &QTimer::timeout, &driver, [&] {
            auto* dialog = qobject_cast<frmNouveau*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            driver.stop();
            if (drives) {
                dialog->optRacine(0)->setChecked(true);
                dialog->lisLecteur()->item(2)->setSelected(true);
                dialog->lisLecteur()->item(0)->setSelected(true);
            } else {
                dialog->qvtBrowse()->setText(m_tree);
            }
            answered = true;
            dialog->cmdAction(0)->click();
        });
        driver.start();
        w.mnuFichier(1)->trigger();
        QVERIFY(answered);
        QVERIFY(!w.isVisible());
        auto* info = w.findChild<frmInfo*>();
        QVERIFY(info);
        QVERIFY(info->isVisible());
        QPointer<frmInfo> watched(info);
        QVERIFY(waitUnloaded(watched));
        qvtRepertoire::setDriveSource({});
        QVERIFY(messages.list.isEmpty());
        QVERIFY(w.isVisible());
        QCOMPARE(w.catalogueWindows().size(), 1);
        QCOMPARE(w.catalogueWindows().first()->Tag(), file);
        QCOMPARE(w.mnuMRU(1)->data().toString(), file);
        QCOMPARE(propertyOf(file, Schema::kSource), drives ? d1 + QLatin1Char(':') + d2 : m_tree);
        QCOMPARE(count(file, QStringLiteral("Files")), drives ? 2 : 3);
    }

    void nouveauRefusals_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("message");
        QTest::newRow("dialog cancelled") << ""
                                          << "x.dat"
                                          << "";
        QTest::newRow("save dialog cancelled") << "tree"
                                               << ""
                                               << "";
        QTest::newRow("folder gone") << "gone"
                                     << "x.dat"
                                     << "Le répertoire %1/gone est introuvable";
        QTest::newRow("folder of the file is a file") << "tree"
                                                      << "tree/one.txt/x.dat"
                                                      << "Impossible de créer ";
    }
    void nouveauRefusals() {
        QFETCH(QString, folder);
        QFETCH(QString, save);
        QFETCH(QString, message);
        frmVambrel w;
        w.show();
        Messages messages;
        messages.attach(w);
        w.setSaveChooser([&] { return save.isEmpty() ? QString() : m_dir.filePath(save); });
        QTimer driver;
        driver.setInterval(5);
        connect(&driver, &QTimer::timeout, &driver, [&] {
            auto* dialog = qobject_cast<frmNouveau*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            driver.stop();
            dialog->qvtBrowse()->setText(folder.isEmpty() ? QString() : m_dir.filePath(folder));
            dialog->cmdAction(0)->click();
        });
        driver.start();
        w.mnuFichier_Click(1);
        QVERIFY(w.isVisible());
        QVERIFY(!w.findChild<frmInfo*>());
        if (message.isEmpty()) {
            QVERIFY(messages.list.isEmpty());
        } else {
            QCOMPARE(messages.list.size(), 1);
            if (message.contains(QLatin1String("%1")))
                message = message.arg(m_dir.path());
            QVERIFY2(messages.list[0].second.startsWith(message), qPrintable(messages.list[0].second));
        }
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("x.dat"))));
    }
};

QTEST_MAIN(TestBuildProgress)
#include "tst_buildprogress.moc"
