#pragma once

#include <QString>
#include <functional>

class QDialog;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// Building blocks shared by the system's small dialogs: a right-aligned label with its one-line
// edit, and the centred "OK" / "キャンセル" row under the fields.

// A one-line edit called objectName, with no length limit (texts from the document are shown
// whole), and its label in the first two columns of row `row` of `fields`.
QLineEdit* AddLabelledEdit(QDialog* dialog, QGridLayout* fields, int row, const QString& label,
                           const QString& objectName);

struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
};

// Overwrites the text of an edit that held a secret (a key, a revealed value) and empties it. The
// edit's text() shares its own buffer, which is overwritten with it, and an empty setText() drops
// its undo history. Earlier buffers the edit outgrew while the user typed are beyond reach.
void WipeLineEdit(QLineEdit& edit);

// Lays out `fields` above a centred row of "OK" (default, "okButton") and "キャンセル"
// ("cancelButton"); a click calls finish with 1 or 2. The dialog keeps the size of its contents.
DialogButtons AddFieldsAndButtons(QDialog* dialog, QGridLayout* fields,
                                  const std::function<void(int id)>& finish);
