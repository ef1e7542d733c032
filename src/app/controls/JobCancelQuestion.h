#pragma once

#include <QPointer>
#include <QString>
#include <functional>

class QWidget;

namespace vambrel {

class frmMsgBox;

// The question "Annuler l'opération ?" of a window that follows a job, and the job's end that may
// come while the question is open: the end then closes the question and runs once it has been
// answered, so that a window never goes away under its own message box.
class JobCancelQuestion {
public:
    // Replaces the message box, for tests: true for Yes.
    using Question = std::function<bool()>;
    void setQuestion(Question question) { m_question = std::move(question); }

    bool asking() const { return m_asking; }
    // Asks with `text` over `parent`. True for Yes, unless the job ended meanwhile: its end has
    // then run, and the answer no longer matters (false).
    bool ask(QWidget* parent, const QString& text);
    // Runs `end` now, or closes the open question and runs it once that has returned.
    void finish(std::function<void()> end);

private:
    Question m_question;
    bool m_asking = false;
    QPointer<frmMsgBox> m_box;
    std::function<void()> m_pendingEnd;
};

} // namespace vambrel
