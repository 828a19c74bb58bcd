#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QObject;

enum class MessageIcon { Warning, Question, Error };

// Answers of a question box, with the values the system's message box returns.
enum MessageAnswer : int { kAnswerOk = 1, kAnswerYes = 6, kAnswerNo = 7 };

// Results of a dialog, with the ids of its buttons.
enum DialogResult : int { kDialogOk = 1, kDialogCancel = 2 };

// One entry of a file dialog's type filter, e.g. {"DATファイル (*.dat)", "*.dat"}.
struct FileFilter {
    QString description;
    QString pattern;
};

struct FileDialogRequest {
    QList<FileFilter> filters;
    QString defaultExtension;  // without the dot
    QString initialName;       // file name or path the dialog starts with; may be empty
    QString startDirectory;    // used when the initial name has no folder
};

// Everything the deciding code needs from the user or the desktop goes through this interface.
// The application installs one that shows real Qt dialogs; tests install a scripted one that
// answers from a queue and records every message.
class Prompter {
public:
    virtual ~Prompter() = default;

    // Shows a finished message text. Returns kAnswerYes or kAnswerNo for a question, else
    // kAnswerOk.
    virtual int messageBox(QObject* owner, MessageIcon icon, const QString& caption,
                           const QString& text) = 0;
    // A question whose default button is No, so that Enter or Space answers No: for a Yes that
    // cannot be undone. Returns kAnswerYes or kAnswerNo. A prompter that has no default button
    // (one that answers by itself) may leave this to messageBox.
    virtual int questionDefaultNo(QObject* owner, const QString& caption, const QString& text) {
        return messageBox(owner, MessageIcon::Question, caption, text);
    }
    // A question with buttons of its own (e.g. 結合, 上書き, キャンセル) and the question icon.
    // Returns the index of the button chosen; Enter chooses defaultButton, Escape or closing the
    // box cancelButton. A prompter that cannot ask answers cancelButton.
    virtual int choiceBox(QObject* owner, const QString& caption, const QString& text,
                          const QStringList& buttons, int defaultButton, int cancelButton) {
        (void)owner, (void)caption, (void)text, (void)buttons, (void)defaultButton;
        return cancelButton;
    }
    // Shows one of the system's dialogs modally; its fields are set before and read afterwards.
    // Returns kDialogOk or kDialogCancel.
    virtual int runDialog(QDialog& dialog) = 0;
    virtual std::optional<QString> openFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFileName(const FileDialogRequest& request) = 0;
    // Puts text on the system clipboard. A secret (the value of a secret item) is offered with the
    // password managers' hint, so that clipboard histories keep no copy, and is cleared again after
    // a while unless something else has been copied meanwhile; plain text stays. The caller wipes a
    // secret's text after the call: a prompter that keeps it keeps a copy of its own.
    virtual void setClipboardText(const QString& text, bool secret) = 0;
    // Opens a document with the desktop's default program. Returns 0 on success, else the error
    // code of the failure (2 file missing, 3 folder missing, 5 access denied, other values).
    virtual int openDocument(const QString& path) = 0;
};

// The prompter in use. Until one is installed a silent one answers: No to questions, Cancel to
// dialogs, no file names.
Prompter& CurrentPrompter();
// Installs a prompter (not owned); nullptr restores the silent one.
void InstallPrompter(Prompter* prompter);

// Installs a prompter for the lifetime of this object and restores the previous one afterwards.
class ScopedPrompter {
public:
    explicit ScopedPrompter(Prompter& prompter);
    ~ScopedPrompter();
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

private:
    Prompter* previous_;
};
