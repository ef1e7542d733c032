// The comparison window against the real qvtSrv: a real tree catalogued then changed, each
// category's files, paging, export, the new-file search, the details, and the failures.

#include "Database.h"
#include "JobConnection.h"
#include "NativeName.h"
#include "TestCatalogue.h"
#include "cAsync.h"
#include "cAsync2.h"
#include "compare/NewFileSource.h"
#include "compare/frmAvance.h"
#include "compare/frmCompDetails.h"
#include "compare/frmCompare.h"
#include "controls/PagedList.h"
#include "controls/TubProgress.h"
#include "shell/frmVambrel.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vambrel;
using namespace vambrel::client;
using namespace Qt::StringLiterals;

namespace {

const QString kServer = QStringLiteral(VAMBREL_BINARY_DIR "/qvtSrv");

bool writeBytes(const QByteArray& path, const QByteArray& data) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, data.constData(), size_t(data.size())) == data.size();
    return ::close(fd) == 0 && ok;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct Messages {
    QStringList list;
    void attach(frmCompare* c) {
        c->setMessageHandler([this](QMessageBox::Icon, const QString& t) { list << t; });
    }
};

// Every row of the category shown, "folder/name", read through the list's source.
QStringList shownEntries(frmCompare* c) {
    QStringList out;
    PagedRowSource* source = c->lstListing()->model()->source();
    for (qint64 i = 0; source && i < source->rowCount(); ++i) {
        const auto row = source->row(i);
        out << row.texts.value(1) + u'/' + row.texts.value(0);
    }
    return out;
}

} // namespace

class TestCompare : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir, m_config;
    QString m_tree, m_catalogue;
    QString m_big; // a catalogue of 20,000 files, for a check that lasts long enough to cancel
    int m_serial = 0;

    QByteArray native(const char* relative) const {
        return PathToNative(m_tree) + '/' + QByteArray(relative);
    }
    QString fresh(const QString& ext = u"dat"_s) { return m_dir.filePath(u"f%1."_s.arg(++m_serial) + ext); }

    bool build(const QString& file, const QString& spec) {
        cAsync job;
        bool done = false, ok = false;
        QObject::connect(&job, &cAsync::Complete, &job, [&](bool& s) {
            ok = s;
            done = true;
        });
        job.setFileName(file);
        job.setSpec(spec);
        job.setMask(u"*.*"_s);
        return !job.Start() && QTest::qWaitFor([&] { return done; }, 60000) && ok;
    }

    // Opens the comparison of `file` from the main window and waits for the check's end.
    frmCompare* compare(frmVambrel& w, const QString& file, Messages* messages, bool* success = nullptr) {
        w.show();
        w.setFileChooser([file] { return file; });
        w.mnuOutils_Click(2);
        auto* c = w.findChild<frmCompare*>();
        if (!c)
            return nullptr;
        if (messages)
            messages->attach(c);
        bool ended = false, ok = false;
        connect(c, &frmCompare::CheckEnded, this, [&](bool s) {
            ended = true;
            ok = s;
        });
        QPointer<frmCompare> guard(c);
        (void)QTest::qWaitFor([&] { return ended || guard.isNull(); }, 60000);
        if (success)
            *success = ok;
        return guard.data();
    }

private Q_SLOTS:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        QVERIFY(m_dir.isValid());
        m_tree = m_dir.filePath(u"tree"_s);
        QVERIFY(QDir().mkpath(m_tree + u"/sub"_s));
        QVERIFY(QDir().mkpath(m_tree + u"/many"_s));
        for (const char* name : {"keep.txt", "edit.txt", "gone.txt", "Case.txt", "\xff-raw.txt",
                                 "sub/inner.txt", "sub/old\xe9.txt"})
            QVERIFY(writeBytes(native(name), "contenu"));
        for (int i = 0; i < 40; ++i)
            QVERIFY(writeBytes(native(QByteArray("many/f%1.txt").replace("%1", QByteArray::number(100 + i))),
                               "x"));
        m_catalogue = m_dir.filePath(u"tree.dat"_s);
        JobConnection::setServerPath(kServer);
        QVERIFY(build(m_catalogue, m_tree));
        // Since then:
        QVERIFY(writeBytes(native("edit.txt"), "contenu plus long"));
        QCOMPARE(::unlink(native("gone.txt")), 0);
        QCOMPARE(::unlink(native("sub/old\xe9.txt")), 0);
        QCOMPARE(::rename(native("Case.txt"), native("CASE.TXT")), 0);
        QVERIFY(writeBytes(native("new.txt"), "neuf"));
        QVERIFY(writeBytes(native("sub/added\xfe.txt"), "neuf"));
    }

    // Names that are not UTF-8 are beyond QTemporaryDir's reach.
    void cleanupTestCase() {
        for (const char* name : {"\xff-raw.txt", "sub/added\xfe.txt"})
            ::unlink(native(name));
    }

    void categoriesPagingExportAndClose() {
        frmVambrel w;
        Messages messages;
        bool ok = false;
        frmCompare* c = compare(w, m_catalogue, &messages, &ok);
        QVERIFY(c);
        QVERIFY(ok);
        QVERIFY(messages.list.isEmpty());
        QVERIFY(!w.isVisible());
        QCOMPARE(c->windowTitle(), u"Comparaison"_s);
        const qint64 R = 47;
        QCOMPARE(c->rowCount(), R);
        const QString t = DisplayName(PathFromNative(PathToNative(m_tree)));
        // Category 0: everything unchanged, the renamed-by-case file included.
        c->cmdVoir_Click(0);
        QCOMPARE(c->shownCategory(), 0);
        QVERIFY(c->shaFile(0)->isVisible());
        QStringList idem = shownEntries(c);
        QCOMPARE(idem.size(), 44);
        QCOMPARE(c->lblFile(0)->text(), u"44/47"_s);
        QCOMPARE(c->tubProgress(0)->Value(), 44);
        QVERIFY(idem.contains(t + u"/Case.txt"_s));
        QVERIFY(idem.contains(t + u"/\\xFF-raw.txt"_s));
        QVERIFY(idem.contains(t + u"/many/f139.txt"_s));
        c->cmdVoir_Click(1);
        QVERIFY(!c->shaFile(0)->isVisible());
        QCOMPARE(shownEntries(c), QStringList{t + u"/edit.txt"_s});
        c->cmdVoir_Click(2);
        QCOMPARE(shownEntries(c), (QStringList{t + u"/gone.txt"_s, t + u"/sub/old\\xE9.txt"_s}));
        QCOMPARE(c->lblFile(2)->text(), u"2/47"_s);

        // Export of the category shown: byte-exact, with the name's bytes as on disk.
        const QString out = fresh(u"txt"_s);
        c->setSaveChooser([out] { return out; });
        c->mnuContext_Click(1);
        const QByteArray tree = PathToNative(m_tree);
        QCOMPARE(readAll(out), c->lblInfo(1)->text().toUtf8() + '\n' + c->lblInfo(2)->text().toUtf8() +
                                   "\n\n[Fichiers supprimés du Poste de Travail]\n\n" + tree + "/gone.txt\n" +
                                   tree + "/sub/old\xe9.txt\n");
        QVERIFY(c->lblInfo(1)->text().startsWith(u"tree.dat créé le "_s));
        // Cancelling the save dialog writes nothing.
        c->setSaveChooser([] { return QString(); });
        c->mnuContext_Click(1);

        // Paging category 0: 44 entries.
        c->cmdVoir_Click(0);
        PagedList* list = c->lstListing();
        const int page = list->pager().pageRows();
        QVERIFY(page >= 3 && page < 44);
        QCOMPARE(list->model()->rowCount(), page);
        QCOMPARE(list->scrollBar()->maximum(), int(44 - page + 1));
        list->setPageSelection(page - 1);
        list->pageKey(Qt::Key_Down);
        QCOMPARE(list->pager().topRow(), qint64(2));
        QCOMPARE(list->currentRow(), qint64(page));
        list->pageKey(Qt::Key_PageDown);
        QCOMPARE(list->pager().topRow(), qint64(2 + page - 1));
        list->scrollBar()->setValue(44 - page);
        list->setPageSelection(page - 1);
        list->pageKey(Qt::Key_PageDown); // one entry below the page: no page
        QCOMPARE(list->pager().topRow(), qint64(44 - page));
        list->pageKey(Qt::Key_Down);
        QCOMPARE(list->pager().topRow(), qint64(44 - page + 1));
        QCOMPARE(list->model()->rowCount(), page);
        // The same category again: nothing moves.
        c->cmdVoir_Click(0);
        QCOMPARE(list->pager().topRow(), qint64(44 - page + 1));

        // A right click past the last column selects the row under the pointer.
        list->setPageSelection(-1);
        QTreeView* view = list->list();
        const QRect second = view->visualRect(list->model()->index(1, 0));
        bool menu = false;
        connect(list, &PagedList::contextMenuRequested, this, [&] { menu = true; });
        QTest::mouseClick(view->viewport(), Qt::RightButton, {},
                          QPoint(view->viewport()->width() - 2, second.center().y()));
        QVERIFY(menu);
        QCOMPARE(list->currentRow(), qint64(44 - page + 1));
        c->mnuContextEntree()->hide();

        // Details: a changed file shows both columns with the live size.
        c->cmdVoir_Click(1);
        list->setPageSelection(0);
        QString size, sizePT, sentence;
        bool headings = false;
        c->setDetailsDialog([&](frmCompDetails& d) {
            size = d.lblTailleID()->text();
            sizePT = d.lblTaillePT()->text();
            sentence = d.lblInfo()->text();
            headings = !d.lblOu(0)->isHidden() && !d.lblOu(1)->isHidden();
        });
        c->mnuContext_Click(0);
        QCOMPARE(size, u"7"_s);
        QCOMPARE(sizePT, u"17"_s);
        QCOMPARE(sentence, u"Ce fichier a été modifié."_s);
        QVERIFY(headings);
        // A deleted file: the catalogue's column only.
        c->cmdVoir_Click(2);
        list->setPageSelection(0);
        c->mnuContext_Click(0);
        QCOMPARE(sentence, u"Ce fichier a été supprimé."_s);
        QVERIFY(!headings);
        QVERIFY(sizePT.isEmpty());

        QPointer<frmCompare> guard(c);
        c->cmdFermer()->click();
        QVERIFY(QTest::qWaitFor([&] { return guard.isNull(); }, 5000));
        QVERIFY(w.isVisible());
    }

    void newFileSearch() {
        frmVambrel w;
        frmCompare* c = compare(w, m_catalogue, nullptr);
        QVERIFY(c);
        QVERIFY(c->cmdAvance()->isEnabled());
        c->setCancelQuestion([] { return true; });
        bool ended = false, found = false;
        connect(c, &frmCompare::SearchEnded, this, [&](bool f) {
            ended = true;
            found = f;
        });
        // A cancelled search leaves the window usable.
        c->setSearchDialog(
            [](frmAvance& d) { return d.optRacine(2)->isChecked() ? frmAvance::SourceAnswer() : QString(); });
        c->cmdAvance_Click();
        QVERIFY(c->running());
        QVERIFY(!c->cmdFermer()->isEnabled());
        c->Form_Click();
        QVERIFY(QTest::qWaitFor([&] { return ended; }, 30000));
        QVERIFY(!found);
        QVERIFY(!c->cmdAvance()->isHidden());
        QVERIFY(c->cmdFermer()->isEnabled());
        QCOMPARE(c->windowTitle(), u"Comparaison"_s);

        // The catalogue's source, whatever the mask box says.
        c->setCancelQuestion([] { return false; });
        c->setSearchDialog([](frmAvance& d) {
            d.txtMask()->setText(u"*.rien"_s);
            d.cmdAction_Click(0);
            return d.Tag();
        });
        ended = false;
        c->cmdAvance_Click();
        QVERIFY(QTest::qWaitFor([&] { return ended; }, 30000));
        QVERIFY(found);
        QVERIFY(c->cmdAvance()->isHidden());
        QVERIFY(c->cmdVoir(3)->isEnabled());
        const QString temp = c->temporaryFile();
        QVERIFY(QFile::exists(temp));
        c->cmdVoir_Click(3);
        const QString t = DisplayName(m_tree);
        QCOMPARE(shownEntries(c), (QStringList{t + u"/sub/added\\xFE.txt"_s, t + u"/new.txt"_s}));
        c->ColumnClick(1); // "Nom" again: descending
        QCOMPARE(shownEntries(c), (QStringList{t + u"/new.txt"_s, t + u"/sub/added\\xFE.txt"_s}));
        c->ColumnClick(2);
        QCOMPARE(c->newFiles()->sortKey(), 1);
        QCOMPARE(shownEntries(c), (QStringList{t + u"/new.txt"_s, t + u"/sub/added\\xFE.txt"_s}));
        const QString out = fresh(u"txt"_s);
        c->setSaveChooser([out] { return out; });
        c->mnuContext_Click(1);
        QVERIFY(readAll(out).endsWith("[Fichiers ajoutés]\n\n" + PathToNative(m_tree) + "/new.txt\n" +
                                      PathToNative(m_tree) + "/sub/added\xfe.txt\n"));
        // A column click in another category changes nothing.
        c->cmdVoir_Click(2);
        c->ColumnClick(1);
        QCOMPARE(c->newFiles()->sortKey(), 1);

        QPointer<frmCompare> guard(c);
        c->cmdFermer()->click();
        QVERIFY(QTest::qWaitFor([&] { return guard.isNull(); }, 5000));
        QVERIFY(!QFile::exists(temp));
    }

    void badCatalogues_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("not a catalogue") << u"text"_s;
        QTest::newRow("no files") << u"empty"_s;
        QTest::newRow("no server") << u"server"_s;
    }
    void badCatalogues() {
        QFETCH(QString, kind);
        QString file = fresh();
        if (kind == u"text"_s) {
            QVERIFY(writeBytes(PathToNative(file), "pas un catalogue"));
        } else if (kind == u"empty"_s) {
            const QString empty = m_dir.filePath(u"empty%1"_s.arg(m_serial));
            QVERIFY(QDir().mkpath(empty));
            QVERIFY(build(file, empty));
        } else {
            file = m_catalogue;
            // The running server goes; the next job finds no program to start.
            if (const qint64 pid = JobConnection::instance().serverProcessId(); pid > 0) {
                ::kill(static_cast<pid_t>(pid), SIGKILL);
                QVERIFY(
                    QTest::qWaitFor([] { return JobConnection::instance().serverProcessId() <= 0; }, 10000));
            }
            JobConnection::setServerPath(m_dir.filePath(u"no-such-qvtSrv"_s));
        }
        frmVambrel w;
        Messages messages;
        frmCompare* c = compare(w, file, &messages);
        JobConnection::setServerPath(kServer);
        QVERIFY(QTest::qWaitFor([&] { return !messages.list.isEmpty(); }, 30000));
        QVERIFY(QTest::qWaitFor([&] { return w.isVisible(); }, 5000));
        QCOMPARE(
            messages.list,
            QStringList{u"Une erreur s'est produite pendant l'opération.\nLa fenêtre va être fermée."_s});
        (void)c;
    }

    // A catalogue made elsewhere: its folders do not exist here, every file is "supprimé".
    void otherComputer() {
        const QString tree = m_dir.filePath(u"ailleurs"_s);
        QVERIFY(QDir().mkpath(tree + u"/d"_s));
        QVERIFY(writeBytes(PathToNative(tree + u"/a.txt"_s), "a"));
        QVERIFY(writeBytes(PathToNative(tree + u"/d/b.txt"_s), "b"));
        const QString file = fresh();
        QVERIFY(build(file, tree));
        QVERIFY(QDir(tree).removeRecursively());
        frmVambrel w;
        bool ok = false;
        frmCompare* c = compare(w, file, nullptr, &ok);
        QVERIFY(c);
        QVERIFY(ok);
        QVERIFY(!c->cmdVoir(0)->isEnabled());
        QVERIFY(!c->cmdVoir(1)->isEnabled());
        QCOMPARE(c->lblFile(0)->text(), u"0/2"_s);
        QCOMPARE(c->lblFile(2)->text(), u"2/2"_s);
        c->cmdVoir_Click(0);
        QCOMPARE(c->shownCategory(), -1);
        c->cmdVoir_Click(2);
        QCOMPARE(shownEntries(c).size(), 2);
        c->close();
    }

    // A click during the check asks "Annuler l'opération ?": Yes ends the check and closes the
    // window without a message; No lets the check run to its end. The catalogue never changes.
    void cancelTheCheck_data() {
        QTest::addColumn<bool>("answer");
        QTest::newRow("Oui") << true;
        QTest::newRow("Non") << false;
    }
    void cancelTheCheck() {
        QFETCH(bool, answer);
        if (m_big.isEmpty()) {
            const QString tree = m_dir.filePath(u"big"_s);
            for (int d = 0; d < 40; ++d) {
                const QByteArray folder = PathToNative(tree) + "/d" + QByteArray::number(d);
                QVERIFY(QDir().mkpath(PathFromNative(folder)));
                for (int f = 0; f < 500; ++f)
                    QVERIFY(writeBytes(folder + "/f" + QByteArray::number(f) + ".txt", "x"));
            }
            m_big = fresh();
            QVERIFY(build(m_big, tree));
        }
        const QByteArray before = readAll(m_big);
        frmVambrel w;
        w.show();
        w.setFileChooser([this] { return m_big; });
        w.mnuOutils_Click(2);
        auto* c = w.findChild<frmCompare*>();
        QVERIFY(c);
        Messages messages;
        messages.attach(c);
        int asked = 0;
        c->setCancelQuestion([&] {
            ++asked;
            return answer;
        });
        bool ended = false, ok = false;
        connect(c, &frmCompare::CheckEnded, this, [&](bool s) {
            ended = true;
            ok = s;
        });
        QPointer<frmCompare> guard(c);
        QVERIFY(QTest::qWaitFor([&] { return c->running(); }, 10000));
        c->Form_Click();
        QCOMPARE(asked, 1);
        QVERIFY(QTest::qWaitFor([&] { return ended; }, 60000));
        if (answer) {
            QVERIFY(!ok);
            QVERIFY(QTest::qWaitFor([&] { return guard.isNull(); }, 5000));
            QVERIFY(w.isVisible());
        } else {
            QVERIFY(ok);
            QVERIFY(QTest::qWaitFor([&] { return c->cmdFermer()->isEnabled(); }, 10000));
            QCOMPARE(c->lblFile(0)->text(), u"20000/20000"_s);
            // Once the check has ended, a click asks nothing.
            c->Form_Click();
            QCOMPARE(asked, 1);
            c->close();
        }
        QVERIFY(messages.list.isEmpty());
        QCOMPARE(readAll(m_big), before);
    }

    // A catalogue of the earlier format is converted as on opening, then compared.
    void earlierFormat() {
        const QString file = fresh();
        const QByteArray keep = PathToNative(m_tree) + "/keep.txt";
        struct stat st {};
        QCOMPARE(::stat(keep.constData(), &st), 0);
        QVERIFY(test::makeCatalogue(file, u"/"_s, QString(), {{0, m_tree}},
                                    {test::file(0, 0, u"keep.txt"_s, 7, u"Document texte"_s,
                                                QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec)),
                                     test::file(1, 0, u"absent.txt"_s, 3)},
                                    test::Format::Earlier));
        frmVambrel w;
        Messages messages;
        bool ok = false;
        frmCompare* c = compare(w, file, &messages, &ok);
        QVERIFY(c);
        QVERIFY(ok);
        QVERIFY(messages.list.isEmpty());
        QCOMPARE(c->lblFile(2)->text(), u"1/2"_s);
        QCOMPARE(c->lblFile(0)->text().section(u'/', 1), u"2"_s);
        // The converted catalogue names its source now.
        QVERIFY(c->lblInfo(1)->text().contains(u"source: "_s + m_tree));
        c->close();
    }

    // The server killed during the check: the failure message, the window closes.
    void serverKilled() {
        frmVambrel w;
        w.show();
        w.setFileChooser([this] { return m_catalogue; });
        Messages messages;
        w.mnuOutils_Click(2);
        auto* c = w.findChild<frmCompare*>();
        QVERIFY(c);
        messages.attach(c);
        // The close button is refused while the check runs.
        QPointer<frmCompare> guard(c);
        cAsync2* job = nullptr;
        QVERIFY(QTest::qWaitFor([&] { return (job = c->findChild<cAsync2*>()) != nullptr; }, 5000));
        QVERIFY(c->running());
        c->close();
        QVERIFY(!guard.isNull());
        ::kill(static_cast<pid_t>(JobConnection::instance().serverProcessId()), SIGKILL);
        QVERIFY(QTest::qWaitFor([&] { return guard.isNull(); }, 30000));
        // Killed before its end: a failure; if the check had already ended, no message at all.
        QVERIFY(messages.list.size() <= 1);
        QVERIFY(w.isVisible());
    }
};

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
