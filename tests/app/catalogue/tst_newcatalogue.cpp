// The new-catalogue dialog: its answer in the builder's start-folder form, the refusals, and the
// drives it offers.

#include "Drives.h"
#include "catalogue/NewCatalogueAnswer.h"
#include "catalogue/frmNouveau.h"
#include "controls/qvtBrowser.h"
#include "controls/qvtRepertoire.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace vambrel;

using Verdict = NewCatalogueAnswer::Verdict;
Q_DECLARE_METATYPE(NewCatalogueAnswer::Verdict)
Q_DECLARE_METATYPE(QList<bool>)

namespace {

QList<Drive> s_drives;

Drive drive(const char* root) {
    return {QString::fromUtf8(root), DriveType::Fixed, QStringLiteral("ext4"), QString()};
}

struct Messages {
    QList<QPair<QMessageBox::Icon, QString>> list;
    void attach(frmNouveau& d) {
        d.setMessageHandler([this](QMessageBox::Icon i, const QString& t) { list << qMakePair(i, t); });
    }
};

} // namespace

class TestNewCatalogue : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        s_drives = {drive("/"), drive("/media/ana/USB"), drive("/mnt/data")};
        qvtRepertoire::setDriveSource([] { return s_drives; });
    }
    void cleanupTestCase() { qvtRepertoire::setDriveSource({}); }

    void decide_data() {
        QTest::addColumn<bool>("drives");
        QTest::addColumn<QList<bool>>("selected");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("maskOut");
        const QList<bool> none{false, false, false};
        QTest::newRow("one folder") << false << none << "/home/ana/Docs"
                                    << "*.txt" << Verdict::Ok << "/home/ana/Docs"
                                    << "*.txt";
        QTest::newRow("empty pattern") << false << none << "/srv"
                                       << "" << Verdict::Ok << "/srv"
                                       << "*.*";
        QTest::newRow("empty folder is a cancel") << false << none << ""
                                                  << "*.*" << Verdict::Ok << ""
                                                  << "*.*";
        QTest::newRow("drives in list order") << true << QList<bool>{true, false, true} << "/ignored"
                                              << "*.*" << Verdict::Ok << "/:/mnt/data"
                                              << "*.*";
        QTest::newRow("one drive") << true << QList<bool>{false, true, false} << ""
                                   << "*.*" << Verdict::Ok << "/media/ana/USB"
                                   << "*.*";
        QTest::newRow("no drive") << true << none << "/srv"
                                  << "" << Verdict::NoDrive << ""
                                  << "*.*";
        QTest::newRow("separator in folder") << false << none << "/home/a:b"
                                             << "*.*" << Verdict::SeparatorInPath << ""
                                             << "*.*";
        QTest::newRow("folder option ignores drives") << false << QList<bool>{true, true, true} << "/x"
                                                      << "*.*" << Verdict::Ok << "/x"
                                                      << "*.*";
    }
    void decide() {
        QFETCH(bool, drives);
        QFETCH(QList<bool>, selected);
        QFETCH(QString, folder);
        QFETCH(QString, mask);
        QFETCH(Verdict, verdict);
        QFETCH(QString, tag);
        QFETCH(QString, maskOut);
        NewCatalogueAnswer::Choice choice;
        choice.drives = drives;
        choice.driveList = {QStringLiteral("/"), QStringLiteral("/media/ana/USB"),
                            QStringLiteral("/mnt/data")};
        choice.selected = selected;
        choice.folder = folder;
        choice.mask = mask;
        const auto result = NewCatalogueAnswer::Decide(choice);
        QCOMPARE(result.verdict, verdict);
        QCOMPARE(result.tag, tag);
        QCOMPARE(result.mask, maskOut);
        QCOMPARE(result.message.isEmpty(), verdict == Verdict::Ok);
    }

    void separatorInDriveRefused() {
        NewCatalogueAnswer::Choice choice;
        choice.drives = true;
        choice.driveList = {QStringLiteral("/"), QStringLiteral("/media/C:")};
        choice.selected = {false, true};
        const auto result = NewCatalogueAnswer::Decide(choice);
        QCOMPARE(result.verdict, Verdict::SeparatorInPath);
        QVERIFY(result.message.contains(QStringLiteral("« /media/C: »")));
    }

    void problemBeforeBuild_data() {
        QTest::addColumn<QString>("spec"); // @ is a temporary folder holding a/ and file.txt
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("problem"); // part of the message; empty: no problem
        QTest::newRow("fine") << "@/a"
                              << "@/new.dat" << QString();
        QTest::newRow("two fine folders") << "@/a:@"
                                          << "@/new.dat" << QString();
        QTest::newRow("a start folder gone") << "@/a:@/gone"
                                             << "@/new.dat"
                                             << "Le répertoire @/gone est introuvable";
        QTest::newRow("a start folder that is a file") << "@/file.txt"
                                                       << "@/new.dat"
                                                       << "Le répertoire @/file.txt est introuvable";
        QTest::newRow("target folder missing") << "@/a"
                                               << "@/none/new.dat"
                                               << "Impossible de créer @/none/new.dat";
        QTest::newRow("target under a file") << "@/a"
                                             << "@/file.txt/new.dat"
                                             << "Impossible de créer @/file.txt/new.dat";
    }
    void problemBeforeBuild() {
        QFETCH(QString, spec);
        QFETCH(QString, file);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("a")));
        QFile f(dir.filePath(QStringLiteral("file.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        spec.replace(u'@', dir.path());
        file.replace(u'@', dir.path());
        problem.replace(u'@', dir.path());
        const QString found = NewCatalogueAnswer::ProblemBeforeBuild(spec, file);
        if (problem.isEmpty())
            QVERIFY2(found.isEmpty(), qPrintable(found));
        else
            QVERIFY2(found.startsWith(problem), qPrintable(found));
    }

    void initialState() {
        frmNouveau dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Créer un nouveau fichier Vambrel"));
        QCOMPARE(dialog.optRacine(0)->text(), QStringLiteral("A partir des lecteurs"));
        QCOMPARE(dialog.optRacine(1)->text(), QStringLiteral("A partir du répertoire"));
        QVERIFY(!dialog.optRacine(0)->isChecked());
        QVERIFY(dialog.optRacine(1)->isChecked());
        QCOMPARE(dialog.txtMask()->text(), QStringLiteral("*.*"));
        QCOMPARE(dialog.lblMask()->text(), QStringLiteral("Masque de fichiers"));
        QCOMPARE(dialog.cmdAction(0)->text(), QStringLiteral("&OK"));
        QVERIFY(dialog.cmdAction(0)->isDefault());
        QCOMPARE(dialog.cmdAction(1)->text(), QStringLiteral("&Annuler"));
        QCOMPARE(dialog.lisLecteur()->count(), 3);
        QCOMPARE(dialog.lisLecteur()->item(1)->text(), QStringLiteral("/media/ana/USB"));
        // Without the explorer, the folder box starts on the default drive.
        QCOMPARE(dialog.qvtBrowse()->Text(), QStringLiteral("/"));
        QVERIFY(!dialog.lisLecteur()->isEnabled());
        QVERIFY(dialog.qvtBrowse()->Enabled());
        dialog.optRacine(0)->setChecked(true);
        QVERIFY(dialog.lisLecteur()->isEnabled());
        QVERIFY(!dialog.qvtBrowse()->Enabled());
    }

    void startsOnTheExplorersFolder() {
        frmNouveau::setStartFolderSource([] { return QStringLiteral("/mnt/data/Photos"); });
        frmNouveau dialog;
        frmNouveau::setStartFolderSource({});
        QCOMPARE(dialog.qvtBrowse()->Text(), QStringLiteral("/mnt/data/Photos"));
    }

    void drivesWhateverTheClickOrder() {
        frmNouveau dialog;
        dialog.optRacine(0)->setChecked(true);
        dialog.lisLecteur()->item(2)->setSelected(true);
        dialog.lisLecteur()->item(0)->setSelected(true);
        dialog.txtMask()->clear();
        dialog.cmdAction(0)->click();
        QCOMPARE(dialog.Tag(), QStringLiteral("/:/mnt/data"));
        QCOMPARE(dialog.txtMask()->text(), QStringLiteral("*.*"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void noDriveSelected() {
        frmNouveau dialog;
        Messages messages;
        messages.attach(dialog);
        dialog.show();
        dialog.optRacine(0)->setChecked(true);
        dialog.txtMask()->clear();
        dialog.cmdAction(0)->click();
        QCOMPARE(messages.list.size(), 1);
        QCOMPARE(messages.list[0].first, QMessageBox::Information);
        QCOMPARE(messages.list[0].second, QStringLiteral("Sélectionner au moins un lecteur."));
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.Tag().isEmpty());
        QVERIFY(dialog.txtMask()->text().isEmpty()); // refused before the pattern is looked at
    }

    void folderWithSeparatorRefused() {
        frmNouveau dialog;
        Messages messages;
        messages.attach(dialog);
        dialog.show();
        dialog.qvtBrowse()->setText(QStringLiteral("/home/ana/a:b"));
        dialog.cmdAction(0)->click();
        QCOMPARE(messages.list.size(), 1);
        QCOMPARE(messages.list[0].first, QMessageBox::Warning);
        QVERIFY(messages.list[0].second.startsWith(QStringLiteral("Le chemin « /home/ana/a:b » contient")));
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.Tag().isEmpty());
    }

    // Return in the folder box validates the dialog as it does in the mask box.
    void returnValidates_data() {
        QTest::addColumn<bool>("inFolderBox");
        QTest::newRow("folder box") << true;
        QTest::newRow("mask box") << false;
    }
    void returnValidates() {
        QFETCH(bool, inFolderBox);
        frmNouveau dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.optRacine(1)->setChecked(true);
        dialog.qvtBrowse()->setText(QStringLiteral("/srv/photos"));
        QWidget* box = inFolderBox ? static_cast<QWidget*>(dialog.qvtBrowse()->Text1()) : dialog.txtMask();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(dialog.Tag(), QStringLiteral("/srv/photos"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void folderAnswerAndCancel() {
        frmNouveau dialog;
        dialog.qvtBrowse()->setText(QStringLiteral("/srv/données"));
        dialog.txtMask()->setText(QStringLiteral("*.jpg"));
        dialog.cmdAction(0)->click();
        QCOMPARE(dialog.Tag(), QStringLiteral("/srv/données"));
        QCOMPARE(dialog.txtMask()->text(), QStringLiteral("*.jpg"));

        frmNouveau cancelled;
        cancelled.qvtBrowse()->setText(QStringLiteral("/srv"));
        cancelled.cmdAction(1)->click();
        QVERIFY(cancelled.Tag().isEmpty());
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
    }

    void drivesReadOnceAtLoad() {
        frmNouveau dialog;
        s_drives << drive("/media/ana/NEW");
        dialog.optRacine(0)->setChecked(true);
        QCOMPARE(dialog.lisLecteur()->count(), 3);
        s_drives.removeLast();
    }
};

QTEST_MAIN(TestNewCatalogue)
#include "tst_newcatalogue.moc"
