#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace vambrel {

class qvtBrowser;

// Asks which part of the computer a new catalogue records: some drives, or one folder, and the
// file-name pattern. The answer (Tag) is the builder's list of start folders, empty when the user
// cancelled; the pattern is read from txtMask. OK and Annuler only hide the dialog.
class frmNouveau : public QDialog {
    Q_OBJECT

public:
    // The folder the folder box starts on: the explorer's selected folder once the explorer
    // registers this source; until then (empty source) the folder tree's default drive.
    using FolderSource = std::function<QString()>;
    static void setStartFolderSource(FolderSource source);

    explicit frmNouveau(QWidget* parent = nullptr);

    QRadioButton* optRacine(int index) const; // 0 drives, 1 folder
    QListWidget* lisLecteur() const { return m_lisLecteur; }
    qvtBrowser* qvtBrowse() const { return m_qvtBrowse; }
    QLabel* lblMask() const { return m_lblMask; }
    QLineEdit* txtMask() const { return m_txtMask; }
    QPushButton* cmdAction(int index) const; // 0 "&OK", 1 "&Annuler"

    QString Tag() const { return m_tag; }
    void cmdAction_Click(int index);

    // Messages, replaceable for tests: the icon and the text.
    using MessageHandler = std::function<void(QMessageBox::Icon icon, const QString& text)>;
    void setMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }

private:
    void optRacine_Click();
    void showMessage(QMessageBox::Icon icon, const QString& text);

    std::array<QRadioButton*, 2> m_optRacine{};
    QListWidget* m_lisLecteur;
    qvtBrowser* m_qvtBrowse;
    QLabel* m_lblMask;
    QLineEdit* m_txtMask;
    std::array<QPushButton*, 2> m_cmdAction{};
    QString m_tag;
    MessageHandler m_messageHandler;
};

} // namespace vambrel
