#pragma once

#include <QDialog>
#include <QList>
#include <QPixmap>

class QLabel;
class QPushButton;

namespace vambrel {

// The program's own modal message box: French button sets, a stock or custom picture, an optional
// "Aide" button and a layout that adapts to the message. The answer is the tag of the pressed
// button: its 1-based position as text.
class frmMsgBox : public QDialog {
    Q_OBJECT

public:
    explicit frmMsgBox(QWidget* parent = nullptr);

    int FormType() const { return m_formType; }
    // 0..6; replaces the buttons with the set of the type (0: none, give them with ButtonCaption).
    void setFormType(int formType);
    int ButtonCount() const { return int(m_buttons.size()); }
    // 1 <= i <= ButtonCount; setting i = ButtonCount + 1 adds a button.
    QString ButtonCaption(int i) const;
    void setButtonCaption(int i, const QString& caption);
    void ClearAllButtons();
    bool HelpButton() const { return m_helpButton; }
    void setHelpButton(bool on);
    int FocusedButton() const { return m_focusedButton; }
    // 1-based; values beyond the buttons are ignored.
    void setFocusedButton(int position);
    int PictureType() const { return m_pictureType; }
    void setPictureType(int type); // 0 none, 1 error, 2 question, 3 warning, 4 information
    void setCustomPicture(const QPixmap& picture);
    QString Message() const;
    void setMessage(const QString& text);
    QString Title() const { return windowTitle(); }
    void setTitle(const QString& title) { setWindowTitle(title); }

    // Shows the box modally and returns the tag of the pressed button; empty when the box was
    // closed by its frame without a cancel button.
    QString ShowModal();
    QString Tag() const { return m_tag; }

    QPushButton* button(int i) const; // 1-based, for the owner's fine tuning
    // The answer that button i gives: its number; empty for the help button, which answers nothing.
    QString buttonTag(int i) const;
    QPushButton* helpButtonWidget() const { return m_help; }

    static QPixmap stockPicture(int type, const QWidget* context);

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* addButton(const QString& caption);
    void press(QPushButton* button);
    void sendHelpKey();
    void removeHelp();
    void arrange();

    int m_formType = 0;
    int m_pictureType = 0;
    int m_focusedButton = 0;
    bool m_helpButton = false;
    int m_cancel = -1; // 0-based
    QList<QPushButton*> m_buttons;
    QPushButton* m_help = nullptr;
    QLabel* m_picture;
    QLabel* m_message;
    QString m_tag;
};

} // namespace vambrel
