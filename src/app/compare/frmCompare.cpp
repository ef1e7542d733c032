#include "frmCompare.h"

#include "AppInfo.h"
#include "CatalogueConversion.h"
#include "CatalogueReader.h"
#include "CategorySource.h"
#include "CompareTexts.h"
#include "ListExport.h"
#include "NewFileSource.h"
#include "TempFileName.h"
#include "cAsync2.h"
#include "cAsync3.h"
#include "controls/LightProgress.h"
#include "controls/PagedList.h"
#include "controls/TubProgress.h"
#include "controls/WaitCursor.h"
#include "controls/frmMsgBox.h"
#include "frmAvance.h"
#include "frmCompDetails.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeView>

namespace vambrel {

namespace {
const QString kSearchSource = QStringLiteral("Limiter à Vambrel");
}

frmCompare::frmCompare(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_owner(owner), m_progress(new LightProgress(this)),
      m_cmdAvance(new QPushButton(QStringLiteral("Comparaison avancée"), this)),
      m_cmdFermer(new QPushButton(QStringLiteral("&Fermer"), this)), m_imaHelp(new QToolButton(this)),
      m_list(new PagedList(this)), m_menu(new QMenu(this)) {
    setWindowTitle(CompareTexts::Caption());
    // Fixed geometry: the labels change at every event and must not ask for a layout.
    const int width = 780, left = 10, blockWidth = 250;
    for (int i = 1; i <= 2; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("lblInfo%1").arg(i));
        label->setGeometry(left, 8 + (i - 1) * 20, width - 2 * left, 18);
        m_lblInfo[size_t(i)] = label;
    }
    auto* line0 = new QFrame(this);
    line0->setObjectName(QStringLiteral("Line1_0"));
    line0->setFrameShape(QFrame::HLine);
    line0->setGeometry(left, 50, width - 2 * left, 4);
    const int blockTop = 60, blockHeight = 86;
    for (int i = 0; i < 4; ++i) {
        const int top = blockTop + i * blockHeight;
        auto* frame = new QFrame(this);
        frame->setObjectName(QStringLiteral("shaFile%1").arg(i));
        frame->setFrameShape(QFrame::Box);
        frame->setGeometry(left, top, blockWidth, blockHeight - 6);
        frame->hide();
        m_sha[size_t(i)] = frame;
        auto* caption = new QLabel(CompareTexts::BlockCaption(i), this);
        caption->setObjectName(QStringLiteral("lblInfo%1").arg(i + 3));
        caption->setGeometry(left + 8, top + 4, blockWidth - 16, 18);
        m_lblInfo[size_t(i + 3)] = caption;
        if (i < 3) {
            auto* tub = new TubProgress(this);
            tub->setObjectName(QStringLiteral("TubProgress%1").arg(i));
            tub->setGeometry(left + 8, top + 26, blockWidth - 16, 16);
            m_tub[size_t(i)] = tub;
        }
        auto* counter = new QLabel(this);
        counter->setObjectName(QStringLiteral("lblFile%1").arg(i));
        counter->setGeometry(left + 8, top + 50, 130, 22);
        m_lblFile[size_t(i)] = counter;
        auto* voir = new QPushButton(QStringLiteral("Voir la liste"), this);
        voir->setObjectName(QStringLiteral("cmdVoir%1").arg(i));
        voir->setGeometry(left + blockWidth - 110, top + 48, 100, 26);
        voir->setEnabled(false);
        connect(voir, &QPushButton::clicked, this, [this, i] { cmdVoir_Click(i); });
        m_cmdVoir[size_t(i)] = voir;
        // Labels pass clicks to the window, where a click offers to cancel.
        caption->setAttribute(Qt::WA_TransparentForMouseEvents);
        counter->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    m_lblInfo[6]->hide();
    m_lblFile[3]->hide();
    m_cmdVoir[3]->hide();
    const int bottom = blockTop + 4 * blockHeight;
    auto* line1 = new QFrame(this);
    line1->setObjectName(QStringLiteral("Line1_1"));
    line1->setFrameShape(QFrame::HLine);
    line1->setGeometry(left, bottom, width - 2 * left, 4);
    m_progress->setObjectName(QStringLiteral("qvtProgress"));
    m_progress->setGeometry(left, bottom + 10, width - 2 * left, 16);

    const int listLeft = left + blockWidth + 12;
    m_list->setObjectName(QStringLiteral("lstListing"));
    m_list->setGeometry(listLeft, blockTop, width - listLeft - left, 4 * blockHeight - 6);
    m_list->setPageDownNeedsTwoBelow(true);
    m_list->list()->setIconSize(QSize(16, 16));
    m_list->hide();
    connect(m_list, &PagedList::activated, this, [this] {
        // Enter in the list, or a double click on a row.
        mnuContext_Click(0);
    });
    connect(m_list, &PagedList::headerClicked, this, [this](int column) { ColumnClick(column + 1); });
    connect(m_list, &PagedList::contextMenuRequested, this, [this](const QPoint& at) { m_menu->popup(at); });

    QAction* details = m_menu->addAction(QStringLiteral("&Détails sur le fichier"));
    QAction* exporting = m_menu->addAction(QStringLiteral("&Exporter la liste"));
    m_menu->setDefaultAction(details);
    connect(details, &QAction::triggered, this, [this] { mnuContext_Click(0); });
    connect(exporting, &QAction::triggered, this, [this] { mnuContext_Click(1); });

    const int buttonsTop = bottom + 36;
    m_cmdAvance->setObjectName(QStringLiteral("cmdAvance"));
    m_cmdAvance->setGeometry(listLeft, buttonsTop, 170, 28);
    m_cmdAvance->setEnabled(false);
    connect(m_cmdAvance, &QPushButton::clicked, this, &frmCompare::cmdAvance_Click);
    m_imaHelp->setObjectName(QStringLiteral("imaHelp"));
    m_imaHelp->setIcon(QIcon::fromTheme(QStringLiteral("help-browser"),
                                        style()->standardIcon(QStyle::SP_MessageBoxQuestion)));
    m_imaHelp->setAutoRaise(true);
    m_imaHelp->setGeometry(left, buttonsTop, 28, 28);
    m_imaHelp->hide();
    connect(m_imaHelp, &QToolButton::clicked, this, &frmCompare::HelpRequested);
    m_cmdFermer->setObjectName(QStringLiteral("cmdFermer"));
    m_cmdFermer->setGeometry(width - left - 110, buttonsTop, 110, 28);
    m_cmdFermer->setEnabled(false);
    connect(m_cmdFermer, &QPushButton::clicked, this, &frmCompare::cmdFermer_Click);
    setFixedSize(width, buttonsTop + 28 + 12);

    // The events come by the hundred thousand: the widgets take the latest state a few dozen
    // times a second, which is all a screen shows and keeps the handlers cheap.
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(25);
    connect(&m_showTimer, &QTimer::timeout, this, &frmCompare::showProgress);
}

frmCompare::~frmCompare() {
    // The new-files list is the window's own: closed and deleted with it, whatever happened.
    m_newFiles.reset();
    if (!m_tempFile.isEmpty()) {
        QFile::remove(m_tempFile + QStringLiteral("-journal"));
        QFile::remove(m_tempFile);
    }
}

QLabel* frmCompare::lblInfo(int index) const {
    return index >= 1 && index <= 6 ? m_lblInfo[size_t(index)] : nullptr;
}
QLabel* frmCompare::lblFile(int index) const {
    return index >= 0 && index < 4 ? m_lblFile[size_t(index)] : nullptr;
}
QPushButton* frmCompare::cmdVoir(int index) const {
    return index >= 0 && index < 4 ? m_cmdVoir[size_t(index)] : nullptr;
}
TubProgress* frmCompare::tubProgress(int index) const {
    return index >= 0 && index < 3 ? m_tub[size_t(index)] : nullptr;
}
QFrame* frmCompare::shaFile(int index) const {
    return index >= 0 && index < 4 ? m_sha[size_t(index)] : nullptr;
}

void frmCompare::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        // From the event loop: the start may have to report a failure in a message box.
        QTimer::singleShot(0, this, &frmCompare::activate);
    }
}

void frmCompare::closeEvent(QCloseEvent* event) {
    if (m_running) {
        event->ignore();
        return;
    }
    event->accept();
    unload();
}

void frmCompare::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    Form_Click();
}

void frmCompare::showMessage(QMessageBox::Icon icon, const QString& text) {
    if (m_messageHandler) {
        m_messageHandler(icon, text);
        return;
    }
    QMessageBox box(icon, QStringLiteral("Vambrel"), text, QMessageBox::Ok, this);
    box.exec();
}

void frmCompare::setBusy(bool busy) {
    m_running = busy;
    setWindowTitle(busy ? CompareTexts::CancelCaption() : CompareTexts::Caption());
    m_cmdFermer->setEnabled(!busy);
}

bool frmCompare::openCatalogue() {
    if (!m_db.open(m_path, OpenMode::ReadOnly))
        return false;
    if (CatalogueConversion::needsConversion(m_db)) {
        // A catalogue of the earlier format is converted as on opening, then read again.
        m_db.close();
        if (!m_db.open(m_path, OpenMode::ReadWrite))
            return false;
        if (!CatalogueConversion::convert(m_db, AppInfo::versionText(), nullptr))
            return false;
        m_db.close();
        if (!m_db.open(m_path, OpenMode::ReadOnly))
            return false;
    }
    CatalogueReader reader(m_db);
    m_source = reader.propertyText(QStringLiteral("Source"));
    m_mask = reader.propertyText(QStringLiteral("Masque"));
    m_lblInfo[1]->setText(CompareTexts::CatalogueLine(
        m_path, reader.propertyText(QStringLiteral("DateCréation")), m_source, m_mask));
    m_lblInfo[2]->setText(CompareTexts::ComputerLine(QDateTime::currentDateTime()));
    m_counting = std::async(std::launch::async, [path = m_db.path()] {
        Database db;
        if (!db.open(path, OpenMode::ReadOnly))
            return Result<qint64>::failure(db.lastError());
        return ComparisonQueryCount(db);
    });
    // Reading and ordering a million rows takes seconds: it runs beside the check, on its own
    // connection, and is needed only once the job hands its positions over.
    m_rowsReading = std::async(std::launch::async, [path = m_db.path()] {
        Database db;
        if (!db.open(path, OpenMode::ReadOnly))
            return Result<ComparisonRows>::failure(db.lastError());
        return ComparisonRows::open(db);
    });
    return true;
}

// Takes the count once it is there and gives the bars their maximum. False while it is not
// known; the bars refuse a maximum of 0, and a catalogue without files cannot be compared.
bool frmCompare::takeCount() {
    if (m_R > 0)
        return true;
    if (!m_counting.valid() || m_counting.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return false;
    const auto count = m_counting.get();
    if (!count || count.value() <= 0 || count.value() > INT_MAX)
        return false;
    m_R = count.value();
    m_progress->setMax(int(m_R));
    for (TubProgress* tub : m_tub)
        tub->setMax(int(m_R));
    return true;
}

void frmCompare::activate() {
    setBusy(true);
    m_running = false; // closable only once the job has started
    if (!openCatalogue()) {
        fail();
        return;
    }
    m_cancel = false;
    m_Do = new client::cAsync2(this);
    // Direct connections: the handlers write the Cancel they are given.
    connect(
        m_Do, &client::cAsync2::ProgressFile, this,
        [this](quint8 iIndex, bool& Cancel) {
            Cancel = m_cancel;
            if (iIndex < 3)
                ++m_shownState.counts[iIndex];
            scheduleShow();
        },
        Qt::DirectConnection);
    connect(
        m_Do, &client::cAsync2::ProgressState, this,
        [this](qint32 nPos) {
            m_shownState.state = nPos;
            scheduleShow();
        },
        Qt::DirectConnection);
    connect(
        m_Do, &client::cAsync2::Cancelled, this,
        [this] {
            m_running = false;
            Q_EMIT CheckEnded(false);
            finish([this] { unload(); });
        },
        Qt::DirectConnection);
    connect(
        m_Do, &client::cAsync2::Complete, this,
        [this](bool& Success, QList<qint32>& idem, QList<qint32>& distinct, QList<qint32>& nonExist) {
            m_running = false;
            auto lists = std::make_shared<std::array<QList<qint32>, 3>>();
            (*lists)[0] = std::move(idem);
            (*lists)[1] = std::move(distinct);
            (*lists)[2] = std::move(nonExist);
            const bool success = Success;
            Q_EMIT CheckEnded(success);
            finish([this, success, lists] { checkComplete(success, lists); });
        },
        Qt::DirectConnection);
    m_Do->setFileName(m_db.path());
    m_running = true;
    if (m_Do->Start()) {
        m_running = false;
        fail();
    }
}

void frmCompare::fail() {
    m_running = false;
    showMessage(QMessageBox::Critical, CompareTexts::Failure());
    unload();
}

void frmCompare::checkComplete(bool success, Positions lists) {
    if (!success) {
        setBusy(false);
        fail();
        return;
    }
    if (!takeCount()) {
        if (m_counting.valid()) {
            QTimer::singleShot(20, this, [this, lists] { checkComplete(true, lists); });
            return;
        }
        setBusy(false);
        fail();
        return;
    }
    if (m_rowsReading.valid()) {
        // The rows may still be read beside: the window keeps repainting until they are there.
        if (m_rowsReading.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            QTimer::singleShot(20, this, [this, lists] { checkComplete(true, lists); });
            return;
        }
        auto rows = m_rowsReading.get();
        if (!rows || rows->count() != m_R) {
            fail();
            return;
        }
        m_rows = std::move(rows.value());
    }
    setBusy(false);
    m_progress->hide();
    for (int i = 0; i < 3; ++i) {
        // The counters are the collections' sizes: an event lost with a dying server cannot
        // leave a button that shows another count than its list.
        m_shownState.counts[size_t(i)] = (*lists)[size_t(i)].size();
        m_categories[size_t(i)] =
            std::make_unique<CategorySource>(m_rows.clone(), std::move((*lists)[size_t(i)]));
        m_categories[size_t(i)]->setIconProvider([this](const QString& nom) { return m_icons.forName(nom); });
    }
    showProgress();
    for (int i = 0; i < 3; ++i)
        m_cmdVoir[size_t(i)]->setEnabled(m_categories[size_t(i)]->rowCount() >= 1);
    m_cmdAvance->setEnabled(true);
    m_cmdFermer->setEnabled(true);
    m_imaHelp->show();
}

void frmCompare::scheduleShow() {
    if (!m_showTimer.isActive())
        m_showTimer.start();
}

void frmCompare::showProgress() {
    m_showTimer.stop();
    takeCount();
    const Shown& s = m_shownState;
    for (int i = 0; i < 3; ++i) {
        const qint64 value = std::min<qint64>(s.counts[size_t(i)], m_R);
        if (m_tub[size_t(i)]->Max() >= value && m_tub[size_t(i)]->Value() != value)
            m_tub[size_t(i)]->setValue(int(value));
        const QString text = m_R > 0 ? CompareTexts::Counter(s.counts[size_t(i)], m_R) : QString();
        if (m_lblFile[size_t(i)]->text() != text)
            m_lblFile[size_t(i)]->setText(text);
    }
    if (s.searching) {
        if (s.searchMax > m_progress->Min() && s.searchMax != m_progress->Max())
            m_progress->setMax(s.searchMax);
        m_progress->setValue(std::clamp(s.searchPos, m_progress->Min(), m_progress->Max()));
        m_lblFile[3]->setText(CompareTexts::NewFiles(s.newFiles));
    } else if (m_progress->isVisible() && m_R > 0) {
        m_progress->setValue(std::clamp(s.state, m_progress->Min(), m_progress->Max()));
    }
}

void frmCompare::finish(std::function<void()> end) {
    showProgress();
    m_cancelQuestion.finish(std::move(end));
}

void frmCompare::Form_Click() {
    if (!m_running || m_cancelQuestion.asking())
        return;
    // Sent at once: the job stops wherever it is, even in a folder walk that raises no event.
    // The flag answers any event already on its way.
    if (m_cancelQuestion.ask(this, CompareTexts::CancelQuestion())) {
        m_cancel = true;
        for (client::JobProxy* job :
             {static_cast<client::JobProxy*>(m_Do), static_cast<client::JobProxy*>(m_DoAdv)})
            if (job)
                job->Cancel();
    }
}

void frmCompare::unload() {
    m_showTimer.stop();
    hide();
    if (m_owner)
        m_owner->show();
    Q_EMIT Unloaded();
    deleteLater();
}

void frmCompare::cmdVoir_Click(int index) {
    if (index < 0 || index > 3 || !m_cmdVoir[size_t(index)]->isEnabled() || m_shown == index)
        return;
    if (m_shown >= 0) {
        m_sha[size_t(m_shown)]->hide();
    } else {
        m_list->show();
    }
    m_sha[size_t(index)]->show();
    m_shown = index;
    PagedRowSource* source = index < 3 ? static_cast<PagedRowSource*>(m_categories[size_t(index)].get())
                                       : static_cast<PagedRowSource*>(m_newFiles.get());
    m_list->setSource(source);
    m_list->list()->setFocus();
}

void frmCompare::ColumnClick(int column) {
    // Only the new files sort; the check's categories keep the query's order.
    if (m_shown != 3 || !m_newFiles || !m_newFiles->sortByColumn(column - 1))
        return;
    WaitCursor wait;
    m_list->reset();
}

void frmCompare::mnuContext_Click(int index) {
    if (m_shown < 0)
        return;
    if (index == 0)
        showDetails();
    else if (index == 1)
        exportList();
}

void frmCompare::showDetails() {
    const qint64 key = m_list->currentKey();
    const qint64 row = m_list->currentRow();
    if (key < 0 || row < 0)
        return;
    frmCompDetails details(this);
    const QModelIndex current = m_list->list()->currentIndex().siblingAtColumn(0);
    const QIcon icon = current.data(Qt::DecorationRole).value<QIcon>();
    if (m_shown < 3) {
        // The row is found by its position in the category; its NumId must agree.
        ComparisonRows rows = m_rows.clone();
        const QList<qint32>& positions = m_categories[size_t(m_shown)]->positions();
        const bool atPosition =
            row < positions.size() && rows.moveTo(positions.at(row)) && rows.numId() == key;
        if (!atPosition && !rows.findNumId(key)) {
            showMessage(QMessageBox::Critical, frmCompDetails::NotFoundMessage());
            return;
        }
        details.showCatalogueFile(rows, m_shown, icon);
    } else {
        const NewFileSource::Entry entry = m_newFiles->entry(row);
        m_newFiles->restAt(m_list->model()->firstRow());
        details.showNewFile(entry.nom, entry.folder, icon);
    }
    if (m_detailsDialog)
        m_detailsDialog(details);
    else
        details.exec();
}

void frmCompare::exportList() {
    QString path;
    if (m_saveChooser) {
        path = m_saveChooser();
    } else {
        QFileDialog dialog(this, QStringLiteral("Exporter la liste des fichiers"),
                           QCoreApplication::applicationDirPath(), QStringLiteral("Txt (*.txt)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("txt"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty())
        return;
    const QStringList header = {m_lblInfo[1]->text(), m_lblInfo[2]->text(), QString(),
                                CompareTexts::ExportHeading(m_shown), QString()};
    QString error;
    {
        WaitCursor wait;
        if (m_shown < 3) {
            CategorySource* source = m_categories[size_t(m_shown)].get();
            error = ListExport::write(path, header, source->rowCount(),
                                      [source](qint64 i) { return source->exportLine(i); });
        } else {
            NewFileSource* source = m_newFiles.get();
            error = ListExport::write(path, header, source->rowCount(),
                                      [source](qint64 i) { return source->exportLine(i); });
            // The rows rest on the page's top row again.
            source->restAt(m_list->model()->firstRow());
        }
    }
    if (!error.isEmpty())
        showMessage(QMessageBox::Critical, error);
}

void frmCompare::cmdAvance_Click() {
    if (m_running || !m_cmdAvance->isVisible() || !m_cmdAvance->isEnabled())
        return;
    QString answer;
    {
        frmAvance dialog(this);
        dialog.lblInfo()->setText(CompareTexts::SearchInfo(m_path));
        dialog.optRacine(2)->setText(CompareTexts::SourceChoice(m_path));
        dialog.txtMask()->setText(m_mask);
        if (m_searchDialog) {
            answer = m_searchDialog(dialog);
        } else {
            dialog.exec();
            answer = dialog.Tag();
        }
    }
    if (answer.isEmpty())
        return;
    if (m_tempFile.isEmpty())
        m_tempFile = TempFileName(u"qvt");
    if (m_tempFile.isEmpty()) {
        showMessage(QMessageBox::Critical, CompareTexts::SearchFailure());
        return;
    }
    // A new-files list left by an earlier failed search is of no use.
    QFile::remove(m_tempFile + QStringLiteral("-journal"));
    QFile::remove(m_tempFile);
    setBusy(true);
    m_cmdAvance->hide();
    m_shownState.searching = true;
    m_shownState.searchMax = 0;
    m_shownState.searchPos = 0;
    m_shownState.newFiles = 0;
    m_progress->setValue(0);
    m_progress->show();
    m_lblFile[3]->setText(CompareTexts::NewFiles(0));
    m_lblFile[3]->show();
    m_lblInfo[6]->show();
    m_cancel = false;

    delete m_DoAdv;
    m_DoAdv = new client::cAsync3(this);
    connect(
        m_DoAdv, &client::cAsync3::ProgressMain, this,
        [this](qint32 iMax, bool& Cancel) {
            Cancel = m_cancel;
            m_shownState.searchMax = iMax;
            scheduleShow();
        },
        Qt::DirectConnection);
    connect(
        m_DoAdv, &client::cAsync3::ProgressFolder, this,
        [this](qint32 iPos, bool& Cancel) {
            Cancel = m_cancel;
            m_shownState.searchPos = iPos;
            scheduleShow();
        },
        Qt::DirectConnection);
    connect(
        m_DoAdv, &client::cAsync3::ProgressFile, this,
        [this](qint32 nNbre, bool& Cancel) {
            Cancel = m_cancel;
            m_shownState.newFiles = nNbre;
            scheduleShow();
        },
        Qt::DirectConnection);
    connect(
        m_DoAdv, &client::cAsync3::Cancelled, this,
        [this] {
            m_running = false;
            finish([this] { searchEnded(false, true); });
        },
        Qt::DirectConnection);
    connect(
        m_DoAdv, &client::cAsync3::Complete, this,
        [this](bool& Success) {
            m_running = false;
            const bool success = Success;
            finish([this, success] { searchEnded(success, false); });
        },
        Qt::DirectConnection);
    m_DoAdv->setFileName(m_tempFile);
    // The recorded start folders for the third choice, whatever the dialog showed; the stored
    // mask whatever the mask box says.
    m_DoAdv->setSpec(answer == kSearchSource ? m_source : answer);
    m_DoAdv->setMask(m_mask);
    m_DoAdv->setFileRec(m_db.path());
    m_running = true;
    if (m_DoAdv->Start()) {
        m_running = false;
        searchEnded(false, false);
    }
}

void frmCompare::searchEnded(bool success, bool cancelled) {
    showProgress();
    m_shownState.searching = false;
    setBusy(false);
    m_progress->hide();
    bool found = false;
    if (success) {
        auto source = std::make_unique<NewFileSource>();
        if (source->open(m_tempFile, nullptr)) {
            source->setIconProvider([this](const QString& nom) { return m_icons.forName(nom); });
            found = true;
            m_newFiles = std::move(source);
            // One successful search per window; the counter keeps the last number reported.
            m_cmdVoir[3]->show();
            m_cmdVoir[3]->setEnabled(m_newFiles->rowCount() >= 1);
        }
    }
    if (!found) {
        m_lblFile[3]->hide();
        m_lblInfo[6]->hide();
        m_cmdAvance->show();
        QFile::remove(m_tempFile + QStringLiteral("-journal"));
        QFile::remove(m_tempFile);
    }
    (void)cancelled;
    Q_EMIT SearchEnded(found);
}

} // namespace vambrel
