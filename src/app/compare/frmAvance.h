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

// Asks where the search for new files looks: some drives, one folder, or the start folders of the
// compared catalogue. The answer (Tag) is the start-folder list, "Limiter à Vambrel" for the third
// choice, or empty when the user cancelled. The mask box is shown but changes nothing: the search
// uses the catalogue's stored mask.
class frmAvance : public QDialog {
    Q_OBJECT

public:
    explicit frmAvance(QWidget* parent = nullptr);

    QRadioButton* optRacine(int index) const; // 0 drives, 1 folder, 2 the catalogue's source
    QListWidget* lisLecteur() const { return m_lisLecteur; }
    qvtBrowser* qvtBrowse() const { return m_qvtBrowse; }
    QLabel* lblInfo() const { return m_lblInfo; }
    QLineEdit* txtMask() const { return m_txtMask; }
    QPushButton* cmdAction(int index) const; // 0 "&OK", 1 "&Annuler"

    QString Tag() const { return m_tag; }
    void cmdAction_Click(int index);

    using MessageHandler = std::function<void(QMessageBox::Icon icon, const QString& text)>;
    void setMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }

    static QString SourceAnswer() { return QStringLiteral("Limiter à Vambrel"); }

private:
    void optRacine_Click();
    void showMessage(QMessageBox::Icon icon, const QString& text);

    std::array<QRadioButton*, 3> m_optRacine{};
    QListWidget* m_lisLecteur;
    qvtBrowser* m_qvtBrowse;
    QLabel* m_lblInfo;
    QLabel* m_lblMask;
    QLineEdit* m_txtMask;
    std::array<QPushButton*, 2> m_cmdAction{};
    QString m_tag;
    MessageHandler m_messageHandler;
};

} // namespace vambrel
