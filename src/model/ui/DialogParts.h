#pragma once

#include <QDialog>
#include <QString>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

// Building blocks shared by the system's small dialogs: the dialog that keeps its state in fields,
// a right-aligned label with its one-line edit, and the centred "OK" / "キャンセル" row under the
// fields.

struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
};

// A dialog whose documented fields (public members of the dialog) are its only state: the caller
// sets them before showing it and reads them afterwards. Each showing the program makes fills the
// controls from the fields; a showing the window system repeats (after a minimise) leaves them as
// the user left them. Every end goes through finish(), which first lets the dialog copy its
// controls into the fields. Escape and the caption's close button end it as "キャンセル" does, with
// 2. A dialog without fields keeps the defaults and only ends.
class FieldDialog : public QDialog {
    Q_OBJECT
public:
    explicit FieldDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

public slots:
    void reject() override;

protected:
    // Fills the controls from the fields and puts the focus where typing starts.
    virtual void loadFields() {}
    // Copies the controls into the fields as the dialog is about to end with id (1 or 2). Returns
    // false to keep the dialog open (it has said why).
    virtual bool storeFields(int id);

    // Ends the dialog with id, if storeFields agrees.
    void finish(int id);

    // A push button called objectName that ends the dialog with id when clicked.
    QPushButton* addEndButton(const QString& text, const QString& objectName, int id);
    // "OK" (1, the default button, "okButton") and "キャンセル" (2, "cancelButton").
    DialogButtons addOkCancel();
    // Lays out `fields` above a centred row of "OK" and "キャンセル" (addOkCancel). The dialog
    // keeps the size of its contents.
    DialogButtons addFieldsAndButtons(QGridLayout* fields);

    void showEvent(QShowEvent* event) override;
};

// A one-line edit called objectName, with no length limit (texts from the document are shown
// whole), and its label in the first column of row `row` of `fields`; the edit spans `columns`
// columns from the second.
QLineEdit* AddLabelledEdit(QDialog* dialog, QGridLayout* fields, int row, const QString& label,
                           const QString& objectName, int columns = 1);

// A row with two buttons side by side in its middle.
QHBoxLayout* CentredButtonRow(QPushButton* first, QPushButton* second);

// Overwrites the text of an edit that held a secret (a key, a revealed value) and empties it. The
// edit's text() shares its own buffer, which is overwritten with it, and an empty setText() drops
// its undo history. Earlier buffers the edit outgrew while the user typed are beyond reach.
void WipeLineEdit(QLineEdit& edit);
