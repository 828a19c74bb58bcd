#include "storage/ui/AskKey.h"

#include <QApplication>

#include "diag/MessageBoxes.h"
#include "diag/SecureWipe.h"
#include "storage/KeyVerifier.h"
#include "storage/ui/CInKeyDlg.h"

bool AskKey(const QString& heldVerifier, QString& verifier, QWidget* parent,
            const std::function<bool(const QString& verifier)>& alsoAccept) {
    while (true) {
        QWidget* active = QApplication::activeWindow();
        CInKeyDlg dialog(active ? active : parent);
        if (CurrentPrompter().runDialog(dialog) != kDialogOk) return false;
        if (dialog.key.isEmpty()) {
            Notice(parent, u"キーを入力してください");
            continue;
        }
        QString candidate = MakeKeyVerifier(dialog.key);
        // An empty held verifier (no key set) matches no key; only alsoAccept can take one then.
        if ((!heldVerifier.isEmpty() && candidate == heldVerifier) ||
            (alsoAccept && alsoAccept(candidate))) {
            verifier = candidate;
            return true;
        }
        Wipe(candidate);
        Notice(parent, u"キーが違います");
    }
}
