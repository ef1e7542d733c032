#pragma once

#include "FileOpHost.h"
#include "FileOpProgressText.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vambrel {

class ElidedLabel;

// The progress window of a file operation: what is being done, the entries and the data done
// so far, and "Annuler". Closing it by its frame or Escape also asks to cancel; the window
// itself never closes: its owner hides it when the work has ended.
class frmFileProgress : public QDialog {
    Q_OBJECT

public:
    frmFileProgress(const FileOpProgressText& texts, QWidget* parent = nullptr);

    void showProgress(const fileops::Progress& progress);
    bool cancelAsked() const { return m_cancelAsked; }

    QPushButton* cancelButton() const { return m_cancel; }
    QString actionText() const;
    QString folderText() const;
    QString itemsText() const;
    QString bytesText() const;
    int barValue() const;

Q_SIGNALS:
    void cancelRequested();

public Q_SLOTS:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void askCancel();

    FileOpProgressText m_texts;
    ElidedLabel* m_action;
    ElidedLabel* m_folder;
    QProgressBar* m_bar;
    QLabel* m_items;
    QLabel* m_bytes;
    QPushButton* m_cancel;
    bool m_cancelAsked = false;
};

} // namespace vambrel
