#pragma once

#include "FileOpHost.h"

#include <QList>
#include <QString>

namespace vambrel {

// The French title, buttons and default answers of a file-operation question.
class FileOpQuestionButtons {
public:
    struct Button {
        QString caption;
        fileops::Reply reply;
    };

    explicit FileOpQuestionButtons(const fileops::Question& question);

    QString title() const;
    QList<Button> buttons() const;
    // The answer of Return: "No" where a wrong "Yes" loses data for good.
    fileops::Reply defaultReply() const;
    // The answer of Escape and of the window's close button.
    fileops::Reply escapeReply() const;
    // A warning rather than a question: the answer may destroy data.
    bool warns() const;

private:
    fileops::Question m_question;
};

} // namespace vambrel
