#pragma once

#include <QString>
#include <functional>

class QWidget;

// Shows the key dialog until the user types a key whose verifier equals `heldVerifier` (true, with
// that verifier in `verifier`) or cancels (false, without a message). An empty key gives the notice
// "キーを入力してください", a wrong one "キーが違います"; the dialog then opens again, empty. The
// typed key and the verifiers of wrong keys are wiped; a caller that only needed the check wipes
// `verifier` (WipeOwnCopy).
// alsoAccept, when given, is asked about the verifier of a key that does not match: true takes
// that key as well.
bool AskKey(const QString& heldVerifier, QString& verifier, QWidget* parent,
            const std::function<bool(const QString& verifier)>& alsoAccept = {});
