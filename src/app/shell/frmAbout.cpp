#include "frmAbout.h"

#include "AboutTexts.h"
#include "controls/DialogFlags.h"
#include "mShellExecute.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace vambrel {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

void makeLink(QLabel* label) {
    label->setWordWrap(false);
    label->setCursor(Qt::PointingHandCursor);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
    label->setPalette(palette);
}

} // namespace

frmAbout::frmAbout(QWidget* parent, const SystemSource& source) : QDialog(parent, kDialogFlags) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("A propos de ") + AboutTexts::title());
    const AboutTexts texts(source);

    m_lblTitle = makeLabel(this, "lblTitle", AboutTexts::title());
    QFont titleFont = m_lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    m_lblTitle->setFont(titleFont);
    m_lblVersion = makeLabel(this, "lblVersion", AboutTexts::version());
    m_lblDescription = makeLabel(this, "lblDescription", AboutTexts::description());
    m_lblUser = makeLabel(this, "lblUser", texts.user());
    m_lblDisclaimer = makeLabel(this, "lblDisclaimer", AboutTexts::disclaimer());
    m_lblWeb = {makeLabel(this, "lblWeb0", QStringLiteral("Web:")),
                makeLabel(this, "lblWeb1", AboutTexts::webAddress())};
    m_lblMail = {makeLabel(this, "lblMail0", QStringLiteral("Mail:")),
                 makeLabel(this, "lblMail1", AboutTexts::mailAddress())};
    makeLink(m_lblWeb[1]);
    makeLink(m_lblMail[1]);
    m_lblWeb[1]->installEventFilter(this);
    m_lblMail[1]->installEventFilter(this);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {m_lblTitle, m_lblVersion, m_lblDescription, m_lblUser})
        layout->addWidget(label);
    auto* links = new QGridLayout;
    links->addWidget(m_lblWeb[0], 0, 0);
    links->addWidget(m_lblWeb[1], 0, 1);
    links->addWidget(m_lblMail[0], 1, 0);
    links->addWidget(m_lblMail[1], 1, 1);
    links->setColumnStretch(1, 1);
    layout->addLayout(links);
    layout->addWidget(m_lblDisclaimer);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdOK);
    layout->addLayout(buttons);
}

void frmAbout::lblWeb_Click() {
    mShellExecute::Open(AboutTexts::webTarget(m_lblWeb[1]->text()), QStringLiteral("open"), QString(),
                        QString(), mShellExecute::kShowDefault, this, true);
}

void frmAbout::lblMail_Click() {
    mShellExecute::Open(AboutTexts::mailTarget(m_lblMail[1]->text()), QStringLiteral("open"), QString(),
                        QString(), mShellExecute::kShowDefault, this, true);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == m_lblWeb[1]) {
            lblWeb_Click();
            return true;
        }
        if (watched == m_lblMail[1]) {
            lblMail_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vambrel
