#include "frmShellProperties.h"

#include "controls/DialogFlags.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vambrel {

frmShellProperties::frmShellProperties(const ShellPropertiesTexts& texts, QWidget* parent)
    : QDialog(parent, kDialogFlags) {
    setObjectName(QStringLiteral("frmShellProperties"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(texts.title());
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    int index = 0;
    for (const ShellPropertiesTexts::Row& row : texts.rows()) {
        auto* value = new QLabel(row.second, this);
        value->setObjectName(QStringLiteral("lblValue%1").arg(index++));
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(row.first, value);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

bool frmShellProperties::showFor(const QString& path, QWidget* owner) {
    const std::optional<ShellPropertiesTexts> texts = ShellPropertiesTexts::read(path);
    if (!texts)
        return false;
    auto* sheet = new frmShellProperties(*texts, owner);
    sheet->setModal(false);
    sheet->show();
    return true;
}

} // namespace vambrel
