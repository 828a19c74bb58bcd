#include "AskKey.h"

#include <QApplication>

#include "CInKeyDlg.h"
#include "KeyVerifier.h"
#include "MessageBoxes.h"

bool AskKey(const QString& heldVerifier, QString& verifier, QWidget* parent,
            const std::function<bool(const QString& verifier)>& alsoAccept) {
    while (true) {
        QWidget* active = QApplication::activeWindow();
        CInKeyDlg dialog(active ? active : parent);
        if (CurrentPrompter().runDialog(dialog) != 1) return false;
        if (dialog.key.isEmpty()) {
            Notice(parent, u"キーを入力してください");
            continue;
        }
        const QString candidate = MakeKeyVerifier(dialog.key);
        // An empty held verifier (no key set) accepts no key at all.
        if ((!heldVerifier.isEmpty() && candidate == heldVerifier) ||
            (alsoAccept && alsoAccept(candidate))) {
            verifier = candidate;
            return true;
        }
        Notice(parent, u"キーが違います");
    }
}
