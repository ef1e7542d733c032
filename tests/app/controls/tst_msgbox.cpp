#include "controls/ControlError.h"
#include "controls/MsgBoxButtonSet.h"
#include "controls/MsgBoxLayout.h"
#include "controls/frmMsgBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

using namespace vambrel;

namespace {

// Counts the F1 presses that reach it.
class HelpTarget : public QWidget {
public:
    int f1 = 0;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_F1)
            ++f1;
    }
};

// Shows the box without blocking, the way the user sees it.
void open(frmMsgBox& box) {
    box.show();
    QVERIFY(QTest::qWaitForWindowActive(&box));
}

void key(frmMsgBox& box, Qt::Key k) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target && box.isAncestorOf(target) ? target : &box, k);
}

QString caption(int formType, int i) {
    return MsgBoxButtonSet::forType(formType).captions.value(i);
}

} // namespace

class TestMsgBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buttonSets_data();
    void buttonSets();
    void arrange_data();
    void arrange();
    void keepOnScreen_data();
    void keepOnScreen();
    void keys_data();
    void keys();
    void clickReturnsPosition_data();
    void clickReturnsPosition();
    void focusedButton_data();
    void focusedButton();
    void helpButton();
    void buttonCaptions();
    void clearAllButtons();
    void properties();
    void showModal();
    void longMessageStaysOnScreen();
};

void TestMsgBox::buttonSets_data() {
    QTest::addColumn<int>("formType");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("cancelButton");
    QTest::newRow("0") << 0 << QStringList{} << -1 << -1;
    QTest::newRow("1") << 1 << QStringList{QStringLiteral("OK")} << -1 << -1;
    QTest::newRow("2") << 2 << QStringList{QStringLiteral("OK"), QStringLiteral("Annuler")} << 0 << 1;
    QTest::newRow("3") << 3 << QStringList{QStringLiteral("&Oui"), QStringLiteral("&Non")} << 0 << 1;
    QTest::newRow("4") << 4
                       << QStringList{QStringLiteral("&Oui"), QStringLiteral("&Non"),
                                      QStringLiteral("Annuler")}
                       << 0 << 2;
    QTest::newRow("5") << 5 << QStringList{QStringLiteral("&Réessayer"), QStringLiteral("Annuler")} << 0 << 1;
    QTest::newRow("6") << 6
                       << QStringList{QStringLiteral("&Abandon"), QStringLiteral("&Réessayer"),
                                      QStringLiteral("&Ignorer")}
                       << 0 << 2;
    QTest::newRow("7") << 7 << QStringList{} << -1 << -1;
}

void TestMsgBox::buttonSets() {
    QFETCH(int, formType);
    QFETCH(QStringList, captions);
    QFETCH(int, defaultButton);
    QFETCH(int, cancelButton);
    const MsgBoxButtonSet set = MsgBoxButtonSet::forType(formType);
    QCOMPARE(set.captions, captions);
    QCOMPARE(set.defaultButton, defaultButton);
    QCOMPARE(set.cancelButton, cancelButton);
    if (formType > MsgBoxButtonSet::MaxFormType)
        return;
    frmMsgBox box;
    box.setFormType(formType);
    QCOMPARE(box.ButtonCount(), captions.size());
    for (int i = 0; i < captions.size(); ++i) {
        QCOMPARE(box.ButtonCaption(i + 1), captions[i]);
        QCOMPARE(box.button(i + 1)->isDefault(), i == defaultButton);
        QCOMPARE(box.buttonTag(i + 1), QString::number(i + 1));
    }
}

void TestMsgBox::arrange_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("message");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QRect>("messageRect");
    QTest::addColumn<QRect>("firstButton");
    QTest::addColumn<QSize>("box");
    const QSize button(80, 24);
    const QSize big(1000, 800);
    // Picture 32×32 at (12,12); message starts at 12 + 32 + 12 = 56.
    QTest::newRow("picture, short message centred on it")
        << QSize(32, 32) << QSize(200, 16) << 2 << big << QRect(56, 20, 200, 16) << QRect(51, 56, 80, 24)
        << QSize(268, 92);
    QTest::newRow("tall message pushes buttons down")
        << QSize(32, 32) << QSize(200, 100) << 1 << big << QRect(56, 12, 200, 100) << QRect(94, 124, 80, 24)
        << QSize(268, 160);
    QTest::newRow("no picture") << QSize() << QSize(100, 16) << 1 << big << QRect(12, 12, 100, 16)
                                << QRect(40, 40, 80, 24) << QSize(160, 76);
    QTest::newRow("button row wider than message")
        << QSize() << QSize(50, 16) << 4 << big << QRect(12, 12, 50, 16) << QRect(12, 40, 80, 24)
        << QSize(362, 76);
    QTest::newRow("no buttons") << QSize() << QSize(300, 40) << 0 << big << QRect(12, 12, 300, 40) << QRect()
                                << QSize(324, 64);
    QTest::newRow("screen too low: message gives way")
        << QSize() << QSize(300, 500) << 1 << QSize(800, 200) << QRect(12, 12, 300, 140)
        << QRect(122, 164, 80, 24) << QSize(324, 200);
    QTest::newRow("screen too narrow") << QSize() << QSize(700, 16) << 1 << QSize(400, 600)
                                       << QRect(12, 12, 376, 16) << QRect(160, 40, 80, 24) << QSize(400, 76);
}

void TestMsgBox::arrange() {
    QFETCH(QSize, picture);
    QFETCH(QSize, message);
    QFETCH(int, buttons);
    QFETCH(QSize, screen);
    QFETCH(QRect, messageRect);
    QFETCH(QRect, firstButton);
    QFETCH(QSize, box);
    const auto r = MsgBoxLayout::arrange(picture, message, QSize(80, 24), buttons, screen);
    QCOMPARE(r.message, messageRect);
    QCOMPARE(r.buttons.size(), buttons);
    QCOMPARE(r.buttons.value(0), firstButton);
    QCOMPARE(r.box, box);
    const QRect client(QPoint(0, 0), r.box);
    for (const QRect& b : r.buttons) {
        QVERIFY(client.contains(b));
        QVERIFY(!b.intersects(r.message));
        QVERIFY(!b.intersects(r.picture));
    }
    if (!picture.isEmpty())
        QVERIFY(r.message.left() > r.picture.right());
}

void TestMsgBox::keepOnScreen_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("expected");
    const QRect screen(0, 0, 1000, 700);
    QTest::newRow("inside") << QRect(100, 100, 300, 200) << QRect(100, 100, 300, 200);
    QTest::newRow("off right") << QRect(900, 100, 300, 200) << QRect(700, 100, 300, 200);
    QTest::newRow("off bottom") << QRect(100, 650, 300, 200) << QRect(100, 500, 300, 200);
    QTest::newRow("off top left") << QRect(-50, -20, 300, 200) << QRect(0, 0, 300, 200);
    QTest::newRow("bigger than screen") << QRect(-50, -20, 1300, 900) << QRect(0, 0, 1000, 700);
}

void TestMsgBox::keepOnScreen() {
    QFETCH(QRect, frame);
    QFETCH(QRect, expected);
    QCOMPARE(MsgBoxLayout::keepOnScreen(frame, QRect(0, 0, 1000, 700)), expected);
}

void TestMsgBox::keys_data() {
    QTest::addColumn<int>("formType");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("tag"); // empty: the box stays open
    const int enter = Qt::Key_Return, escape = Qt::Key_Escape;
    QTest::newRow("1 enter presses the focused OK") << 1 << enter << "1";
    QTest::newRow("1 escape ignored") << 1 << escape << "";
    QTest::newRow("2 enter") << 2 << enter << "1";
    QTest::newRow("2 escape") << 2 << escape << "2";
    QTest::newRow("3 enter") << 3 << enter << "1";
    QTest::newRow("3 escape gives Non") << 3 << escape << "2";
    QTest::newRow("4 enter") << 4 << enter << "1";
    QTest::newRow("4 escape") << 4 << escape << "3";
    QTest::newRow("5 enter") << 5 << enter << "1";
    QTest::newRow("5 escape") << 5 << escape << "2";
    QTest::newRow("6 enter") << 6 << enter << "1";
    QTest::newRow("6 escape gives Ignorer") << 6 << escape << "3";
    QTest::newRow("6 keypad enter") << 6 << int(Qt::Key_Enter) << "1";
}

void TestMsgBox::keys() {
    QFETCH(int, formType);
    QFETCH(int, key);
    QFETCH(QString, tag);
    frmMsgBox box;
    box.setFormType(formType);
    box.setHelpButton(true); // never the default nor the cancel button
    box.setMessage(QStringLiteral("Continuer ?"));
    open(box);
    ::key(box, Qt::Key(key));
    QCOMPARE(box.Tag(), tag);
    QCOMPARE(box.isVisible(), tag.isEmpty());
    if (!tag.isEmpty())
        QCOMPARE(box.result(), tag.toInt());
}

void TestMsgBox::clickReturnsPosition_data() {
    QTest::addColumn<int>("formType");
    QTest::addColumn<int>("position");
    for (int type = 1; type <= MsgBoxButtonSet::MaxFormType; ++type)
        for (int i = 1; i <= MsgBoxButtonSet::forType(type).captions.size(); ++i)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(type).arg(caption(type, i - 1))))
                << type << i;
}

void TestMsgBox::clickReturnsPosition() {
    QFETCH(int, formType);
    QFETCH(int, position);
    frmMsgBox box;
    box.setFormType(formType);
    open(box);
    QTest::mouseClick(box.button(position), Qt::LeftButton);
    QCOMPARE(box.Tag(), QString::number(position));
    QVERIFY(!box.isVisible());
}

void TestMsgBox::focusedButton_data() {
    QTest::addColumn<int>("formType");
    QTest::addColumn<int>("focused");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("enterTag");
    QTest::newRow("second of two") << 3 << 2 << 2 << "2";
    QTest::newRow("third of three") << 4 << 3 << 3 << "3";
    QTest::newRow("four on two ignored") << 3 << 4 << 0 << "1";
    QTest::newRow("negative ignored") << 2 << -1 << 0 << "1";
    QTest::newRow("zero keeps default") << 2 << 0 << 0 << "1";
}

void TestMsgBox::focusedButton() {
    QFETCH(int, formType);
    QFETCH(int, focused);
    QFETCH(int, stored);
    QFETCH(QString, enterTag);
    frmMsgBox box;
    box.setFormType(formType);
    box.setFocusedButton(focused);
    QCOMPARE(box.FocusedButton(), stored);
    open(box);
    if (stored > 0)
        QCOMPARE(QApplication::focusWidget(), box.button(stored));
    key(box, Qt::Key_Return);
    QCOMPARE(box.Tag(), enterTag);
}

void TestMsgBox::helpButton() {
    HelpTarget owner;
    owner.show();
    frmMsgBox box(&owner);
    box.setHelpButton(true);
    box.setFormType(2);
    QCOMPARE(box.ButtonCount(), 2);
    QPushButton* help = box.helpButtonWidget();
    QVERIFY(help);
    QCOMPARE(help->text(), QStringLiteral("Aide"));
    QCOMPARE(box.buttonTag(3), QString());
    QCOMPARE(box.button(3), help); // last
    QVERIFY(!help->isDefault());
    open(box);
    QVERIFY(help->geometry().left() > box.button(2)->geometry().right());
    QTest::mouseClick(help, Qt::LeftButton);
    QTRY_COMPARE(owner.f1, 1);
    QVERIFY(box.isVisible());
    QCOMPARE(box.Tag(), QString());
    box.setFocusedButton(3); // the help button counts among the buttons
    QCOMPARE(box.FocusedButton(), 3);
    box.setHelpButton(false);
    QVERIFY(!box.helpButtonWidget());
}

void TestMsgBox::buttonCaptions() {
    frmMsgBox box;
    box.setFormType(0);
    QCOMPARE(box.ButtonCount(), 0);
    box.setButtonCaption(1, QStringLiteral("&Détruire"));
    box.setButtonCaption(2, QStringLiteral("&Garder"));
    QCOMPARE(box.ButtonCount(), 2);
    box.setButtonCaption(1, QStringLiteral("&Effacer"));
    QCOMPARE(box.ButtonCaption(1), QStringLiteral("&Effacer"));
    QCOMPARE(box.ButtonCaption(2), QStringLiteral("&Garder"));
    for (int bad : {0, 3, -1}) {
        try {
            box.ButtonCaption(bad);
            QFAIL("out-of-range caption read");
        } catch (const ControlError& e) {
            QCOMPARE(e.number(), ControlError::SubscriptOutOfRange);
            QCOMPARE(e.source(), QStringLiteral("frmMsgBox"));
        }
    }
    try {
        box.setButtonCaption(4, QStringLiteral("x")); // only the next position adds a button
        QFAIL("gap in the buttons");
    } catch (const ControlError& e) {
        QCOMPARE(e.number(), ControlError::SubscriptOutOfRange);
    }
    open(box);
    QTest::mouseClick(box.button(2), Qt::LeftButton);
    QCOMPARE(box.Tag(), QStringLiteral("2"));
}

void TestMsgBox::clearAllButtons() {
    frmMsgBox box;
    box.setHelpButton(true);
    box.setFormType(4);
    box.setFocusedButton(2);
    box.ClearAllButtons();
    QCOMPARE(box.ButtonCount(), 0);
    QCOMPARE(box.FocusedButton(), 0);
    QVERIFY(!box.helpButtonWidget());
    QCOMPARE(box.findChildren<QPushButton*>().size(), 0);
    box.setButtonCaption(1, QStringLiteral("Fermer"));
    QCOMPARE(box.ButtonCount(), 1);
    QCOMPARE(box.buttonTag(1), QStringLiteral("1"));
}

void TestMsgBox::properties() {
    frmMsgBox box;
    QCOMPARE(box.Title(), QStringLiteral("Vambrel"));
    box.setTitle(QStringLiteral("Détruire"));
    QCOMPARE(box.windowTitle(), QStringLiteral("Détruire"));
    box.setMessage(QStringLiteral("Détruire définitivement 3 fichiers ?"));
    QCOMPARE(box.Message(), QStringLiteral("Détruire définitivement 3 fichiers ?"));
    QCOMPARE(box.PictureType(), 0);
    for (int type = 1; type <= 4; ++type) {
        box.setPictureType(type);
        QCOMPARE(box.PictureType(), type);
        QVERIFY(!frmMsgBox::stockPicture(type, &box).isNull());
    }
    try {
        box.setPictureType(5);
        QFAIL("picture 5 accepted");
    } catch (const ControlError& e) {
        QCOMPARE(e.number(), ControlError::InvalidPropertyValue);
    }
    QCOMPARE(box.PictureType(), 4);
    try {
        box.setFormType(7);
        QFAIL("form type 7 accepted");
    } catch (const ControlError& e) {
        QCOMPARE(e.number(), ControlError::InvalidPropertyValue);
    }
    QPixmap custom(20, 20);
    custom.fill(Qt::red);
    box.setCustomPicture(custom);
    box.setFormType(1);
    open(box);
    const auto labels = box.findChildren<QLabel*>();
    bool found = false;
    for (const QLabel* l : labels)
        found = found || (l->isVisible() && l->pixmap().size() == QSize(20, 20));
    QVERIFY(found);
}

void TestMsgBox::showModal() {
    frmMsgBox box;
    box.setFormType(3);
    box.setMessage(QStringLiteral("Remplacer le fichier ?"));
    QTimer::singleShot(0, &box, [&box] {
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::keyClick(&box, Qt::Key_Escape);
    });
    QCOMPARE(box.ShowModal(), QStringLiteral("2"));
    QVERIFY(!box.isVisible());
}

void TestMsgBox::longMessageStaysOnScreen() {
    frmMsgBox box;
    box.setFormType(2);
    box.setPictureType(3);
    QString text;
    for (int i = 0; i < 400; ++i)
        text += QStringLiteral("Ligne %1 d'un message très long. ").arg(i);
    box.setMessage(text);
    open(box);
    const QRect available = box.screen()->availableGeometry();
    QVERIFY(available.contains(box.frameGeometry()));
    QVERIFY(box.rect().contains(box.button(2)->geometry()));
}

QTEST_MAIN(TestMsgBox)
#include "tst_msgbox.moc"
