#include "app/LockController.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QTimer>

#include "diag/Prompter.h"
#include "diag/SecureWipe.h"
#include "model/ui/Workspace.h"
#include "storage/ui/AskKey.h"

namespace {

// A command that does not come back within this many retries (10 ms apart) keeps the lock
// waiting; its dialogs are closed again at every retry.
constexpr int kRetryMs = 10;

}  // namespace

LockController::LockController(Workspace& ws, Hooks hooks, QObject* parent)
    : QObject(parent), ws_(ws), hooks_(std::move(hooks)) {}

LockController::~LockController() {
    restorePrompter();
    Wipe(locked_.cipher);
}

void LockController::CloseEverythingOpen() {
    // Menus first: a popup holds the keyboard and the mouse.
    while (QWidget* popup = QApplication::activePopupWidget())
        if (!popup->close()) break;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* menu = qobject_cast<QMenu*>(widget); menu && menu->isVisible()) menu->close();
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->reject();
    }
    // A dialog that refused its reject (none of ours) still ends: its loop is left as cancelled.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (!dialog || !dialog->isVisible()) break;
        dialog->done(QDialog::Rejected);
        if (QApplication::activeModalWidget() == modal) break;
    }
}

void LockController::requestLock() {
    if (locked()) {
        // Locked already: an unlock in progress is cancelled.
        CloseEverythingOpen();
        return;
    }
    if (!enabled_) return;
    if (!pending_) {
        pending_ = true;
        retries_ = 0;
        // Until the lock is done, nothing waits for an answer: No, Cancel, no file names.
        heldPrompter_ = &CurrentPrompter();
        InstallPrompter(nullptr);
    }
    CloseEverythingOpen();
    tryFinish();
}

void LockController::tryFinish() {
    if (!pending_) return;
    const bool busy = (hooks_.commandRunning && hooks_.commandRunning()) ||
                      QApplication::activeModalWidget() || QApplication::activePopupWidget();
    if (busy) {
        // The dialogs' loops end once control is back in them; the command then runs to its end.
        if (++retries_ % 10 == 0) CloseEverythingOpen();
        QTimer::singleShot(kRetryMs, this, &LockController::tryFinish);
        return;
    }
    finish();
}

void LockController::finish() {
    selectedRow_ = hooks_.selectedRow ? hooks_.selectedRow() : -1;
    LockWorkspace(ws_, locked_);
    if (hooks_.clearList) hooks_.clearList();
    if (hooks_.clearSecretClipboard) hooks_.clearSecretClipboard();
    pending_ = false;
    restorePrompter();
    emit lockedChanged(true);
    // What the commands and the views left on the stack below this frame.
    WipeUsedStack();
}

void LockController::restorePrompter() {
    if (!heldPrompter_) return;
    InstallPrompter(heldPrompter_);
    heldPrompter_ = nullptr;
}

bool LockController::unlock() {
    if (!locked()) return true;
    QString verifier;
    WipeOwnCopyOnExit wipeVerifier(verifier);
    const LockedDocument& held = locked_;
    // With no key held there is nothing to check the key against: the document stayed in place.
    if (!locked_.keptInPlace &&
        !AskKey(QString(), verifier, hooks_.window, [&held](const QString& candidate) {
            return LockedDocumentOpensUnder(held, candidate);
        }))
        return false;
    if (!UnlockWorkspace(ws_, locked_, verifier)) return false;
    emit lockedChanged(false);
    if (hooks_.selectRow && selectedRow_ >= 0) hooks_.selectRow(selectedRow_);
    selectedRow_ = -1;
    return true;
}

bool LockController::keepChangesAtSessionEnd() {
    return KeepLockedChanges(locked_, ws_.doc().dataFilePath);
}
