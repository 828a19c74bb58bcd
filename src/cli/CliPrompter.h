#pragma once

#include "cli/CliIo.h"
#include "diag/Prompter.h"

// The prompter of the command-line tool, installed once around every command: every message the
// shared code shows goes to the error stream as one line; questions are answered No, dialogs
// cancelled and no file is chosen, so nothing ever waits for an answer. (The commands themselves
// decide what the desktop program would ask: the command is the answer.)
class CliPrompter final : public Prompter {
public:
    explicit CliPrompter(CliIo& io) : io_(io), installed_(*this) {}

    int messageBox(QObject* owner, MessageIcon icon, const QString& caption,
                   const QString& text) override;
    int runDialog(QDialog&) override { return kDialogCancel; }
    std::optional<QString> openFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFileName(const FileDialogRequest&) override { return std::nullopt; }
    void setClipboardText(const QString&, bool) override {}
    int openDocument(const QString&) override { return 2; }

private:
    CliIo& io_;
    ScopedPrompter installed_;
};
