#pragma once

#include "SystemSource.h"

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;

namespace vambrel {

// The About box: product, version, description, legal notice, licensed user, and the maker's
// web and mail addresses, which open with the desktop's application when clicked.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr, const SystemSource& source = SystemSource::current());

    QLabel* lblTitle() const { return m_lblTitle; }
    QLabel* lblVersion() const { return m_lblVersion; }
    QLabel* lblDescription() const { return m_lblDescription; }
    QLabel* lblDisclaimer() const { return m_lblDisclaimer; }
    QLabel* lblUser() const { return m_lblUser; }
    QLabel* lblWeb(int index) const { return m_lblWeb.at(static_cast<size_t>(index)); }
    QLabel* lblMail(int index) const { return m_lblMail.at(static_cast<size_t>(index)); }
    QPushButton* cmdOK() const { return m_cmdOK; }

public Q_SLOTS:
    void lblWeb_Click();
    void lblMail_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblDescription = nullptr;
    QLabel* m_lblDisclaimer = nullptr;
    QLabel* m_lblUser = nullptr;
    std::array<QLabel*, 2> m_lblWeb{};
    std::array<QLabel*, 2> m_lblMail{};
    QPushButton* m_cmdOK = nullptr;
};

} // namespace vambrel
