#pragma once

#include "ComparisonRows.h"
#include "Database.h"
#include "controls/JobCancelQuestion.h"
#include "controls/TypeIcons.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <future>
#include <memory>

class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;

namespace vambrel {

namespace client {
class cAsync2;
class cAsync3;
} // namespace client
class CategorySource;
class LightProgress;
class NewFileSource;
class PagedList;
class TubProgress;
class frmAvance;
class frmCompDetails;
class frmMsgBox;

// Compares one catalogue with the computer: runs the check job in qvtSrv, shows each category's
// progress, then pages through a category, shows a file's details, exports the category shown and
// searches for new files. The window cannot be closed by its frame while a job runs; it shows
// its owner again and unloads itself (deleteLater) when it closes.
class frmCompare : public QWidget {
    Q_OBJECT

public:
    // The owner is hidden by the caller while this window is open; the window shows it again.
    explicit frmCompare(QWidget* owner);
    ~frmCompare() override;

    // Set before the window is shown.
    void setCatalogueFile(const QString& path) { m_path = path; }
    QString catalogueFile() const { return m_path; }

    QLabel* lblInfo(int index) const; // 1 to 6
    QLabel* lblFile(int index) const; // 0 to 3
    QPushButton* cmdVoir(int index) const;
    TubProgress* tubProgress(int index) const; // 0 to 2
    LightProgress* qvtProgress() const { return m_progress; }
    QPushButton* cmdAvance() const { return m_cmdAvance; }
    QPushButton* cmdFermer() const { return m_cmdFermer; }
    QToolButton* imaHelp() const { return m_imaHelp; }
    QFrame* shaFile(int index) const;
    PagedList* lstListing() const { return m_list; }
    QMenu* mnuContextEntree() const { return m_menu; }
    // The category shown, -1 before any.
    int shownCategory() const { return m_shown; }
    // Rows of the comparison query; 0 before the check starts.
    qint64 rowCount() const { return m_R; }
    bool running() const { return m_running; }
    QString temporaryFile() const { return m_tempFile; }
    NewFileSource* newFiles() const { return m_newFiles.get(); }
    // Brings the counters and bars to the state of the last events now; otherwise within 25 ms.
    void showProgress();

    void cmdVoir_Click(int index);
    void cmdAvance_Click();
    void cmdFermer_Click() { close(); }
    void mnuContext_Click(int index);
    void Form_Click();
    void ColumnClick(int column);

    // Seams for tests. Messages get their icon and text.
    using MessageHandler = std::function<void(QMessageBox::Icon, const QString&)>;
    void setMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }
    using CancelQuestion = std::function<bool()>;
    void setCancelQuestion(CancelQuestion question) { m_cancelQuestion.setQuestion(std::move(question)); }
    // The export's save dialog: the chosen path, empty when cancelled.
    using SaveChooser = std::function<QString()>;
    void setSaveChooser(SaveChooser chooser) { m_saveChooser = std::move(chooser); }
    // The search dialog, already filled: returns its answer. By default it is shown modally.
    using SearchDialog = std::function<QString(frmAvance&)>;
    void setSearchDialog(SearchDialog dialog) { m_searchDialog = std::move(dialog); }
    // The details window, already filled. By default it is shown modally.
    using DetailsDialog = std::function<void(frmCompDetails&)>;
    void setDetailsDialog(DetailsDialog dialog) { m_detailsDialog = std::move(dialog); }

Q_SIGNALS:
    void CheckEnded(bool success);
    void SearchEnded(bool success);
    void Unloaded();
    // imaHelp: the program's help at the comparison topic.
    void HelpRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void activate();
    bool openCatalogue();
    using Positions = std::shared_ptr<std::array<QList<qint32>, 3>>;
    void checkComplete(bool success, Positions lists);
    void searchEnded(bool success, bool cancelled);
    void fail();
    void unload();
    void setBusy(bool busy);
    void finish(std::function<void()> end);
    void scheduleShow();
    void showDetails();
    void exportList();
    void showMessage(QMessageBox::Icon icon, const QString& text);

    QWidget* m_owner;
    QString m_path;
    std::array<QLabel*, 7> m_lblInfo{};
    std::array<QLabel*, 4> m_lblFile{};
    std::array<QPushButton*, 4> m_cmdVoir{};
    std::array<TubProgress*, 3> m_tub{};
    std::array<QFrame*, 4> m_sha{};
    LightProgress* m_progress;
    QPushButton* m_cmdAvance;
    QPushButton* m_cmdFermer;
    QToolButton* m_imaHelp;
    PagedList* m_list;
    QMenu* m_menu;

    Database m_db;
    ComparisonRows m_rows;
    // The comparison rows, read on a thread of their own while the check runs.
    std::future<Result<ComparisonRows>> m_rowsReading;
    // The number of rows, counted beside the starting check: on a large catalogue the count is
    // too long for the window's thread. 0 until it is known.
    std::future<Result<qint64>> m_counting;
    bool takeCount();
    qint64 m_R = 0;
    QString m_source, m_mask;
    std::array<std::unique_ptr<CategorySource>, 3> m_categories;
    std::unique_ptr<NewFileSource> m_newFiles;
    QString m_tempFile;
    int m_shown = -1;
    TypeIcons m_icons;

    client::cAsync2* m_Do = nullptr;
    client::cAsync3* m_DoAdv = nullptr;
    bool m_activated = false;
    bool m_running = false;
    bool m_cancel = false;
    JobCancelQuestion m_cancelQuestion;
    // What the last events said.
    struct Shown {
        std::array<qint64, 3> counts{};
        qint32 state = 0;
        qint32 searchMax = 0;
        qint32 searchPos = 0;
        qint32 newFiles = 0;
        bool searching = false;
    } m_shownState;
    QTimer m_showTimer;

    MessageHandler m_messageHandler;
    SaveChooser m_saveChooser;
    SearchDialog m_searchDialog;
    DetailsDialog m_detailsDialog;
};

} // namespace vambrel
