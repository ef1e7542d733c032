// cSHFileOp on the offscreen platform: the worker thread and the waiting caller, questions
// answered by the test or in the real French dialogs, errors, the progress window, cancellation.
#include "NativeName.h"
#include "explorer/FileOpProgressText.h"
#include "explorer/FileOpQuestionButtons.h"
#include "explorer/cSHFileOp.h"
#include "explorer/frmFileProgress.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vambrel;
using fileops::Function;
using fileops::Progress;
using fileops::Question;
using fileops::QuestionKind;
using fileops::Reply;

namespace {

bool put(const QString& path, const QByteArray& content) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

frmFileProgress* progressWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<frmFileProgress*>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

// Presses the button captioned `caption` of the next message box, once it shows; records its
// title, text and buttons.
struct BoxAnswerer {
    QString caption;
    QString title;
    QString text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool progressOverIt = false;
    int ticks = 0;
    QTimer timer;

    // Presses after `wait` ticks of 20 ms with the box open.
    explicit BoxAnswerer(const QString& pressed, int wait = 0) : caption(pressed) {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this, wait] {
            QMessageBox* box = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* found = qobject_cast<QMessageBox*>(widget); found && found->isVisible())
                    box = found;
            }
            if (!box)
                return;
            progressOverIt = progressOverIt || progressWindow() != nullptr;
            if (ticks++ < wait)
                return;
            timer.stop();
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            for (QAbstractButton* button : box->buttons())
                buttons << button->text();
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == caption)
                    button->click();
            }
        });
        timer.start();
    }
};

} // namespace

class TestShFileOp : public QObject {
    Q_OBJECT

private:
    QTemporaryDir* m_dir = nullptr;
    QString at(const QString& relative) const { return m_dir->path() + QLatin1Char('/') + relative; }

    void makeTree() {
        QVERIFY(QDir().mkpath(at(QStringLiteral("src"))));
        QVERIFY(QDir().mkpath(at(QStringLiteral("dest"))));
        QVERIFY(put(at(QStringLiteral("src/a.txt")), "new a"));
        QVERIFY(put(at(QStringLiteral("src/b.txt")), "new b"));
        QVERIFY(put(at(QStringLiteral("dest/a.txt")), "old a"));
        QVERIFY(put(at(QStringLiteral("dest/b.txt")), "old b"));
    }

    cSHFileOp copyBoth() {
        cSHFileOp op;
        op.AddSourceFile(at(QStringLiteral("src/a.txt")));
        op.AddSourceFile(at(QStringLiteral("src/b.txt")));
        op.AddDestFile(at(QStringLiteral("dest")));
        op.setRenameOnCollision(false);
        return op;
    }

private Q_SLOTS:
    void init() {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(at(QStringLiteral("xdg"))));
    }
    void cleanup() {
        delete m_dir;
        m_dir = nullptr;
    }

    void initialOptions() {
        const cSHFileOp op;
        QVERIFY(op.RecycleBin());
        QVERIFY(op.ConfirmMakeDir());
        QVERIFY(op.ConfirmOperation());
        QVERIFY(op.Title().isEmpty());
        QVERIFY(op.IncludeDirectories());
        QVERIFY(op.ParentWnd() == nullptr);
        QVERIFY(op.RenameOnCollision());
        QVERIFY(!op.SilentMode());
    }

    void noSourceIsFalse() {
        cSHFileOp op;
        op.AddDestFile(at(QStringLiteral("dest")));
        int asked = 0;
        op.setQuestionHandler([&](const Question&) {
            ++asked;
            return Reply::Yes;
        });
        QVERIFY(!op.CopyFiles());
        QVERIFY(!op.MoveFiles());
        QVERIFY(!op.DeleteFiles());
        QVERIFY(!op.RenameFiles());
        QCOMPARE(asked, 0);
        QVERIFY(op.lastErrors().isEmpty());
        // Cleared lists are new lists.
        op.AddSourceFile(QStringLiteral("/a"));
        op.ClearSourceFiles();
        op.AddSourceFile(QStringLiteral("/b"));
        QCOMPARE(op.sourceFiles(), QStringList{QStringLiteral("/b")});
    }

    void questionsOnTheWindowThread_data() {
        QTest::addColumn<QList<Reply>>("answers");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::newRow("yes, yes") << QList<Reply>{Reply::Yes, Reply::Yes} << true << QByteArray("new a")
                                  << QByteArray("new b");
        QTest::newRow("no, yes") << QList<Reply>{Reply::No, Reply::Yes} << false << QByteArray("old a")
                                 << QByteArray("new b");
        QTest::newRow("cancel") << QList<Reply>{Reply::Cancel} << false << QByteArray("old a")
                                << QByteArray("old b");
    }
    void questionsOnTheWindowThread() {
        QFETCH(QList<Reply>, answers);
        QFETCH(bool, result);
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        makeTree();
        cSHFileOp op = copyBoth();
        bool windowThread = true;
        op.setQuestionHandler([&](const Question& question) {
            windowThread = windowThread && QThread::currentThread() == qApp->thread();
            [&] { QCOMPARE(question.kind, QuestionKind::ReplaceFile); }();
            return answers.size() > 1 ? answers.takeFirst() : answers.first();
        });
        QCOMPARE(op.CopyFiles(), result);
        QVERIFY(windowThread);
        QCOMPARE(read(at(QStringLiteral("dest/a.txt"))), a);
        QCOMPARE(read(at(QStringLiteral("dest/b.txt"))), b);
        // The lists stay for a second run.
        QCOMPARE(op.sourceFiles().size(), 2);
    }

    void realQuestionDialog() {
        makeTree();
        cSHFileOp op = copyBoth();
        op.setProgressDelay(0);
        // Open long enough for the progress window to come, which it must not do over the question.
        BoxAnswerer answerer(QStringLiteral("Annuler"), 15);
        QVERIFY(!op.CopyFiles());
        QVERIFY(!answerer.progressOverIt);
        QCOMPARE(answerer.title, QStringLiteral("Confirmer le remplacement du fichier"));
        QVERIFY(answerer.text.contains(QStringLiteral("existe déjà")));
        QCOMPARE(answerer.icon, QMessageBox::Question);
        QStringList buttons = answerer.buttons;
        buttons.sort();
        QCOMPARE(buttons, (QStringList{QStringLiteral("&Non"), QStringLiteral("&Oui"),
                                       QStringLiteral("Annuler"), QStringLiteral("Oui pour &tous")}));
        QCOMPARE(read(at(QStringLiteral("dest/a.txt"))), QByteArray("old a"));
    }

    void realDeleteQuestion() {
        makeTree();
        cSHFileOp op;
        op.setRecycleBin(false);
        op.AddSourceFile(at(QStringLiteral("src/a.txt")));
        BoxAnswerer answerer(QStringLiteral("&Oui"));
        QVERIFY(op.DeleteFiles());
        QCOMPARE(answerer.title, QStringLiteral("Confirmer la suppression"));
        QCOMPARE(answerer.icon, QMessageBox::Warning);
        QVERIFY(answerer.text.startsWith(QStringLiteral("Voulez-vous vraiment supprimer définitivement ")));
        QVERIFY(!QFile::exists(at(QStringLiteral("src/a.txt"))));
    }

    void errorsInTheirDialog() {
        cSHFileOp op;
        op.AddSourceFile(at(QStringLiteral("missing")));
        op.AddDestFile(at(QStringLiteral("dest")));
        BoxAnswerer answerer(QStringLiteral("OK"));
        QVERIFY(!op.CopyFiles());
        QCOMPARE(answerer.icon, QMessageBox::Critical);
        QCOMPARE(op.lastErrors().size(), 1);
        QCOMPARE(answerer.text, op.lastErrors().first());
        QVERIFY(answerer.text.startsWith(QStringLiteral("Impossible de copier ")));
        QVERIFY(answerer.text.endsWith(QStringLiteral("Le fichier ou le répertoire n'existe plus.")));
    }

    void trashFromTheClass() {
        makeTree();
        cSHFileOp op;
        op.AddSourceFile(at(QStringLiteral("src/b.txt")));
        QVERIFY(op.DeleteFiles());
        QCOMPARE(read(at(QStringLiteral("xdg/Trash/files/b.txt"))), QByteArray("new b"));
    }

    void progressWindowAndCancel_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("silent");
        QTest::newRow("names") << QString() << false;
        QTest::newRow("title") << QStringLiteral("Sauvegarde") << false;
        QTest::newRow("silent") << QString() << true;
    }
    void progressWindowAndCancel() {
        QFETCH(QString, title);
        QFETCH(bool, silent);
        makeTree();
        cSHFileOp op = copyBoth();
        op.setProgressDelay(0);
        op.setTitle(title);
        op.setSilentMode(silent);
        bool shown = false;
        QString caption;
        QString action;
        // The worker waits on the question: the window has time to come, and its cancel button
        // is pressed before the answer.
        op.setQuestionHandler([&](const Question&) {
            QTest::qWait(300);
            if (frmFileProgress* window = progressWindow()) {
                shown = true;
                caption = window->windowTitle();
                action = window->actionText();
                window->cancelButton()->click();
            }
            return Reply::Yes;
        });
        // Silent: no window, nothing to cancel with, so both are replaced.
        QCOMPARE(op.CopyFiles(), silent);
        QCOMPARE(shown, !silent);
        if (!silent) {
            QCOMPARE(caption, title.isEmpty() ? QStringLiteral("Copie des fichiers") : title);
            QCOMPARE(action, title.isEmpty() ? QStringLiteral("Copie de a.txt") : title);
        }
        QVERIFY(progressWindow() == nullptr);
        // The cancellation came before the answer: nothing is replaced.
        QCOMPARE(read(at(QStringLiteral("dest/a.txt"))), silent ? QByteArray("new a") : QByteArray("old a"));
        QCOMPARE(read(at(QStringLiteral("dest/b.txt"))), silent ? QByteArray("new b") : QByteArray("old b"));
        QCOMPARE(read(at(QStringLiteral("src/b.txt"))), QByteArray("new b"));
        QCOMPARE(QDir(at(QStringLiteral("dest")))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    }

    void progressTexts_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<bool>("trash");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("folder");
        QTest::newRow("copy") << int(Function::Copy) << false << QString()
                              << QStringLiteral("Copie des fichiers")
                              << QStringLiteral("Copie de \\xFFté.jpg")
                              << QStringLiteral("Dans /data/photos");
        QTest::newRow("move") << int(Function::Move) << true << QString()
                              << QStringLiteral("Déplacement des fichiers")
                              << QStringLiteral("Déplacement de \\xFFté.jpg")
                              << QStringLiteral("Dans /data/photos");
        QTest::newRow("trash") << int(Function::Delete) << true << QString()
                               << QStringLiteral("Envoi à la corbeille")
                               << QStringLiteral("Envoi à la corbeille de \\xFFté.jpg")
                               << QStringLiteral("Dans /data/photos");
        QTest::newRow("delete") << int(Function::Delete) << false << QString()
                                << QStringLiteral("Suppression des fichiers")
                                << QStringLiteral("Suppression de \\xFFté.jpg")
                                << QStringLiteral("Dans /data/photos");
        QTest::newRow("rename") << int(Function::Rename) << true << QString()
                                << QStringLiteral("Renommage des fichiers")
                                << QStringLiteral("Renommage de \\xFFté.jpg")
                                << QStringLiteral("Dans /data/photos");
        QTest::newRow("title") << int(Function::Copy) << false << QStringLiteral("Sauvegarde")
                               << QStringLiteral("Sauvegarde") << QStringLiteral("Sauvegarde") << QString();
    }
    void progressTexts() {
        QFETCH(int, function);
        QFETCH(bool, trash);
        QFETCH(QString, title);
        QFETCH(QString, caption);
        QFETCH(QString, action);
        QFETCH(QString, folder);
        const FileOpProgressText texts(Function(function), trash, title);
        Progress progress;
        progress.current =
            QStringLiteral("/data/photos/") + QChar(char16_t(0xF7FF)) + QStringLiteral("té.jpg");
        QCOMPARE(texts.caption(), caption);
        QCOMPARE(texts.action(progress), action);
        QCOMPARE(texts.folder(progress), folder);
        QCOMPARE(texts.action(Progress()), title.isEmpty() ? QStringLiteral("Préparation...") : title);
    }

    void progressFigures_data() {
        QTest::addColumn<qint64>("itemsDone");
        QTest::addColumn<qint64>("itemsTotal");
        QTest::addColumn<qint64>("bytesDone");
        QTest::addColumn<qint64>("bytesTotal");
        QTest::addColumn<QString>("items");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<int>("permille");
        QTest::newRow("nothing counted")
            << qint64(0) << qint64(0) << qint64(0) << qint64(0) << QString() << QString() << 0;
        QTest::newRow("first") << qint64(0) << qint64(1200) << qint64(0) << qint64(0)
                               << QStringLiteral("Élément 1 sur 1 200") << QString() << 0;
        QTest::newRow("by entries") << qint64(3) << qint64(12) << qint64(0) << qint64(0)
                                    << QStringLiteral("Élément 4 sur 12") << QString() << 250;
        QTest::newRow("by data") << qint64(1) << qint64(4) << qint64(1024) << qint64(4096)
                                 << QStringLiteral("Élément 2 sur 4") << QStringLiteral("1 Ko sur 4 Ko")
                                 << 250;
        QTest::newRow("all done") << qint64(4) << qint64(4) << qint64(4096) << qint64(4096)
                                  << QStringLiteral("Élément 4 sur 4") << QStringLiteral("4 Ko sur 4 Ko")
                                  << 1000;
        // Totals that grow late (a move that had to copy) never show more than all.
        QTest::newRow("beyond") << qint64(9) << qint64(4) << qint64(5000) << qint64(4096)
                                << QStringLiteral("Élément 4 sur 4") << QStringLiteral("4 Ko sur 4 Ko")
                                << 1000;
    }
    void progressFigures() {
        QFETCH(qint64, itemsDone);
        QFETCH(qint64, itemsTotal);
        QFETCH(qint64, bytesDone);
        QFETCH(qint64, bytesTotal);
        QFETCH(QString, items);
        QFETCH(QString, bytes);
        QFETCH(int, permille);
        const FileOpProgressText texts(Function::Copy, false, QString());
        Progress progress;
        progress.itemsDone = itemsDone;
        progress.itemsTotal = itemsTotal;
        progress.bytesDone = bytesDone;
        progress.bytesTotal = bytesTotal;
        QCOMPARE(texts.items(progress), items);
        QCOMPARE(texts.bytes(progress), bytes);
        QCOMPARE(texts.permille(progress), permille);
    }

    void questionButtons_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("offersAll");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<Reply>("defaultReply");
        QTest::addColumn<Reply>("escapeReply");
        const QStringList four{QStringLiteral("&Oui"), QStringLiteral("Oui pour &tous"),
                               QStringLiteral("&Non"), QStringLiteral("Annuler")};
        const QStringList two{QStringLiteral("&Oui"), QStringLiteral("&Non")};
        QTest::newRow("replace") << int(QuestionKind::ReplaceFile) << true << four << Reply::Yes
                                 << Reply::Cancel;
        QTest::newRow("replace, one entry")
            << int(QuestionKind::ReplaceFile) << false << two << Reply::Yes << Reply::No;
        QTest::newRow("merge") << int(QuestionKind::MergeFolder) << true << four << Reply::Yes
                               << Reply::Cancel;
        QTest::newRow("delete for good")
            << int(QuestionKind::DeleteForGood) << true << two << Reply::No << Reply::No;
        QTest::newRow("make folder") << int(QuestionKind::MakeDir) << true << two << Reply::Yes << Reply::No;
        QTest::newRow("no trash") << int(QuestionKind::DeleteWithoutTrash) << true << four << Reply::No
                                  << Reply::Cancel;
    }
    void questionButtons() {
        QFETCH(int, kind);
        QFETCH(bool, offersAll);
        QFETCH(QStringList, captions);
        QFETCH(Reply, defaultReply);
        QFETCH(Reply, escapeReply);
        Question question;
        question.kind = QuestionKind(kind);
        question.offersAll = offersAll;
        const FileOpQuestionButtons buttons(question);
        QStringList shown;
        for (const FileOpQuestionButtons::Button& button : buttons.buttons())
            shown << button.caption;
        QCOMPARE(shown, captions);
        QCOMPARE(buttons.defaultReply(), defaultReply);
        QCOMPARE(buttons.escapeReply(), escapeReply);
        QVERIFY(!buttons.title().isEmpty());
    }
};

QTEST_MAIN(TestShFileOp)
#include "tst_shfileop.moc"
