#include "frmPropPoste.h"

#include "PropPosteTexts.h"
#include "controls/DialogFlags.h"

#include <QGridLayout>
#include <QLabel>

namespace vambrel {

frmPropPoste::frmPropPoste(QWidget* parent, const SystemSource& source) : QDialog(parent, kDialogFlags) {
    setObjectName(QStringLiteral("frmPropPoste"));
    setWindowTitle(QStringLiteral("Propriétés"));
    auto* grid = new QGridLayout(this);
    const QString captions[] = {QStringLiteral("Système"), QStringLiteral("Mémoire"),
                                QStringLiteral("Utilisateur"), QStringLiteral("Machine")};
    const PropPosteTexts texts(source);
    const QString values[] = {texts.system(), texts.memory(), texts.user(), texts.computer()};
    QLabel** fields[] = {&m_lblSys, &m_lblMem, &m_lblUser, &m_lblComputer};
    const char* names[] = {"lblSys", "lblMem", "lblUser", "lblComputer"};
    for (int i = 0; i < 4; ++i) {
        auto* caption = new QLabel(captions[i], this);
        caption->setObjectName(QStringLiteral("lblEti%1").arg(i));
        caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QFont bold = caption->font();
        bold.setBold(true);
        caption->setFont(bold);
        m_lblEti.at(static_cast<size_t>(i)) = caption;
        auto* value = new QLabel(values[i], this);
        value->setObjectName(QLatin1String(names[i]));
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        *fields[i] = value;
        grid->addWidget(caption, i, 0);
        grid->addWidget(value, i, 1);
    }
    grid->setColumnStretch(1, 1);
}

} // namespace vambrel
