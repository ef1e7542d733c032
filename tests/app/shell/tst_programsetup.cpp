#include "catalogue/frmNouveau.h"
#include "catalogue/frmProprietes.h"
#include "catalogue/frmVersion.h"
#include "controls/ElidedLabel.h"
#include "controls/frmBrowse.h"
#include "controls/frmMsgBox.h"
#include "shell/ProgramSetup.h"
#include "shell/frmAbout.h"
#include "shell/frmPropPoste.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

using namespace vambrel;

class TestProgramSetup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(SetUpProgram(*qApp), "Qt's French texts are not installed"); }

    // The standard buttons and dialogs speak French, and the program's icon is on every window.
    void frenchAndIcon() {
        QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annuler"));
        QCOMPARE(QLocale().language(), QLocale::French);
        QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"),
                 QStringLiteral("Dossier"));
        QVERIFY(!QApplication::windowIcon().isNull());
        QVERIFY(QApplication::windowIcon().availableSizes().contains(QSize(32, 32)));
        QWidget window;
        QCOMPARE(window.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
    }

    // File types are told apart: an archive, an image and a text do not share one picture.
    void typesToldApart() {
        QVERIFY(!QIcon::themeName().isEmpty());
        const QIcon archive = QIcon::fromTheme(QStringLiteral("package-x-generic"));
        const QIcon image = QIcon::fromTheme(QStringLiteral("image-x-generic"));
        QVERIFY(!archive.isNull());
        QVERIFY(!image.isNull());
        QVERIFY(archive.pixmap(16).toImage() != image.pixmap(16).toImage());
    }

    // Modal dialogs have a title and a close button, never minimise or maximise buttons.
    void dialogFrames_data() {
        QTest::addColumn<std::shared_ptr<QDialog>>("dialog");
        QTest::newRow("frmNouveau") << std::shared_ptr<QDialog>(new frmNouveau);
        QTest::newRow("frmProprietes") << std::shared_ptr<QDialog>(new frmProprietes);
        QTest::newRow("frmVersion") << std::shared_ptr<QDialog>(new frmVersion);
        QTest::newRow("frmMsgBox") << std::shared_ptr<QDialog>(new frmMsgBox);
        QTest::newRow("frmBrowse") << std::shared_ptr<QDialog>(new frmBrowse);
        QTest::newRow("frmAbout") << std::shared_ptr<QDialog>(new frmAbout);
        QTest::newRow("frmPropPoste") << std::shared_ptr<QDialog>(new frmPropPoste);
    }
    void dialogFrames() {
        QFETCH(std::shared_ptr<QDialog>, dialog);
        const Qt::WindowFlags flags = dialog->windowFlags();
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(flags & Qt::WindowTitleHint);
    }

    // A value cut to its width ends with "..." and is whole in its tooltip; text() stays whole.
    void elidedValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("cut");
        const QString longText =
            QStringLiteral("Copyright (C) 1995-2026 Une société dont le nom est très long");
        QTest::newRow("fits") << QStringLiteral("1.2.3") << 300 << false;
        QTest::newRow("too long") << longText << 120 << true;
        QTest::newRow("nothing fits") << longText << 1 << true;
        QTest::newRow("empty") << QString() << 50 << false;
    }
    void elidedValues() {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(bool, cut);
        ElidedLabel label;
        label.setText(text);
        label.resize(width, label.sizeHint().height());
        label.grab(); // paints, as showing the window would
        QCOMPARE(label.text(), text);
        QCOMPARE(label.isCut(), cut);
        const QString shown = label.shownText(label.contentsRect().width());
        if (cut) {
            QVERIFY(shown.endsWith(QStringLiteral("...")));
            QVERIFY(text.startsWith(shown.chopped(3)));
            QCOMPARE(label.toolTip(), text);
            QVERIFY(label.fontMetrics().horizontalAdvance(shown) <=
                    std::max(width, label.fontMetrics().horizontalAdvance(QStringLiteral("..."))));
        } else {
            QCOMPARE(shown, text);
            QVERIFY(label.toolTip().isEmpty());
        }
    }
};

QTEST_MAIN(TestProgramSetup)
#include "tst_programsetup.moc"
