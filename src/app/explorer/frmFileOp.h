#pragma once

#include <QDialog>
#include <QList>
#include <QPixmap>
#include <array>

class QCheckBox;
class QLabel;
class QPushButton;

namespace vambrel {

class qvtBrowser;

// The destination of a copy or a move: a locked folder path box (changed only through its browse
// button), "Renommer les fichiers si conflit de nom" and OK / Annuler. The caller sets the caption,
// the path and the picture, shows the dialog modally and reads Tag: "OK" when OK was pressed.
class frmFileOp : public QDialog {
    Q_OBJECT

public:
    enum Picture { CopyFilesPicture = 0, MoveFilesPicture, CopyFolderPicture, MoveFolderPicture };
    static constexpr int kPictureSize = 32;

    explicit frmFileOp(QWidget* parent = nullptr);

    qvtBrowser* qvtBrowse() const { return m_qvtBrowse; }
    QCheckBox* chkRename() const { return m_chkRename; }
    QPushButton* cmdAction(int index) const; // 0 "&OK", 1 "&Annuler"
    QLabel* imaPic() const { return m_imaPic; }
    const QList<QPixmap>& imaIcon() const { return m_imaIcon; }
    // Shows picture `index` of imaIcon (0 to 3); other values are ignored.
    void setPicture(int index);
    int picture() const { return m_picture; }

    QString Tag() const { return m_tag; }
    void cmdAction_Click(int index);

    // The four pictures, drawn at `size` pixels for a device pixel ratio.
    static QPixmap drawPicture(int index, int size, qreal ratio = 1.0);

private:
    qvtBrowser* m_qvtBrowse;
    QCheckBox* m_chkRename;
    std::array<QPushButton*, 2> m_cmdAction{};
    QLabel* m_imaPic;
    QList<QPixmap> m_imaIcon;
    int m_picture = -1;
    QString m_tag;
};

} // namespace vambrel
