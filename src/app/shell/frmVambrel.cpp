#include "frmVambrel.h"

#include "AppInfo.h"
#include "FileReplace.h"
#include "NativeName.h"
#include "OsVersion.h"
#include "PathSyntax.h"
#include "ProgramFiles.h"
#include "WindowPlacement.h"
#include "catalogue/NewCatalogueAnswer.h"
#include "catalogue/frmDirDat.h"
#include "catalogue/frmInfo.h"
#include "catalogue/frmNouveau.h"
#include "compare/frmCompare.h"
#include "controls/ChildWindow.h"
#include "controls/qvtRepertoire.h"
#include "explorer/frmDir.h"
#include "frmAbout.h"
#include "frmAide.h"
#include "frmPropPoste.h"
#include "mMRU.h"
#include "mSettings.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QToolBar>

namespace vambrel {

namespace {

const QString kExploreCaption = QStringLiteral("Type &Explorateur de fichiers");
const QString kListCaption = QStringLiteral("&Liste de fichiers");
const QString kOpenTitle = QStringLiteral("Ouvrir un fichier Vambrel");
const QString kNewTitle = QStringLiteral("Créer un nouveau fichier Vambrel");
const QString kFilter = QStringLiteral("Dat (*.dat);;Tous (*.*)");

template <size_t N> QAction* at(const std::array<QAction*, N>& items, int index) {
    return index >= 0 && size_t(index) < N ? items[size_t(index)] : nullptr;
}

} // namespace

frmVambrel::frmVambrel(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Vambrel"));
    m_mdi = new QMdiArea(this);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    buildMenus();
    buildToolBar();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &frmVambrel::childActivated);

    resize(800, 600);
    restorePlacement();
    updateAffichageCaption(
        SettingTextToBool(GetSetting(kAppName, kSectionStartUp, kKeyAffichage, QStringLiteral("0"))));
    LoadMRU(*this, kAppName);
    // A new catalogue starts on the folder chosen in the explorer.
    frmNouveau::setStartFolderSource([this] {
        const QString folder = m_explorer ? m_explorer->selectedFolder() : QString();
        return folder.isEmpty() ? qvtRepertoire::DefaultDrive() : folder;
    });
    OsVersion version;
    if (OsVersion::Query(&version))
        m_refreshesItself = OsVersion::RefreshesItself(version.platformName);
}

frmVambrel::~frmVambrel() {
    // The base class hides and destroys the children after this body: their activation signals
    // must not reach a window that is no longer a frmVambrel.
    m_mdi->disconnect(this);
    frmNouveau::setStartFolderSource({});
}

void frmVambrel::buildMenus() {
    QMenuBar* bar = menuBar();
    using Handler = void (frmVambrel::*)();
    auto add = [this](QMenu* menu, const QString& caption, Handler handler) {
        QAction* action = menu->addAction(caption);
        if (handler)
            connect(action, &QAction::triggered, this, handler);
        return action;
    };

    QMenu* fichier = bar->addMenu(QStringLiteral("&Fichier"));
    m_mnuInutilise[0] = fichier->menuAction();
    m_mnuFichier[0] = add(fichier, QStringLiteral("&Ouvrir le Poste de travail"), nullptr);
    connect(m_mnuFichier[0], &QAction::triggered, this, [this] { OpenExplorer(); });
    m_mnuFichier[1] = add(fichier, QStringLiteral("&Nouveau"), &frmVambrel::newCatalogue);
    m_mnuFichier[2] = add(fichier, QStringLiteral("O&uvrir"), &frmVambrel::openCatalogue);
    m_mnuMRU[0] = fichier->addSeparator();
    m_mnuMRU[0]->setVisible(false);
    for (int i = 1; i <= kMruEntries; ++i) {
        m_mnuMRU[size_t(i)] = fichier->addAction(QString());
        connect(m_mnuMRU[size_t(i)], &QAction::triggered, this, [this, i] { openRecent(i); });
        m_mnuMRU[size_t(i)]->setVisible(false);
    }
    m_mnuQuitter[0] = fichier->addSeparator();
    m_mnuQuitter[1] = fichier->addAction(QStringLiteral("&Quitter"));
    connect(m_mnuQuitter[1], &QAction::triggered, this, &QWidget::close);

    QMenu* edition = bar->addMenu(QStringLiteral("&Edition"));
    m_mnuInutilise[1] = edition->menuAction();
    const QStringList editionCaptions = {QStringLiteral("E&xécuter le fichier"),
                                         QStringLiteral("-"),
                                         QStringLiteral("&Copier"),
                                         QStringLiteral("&Déplacer"),
                                         QStringLiteral("-"),
                                         QStringLiteral("E&nvoyer à la corbeille"),
                                         QStringLiteral("&Supprimer"),
                                         QStringLiteral("Dé&truire les fichiers"),
                                         QStringLiteral("-"),
                                         QStringLiteral("C&réer un répertoire"),
                                         QStringLiteral("R&enommer"),
                                         QStringLiteral("-"),
                                         QStringLiteral("&Propriétés")};
    for (int i = 0; i < int(editionCaptions.size()); ++i)
        m_mnuEdition[size_t(i)] = editionCaptions[i] == QStringLiteral("-")
                                      ? edition->addSeparator()
                                      : add(edition, editionCaptions[i], nullptr);
    for (int i = 0; i < int(editionCaptions.size()); ++i)
        if (!m_mnuEdition[size_t(i)]->isSeparator())
            connect(m_mnuEdition[size_t(i)], &QAction::triggered, this, [this, i] { mnuEdition_Click(i); });
    connect(edition, &QMenu::aboutToShow, this, &frmVambrel::mnuEdition_Adapt);
    m_mnuEdition[7]->setEnabled(false);
    m_mnuInutilise[1]->setEnabled(false);

    QMenu* affichage = bar->addMenu(QStringLiteral("&Affichage"));
    m_mnuInutilise[2] = affichage->menuAction();
    m_mnuAffichage = add(affichage, kExploreCaption, &frmVambrel::switchView);
    m_mnuInutilise[2]->setEnabled(false);

    QMenu* outils = bar->addMenu(QStringLiteral("&Outils"));
    m_mnuInutilise[3] = outils->menuAction();
    m_mnuOutils[0] = add(outils, QStringLiteral("&Informations de version"), &frmVambrel::showVersion);
    m_mnuOutils[1] = add(outils, QStringLiteral("&Propriétés Vambrel"), &frmVambrel::showProperties);
    m_mnuOutils[2] = add(outils, QStringLiteral("&Comparer"), &frmVambrel::compareCatalogue);
    m_mnuOutils[3] = add(outils, QStringLiteral("I&mprimer"), &frmVambrel::printCatalogue);

    m_windowMenu = bar->addMenu(QStringLiteral("&Fenêtre"));
    m_mnuInutilise[4] = m_windowMenu->menuAction();
    m_mnuFenetre[0] = add(m_windowMenu, QStringLiteral("&En cascade"), &frmVambrel::cascade);
    m_mnuFenetre[1] =
        add(m_windowMenu, QStringLiteral("Mosaïque &horizontale"), &frmVambrel::tileHorizontally);
    m_mnuFenetre[2] = add(m_windowMenu, QStringLiteral("Mosaïque &verticale"), &frmVambrel::tileVertically);
    m_mnuFenetre[3] = add(m_windowMenu, QStringLiteral("&Réorganiser les icônes"), &frmVambrel::arrangeIcons);
    connect(m_windowMenu, &QMenu::aboutToShow, this, &frmVambrel::fillWindowMenu);

    QMenu* aide = bar->addMenu(QStringLiteral("&?"));
    m_mnuInutilise[5] = aide->menuAction();
    m_mnuAide[0] = add(aide, QStringLiteral("&Aide"), nullptr);
    connect(m_mnuAide[0], &QAction::triggered, this, [this] { mnuAide_Click(0); });
    m_mnuAide[1] = add(aide, QStringLiteral("A &propos de..."), &frmVambrel::showAbout);

    // Nothing to show the version of until a window lists files.
    m_mnuOutils[0]->setEnabled(false);

    // The explorer's pop-up menus: titles kept off the menu bar.
    const QStringList contextCaptions = {QStringLiteral("&Informations de version"),
                                         QStringLiteral("E&xécuter le fichier"),
                                         QStringLiteral("-"),
                                         QStringLiteral("&Copier les fichiers"),
                                         QStringLiteral("&Déplacer les fichiers"),
                                         QStringLiteral("-"),
                                         QStringLiteral("E&nvoyer à la corbeille"),
                                         QStringLiteral("&Supprimer les fichiers"),
                                         QStringLiteral("Dé&truire les fichiers"),
                                         QStringLiteral("-"),
                                         QStringLiteral("C&réer un répertoire"),
                                         QStringLiteral("R&enommer le fichier"),
                                         QStringLiteral("-"),
                                         QStringLiteral("&Propriétés")};
    const QStringList folderCaptions = {QStringLiteral("&Copier le répertoire"),
                                        QStringLiteral("&Déplacer le répertoire"),
                                        QStringLiteral("-"),
                                        QStringLiteral("E&nvoyer à la corbeille"),
                                        QStringLiteral("&Supprimer le répertoire"),
                                        QStringLiteral("Dé&truire les fichiers"),
                                        QStringLiteral("-"),
                                        QStringLiteral("C&réer un répertoire"),
                                        QStringLiteral("R&enommer le répertoire"),
                                        QStringLiteral("-"),
                                        QStringLiteral("&Propriétés")};
    m_mnuContextEntree[0] = new QMenu(QStringLiteral("Context"), this);
    m_mnuContextEntree[1] = new QMenu(QStringLiteral("ContextRep"), this);
    for (int i = 0; i < int(contextCaptions.size()); ++i) {
        QMenu* menu = m_mnuContextEntree[0];
        m_mnuContext[size_t(i)] = contextCaptions[i] == QStringLiteral("-")
                                      ? menu->addSeparator()
                                      : menu->addAction(contextCaptions[i]);
        connect(m_mnuContext[size_t(i)], &QAction::triggered, this, [this, i] { mnuContext_Click(i); });
    }
    for (int i = 0; i < int(folderCaptions.size()); ++i) {
        QMenu* menu = m_mnuContextEntree[1];
        m_mnuContextRep[size_t(i)] = folderCaptions[i] == QStringLiteral("-")
                                         ? menu->addSeparator()
                                         : menu->addAction(folderCaptions[i]);
        connect(m_mnuContextRep[size_t(i)], &QAction::triggered, this, [this, i] { mnuContextRep_Click(i); });
    }
    m_mnuContextRep[5]->setVisible(false);
    m_mnuContextEntree[0]->setDefaultAction(m_mnuContext[0]);
    m_mnuContextEntree[1]->setDefaultAction(m_mnuContextRep[0]);
}

void frmVambrel::buildToolBar() {
    m_tooBar = addToolBar(QStringLiteral("tooBar"));
    m_tooBar->setMovable(false);
    m_tooBar->setIconSize(QSize(16, 16));
    struct Button {
        const char* theme;
        QStyle::StandardPixmap fallback;
        QString tip;
        QAction* command;
    };
    const Button buttons[6] = {
        {"computer", QStyle::SP_ComputerIcon, QStringLiteral("Ouvrir le Poste de travail"), m_mnuFichier[0]},
        {"document-new", QStyle::SP_FileIcon, QStringLiteral("Nouveau fichier Vambrel"), m_mnuFichier[1]},
        {"document-open", QStyle::SP_DialogOpenButton, QStringLiteral("Ouvrir un fichier Vambrel"),
         m_mnuFichier[2]},
        {"dialog-information", QStyle::SP_MessageBoxInformation, QStringLiteral("Informations de version"),
         m_mnuOutils[0]},
        {"document-print", QStyle::SP_FileDialogDetailedView, QStringLiteral("Imprimer"), m_mnuOutils[3]},
        {"edit-find", QStyle::SP_FileDialogContentsView,
         QStringLiteral("Comparer Vambrel vs Poste de travail"), m_mnuOutils[2]},
    };
    for (int i = 0; i < 6; ++i) {
        const Button& b = buttons[i];
        QAction* action = m_tooBar->addAction(
            QIcon::fromTheme(QString::fromLatin1(b.theme), style()->standardIcon(b.fallback)), b.tip);
        action->setToolTip(b.tip);
        action->setEnabled(b.command->isEnabled());
        QAction* command = b.command;
        connect(action, &QAction::triggered, command, &QAction::trigger);
        connect(command, &QAction::enabledChanged, action, &QAction::setEnabled);
        m_toolButtons[size_t(i)] = action;
    }
}

QAction* frmVambrel::mnuInutilise(int index) const {
    return at(m_mnuInutilise, index);
}
QAction* frmVambrel::mnuFichier(int index) const {
    return at(m_mnuFichier, index);
}
QAction* frmVambrel::mnuMRU(int index) const {
    return at(m_mnuMRU, index);
}
QAction* frmVambrel::mnuQuitter(int index) const {
    return at(m_mnuQuitter, index);
}
QAction* frmVambrel::mnuEdition(int index) const {
    return at(m_mnuEdition, index);
}
QAction* frmVambrel::mnuOutils(int index) const {
    return at(m_mnuOutils, index);
}
QAction* frmVambrel::mnuFenetre(int index) const {
    return at(m_mnuFenetre, index);
}
QAction* frmVambrel::mnuAide(int index) const {
    return at(m_mnuAide, index);
}
QMenu* frmVambrel::mnuContextEntree(int index) const {
    return index == 0 || index == 1 ? m_mnuContextEntree[size_t(index)] : nullptr;
}
QAction* frmVambrel::mnuContext(int index) const {
    return at(m_mnuContext, index);
}
QAction* frmVambrel::mnuContextRep(int index) const {
    return at(m_mnuContextRep, index);
}
QAction* frmVambrel::toolButton(int index) const {
    return at(m_toolButtons, index - 1);
}

void frmVambrel::restorePlacement() {
    const auto stored = WindowPlacement::load();
    if (!stored)
        return;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    setGeometry(WindowPlacement::onScreen(*stored, screens));
}

void frmVambrel::closeEvent(QCloseEvent* event) {
    m_mdi->closeAllSubWindows();
    if (!m_mdi->subWindowList().isEmpty()) {
        event->ignore();
        return;
    }
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        WindowPlacement::save(geometry());
    QMainWindow::closeEvent(event);
}

void frmVambrel::showMessage(QMessageBox::Icon icon, const QString& text) {
    if (m_messageHandler) {
        m_messageHandler(icon, text);
        return;
    }
    QMessageBox box(icon, QStringLiteral("Vambrel"), text, QMessageBox::Ok, this);
    box.exec();
}

QString frmVambrel::chooseCatalogue() {
    if (m_fileChooser)
        return m_fileChooser();
    QFileDialog dialog(this, kOpenTitle, QString(), kFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.selectNameFilter(QStringLiteral("Dat (*.dat)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString frmVambrel::chooseNewCatalogue() {
    if (m_saveChooser)
        return m_saveChooser();
    QFileDialog dialog(this, kNewTitle, QString(), kFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("dat"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.selectNameFilter(QStringLiteral("Dat (*.dat)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// ---- opening ----

bool frmVambrel::OpenCatalogue(const QString& path, const QString& replacement) {
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        ChildWindow* child = ChildWindow::of(sub->widget());
        if (!child || child->catalogueFile() != path)
            continue;
        if (replacement.isEmpty()) {
            sub->showNormal();
            sub->raise();
            m_mdi->setActiveSubWindow(sub);
            child->focusContent();
            return true;
        }
        sub->close();
        break;
    }
    if (!replacement.isEmpty()) {
        // In one step, so that no half-copied catalogue is ever found under its name; on failure
        // the old file stays as it was and the new one where it was written.
        QString cause;
        if (!ReplaceFile(replacement, path, &cause)) {
            showMessage(QMessageBox::Critical, QStringLiteral("Impossible d'ouvrir ") + path +
                                                   QLatin1Char('\n') + cause +
                                                   QStringLiteral("\nLe fichier créé reste sous le nom ") +
                                                   replacement + QLatin1Char('.'));
            return false;
        }
    }

    auto* child = new frmDirDat;
    QMdiSubWindow* sub = m_mdi->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(std::max(400, m_mdi->width() * 3 / 4), std::max(300, m_mdi->height() * 3 / 4));
    connect(sub, &QObject::destroyed, this, &frmVambrel::childClosed, Qt::QueuedConnection);
    connect(child, &frmDirDat::CommandsChanged, this, &frmVambrel::updateCommands);
    connect(child, &frmDirDat::Message, this,
            [this](const QString& text) { showMessage(QMessageBox::Critical, text); });
    connect(child, &frmDirDat::ConversionNotice, this, [this] {
        showMessage(
            QMessageBox::Information,
            QStringLiteral(
                "Le fichier que vous voulez ouvrir a été créé avec une version antérieure de Vambrel.\n"
                "L'application va le convertir au format 2.0.0."));
    });
    // A large catalogue fails after the window is made: it goes as a failure at once would.
    connect(child, &frmDirDat::OpenFailed, this, [this, sub](const QString& text) {
        m_mdi->removeSubWindow(sub);
        sub->deleteLater();
        showMessage(QMessageBox::Critical, text);
    });
    const bool opened = child->OuvrirDat(path);
    if (opened) {
        // The window just opened is the one in front, with the focus in its list.
        sub->show();
        sub->raise();
        m_mdi->setActiveSubWindow(sub);
        childActivated(sub);
        child->focusContent();
        return true;
    }
    // The cause on a second line.
    const QString cause = child->lastError().isEmpty() ? QString() : QLatin1Char('\n') + child->lastError();
    m_mdi->removeSubWindow(sub);
    delete sub;
    showMessage(QMessageBox::Critical, QStringLiteral("Impossible d'ouvrir ") + path + cause);
    return false;
}

frmInfo* frmVambrel::showBuildProgress(const QString& spec, const QString& mask, const QString& fileName,
                                       bool impression) {
    hide();
    auto* info = new frmInfo(this);
    info->setSpec(spec);
    info->setMask(mask);
    info->setFileName(fileName);
    info->setImpression(impression);
    connect(info, &frmInfo::CatalogueReady, this, [this](const QString& file, const QString& temporary) {
        if (OpenCatalogue(file, temporary))
            AddMRU(*this, kAppName, file);
    });
    connect(info, &frmInfo::BuildFailed, this,
            [this](const QString& text) { showMessage(QMessageBox::Critical, text); });
    info->show();
    return info;
}

// ---- commands ----

QWidget* frmVambrel::activeChild() const {
    QMdiSubWindow* sub = m_mdi->currentSubWindow();
    if (!sub)
        sub = m_mdi->activeSubWindow();
    return sub ? sub->widget() : nullptr;
}

ChildWindow* frmVambrel::activeChildWindow() const {
    return ChildWindow::of(activeChild());
}

QList<frmDirDat*> frmVambrel::catalogueWindows() const {
    QList<frmDirDat*> windows;
    for (QMdiSubWindow* sub : m_mdi->subWindowList())
        if (auto* child = qobject_cast<frmDirDat*>(sub->widget()))
            windows << child;
    return windows;
}

void frmVambrel::mnuFichier_Click(int index) {
    if (index == 0)
        OpenExplorer();
    else if (index == 1)
        newCatalogue();
    else if (index == 2)
        openCatalogue();
}

void frmVambrel::mnuMRU_Click(int index) {
    openRecent(index);
}

void frmVambrel::mnuAffichage_Click() {
    switchView();
}

void frmVambrel::mnuOutils_Click(int index) {
    switch (index) {
    case 0:
        showVersion();
        break;
    case 1:
        showProperties();
        break;
    case 2:
        compareCatalogue();
        break;
    case 3:
        printCatalogue();
        break;
    default:
        break;
    }
}

void frmVambrel::mnuFenetre_Click(int index) {
    switch (index) {
    case 0:
        cascade();
        break;
    case 1:
        tileHorizontally();
        break;
    case 2:
        tileVertically();
        break;
    case 3:
        arrangeIcons();
        break;
    default:
        break;
    }
}

void frmVambrel::mnuAide_Click(int index) {
    if (index == 0)
        ShowHelp(frmAide::kStartPage);
    else if (index == 1)
        showAbout();
}

ExplorerCommands frmVambrel::explorerCommands() {
    ExplorerCommands::Hooks hooks = m_explorerHooks;
    if (!hooks.message)
        hooks.message = [this](QMessageBox::Icon icon, const QString& text) { showMessage(icon, text); };
    if (!hooks.version)
        hooks.version = [this] { showVersion(); };
    return ExplorerCommands(m_explorer, this, std::move(hooks), m_refreshesItself);
}

frmAide* frmVambrel::helpWindow() const {
    return m_help;
}

void frmVambrel::ShowHelp(const QString& page) {
    // One help window, kept apart from the frame so that it stays while the frame is hidden.
    if (!m_help) {
        m_help = new frmAide(m_helpFolder.isEmpty() ? ProgramFiles::helpFolder() : m_helpFolder, this);
        m_help->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_help->showPage(page);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void frmVambrel::mnuContext_Click(int index) {
    explorerCommands().Context(index);
}

void frmVambrel::mnuContextRep_Click(int index) {
    explorerCommands().ContextRep(index);
}

void frmVambrel::mnuEdition_Click(int index) {
    if (m_explorer)
        explorerCommands().Edition(index);
}

void frmVambrel::mnuEdition_Adapt() {
    const ChildWindow* explorer = m_explorer;
    const bool files = explorer && explorer->editTarget() == ChildWindow::EditTarget::Files;
    m_mnuEdition[0]->setEnabled(files);
    m_mnuEdition[2]->setText(files ? QStringLiteral("&Copier les fichiers")
                                   : QStringLiteral("&Copier le répertoire"));
    m_mnuEdition[3]->setText(files ? QStringLiteral("&Déplacer les fichiers")
                                   : QStringLiteral("&Déplacer le répertoire"));
    m_mnuEdition[6]->setText(files ? QStringLiteral("&Supprimer les fichiers")
                                   : QStringLiteral("&Supprimer le répertoire"));
    m_mnuEdition[7]->setEnabled(files);
    m_mnuEdition[10]->setText(files ? QStringLiteral("R&enommer le fichier")
                                    : QStringLiteral("R&enommer le répertoire"));
}

frmDir* frmVambrel::explorer() const {
    return m_explorer;
}

frmDir* frmVambrel::OpenExplorer() {
    if (m_explorer) {
        QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(m_explorer->parentWidget());
        if (sub) {
            sub->showNormal();
            m_mdi->setActiveSubWindow(sub);
        }
        m_explorer->setFocus();
        return m_explorer;
    }
    auto* child = new frmDir;
    m_explorer = child;
    QMdiSubWindow* sub = m_mdi->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // Two panes and four columns: the whole room of the frame.
    sub->resize(std::max(600, m_mdi->viewport()->width()), std::max(400, m_mdi->viewport()->height()));
    connect(sub, &QObject::destroyed, this, &frmVambrel::childClosed, Qt::QueuedConnection);
    connect(child, &frmDir::ContextMenu, this, &frmVambrel::popupContextMenu);
    connect(child, &frmDir::ContextCommand, this, &frmVambrel::mnuContext_Click);
    sub->show();
    child->Load();
    m_mdi->setActiveSubWindow(sub);
    childActivated(sub);
    return child;
}

void frmVambrel::popupContextMenu(int menu, const QPoint& globalPos) {
    if (QMenu* popup = mnuContextEntree(menu))
        popup->popup(globalPos);
}

void frmVambrel::compareCatalogue() {
    const QString file = chooseCatalogue();
    if (!file.isEmpty())
        showComparison(file);
}

frmCompare* frmVambrel::showComparison(const QString& path) {
    hide();
    auto* compare = new frmCompare(this);
    compare->setCatalogueFile(path);
    // The help at the comparison topic.
    connect(compare, &frmCompare::HelpRequested, this, [this] { ShowHelp(frmAide::kComparePage); });
    compare->show();
    return compare;
}

void frmVambrel::openCatalogue() {
    const QString file = chooseCatalogue();
    if (!file.isEmpty())
        OpenFiles({file});
}

void frmVambrel::OpenFiles(const QStringList& files) {
    for (const QString& file : files)
        if (OpenCatalogue(file, QString()))
            AddMRU(*this, kAppName, file);
}

void frmVambrel::newCatalogue() {
    QString spec, mask;
    {
        frmNouveau dialog(this);
        dialog.exec();
        spec = dialog.Tag();
        mask = dialog.txtMask()->text();
    }
    if (spec.isEmpty())
        return;
    const QString file = chooseNewCatalogue();
    if (file.isEmpty())
        return;
    // A start folder that went away while the name was chosen, or a folder that cannot take the
    // file, is told now rather than after the whole build.
    if (const QString problem = NewCatalogueAnswer::ProblemBeforeBuild(spec, file); !problem.isEmpty()) {
        showMessage(QMessageBox::Critical, problem);
        return;
    }
    showBuildProgress(spec, mask, file);
}

void frmVambrel::openRecent(int index) {
    QAction* entry = mnuMRU(index);
    if (index >= 1 && entry && entry->isVisible())
        OpenCatalogue(entry->data().toString(), QString());
}

void frmVambrel::switchView() {
    ChildWindow* child = activeChildWindow();
    if (!child || child->catalogueFile().isEmpty())
        return;
    if (child->setExploreView(!child->exploreView()))
        updateAffichageCaption(child->exploreView());
    SaveSetting(kAppName, kSectionStartUp, kKeyAffichage, BoolToSettingText(child->exploreView()));
}

void frmVambrel::showVersion() {
    if (ChildWindow* child = activeChildWindow())
        child->ShowVersion();
}

void frmVambrel::showProperties() {
    ChildWindow* child = activeChildWindow();
    if (child && !child->catalogueFile().isEmpty()) {
        child->ShowProperties();
        return;
    }
    frmPropPoste window(this);
    window.exec();
}

// A catalogue window prints its catalogue; otherwise a part of the disk is listed into a
// temporary catalogue and printed without keeping it.
void frmVambrel::printCatalogue() {
    if (m_mdi->subWindowList().isEmpty())
        return;
    ChildWindow* child = activeChildWindow();
    if (child && !child->catalogueFile().isEmpty()) {
        child->PrintDat();
        return;
    }
    QString spec, mask;
    {
        frmNouveau dialog(this);
        dialog.setWindowTitle(QStringLiteral("Imprimer"));
        dialog.exec();
        spec = dialog.Tag();
        mask = dialog.txtMask()->text();
    }
    if (!spec.isEmpty())
        showBuildProgress(spec, mask, QString(), true);
}

void frmVambrel::cascade() {
    m_mdi->cascadeSubWindows();
}

// Children stacked one under the other, or side by side.
static void tile(QMdiArea* mdi, bool horizontal) {
    QList<QMdiSubWindow*> shown;
    for (QMdiSubWindow* w : mdi->subWindowList())
        if (!w->isMinimized())
            shown << w;
    const QSize area = mdi->viewport()->size();
    const int n = int(shown.size());
    for (int i = 0; i < n; ++i) {
        shown[i]->showNormal();
        if (horizontal)
            shown[i]->setGeometry(0, area.height() * i / n, area.width(), area.height() / n);
        else
            shown[i]->setGeometry(area.width() * i / n, 0, area.width() / n, area.height());
    }
}

void frmVambrel::tileHorizontally() {
    tile(m_mdi, true);
}

void frmVambrel::tileVertically() {
    tile(m_mdi, false);
}

// Minimised children in a row along the bottom.
void frmVambrel::arrangeIcons() {
    int x = 0;
    for (QMdiSubWindow* w : m_mdi->subWindowList()) {
        if (!w->isMinimized())
            continue;
        w->move(x, m_mdi->viewport()->height() - w->height());
        x += w->width();
    }
}

void frmVambrel::showAbout() {
    frmAbout about(this);
    about.exec();
}

// ---- children ----

void frmVambrel::updateAffichageCaption(bool explore) {
    m_mnuAffichage->setText(explore ? kListCaption : kExploreCaption);
}

void frmVambrel::updateCommands() {
    ChildWindow* child = activeChildWindow();
    m_mnuOutils[0]->setEnabled(child && child->canShowVersion());
}

void frmVambrel::childActivated(QMdiSubWindow* window) {
    updateCommands();
    ChildWindow* child = ChildWindow::of(window ? window->widget() : nullptr);
    if (child && child == static_cast<ChildWindow*>(m_explorer.data())) {
        m_mnuInutilise[2]->setEnabled(false);
        m_mnuInutilise[1]->setEnabled(true);
        return;
    }
    if (!child || child->catalogueFile().isEmpty())
        return;
    m_mnuInutilise[2]->setEnabled(true);
    m_mnuInutilise[1]->setEnabled(false);
    updateAffichageCaption(child->exploreView());
}

void frmVambrel::childClosed() {
    updateCommands();
    if (catalogueWindows().isEmpty())
        m_mnuInutilise[2]->setEnabled(false);
    if (!m_explorer)
        m_mnuInutilise[1]->setEnabled(false);
}

void frmVambrel::fillWindowMenu() {
    for (QAction* action : std::as_const(m_windowList)) {
        m_windowMenu->removeAction(action);
        action->deleteLater();
    }
    m_windowList.clear();
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    if (windows.isEmpty())
        return;
    m_windowList << m_windowMenu->addSeparator();
    int number = 1;
    for (QMdiSubWindow* sub : windows) {
        QAction* item = m_windowMenu->addAction(QLatin1Char('&') + QString::number(number++) +
                                                QLatin1Char(' ') + sub->windowTitle());
        item->setCheckable(true);
        item->setChecked(sub == m_mdi->currentSubWindow());
        connect(item, &QAction::triggered, this, [this, sub] {
            sub->showNormal();
            m_mdi->setActiveSubWindow(sub);
        });
        m_windowList << item;
    }
}

} // namespace vambrel
