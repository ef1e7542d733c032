#include "JobCancelQuestion.h"

#include "frmMsgBox.h"

namespace vambrel {

bool JobCancelQuestion::ask(QWidget* parent, const QString& text) {
    m_asking = true;
    bool yes = false;
    if (m_question) {
        yes = m_question();
    } else {
        frmMsgBox box(parent);
        box.setFormType(3);
        box.setPictureType(2);
        box.setTitle(QStringLiteral("Vambrel"));
        box.setMessage(text);
        m_box = &box;
        yes = box.ShowModal() == QStringLiteral("1");
        m_box = nullptr;
    }
    m_asking = false;
    if (m_pendingEnd) {
        const std::function<void()> end = std::move(m_pendingEnd);
        m_pendingEnd = nullptr;
        end();
        return false;
    }
    return yes;
}

void JobCancelQuestion::finish(std::function<void()> end) {
    if (!m_asking) {
        end();
        return;
    }
    m_pendingEnd = std::move(end);
    if (m_box)
        m_box->reject();
}

} // namespace vambrel
