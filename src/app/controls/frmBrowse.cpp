#include "frmBrowse.h"

#include "DialogFlags.h"
#include "qvtRepertoire.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace vambrel {

frmBrowse::frmBrowse(QWidget* parent) : QDialog(parent, kDialogFlags), m_rep(new qvtRepertoire(this)) {
    setWindowTitle(QStringLiteral("Choisir un répertoire"));
    m_rep->setObjectName(QStringLiteral("qvtRep"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_rep, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const QString captions[2] = {QStringLiteral("&OK"), QStringLiteral("&Annuler")};
    for (int i = 0; i < 2; ++i) {
        m_cmd[size_t(i)] = new QPushButton(captions[i], this);
        buttons->addWidget(m_cmd[size_t(i)]);
        connect(m_cmd[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdCmd_Click(i); });
    }
    m_cmd[0]->setDefault(true);
    layout->addLayout(buttons);
    resize(320, 380);
}

QPushButton* frmBrowse::cmdCmd(int index) const {
    return index == 0 || index == 1 ? m_cmd[size_t(index)] : nullptr;
}

void frmBrowse::cmdCmd_Click(int index) {
    if (index == 0) {
        m_tag = m_rep->Path();
        accept();
    } else {
        reject();
    }
}

} // namespace vambrel
