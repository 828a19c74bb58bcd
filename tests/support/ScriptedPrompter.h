#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <deque>
#include <functional>
#include <optional>

#include "diag/Prompter.h"
#include "support/QtPrinters.h"

// A prompter for tests: answers questions, dialogs and file dialogs from queues filled by the
// test, and records every message shown. A prompt the test did not expect fails the test.
class ScriptedPrompter : public Prompter {
public:
    struct Message {
        MessageIcon icon;
        QString caption;
        QString text;
        // A question whose default answer is No.
        bool defaultNo = false;
        // A question with buttons of its own: their texts and the default one's index.
        QStringList buttons;
        int defaultButton = -1;
    };

    ScriptedPrompter();
    ~ScriptedPrompter() override;

    // Queue answers.
    void answerQuestion(int answer) { questions_.push_back(answer); }
    void answerYes() { answerQuestion(kAnswerYes); }
    void answerNo() { answerQuestion(kAnswerNo); }
    // Answers the next question with buttons of its own by the button with this text; an empty
    // text takes the default button. meanwhile runs while the question is open, before the answer.
    void answerChoice(const QString& button, std::function<void()> meanwhile = {}) {
        choices_.push_back({button, std::move(meanwhile)});
    }
    // nullopt cancels the file dialog.
    void answerOpenFile(std::optional<QString> path) { openFiles_.push_back(ToAnswer(path)); }
    void answerSaveFile(std::optional<QString> path) { saveFiles_.push_back(ToAnswer(path)); }
    void answerOpenDocument(int code) { openDocuments_.push_back(code); }
    // Answers the next dialog, which must be of type D; fn fills its fields and returns 1 or 2.
    template <class D>
    void answerDialog(std::function<int(D&)> fn) {
        dialogs_.push_back([fn](QDialog& d) -> int {
            auto* typed = dynamic_cast<D*>(&d);
            if (!typed) return -1;
            return fn(*typed);
        });
    }
    // Cancels the next dialog, whatever its type.
    void cancelDialog() {
        dialogs_.push_back([](QDialog&) { return 2; });
    }

    // What was shown.
    const QList<Message>& messages() const { return messages_; }
    QStringList texts() const;
    void clearMessages() { messages_.clear(); }
    const QStringList& clipboard() const { return clipboard_; }
    // For each clipboard text, whether it was offered as a secret.
    const QList<bool>& clipboardSecret() const { return clipboardSecret_; }
    const QStringList& openedDocuments() const { return opened_; }
    const QList<FileDialogRequest>& fileRequests() const { return fileRequests_; }
    int dialogsShown() const { return dialogsShown_; }
    // True when every queued answer has been used.
    bool exhausted() const;

    int messageBox(QObject* owner, MessageIcon icon, const QString& caption,
                   const QString& text) override;
    int questionDefaultNo(QObject* owner, const QString& caption, const QString& text) override;
    int choiceBox(QObject* owner, const QString& caption, const QString& text,
                  const QStringList& buttons, int defaultButton, int cancelButton) override;
    int runDialog(QDialog& dialog) override;
    std::optional<QString> openFileName(const FileDialogRequest& request) override;
    std::optional<QString> saveFileName(const FileDialogRequest& request) override;
    void setClipboardText(const QString& text, bool secret) override {
        clipboard_.append(QString(text.constData(), text.size()));  // the caller wipes its own
        clipboardSecret_.append(secret);
    }
    int openDocument(const QString& path) override;

private:
    std::deque<int> questions_;
    std::deque<std::pair<QString, std::function<void()>>> choices_;
    std::deque<std::function<int(QDialog&)>> dialogs_;
    // A file answer: chosen (true) with its path, or cancelled (false).
    using FileAnswer = std::pair<bool, QString>;
    static FileAnswer ToAnswer(const std::optional<QString>& p) {
        return {p.has_value(), p.value_or(QString())};
    }
    std::optional<QString> takeFileAnswer(std::deque<FileAnswer>& queue, const char* kind);

    std::deque<FileAnswer> openFiles_;
    std::deque<FileAnswer> saveFiles_;
    std::deque<int> openDocuments_;
    QList<Message> messages_;
    QStringList clipboard_;
    QList<bool> clipboardSecret_;
    QStringList opened_;
    QList<FileDialogRequest> fileRequests_;
    int dialogsShown_ = 0;
    ScopedPrompter installed_;
};
