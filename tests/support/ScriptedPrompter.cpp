#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

ScriptedPrompter::ScriptedPrompter() : installed_(*this) {}

ScriptedPrompter::~ScriptedPrompter() = default;

QStringList ScriptedPrompter::texts() const {
    QStringList out;
    for (const Message& m : messages_) out.append(m.text);
    return out;
}

bool ScriptedPrompter::exhausted() const {
    return questions_.empty() && choices_.empty() && dialogs_.empty() && openFiles_.empty() &&
           saveFiles_.empty() && openDocuments_.empty();
}

int ScriptedPrompter::messageBox(QObject*, MessageIcon icon, const QString& caption,
                                 const QString& text) {
    messages_.append({icon, caption, text, false, {}, -1});
    if (icon != MessageIcon::Question) return kAnswerOk;
    if (questions_.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return kAnswerNo;
    }
    const int answer = questions_.front();
    questions_.pop_front();
    return answer;
}

int ScriptedPrompter::questionDefaultNo(QObject* owner, const QString& caption,
                                        const QString& text) {
    const int answer = messageBox(owner, MessageIcon::Question, caption, text);
    messages_.back().defaultNo = true;
    return answer;
}

int ScriptedPrompter::choiceBox(QObject*, const QString& caption, const QString& text,
                                const QStringList& buttons, int defaultButton, int cancelButton) {
    messages_.append({MessageIcon::Question, caption, text, false, buttons, defaultButton});
    if (choices_.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return cancelButton;
    }
    const auto [answer, meanwhile] = choices_.front();
    choices_.pop_front();
    if (meanwhile) meanwhile();
    if (answer.isEmpty()) return defaultButton;
    const qsizetype index = buttons.indexOf(answer);
    if (index < 0) {
        ADD_FAILURE() << "no button " << answer.toStdString() << " in: " << text.toStdString();
        return cancelButton;
    }
    return static_cast<int>(index);
}

int ScriptedPrompter::runDialog(QDialog& dialog) {
    ++dialogsShown_;
    if (dialogs_.empty()) {
        ADD_FAILURE() << "unexpected dialog: " << dialog.metaObject()->className();
        return 2;
    }
    auto fn = std::move(dialogs_.front());
    dialogs_.pop_front();
    const int result = fn(dialog);
    if (result < 0) {
        ADD_FAILURE() << "dialog of another type than scripted: "
                      << dialog.metaObject()->className();
        return 2;
    }
    return result;
}

std::optional<QString> ScriptedPrompter::takeFileAnswer(std::deque<FileAnswer>& queue,
                                                        const char* kind) {
    if (queue.empty()) {
        ADD_FAILURE() << "unexpected " << kind << " dialog";
        return std::nullopt;
    }
    const FileAnswer answer = queue.front();
    queue.pop_front();
    if (!answer.first) return std::nullopt;
    return answer.second;
}

std::optional<QString> ScriptedPrompter::openFileName(const FileDialogRequest& request) {
    fileRequests_.append(request);
    return takeFileAnswer(openFiles_, "file-open");
}

std::optional<QString> ScriptedPrompter::saveFileName(const FileDialogRequest& request) {
    fileRequests_.append(request);
    return takeFileAnswer(saveFiles_, "file-save");
}

int ScriptedPrompter::openDocument(const QString& path) {
    opened_.append(path);
    if (openDocuments_.empty()) return 0;
    const int code = openDocuments_.front();
    openDocuments_.pop_front();
    return code;
}
