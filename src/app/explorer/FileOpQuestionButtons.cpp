#include "FileOpQuestionButtons.h"

namespace vambrel {

using fileops::QuestionKind;
using fileops::Reply;

FileOpQuestionButtons::FileOpQuestionButtons(const fileops::Question& question) : m_question(question) {}

QString FileOpQuestionButtons::title() const {
    switch (m_question.kind) {
    case QuestionKind::ReplaceFile:
        return QStringLiteral("Confirmer le remplacement du fichier");
    case QuestionKind::MergeFolder:
        return QStringLiteral("Confirmer le remplacement du répertoire");
    case QuestionKind::DeleteForGood:
        return QStringLiteral("Confirmer la suppression");
    case QuestionKind::MakeDir:
        return QStringLiteral("Confirmer la création du répertoire");
    case QuestionKind::DeleteWithoutTrash:
        return QStringLiteral("Confirmer la suppression définitive");
    }
    return {};
}

QList<FileOpQuestionButtons::Button> FileOpQuestionButtons::buttons() const {
    QList<Button> list{{QStringLiteral("&Oui"), Reply::Yes}};
    const bool several = m_question.offersAll && m_question.kind != QuestionKind::DeleteForGood &&
                         m_question.kind != QuestionKind::MakeDir;
    if (several)
        list.append({QStringLiteral("Oui pour &tous"), Reply::YesToAll});
    list.append({QStringLiteral("&Non"), Reply::No});
    if (several)
        list.append({QStringLiteral("Annuler"), Reply::Cancel});
    return list;
}

bool FileOpQuestionButtons::warns() const {
    return m_question.kind == QuestionKind::DeleteForGood ||
           m_question.kind == QuestionKind::DeleteWithoutTrash;
}

Reply FileOpQuestionButtons::defaultReply() const {
    return warns() ? Reply::No : Reply::Yes;
}

Reply FileOpQuestionButtons::escapeReply() const {
    for (const Button& button : buttons()) {
        if (button.reply == Reply::Cancel)
            return Reply::Cancel;
    }
    return Reply::No;
}

} // namespace vambrel
