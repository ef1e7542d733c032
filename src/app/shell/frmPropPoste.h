#pragma once

#include "SystemSource.h"

#include <QDialog>
#include <array>

class QLabel;

namespace vambrel {

// The computer's properties: system, memory, user and machine, each a caption beside a
// multi-line label filled when the window is made.
class frmPropPoste : public QDialog {
    Q_OBJECT

public:
    explicit frmPropPoste(QWidget* parent = nullptr, const SystemSource& source = SystemSource::current());

    QLabel* lblEti(int index) const { return m_lblEti.at(static_cast<size_t>(index)); }
    QLabel* lblSys() const { return m_lblSys; }
    QLabel* lblMem() const { return m_lblMem; }
    QLabel* lblUser() const { return m_lblUser; }
    QLabel* lblComputer() const { return m_lblComputer; }

private:
    std::array<QLabel*, 4> m_lblEti{};
    QLabel* m_lblSys = nullptr;
    QLabel* m_lblMem = nullptr;
    QLabel* m_lblUser = nullptr;
    QLabel* m_lblComputer = nullptr;
};

} // namespace vambrel
