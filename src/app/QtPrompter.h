#pragma once

#include "diag/Prompter.h"
#include "items/clipboard/ItemClipboard.h"

// The prompter of the running program: real message boxes, modal dialogs, file dialogs, the
// system clipboard and the desktop's default programs.
class QtPrompter final : public Prompter {
public:
    // Warning, question (Yes/No: 6/7) or error box with one OK button; owner is used when it is a
    // widget, otherwise the box has no owner.
    int messageBox(QObject* owner, MessageIcon icon, const QString& caption,
                   const QString& text) override;
    // The same question with No as the default button.
    int questionDefaultNo(QObject* owner, const QString& caption, const QString& text) override;
    // A question box with the buttons in the order given.
    int choiceBox(QObject* owner, const QString& caption, const QString& text,
                  const QStringList& buttons, int defaultButton, int cancelButton) override;
    // Runs the dialog modally, owned by the active window when it has no parent of its own.
    // Returns 1 when it ended with 1 (OK), else 2.
    int runDialog(QDialog& dialog) override;
    // File dialogs: the filter entries, the default extension appended to names typed without one,
    // the initial name (a folder starts the dialog there). A name that does not exist may be
    // chosen; saving never asks before replacing a file.
    std::optional<QString> openFileName(const FileDialogRequest& request) override;
    std::optional<QString> saveFileName(const FileDialogRequest& request) override;
    // Through the one clipboard of the program: a secret leaves the clipboard after 30 seconds, and
    // when the program ends, unless something else was copied in between.
    void setClipboardText(const QString& text, bool secret) override;
    // 0 when the desktop opened the document; 2, 3 or 5 when it is missing or unreadable; 31 when
    // the desktop refused it.
    int openDocument(const QString& path) override;

    // The clipboard behind setClipboardText, whose signals the status line follows.
    ItemClipboard& clipboard() { return clipboard_; }

private:
    ItemClipboard clipboard_;
};

// Qt's name filter for one entry: the description as shown, the pattern adapted to this platform
// ("*.*" means every file, as it does on the system the files come from).
QString QtNameFilter(const FileFilter& filter);
