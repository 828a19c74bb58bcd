#pragma once

#include <QString>

class QWidget;

// Shows the key dialog until the user types a key whose verifier equals `heldVerifier` (true, with
// that verifier in `verifier`) or cancels (false, without a message). An empty key gives the notice
// "キーを入力してください", a wrong one "キーが違います"; the dialog then opens again, empty. The
// typed key and the verifiers of wrong keys are wiped; a caller that only needed the check wipes
// `verifier` (WipeOwnCopy).
bool AskKey(const QString& heldVerifier, QString& verifier, QWidget* parent);
