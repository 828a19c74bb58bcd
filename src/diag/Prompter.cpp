#include "diag/Prompter.h"

namespace {

class SilentPrompter final : public Prompter {
public:
    int messageBox(QObject*, MessageIcon icon, const QString&, const QString&) override {
        return icon == MessageIcon::Question ? kAnswerNo : kAnswerOk;
    }
    int runDialog(QDialog&) override { return kDialogCancel; }
    std::optional<QString> openFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFileName(const FileDialogRequest&) override { return std::nullopt; }
    void setClipboardText(const QString&, bool) override {}
    int openDocument(const QString&) override { return 2; }
};

SilentPrompter silent;
Prompter* current = nullptr;

}  // namespace

Prompter& CurrentPrompter() {
    return current ? *current : silent;
}

void InstallPrompter(Prompter* prompter) {
    current = prompter;
}

ScopedPrompter::ScopedPrompter(Prompter& prompter) : previous_(current) {
    current = &prompter;
}

ScopedPrompter::~ScopedPrompter() {
    current = previous_;
}
