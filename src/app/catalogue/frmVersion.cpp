#include "frmVersion.h"

#include "Database.h"
#include "NativeName.h"
#include "TextFormat.h"
#include "controls/DialogFlags.h"
#include "controls/ElidedLabel.h"
#include "controls/FileIcons.h"
#include "explorer/FileVersionList.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace vambrel {

namespace {

QFrame* separatorLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

frmVersion::frmVersion(QWidget* parent) : QDialog(parent, kDialogFlags) {
    setWindowTitle(QStringLiteral("Information"));
    m_imaFichier = new QLabel(this);
    m_imaFichier->setFixedSize(20, 20);
    m_lblFichier = new ElidedLabel(this);
    auto* head = new QHBoxLayout;
    head->addWidget(m_imaFichier);
    head->addWidget(m_lblFichier, 1);

    const QStringList captions = {QStringLiteral("Organisation"),
                                  QStringLiteral("Description"),
                                  QStringLiteral("Version"),
                                  QStringLiteral("Nom interne"),
                                  QStringLiteral("Copyright"),
                                  QStringLiteral("Nom d'origine"),
                                  QStringLiteral("Nom du produit"),
                                  QStringLiteral("Version du produit"),
                                  QStringLiteral("Version du fichier"),
                                  QStringLiteral("Version du produit"),
                                  QStringLiteral("Conçu pour"),
                                  QStringLiteral("Type de fichier")};
    // The values, or one line for a file without any version information; the window keeps its
    // size whichever is shown.
    m_pages = new QStackedWidget(this);
    auto* details = new QWidget(m_pages);
    auto* grid = new QGridLayout(details);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnStretch(1, 1);
    int line = 0;
    grid->addWidget(new QLabel(QStringLiteral("Informations de version"), details), line++, 0, 1, 2);
    for (int i = 0; i < kInfoCount; ++i) {
        if (i == 8) {
            grid->addWidget(separatorLine(details), line++, 0, 1, 2);
            grid->addWidget(new QLabel(QStringLiteral("Informations sur le fichier"), details), line++, 0, 1,
                            2);
        }
        m_lblInfo[size_t(i)] = new ElidedLabel(details);
        if (i < int(m_lblEti.size())) {
            m_lblEti[size_t(i)] = new QLabel(captions[i], details);
            grid->addWidget(m_lblEti[size_t(i)], line, 0);
        }
        grid->addWidget(m_lblInfo[size_t(i)], line++, 1);
    }
    grid->setRowStretch(line, 1);
    m_lblNoVersion =
        new QLabel(QStringLiteral("Ce fichier ne contient pas d'informations de version."), m_pages);
    m_lblNoVersion->setAlignment(Qt::AlignCenter);
    m_pages->addWidget(details);
    m_pages->addWidget(m_lblNoVersion);

    const QStringList tips = {QStringLiteral("Fichier précédent"), QStringLiteral("Fichier suivant"),
                              QStringLiteral("Premier fichier"), QStringLiteral("Dernier fichier")};
    const QStyle::StandardPixmap pictures[4] = {QStyle::SP_ArrowLeft, QStyle::SP_ArrowRight,
                                                QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSkipForward};
    auto* buttons = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        m_imaNavig[size_t(i)] = new QToolButton(this);
        m_imaNavig[size_t(i)]->setIcon(style()->standardIcon(pictures[i]));
        m_imaNavig[size_t(i)]->setToolTip(tips[i]);
        m_imaNavig[size_t(i)]->setAutoRaise(true);
        m_imaNavig[size_t(i)]->setFocusPolicy(Qt::NoFocus);
        connect(m_imaNavig[size_t(i)], &QToolButton::clicked, this, [this, i] { imaNavig_Click(i); });
    }
    buttons->addWidget(m_imaNavig[2]);
    buttons->addWidget(m_imaNavig[0]);
    buttons->addWidget(m_imaNavig[1]);
    buttons->addWidget(m_imaNavig[3]);
    buttons->addStretch();
    m_command1 = new QPushButton(QStringLiteral("Fermer"), this);
    m_command1->setDefault(true);
    buttons->addWidget(m_command1);
    connect(m_command1, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(separatorLine(this));
    layout->addWidget(m_pages, 1);
    layout->addWidget(separatorLine(this));
    layout->addLayout(buttons);
}

QLabel* frmVersion::lblEti(int index) const {
    return index >= 0 && index < int(m_lblEti.size()) ? m_lblEti[size_t(index)] : nullptr;
}

QLabel* frmVersion::lblInfo(int index) const {
    return index >= 0 && index < kInfoCount ? m_lblInfo[size_t(index)] : nullptr;
}

QToolButton* frmVersion::imaNavig(int index) const {
    return index >= 0 && index < 4 ? m_imaNavig[size_t(index)] : nullptr;
}

void frmVersion::setRecFichiers(const FileRows& rows) {
    m_recFichiers = rows;
    m_recFichiers.rows() = rows.rows().clone();
}

void frmVersion::clearInfo() {
    for (QLabel* label : m_lblInfo)
        label->clear();
    m_pages->setCurrentIndex(0);
}

bool frmVersion::showsNoVersion() const {
    return m_pages->currentWidget() == m_lblNoVersion;
}

void frmVersion::activate() {
    if (m_modePoste) {
        if (m_poste && m_poste->activate())
            showFile();
        return;
    }
    if (!m_recFichiers.isValid())
        return;
    const QModelIndex current = m_listeFichiers ? m_listeFichiers->currentIndex() : QModelIndex();
    if (current.isValid() && m_listeFichiers->selectionModel()->isSelected(current)) {
        m_recFichiers.findNumId(current.siblingAtColumn(0).data(Qt::UserRole).toLongLong());
    } else if (!m_recFichiers.rows().hasCurrent()) {
        m_recFichiers.rows().moveFirst();
    }
    showRow();
}

void frmVersion::showRow() {
    if (!m_recFichiers.rows().hasCurrent()) {
        m_lblFichier->clear();
        m_imaFichier->clear();
        clearInfo();
        return;
    }
    const QString nom = m_recFichiers.nom();
    m_imaFichier->setPixmap(IconToPicture(ShellIcon(nom)));
    m_lblFichier->setText(DisplayName(nom));
    std::optional<VersionTexts> version;
    if (m_baseDat && m_baseDat->isOpen()) {
        auto found = CatalogueReader(*m_baseDat).versionOf(m_recFichiers.numId());
        if (found)
            version = found.value();
    }
    if (!version) {
        clearInfo();
        m_pages->setCurrentWidget(m_lblNoVersion);
        return;
    }
    m_pages->setCurrentIndex(0);
    for (int i = 0; i < kInfoCount; ++i)
        m_lblInfo[size_t(i)]->setText((*version)[size_t(i)]);
}

void frmVersion::showFile() {
    m_imaFichier->setPixmap(IconToPicture(m_poste->icon()));
    m_lblFichier->setText(m_poste->name());
    const auto values = m_poste->read();
    for (int i = 0; i < kInfoCount; ++i)
        m_lblInfo[size_t(i)]->setText(values[size_t(i)]);
}

void frmVersion::imaNavig_Click(int index) {
    if (m_modePoste) {
        if (m_poste && m_poste->move(index))
            showFile();
        return;
    }
    Snapshot& rows = m_recFichiers.rows();
    if (!m_recFichiers.isValid() || rows.recordCount() == 0)
        return;
    switch (index) {
    case Previous:
        if (!rows.movePrevious()) {
            rows.moveFirst();
            return;
        }
        break;
    case Next:
        if (!rows.moveNext()) {
            rows.moveLast();
            return;
        }
        break;
    case First:
        rows.moveFirst();
        break;
    case Last:
        rows.moveLast();
        break;
    default:
        return;
    }
    showRow();
}

void frmVersion::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    activate();
}

void frmVersion::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activate();
}

void frmVersion::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageUp:
        imaNavig_Click(Previous);
        return;
    case Qt::Key_PageDown:
        imaNavig_Click(Next);
        return;
    case Qt::Key_Home:
        imaNavig_Click(First);
        return;
    case Qt::Key_End:
        imaNavig_Click(Last);
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace vambrel
