#pragma once

#include <QDialog>
#include <array>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vambrel {

// The catalogue's particulars and its editable description (form frmPropriétés). The caller
// fills the values, shows the dialog modally and, when Tag() is "Change", stores the description.
class frmProprietes : public QDialog {
    Q_OBJECT

public:
    static constexpr int kInfoCount = 8;

    explicit frmProprietes(QWidget* parent = nullptr);

    QLabel* lblEti(int index) const;  // 0 to 8
    QLabel* lblInfo(int index) const; // 0 to 7
    QPlainTextEdit* txtDescription() const { return m_txtDescription; }
    QPushButton* cmdAction(int index) const; // 0 "&Enregistrer", 1 "&Fermer"
    QString Tag() const { return m_tag; }

public Q_SLOTS:
    void cmdAction_Click(int index);
    // A description that could not be saved: shown again, its OK button stays enabled.
    void setUnsaved(bool unsaved) { m_unsaved = unsaved; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void activate();

    std::array<QLabel*, kInfoCount + 1> m_lblEti{};
    std::array<QLabel*, kInfoCount> m_lblInfo{};
    QPlainTextEdit* m_txtDescription;
    std::array<QPushButton*, 2> m_cmdAction{};
    QString m_tag;
    bool m_unsaved = false;
};

} // namespace vambrel
