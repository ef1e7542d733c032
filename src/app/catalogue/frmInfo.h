#pragma once

#include "controls/JobCancelQuestion.h"

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class QLabel;

namespace vambrel {

namespace client {
class cAsync;
}
class LightProgress;
class frmMsgBox;

// The small window that runs one catalogue build in qvtSrv and shows its progress. The build
// writes a fresh temporary file; on success CatalogueReady asks the owner to put it in place of
// FileName and open it, on a failure BuildFailed carries what to tell the user, on a
// cancellation nothing is left. A click asks
// whether to cancel. The window cannot be closed by its frame while the build runs; it shows its
// owner again and unloads itself (deleteLater) when the build ends.
class frmInfo : public QWidget {
    Q_OBJECT

public:
    // The owner is hidden by the caller while this window runs and shown again by it.
    explicit frmInfo(QWidget* owner);
    ~frmInfo() override;

    // Set before the window is shown.
    void setSpec(const QString& spec) { m_spec = spec; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }
    void setMask(const QString& mask) { m_mask = mask; }
    // Print mode: the catalogue is built only to be previewed and printed, then deleted.
    void setImpression(bool on) { m_impression = on; }
    bool Impression() const { return m_impression; }

    QLabel* lblInfo(int index) const; // 0 to 3
    // The text that lblInfo(index) has or takes at its next refresh: the state of the last events.
    QString infoText(int index) const;
    // Brings the labels and the bar to the state of the last events now; otherwise they follow
    // within 25 ms.
    void showProgress();
    LightProgress* qvtProgress() const { return m_progress; }
    QString temporaryFile() const { return m_tempFile; }
    bool running() const { return m_running; }
    bool cancelRequested() const { return m_cancel; }

    // The question "Annuler l'opération ?", replaceable for tests: true for Yes.
    using CancelQuestion = std::function<bool()>;
    void setCancelQuestion(CancelQuestion question) { m_cancelQuestion.setQuestion(std::move(question)); }
    // A click on the window or on one of its labels.
    void Form_Click();

Q_SIGNALS:
    // The job ended (success true for a finished catalogue), before anything is opened or told.
    void BuildEnded(bool success);
    // The build ended and the window is going away.
    void Unloaded();
    // Print mode: the listing preview of the temporary catalogue is open; the file goes when the
    // preview closes.
    void PreviewOpened(QWidget* preview);
    // The catalogue is built in temporaryFile, to take the place of fileName. The owner is shown.
    void CatalogueReady(const QString& fileName, const QString& temporaryFile);
    // The build failed; the text says so, with its cause. The owner is shown.
    void BuildFailed(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void activate();
    void scheduleShow();
    // Runs the end of the build now, or when the open cancel question has been closed.
    void finish(std::function<void()> end);
    void complete(bool success, const QString& cause);
    void showPreview();
    void unload();

    QWidget* m_owner;
    std::array<QLabel*, 4> m_lblInfo{};
    LightProgress* m_progress;
    QString m_spec, m_fileName, m_mask, m_tempFile;
    client::cAsync* m_Do = nullptr;
    bool m_activated = false;
    bool m_running = false;
    bool m_cancel = false;
    JobCancelQuestion m_cancelQuestion;
    bool m_impression = false;
    // What the last events said; -1 for a label that is empty.
    struct Shown {
        QString main;
        qint32 folders = -1;
        qint32 files = -1;
        qint32 state = -1;
        qint32 max = 0;
    } m_shown;
    QTimer m_showTimer;
};

} // namespace vambrel
