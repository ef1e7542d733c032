// A demonstration of the four components together on the offscreen platform: a window with a
// splitter between a list and a scrolled page, the two progress bars below, and a message box.
// Set VAMBREL_DEMO_DIR to keep the pictures.
#include "controls/LightPalette.h"
#include "controls/LightProgress.h"
#include "controls/TubProgress.h"
#include "controls/cScrollBar.h"
#include "controls/cVSplitter.h"
#include "controls/frmMsgBox.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QFrame>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace vambrel;

namespace {

// A page drawn at the scroll bars' position, like the preview window does.
class PageArea : public QAbstractScrollArea {
public:
    cScrollBar bars;
    explicit PageArea(QWidget* parent) : QAbstractScrollArea(parent) {
        bars.Attach(this);
        bars.setBarVisible(3, true);
        bars.setMax(0, 300);
        bars.setLargeChange(0, 100);
        bars.setMax(1, 600);
        bars.setLargeChange(1, 150);
        bars.setSmallChange(1, 15);
        QObject::connect(&bars, &cScrollBar::Change, viewport(), [this] { viewport()->update(); });
        QObject::connect(&bars, &cScrollBar::Scroll, viewport(), [this] { viewport()->update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(viewport());
        p.fillRect(viewport()->rect(), Qt::darkGray);
        const QRect page(20 - bars.Value(0), 20 - bars.Value(1), 400, 800);
        p.fillRect(page, Qt::white);
        p.setPen(Qt::black);
        for (int line = 0; line < 30; ++line)
            p.drawText(page.left() + 20, page.top() + 40 + line * 24,
                       QStringLiteral("Fichier%1.txt    %2 Ko").arg(line).arg(line * 17));
    }
};

void keep(const QImage& image, const QString& name, const QTemporaryDir& dir) {
    QVERIFY(image.save(dir.filePath(name)));
    const QByteArray demo = qgetenv("VAMBREL_DEMO_DIR");
    if (!demo.isEmpty())
        QVERIFY(image.save(QDir(QString::fromLocal8Bit(demo)).filePath(name)));
}

} // namespace

class TestControlsDemo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void window();
    void messageBox();
};

void TestControlsDemo::window() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    QWidget window;
    window.resize(640, 420);
    QWidget* panes = new QWidget(&window);
    panes->setGeometry(0, 0, 640, 360);
    auto* list = new QListWidget(panes);
    for (const char* name : {"Documents", "Images", "Musique", "Projets", "Téléchargements"})
        list->addItem(QString::fromUtf8(name));
    auto* page = new PageArea(panes);
    auto* bar = new QFrame(panes);
    bar->setGeometry(200, 0, 3, 10);
    cVSplitter splitter;
    splitter.setTrackSplit(true);
    QVERIFY(splitter.SetControls(bar, list, page, panes));

    auto* lights = new LightProgress(&window);
    lights->move(10, 375);
    lights->resize(300, 13);
    lights->setLightColor(0);
    auto* tub = new TubProgress(&window);
    tub->setGeometry(330, 370, 300, 24);

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    lights->setValue(60);
    tub->setValue(45);
    page->bars.setValue(1, 120);
    // Drag the splitter to 240 pixels.
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(1, 5), bar->mapToGlobal(QPointF(1, 5)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &down);
    QMouseEvent move(QEvent::MouseMove, QPointF(41, 5), bar->mapToGlobal(QPointF(41, 5)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &move);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(1, 5), bar->mapToGlobal(QPointF(1, 5)), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &up);
    QCOMPARE(splitter.Left(), 240);

    const QImage image = window.grab().toImage();
    keep(image, QStringLiteral("controls.png"), dir);
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("controls.png"))).size() > 0);

    // What the picture shows: 60% of the lights lit, then unlit ones; the tube filled to 45%;
    // the page scrolled; the panes split at the bar.
    const int n = lights->layout().count();
    const int lit = lights->litCount();
    QCOMPARE(lit, (60 * n + 99) / 100);
    const QPoint at = lights->pos();
    const LightPalette green = LightPalette::forIndex(0);
    QCOMPARE(image.pixelColor(at + lights->layout().lightRect(0).center()), green.litFace);
    QCOMPARE(image.pixelColor(at + lights->layout().lightRect(lit - 1).center()), green.litFace);
    QCOMPARE(image.pixelColor(at + lights->layout().lightRect(lit).center()), green.unlitFace);
    const QRect filled = tub->fillRect(0, tub->filledLength()).translated(tub->pos());
    QVERIFY(image.pixelColor(filled.center()).green() > image.pixelColor(filled.center()).red());
    QCOMPARE(image.pixelColor(filled.right() + 3, filled.center().y()), QColor(0xC0, 0xC0, 0xC0));
    QCOMPARE(list->geometry(), QRect(0, 0, 240, 360));
    QCOMPARE(page->geometry().left(), 243);
    QCOMPARE(page->verticalScrollBar()->value(), 120);
    QVERIFY(page->verticalScrollBar()->isVisible());
    QVERIFY(page->horizontalScrollBar()->isVisible());
}

void TestControlsDemo::messageBox() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    frmMsgBox box;
    box.setTitle(QStringLiteral("Détruire"));
    box.setFormType(4);
    box.setHelpButton(true);
    box.setPictureType(3);
    box.setMessage(
        QStringLiteral("Les 3 éléments sélectionnés seront détruits définitivement : leur contenu sera "
                       "écrasé avant leur suppression et ne pourra pas être récupéré.\n\nContinuer ?"));
    box.setFocusedButton(2);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QImage image = box.grab().toImage();
    keep(image, QStringLiteral("msgbox.png"), dir);
    QCOMPARE(image.size(), box.size());
    // Four buttons in a row: "&Oui", "&Non", "Annuler", "Aide".
    const auto buttons = box.findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 4);
    for (int i = 1; i < 4; ++i)
        QCOMPARE(box.button(i + 1)->y(), box.button(1)->y());
    QCOMPARE(box.button(4)->text(), QStringLiteral("Aide"));
}

QTEST_MAIN(TestControlsDemo)
#include "tst_controlsdemo.moc"
