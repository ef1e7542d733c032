#pragma once

#include <QDialog>
#include <QString>
#include <array>

class QPushButton;

namespace vambrel {

class qvtRepertoire;

// The folder chooser of the folder path box: the folder tree and "&OK" / "&Annuler". OK keeps
// the tree's Path in Tag; Annuler leaves Tag empty. Both only hide the dialog.
class frmBrowse : public QDialog {
    Q_OBJECT

public:
    explicit frmBrowse(QWidget* parent = nullptr);

    qvtRepertoire* qvtRep() const { return m_rep; }
    QPushButton* cmdCmd(int index) const; // 0 "&OK", 1 "&Annuler"
    QString Tag() const { return m_tag; }

    void cmdCmd_Click(int index);

private:
    qvtRepertoire* m_rep;
    std::array<QPushButton*, 2> m_cmd{};
    QString m_tag;
};

} // namespace vambrel
