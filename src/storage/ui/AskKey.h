#pragma once

#include <QString>

class QWidget;

// Shows the key dialog until the user types a key whose verifier equals `heldVerifier` (true, with
// that verifier in `verifier`) or cancels (false, without a message). An empty key gives the notice
// "キーを入力してください", a wrong one "キーが違います"; the dialog then opens again, empty.
bool AskKey(const QString& heldVerifier, QString& verifier, QWidget* parent);
