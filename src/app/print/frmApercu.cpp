#include "frmApercu.h"

#include "ApercuGeometry.h"
#include "controls/WaitCursor.h"
#include "controls/cScrollBar.h"
#include "frmConfig.h"
#include "shell/WindowPlacement.h"
#include "shell/mSettings.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace vambrel {

namespace {

const QString kHeight = QStringLiteral("Height");
const QString kWidth = QStringLiteral("Width");
const QString kTop = QStringLiteral("Top");
const QString kLeft = QStringLiteral("Left");

QIcon themeIcon(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QLatin1String(name), QApplication::style()->standardIcon(fallback));
}

} // namespace

frmApercu::frmApercu(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setWindowTitle(QStringLiteral("Aperçu avant impression"));

    m_mnuImprimer = menuBar()->addAction(QStringLiteral("&Imprimer"), this, [this] { mnuImprimer_Click(); });
    m_mnuConfigurer =
        menuBar()->addAction(QStringLiteral("&Configurer"), this, [this] { mnuConfigurer_Click(); });

    m_tooBar = addToolBar(QStringLiteral("Aperçu"));
    m_tooBar->setMovable(false);
    m_tooBar->setFloatable(false);
    m_tooBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolButtons[0] =
        m_tooBar->addAction(QIcon::fromTheme(QStringLiteral("document-print")), QStringLiteral("Imprimer"),
                            this, [this] { tooBar_ButtonClick(1); });
    m_toolButtons[1] =
        m_tooBar->addAction(themeIcon("configure", QStyle::SP_FileDialogDetailedView),
                            QStringLiteral("Configurer"), this, [this] { tooBar_ButtonClick(2); });
    m_tooBar->addSeparator();

    auto* fraNav = new QWidget(m_tooBar);
    auto* navLayout = new QHBoxLayout(fraNav);
    navLayout->setContentsMargins(4, 0, 4, 0);
    const char* const navIcons[4] = {"go-previous", "go-next", "go-first", "go-last"};
    const QStyle::StandardPixmap navFallbacks[4] = {QStyle::SP_ArrowLeft, QStyle::SP_ArrowRight,
                                                    QStyle::SP_MediaSkipBackward,
                                                    QStyle::SP_MediaSkipForward};
    const QString navTips[4] = {QStringLiteral("Page précédente"), QStringLiteral("Page suivante"),
                                QStringLiteral("Première page"), QStringLiteral("Dernière page")};
    // Shown in reading order: first, previous, next, last.
    for (int i : {2, 0, 1, 3}) {
        auto* b = new QToolButton(fraNav);
        b->setIcon(themeIcon(navIcons[i], navFallbacks[i]));
        b->setToolTip(navTips[i]);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, i] { imaNav_Click(i); });
        m_imaNav[size_t(i)] = b;
        navLayout->addWidget(b);
    }
    m_lblPage = new QLabel(fraNav);
    m_lblPage->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000 sur 00000")));
    m_lblPage->setAlignment(Qt::AlignCenter);
    navLayout->insertWidget(2, m_lblPage);
    m_tooBar->addWidget(fraNav);

    m_area = new QAbstractScrollArea(this);
    m_area->setFocusPolicy(Qt::NoFocus);
    QPalette grey = m_area->viewport()->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    m_area->viewport()->setPalette(grey);
    m_area->viewport()->setBackgroundRole(QPalette::Window);
    m_area->viewport()->setAutoFillBackground(true);
    m_area->viewport()->installEventFilter(this);
    m_area->installEventFilter(this);
    setCentralWidget(m_area);

    m_picApercu = new QLabel(m_area->viewport());
    m_picApercu->setFixedSize(ListingPrinter::sheetPixels());
    m_picApercu->setAutoFillBackground(true);
    QPalette white = m_picApercu->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_picApercu->setPalette(white);
    m_picApercu->move(ApercuGeometry::sheetPosition(0, 0));

    m_msb = new cScrollBar(this);
    m_msb->Attach(m_area);
    m_msb->setSmallChange(0, ApercuGeometry::kSmallChange);
    m_msb->setSmallChange(1, ApercuGeometry::kSmallChange);
    m_msb->setLargeChange(0, ApercuGeometry::kHorizontalLargeChange);
    m_msb->setBarVisible(3, true);
    connect(m_msb, &cScrollBar::Change, this, [this](int bar) { msb_Change(bar); });

    resize(900, 700);
    restorePlacement();
    if (m_filesPerLine == 0)
        m_filesPerLine = 1;
    setFocusPolicy(Qt::StrongFocus);
    updateControls();
}

frmApercu::~frmApercu() {
    unload();
}

frmApercu* frmApercu::openCatalogue(QWidget* owner, const QString& catalogueFile, bool computerListing,
                                    QString* error) {
    Database db;
    if (!db.open(catalogueFile, OpenMode::ReadOnly)) {
        if (error)
            *error = db.lastError();
        return nullptr;
    }
    auto* w = new frmApercu(owner);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setDatabase(std::move(db));
    w->setComputerListing(computerListing);
    if (!w->PopulateRec()) {
        if (error)
            *error = w->lastError();
        delete w;
        return nullptr;
    }
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
    return w;
}

bool frmApercu::PopulateRec() {
    WaitCursor wait;
    if (m_filesPerLine < 1 || m_filesPerLine > 4)
        m_filesPerLine = 1;
    // The rows depend on the folder filter only: a new layout pages the rows already read.
    if (!m_report || m_reportFilter != m_folderFilter) {
        m_printer.reset();
        m_report.reset();
        m_reportFilter = -1;
        auto report = ListingReport::open(m_db, m_folderFilter);
        if (!report) {
            m_error = QStringLiteral("Impossible de lire le catalogue ") + m_db.path() +
                      QStringLiteral(" : ") + report.error();
            m_pages = ListingPagination();
            m_nav.reset(0);
            m_sheetImage = QImage();
            showPage();
            return false;
        }
        m_report = std::make_unique<ListingReport>(std::move(report.value()));
        m_reportFilter = m_folderFilter;
    }
    m_printer.reset();
    m_pages = ListingPagination(m_report->fileCounts(), m_filesPerLine);
    m_printer = std::make_unique<ListingPrinter>(*m_report, m_pages, m_computerListing);
    m_nav.reset(m_pages.pageCount());
    m_sheetImage = QImage();
    if (m_nav.pageCount() > 0)
        Imprime(0, 1, 1);
    else
        showPage();
    return true;
}

bool frmApercu::Imprime(int destination, int first, int last, QPrinter* printer) {
    if (!m_printer || first < 1 || last > m_pages.pageCount() || first > last)
        return false;
    if (destination == 0) {
        m_sheetImage = m_printer->previewImage(first);
        m_nav.go(first);
        showPage();
        return true;
    }
    if (!printer)
        return false;
    WaitCursor wait;
    if (!m_printer->print(*printer, first, last, &m_error)) {
        showMessage(m_error);
        return false;
    }
    return true;
}

QString frmApercu::pageLabel() const {
    return m_lblPage->text();
}

void frmApercu::showPage() {
    m_picApercu->setPixmap(m_sheetImage.isNull() ? QPixmap() : QPixmap::fromImage(m_sheetImage));
    m_lblPage->setText(m_nav.label());
    updateControls();
}

void frmApercu::updateControls() {
    const bool pages = m_nav.pageCount() > 0;
    m_mnuImprimer->setEnabled(pages);
    m_toolButtons[0]->setEnabled(pages);
    for (QToolButton* b : m_imaNav)
        b->setEnabled(pages);
}

void frmApercu::imaNav_Click(int index) {
    if (!m_nav.navigate(index))
        return;
    m_sheetImage = m_printer->previewImage(m_nav.current());
    showPage();
}

void frmApercu::tooBar_ButtonClick(int index) {
    if (index == 1)
        mnuImprimer_Click();
    else
        mnuConfigurer_Click();
}

void frmApercu::mnuConfigurer_Click() {
    frmConfig config(this);
    config.exec();
    if (!m_error.isEmpty() && !m_report) {
        showMessage(m_error);
        m_error.clear();
    }
}

bool frmApercu::defaultPrintChooser(QPrinter& printer, int pageCount) {
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setMinMax(1, pageCount);
    dialog.setFromTo(1, pageCount);
    return dialog.exec() == QDialog::Accepted;
}

void frmApercu::mnuImprimer_Click() {
    const int count = m_nav.pageCount();
    if (count == 0)
        return;
    QPrinter printer(QPrinter::HighResolution);
    ListingPrinter::preparePrinter(printer);
    printer.setDocName(m_report ? m_report->fileName() : QString());
    printer.setFromTo(1, count);
    const bool chosen = m_printChooser ? m_printChooser(printer, count) : defaultPrintChooser(printer, count);
    if (!chosen)
        return;
    int first = 1, last = count;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::clamp(printer.fromPage(), 1, count);
        last = std::clamp(printer.toPage() > 0 ? printer.toPage() : count, first, count);
    }
    Imprime(1, first, last, &printer);
}

void frmApercu::showMessage(const QString& message) {
    if (m_messageSink)
        m_messageSink(message);
    else
        QMessageBox::critical(this, windowTitle(), message);
}

// ---- scrolling ----

void frmApercu::layoutBars() {
    if (isMinimized())
        return;
    const QSize view = m_area->viewport()->size();
    const int heightTwips = view.height() * ListingLayout::kTwipsPerPixel;
    const int widthTwips = view.width() * ListingLayout::kTwipsPerPixel;
    m_msb->setMax(1, ApercuGeometry::verticalMax(heightTwips));
    if (m_msb->Value(1) > m_msb->Max(1))
        m_msb->setValue(1, m_msb->Max(1));
    m_msb->setLargeChange(1, ApercuGeometry::verticalLargeChange(heightTwips));
    m_msb->setMax(0, ApercuGeometry::horizontalMax(widthTwips));
    if (m_msb->Value(0) > m_msb->Max(0))
        m_msb->setValue(0, m_msb->Max(0));
}

void frmApercu::msb_Change(int bar) {
    Q_UNUSED(bar);
    m_picApercu->move(ApercuGeometry::sheetPosition(m_msb->Value(0), m_msb->Value(1)));
}

void frmApercu::moveBar(int bar, int delta) {
    m_msb->setValue(bar, std::clamp(m_msb->Value(bar) + delta, 0, m_msb->Max(bar)));
}

void frmApercu::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        imaNav_Click(PageNavigator::Previous);
        break;
    case Qt::Key_Down:
        imaNav_Click(PageNavigator::Next);
        break;
    case Qt::Key_Home:
        imaNav_Click(PageNavigator::First);
        break;
    case Qt::Key_End:
        imaNav_Click(PageNavigator::Last);
        break;
    case Qt::Key_PageDown:
        moveBar(1, m_msb->LargeChange(1));
        break;
    case Qt::Key_PageUp:
        moveBar(1, -m_msb->LargeChange(1));
        break;
    case Qt::Key_Right:
        moveBar(0, m_msb->LargeChange(0));
        break;
    case Qt::Key_Left:
        moveBar(0, -m_msb->LargeChange(0));
        break;
    default:
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool frmApercu::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area->viewport() && event->type() == QEvent::Resize)
        layoutBars();
    // The area would scroll by itself on these keys; the window's own handling applies instead.
    if (watched == m_area && event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return event->isAccepted();
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- placement and unloading ----

void frmApercu::restorePlacement() {
    const QString height = GetSetting(kAppName, kSectionApercu, kHeight);
    if (height.isEmpty())
        return;
    const auto stored = WindowPlacement::fromTexts(height, GetSetting(kAppName, kSectionApercu, kWidth),
                                                   GetSetting(kAppName, kSectionApercu, kTop),
                                                   GetSetting(kAppName, kSectionApercu, kLeft));
    if (!stored)
        return;
    QList<QRect> screens;
    for (QScreen* s : QGuiApplication::screens())
        screens << s->availableGeometry();
    setGeometry(WindowPlacement::onScreen(*stored, screens));
}

void frmApercu::closeEvent(QCloseEvent* event) {
    unload();
    event->accept();
}

void frmApercu::unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        const QRect g = geometry();
        SaveSetting(kAppName, kSectionApercu, kHeight, QString::number(WindowPlacement::toTwips(g.height())));
        SaveSetting(kAppName, kSectionApercu, kWidth, QString::number(WindowPlacement::toTwips(g.width())));
        SaveSetting(kAppName, kSectionApercu, kTop, QString::number(WindowPlacement::toTwips(g.y())));
        SaveSetting(kAppName, kSectionApercu, kLeft, QString::number(WindowPlacement::toTwips(g.x())));
    }
    m_printer.reset();
    m_report.reset();
    m_db.close();
    Q_EMIT Unloaded();
}

} // namespace vambrel
