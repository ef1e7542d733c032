#include "frmDir.h"

#include "Drives.h"
#include "EntryRename.h"
#include "ExplorerRules.h"
#include "FileVersionList.h"
#include "PathSyntax.h"
#include "cSHFileOp.h"
#include "catalogue/frmVersion.h"
#include "controls/cVSplitter.h"
#include "controls/qvtRepertoire.h"
#include "qvtFichier.h"

#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

namespace vambrel {

namespace {

const QString kF5Text = QStringLiteral("Taper F5 pour actualiser le Poste de travail");

} // namespace

frmDir::frmDir(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Poste de Travail"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("computer")));
    resize(640, 420);

    m_qvtRep = new qvtRepertoire(this);
    m_qvtRep->setObjectName(QStringLiteral("qvtRep"));
    m_qvtRep->setEnabled(true);
    m_qvtFich = new qvtFichier(this);
    m_qvtFich->setObjectName(QStringLiteral("qvtFich"));
    m_qvtFich->setEnabled(true);
    m_qvtFich->setView(qvtFichier::Report);
    m_qvtFich->setSorted(true);
    m_qvtFich->setMultiSelect(true);
    m_qvtFich->setLabelWrap(true);
    m_qvtFich->setFilter(QStringLiteral("*.*"));
    m_frame1 = new QWidget(this);
    m_frame1->setGeometry(200, 0, 4, 100);
    m_frame1->setCursor(Qt::SplitHCursor);
    m_frame1->hide();

    m_staBar = new QStatusBar(this);
    m_staBar->setSizeGripEnabled(false);
    const char* const keys[3] = {"Message", "Nbre", "Taille"};
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(m_staBar);
        m_panels[i]->setObjectName(QLatin1String(keys[i]));
        m_staBar->addWidget(m_panels[i], i == 0 ? 2 : 1);
    }
    m_panels[0]->setText(kF5Text);
    m_panels[0]->setToolTip(kF5Text);

    m_splitter = new cVSplitter(this);
    m_splitter->setTop(0);
    m_splitter->setTrackSplit(true);
    m_splitter->SetControls(m_frame1, m_qvtRep, m_qvtFich, this);

    connect(m_qvtRep, &qvtRepertoire::OnPathChange, this, &frmDir::pathChanged);
    connect(m_qvtRep, &qvtRepertoire::MouseDown, this,
            [this](int button, int, int x, int y) { treeMouseDown(button, x, y); });
    connect(m_qvtRep, &qvtRepertoire::AfterEdit, this, &frmDir::treeAfterEdit);
    connect(m_qvtFich, &qvtFichier::MouseDown, this,
            [this](int button, int, int x, int y) { listMouseDown(button, x, y); });
    connect(m_qvtFich, &qvtFichier::ColumnClick, this, &frmDir::listColumnClick);
    connect(m_qvtFich, &qvtFichier::DblClick, this, &frmDir::listDblClick);
    connect(m_qvtFich, &qvtFichier::AfterEdit, this, &frmDir::listAfterEdit);
    connect(m_qvtFich, &qvtFichier::Listed, this, [this] { showStatus(); });

    // The window sees the keys before its controls.
    for (QWidget* control : findChildren<QWidget*>())
        control->installEventFilter(this);
    layoutControls();
}

frmDir::~frmDir() = default;

QLabel* frmDir::panel(int index) const {
    return index >= 1 && index <= 3 ? m_panels[index - 1] : nullptr;
}

void frmDir::Load() {
    m_frame1->show();
    layoutControls();
    m_qvtRep->OpenAFolder(qvtRepertoire::DefaultDrive());
}

void frmDir::layoutControls() {
    const int statusHeight = m_staBar->sizeHint().height();
    m_staBar->setGeometry(0, height() - statusHeight, width(), statusHeight);
    m_splitter->setHeightOffset(statusHeight);
    m_splitter->layout();
}

void frmDir::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isMinimized() || (window() && window()->isMinimized()))
        return;
    layoutControls();
}

bool frmDir::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F5) {
        refreshKey();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmDir::showStatus() {
    m_panels[1]->setText(ExplorerRules::CountText(m_qvtFich->ListItemsCount()));
    m_panels[2]->setText(ExplorerRules::SizeText(m_qvtFich->FilesSize()));
}

void frmDir::pathChanged(const QString& path) {
    m_qvtFich->setPath(path);
    showStatus();
}

void frmDir::refreshKey() {
    if (!m_qvtRep->OpenAFolder(m_qvtRep->Path()))
        m_qvtRep->OpenAFolder(qvtRepertoire::DefaultDrive());
}

void frmDir::message(QMessageBox::Icon icon, const QString& text) {
    if (m_message) {
        m_message(icon, text);
        return;
    }
    QMessageBox box(icon, QStringLiteral("Vambrel"), text, QMessageBox::Ok, this);
    box.exec();
}

bool frmDir::question(const QString& text) {
    if (m_question)
        return m_question(text);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vambrel"), text,
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    return box.exec() == QMessageBox::Ok;
}

// ---- mouse ----

void frmDir::treeMouseDown(int button, int x, int y) {
    if (button == 1)
        return;
    QTreeWidgetItem* node = nullptr;
    for (int along : ExplorerRules::TreeHitXs())
        if ((node = m_qvtRep->HitTest(along, y)))
            break;
    if (node)
        m_qvtRep->setSelectedItem(node);
    if (m_qvtRep->SelectedItem() && button == 2)
        Q_EMIT ContextMenu(FolderMenu, m_qvtRep->treRep()->viewport()->mapToGlobal(QPoint(x, y)));
}

void frmDir::listMouseDown(int button, int x, int y) {
    if (const int item = m_qvtFich->HitTest(ExplorerRules::ListHitX(), y))
        m_qvtFich->setSelectedItem(item);
    if (m_qvtFich->SelectedItem() && button == 2)
        Q_EMIT ContextMenu(FileMenu, m_qvtFich->LisFich()->viewport()->mapToGlobal(QPoint(x, y)));
}

void frmDir::listColumnClick(int column) {
    const auto sort = ExplorerRules::ColumnClick({m_qvtFich->SortKey(), m_qvtFich->SortOrder()}, column);
    if (sort.key != m_qvtFich->SortKey())
        m_qvtFich->setSortKey(sort.key);
    else
        m_qvtFich->setSortOrder(sort.order);
}

void frmDir::listDblClick() {
    if (m_qvtFich->SelectedItem())
        Q_EMIT ContextCommand(0);
}

// ---- label edits ----

bool frmDir::rename(const QString& from, const QString& to) {
    if (m_renamer)
        return m_renamer(from, to);
    // cSHFileOp never renames over an existing name; its failures are this window's messages.
    cSHFileOp operation;
    operation.setParentWnd(window());
    operation.setRenameOnCollision(false);
    operation.setErrorHandler([this](const QString& text) { message(QMessageBox::Critical, text); });
    operation.AddSourceFile(from);
    operation.AddDestFile(to);
    return operation.RenameFiles();
}

void frmDir::treeAfterEdit(bool& cancel, QString& newString) {
    const QString path = m_qvtRep->Path();
    const QString parent = ExplorerRules::RenameParent(path, IsDriveRoot(path, qvtRepertoire::Drives()));
    if (parent.isEmpty()) {
        message(QMessageBox::Information, QStringLiteral("Impossible de renommer un lecteur."));
        cancel = true;
        return;
    }
    if (!EntryRename::ValidName(newString)) {
        cancel = true;
        return;
    }
    cancel = !rename(path, parent + newString);
    if (cancel)
        return;
    // Once the tree has taken the new label: rebuilding it now would delete the node it is
    // about to update.
    QTimer::singleShot(0, this, [this] {
        if (QTreeWidgetItem* node = m_qvtRep->SelectedItem(); node && node->parent())
            m_qvtRep->setSelectedItem(node->parent());
        m_qvtRep->RefreshDir();
    });
}

void frmDir::listAfterEdit(bool& cancel, QString& newString) {
    const QString oldName = m_qvtFich->ItemName(m_qvtFich->SelectedItem());
    if (oldName.isEmpty() || !EntryRename::ValidName(newString)) {
        cancel = true;
        return;
    }
    if (ExplorerRules::ExtensionChanged(oldName, newString) &&
        !question(QStringLiteral("Changement d'extension de fichier.\nConfirmez:"))) {
        cancel = true;
        return;
    }
    const QString folder = m_qvtFich->Path();
    cancel = !rename(JoinPath(folder, oldName), JoinPath(folder, newString));
    if (cancel)
        return;
    // Once the list has taken the new label, as for the tree.
    QTimer::singleShot(0, m_qvtFich, &qvtFichier::RefreshList);
}

// ---- the main window's side ----

ChildWindow::EditTarget frmDir::editTarget() const {
    QWidget* focus = focusWidget();
    return focus && (focus == m_qvtFich || m_qvtFich->isAncestorOf(focus)) ? EditTarget::Files
                                                                           : EditTarget::Folder;
}

bool frmDir::hasSelectedFile() const {
    return m_qvtFich->ListItemsCount() > 0 && m_qvtFich->SelectedItem() > 0;
}

QString frmDir::selectedFolder() const {
    return qvtRepertoire::FullPath(m_qvtRep->SelectedItem());
}

void frmDir::startRename(EditTarget target) {
    if (target == EditTarget::Files)
        m_qvtFich->StartEdit();
    else if (target == EditTarget::Folder)
        m_qvtRep->StartEdit();
}

bool frmDir::prepareVersion(frmVersion& window) {
    if (m_qvtFich->ListItemsCount() == 0)
        return false;
    window.setModePoste(true);
    window.setFichiersPoste(std::make_shared<FileVersionList>(m_qvtFich));
    return true;
}

void frmDir::ShowVersion() {
    frmVersion window(this->window());
    if (prepareVersion(window))
        window.exec();
}

} // namespace vambrel
